// The real program, started and driven from another process: its dialog as a
// user first meets it (no radio connected), the two shortcuts, the Debug
// dialog that only its OK button closes, and the end of the program.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/main_dialog.h"
#include "res/control_ids.h"
#include "tools/program_driver/program_driver.h"

namespace {

using namespace std::chrono_literals;
using uidriver::ControlCondition;
using uidriver::DEBUG_DIALOG_CAPTION;
using uidriver::MAIN_DIALOG_CAPTION;
using uidriver::ProgramDriver;

// The first start in a new Wine prefix can take some seconds.
constexpr auto START_TIMEOUT = 60s;
constexpr auto STEP_TIMEOUT = 10s;

// The Debug text with no device read yet, as the edit control shows it.
const char EMPTY_DEBUG_TEXT[] =
    "Config:\r\n\r\n\r\n\r\n----------------------------------------\r\n\r\nStatus:\r\n\r\n\r\n";

// The offer a beta check opens when no update server answers.
const char OFFER_WITHOUT_ANSWER[] =
    "Brelvan Ondavox Update available!\n\nCurrent version: \nAvaliable latest version: \n\nDo you want to update?";

// Waits until the dialog's control meets the condition; on failure the
// message tells what the control showed instead.
::testing::AssertionResult reaches(HWND dialog, const ControlCondition& condition,
                                   std::chrono::milliseconds timeout = STEP_TIMEOUT) {
    const uidriver::WaitOutcome outcome = ProgramDriver::waitUntil(dialog, condition, timeout);
    if (outcome.met) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "control " << condition.controlId << " " << outcome.seen.describe();
}

class ProgramUi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.start()) << "cannot start " << uidriver::utilityPath();
        dialog = program.waitForDialog(MAIN_DIALOG_CAPTION, START_TIMEOUT);
        ASSERT_NE(dialog, nullptr) << "the main dialog never showed";
        ASSERT_TRUE(reaches(dialog, ControlCondition::textIs(IDC_INFO_AREA, "Waiting for Brelvan Ondavox device...")));
    }

    // Opens the Debug dialog with the given key press and checks its text.
    HWND openDebug(void (*press)(HWND)) {
        press(dialog);
        HWND debug = program.waitForDialog(DEBUG_DIALOG_CAPTION, STEP_TIMEOUT);
        EXPECT_NE(debug, nullptr) << "no Debug dialog";
        if (debug != nullptr) {
            EXPECT_TRUE(reaches(debug, ControlCondition::textIs(IDC_DEBUG_TEXT, EMPTY_DEBUG_TEXT)));
        }
        return debug;
    }

    void closeDebug(HWND debug) {
        ProgramDriver::click(debug, IDC_FIRST_BUTTON);
        EXPECT_TRUE(ProgramDriver::waitUntilGone(debug, STEP_TIMEOUT));
    }

    // The button closes the dialog and the program ends with exit code 0.
    void expectButtonEndsTheProgram(int button) {
        ProgramDriver::click(dialog, button);
        EXPECT_TRUE(ProgramDriver::waitUntilGone(dialog, STEP_TIMEOUT));
        DWORD exitCode = 1;
        ASSERT_TRUE(program.waitForExit(STEP_TIMEOUT, &exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    // Cancel while waiting for the radio.
    void expectCancelEndsTheProgram() { expectButtonEndsTheProgram(IDC_TASK_BUTTON); }

    void expectOfferWithoutAnswer() {
        EXPECT_TRUE(reaches(dialog, ControlCondition::textIs(IDC_INFO_AREA, OFFER_WITHOUT_ANSWER)));
        // The buttons show after the text; until then a press finds no offer.
        EXPECT_TRUE(reaches(dialog, ControlCondition::visible(IDC_SECOND_BUTTON)));
        EXPECT_EQ(ProgramDriver::text(dialog, IDC_FIRST_BUTTON), "Yes!");
        EXPECT_EQ(ProgramDriver::text(dialog, IDC_SECOND_BUTTON), "No, Thanks!");
    }

    // "No, Thanks!" shows the form.
    void declineOffer() {
        ProgramDriver::click(dialog, IDC_SECOND_BUTTON);
        // The check box is the last control the form's walk shows.
        EXPECT_TRUE(reaches(dialog, ControlCondition::visible(IDC_ROAMING_CHECK))) << "no form after No, Thanks!";
        EXPECT_EQ(ProgramDriver::text(dialog, IDC_SECOND_BUTTON), "Quit");
    }

    // "Quit" on the form.
    void expectQuitEndsTheProgram() { expectButtonEndsTheProgram(IDC_SECOND_BUTTON); }

    ProgramDriver program;
    HWND dialog = nullptr;
};

TEST_F(ProgramUi, OpensWaitingForTheRadioWithTheFormHiddenAndCancelEndsIt) {
    EXPECT_EQ(ProgramDriver::text(dialog, IDC_VERSION_LABEL), "v3.2g");
    EXPECT_EQ(ProgramDriver::text(dialog, IDC_TASK_BUTTON), "Cancel");
    EXPECT_TRUE(ProgramDriver::isVisible(dialog, IDC_INFO_AREA));
    EXPECT_TRUE(ProgramDriver::isVisible(dialog, IDC_TASK_BUTTON));
    EXPECT_TRUE(ProgramDriver::isVisible(dialog, IDC_BANNER));
    for (int id : app::FORM_CONTROLS) {
        EXPECT_FALSE(ProgramDriver::isVisible(dialog, id)) << id;
    }
    EXPECT_EQ(ProgramDriver::listItems(dialog, IDC_RADIO_PROFILE_LIST),
              (std::vector<std::string>{"Fast Start", "Default", "Stable"}));
    // No close box: the caption has no system menu.
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU, 0);
    expectCancelEndsTheProgram();
}

TEST_F(ProgramUi, CtrlDOpensDebugWhichOnlyItsOkButtonCloses) {
    HWND debug = openDebug([](HWND window) { ProgramDriver::pressControlLetter(window, 'D'); });
    ASSERT_NE(debug, nullptr);
    ProgramDriver::pressEscape(debug);
    ProgramDriver::pressCloseBox(debug);
    EXPECT_TRUE(ProgramDriver::waitUntilHandled(debug, STEP_TIMEOUT)) << "Escape or the close box closed it";
    EXPECT_EQ(program.findDialog(DEBUG_DIALOG_CAPTION), debug) << "Escape or the close box closed it";
    closeDebug(debug);
    // The main dialog carries on.
    EXPECT_EQ(ProgramDriver::text(dialog, IDC_INFO_AREA), "Waiting for Brelvan Ondavox device...");
    expectCancelEndsTheProgram();
}

TEST_F(ProgramUi, AltWithUpperCaseDOpensDebugToo) {
    HWND debug = openDebug([](HWND window) { ProgramDriver::pressAltLetter(window, 'D'); });
    ASSERT_NE(debug, nullptr);
    closeDebug(debug);
    expectCancelEndsTheProgram();
}

// On Windows the Alt entries compare the typed character, so a lower-case d
// is no shortcut. Wine matches the key instead and opens the dialog anyway.
TEST_F(ProgramUi, AltWithLowerCaseDIsNoShortcut) {
    if (uidriver::runningUnderWine()) {
        expectCancelEndsTheProgram();
        GTEST_SKIP() << "Wine translates Alt with a lower-case letter by its key; Windows does not";
    }
    ProgramDriver::pressAltLetter(dialog, 'd');
    ASSERT_TRUE(ProgramDriver::waitUntilHandled(dialog, STEP_TIMEOUT));
    EXPECT_EQ(program.findDialog(DEBUG_DIALOG_CAPTION), nullptr);
    expectCancelEndsTheProgram();
}

// The beta check is honoured while the program still waits for the radio.
// With no update server it fails quietly and the offer opens all the same,
// with empty versions; "Checking software update..." may be gone before it
// is seen, so the offer is what is waited for.
TEST_F(ProgramUi, CtrlBAndAltBReachTheDialogWhileWaiting) {
    const struct {
        const char* name;
        void (*press)(HWND);
    } shortcuts[] = {
        {"Ctrl+B", [](HWND window) { ProgramDriver::pressControlLetter(window, 'B'); }},
        {"Alt+B", [](HWND window) { ProgramDriver::pressAltLetter(window, 'B'); }},
    };
    for (const auto& shortcut : shortcuts) {
        SCOPED_TRACE(shortcut.name);
        ProgramDriver::setText(dialog, IDC_INFO_AREA, "before the shortcut");
        shortcut.press(dialog);
        expectOfferWithoutAnswer();
        declineOffer();
    }
    expectQuitEndsTheProgram();
}

// Keys typed while the Debug dialog is open still reach the main dialog.
TEST_F(ProgramUi, ShortcutsInsideTheDebugDialogGoToTheMainDialog) {
    HWND debug = openDebug([](HWND window) { ProgramDriver::pressControlLetter(window, 'D'); });
    ASSERT_NE(debug, nullptr);
    ProgramDriver::pressControlLetter(debug, 'B');
    expectOfferWithoutAnswer();
    closeDebug(debug);
    declineOffer();
    expectQuitEndsTheProgram();
}

}  // namespace
