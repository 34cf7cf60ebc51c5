#pragma once
// Finding the device's drive and switching the device into its writable mode.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/volumes.h"

namespace device {

// The device volume's fixed serial number: how it is told apart from other drives.
constexpr std::uint32_t DEVICE_VOLUME_SERIAL = 0xECE22CF8;
constexpr std::string_view DEVICE_FILE_SYSTEM = "FAT32";

// Shown as the configuration text while the device refuses to leave after the trigger.
constexpr char SWITCH_FAILED_TEXT[] = "Unable to switch, trigger time exceeded";
static_assert(sizeof(SWITCH_FAILED_TEXT) - 1 == 39);

// Reading this file in the volume's root asks a read-only device to come back writable.
constexpr char TRIGGER_FILE_NAME[] = "start.html";
constexpr int TRIGGER_READ_COUNT = 20;

// Every wait for the device polls at this interval.
constexpr std::uint32_t POLL_INTERVAL_MILLISECONDS = 1000;

// A drive letter's root needs 4 bytes, but on Linux the root is the volume's
// mount point, which a desktop puts under the user's name and the volume's
// label ("/media/<user>/<label>/"): a root that did not fit would leave the
// radio unfound for good, so room is made for any root the platform gives.
constexpr std::uint32_t DEVICE_ROOT_CAPACITY = platform::VOLUME_ROOT_CAPACITY;
// Root of the device's drive ("E:\" on Windows); valid after findDevice returned 1.
// Written by the startup task while it polls and switches; other threads read
// it only once deviceFilesRead is set.
extern char deviceRoot[DEVICE_ROOT_CAPACITY];

// Why a volume looked at was not taken for the device.
enum class PassOverReason : std::uint8_t {
    NotRemovable,
    NotFat32,
    OtherSerial,
    NotMounted,      // the system refused to mount it
    Unreadable,      // the system could not read it
    StaysReadOnly,   // the device stayed read-only after it was asked to switch
};

struct PassedOverVolume {
    char root[platform::VOLUME_ROOT_CAPACITY];  // empty for a volume without one (not mounted)
    PassOverReason reason;
    // The volume carries the device's serial, or was seen with it at this
    // root in an earlier poll and is unreadable now: it is the device, but
    // it cannot be used.
    bool isDevice;
    char message[platform::VOLUME_MESSAGE_CAPACITY];  // the system's reason, when it gave one
};

// The volumes the latest findDevice looked at and passed over, in the
// platform's order. Written by the startup task's thread (findDevice and the
// switch), read by that thread only.
struct PassedOverVolumes {
    PassedOverVolume volumes[platform::VOLUME_LIST_CAPACITY];
    std::size_t count;
};
extern PassedOverVolumes passedOver;

// The device's volume among passedOver, when it was seen but cannot be used;
// nullptr otherwise.
const PassedOverVolume* unusableDeviceVolume();

// Empties deviceRoot and passedOver and forgets the roots seen (program
// start; for tests).
void resetDiscovery();

// 1 when a removable FAT32 volume with the device's serial is present (the
// first in the platform's order wins; deviceRoot then names it), else 0.
// Asks the platform to mount the device's volume when nobody has. Every
// volume looked at before the device, or all of them when it is not there,
// lands in passedOver with its reason.
std::int32_t findDevice();

// Whether a listed volume is the device's and can be used: readable,
// removable, FAT32, the serial. Looks at nothing else and records nothing.
bool isDeviceVolume(const platform::VolumeDescriptor& volume);

// Asks the read-only device at deviceRoot to come back writable (reads its
// trigger file); the device then leaves and comes back, perhaps elsewhere.
void requestWritableMode();

// Tells the support log what the poll that just ended saw, when it differs
// from the poll before: found (and where) or not found, and, on the first
// poll, where the list of drives comes from. findDevice calls it at its end.
void logDiscoveryChange(std::int32_t found);

// Makes a read-only device writable and waits until it is back; returns 1.
// While the device stays read-only after the request, passedOver holds it
// with StaysReadOnly.
std::int32_t switchDeviceToWritable();

}  // namespace device
