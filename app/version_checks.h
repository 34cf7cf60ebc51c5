#pragma once
// What the startup task and the beta check share around a version check: a
// turn that holds one check and the message it leads to together, and the
// device's family and version as a task other than the startup may read them.

#include "device/device_settings.h"
#include "update/version_check.h"

namespace app {

// Held from a check until its answer is on screen (offer, notice or form).
// Both tasks' checks write the same version texts, so a check that starts on
// another thread waits for the turn: the later check wins whole, and an offer
// never shows one check's current version with another's latest.
class VersionCheckTurn {
public:
    VersionCheckTurn();
    ~VersionCheckTurn();
    VersionCheckTurn(const VersionCheckTurn&) = delete;
    VersionCheckTurn& operator=(const VersionCheckTurn&) = delete;
};

// The device's family and software version once it was read in this run;
// before that their program-start values (Hxa, no version), since the startup
// task may be filling them. For the beta check and the update task.
device::DeviceKind deviceKindForUpdates();
const char* deviceVersionForUpdates();

// The folder of a channel for the device as above.
const char16_t* updateFolderFor(update::UpdateChannel channel);

}  // namespace app
