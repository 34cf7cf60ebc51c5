// The support log's file calls on Windows: the folder under the user's local
// application data, files made new and shared for reading, so the log can be
// opened while the program runs.

#include "platform/support_log.h"
#include "platform/support_log_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace logfiles {

int writeLogFolder(char* buffer, std::uint32_t capacity) {
    char local[MAX_PATH];
    const DWORD localLength = ::GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    if (localLength == 0 || localLength >= sizeof local) {
        return -1;
    }
    const bool separator = local[localLength - 1] == '\\';
    return std::snprintf(buffer, capacity, "%s%sOndavox Utility\\logs\\", local, separator ? "" : "\\");
}

// The drive's root ("C:\") is there already; folders start after it.
std::size_t rootLength(const char* path, std::size_t length) { return length > 2 && path[1] == ':' ? 3 : 1; }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool makeFolder(const char* path) {
    return ::CreateDirectoryA(path, nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool isFolder(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void forEachFile(const char* folder, const char* prefix, const char* suffix,
                 void (*visit)(const char* name, void* context), void* context) {
    char pattern[SUPPORT_LOG_PATH_CAPACITY];
    const int length = std::snprintf(pattern, sizeof pattern, "%s%s*%s", folder, prefix, suffix);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof pattern) {
        return;
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::size_t suffixLength = std::strlen(suffix);
    do {
        // The pattern also matches short names and "*.log*" spellings; only
        // the exact form counts.
        const std::size_t nameLength = std::strlen(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && nameLength >= suffixLength &&
            std::strncmp(found.cFileName, prefix, std::strlen(prefix)) == 0 &&
            std::strcmp(found.cFileName + nameLength - suffixLength, suffix) == 0) {
            visit(found.cFileName, context);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

bool removeFile(const char* path) { return ::DeleteFileA(path) != FALSE; }

std::intptr_t createNewFile(const char* path) {
    const HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(file);
}

bool appendToFile(std::intptr_t file, const char* data, std::uint32_t length) {
    DWORD written = 0;
    return ::WriteFile(reinterpret_cast<HANDLE>(file), data, length, &written, nullptr) != FALSE && written == length;
}

void closeFile(std::intptr_t file) { ::CloseHandle(reinterpret_cast<HANDLE>(file)); }

UtcTime utcNow() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::uint32_t processNumber() { return ::GetCurrentProcessId(); }

void describeSystem(char* buffer, std::uint32_t capacity) {
    // The true version: GetVersionEx answers what the manifest claims to know.
    struct VersionInfo {
        ULONG size, major, minor, build, platform;
        WCHAR servicePack[128];
    };
    VersionInfo version{};
    version.size = sizeof version;
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    using GetVersion = LONG(WINAPI*)(VersionInfo*);
    using WineVersion = const char*(CDECL*)();
    const auto getVersion =
        ntdll != nullptr ? reinterpret_cast<GetVersion>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "RtlGetVersion"))) : nullptr;
    const auto wineVersion =
        ntdll != nullptr ? reinterpret_cast<WineVersion>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "wine_get_version"))) : nullptr;
    if (getVersion == nullptr || getVersion(&version) != 0) {
        version = {};
    }
    SYSTEM_INFO machine{};
    ::GetNativeSystemInfo(&machine);
    const char* architecture = machine.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? "x64"
                               : machine.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ? "ARM64"
                                                                                               : "x86";
    std::snprintf(buffer, capacity, "Windows %lu.%lu.%lu %s%s%s%s", version.major, version.minor, version.build,
                  architecture, wineVersion != nullptr ? " (Wine " : "",
                  wineVersion != nullptr ? wineVersion() : "", wineVersion != nullptr ? ")" : "");
}

}  // namespace logfiles

}  // namespace platform
