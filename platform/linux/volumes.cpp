// The computer's volumes on Linux: FAT volumes as UDisks2 on the system bus
// lists them when it answers (and mounts the radio's when nobody has);
// otherwise as the kernel's mount table shows them. A root is the mount
// point with a trailing '/'.

#include "platform/volumes.h"

#include <cstdio>

#include "platform/linux/kernel_mount_table.h"
#include "platform/linux/udisks2_volumes.h"

namespace platform {

namespace {

using linux_volumes::Volume;

constexpr char UDISKS2_NAME[] = "UDisks2";
constexpr char KERNEL_TABLE_NAME[] = "kernel mount table";
constexpr char SERIAL_UNREADABLE[] = "its serial could be read neither from its boot sector nor from its file system";

// The volumes from UDisks2, or from the kernel where UDisks2 does not answer;
// returns the name of the source used.
const char* listFrom(linux_volumes::VolumeList& volumes, const MountRequest& mount) {
    if (linux_volumes::listUDisks2Volumes(volumes, mount)) {
        return UDISKS2_NAME;
    }
    linux_volumes::listKernelVolumes(volumes);
    return KERNEL_TABLE_NAME;
}

// False for a root too long for a descriptor: such a volume is left out, as
// a root the device layer could not hold.
bool describe(const Volume& from, VolumeDescriptor& volume) {
    volume = VolumeDescriptor{};
    if (from.root.size() >= sizeof volume.root) {
        return false;
    }
    std::snprintf(volume.root, sizeof volume.root, "%s", from.root.c_str());
    volume.removable = from.removable;
    if (from.mountRefused) {
        volume.serialKnown = true;
        volume.serialNumber = from.serialNumber;
        volume.fault = VolumeFault::NotMounted;
        std::snprintf(volume.message, sizeof volume.message, "%s", from.message.c_str());
        return true;
    }
    if (!from.readable) {
        volume.fault = VolumeFault::Unreadable;
        std::snprintf(volume.message, sizeof volume.message, "%s",
                      from.message.empty() ? SERIAL_UNREADABLE : from.message.c_str());
        return true;
    }
    volume.serialKnown = true;
    volume.serialNumber = from.serialNumber;
    std::snprintf(volume.fileSystem, sizeof volume.fileSystem, "%s", from.fileSystemName);
    volume.readOnly = from.readOnly;
    return true;
}

}  // namespace

const char* volumeDiscoveryName() {
    linux_volumes::VolumeList volumes;
    return listFrom(volumes, MOUNT_NOTHING);
}

void listVolumes(VolumeList& list, MountRequest mount) {
    linux_volumes::VolumeList volumes;
    listFrom(volumes, mount);
    list.count = 0;
    for (const Volume& volume : volumes) {
        if (list.count == VOLUME_LIST_CAPACITY) {
            break;
        }
        if (describe(volume, list.volumes[list.count])) {
            ++list.count;
        }
    }
}

}  // namespace platform
