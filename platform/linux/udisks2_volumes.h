#pragma once
// The FAT volumes that UDisks2 knows, asked over the system bus with sd-bus
// (DBUS_SYSTEM_BUS_ADDRESS, when set, names another bus).

#include "platform/linux/volume_list.h"
#include "platform/volumes.h"

namespace platform::linux_volumes {

// Lists every block device with a vfat file system that has a mount point,
// ordered by its object path. With a mount request, a volume asked for (vfat,
// the serial asked for, on a removable drive) that is not mounted is first
// mounted through UDisks2. When the service refuses, the volume is listed
// without a root, with the service's message, and is asked again only when
// its medium changes (it leaves, or its Size, IdUUID or the drive's
// TimeMediaDetected differ) or 10 s after the refusal, so an authorisation
// prompt is not raised at every poll. False when UDisks2 cannot be asked (no
// bus, no service that owns or can be started as org.freedesktop.UDisks2, no
// answer).
bool listUDisks2Volumes(VolumeList& volumes, const MountRequest& mount);

// How long a refused volume is left alone while its medium stays.
constexpr int REFUSED_MOUNT_RETRY_SECONDS = 10;

// Forgets every refusal (for tests, whose cases each start a bus of their
// own where the service may get the unique name of an earlier case's).
void forgetRefusedMounts();

}  // namespace platform::linux_volumes
