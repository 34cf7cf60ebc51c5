#pragma once
// The device's status file (its software version) and its update slot.

#include <cstdint>

#include "device/device_settings.h"

namespace device {

constexpr std::uint32_t SOFTWARE_VERSION_CAPACITY = 10;

// Written by the startup task's read; other threads read them only once
// deviceFilesRead is set (the Debug dialog reads its own copy).
extern char statusText[TEXT_FILE_CAPACITY];  // the status file's lines, each ended by CR LF
extern char deviceSoftwareVersion[SOFTWARE_VERSION_CAPACITY];
extern std::int32_t updateSupported;  // 1 when "doc\update.bin" opens for writing

// Puts the three back to their program-start values (empty, 0).
void resetStatusRecords();

// 21ms_swver<anything>:<value> sets deviceSoftwareVersion to the value as it
// stands, blanks and a trailing CR included. A value longer than 9 characters
// first loses its surrounding blanks and CR, and is then cut to 9.
void parseSoftwareVersionLine(const char* line);

// Reads the status file and probes the update slot: the second half of
// readDeviceFiles. 0 when the status file cannot be opened (nothing changes)
// or a read fails (statusText and deviceSoftwareVersion are emptied and
// updateSupported is 0).
std::int32_t readStatusFiles();

}  // namespace device
