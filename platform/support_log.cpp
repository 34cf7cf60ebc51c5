// The support log's files and lines, the same on every operating system; the
// calls into the file system are those of support_log_files.h. The log keeps
// its own file calls, apart from platform/files.h, so that writing a line
// never counts as one of the core's file operations.

#include "platform/support_log.h"

#include "platform/support_log_files.h"
#include "platform/threads.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

constexpr char RUN_FILE_PREFIX[] = "run-";
constexpr char RUN_FILE_SUFFIX[] = ".log";
constexpr std::uint32_t RUN_FILE_NAME_CAPACITY = 64;
// Room kept at the end of a file for the note that it is full and the run's
// last line.
constexpr std::uint32_t CLOSING_RESERVE = 2 * SUPPORT_LOG_LINE_CAPACITY;
static_assert(CLOSING_RESERVE < SUPPORT_LOG_FILE_LIMIT);
constexpr char FULL_NOTE[] = "(the log is full: later lines are left out, but the run's last one)";
static_assert(sizeof FULL_NOTE + 16 < SUPPORT_LOG_LINE_CAPACITY);

// Owns the open log file, so it is closed on every path.
class LogFile {
public:
    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile() { close(); }
    void take(std::intptr_t file) {
        close();
        file_ = file;
    }
    bool isOpen() const { return file_ != -1; }
    std::intptr_t handle() const { return file_; }
    void close() {
        if (file_ != -1) {
            logfiles::closeFile(file_);
            file_ = -1;
        }
    }

private:
    std::intptr_t file_ = -1;
};

// The one log of the process; any thread writes through logLock.
std::mutex logLock;
LogFile logFile;
char logPath[SUPPORT_LOG_PATH_CAPACITY];
std::uint64_t openedAt = 0;
std::uint32_t bytesWritten = 0;
bool logFull = false;

// Creates folder and every missing folder above it; true when it exists then.
bool makeFolders(const char* folder) {
    char path[SUPPORT_LOG_PATH_CAPACITY];
    const std::size_t length = std::strlen(folder);
    if (length == 0 || length >= sizeof path) {
        return false;
    }
    std::memcpy(path, folder, length + 1);
    for (std::size_t i = logfiles::rootLength(path, length); i <= length; ++i) {
        if (!logfiles::isSeparator(path[i]) && path[i] != '\0') {
            continue;
        }
        const char kept = path[i];
        path[i] = '\0';
        if (!logfiles::makeFolder(path)) {
            return false;
        }
        path[i] = kept;
    }
    return logfiles::isFolder(folder);
}

// Gathers the run files of the folder: how many, and the oldest by name
// (names start with the time they were made).
struct RunFiles {
    std::uint32_t count = 0;
    char oldest[RUN_FILE_NAME_CAPACITY] = {};
};

void countRunFile(const char* name, void* context) {
    auto& files = *static_cast<RunFiles*>(context);
    if (std::strlen(name) >= RUN_FILE_NAME_CAPACITY) {
        return;  // not a name this program makes
    }
    ++files.count;
    if (files.oldest[0] == '\0' || std::strcmp(name, files.oldest) < 0) {
        std::snprintf(files.oldest, sizeof files.oldest, "%s", name);
    }
}

// Removes the oldest run files until one more leaves SUPPORT_LOG_RUNS_KEPT.
void removeOldRuns(const char* folder) {
    for (;;) {
        RunFiles files;
        logfiles::forEachFile(folder, RUN_FILE_PREFIX, RUN_FILE_SUFFIX, countRunFile, &files);
        if (files.count < SUPPORT_LOG_RUNS_KEPT) {
            return;
        }
        char path[SUPPORT_LOG_PATH_CAPACITY];
        const int length = std::snprintf(path, sizeof path, "%s%s", folder, files.oldest);
        if (length < 0 || static_cast<std::uint32_t>(length) >= sizeof path || !logfiles::removeFile(path)) {
            return;  // a file that stays is no reason to go without a log
        }
    }
}

// Writes text as it is; closes the log when the system refuses it.
void appendLocked(const char* text, std::uint32_t length, bool lastLine) {
    if (!logFile.isOpen()) {
        return;
    }
    const std::uint32_t limit = lastLine ? SUPPORT_LOG_FILE_LIMIT : SUPPORT_LOG_FILE_LIMIT - CLOSING_RESERVE;
    if (bytesWritten + length > limit) {
        if (!logFull) {
            logFull = true;
            char note[SUPPORT_LOG_LINE_CAPACITY];
            const int noteLength = std::snprintf(note, sizeof note, "%s\n", FULL_NOTE);
            if (logfiles::appendToFile(logFile.handle(), note, static_cast<std::uint32_t>(noteLength))) {
                bytesWritten += static_cast<std::uint32_t>(noteLength);
            } else {
                logFile.close();
            }
        }
        return;
    }
    if (!logfiles::appendToFile(logFile.handle(), text, length)) {
        logFile.close();
        return;
    }
    bytesWritten += length;
}

// Formats one line: the seconds since the log was opened, the text with
// control characters replaced, a line end. Returns its length.
std::uint32_t formatLine(char (&line)[SUPPORT_LOG_LINE_CAPACITY], const char* format, std::va_list arguments) {
    const std::uint64_t elapsed = monotonicMilliseconds() - openedAt;
    int stamp = std::snprintf(line, sizeof line, "[%5llu.%03u] ", static_cast<unsigned long long>(elapsed / 1000),
                              static_cast<unsigned>(elapsed % 1000));
    if (stamp < 0 || static_cast<std::uint32_t>(stamp) >= sizeof line) {
        stamp = 0;
    }
    // The text ends one byte early, so the line end always has room.
    const std::uint32_t room = sizeof line - 1 - static_cast<std::uint32_t>(stamp);
    const int wanted = std::vsnprintf(line + stamp, room, format, arguments);
    std::uint32_t length = static_cast<std::uint32_t>(stamp);
    if (wanted > 0) {
        length += static_cast<std::uint32_t>(wanted) < room ? static_cast<std::uint32_t>(wanted) : room - 1;
        if (static_cast<std::uint32_t>(wanted) >= room) {
            std::memcpy(line + length - 3, "...", 3);  // cut: says so
        }
    }
    for (std::uint32_t i = static_cast<std::uint32_t>(stamp); i < length; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 || c == 0x7F) {
            line[i] = '?';
        }
    }
    line[length++] = '\n';
    line[length] = '\0';
    return length;
}

// One line; lastLine may use the room kept for the run's last line.
void logLockedAs(bool lastLine, const char* format, ...) {
    char line[SUPPORT_LOG_LINE_CAPACITY];
    std::va_list arguments;
    va_start(arguments, format);
    const std::uint32_t length = formatLine(line, format, arguments);
    va_end(arguments);
    appendLocked(line, length, lastLine);
}

}  // namespace

bool openSupportLog(const char* programLine) {
    const std::lock_guard<std::mutex> guard(logLock);
    if (logFile.isOpen()) {
        return true;
    }
    char folder[SUPPORT_LOG_PATH_CAPACITY];
    if (supportLogFolder(folder, sizeof folder) == 0 || !makeFolders(folder)) {
        return false;
    }
    removeOldRuns(folder);

    const logfiles::UtcTime now = logfiles::utcNow();
    const int length = std::snprintf(logPath, sizeof logPath, "%s%s%04d%02d%02d-%02d%02d%02d-%u%s", folder,
                                     RUN_FILE_PREFIX, now.year, now.month, now.day, now.hour, now.minute,
                                     now.second, static_cast<unsigned>(logfiles::processNumber()), RUN_FILE_SUFFIX);
    if (length < 0 || static_cast<std::uint32_t>(length) >= sizeof logPath) {
        logPath[0] = '\0';
        return false;
    }
    logFile.take(logfiles::createNewFile(logPath));
    if (!logFile.isOpen()) {
        logPath[0] = '\0';
        return false;
    }
    openedAt = monotonicMilliseconds();
    bytesWritten = 0;
    logFull = false;

    char systemText[SUPPORT_LOG_LINE_CAPACITY / 2];
    logfiles::describeSystem(systemText, sizeof systemText);
    logLockedAs(false, "log of one run, started %04d-%02d-%02d %02d:%02d:%02d UTC", now.year, now.month, now.day, now.hour,
              now.minute, now.second);
    logLockedAs(false, "%s", programLine);
    logLockedAs(false, "system: %s", systemText);
    return logFile.isOpen();
}

void supportLog(const char* format, ...) {
    const std::lock_guard<std::mutex> guard(logLock);
    if (!logFile.isOpen()) {
        return;
    }
    char line[SUPPORT_LOG_LINE_CAPACITY];
    std::va_list arguments;
    va_start(arguments, format);
    const std::uint32_t length = formatLine(line, format, arguments);
    va_end(arguments);
    appendLocked(line, length, false);
}

void closeSupportLog(const char* lastLine) {
    const std::lock_guard<std::mutex> guard(logLock);
    if (!logFile.isOpen()) {
        return;
    }
    logLockedAs(true, "%s", lastLine);
    logFile.close();
    logPath[0] = '\0';
}

std::uint32_t supportLogFolder(char* buffer, std::uint32_t capacity) {
    const int length = logfiles::writeLogFolder(buffer, capacity);
    if (length <= 0 || static_cast<std::uint32_t>(length) >= capacity) {
        if (capacity != 0) {
            buffer[0] = '\0';
        }
        return 0;
    }
    return static_cast<std::uint32_t>(length);
}

const char* supportLogPath() { return logPath; }

bool supportLogIsOpen() {
    const std::lock_guard<std::mutex> guard(logLock);
    return logFile.isOpen();
}

void proxyHostAndPort(const char* address, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    const char* start = address;
    if (const char* scheme = std::strstr(address, "://"); scheme != nullptr) {
        start = scheme + 3;
    }
    const char* end = start;
    while (*end != '\0' && *end != '/' && *end != '?' && *end != '#') {
        ++end;
    }
    // Credentials end at the last '@' before the path: a password may hold '@'.
    for (const char* at = start; at < end; ++at) {
        if (*at == '@') {
            start = at + 1;
        }
    }
    const auto length = static_cast<std::uint32_t>(end - start);
    const std::uint32_t kept = length < capacity ? length : capacity - 1;
    std::memcpy(buffer, start, kept);
    buffer[kept] = '\0';
}

}  // namespace platform
