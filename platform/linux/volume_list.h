#pragma once
// The FAT volumes as one source of the Linux volumes group (UDisks2 or the
// kernel's mount table) reports them, before they become descriptors.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::linux_volumes {

struct Volume {
    std::string root;  // the mount point with a trailing '/'; empty when not mounted
    bool removable = false;
    // False when the volume's serial could not be read; the volume then
    // answers like a Windows drive without a medium.
    bool readable = false;
    // The system refused to mount it (readable stays false; the serial is
    // known from the service), with the system's message.
    bool mountRefused = false;
    std::string message;
    std::uint32_t serialNumber = 0;
    const char* fileSystemName = "";  // "FAT32", or "FAT" for FAT12 and FAT16, as Windows names them
    bool readOnly = false;
};

using VolumeList = std::vector<Volume>;

inline std::string rootOfMountPoint(const std::string& mountPoint) {
    return !mountPoint.empty() && mountPoint.back() == '/' ? mountPoint : mountPoint + "/";
}

}  // namespace platform::linux_volumes
