#include "app/version_checks.h"

#include <mutex>

#include "device/config_reader.h"
#include "device/status_file.h"

namespace app {

namespace {

// Taken by the startup task and the beta-check tasks, never by the
// user-interface thread, which must not wait for a server.
std::mutex versionCheckLock;

}  // namespace

VersionCheckTurn::VersionCheckTurn() {
    versionCheckLock.lock();
}

VersionCheckTurn::~VersionCheckTurn() {
    versionCheckLock.unlock();
}

device::DeviceKind deviceKindForUpdates() {
    return device::deviceFilesRead.load(std::memory_order_acquire) ? device::deviceSettings.device
                                                                    : device::DeviceKind::Hxa;
}

const char* deviceVersionForUpdates() {
    return device::deviceFilesRead.load(std::memory_order_acquire) ? device::deviceSoftwareVersion : "";
}

const char16_t* updateFolderFor(update::UpdateChannel channel) {
    return update::channelFolder(deviceKindForUpdates(), channel);
}

}  // namespace app
