// The session's end on Linux: at logout and shutdown the session's programs
// get SIGTERM (SIGHUP when their terminal goes, SIGINT for Ctrl+C), and the
// session manager asks Qt to quit. Each takes the path of the Windows
// program's session end: the dialog closes, main waits for a write to the
// radio under way (app::onProgramEnding) and ends with exit code 0. The
// signal handler only writes a byte to a socket pair; a QSocketNotifier turns
// it into an ordinary event on the user-interface thread.

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "program/linux/program.h"
#include "res/control_ids.h"

namespace program {

namespace {

constexpr int SESSION_END_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT};

// [0] is read by the notifier, [1] written by the handler. Both stay open for
// the process's life: a signal during the wait after the dialog has gone
// still lands here, and the write to the radio goes on.
int signalSockets[2] = {-1, -1};

void onSessionEndSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Non-blocking: when nobody reads any more the byte is dropped, which is
    // all a later signal needs.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool catchSessionEndSignals() {
    if (signalSockets[0] >= 0) {
        return true;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        signalSockets[0] = signalSockets[1] = -1;
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = onSessionEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : SESSION_END_SIGNALS) {
        ::sigaction(number, &action, nullptr);
    }
    return true;
}

SessionEndWatch::SessionEndWatch(MainDialog& dialog) : dialog_(dialog) {
    QCoreApplication::instance()->installEventFilter(this);
    if (signalSockets[0] < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        while (::read(signalSockets[0], bytes, sizeof bytes) > 0) {
        }
        endSession();
    });
}

SessionEndWatch::~SessionEndWatch() { QCoreApplication::instance()->removeEventFilter(this); }

bool SessionEndWatch::eventFilter(QObject* watched, QEvent* event) {
    // The session manager's "die" and QCoreApplication::quit reach the
    // application as this event; it goes on to Qt afterwards.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        endSession();
    }
    return false;
}

void SessionEndWatch::endSession() {
    if (!dialog_.isOpen()) {
        return;
    }
    ++sessionEnds_;
    // A dialog above the main one (the Debug dialog) runs a loop of its own
    // inside the main dialog's: it closes first, or the main run could not end.
    for (QDialog* above : dialog_.findChildren<QDialog*>()) {
        if (above->isVisible()) {
            above->done(QDialog::Rejected);
        }
    }
    dialog_.done(IDC_SECOND_BUTTON);
}

}  // namespace program
