// The window procedures of the main dialog and the Debug dialog. They only
// forward: what the dialogs do lives in app/.

#include <windows.h>

#include "app/main_dialog.h"
#include "platform/dialog.h"
#include "platform/win32/dialog_thread.h"
#include "platform/win32/shell_state.h"
#include "res/control_ids.h"

namespace platform::win32 {

HINSTANCE programInstance = nullptr;
HBRUSH whiteBrush = nullptr;

namespace {

DialogHandle handleOf(HWND window) {
    return reinterpret_cast<DialogHandle>(window);
}

// Static texts and buttons: black text on white. Edits and lists (which also
// ask through this message when read-only) keep the system colours.
INT_PTR onControlColour(HDC context, HWND control) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0 && lstrcmpiA(className, "Button") != 0) {
        return FALSE;
    }
    SetTextColor(context, RGB(0, 0, 0));
    SetBkColor(context, RGB(255, 255, 255));
    return reinterpret_cast<INT_PTR>(whiteBrush);
}

// The multi-line edit breaks lines only at CR LF: lone line feeds of the
// composed text get their CR for display. Twice the composed text's room.
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

}  // namespace

INT_PTR CALLBACK mainDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (runDialogThreadCall(message, lParam)) {
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        app::onMainDialogInit(handleOf(dialog));
        return TRUE;  // the system sets the initial focus
    case WM_COMMAND:
        app::onMainDialogCommand(handleOf(dialog), LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(whiteBrush);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK debugDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
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

}  // namespace platform::win32

namespace platform {

void runDebugDialog(DialogHandle owner, const char* text) {
    HWND window = reinterpret_cast<HWND>(owner);
    win32::onDialogThread(window, [&] {
        DialogBoxParamA(win32::programInstance, MAKEINTRESOURCEA(IDD_DEBUG_DIALOG), window,
                        win32::debugDialogProcedure, reinterpret_cast<LPARAM>(text));
    });
}

}  // namespace platform
