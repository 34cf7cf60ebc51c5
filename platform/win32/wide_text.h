#pragma once
// The program's texts are UTF-8 in fixed buffers; Windows shows and gives
// back UTF-16 through its W calls, whatever the computer's ANSI code page.
// These turn one into the other in fixed buffers, without the heap.

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "text/display_text.h"

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

// A UTF-8 text as UTF-16, cut to Units - 1 units; a byte that is not UTF-8
// shows as its Latin-1 letter (text/display_text.h).
template <std::size_t Units>
class WideText {
public:
    explicit WideText(const char* text) {
        char16_t units[Units];
        text::decodeDisplayText(text, units, Units);
        std::memcpy(wide_, units, sizeof wide_);
    }
    const wchar_t* get() const { return wide_; }

private:
    wchar_t wide_[Units];
};

// Count UTF-16 units as UTF-8 into buffer, NUL-terminated, cut to
// capacity - 1 bytes; a character that would not fit whole is left out with
// the rest, so a cut never splits a UTF-8 sequence.
inline void copyAsUtf8(const wchar_t* units, int count, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    std::uint32_t written = 0;
    for (int at = 0; at < count; ++at) {
        const int length = (units[at] >= 0xD800 && units[at] <= 0xDBFF && at + 1 < count) ? 2 : 1;
        char bytes[8];
        const int size = WideCharToMultiByte(CP_UTF8, 0, units + at, length, bytes, sizeof bytes, nullptr, nullptr);
        if (size <= 0 || written + static_cast<std::uint32_t>(size) > capacity - 1) {
            break;
        }
        std::memcpy(buffer + written, bytes, static_cast<std::size_t>(size));
        written += static_cast<std::uint32_t>(size);
        at += length - 1;
    }
    buffer[written] = '\0';
}

}  // namespace platform::win32
