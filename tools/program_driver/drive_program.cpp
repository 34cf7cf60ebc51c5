// A command server for end-to-end tests run from outside Wine: it reads one
// command per line on standard input, drives the utility with ProgramDriver,
// and answers one line per command on standard output: "ok[ value]" or
// "fail[ detail]". Texts are escaped: "\n" for a line feed, "\\" for a
// backslash (a CR is dropped).
//
//   start                          starts ondavox.exe
//   wait-dialog <ms>               waits for the main dialog
//   text <id>                      the control's text
//   wait-text <id> <ms> <text>     waits until the control reads text
//   visible <id>                   1 or 0
//   click <id>                     a button press
//   select <id> <index>            a list pick with its notification
//   selection <id>                 the list's selected index (-1: none)
//   items <id>                     the list's entries, joined by "|"
//   checked <id>                   1 or 0
//   set-text <id> <text>           replaces a field's text
//   ctrl <letter> | alt <letter> | escape     keys to the main dialog
//   wait-gone <ms>                 waits until the main dialog is gone
//   wait-exit <ms>                 waits for the program's end; its exit code

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

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
            answer(program.start() ? "ok" : "fail cannot start");
        } else if (command == "wait-dialog") {
            long ms = 0;
            words >> ms;
            dialog = program.waitForDialog(uidriver::MAIN_DIALOG_CAPTION, milliseconds(ms));
            answer(dialog != nullptr ? "ok" : "fail no dialog");
        } else if (command == "text") {
            words >> id;
            answer("ok " + uidriver::escapeLine(ProgramDriver::text(dialog, id)));
        } else if (command == "wait-text") {
            long ms = 0;
            words >> id >> ms;
            const std::string expected = uidriver::unescapeLine(rest(words));
            if (ProgramDriver::waitForText(dialog, id, expected, milliseconds(ms))) {
                answer("ok");
            } else {
                answer("fail " + uidriver::escapeLine(ProgramDriver::text(dialog, id)));
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
        } else if (command == "set-text") {
            words >> id;
            ProgramDriver::setText(dialog, id, uidriver::unescapeLine(rest(words)));
            answer("ok");
        } else if (command == "ctrl" || command == "alt") {
            std::string letter;
            words >> letter;
            if (command == "ctrl") {
                ProgramDriver::pressControlLetter(dialog, letter.empty() ? 'A' : letter[0]);
            } else {
                ProgramDriver::pressAltLetter(dialog, letter.empty() ? 'A' : letter[0]);
            }
            answer("ok");
        } else if (command == "escape") {
            ProgramDriver::pressEscape(dialog);
            answer("ok");
        } else if (command == "wait-gone") {
            long ms = 0;
            words >> ms;
            answer(ProgramDriver::waitUntilGone(dialog, milliseconds(ms)) ? "ok" : "fail still shown");
        } else if (command == "wait-exit") {
            long ms = 0;
            words >> ms;
            DWORD code = 0;
            answer(program.waitForExit(milliseconds(ms), &code) ? "ok " + std::to_string(code) : "fail running");
        } else {
            answer("fail unknown command");
        }
    }
    return 0;
}
