#include <windows.h>

#include "platform/resources.h"
#include "platform/win32/wide_text.h"

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
    win32::copyAsUtf8(text, units, buffer, capacity);
}

}  // namespace platform
