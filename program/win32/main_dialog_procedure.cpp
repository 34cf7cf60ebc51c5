// The main dialog's window procedure. It only forwards: what the dialog does
// lives in app/. Workers' control operations reach it as messages (see
// platform/win32/dialog_thread.h).

#include <windows.h>

#include "app/main_dialog.h"
#include "platform/dialog.h"
#include "platform/win32/dialog_thread.h"
#include "program/win32/program.h"

namespace program {

namespace {

platform::DialogHandle handleOf(HWND window) {
    return reinterpret_cast<platform::DialogHandle>(window);
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

}  // namespace

INT_PTR CALLBACK mainDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (platform::win32::runDialogThreadCall(message, lParam)) {
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        keepLeftToRightParts(dialog);
        filterFormTextFields(dialog);
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

}  // namespace program
