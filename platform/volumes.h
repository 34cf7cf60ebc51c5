#pragma once
// Volumes group of the platform layer: the computer's drives as the device
// discovery sees them.

#include <cstddef>
#include <cstdint>

namespace platform {

// Where the list of drives comes from, for the program's version and Debug
// texts: "Windows volumes" on Windows; on Linux "UDisks2" while the UDisks2
// service answers on the system bus, else "kernel mount table". On Linux this
// asks the bus, so it may take a moment.
const char* volumeDiscoveryName();

// Drive slots are numbered from 0 (drive letter A) to 31.
constexpr int DRIVE_SLOT_COUNT = 32;

// Mask of present drive slots, bit n for slot n; 0 on failure.
std::uint32_t presentDriveMask();

// Writes the root path of slot n (on Windows the letter, a colon and a
// backslash; on Linux the mount point with a trailing slash) into root,
// NUL-terminated. False when it does not fit.
bool driveRootPath(int slot, char* root, std::size_t capacity);

bool isRemovableDrive(const char* root);

struct VolumeInformation {
    std::uint32_t serialNumber = 0;
    char fileSystemName[10] = {};  // cut to 9 characters
    bool readOnly = false;
};

// False when the volume cannot be read (for example a drive without a medium).
bool readVolumeInformation(const char* root, VolumeInformation& info);

}  // namespace platform
