#pragma once
// Temporary files group of the platform layer: the user's temporary folder
// and new files with unique names in it.

#include <cstdint>

namespace platform {

constexpr std::uint32_t TEMP_PATH_CAPACITY = 260;

// Writes the temporary folder's path, with its trailing separator, into
// buffer. Returns the path's length; 0 on failure; a value above capacity when
// the buffer is too small (nothing usable is written then).
std::uint32_t getTempFolder(char* buffer, std::uint32_t capacity);

// Creates a new, empty file with a unique name in folder, the name made of
// the first three characters of prefix and a unique part, and writes its
// full path into buffer (TEMP_PATH_CAPACITY bytes). Returns 0 on failure.
std::uint32_t createTempFile(const char* folder, const char* prefix, char* buffer);

}  // namespace platform
