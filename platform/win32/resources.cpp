#include <windows.h>

#include "platform/resources.h"

namespace platform {

// The string of the block Windows picks for the user's language, read as
// UTF-16 and kept as UTF-8, so a text in any script survives whatever the
// computer's ANSI code page is. A character that would not fit whole is left
// out with the rest.
void loadString(int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';  // stays the answer for a missing string
    const wchar_t* text = nullptr;
    const int units = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (units <= 0 || text == nullptr) {
        return;
    }
    const int room = capacity > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(capacity);
    int written = 0;
    for (int at = 0; at < units; ++at) {
        // One character at a time, so a cut never splits a UTF-8 sequence.
        const int length = (text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < units) ? 2 : 1;
        char bytes[8];
        const int size = WideCharToMultiByte(CP_UTF8, 0, text + at, length, bytes, sizeof bytes, nullptr, nullptr);
        if (size <= 0 || written + size > room - 1) {
            break;
        }
        for (int b = 0; b < size; ++b) {
            buffer[written++] = bytes[b];
        }
        at += length - 1;
    }
    buffer[written] = '\0';
}

}  // namespace platform
