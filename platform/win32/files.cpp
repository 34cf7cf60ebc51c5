// Files on Windows: kernel32 with exactly the access, sharing and flags the
// utility relies on. No handle is ever shared with another opener.

#include "platform/files.h"

#include <windows.h>

namespace platform {

namespace {

File openFile(const char* path, DWORD access, DWORD disposition, DWORD flags) {
    HANDLE handle = ::CreateFileA(path, access, 0, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return File{};
    }
    return File{reinterpret_cast<std::intptr_t>(handle)};
}

HANDLE handleOf(const File& file) { return reinterpret_cast<HANDLE>(file.native()); }

// INVALID_HANDLE_VALUE is the handle -1, the same value File uses for "not open".
static_assert(sizeof(HANDLE) == sizeof(std::intptr_t));

}  // namespace

bool closeFile(File& file) {
    if (!file.isOpen()) {
        return true;
    }
    return ::CloseHandle(reinterpret_cast<HANDLE>(file.release())) != FALSE;
}

File openDeviceFileForReading(const char* path) {
    // Every read goes to the device, never to the cache: the device changes
    // its files behind the computer's back.
    return openFile(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN);
}

File openExistingForReading(const char* path) {
    return openFile(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

File openExistingForWriting(const char* path) {
    return openFile(path, GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

File createEmptyForWriting(const char* path) {
    return openFile(path, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

bool readFile(File& file, void* buffer, std::uint32_t capacity, std::uint32_t& bytesRead) {
    DWORD count = 0;
    const BOOL ok = ::ReadFile(handleOf(file), buffer, capacity, &count, nullptr);
    bytesRead = count;
    return ok != FALSE;
}

bool writeFile(File& file, const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
    DWORD count = 0;
    const BOOL ok = ::WriteFile(handleOf(file), data, length, &count, nullptr);
    bytesWritten = count;
    return ok != FALSE;
}

bool flushFile(File& file) { return ::FlushFileBuffers(handleOf(file)) != FALSE; }

bool setFileLength(File& file, std::uint64_t length) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    if (length > static_cast<std::uint64_t>(INT64_MAX) ||
        ::SetFilePointerEx(handleOf(file), position, nullptr, FILE_BEGIN) == FALSE) {
        return false;
    }
    return ::SetEndOfFile(handleOf(file)) != FALSE;
}

}  // namespace platform
