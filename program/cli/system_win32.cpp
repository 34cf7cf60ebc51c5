#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "device/device_write_guard.h"
#include "program/cli/exit_codes.h"
#include "program/cli/system.h"
#include "text/display_text.h"

namespace cli {

namespace {

// Made before the handler is installed, so it only writes it.
const char* interruptedText = "";

// The system runs this on a thread of its own, so it may wait for the write
// under way before the process ends.
BOOL WINAPI endAfterDeviceWrites(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            writeForPeople(stderr, interruptedText);
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

// Text for a console goes over in pieces of this many bytes, each cut before
// a character's first byte, so no UTF-8 sequence is split between two.
constexpr std::size_t CONSOLE_PIECE_BYTES = 1024;

void writeToConsole(HANDLE console, const char* text) {
    while (*text != '\0') {
        std::size_t length = std::strlen(text);
        if (length > CONSOLE_PIECE_BYTES) {
            length = CONSOLE_PIECE_BYTES;
            while (length > CONSOLE_PIECE_BYTES - 4 &&
                   text::display_text_detail::isContinuation(static_cast<unsigned char>(text[length]))) {
                --length;
            }
        }
        char piece[CONSOLE_PIECE_BYTES + 1];
        std::memcpy(piece, text, length);
        piece[length] = '\0';
        // UTF-16 units never outnumber the bytes they come from, so the piece fits.
        char16_t units[CONSOLE_PIECE_BYTES + 1];
        const std::size_t unitCount = text::decodeDisplayText(piece, units, sizeof units / sizeof units[0]);
        DWORD written = 0;
        WriteConsoleW(console, reinterpret_cast<const wchar_t*>(units), static_cast<DWORD>(unitCount), &written,
                      nullptr);
        text += length;
    }
}

}  // namespace

bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void endOnInterruptAfterDeviceWrites(const char* interruptedLine) {
    interruptedText = interruptedLine;
    SetConsoleCtrlHandler(endAfterDeviceWrites, TRUE);
}

void writeForPeople(std::FILE* stream, const char* text) {
    // Whatever the stream holds goes first, in its order.
    std::fflush(stream);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode) != 0) {
        // Bytes written to a console are read in its code page (437, 850,
        // 932 ...); its characters are every script's.
        writeToConsole(handle, text);
        return;
    }
    std::fputs(text, stream);
    std::fflush(stream);
}

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
