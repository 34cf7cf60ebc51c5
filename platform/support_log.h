#pragma once
// Support log group of the platform layer: one text file per run in the
// user's own state folder, telling what the program saw and did, for a user
// to send to support. Lines go straight to the file, so a run that ends
// abruptly keeps what it wrote. The log is a side line: every call here
// returns normally whether or not the log could be written, and none of them
// reports a failure to its caller's workflow.
//
// Nothing secret is ever passed in: no PIN, no password, no credentials. Texts
// that may hold credentials (a proxy's address) go through proxyHostAndPort.

#include <cstdint>

#if defined(__GNUC__) && !defined(_WIN32)
#define ONDAVOX_LOG_FORMAT(index, first) __attribute__((format(printf, index, first)))
#else
#define ONDAVOX_LOG_FORMAT(index, first)
#endif

namespace platform {

// The folder keeps this run's file and those of the runs before it, the
// oldest removed first.
constexpr std::uint32_t SUPPORT_LOG_RUNS_KEPT = 10;
// No file grows beyond this; once it would, later lines are left out except
// the run's last one.
constexpr std::uint32_t SUPPORT_LOG_FILE_LIMIT = 256 * 1024;
// One line, its time stamp and line end included; longer ones are cut.
constexpr std::uint32_t SUPPORT_LOG_LINE_CAPACITY = 512;
constexpr std::uint32_t SUPPORT_LOG_PATH_CAPACITY = 1024;

// Opens this run's file in the log folder (made when missing), after removing
// the oldest files so that with this one at most SUPPORT_LOG_RUNS_KEPT remain,
// and writes the opening lines: the time, programLine (name, version and
// build) and the operating system. False when no log can be written; the run
// goes on without one. A second call while open does nothing.
bool openSupportLog(const char* programLine);

// Appends one line, printf-formatted, after the seconds since the log was
// opened. Control characters become '?', so a line stays one line. Dropped
// while no log is open and once the file is full.
void supportLog(const char* format, ...) ONDAVOX_LOG_FORMAT(1, 2);

// Writes the run's last line (it has room even in a full file) and closes the
// file. Nothing happens when no log is open.
void closeSupportLog(const char* lastLine);

// The log folder's path with its trailing separator: Linux
// $XDG_STATE_HOME/ondavox-utility/ (by default ~/.local/state/ondavox-utility/),
// Windows %LOCALAPPDATA%\Ondavox Utility\logs\. 0 when it is unknown or does
// not fit capacity; else its length.
std::uint32_t supportLogFolder(char* buffer, std::uint32_t capacity);

// The file this run writes, or "" while none is open.
const char* supportLogPath();

// Whether lines are being written: a line that is costly to make (one that
// asks the system) is made only then.
bool supportLogIsOpen();

// Writes the host and port of a proxy's address into buffer: the scheme, any
// credentials ("user:password@") and any path are left out. "" for an empty
// address.
void proxyHostAndPort(const char* address, char* buffer, std::uint32_t capacity);

}  // namespace platform
