#pragma once
// Volumes group of the platform layer: the computer's volumes as plain
// descriptors, each saying what it is and, when it cannot be used, why. Each
// operating system fills them its own way; the device layer decides which one
// is the device.

#include <cstddef>
#include <cstdint>

namespace platform {

// Where the list of volumes comes from, for the program's version and Debug
// texts: "Windows volumes" on Windows; on Linux "UDisks2" while the UDisks2
// service answers on the system bus, else "kernel mount table". On Linux this
// asks the bus, so it may take a moment.
const char* volumeDiscoveryName();

// A drive letter's root needs 4 bytes; a Linux mount point is put by the
// desktop under the user's name and the volume's label, so room is made for
// any a desktop makes.
constexpr std::size_t VOLUME_ROOT_CAPACITY = 512;
// The system's own message for a volume that cannot be used, cut to fit.
constexpr std::size_t VOLUME_MESSAGE_CAPACITY = 256;
// File system names as Windows gives them ("FAT32", "FAT", "NTFS"), cut to 9.
constexpr std::size_t VOLUME_FILE_SYSTEM_CAPACITY = 10;
// Windows has 26 letters; a Linux computer with more volumes than this has
// the rest left out of a listing.
constexpr std::size_t VOLUME_LIST_CAPACITY = 32;

// Why the system could not give a volume to the program.
enum class VolumeFault : std::uint8_t {
    None,
    NotMounted,  // the system refused to mount it (message: the system's reason)
    Unreadable,  // it is there but its file system could not be read (message: the system's reason)
};

struct VolumeDescriptor {
    // The root path: "E:\" on Windows, the mount point with a trailing '/' on
    // Linux; empty when the volume has none (not mounted).
    char root[VOLUME_ROOT_CAPACITY];
    bool removable;
    // Known only when the volume could be read, or its serial is otherwise
    // known to the system (on Linux from the service, even when not mounted).
    bool serialKnown;
    std::uint32_t serialNumber;
    char fileSystem[VOLUME_FILE_SYSTEM_CAPACITY];  // "FAT32", or "FAT" for FAT12 and FAT16; "" unknown
    bool readOnly;
    VolumeFault fault;
    char message[VOLUME_MESSAGE_CAPACITY];  // "" with VolumeFault::None
};

struct VolumeList {
    VolumeDescriptor volumes[VOLUME_LIST_CAPACITY];
    std::size_t count;
};
static_assert(sizeof(VolumeDescriptor) < 1024, "a descriptor stays small enough to list 32 of them in a record");

// What a listing may do beyond looking: a FAT volume with this serial on a
// removable drive that nobody has mounted is mounted first, where the
// platform mounts volumes itself (Linux, through UDisks2). Other volumes are
// left as they are.
struct MountRequest {
    bool wanted;
    std::uint32_t serialNumber;
};
constexpr MountRequest MOUNT_NOTHING{false, 0};

// Fills list with the volumes present now, in the platform's order (drive
// letters on Windows, object paths or the mount table's order on Linux).
// Never fails: a computer whose volumes cannot be asked has an empty list.
void listVolumes(VolumeList& list, MountRequest mount);

}  // namespace platform
