// Drive discovery on Linux is not built yet: no drive is ever present, so the
// native program only finds a device through the test substitute.

#include "platform/volumes.h"

namespace platform {

std::uint32_t presentDriveMask() { return 0; }

bool driveRootPath(int, char* root, std::size_t capacity) {
    if (capacity > 0) {
        root[0] = '\0';
    }
    return false;
}

bool isRemovableDrive(const char*) { return false; }

bool readVolumeInformation(const char*, VolumeInformation&) { return false; }

}  // namespace platform
