// The message-filter hook that makes the keyboard shortcuts work inside the
// modal dialogs, whose own loops never reach the program's message loop.

#include <windows.h>

#include "app/dialog_state.h"
#include "program/win32/program.h"

namespace program {

namespace {

HHOOK messageFilter = nullptr;

// Key down (256) through the last keyboard message (265).
constexpr UINT FIRST_KEYBOARD_MESSAGE = WM_KEYDOWN;
constexpr UINT LAST_KEYBOARD_MESSAGE = 265;
static_assert(WM_KEYDOWN == 256);

}  // namespace

// Offered every message of the modal dialogs' loops on this thread. Keyboard
// messages that match a shortcut become commands of the main dialog.
LRESULT CALLBACK messageFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code != MSGF_DIALOGBOX) {
        return 0;
    }
    HWND mainDialog = reinterpret_cast<HWND>(app::mainDialogWindow.load());
    if (mainDialog == nullptr) {
        return 0;
    }
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (message->message >= FIRST_KEYBOARD_MESSAGE && message->message <= LAST_KEYBOARD_MESSAGE &&
        TranslateAcceleratorW(mainDialog, shortcuts, message) != 0) {
        return 1;
    }
    return CallNextHookEx(messageFilter, 0, wParam, lParam);
}

void installShortcutHook() {
    messageFilter = SetWindowsHookExW(WH_MSGFILTER, messageFilterHook, nullptr, GetCurrentThreadId());
}

void removeShortcutHook() {
    if (messageFilter != nullptr) {
        UnhookWindowsHookEx(messageFilter);
        messageFilter = nullptr;
    }
}

}  // namespace program
