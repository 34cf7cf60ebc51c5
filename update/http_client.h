#pragma once
// The one routine that talks to the update server: a single plain-HTTP GET
// of folder + fileName on port 80, the body delivered into memory or into a
// new local file.

#include "update/http_transfer.h"
#include "update/transfer_progress.h"

#include <cstddef>
#include <cstdint>

namespace update {

constexpr char16_t USER_AGENT[] = u"Brelvan Ondavox Utility/1.0";
constexpr std::uint16_t UPDATE_SERVER_PORT = 80;
// Wide characters of the request path, terminator included.
constexpr std::size_t REQUEST_PATH_CAPACITY = 512;

// The update server's host name, chosen when the program is built.
extern const char16_t* const UPDATE_SERVER_HOST;

// Fetches folder followed by fileName (wide texts).
//
// Memory mode (toFile false): destination is a byte buffer of capacity bytes;
// at most capacity body bytes are stored from its first byte on, and nothing
// after the last received byte is written (no terminator).
//
// File mode (toFile true): destination is a local file path; the file is
// created anew (an existing one is emptied first) and capacity is unused.
// Every byte that was written is fed to md5Update in arrival order; the
// caller resets the digest before and completes it after. After each write
// progress hears the bytes written so far and the announced length (0 when
// the server announced none). A body longer than
// FILE_MODE_LIMIT is not wanted: the transfer stops there, the file is
// emptied again and the result is 0.
//
// Returns -1 when the file cannot be created or the request cannot be
// started, otherwise the number of body bytes received (0 included; a
// received byte that could not be written still counts). The HTTP status is
// not examined: an error page is delivered as the content.
std::int32_t httpGet(const char16_t* folder, const char16_t* fileName, std::uint32_t capacity, void* destination,
                     bool toFile, const ProgressSink& progress = {});

// For tests only: file-mode downloads from now on stop at bytes instead of
// FILE_MODE_LIMIT, so an endless body is found out quickly; 0 returns to
// FILE_MODE_LIMIT. The product never calls it.
void setFileModeLimitForTests(std::uint64_t bytes);

}  // namespace update
