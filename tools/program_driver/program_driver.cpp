#include "tools/program_driver/program_driver.h"

#include <thread>

namespace uidriver {

namespace {

constexpr milliseconds POLL{50};

struct WindowSearch {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(caption) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

std::string narrow(const wchar_t* wide) {
    char text[4096] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// Keys go to the window that has the keyboard focus in the window's thread.
HWND keyboardTarget(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr) {
        return info.hwndFocus;
    }
    return window;
}

}  // namespace

std::string utilityPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of("\\/"));
    folder = folder.substr(0, folder.find_last_of("\\/"));
    return folder + "\\ondavox.exe";
}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ProgramDriver::~ProgramDriver() {
    if (process_.hProcess != nullptr) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool ProgramDriver::start(const std::string& exePath) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"";
    return CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process_) != 0;
}

HWND ProgramDriver::findDialog(const char* caption) const {
    WindowSearch search{process_.dwProcessId, caption, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramDriver::waitForDialog(const char* caption, milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        if (HWND found = findDialog(caption)) return found;
        std::this_thread::sleep_for(POLL);
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

std::string ProgramDriver::text(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) return "";
    wchar_t wide[4096] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, std::size(wide) - 1, reinterpret_cast<LPARAM>(wide), SMTO_BLOCK,
                        5000, &copied);
    return narrow(wide);
}

bool ProgramDriver::waitForText(HWND dialog, int controlId, const std::string& expected, milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        if (text(dialog, controlId) == expected) return true;
        std::this_thread::sleep_for(POLL);
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

bool ProgramDriver::isVisible(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ProgramDriver::setText(HWND dialog, int controlId, const std::string& text) {
    SetDlgItemTextA(dialog, controlId, text.c_str());
}

void ProgramDriver::click(HWND dialog, int controlId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

void ProgramDriver::select(HWND dialog, int controlId, int index) {
    HWND list = GetDlgItem(dialog, controlId);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int ProgramDriver::selection(HWND dialog, int controlId) {
    return static_cast<int>(SendDlgItemMessageW(dialog, controlId, CB_GETCURSEL, 0, 0));
}

// Wide messages: an ANSI list-text request across processes returns only the
// first character under Wine.
std::vector<std::string> ProgramDriver::listItems(HWND dialog, int controlId) {
    std::vector<std::string> items;
    const LRESULT count = SendDlgItemMessageW(dialog, controlId, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        wchar_t wide[512] = {};
        if (SendDlgItemMessageW(dialog, controlId, CB_GETLBTEXTLEN, index, 0) >= 511) {
            items.emplace_back("<too long>");
            continue;
        }
        SendDlgItemMessageW(dialog, controlId, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide));
        items.push_back(narrow(wide));
    }
    return items;
}

bool ProgramDriver::isChecked(HWND dialog, int controlId) {
    return SendDlgItemMessageW(dialog, controlId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ProgramDriver::pressControlLetter(HWND window, char upperCaseLetter) {
    const WPARAM code = static_cast<WPARAM>(upperCaseLetter - 'A' + 1);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(upperCaseLetter, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(keyboardTarget(window), WM_CHAR, code, 1 | scan);
}

void ProgramDriver::pressAltLetter(HWND window, char letter) {
    const char key = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM altDown = 1 | scan | (1 << 29);
    HWND target = keyboardTarget(window);
    PostMessageA(target, WM_SYSKEYDOWN, static_cast<WPARAM>(key), altDown);
    PostMessageA(target, WM_SYSCHAR, static_cast<WPARAM>(letter), altDown);
    PostMessageA(target, WM_SYSKEYUP, static_cast<WPARAM>(key), altDown | (1u << 30) | (1u << 31));
}

void ProgramDriver::pressEscape(HWND window) {
    HWND target = keyboardTarget(window);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1 | scan);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 1 | scan | (1u << 30) | (1u << 31));
}

void ProgramDriver::pressCloseBox(HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool ProgramDriver::waitUntilGone(HWND window, milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        std::this_thread::sleep_for(POLL);
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

bool ProgramDriver::waitForExit(milliseconds timeout, DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

}  // namespace uidriver
