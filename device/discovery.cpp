#include "device/discovery.h"

#include <cstdio>
#include <cstring>

#include "device/device_files.h"
#include "device/device_settings.h"
#include "platform/files.h"
#include "platform/support_log.h"
#include "platform/threads.h"

namespace device {

char deviceRoot[DEVICE_ROOT_CAPACITY];
PassedOverVolumes passedOver;

namespace {

// The latest listing: a record of its own, since 32 descriptors are too
// large for a worker's stack. Written and read by the startup task's thread.
platform::VolumeList volumes;

// Where the device's serial was last seen: a volume there that turns
// unreadable is most likely the device (a Windows drive letter keeps its
// volume's place while the medium fails). Forgotten once nothing is there.
char rootLastSeenWithDevice[platform::VOLUME_ROOT_CAPACITY];

std::int32_t findDeviceOnce();

// What the last poll saw, for the log: -1 before the first poll. Written and
// read by the thread that polls (the startup task).
std::int32_t lastFound = -1;
char lastRoot[DEVICE_ROOT_CAPACITY];
// The drives the last logged poll passed over, and why: the log tells them
// again only when they change.
PassedOverVolumes lastPassedOver;

const char* reasonText(PassOverReason reason) {
    switch (reason) {
        case PassOverReason::NotRemovable: return "not removable";
        case PassOverReason::NotFat32: return "not FAT32";
        case PassOverReason::OtherSerial: return "another volume serial";
        case PassOverReason::NotMounted: return "could not be mounted";
        case PassOverReason::Unreadable: return "could not be read";
        case PassOverReason::StaysReadOnly: return "stays read-only after the switch";
    }
    return "unknown";
}

bool samePassedOver(const PassedOverVolumes& a, const PassedOverVolumes& b) {
    if (a.count != b.count) {
        return false;
    }
    for (std::size_t i = 0; i < a.count; ++i) {
        const PassedOverVolume& x = a.volumes[i];
        const PassedOverVolume& y = b.volumes[i];
        if (x.reason != y.reason || x.isDevice != y.isDevice || std::strcmp(x.root, y.root) != 0 ||
            std::strcmp(x.message, y.message) != 0) {
            return false;
        }
    }
    return true;
}

void copyText(char* target, std::size_t capacity, const char* text) {
    std::snprintf(target, capacity, "%s", text);
}

bool hasDeviceSerial(const platform::VolumeDescriptor& volume) {
    return volume.serialKnown && volume.serialNumber == DEVICE_VOLUME_SERIAL;
}

void passOver(const char* root, PassOverReason reason, bool isDevice, const char* message) {
    if (passedOver.count == platform::VOLUME_LIST_CAPACITY) {
        return;
    }
    PassedOverVolume& entry = passedOver.volumes[passedOver.count++];
    copyText(entry.root, sizeof entry.root, root);
    entry.reason = reason;
    entry.isDevice = isDevice;
    copyText(entry.message, sizeof entry.message, message);
}

// True when the volume is the device and can be used; otherwise it is
// passed over with its reason.
bool isUsableDevice(const platform::VolumeDescriptor& volume) {
    const bool device = hasDeviceSerial(volume);
    if (device && volume.root[0] != '\0') {
        copyText(rootLastSeenWithDevice, sizeof rootLastSeenWithDevice, volume.root);
    }
    switch (volume.fault) {
        case platform::VolumeFault::NotMounted:
            passOver(volume.root, PassOverReason::NotMounted, device, volume.message);
            return false;
        case platform::VolumeFault::Unreadable:
            passOver(volume.root, PassOverReason::Unreadable,
                     device || (volume.root[0] != '\0' && std::strcmp(volume.root, rootLastSeenWithDevice) == 0),
                     volume.message);
            return false;
        case platform::VolumeFault::None:
            break;
    }
    if (!volume.removable) {
        passOver(volume.root, PassOverReason::NotRemovable, device, "");
        return false;
    }
    if (DEVICE_FILE_SYSTEM != volume.fileSystem) {
        passOver(volume.root, PassOverReason::NotFat32, device, "");
        return false;
    }
    if (!device) {
        passOver(volume.root, PassOverReason::OtherSerial, false, "");
        return false;
    }
    return true;
}

void forgetRootWhenGone() {
    for (std::size_t i = 0; i < volumes.count; ++i) {
        if (std::strcmp(volumes.volumes[i].root, rootLastSeenWithDevice) == 0) {
            return;
        }
    }
    rootLastSeenWithDevice[0] = '\0';
}

// The read-only flag of the volume at deviceRoot; false when it is not there
// or cannot be read.
bool readDeviceFlags(bool& readOnly) {
    platform::listVolumes(volumes, platform::MOUNT_NOTHING);
    for (std::size_t i = 0; i < volumes.count; ++i) {
        const platform::VolumeDescriptor& volume = volumes.volumes[i];
        if (volume.fault == platform::VolumeFault::None && std::strcmp(volume.root, deviceRoot) == 0) {
            readOnly = volume.readOnly;
            return true;
        }
    }
    return false;
}

}  // namespace

bool isDeviceVolume(const platform::VolumeDescriptor& volume) {
    return volume.fault == platform::VolumeFault::None && volume.removable &&
           DEVICE_FILE_SYSTEM == volume.fileSystem && hasDeviceSerial(volume);
}

// Reading the trigger file is the request; the bytes themselves mean nothing.
void requestWritableMode() {
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

namespace {

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

const PassedOverVolume* unusableDeviceVolume() {
    for (std::size_t i = 0; i < passedOver.count; ++i) {
        if (passedOver.volumes[i].isDevice) {
            return &passedOver.volumes[i];
        }
    }
    return nullptr;
}

void resetDiscovery() {
    deviceRoot[0] = '\0';
    passedOver.count = 0;
    rootLastSeenWithDevice[0] = '\0';
    lastFound = -1;
    lastRoot[0] = '\0';
    lastPassedOver.count = 0;
}

void logDiscoveryChange(std::int32_t found) {
    if (!platform::supportLogIsOpen()) {
        return;
    }
    // Naming the source asks the system (on Linux the bus): only for a log.
    if (lastFound == -1) {
        platform::supportLog("drives: listed through %s", platform::volumeDiscoveryName());
    }
    if (!samePassedOver(passedOver, lastPassedOver)) {
        for (std::size_t i = 0; i < passedOver.count; ++i) {
            const PassedOverVolume& volume = passedOver.volumes[i];
            platform::supportLog("drives: passed over %s: %s%s%s%s", volume.root[0] != '\0' ? volume.root : "(no root)",
                                 reasonText(volume.reason), volume.isDevice ? " (the radio)" : "",
                                 volume.message[0] != '\0' ? ": " : "", volume.message);
        }
        lastPassedOver = passedOver;
    }
    if (found == lastFound && (found == 0 || std::strcmp(deviceRoot, lastRoot) == 0)) {
        return;
    }
    if (found != 0) {
        platform::supportLog("drives: the radio found at %s (removable, %s, serial %04X-%04X)", deviceRoot,
                             DEVICE_FILE_SYSTEM.data(), static_cast<unsigned>(DEVICE_VOLUME_SERIAL >> 16),
                             static_cast<unsigned>(DEVICE_VOLUME_SERIAL & 0xFFFF));
    } else {
        platform::supportLog("drives: no usable removable %s drive with the radio's serial", DEVICE_FILE_SYSTEM.data());
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

// One poll: the first usable device volume, every volume before it passed over.
std::int32_t findDeviceOnce() {
    deviceRoot[0] = '\0';
    passedOver.count = 0;
    platform::listVolumes(volumes, platform::MountRequest{true, DEVICE_VOLUME_SERIAL});
    forgetRootWhenGone();
    for (std::size_t i = 0; i < volumes.count; ++i) {
        const platform::VolumeDescriptor& volume = volumes.volumes[i];
        if (isUsableDevice(volume)) {
            copyText(deviceRoot, sizeof deviceRoot, volume.root);
            return 1;
        }
    }
    return 0;
}

}  // namespace

std::int32_t switchDeviceToWritable() {
    for (;;) {
        bool readOnly = false;
        if (readDeviceFlags(readOnly)) {
            if (!readOnly) {
                platform::supportLog("switch: the radio is writable at %s", deviceRoot);
                return 1;
            }
            platform::supportLog("switch: the radio at %s is read-only; reading %s asks it to switch", deviceRoot,
                                 TRIGGER_FILE_NAME);
            requestWritableMode();
            // The device drops off the bus and comes back writable; wait for it
            // to leave first, or the old read-only volume would be taken.
            platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
            while (findDevice() == 1) {
                passOver(deviceRoot, PassOverReason::StaysReadOnly, true, "");
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
