// The form's text fields refuse what the configuration file cannot carry in a
// quoted value: a double quote or a control character, typed or pasted. The
// writer refuses such a value too; this keeps the user from typing one.

#include <windows.h>

#include "app/settings_form.h"
#include "program/win32/program.h"

namespace program {

namespace {

constexpr char ORIGINAL_PROCEDURE[] = "OndavoxEditProcedure";

// Control characters the edit control takes as editing commands rather than
// text: Backspace, and Ctrl with A (select all), C, V, X and Z.
bool isEditingCommand(WPARAM character) {
    switch (character) {
    case 0x08:
    case 0x01:
    case 0x03:
    case 0x16:
    case 0x18:
    case 0x1A:
        return true;
    default:
        return false;
    }
}

// Pastes the clipboard's text without the characters a value cannot hold.
void pasteFiltered(HWND field) {
    if (!OpenClipboard(field)) {
        return;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* text = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (text != nullptr) {
        // A field's value is short; a longer paste is cut to the room here,
        // as the field would cut it to its own limit.
        constexpr int ROOM = 1024;
        wchar_t kept[ROOM];
        int length = 0;
        for (const wchar_t* next = text; *next != L'\0' && length < ROOM - 1; ++next) {
            if (app::isFormTextCharacter(static_cast<char32_t>(*next))) {
                kept[length++] = *next;
            }
        }
        kept[length] = L'\0';
        GlobalUnlock(data);
        SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept));
    }
    CloseClipboard();
}

LRESULT CALLBACK filteredFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropA(field, ORIGINAL_PROCEDURE));
    switch (message) {
    case WM_CHAR:
        if (!isEditingCommand(wParam) && !app::isFormTextCharacter(static_cast<char32_t>(wParam))) {
            return 0;  // dropped: never reaches the field
        }
        break;
    case WM_PASTE:
        pasteFiltered(field);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(field, ORIGINAL_PROCEDURE);
        break;
    default:
        break;
    }
    return CallWindowProcW(original, field, message, wParam, lParam);
}

}  // namespace

void filterFormTextFields(HWND dialog) {
    for (int id : app::FORM_TEXT_FIELDS) {
        HWND field = GetDlgItem(dialog, id);
        if (field == nullptr) {
            continue;
        }
        // The W calls keep the field a Unicode window: a typed character
        // arrives as UTF-16 and reaches the field as typed.
        const LONG_PTR original = GetWindowLongPtrW(field, GWLP_WNDPROC);
        SetPropA(field, ORIGINAL_PROCEDURE, reinterpret_cast<HANDLE>(original));
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(filteredFieldProcedure));
    }
}

}  // namespace program
