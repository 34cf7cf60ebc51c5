// Files on Linux: POSIX calls with the contract of the Windows ones. Paths
// written with backslashes (device paths are formed the Windows way) are
// taken with slashes.

#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr std::size_t PATH_CAPACITY = 1024;

bool toHostPath(const char* path, char (&hostPath)[PATH_CAPACITY]) {
    const std::size_t length = std::strlen(path);
    if (length >= PATH_CAPACITY) {
        return false;
    }
    for (std::size_t i = 0; i <= length; ++i) {
        hostPath[i] = path[i] == '\\' ? '/' : path[i];
    }
    return true;
}

// Opens the file and takes an exclusive lock, the nearest POSIX has to
// opening without sharing: a second opener of this kind is refused.
File openLocked(const char* path, int flags, mode_t mode = 0) {
    char hostPath[PATH_CAPACITY];
    if (!toHostPath(path, hostPath)) {
        return File{};
    }
    int fd = ::open(hostPath, flags | O_CLOEXEC, mode);
    if (fd < 0 && (flags & O_DIRECT) != 0 && errno == EINVAL) {
        // The file system cannot read directly; drop its cached pages instead.
        fd = ::open(hostPath, (flags & ~O_DIRECT) | O_CLOEXEC, mode);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        }
    }
    if (fd < 0) {
        return File{};
    }
    File file{fd};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return File{};
    }
    return file;
}

}  // namespace

bool closeFile(File& file) {
    if (!file.isOpen()) {
        return true;
    }
    // Linux releases the descriptor even when close reports an error, so it
    // is never retried.
    return ::close(static_cast<int>(file.release())) == 0;
}

File openDeviceFileForReading(const char* path) {
    File file = openLocked(path, O_RDONLY | O_DIRECT);
    if (file.isOpen()) {
        ::posix_fadvise(static_cast<int>(file.native()), 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    return file;
}

File openExistingForReading(const char* path) { return openLocked(path, O_RDONLY); }

File openExistingForWriting(const char* path) { return openLocked(path, O_WRONLY); }

File createEmptyForWriting(const char* path) {
    // Truncate only once the lock is held, so a file in use is left alone,
    // and only a file that has content: truncating even an empty file makes
    // ext4 start writing the new content out when it is closed, and closing
    // a fresh temporary file after a large download then waits for that.
    File file = openLocked(path, O_WRONLY | O_CREAT, 0644);
    if (!file.isOpen()) {
        return file;
    }
    struct stat status {};
    const int fd = static_cast<int>(file.native());
    if (::fstat(fd, &status) != 0 || (status.st_size != 0 && ::ftruncate(fd, 0) != 0)) {
        return File{};
    }
    return file;
}

bool readFile(File& file, void* buffer, std::uint32_t capacity, std::uint32_t& bytesRead) {
    bytesRead = 0;
    const int fd = static_cast<int>(file.native());
    for (;;) {
        const ssize_t n = ::read(fd, buffer, capacity);
        if (n >= 0) {
            bytesRead = static_cast<std::uint32_t>(n);
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        const int flags = ::fcntl(fd, F_GETFL);
        if (errno == EINVAL && flags != -1 && (flags & O_DIRECT) != 0) {
            // The medium wants larger direct reads than this one: fall back to
            // cached reads of freshly dropped pages.
            ::fcntl(fd, F_SETFL, flags & ~O_DIRECT);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            continue;
        }
        return false;
    }
}

bool writeFile(File& file, const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    const char* cursor = static_cast<const char*>(data);
    while (bytesWritten < length) {
        const ssize_t n = ::write(static_cast<int>(file.native()), cursor + bytesWritten, length - bytesWritten);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytesWritten += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool flushFile(File& file) {
    for (;;) {
        if (::fsync(static_cast<int>(file.native())) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool setFileLength(File& file, std::uint64_t length) {
    if (length > static_cast<std::uint64_t>(INT64_MAX)) {
        return false;
    }
    for (;;) {
        if (::ftruncate(static_cast<int>(file.native()), static_cast<off_t>(length)) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

}  // namespace platform
