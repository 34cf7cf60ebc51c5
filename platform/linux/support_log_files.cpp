// The support log's file calls on Linux: the folder under the XDG state
// folder, files made new with the user's own access only.

#include "platform/support_log.h"
#include "platform/support_log_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {

namespace logfiles {

int writeLogFolder(char* buffer, std::uint32_t capacity) {
    // A relative XDG_STATE_HOME is not valid and is ignored, as the
    // desktop's base-folder rules say of every such variable.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::snprintf(buffer, capacity, "%s/ondavox-utility/", state);
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::snprintf(buffer, capacity, "%s/.local/state/ondavox-utility/", home);
    }
    return -1;
}

// The leading '/' of an absolute path.
std::size_t rootLength(const char*, std::size_t) { return 1; }

bool isSeparator(char c) { return c == '/'; }

bool makeFolder(const char* path) { return ::mkdir(path, 0700) == 0 || errno == EEXIST; }

bool isFolder(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

void forEachFile(const char* folder, const char* prefix, const char* suffix,
                 void (*visit)(const char* name, void* context), void* context) {
    DIR* entries = ::opendir(folder);
    if (entries == nullptr) {
        return;
    }
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t suffixLength = std::strlen(suffix);
    while (const dirent* entry = ::readdir(entries)) {
        const std::size_t length = std::strlen(entry->d_name);
        if (length >= prefixLength + suffixLength && std::strncmp(entry->d_name, prefix, prefixLength) == 0 &&
            std::strcmp(entry->d_name + length - suffixLength, suffix) == 0) {
            visit(entry->d_name, context);
        }
    }
    ::closedir(entries);
}

bool removeFile(const char* path) { return ::unlink(path) == 0; }

std::intptr_t createNewFile(const char* path) {
    const int file = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    return file >= 0 ? file : -1;
}

bool appendToFile(std::intptr_t file, const char* data, std::uint32_t length) {
    while (length != 0) {
        const ssize_t done = ::write(static_cast<int>(file), data, length);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        data += done;
        length -= static_cast<std::uint32_t>(done);
    }
    return true;
}

void closeFile(std::intptr_t file) { ::close(static_cast<int>(file)); }

UtcTime utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::uint32_t processNumber() { return static_cast<std::uint32_t>(::getpid()); }

void describeSystem(char* buffer, std::uint32_t capacity) {
    utsname names{};
    if (::uname(&names) != 0) {
        std::snprintf(buffer, capacity, "Linux (uname failed)");
        return;
    }
    // The distribution's name, from the one line of os-release that gives it.
    char distribution[128] = "";
    if (std::FILE* release = std::fopen("/etc/os-release", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, release) != nullptr) {
            if (std::strncmp(line, "PRETTY_NAME=", 12) == 0) {
                const char* value = line + 12;
                const std::size_t start = *value == '"' ? 1 : 0;
                std::size_t length = std::strcspn(value + start, "\"\n");
                std::snprintf(distribution, sizeof distribution, "%.*s", static_cast<int>(length), value + start);
                break;
            }
        }
        std::fclose(release);
    }
    std::snprintf(buffer, capacity, "%s %s %s%s%s", names.sysname, names.release, names.machine,
                  distribution[0] != '\0' ? ", " : "", distribution);
}

}  // namespace logfiles

}  // namespace platform
