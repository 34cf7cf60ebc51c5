#pragma once
// What the shell creates once at start and the dialogs' window procedures use.

#include <windows.h>

namespace platform::win32 {

extern HINSTANCE programInstance;
// Solid white (0xFFFFFF): the dialog's background and that of its static
// texts and buttons. Created once, never freed.
extern HBRUSH whiteBrush;

// The main dialog's and the Debug dialog's window procedures.
INT_PTR CALLBACK mainDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK debugDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win32
