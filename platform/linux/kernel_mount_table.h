#pragma once
// The FAT volumes as the kernel reports them, for a computer without UDisks2:
// the vfat mounts of /proc/self/mountinfo, each volume's serial from its boot
// sector, removable from sysfs, read-only from the mount's options.

#include "platform/linux/volume_list.h"

namespace platform::linux_volumes {

// Lists every vfat mount that shows its volume's root and whose block device
// is still there, in the mount table's order.
void listKernelVolumes(VolumeList& volumes);

// Test seam: the mount table and the sysfs folder to read instead of
// /proc/self/mountinfo and /sys (nullptr: the real one). The program never
// calls it.
void setKernelTablePaths(const char* mountInfo, const char* sysfsRoot);

}  // namespace platform::linux_volumes
