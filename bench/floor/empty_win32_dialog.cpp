// The floor of the Windows program's start-up: an empty dialog with the
// utility's dialog title and one text (control id -1), and nothing else.

#include <windows.h>

namespace {

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, procedure, 0));
}
