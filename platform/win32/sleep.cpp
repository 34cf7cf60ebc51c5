#include <windows.h>

#include "platform/threads.h"

namespace platform {

void sleepMilliseconds(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
