#pragma once
// What the Windows program creates once at start and its window procedures
// share. Written by the user-interface thread before the main dialog runs;
// read only by that thread afterwards.

#include <windows.h>

#include "res/control_ids.h"

namespace program {

extern HINSTANCE programInstance;
// Solid white (0xFFFFFF): the dialog's background and that of its static
// texts and buttons. Created once, never freed.
extern HBRUSH whiteBrush;
// Shortcut table 109, shared by the message loop and the message-filter hook.
extern HACCEL shortcuts;

// Loads table 109 unless it is loaded already.
HACCEL loadShortcuts();

// The main window's procedure: the whole run of the main dialog takes place
// inside its first paint.
LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The answer to WM_QUERYENDSESSION: false while a task writes the radio,
// with the reason set for Windows to show (taken back by the timer once the
// write is over); the user-interface thread only.
bool maySessionEnd(HWND mainWindow);
// WM_TIMER of the main window: true when the timer was the session end's.
bool onSessionEndTimer(HWND mainWindow, UINT_PTR timer);

// Turns keyboard messages of the modal dialogs' loops into the main dialog's
// shortcut commands; installed while the main dialog runs.
LRESULT CALLBACK messageFilterHook(int code, WPARAM wParam, LPARAM lParam);
void installShortcutHook();
void removeShortcutHook();

// The main dialog's window procedure: forwards to app/.
INT_PTR CALLBACK mainDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Makes the form's text fields refuse characters the configuration file
// cannot carry, typed or pasted.
void filterFormTextFields(HWND dialog);

// The lists whose names are never translated (the carrier table's countries
// and providers, the radio's profiles).
inline constexpr int LEFT_TO_RIGHT_LISTS[] = {IDC_COUNTRY_LIST, IDC_PROVIDER_LIST, IDC_RADIO_PROFILE_LIST};

// In a mirrored (right-to-left) main dialog: the radio's fields and those
// lists read left to right, and the banner is not flipped. Called while the
// dialog initialises; a dialog that is not mirrored is left as it is.
void keepLeftToRightParts(HWND dialog);

}  // namespace program
