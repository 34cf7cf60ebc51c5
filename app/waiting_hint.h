#pragma once
// The Info area while the startup task waits for the device: the waiting
// line alone, or, once the device's volume has been seen for a while but
// cannot be used, the waiting line, an empty line, and what is wrong and what
// the user can do, with the system's own reason.

#include <cstddef>
#include <cstdint>

#include "device/discovery.h"

namespace app {

// A device seen for a moment may only be on its way (being mounted, the
// medium settling); a device seen this long without becoming usable will not
// get better by itself.
constexpr std::uint32_t HINT_AFTER_MILLISECONDS = 3000;

constexpr std::size_t WAITING_TEXT_CAPACITY = 1024;

// What the waiting loop keeps between polls. Belongs to the startup task's
// thread.
struct WaitingInfo {
    bool polledBefore = false;
    bool deviceSeen = false;
    std::uint32_t deviceSeenMilliseconds = 0;  // since first seen unusable, without a poll in between that lacked it
    char shown[WAITING_TEXT_CAPACITY] = {};    // the Info text on screen
};

// Notes one poll's finding (the unusable device's volume, or nullptr) that
// came pollIntervalMilliseconds after the previous poll, and writes the Info
// text into text (NUL-terminated, cut to capacity).
void composeWaitingText(WaitingInfo& info, const device::PassedOverVolume* unusable,
                        std::uint32_t pollIntervalMilliseconds, const char* waitingLine, char* text,
                        std::size_t capacity);

}  // namespace app
