// Temporary files on Linux with the contract of the Windows calls: the
// folder comes from TMPDIR or is /tmp, and names are the prefix's first three
// characters, four hex digits and ".tmp", created new and empty.

#include "platform/temp_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {

std::uint32_t getTempFolder(char* buffer, std::uint32_t capacity) {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] == '\0') {
        folder = "/tmp";
    }
    const std::size_t length = std::strlen(folder);
    const bool needsSeparator = folder[length - 1] != '/';
    const std::size_t total = length + (needsSeparator ? 1 : 0);
    if (total + 1 > capacity) {
        // Like the Windows call: the size the buffer would need.
        return static_cast<std::uint32_t>(total + 1);
    }
    std::memcpy(buffer, folder, length);
    if (needsSeparator) {
        buffer[length] = '/';
    }
    buffer[total] = '\0';
    return static_cast<std::uint32_t>(total);
}

std::uint32_t createTempFile(const char* folder, const char* prefix, char* buffer) {
    char shortPrefix[4] = {};
    std::strncpy(shortPrefix, prefix, 3);

    // Start from a number that differs between processes, then take the next
    // free one, as the Windows call does.
    static std::atomic<unsigned> counter{static_cast<unsigned>(::getpid()) ^ static_cast<unsigned>(std::time(nullptr))};
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        const unsigned unique = (counter++ & 0xFFFFu);
        if (unique == 0) {
            continue;
        }
        const int length = std::snprintf(buffer, TEMP_PATH_CAPACITY, "%s%s%04X.tmp", folder, shortPrefix, unique);
        if (length < 0 || static_cast<std::uint32_t>(length) >= TEMP_PATH_CAPACITY) {
            buffer[0] = '\0';
            return 0;
        }
        const int fd = ::open(buffer, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return unique;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    buffer[0] = '\0';
    return 0;
}

}  // namespace platform
