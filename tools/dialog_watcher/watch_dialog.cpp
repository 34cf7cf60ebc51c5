// Watches the utility's main dialog from outside and prints one line each
// time what the user sees changes: the Info area's text, the form shown or
// hidden, the labels of the buttons, and the dialog's end, in UTF-8 and in
// the program's language. The run command takes a screenshot at each line.
//
//   ondavox_watch.exe [seconds]   gives up after that many seconds (default 600)
//   ondavox_watch.exe --click ID  presses the dialog's button ID and ends

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/control_ids.h"
#include "tools/program_driver/line_protocol.h"
#include "tools/program_driver/program_driver.h"

namespace {

using uidriver::ProgramDriver;

// The utility's main dialog, found by its Info area: its caption is in the
// user's language.
HWND findMainDialog() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (lstrcmpW(className, L"#32770") != 0 || GetDlgItem(window, IDC_INFO_AREA) == nullptr) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string snapshot(HWND dialog) {
    std::string view;
    if (ProgramDriver::isVisible(dialog, IDC_INFO_AREA)) {
        view += "info: " + uidriver::escapeLine(ProgramDriver::text(dialog, IDC_INFO_AREA));
    } else {
        view += "form";
    }
    for (int id : {IDC_FIRST_BUTTON, IDC_SECOND_BUTTON, IDC_TASK_BUTTON}) {
        if (ProgramDriver::isVisible(dialog, id)) view += " [" + ProgramDriver::text(dialog, id) + "]";
    }
    return view;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--click") {
        HWND dialog = findMainDialog();
        if (dialog == nullptr) return 1;
        ProgramDriver::click(dialog, static_cast<int>(std::strtol(argv[2], nullptr, 10)));
        return 0;
    }
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 600;
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    HWND dialog = nullptr;
    while (dialog == nullptr && GetTickCount() < end) {
        dialog = findMainDialog();
        if (dialog != nullptr && !IsWindowVisible(dialog)) dialog = nullptr;
        Sleep(100);
    }
    if (dialog == nullptr) {
        std::printf("no dialog\n");
        return 1;
    }
    std::string last;
    while (GetTickCount() < end) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) {
            std::printf("closed\n");
            std::fflush(stdout);
            return 0;
        }
        const std::string view = snapshot(dialog);
        if (view != last) {
            std::printf("%s\n", view.c_str());
            std::fflush(stdout);
            last = view;
        }
        Sleep(100);
    }
    std::printf("timeout\n");
    return 1;
}
