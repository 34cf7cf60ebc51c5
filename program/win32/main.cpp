// The Windows program's entry and its user-interface thread: strings, the
// main window that owns the dialogs, and the message loop with the keyboard
// shortcuts.

#include <windows.h>
#include <commctrl.h>

#include "app/main_dialog.h"
#include "app/run_log.h"
#include "app/ui_strings.h"
#include "platform/language.h"
#include "program/win32/program.h"
#include "res/control_ids.h"

namespace program {

HINSTANCE programInstance = nullptr;
HBRUSH whiteBrush = nullptr;
HACCEL shortcuts = nullptr;

HACCEL loadShortcuts() {
    if (shortcuts == nullptr) {
        shortcuts = LoadAcceleratorsA(programInstance, MAKEINTRESOURCEA(IDR_SHORTCUTS));
    }
    return shortcuts;
}

}  // namespace program

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    app::openRunLog("Ondavox Utility", ONDAVOX_PROGRAM_VERSION);
    platform::selectUserLanguage();
    app::loadUiStrings();
    // The main dialog's progress bar is a common control: its class must be
    // registered before the dialog is made, or the dialog cannot be created.
    INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&commonControls);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = program::mainWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = app::uiStrings.windowClass;
    RegisterClassExA(&windowClass);

    program::whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    program::programInstance = instance;

    HWND window = CreateWindowExA(0, app::uiStrings.windowClass, app::uiStrings.windowTitle,
                                  WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        app::closeRunLog(0);
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    // A zero-size window may never be asked to paint (seen under Wine); ask
    // for the first paint explicitly. Where it already ran, this is harmless.
    RedrawWindow(window, nullptr, nullptr, RDW_INTERNALPAINT);
    program::loadShortcuts();

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(message.hwnd, program::shortcuts, &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // However the loop ended, a write to the radio that is under way (a
    // save, an install or putting old bytes back) finishes before the
    // process does.
    app::onProgramEnding();
    app::closeRunLog(static_cast<int>(message.wParam));
    return static_cast<int>(message.wParam);
}
