#pragma once
// Reading the device: the configuration file into deviceSettings, then the
// status file and the update slot.

#include <cstdint>

namespace device {

// 1 when the configuration and the status file were read, 0 when either could
// not be opened. A missing configuration file changes nothing.
std::int32_t readDeviceFiles();

// Tries every key of the configuration file on one line.
void parseConfigLine(const char* line);

}  // namespace device
