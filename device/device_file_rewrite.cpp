#include "device/device_file_rewrite.h"

#include <cstring>

#include "device/device_files.h"
#include "device/device_write_guard.h"
#include "platform/files.h"

namespace device {

namespace {

// Writes, flushes and closes; the close is part of the result because a file
// system may report a failed write-back only there.
bool writeFlushClose(platform::File& file, const char* bytes, std::uint32_t length, bool cutAtLength) {
    std::uint32_t written = 0;
    if (length > 0 && (!platform::writeFile(file, bytes, length, written) || written != length)) {
        return false;
    }
    if (cutAtLength && !platform::setFileLength(file, length)) {
        return false;
    }
    if (!platform::flushFile(file)) {
        return false;
    }
    return platform::closeFile(file);
}

void putBack(const char* path, std::uint32_t newLength, const OldFileStart& old) {
    platform::File file = platform::openExistingForWriting(path);
    if (file.isOpen()) {
        writeFlushClose(file, old.bytes, old.length, old.wholeFile && newLength > old.length);
    }
}

}  // namespace

bool readDeviceFileStart(const char* path, char* bytes, std::uint32_t capacity, OldFileStart& start) {
    start = OldFileStart{bytes, 0, false};
    platform::File file = platform::openDeviceFileForReading(path);
    if (!file.isOpen()) {
        return false;
    }
    alignas(platform::DEVICE_BUFFER_ALIGNMENT) static char chunk[DEVICE_CHUNK_SIZE];
    while (start.length < capacity) {
        std::uint32_t bytesRead = 0;
        if (!platform::readFile(file, chunk, sizeof chunk, bytesRead)) {
            return false;
        }
        if (bytesRead == 0) {
            start.wholeFile = true;
            break;
        }
        const std::uint32_t room = capacity - start.length;
        const std::uint32_t count = bytesRead < room ? bytesRead : room;
        std::memcpy(bytes + start.length, chunk, count);
        start.length += count;
    }
    return true;
}

bool rewriteDeviceFile(const char* path, const char* bytes, std::uint32_t length, const OldFileStart& old) {
    // The write and any putting back finish before the program may end.
    const DeviceWriteSection section;
    if (!section.admitted()) {
        return false;
    }
    {
        platform::File file = platform::openExistingForWriting(path);
        if (!file.isOpen()) {
            return false;
        }
        if (writeFlushClose(file, bytes, length, false)) {
            return true;
        }
        // The failed handle is closed before the file is opened again: no
        // second opener is allowed while it is held.
    }
    putBack(path, length, old);
    return false;
}

}  // namespace device
