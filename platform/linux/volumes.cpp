// The computer's drives on Linux: mounted FAT volumes in drive slots. UDisks2
// on the system bus lists them when it answers (and mounts the radio's when
// nobody has); otherwise the kernel's mount table does. Slot n is the n-th
// volume of the latest presentDriveMask, its root the mount point with a
// trailing '/'. isRemovableDrive and readVolumeInformation ask afresh, so a
// volume that has left since answers as gone.

#include "platform/volumes.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/kernel_mount_table.h"
#include "platform/linux/udisks2_volumes.h"

namespace platform {

namespace {

using linux_volumes::Volume;
using linux_volumes::VolumeList;

constexpr char UDISKS2_NAME[] = "UDisks2";
constexpr char KERNEL_TABLE_NAME[] = "kernel mount table";

// The slots' roots as the latest presentDriveMask found them: written by the
// thread that polls for the device, read by driveRootPath.
std::mutex slotLock;
std::vector<std::string> slotRoots;

// The volumes from UDisks2, or from the kernel where UDisks2 does not answer;
// returns the name of the source used.
const char* listVolumes(VolumeList& volumes, bool mountTheRadio) {
    if (linux_volumes::listUDisks2Volumes(volumes, mountTheRadio)) {
        return UDISKS2_NAME;
    }
    linux_volumes::listKernelVolumes(volumes);
    return KERNEL_TABLE_NAME;
}

bool findVolume(const char* root, Volume& found) {
    VolumeList volumes;
    listVolumes(volumes, false);
    for (const Volume& volume : volumes) {
        if (volume.root == root) {
            found = volume;
            return true;
        }
    }
    return false;
}

}  // namespace

const char* volumeDiscoveryName() {
    VolumeList volumes;
    return listVolumes(volumes, false);
}

std::uint32_t presentDriveMask() {
    VolumeList volumes;
    listVolumes(volumes, true);
    std::lock_guard<std::mutex> guard(slotLock);
    slotRoots.clear();
    for (const Volume& volume : volumes) {
        if (slotRoots.size() == DRIVE_SLOT_COUNT) {
            break;
        }
        slotRoots.push_back(volume.root);
    }
    const std::size_t count = slotRoots.size();
    return count == DRIVE_SLOT_COUNT ? ~std::uint32_t{0} : (std::uint32_t{1} << count) - 1;
}

bool driveRootPath(int slot, char* root, std::size_t capacity) {
    std::lock_guard<std::mutex> guard(slotLock);
    if (capacity > 0) {
        root[0] = '\0';
    }
    if (slot < 0 || static_cast<std::size_t>(slot) >= slotRoots.size()) {
        return false;
    }
    const std::string& text = slotRoots[static_cast<std::size_t>(slot)];
    if (text.size() >= capacity) {
        return false;
    }
    std::memcpy(root, text.c_str(), text.size() + 1);
    return true;
}

bool isRemovableDrive(const char* root) {
    Volume volume;
    return findVolume(root, volume) && volume.removable;
}

bool readVolumeInformation(const char* root, VolumeInformation& info) {
    info = VolumeInformation{};
    Volume volume;
    if (!findVolume(root, volume) || !volume.readable) {
        return false;
    }
    info.serialNumber = volume.serialNumber;
    std::snprintf(info.fileSystemName, sizeof info.fileSystemName, "%s", volume.fileSystemName);
    info.readOnly = volume.readOnly;
    return true;
}

}  // namespace platform
