// The program's entry and its user-interface thread: strings, the main window
// that owns the dialogs, the message loop with the keyboard shortcuts, and the
// message-filter hook that makes the shortcuts work inside the modal dialog.

#include <windows.h>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/ui_strings.h"
#include "platform/win32/shell_state.h"
#include "res/control_ids.h"

namespace {

using platform::win32::programInstance;
using platform::win32::whiteBrush;

// Table 109, shared by the main loop and the hook.
HACCEL shortcuts = nullptr;
HHOOK messageFilter = nullptr;
bool mainDialogHasRun = false;

HACCEL loadShortcuts() {
    if (shortcuts == nullptr) {
        shortcuts = LoadAcceleratorsA(programInstance, MAKEINTRESOURCEA(IDR_SHORTCUTS));
    }
    return shortcuts;
}

// Key down (256) through the last keyboard message (265).
constexpr UINT FIRST_KEYBOARD_MESSAGE = WM_KEYDOWN;
constexpr UINT LAST_KEYBOARD_MESSAGE = 265;
static_assert(WM_KEYDOWN == 256);

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
        TranslateAcceleratorA(mainDialog, shortcuts, message) != 0) {
        return 1;
    }
    return CallNextHookEx(messageFilter, 0, wParam, lParam);
}

// The whole run of the main dialog takes place inside the first paint. Later
// paints (the window is minimised while the dialog runs) only validate.
void onFirstPaint(HWND window) {
    mainDialogHasRun = true;
    CloseWindow(window);
    loadShortcuts();  // the paint may come before the entry has loaded it
    messageFilter = SetWindowsHookExA(WH_MSGFILTER, messageFilterHook, nullptr, GetCurrentThreadId());
    DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), window,
                    platform::win32::mainDialogProcedure, 0);
    if (messageFilter != nullptr) {
        UnhookWindowsHookEx(messageFilter);
        messageFilter = nullptr;
    }
    PostQuitMessage(0);
}

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
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    app::loadUiStrings();

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = app::uiStrings.windowClass;
    RegisterClassExA(&windowClass);

    whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    programInstance = instance;

    HWND window = CreateWindowExA(0, app::uiStrings.windowClass, app::uiStrings.windowTitle,
                                  WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    // A zero-size window may never be asked to paint (seen under Wine); ask
    // for the first paint explicitly. Where it already ran, this is harmless.
    RedrawWindow(window, nullptr, nullptr, RDW_INTERNALPAINT);
    loadShortcuts();

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(message.hwnd, shortcuts, &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
