#include "platform/volumes.h"

#include <windows.h>

#include <cstdio>

namespace platform {

const char* volumeDiscoveryName() { return "Windows volumes"; }

std::uint32_t presentDriveMask() { return ::GetLogicalDrives(); }

bool driveRootPath(int slot, char* root, std::size_t capacity) {
    const int length = std::snprintf(root, capacity, "%c:\\", 'A' + slot);
    return length > 0 && static_cast<std::size_t>(length) < capacity;
}

bool isRemovableDrive(const char* root) { return ::GetDriveTypeA(root) == DRIVE_REMOVABLE; }

bool readVolumeInformation(const char* root, VolumeInformation& info) {
    DWORD serial = 0;
    DWORD maximumNameLength = 0;
    DWORD flags = 0;
    info = VolumeInformation{};
    if (!::GetVolumeInformationA(root, nullptr, 0, &serial, &maximumNameLength, &flags, info.fileSystemName,
                                 sizeof info.fileSystemName)) {
        return false;
    }
    info.serialNumber = serial;
    info.readOnly = (flags & FILE_READ_ONLY_VOLUME) != 0;
    return true;
}

}  // namespace platform
