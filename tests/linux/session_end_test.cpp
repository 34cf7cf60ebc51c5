// The Linux program's session end: logout, shutdown, a closed terminal,
// Ctrl+C and the session manager's end each close the main
// dialog (and a dialog above it), so main goes on to wait for a write to the
// radio; a signal that comes during that wait does not end the process.

#include <signal.h>

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "app/dialog_state.h"
#include "app/ui_strings.h"
#include "platform/dialog.h"
#include "program/linux/program.h"
#include "res/control_ids.h"
#include "tests/linux/qt_test_support.h"
#include "tests/support/worker_script.h"

namespace {

struct SessionEndCase {
    const char* name;
    std::function<void()> end;
};

const SessionEndCase SESSION_END_CASES[] = {
    {"SIGTERM", [] { ::raise(SIGTERM); }},
    {"SIGHUP", [] { ::raise(SIGHUP); }},
    {"SIGINT", [] { ::raise(SIGINT); }},
    // What Qt turns the session manager's "die" into.
    {"SessionManagerQuit",
     [] {
         QEvent quit(QEvent::Quit);
         QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
     }},
};

void PrintTo(const SessionEndCase& row, std::ostream* out) { *out << row.name; }

class QtSessionEndRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program::catchSessionEndSignals());
        app::loadUiStrings();
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
    void TearDown() override {
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
};

class QtSessionEnd : public QtSessionEndRun, public ::testing::WithParamInterface<SessionEndCase> {};

INSTANTIATE_TEST_SUITE_P(Ways, QtSessionEnd, ::testing::ValuesIn(SESSION_END_CASES),
                         [](const ::testing::TestParamInfo<SessionEndCase>& row) {
                             return std::string(row.param.name);
                         });

TEST_P(QtSessionEnd, ClosesTheDialogAndAnotherSignalDuringTheWaitEndsNothing) {
    program::MainDialog dialog;
    program::SessionEndWatch sessionEnd(dialog);
    QTimer::singleShot(0, &dialog, GetParam().end);
    EXPECT_EQ(dialog.run(), IDC_SECOND_BUTTON);
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_EQ(sessionEnd.sessionEnds(), 1);
    // main now waits for the radio's write without handling events; the
    // session's second SIGTERM must not cut that wait short.
    ::raise(SIGTERM);
    ::raise(SIGTERM);
    qttest::handleEventsFor(50);
    EXPECT_EQ(sessionEnd.sessionEnds(), 1);
}

// The Debug dialog runs a loop of its own inside the main dialog's: it is
// closed too, or the main dialog's run could not end.
TEST_F(QtSessionEndRun, ClosesADialogAboveTheMainDialogFirst) {
    program::MainDialog dialog;
    program::SessionEndWatch sessionEnd(dialog);
    bool debugShown = false;
    QTimer::singleShot(0, &dialog, [&] {
        qttest::onNextModalDialog([&](QDialog&) {
            debugShown = true;
            ::raise(SIGTERM);
        });
        platform::runDebugDialog(dialog.handle(), "Config:\n");
    });
    EXPECT_EQ(dialog.run(), IDC_SECOND_BUTTON);
    EXPECT_TRUE(debugShown);
    EXPECT_EQ(sessionEnd.sessionEnds(), 1);
}

}  // namespace
