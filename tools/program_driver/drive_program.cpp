// A command server for end-to-end tests run from outside Wine: it reads one
// command per line on standard input, drives the utility with ProgramDriver,
// and answers one line per command on standard output: "ok[ value]" or
// "fail[ detail]". Texts are escaped: "\n" for a line feed, "\\" for a
// backslash (a CR is dropped).
//
//   start [path]                   starts ondavox.exe: the one at path (a Windows
//                                  path), else the one built beside this server
//   poll <ms>                      how often the waits look from now on (50 ms)
//   wait-dialog <ms>               waits for the main dialog (found by its Info
//                                  area, whatever the language of its caption)
//   caption                        the main dialog's caption
//   text <id>                      the control's text
//   wait <id> <ms> <condition>     waits until the control meets the condition
//   stays <id> <ms> <condition>    watches that it meets it for the whole time
//   visible <id>                   1 or 0
//   click <id>                     a button press
//   select <id> <index>            a list pick with its notification
//   selection <id>                 the list's selected index (-1: none)
//   items <id>                     the list's entries, joined by "|"
//   checked <id>                   1 or 0
//   progress <id>                  a progress bar: "hidden", "moving" (no total)
//                                  or its position in per cent of its range
//   set-text <id> <text>           replaces a field's text (no input filter sees it)
//   type <id> <text>               types the text into a field, character by character
//   paste <id> <text>              pastes the text into a field through the clipboard
//   ctrl <letter> | alt <letter> | escape     keys, as typed into the program's
//                                  active window: the Debug dialog while it is
//                                  open, else the main dialog
//   direction <id>                 "rtl" or "ltr": the main dialog itself (id 0)
//                                  mirrored or not; a control mirrored, reading
//                                  right to left or right-aligned, or none of it
//   debug-text <ms>                waits for the Debug dialog; its text
//   debug-caption <ms>             waits for the Debug dialog; its caption
//   debug-button                   the text of the Debug dialog's OK button
//   debug-ok <ms>                  presses the Debug dialog's OK, waits until it is gone
//   wait-gone <ms>                 waits until the main dialog is gone
//   wait-exit <ms>                 waits for the program's end; its exit code
//   query-end-session              asks each of the program's top-level windows
//                                  whether the session may end, as Windows does
//                                  at logoff: "ok 1" when all agree, "ok 0" when
//                                  one refuses
//   end-session                    tells them the session ends now
//                                  (WM_ENDSESSION); answers once they return
//
// A condition is one of "visible", "hidden", "text <text>" (the control
// reads exactly text) or "contains <text>". wait and stays answer "ok", or
// "fail " with what the control showed at the last look: "shown: <text>",
// "hidden: <text>", "no control" or "no dialog".
//
// Texts travel as UTF-8, as the user reads them in any language.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/left_to_right.h"
#include "res/control_ids.h"
#include "tools/program_driver/line_protocol.h"
#include "tools/program_driver/program_driver.h"

namespace {

using namespace std::chrono;
using uidriver::ProgramDriver;

void answer(const std::string& line) {
    std::cout << line << std::endl;
}

// The rest of the line after the words already read, without its first blank.
std::string rest(std::istringstream& words) {
    std::string remainder;
    std::getline(words, remainder);
    if (!remainder.empty() && remainder[0] == ' ') remainder.erase(0, 1);
    return remainder;
}

// Reads "<condition>" of control id from the rest of the line; false when it
// names no condition.
bool readCondition(std::istringstream& words, int id, uidriver::ControlCondition& condition) {
    std::string kind;
    words >> kind;
    if (kind == "visible") {
        condition = uidriver::ControlCondition::visible(id);
    } else if (kind == "hidden") {
        condition = uidriver::ControlCondition::hidden(id);
    } else if (kind == "text") {
        condition = uidriver::ControlCondition::textIs(id, uidriver::unescapeLine(rest(words)));
    } else if (kind == "contains") {
        condition = uidriver::ControlCondition::textContains(id, uidriver::unescapeLine(rest(words)));
    } else {
        return false;
    }
    return true;
}

// The Debug dialog, whatever its caption's language: its text field's id
// is the APN label's too, so it is the dialog with that id and no Info area.
HWND debugDialog(const ProgramDriver& program) {
    return program.findDialogWith(IDC_DEBUG_TEXT, IDC_INFO_AREA);
}

HWND waitForDebugDialog(ProgramDriver& program, milliseconds timeout) {
    return program.waitForDialogWith(IDC_DEBUG_TEXT, timeout, IDC_INFO_AREA);
}

// Where a typed key goes: the Debug dialog while it is open above the main
// dialog, else the main dialog.
HWND keyWindow(const ProgramDriver& program, HWND dialog) {
    HWND debug = debugDialog(program);
    return debug != nullptr ? debug : dialog;
}

// "rtl" for the dialog when it is mirrored, for a control when it reads right
// to left in any way; else "ltr".
std::string direction(HWND dialog, int id) {
    if (id == 0) {
        return (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0 ? "rtl" : "ltr";
    }
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr && !platform::win32::readsLeftToRight(control) ? "rtl" : "ltr";
}

// Sends message to every top-level window of the program's process, as
// Windows does at the session's end: 1 when all answer TRUE, 0 when one
// answers FALSE (or not at all), -1 when the program has no window.
int sendToTopLevelWindows(const ProgramDriver& program, UINT message, WPARAM wParam, LPARAM lParam) {
    struct Search {
        DWORD processId;
        std::vector<HWND> windows;
    } search{program.processId(), {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId) s->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.windows.empty()) return -1;
    int allAgree = 1;
    for (HWND window : search.windows) {
        DWORD_PTR result = 0;
        // WM_ENDSESSION may wait for a write to the radio: allow it minutes.
        if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 300000, &result) == 0 || result == 0) {
            allAgree = 0;
        }
    }
    return allAgree;
}

std::string answerTo(const uidriver::WaitOutcome& outcome) {
    return outcome.met ? "ok" : "fail " + uidriver::escapeLine(outcome.seen.describe());
}

}  // namespace

int main() {
    ProgramDriver program;
    HWND dialog = nullptr;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string command;
        words >> command;
        int id = 0;
        if (command == "start") {
            const std::string path = rest(words);
            answer(program.start(path.empty() ? uidriver::utilityPath() : path) ? "ok" : "fail cannot start");
        } else if (command == "poll") {
            long ms = 50;
            words >> ms;
            ProgramDriver::setPollInterval(milliseconds(ms > 0 ? ms : 1));
            answer("ok");
        } else if (command == "wait-dialog") {
            long ms = 0;
            words >> ms;
            dialog = program.waitForDialogWith(IDC_INFO_AREA, milliseconds(ms));
            answer(dialog != nullptr ? "ok" : "fail no dialog");
        } else if (command == "caption") {
            answer("ok " + uidriver::escapeLine(ProgramDriver::caption(dialog)));
        } else if (command == "direction") {
            words >> id;
            answer("ok " + direction(dialog, id));
        } else if (command == "text") {
            words >> id;
            answer("ok " + uidriver::escapeLine(ProgramDriver::text(dialog, id)));
        } else if (command == "wait" || command == "stays") {
            long ms = 0;
            words >> id >> ms;
            uidriver::ControlCondition condition;
            if (!readCondition(words, id, condition)) {
                answer("fail unknown condition");
            } else if (command == "wait") {
                answer(answerTo(ProgramDriver::waitUntil(dialog, condition, milliseconds(ms))));
            } else {
                answer(answerTo(ProgramDriver::staysFor(dialog, condition, milliseconds(ms))));
            }
        } else if (command == "visible") {
            words >> id;
            answer(ProgramDriver::isVisible(dialog, id) ? "ok 1" : "ok 0");
        } else if (command == "click") {
            words >> id;
            ProgramDriver::click(dialog, id);
            answer("ok");
        } else if (command == "select") {
            int index = 0;
            words >> id >> index;
            ProgramDriver::select(dialog, id, index);
            answer("ok");
        } else if (command == "selection") {
            words >> id;
            answer("ok " + std::to_string(ProgramDriver::selection(dialog, id)));
        } else if (command == "items") {
            words >> id;
            std::string joined;
            for (const std::string& item : ProgramDriver::listItems(dialog, id)) {
                joined += (joined.empty() ? "" : "|") + uidriver::escapeLine(item);
            }
            answer("ok " + joined);
        } else if (command == "checked") {
            words >> id;
            answer(ProgramDriver::isChecked(dialog, id) ? "ok 1" : "ok 0");
        } else if (command == "progress") {
            words >> id;
            answer("ok " + ProgramDriver::progress(dialog, id));
        } else if (command == "set-text") {
            words >> id;
            ProgramDriver::setText(dialog, id, uidriver::unescapeLine(rest(words)));
            answer("ok");
        } else if (command == "type") {
            words >> id;
            ProgramDriver::typeText(dialog, id, uidriver::unescapeLine(rest(words)));
            answer("ok");
        } else if (command == "paste") {
            words >> id;
            answer(ProgramDriver::pasteText(dialog, id, uidriver::unescapeLine(rest(words))) ? "ok"
                                                                                            : "fail clipboard");
        } else if (command == "ctrl" || command == "alt") {
            std::string letter;
            words >> letter;
            if (command == "ctrl") {
                ProgramDriver::pressControlLetter(keyWindow(program, dialog), letter.empty() ? 'A' : letter[0]);
            } else {
                ProgramDriver::pressAltLetter(keyWindow(program, dialog), letter.empty() ? 'A' : letter[0]);
            }
            answer("ok");
        } else if (command == "escape") {
            ProgramDriver::pressEscape(keyWindow(program, dialog));
            answer("ok");
        } else if (command == "debug-text") {
            long ms = 0;
            words >> ms;
            HWND debug = waitForDebugDialog(program, milliseconds(ms));
            answer(debug != nullptr ? "ok " + uidriver::escapeLine(ProgramDriver::text(debug, IDC_DEBUG_TEXT))
                                    : "fail no Debug dialog");
        } else if (command == "debug-caption") {
            long ms = 0;
            words >> ms;
            HWND debug = waitForDebugDialog(program, milliseconds(ms));
            answer(debug != nullptr ? "ok " + uidriver::escapeLine(ProgramDriver::caption(debug))
                                    : "fail no Debug dialog");
        } else if (command == "debug-button") {
            HWND debug = debugDialog(program);
            answer(debug != nullptr ? "ok " + uidriver::escapeLine(ProgramDriver::text(debug, IDC_FIRST_BUTTON))
                                    : "fail no Debug dialog");
        } else if (command == "debug-ok") {
            long ms = 0;
            words >> ms;
            HWND debug = debugDialog(program);
            if (debug == nullptr) {
                answer("fail no Debug dialog");
            } else {
                ProgramDriver::click(debug, IDC_FIRST_BUTTON);
                answer(ProgramDriver::waitUntilGone(debug, milliseconds(ms)) ? "ok" : "fail still shown");
            }
        } else if (command == "wait-gone") {
            long ms = 0;
            words >> ms;
            answer(ProgramDriver::waitUntilGone(dialog, milliseconds(ms)) ? "ok" : "fail still shown");
        } else if (command == "wait-exit") {
            long ms = 0;
            words >> ms;
            DWORD code = 0;
            answer(program.waitForExit(milliseconds(ms), &code) ? "ok " + std::to_string(code) : "fail running");
        } else if (command == "query-end-session") {
            const int agreed = sendToTopLevelWindows(program, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            answer(agreed < 0 ? "fail no window" : "ok " + std::to_string(agreed));
        } else if (command == "end-session") {
            answer(sendToTopLevelWindows(program, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF) < 0 ? "fail no window" : "ok");
        } else {
            answer("fail unknown command");
        }
    }
    return 0;
}
