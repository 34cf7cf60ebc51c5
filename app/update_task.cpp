#include "app/tasks.h"

namespace app {

void updateTask(void*) {}

}  // namespace app
