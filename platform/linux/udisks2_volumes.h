#pragma once
// The FAT volumes that UDisks2 knows, asked over the system bus with sd-bus
// (DBUS_SYSTEM_BUS_ADDRESS, when set, names another bus).

#include "platform/linux/volume_list.h"

namespace platform::linux_volumes {

// Lists every block device with a vfat file system that has a mount point,
// ordered by its object path. With mountTheRadio, a radio's volume (vfat,
// the radio's serial, on a removable drive) that is not mounted is first
// mounted through UDisks2; a volume whose mount was refused is not asked again
// until it has left the list. False when UDisks2 cannot be asked (no bus, no
// service that owns or can be started as org.freedesktop.UDisks2, no answer).
bool listUDisks2Volumes(VolumeList& volumes, bool mountTheRadio);

}  // namespace platform::linux_volumes
