#include <windows.h>

#include "platform/threads.h"

namespace platform {

void sleepMilliseconds(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t monotonicMilliseconds() { return ::GetTickCount64(); }

}  // namespace platform
