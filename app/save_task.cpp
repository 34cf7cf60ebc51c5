#include "app/tasks.h"

namespace app {

void saveTask(void*) {}

}  // namespace app
