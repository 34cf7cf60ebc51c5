// The Windows program's entry and its user-interface thread: strings, the
// main window that owns the dialogs, and the message loop with the keyboard
// shortcuts.

#include <windows.h>
#include <commctrl.h>

#include "app/main_dialog.h"
#include "app/run_log.h"
#include "app/ui_strings.h"
#include "platform/language.h"
#include "platform/win32/wide_text.h"
#include "program/win32/program.h"
#include "res/control_ids.h"

namespace program {

HINSTANCE programInstance = nullptr;
HBRUSH whiteBrush = nullptr;
HACCEL shortcuts = nullptr;

HACCEL loadShortcuts() {
    if (shortcuts == nullptr) {
        shortcuts = LoadAcceleratorsW(programInstance, MAKEINTRESOURCEW(IDR_SHORTCUTS));
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

    // The window and its dialogs are Unicode, so the translated texts reach
    // Windows whole whatever the computer's ANSI code page is.
    const platform::win32::WideText<app::UI_STRING_CAPACITY> className(app::uiStrings.windowClass);
    const platform::win32::WideText<app::UI_STRING_CAPACITY> title(app::uiStrings.windowTitle);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = program::mainWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow, IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className.get();
    RegisterClassExW(&windowClass);

    program::whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    program::programInstance = instance;

    HWND window = CreateWindowExW(0, className.get(), title.get(), WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
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
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(message.hwnd, program::shortcuts, &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // However the loop ended, a write to the radio that is under way (a
    // save, an install or putting old bytes back) finishes before the
    // process does.
    app::onProgramEnding();
    app::closeRunLog(static_cast<int>(message.wParam));
    return static_cast<int>(message.wParam);
}
