// The Debug dialog on Windows: template 131, modal, owned by the main dialog.
// It shows one text and closes only on its OK button.

#include <windows.h>

#include "platform/dialog.h"
#include "platform/win32/dialog_thread.h"
#include "platform/win32/left_to_right.h"
#include "res/control_ids.h"

namespace platform {

namespace {

// The multi-line edit breaks lines only at CR LF: lone line feeds of the
// composed text get their CR for display. Twice the composed text's room.
// The text holds the radio's own files, raw bytes: it goes in through the
// ANSI call, as the form's fields do (platform/win32/dialog.cpp).
constexpr int DISPLAY_TEXT_CAPACITY = 4096;

void setDisplayText(HWND dialog, int controlId, const char* text) {
    static char display[DISPLAY_TEXT_CAPACITY];
    int length = 0;
    char previous = '\0';
    for (const char* next = text; *next != '\0' && length < DISPLAY_TEXT_CAPACITY - 2; ++next) {
        if (*next == '\n' && previous != '\r') {
            display[length++] = '\r';
        }
        display[length++] = *next;
        previous = *next;
    }
    display[length] = '\0';
    SetDlgItemTextA(dialog, controlId, display);
}

INT_PTR CALLBACK debugDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The radio's own text reads left to right in a mirrored dialog too.
        win32::keepLeftToRight(GetDlgItem(dialog, IDC_DEBUG_TEXT));
        setDisplayText(dialog, IDC_DEBUG_TEXT, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_COMMAND:
        // Only OK closes it: Escape and the close box arrive as command 2.
        if (LOWORD(wParam) == IDC_FIRST_BUTTON) {
            EndDialog(dialog, IDC_FIRST_BUTTON);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void runDebugDialog(DialogHandle owner, const char* text) {
    HWND window = reinterpret_cast<HWND>(owner);
    win32::onDialogThread(window, [&] {
        // The template is the program's own resource, in the block of the
        // user's language; a Unicode dialog shows its texts in any script.
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DEBUG_DIALOG), window,
                        debugDialogProcedure, reinterpret_cast<LPARAM>(text));
    });
}

}  // namespace platform
