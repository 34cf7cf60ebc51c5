#pragma once
// Reading the device: the configuration file into deviceSettings, then the
// status file and the update slot.

#include <atomic>
#include <cstdint>

namespace device {

// 1 when the configuration and the status file were read, 0 when either could
// not be opened or a read failed. A missing configuration file changes
// nothing. A read error puts the records of the file being read back to their
// program-start values (resetDeviceSettings, or the status records), so no
// half-read file is left looking valid; a file read whole before it keeps its
// records, as when the next one cannot be opened.
std::int32_t readDeviceFiles();

// True once readDeviceFiles succeeded in this run. From then on deviceRoot and
// the records the read filled stay as read (only a save changes the settings),
// so any thread may read them. Set by the startup task; read by any thread.
extern std::atomic<bool> deviceFilesRead;

// Forgets that the device was read (program start; for tests).
void resetDeviceFilesRead();

// Tries every key of the configuration file on one line.
void parseConfigLine(const char* line);

}  // namespace device
