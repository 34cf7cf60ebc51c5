#include "app/tasks.h"

namespace app {

void betaCheckTask(void*) {}

}  // namespace app
