// The session's end while the radio is written. Windows asks every top-level
// window whether the session may end (WM_QUERYENDSESSION); while a task
// writes the radio the main window says no and gives the reason Windows shows
// beside the program, and takes the reason back once the write is over.

#include <windows.h>

#include "app/radio_write_hold.h"
#include "program/win32/program.h"

namespace program {

namespace {

// Looks whether the write is over; the reason stays until then.
constexpr UINT_PTR WRITE_OVER_TIMER = 0x4F44;
constexpr UINT WRITE_OVER_POLL_MILLISECONDS = 500;

bool reasonShown = false;

}  // namespace

bool maySessionEnd(HWND mainWindow) {
    const char* reason = app::radioWriteReason();
    if (reason == nullptr) {
        if (reasonShown) {
            ShutdownBlockReasonDestroy(mainWindow);
            reasonShown = false;
        }
        return true;
    }
    wchar_t wideReason[128] = {};
    MultiByteToWideChar(CP_UTF8, 0, reason, -1, wideReason, static_cast<int>(sizeof wideReason / sizeof wideReason[0]) - 1);
    reasonShown = ShutdownBlockReasonCreate(mainWindow, wideReason) != FALSE;
    SetTimer(mainWindow, WRITE_OVER_TIMER, WRITE_OVER_POLL_MILLISECONDS, nullptr);
    return false;
}

bool onSessionEndTimer(HWND mainWindow, UINT_PTR timer) {
    if (timer != WRITE_OVER_TIMER) {
        return false;
    }
    if (app::radioWriteReason() == nullptr) {
        KillTimer(mainWindow, WRITE_OVER_TIMER);
        if (reasonShown) {
            ShutdownBlockReasonDestroy(mainWindow);
            reasonShown = false;
        }
    }
    return true;
}

}  // namespace program
