#pragma once
// What the Qt tests share: running a worker while the dialogs' thread keeps
// handling events, and acting inside the next modal dialog's own run.

#include <QApplication>
#include <QDialog>

#include <functional>

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

}  // namespace qttest
