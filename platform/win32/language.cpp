// The user's language on Windows: the one of the resource block that
// Windows' own loader picks for the program (its user interface language,
// else English), read back from the block's language-code string, so the
// texts of the catalogue agree with the dialogs and the string table.

#include <windows.h>

#include "platform/language.h"
#include "res/strings.h"

namespace platform {

void userLanguages(char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    wchar_t code[32] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_LANGUAGE_CODE, code, 32) <= 0) {
        return;  // a program without the catalogue's resources speaks English
    }
    std::uint32_t at = 0;
    for (const wchar_t* unit = code; *unit != L'\0' && at + 1 < capacity; ++unit) {
        buffer[at++] = *unit < 0x80 ? static_cast<char>(*unit) : '?';
    }
    buffer[at] = '\0';
}

}  // namespace platform
