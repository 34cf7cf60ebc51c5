// Temporary files on Windows: the kernel's temporary folder and unique names.

#include "platform/temp_files.h"

#include <windows.h>

namespace platform {

std::uint32_t getTempFolder(char* buffer, std::uint32_t capacity) { return ::GetTempPathA(capacity, buffer); }

std::uint32_t createTempFile(const char* folder, const char* prefix, char* buffer) {
    // Unique number 0: the system picks a free name and creates the file.
    return ::GetTempFileNameA(folder, prefix, 0, buffer);
}

}  // namespace platform
