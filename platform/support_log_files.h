#pragma once
// What the support log needs from each operating system, implemented in
// linux/support_log_files.cpp and win32/support_log_files.cpp. Used only by
// platform/support_log.cpp; the core sees platform/support_log.h alone.

#include <cstddef>
#include <cstdint>

namespace platform::logfiles {

// Writes the log folder's path, with its trailing separator, into buffer as
// snprintf does and returns what snprintf returned; -1 when the system names
// no such folder. platform/support_log.cpp keeps it only when it fits.
int writeLogFolder(char* buffer, std::uint32_t capacity);

// How many characters at the start of a path of length characters name a
// root that is there already; the folders to make start after it.
std::size_t rootLength(const char* path, std::size_t length);
bool isSeparator(char c);
// Makes one folder; true when it is made or was there already.
bool makeFolder(const char* path);
bool isFolder(const char* path);

// Calls visit with the name of each file in folder whose name starts with
// prefix and ends with suffix.
void forEachFile(const char* folder, const char* prefix, const char* suffix,
                 void (*visit)(const char* name, void* context), void* context);

bool removeFile(const char* path);

// A new file for appending; -1 when it cannot be made or already exists.
std::intptr_t createNewFile(const char* path);
// Writes all length bytes at the end of file; false when they did not all go.
bool appendToFile(std::intptr_t file, const char* data, std::uint32_t length);
void closeFile(std::intptr_t file);

struct UtcTime {
    int year, month, day, hour, minute, second;
};
UtcTime utcNow();

std::uint32_t processNumber();

// The operating system's name, version and architecture, for the log's head.
void describeSystem(char* buffer, std::uint32_t capacity);

}  // namespace platform::logfiles
