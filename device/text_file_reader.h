#pragma once
// The chunked line reader shared by the device's text files.

#include <cstdint>

#include "platform/files.h"

namespace device {

// A line holds at most this many characters before its LF.
constexpr std::uint32_t LINE_CAPACITY = 512;

// Receives one NUL-terminated line without its LF.
using LineParser = void (*)(const char* line);

// Reads the open device file in 1024-byte chunks, splits the text at LF and
// appends every line with CR LF to collected (TEXT_FILE_CAPACITY bytes, kept
// NUL-terminated). Lines that are neither comments ("#...") nor shorter than
// 3 characters go to parseLine. With keepConfigFile, every chunk's byte count
// is added to configFileSize and the file's first CONFIG_BYTES_CAPACITY bytes
// are kept in configFileBytes.
//
// A chunk's text ends at its first NUL byte. A line cut by a chunk boundary
// continues in the next chunk; a last line without LF still counts as a line.
// A line longer than 511 characters is kept cut in collected but not parsed,
// since a cut setting would be a wrong one.
//
// True when the file was read to its end. False when a read failed: what was
// collected and parsed up to then is only part of the file, and the unfinished
// last line is dropped rather than parsed.
bool readDeviceTextFile(platform::File& file, char* collected, LineParser parseLine, bool keepConfigFile);

}  // namespace device
