#pragma once
// An accepted firmware update: download the channel's image into a new
// temporary file while computing its digest, verify it against the server's
// checksum file, and copy image and checksum onto the device.
// One update at a time: the three share the process-wide digest state,
// tempImagePath and md5Text.

#include <cstddef>
#include <cstdint>

#include "update/md5.h"
#include "update/transfer_progress.h"

namespace update {

constexpr std::size_t LOCAL_PATH_CAPACITY = 1024;
constexpr std::uint32_t MD5_TEXT_CAPACITY = 512;
constexpr char16_t IMAGE_FILE[] = u"Ondavox_update.bvn";
constexpr char16_t CHECKSUM_FILE[] = u"Ondavox_update.md5";
constexpr char TEMP_FILE_PREFIX[] = "KQUI";
// The image goes onto the device in blocks of this size. A removable drive
// that writes through (no write cache) makes each write its own trip to the
// flash, so small blocks would make the install crawl; 1 MiB reaches the
// drive's own speed (docs/update.md has the measurements).
constexpr std::uint32_t IMAGE_COPY_BLOCK = 1024 * 1024;

// Written and read by the update task only (one update at a time).
// The temporary file of the latest download; it is never deleted.
extern char tempImagePath[LOCAL_PATH_CAPACITY];
// The latest checksum download, exactly the bytes received: md5TextLength of
// them, not terminated when the file filled all 512 bytes.
extern char md5Text[MD5_TEXT_CAPACITY];
extern std::uint32_t md5TextLength;
// The bytes of the latest download that were written to tempImagePath.
extern std::uint64_t tempImageLength;

// Resets the digest, makes a new temporary file and downloads the folder's
// image into it. 1 when at least one byte arrived, else 0. progress hears the
// bytes written so far against the server's announced length (0: none).
std::int32_t downloadImage(const char16_t* folder, const ProgressSink& progress = {});

// Completes the image's digest, fetches the folder's checksum file and
// returns 1 when it begins with exactly the digest's 32 hex digits (either
// case) not followed by a further pair of hex digits, else 0. Once per
// download: completing the digest wipes it.
std::int32_t verifyImage(const char16_t* folder);

// True when the received checksum text (length bytes, up to a NUL among them)
// begins with exactly the digest's 32 hex digits (either case) not followed by
// a further pair of hex digits: the check verifyImage makes.
bool checksumTextMatches(const Md5Digest& digest, const char* received, std::uint32_t length);

// Writes the image into the device's existing update slot from its first
// byte, then the checksum text, LF and the image's length into the device's
// existing checksum file. Neither file is ever created. 1 when both were
// written in full and have reached the device (flushed and closed without
// error), else 0. A failed image copy leaves the checksum file untouched; a
// failed write of the checksum record puts its old bytes and length back.
// Writes nothing, and answers 0, unless the device was read in this run and
// offered an update slot, or once the program is ending; the program's end
// waits for an install under way. progress hears the image's bytes copied so
// far against the downloaded length (0 when no download of this run wrote
// any), after each block.
std::int32_t installImage(const ProgressSink& progress = {});

// Forgets the latest download and checksum (program start; for tests).
void resetImageUpdate();

}  // namespace update
