#include <windows.h>

#include "platform/power.h"

namespace platform {

// ES_CONTINUOUS keeps the request until the thread resets it; idle sleep is
// held off. A shutdown the user starts is held off by the program's answer to
// the session's end, which needs its window (program/win32).
SleepInhibitor::SleepInhibitor(const char*) {
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
        handle_ = 0;
    }
}

SleepInhibitor::~SleepInhibitor() { release(); }

void SleepInhibitor::release() {
    if (handle_ >= 0) {
        SetThreadExecutionState(ES_CONTINUOUS);
        handle_ = -1;
    }
}

}  // namespace platform
