#pragma once
// What the Qt tests share: running a worker while the dialogs' thread keeps
// handling events, and acting inside the next modal dialog's own run.

#include <QApplication>
#include <QDialog>

#include <functional>
#include <string>

namespace qttest {

// Runs work on a thread of its own and returns once it has returned. While it
// runs, this thread (the dialogs' thread) handles its events when
// serviceEvents is true, and only waits when it is false. A worker that has
// not returned within ten seconds ends the program with a message: a hang is
// a failure, not a stuck test run.
void runOnWorker(const std::function<void()>& work, bool serviceEvents = true);

// Waits until condition holds, handling events meanwhile when serviceEvents
// is true; ends the program with a message after ten seconds, as runOnWorker.
void waitUntil(const std::function<bool()>& condition, bool serviceEvents = true);

// Handles events for the given time.
void handleEventsFor(int milliseconds);

// Calls act with the next modal dialog that opens, from within that dialog's
// own event loop (so act may close it). Gives up after five seconds.
void onNextModalDialog(std::function<void(QDialog&)> act);

// The program started in a language as a user's system names it: the four
// variables gettext reads set (nullptr: unset) and the program's own start
// (program::takeUserLanguage) run. Afterwards the process's variables are
// back, and with them English, left to right, for the other tests.
class ProgramLanguage {
public:
    ProgramLanguage(const char* language, const char* all, const char* messages, const char* lang);
    // LANGUAGE=code with an English locale: exactly that language of the
    // catalogue, the pseudo-language too.
    explicit ProgramLanguage(const char* code) : ProgramLanguage(code, nullptr, nullptr, "en_US.UTF-8") {}
    ~ProgramLanguage();
    ProgramLanguage(const ProgramLanguage&) = delete;
    ProgramLanguage& operator=(const ProgramLanguage&) = delete;

private:
    std::string saved_[4];
    bool wasSet_[4] = {};
};

// The name of a control id in res/control_ids.h ("IDC_PIN_LABEL"), or the
// number when it has none.
std::string controlName(int id);

}  // namespace qttest
