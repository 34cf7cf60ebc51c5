// The zero-size main window: it owns the dialogs, and the whole run of the
// main dialog takes place inside its first paint.

#include <windows.h>

#include "app/main_dialog.h"
#include "program/win32/program.h"
#include "res/control_ids.h"

namespace program {

namespace {

bool mainDialogHasRun = false;

// Later paints (the window is minimised while the dialog runs) only validate.
void onFirstPaint(HWND window) {
    mainDialogHasRun = true;
    CloseWindow(window);
    loadShortcuts();  // the paint may come before the entry has loaded it
    installShortcutHook();
    DialogBoxParamW(programInstance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), window, mainDialogProcedure, 0);
    removeShortcutHook();
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        if (!mainDialogHasRun) {
            onFirstPaint(window);
        }
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == 1 && LOWORD(wParam) == IDM_DEBUG_DIALOG) {
            app::openDebugDialog(reinterpret_cast<platform::DialogHandle>(window));
        }
        return 0;
    case WM_QUERYENDSESSION:
        return maySessionEnd(window) ? TRUE : FALSE;
    case WM_TIMER:
        onSessionEndTimer(window, wParam);
        return 0;
    case WM_ENDSESSION:
        // The session ends and the process with it once this returns: a
        // write to the radio under way finishes first. The dialog is still
        // there, and the install shows its progress in steps sent to this
        // thread, so the wait goes on answering them; a blocking wait would
        // hold the writer, and the writer this wait, for good.
        if (wParam != FALSE) {
            while (!app::tryProgramEnding()) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
                MSG sent;
                PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace program
