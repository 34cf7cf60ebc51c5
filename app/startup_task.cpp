#include "app/tasks.h"

namespace app {

void startupTask(void*) {}

}  // namespace app
