#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "device/device_write_guard.h"
#include "program/cli/exit_codes.h"
#include "program/cli/system.h"

namespace cli {

namespace {

// The system runs this on a thread of its own, so it may wait for the write
// under way before the process ends.
BOOL WINAPI endAfterDeviceWrites(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            std::fputs("ondavox-cli: interrupted; ending once the radio's files are written\n", stderr);
            device::endDeviceWrites();
            std::fflush(stdout);
            ExitProcess(EXIT_INTERRUPTED);
        default:
            return FALSE;
    }
}

std::size_t lengthWithoutSeparator(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 1 && (path[length - 1] == '\\' || path[length - 1] == '/')) {
        --length;
    }
    return length;
}

}  // namespace

bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void endOnInterruptAfterDeviceWrites() { SetConsoleCtrlHandler(endAfterDeviceWrites, TRUE); }

bool sameRootPath(const char* left, const char* right) {
    const std::size_t length = lengthWithoutSeparator(left);
    if (length != lengthWithoutSeparator(right)) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const bool separators = (left[i] == '\\' || left[i] == '/') && (right[i] == '\\' || right[i] == '/');
        if (!separators &&
            std::tolower(static_cast<unsigned char>(left[i])) != std::tolower(static_cast<unsigned char>(right[i]))) {
            return false;
        }
    }
    return true;
}

void useBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace cli
