#include "tools/program_driver/program_driver.h"

#include <commctrl.h>

#include <thread>

namespace uidriver {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks; a benchmark looks more often (setPollInterval).
milliseconds pollInterval{50};
// The mark of waitUntilHandled usually passes within a few milliseconds.
constexpr milliseconds MARK_POLL{5};

// Checks until check() is true (true) or end has passed (false); the last
// check comes after end.
template <typename Check>
bool pollUntil(Clock::time_point end, milliseconds interval, Check check) {
    for (;;) {
        if (check()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(interval);
    }
}

// What is left of the time until end, for a message's own time limit.
UINT millisecondsUntil(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<UINT>(left) : 1;
}

bool isEditField(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "Edit") == 0;
}

BOOL CALLBACK findEditField(HWND child, LPARAM parameter) {
    if (!isEditField(child)) return TRUE;
    *reinterpret_cast<HWND*>(parameter) = child;
    return FALSE;
}

// The field whose modified flag carries waitUntilHandled's mark: the window
// itself when it is an edit field, otherwise its first one. The program never
// reads that flag, and the mark puts it back.
HWND markField(HWND window) {
    if (isEditField(window)) return window;
    HWND found = nullptr;
    EnumChildWindows(window, findEditField, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Posts the mark behind everything already posted to the field's thread and
// waits until the thread has taken it: a thread takes the messages posted to
// its windows in the order they were posted. Sent messages overtake posted
// ones, so the flag is cleared by a sent message and set by the posted one.
// A message with a pointer cannot be posted to another process; this one has
// none.
bool passMark(HWND field, Clock::time_point end) {
    DWORD_PTR before = 0;
    if (SendMessageTimeoutW(field, EM_GETMODIFY, 0, 0, SMTO_BLOCK, millisecondsUntil(end), &before) == 0 ||
        SendMessageTimeoutW(field, EM_SETMODIFY, FALSE, 0, SMTO_BLOCK, millisecondsUntil(end), nullptr) == 0 ||
        PostMessageW(field, EM_SETMODIFY, TRUE, 0) == 0) {
        return false;
    }
    bool gone = false;
    const bool passed = pollUntil(end, MARK_POLL, [&] {
        DWORD_PTR modified = 0;
        gone = IsWindow(field) == 0;
        return gone ||
               (SendMessageTimeoutW(field, EM_GETMODIFY, 0, 0, SMTO_BLOCK, millisecondsUntil(end), &modified) != 0 &&
                modified != 0);
    });
    if (gone) return false;
    SendMessageTimeoutW(field, EM_SETMODIFY, before != 0 ? TRUE : FALSE, 0, SMTO_BLOCK, millisecondsUntil(end),
                        nullptr);
    return passed;
}

std::string narrow(const wchar_t* wide) {
    char text[4 * 4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// What the user reads in a window's caption or a control, as UTF-8.
std::string windowText(HWND window) {
    wchar_t wide[4096] = {};
    GetWindowTextW(window, wide, static_cast<int>(std::size(wide)));
    return narrow(wide);
}

// A visible top-level window of the process: with this caption, or (no
// caption given) holding a control with this id and none with the other.
struct WindowSearch {
    DWORD processId;
    const char* caption;
    int controlId;
    int lackingControlId;
    HWND found;
};

bool holdsControls(HWND window, int controlId, int lackingControlId) {
    return GetDlgItem(window, controlId) != nullptr &&
           (lackingControlId == ProgramDriver::NO_CONTROL || GetDlgItem(window, lackingControlId) == nullptr);
}

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (search->caption != nullptr ? windowText(window) != search->caption
                                   : !holdsControls(window, search->controlId, search->lackingControlId)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
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

void ProgramDriver::setPollInterval(milliseconds interval) {
    pollInterval = interval;
}

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
    WindowSearch search{process_.dwProcessId, caption, 0, NO_CONTROL, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramDriver::waitForDialog(const char* caption, milliseconds timeout) {
    HWND found = nullptr;
    pollUntil(Clock::now() + timeout, pollInterval, [&] { return (found = findDialog(caption)) != nullptr; });
    return found;
}

HWND ProgramDriver::findDialogWith(int controlId, int lackingControlId) const {
    WindowSearch search{process_.dwProcessId, nullptr, controlId, lackingControlId, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramDriver::waitForDialogWith(int controlId, milliseconds timeout, int lackingControlId) {
    HWND found = nullptr;
    pollUntil(Clock::now() + timeout, pollInterval,
              [&] { return (found = findDialogWith(controlId, lackingControlId)) != nullptr; });
    return found;
}

std::string ProgramDriver::caption(HWND window) {
    return window != nullptr ? windowText(window) : "";
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

bool ProgramDriver::isVisible(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

ControlView ProgramDriver::look(HWND dialog, int controlId) {
    ControlView view;
    if (dialog == nullptr || !IsWindow(dialog)) return view;
    if (GetDlgItem(dialog, controlId) == nullptr) {
        view.state = ControlView::State::NoControl;
        return view;
    }
    view.state = isVisible(dialog, controlId) ? ControlView::State::Shown : ControlView::State::Hidden;
    view.text = text(dialog, controlId);
    return view;
}

bool ControlView::satisfies(const ControlCondition& condition) const {
    const bool present = state == State::Shown || state == State::Hidden;
    switch (condition.kind) {
        case ControlCondition::Kind::Visible:
            return state == State::Shown;
        case ControlCondition::Kind::Hidden:
            return state == State::Hidden;
        case ControlCondition::Kind::TextIs:
            return present && text == condition.text;
        case ControlCondition::Kind::TextContains:
            return present && text.find(condition.text) != std::string::npos;
    }
    return false;
}

std::string ControlView::describe() const {
    switch (state) {
        case State::NoDialog:
            return "no dialog";
        case State::NoControl:
            return "no control";
        case State::Shown:
            return "shown: " + text;
        case State::Hidden:
            return "hidden: " + text;
    }
    return "";
}

WaitOutcome ProgramDriver::waitUntil(HWND dialog, const ControlCondition& condition, milliseconds timeout) {
    WaitOutcome outcome;
    pollUntil(Clock::now() + timeout, pollInterval, [&] {
        outcome.seen = look(dialog, condition.controlId);
        outcome.met = outcome.seen.satisfies(condition);
        return outcome.met || outcome.seen.state == ControlView::State::NoDialog;
    });
    return outcome;
}

WaitOutcome ProgramDriver::staysFor(HWND dialog, const ControlCondition& condition, milliseconds period) {
    WaitOutcome outcome;
    const bool broken = pollUntil(Clock::now() + period, pollInterval, [&] {
        outcome.seen = look(dialog, condition.controlId);
        return !outcome.seen.satisfies(condition);
    });
    outcome.met = !broken;
    return outcome;
}

// Two marks: the first passes what was posted before the call, the second
// what those messages posted while they were handled (a close box, for one,
// posts the dialog's Cancel command).
bool ProgramDriver::waitUntilHandled(HWND window, milliseconds timeout) {
    HWND field = markField(window);
    if (field == nullptr) return false;
    const auto end = Clock::now() + timeout;
    return passMark(field, end) && passMark(field, end);
}

void ProgramDriver::setText(HWND dialog, int controlId, const std::string& text) {
    SetDlgItemTextA(dialog, controlId, text.c_str());
}

void ProgramDriver::typeText(HWND dialog, int controlId, const std::string& text) {
    HWND control = GetDlgItem(dialog, controlId);
    for (char c : text) {
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

bool ProgramDriver::pasteText(HWND dialog, int controlId, const std::string& text) {
    // The clipboard needs an owner window for its data; a message-only one.
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    HGLOBAL data = units > 0 ? GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(units) * sizeof(wchar_t)) : nullptr;
    bool set = false;
    if (data != nullptr) {
        auto* wide = static_cast<wchar_t*>(GlobalLock(data));
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, units);
        GlobalUnlock(data);
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            set = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
            CloseClipboard();
        }
        if (!set) GlobalFree(data);
    }
    if (set) {
        SendMessageW(GetDlgItem(dialog, controlId), WM_PASTE, 0, 0);
    }
    if (owner != nullptr) DestroyWindow(owner);
    return set;
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

std::string ProgramDriver::progress(HWND dialog, int controlId) {
    HWND bar = GetDlgItem(dialog, controlId);
    if (bar == nullptr || !isVisible(dialog, controlId)) {
        return "hidden";
    }
    if ((GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0) {
        return "moving";
    }
    const LRESULT low = SendMessageW(bar, PBM_GETRANGE, TRUE, 0);
    const LRESULT high = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
    const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
    if (high <= low) {
        return "moving";
    }
    return std::to_string((position - low) * 100 / (high - low));
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
    return pollUntil(Clock::now() + timeout, pollInterval,
                     [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

bool ProgramDriver::waitForExit(milliseconds timeout, DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

}  // namespace uidriver
