#include "device/discovery.h"

#include <cstdio>
#include <cstring>

#include "device/device_files.h"
#include "device/device_settings.h"
#include "platform/files.h"
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
}

std::int32_t findDevice() {
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

std::int32_t switchDeviceToWritable() {
    for (;;) {
        bool readOnly = false;
        if (readDeviceFlags(readOnly)) {
            if (!readOnly) {
                return 1;
            }
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
            return 1;
        }
        // The volume vanished between finding it and asking for its flags:
        // wait until it is back, then look at its flags again.
        platform::sleepMilliseconds(POLL_INTERVAL_MILLISECONDS);
        waitUntilDeviceIsBack();
    }
}

}  // namespace device
