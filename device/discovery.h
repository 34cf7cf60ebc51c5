#pragma once
// Finding the device's drive and switching the device into its writable mode.

#include <cstdint>
#include <string_view>

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
// radio unfound for good, so room is made for any mount point a desktop makes.
constexpr std::uint32_t DEVICE_ROOT_CAPACITY = 512;
// Root of the device's drive ("E:\" on Windows); valid after findDevice returned 1.
// Written by the startup task while it polls and switches; other threads read
// it only once deviceFilesRead is set.
extern char deviceRoot[DEVICE_ROOT_CAPACITY];

// Empties deviceRoot (program start; for tests).
void resetDiscovery();

// 1 when a removable FAT32 volume with the device's serial is present (the
// lowest drive slot wins; deviceRoot then names it), else 0.
std::int32_t findDevice();

// Tells the support log what the poll that just ended saw, when it differs
// from the poll before: found (and where) or not found, and, on the first
// poll, where the list of drives comes from. findDevice calls it at its end.
void logDiscoveryChange(std::int32_t found);

// Makes a read-only device writable and waits until it is back; returns 1.
std::int32_t switchDeviceToWritable();

}  // namespace device
