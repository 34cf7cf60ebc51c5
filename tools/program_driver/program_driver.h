#pragma once
// Drives the real utility from another process, as a user would: starts
// ondavox.exe, finds its dialogs, reads and sets control texts, clicks
// buttons, picks list entries and types the keyboard shortcuts.
//
// Keys are posted as the messages a keyboard produces (the program's modal
// loop and its shortcut hook see them exactly so); judging a dialog closed is
// done by its window disappearing, since a program may stay busy for a moment
// after its dialog hides.
//
// Tests wait for what the user would see, never for a fixed time: a control
// shown, hidden, or reading a text (waitUntil); a control that must stay as
// it is for a while (staysFor); and, to tell that a key or click changed
// nothing, the program's thread having handled it (waitUntilHandled).

#include <windows.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace uidriver {

using std::chrono::milliseconds;

constexpr char MAIN_DIALOG_CAPTION[] = "Brelvan Ondavox Utility";
constexpr char DEBUG_DIALOG_CAPTION[] = "Debug";

// The folder of the running test program's parent: where ondavox.exe is built.
std::string utilityPath();

// What a wait looks for in one control of a dialog.
struct ControlCondition {
    enum class Kind { Visible, Hidden, TextIs, TextContains };

    Kind kind = Kind::Visible;
    int controlId = 0;
    std::string text;  // for TextIs and TextContains

    static ControlCondition visible(int controlId) { return {Kind::Visible, controlId, {}}; }
    static ControlCondition hidden(int controlId) { return {Kind::Hidden, controlId, {}}; }
    static ControlCondition textIs(int controlId, std::string text) {
        return {Kind::TextIs, controlId, std::move(text)};
    }
    static ControlCondition textContains(int controlId, std::string text) {
        return {Kind::TextContains, controlId, std::move(text)};
    }
};

// One look at a control: whether its dialog and the control are there,
// whether it is shown, and its text.
struct ControlView {
    enum class State { NoDialog, NoControl, Shown, Hidden };

    State state = State::NoDialog;
    std::string text;

    bool satisfies(const ControlCondition& condition) const;
    // For messages: "shown: <text>", "hidden: <text>", "no control", "no dialog".
    std::string describe() const;
};

// The end of a wait: whether the condition was met (or, for staysFor, kept),
// and the last look at the control, which shows what was there instead.
struct WaitOutcome {
    bool met = false;
    ControlView seen;
};

class ProgramDriver {
public:
    ProgramDriver() = default;
    ~ProgramDriver();  // ends the program if it still runs
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Starts the program; false when it cannot be started.
    bool start(const std::string& exePath = utilityPath());
    // How often the waits below look (50 ms unless set).
    static void setPollInterval(milliseconds interval);
    // Waits until the program shows a visible top-level window with this
    // caption; null when none appears in time.
    HWND waitForDialog(const char* caption, milliseconds timeout);
    // The program's visible top-level window with this caption (UTF-8), or
    // null.
    HWND findDialog(const char* caption) const;
    // The same found by a control it holds and, when given, one it lacks
    // (the dialogs share some ids), whatever its caption's language.
    static constexpr int NO_CONTROL = 0x7FFFFFFF;
    HWND waitForDialogWith(int controlId, milliseconds timeout, int lackingControlId = NO_CONTROL);
    HWND findDialogWith(int controlId, int lackingControlId = NO_CONTROL) const;

    // The control's text as the user reads it, in UTF-8 (read with spare
    // room, since a worker may change it between the length and the text);
    // empty when the control is missing.
    static std::string text(HWND dialog, int controlId);
    // A window's caption in UTF-8.
    static std::string caption(HWND window);
    static bool isVisible(HWND dialog, int controlId);
    static ControlView look(HWND dialog, int controlId);
    // Replaces the text as the program itself would (WM_SETTEXT): no
    // keyboard, so no input filter of the field sees it.
    static void setText(HWND dialog, int controlId, const std::string& text);
    // Types each byte into the control as the character message a key
    // produces (WM_CHAR), one after the other, each handled before the next.
    static void typeText(HWND dialog, int controlId, const std::string& text);
    // Puts UTF-8 text on the clipboard and pastes it into the control
    // (WM_PASTE), as Ctrl+V or the context menu would. False when the
    // clipboard cannot be set.
    static bool pasteText(HWND dialog, int controlId, const std::string& text);

    // Waits until the condition holds. Not met when the timeout passes, or
    // at once when the dialog is gone (nothing can change any more).
    static WaitOutcome waitUntil(HWND dialog, const ControlCondition& condition, milliseconds timeout);
    // Watches the condition for period: met when it held at every look,
    // otherwise ends at the first look where it did not.
    static WaitOutcome staysFor(HWND dialog, const ControlCondition& condition, milliseconds period);
    // Waits until the thread of window has handled every message posted to it
    // before the call (keys, clicks, the close box), and what those posted in
    // turn, so that a test can tell that they changed nothing. False when that
    // cannot be seen in time, e.g. because the window went away meanwhile.
    static bool waitUntilHandled(HWND window, milliseconds timeout);

    // A button press as the dialog receives it.
    static void click(HWND dialog, int controlId);
    // A list pick: the selection, then the notification the list sends.
    static void select(HWND dialog, int controlId, int index);
    static int selection(HWND dialog, int controlId);
    static std::vector<std::string> listItems(HWND dialog, int controlId);
    static bool isChecked(HWND dialog, int controlId);
    // A progress bar as assistive tools read it: "hidden", "moving" (a
    // marquee: no total) or its position in per cent of its range.
    static std::string progress(HWND dialog, int controlId);

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
