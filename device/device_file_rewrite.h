#pragma once
// Rewriting a device file in place so that a failure never leaves it torn:
// the new bytes count as written only once they have reached the device, and
// any failure puts the old bytes back.

#include <cstdint>

namespace device {

// The first bytes of a device file as they were before a rewrite.
struct OldFileStart {
    const char* bytes = nullptr;
    std::uint32_t length = 0;
    bool wholeFile = false;  // length is the file's whole length
};

// Reads the first capacity bytes of the device file at path (less when it is
// shorter). False when it cannot be opened or a read fails.
bool readDeviceFileStart(const char* path, char* bytes, std::uint32_t capacity, OldFileStart& start);

// Writes length bytes over the existing file at path from its first byte,
// flushes and closes it. True only when every step succeeded. On any failure
// after the file was opened, it is reopened and gets old.bytes back from its
// first byte, and its old length when the new bytes made it longer, then is
// flushed and closed again. Never creates the file; the result is false
// whether or not the putting back succeeded. The whole rewrite is one device
// write section: once the program is ending it touches nothing and fails.
bool rewriteDeviceFile(const char* path, const char* bytes, std::uint32_t length, const OldFileStart& old);

}  // namespace device
