#include "device/discovery.h"

#include <cstdio>
#include <cstring>

#include "device/device_files.h"
#include "device/device_settings.h"
#include "platform/files.h"
#include "platform/support_log.h"
#include "platform/threads.h"
#include "platform/volumes.h"

namespace device {

char deviceRoot[DEVICE_ROOT_CAPACITY];

namespace {

// What the last poll saw, for the log: -1 before the first poll. Written and
// read by the thread that polls (the startup task).
std::int32_t lastFound = -1;
char lastRoot[DEVICE_ROOT_CAPACITY];

std::int32_t findDeviceOnce();

bool isDeviceVolume(const char* root) {
    if (!platform::isRemovableDrive(root)) {
        return false;
    }
    platform::VolumeInformation volume;
    if (!platform::readVolumeInformation(root, volume)) {
        return false;  // for example a card reader without a card
    }
    return DEVICE_FILE_SYSTEM == volume.fileSystemName && volume.serialNumber == DEVICE_VOLUME_SERIAL;
}

// Reading the trigger file is the request; the bytes themselves mean nothing.
void readTriggerFile() {
    char path[DEVICE_PATH_CAPACITY];
    if (!formatDevicePath(path, TRIGGER_FILE_NAME)) {
        return;
    }
    alignas(platform::DEVICE_BUFFER_ALIGNMENT) static char chunk[DEVICE_CHUNK_SIZE];
    for (int i = 0; i < TRIGGER_READ_COUNT; ++i) {
        platform::File trigger = platform::openDeviceFileForReading(path);
        if (!trigger.isOpen()) {
            return;
        }
        std::uint32_t bytesRead = 0;
        if (!platform::readFile(trigger, chunk, sizeof chunk, bytesRead)) {
            return;
        }
    }
}

void waitUntilDeviceIsBack() {
    while (findDevice() == 0) {
        platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
    }
}

void showSwitchFailure() {
    std::memcpy(configText, SWITCH_FAILED_TEXT, sizeof SWITCH_FAILED_TEXT);
    configFileSize = sizeof SWITCH_FAILED_TEXT - 1;
}

}  // namespace

void resetDiscovery() {
    deviceRoot[0] = '\0';
    lastFound = -1;
    lastRoot[0] = '\0';
}

void logDiscoveryChange(std::int32_t found) {
    // Naming the source asks the system (on Linux the bus): only for a log.
    if (lastFound == -1 && platform::supportLogIsOpen()) {
        platform::supportLog("drives: listed through %s", platform::volumeDiscoveryName());
    }
    if (found == lastFound && (found == 0 || std::strcmp(deviceRoot, lastRoot) == 0)) {
        return;
    }
    if (found != 0) {
        platform::supportLog("drives: the radio found at %s (removable, %s, serial %04X-%04X)", deviceRoot,
                             DEVICE_FILE_SYSTEM.data(), static_cast<unsigned>(DEVICE_VOLUME_SERIAL >> 16),
                             static_cast<unsigned>(DEVICE_VOLUME_SERIAL & 0xFFFF));
    } else {
        platform::supportLog("drives: no removable %s drive with the radio's serial", DEVICE_FILE_SYSTEM.data());
    }
    lastFound = found;
    std::snprintf(lastRoot, sizeof lastRoot, "%s", found != 0 ? deviceRoot : "");
}

std::int32_t findDevice() {
    const std::int32_t found = findDeviceOnce();
    logDiscoveryChange(found);
    return found;
}

namespace {

std::int32_t findDeviceOnce() {
    deviceRoot[0] = '\0';
    const std::uint32_t mask = platform::presentDriveMask();
    if (mask == 0) {
        return 0;
    }
    for (int slot = 0; slot < platform::DRIVE_SLOT_COUNT; ++slot) {
        if ((mask & (std::uint32_t{1} << slot)) == 0) {
            continue;
        }
        if (!platform::driveRootPath(slot, deviceRoot, sizeof deviceRoot)) {
            continue;
        }
        if (isDeviceVolume(deviceRoot)) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

std::int32_t switchDeviceToWritable() {
    for (;;) {
        platform::VolumeInformation volume;
        if (platform::readVolumeInformation(deviceRoot, volume)) {
            if (!volume.readOnly) {
                platform::supportLog("switch: the radio is writable at %s", deviceRoot);
                return 1;
            }
            platform::supportLog("switch: the radio at %s is read-only; reading %s asks it to switch", deviceRoot,
                                 TRIGGER_FILE_NAME);
            readTriggerFile();
            // The device drops off the bus and comes back writable; wait for it
            // to leave first, or the old read-only volume would be taken.
            platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
            while (findDevice() == 1) {
                showSwitchFailure();
                platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
            }
            waitUntilDeviceIsBack();
            platform::supportLog("switch: the radio is back at %s", deviceRoot);
            return 1;
        }
        // The volume vanished between finding it and asking for its flags:
        // wait until it is back, then look at its flags again.
        platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
        waitUntilDeviceIsBack();
    }
}

}  // namespace device
