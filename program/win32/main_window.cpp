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
    DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), window, mainDialogProcedure, 0);
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
        // write to the radio under way finishes first.
        if (wParam != FALSE) {
            app::onProgramEnding();
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace program
