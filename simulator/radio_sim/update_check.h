#pragma once
// How the simulated radio judges an installed update: the image in its slot
// against the record written beside it.

#include <string>

namespace simulator {

struct UpdateVerdict {
    bool accepted = false;
    std::string detail;  // what was found, or why the update is refused
};

// The record holds the server's checksum text, LF, and the image's length in
// decimal; it may be followed by NUL bytes or by what was in the file before.
// The image is the first <length> bytes of the slot; bytes after them are
// left over from an older, longer image. The update is accepted when the
// record's leading 32 hex digits (either case) are the MD5 digest of those
// bytes.
UpdateVerdict checkInstalledUpdate(const std::string& imagePath, const std::string& recordPath);

}  // namespace simulator
