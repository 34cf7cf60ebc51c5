#pragma once
// Drives the real utility from another process, as a user would: starts
// ondavox.exe, finds its dialogs, reads and sets control texts, clicks
// buttons, picks list entries and types the keyboard shortcuts.
//
// Keys are posted as the messages a keyboard produces (the program's modal
// loop and its shortcut hook see them exactly so); judging a dialog closed is
// done by its window disappearing, since a program may stay busy for a moment
// after its dialog hides.

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace uidriver {

using std::chrono::milliseconds;

constexpr char MAIN_DIALOG_CAPTION[] = "Brelvan Ondavox Utility";
constexpr char DEBUG_DIALOG_CAPTION[] = "Debug";

// The folder of the running test program's parent: where ondavox.exe is built.
std::string utilityPath();

class ProgramDriver {
public:
    ProgramDriver() = default;
    ~ProgramDriver();  // ends the program if it still runs
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Starts the program; false when it cannot be started.
    bool start(const std::string& exePath = utilityPath());
    // Waits until the program shows a visible top-level window with this
    // caption; null when none appears in time.
    HWND waitForDialog(const char* caption, milliseconds timeout);
    // The program's visible top-level window with this caption, or null.
    HWND findDialog(const char* caption) const;

    // The control's text (read with spare room, since a worker may change it
    // between the length and the text); empty when the control is missing.
    static std::string text(HWND dialog, int controlId);
    // Waits until the control reads exactly expected; false on timeout.
    static bool waitForText(HWND dialog, int controlId, const std::string& expected, milliseconds timeout);
    static bool isVisible(HWND dialog, int controlId);
    static void setText(HWND dialog, int controlId, const std::string& text);

    // A button press as the dialog receives it.
    static void click(HWND dialog, int controlId);
    // A list pick: the selection, then the notification the list sends.
    static void select(HWND dialog, int controlId, int index);
    static int selection(HWND dialog, int controlId);
    static std::vector<std::string> listItems(HWND dialog, int controlId);
    static bool isChecked(HWND dialog, int controlId);

    // Ctrl with a letter: the control character it types (Ctrl+D gives 4).
    static void pressControlLetter(HWND window, char upperCaseLetter);
    // Alt with a letter, upper or lower case, as key down and system character.
    static void pressAltLetter(HWND window, char letter);
    static void pressEscape(HWND window);
    // The close box (or Alt+F4) of a window.
    static void pressCloseBox(HWND window);

    // Waits until the window is gone; false on timeout.
    static bool waitUntilGone(HWND window, milliseconds timeout);
    // Waits for the program to end; false on timeout. exitCode gets its code.
    bool waitForExit(milliseconds timeout, DWORD* exitCode);

    DWORD processId() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_ = {};
};

// True under Wine, whose shortcut translation differs from Windows in one
// known case (Alt with a lower-case letter).
bool runningUnderWine();

}  // namespace uidriver
