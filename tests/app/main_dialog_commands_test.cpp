// Every command of the main dialog in every state, with and without an open
// offer: what the user sees afterwards, the state, and whether the dialog
// closed.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/tasks.h"
#include "tests/app/main_dialog_fixture.h"

namespace {

using apptest::MainDialogTest;
using testsupport::recordedWorkerStarts;

enum class Outcome {
    CloseWithCommand,   // the dialog closes with the command id as result
    StartSave,          // "Saving configuration..." with Cancel, state Busy
    StartUpdate,        // "Initializing Update process..." with Cancel, state Updating
    StartBetaCheck,     // "Checking software update..." with Cancel, state Busy
    FormFromNotice,     // the form, state Editing, offerFlag unchanged
    FormFromOffer,      // the form, state Editing, offerFlag closed
    OpenDebug,          // the Debug dialog, nothing else changes
    Nothing,            // nothing changes
};

constexpr int ANY = -1;
constexpr int STATES[] = {app::STATE_STARTING, app::STATE_EDITING, app::STATE_BUSY,
                          app::STATE_OFFERING, app::STATE_UPDATING, app::STATE_NOTICE};
constexpr int OFFERS[] = {app::OFFER_CLOSED, app::OFFER_OPEN};
constexpr int COMMANDS[] = {IDC_FIRST_BUTTON, IDC_TASK_BUTTON,   IDC_SECOND_BUTTON, IDM_DEBUG_DIALOG,
                            IDM_BETA_CHECK,   IDC_ROAMING_CHECK, IDC_GSM_PIN};

struct Row {
    int command;
    int state;  // or ANY
    int offer;  // or ANY
    Outcome outcome;
};

// The command table, as the dialog is meant to answer (accelerator commands
// carry notification code 1; list commands are covered separately).
const Row TABLE[] = {
    {IDC_FIRST_BUTTON, app::STATE_STARTING, ANY, Outcome::CloseWithCommand},
    {IDC_FIRST_BUTTON, app::STATE_EDITING, ANY, Outcome::StartSave},
    {IDC_FIRST_BUTTON, app::STATE_BUSY, ANY, Outcome::CloseWithCommand},
    {IDC_FIRST_BUTTON, app::STATE_OFFERING, ANY, Outcome::StartUpdate},
    {IDC_FIRST_BUTTON, app::STATE_UPDATING, ANY, Outcome::CloseWithCommand},
    {IDC_FIRST_BUTTON, app::STATE_NOTICE, ANY, Outcome::FormFromNotice},
    {IDC_TASK_BUTTON, app::STATE_STARTING, ANY, Outcome::CloseWithCommand},
    {IDC_TASK_BUTTON, app::STATE_EDITING, ANY, Outcome::StartSave},
    {IDC_TASK_BUTTON, app::STATE_BUSY, ANY, Outcome::CloseWithCommand},
    {IDC_TASK_BUTTON, app::STATE_OFFERING, ANY, Outcome::StartUpdate},
    {IDC_TASK_BUTTON, app::STATE_UPDATING, ANY, Outcome::CloseWithCommand},
    {IDC_TASK_BUTTON, app::STATE_NOTICE, ANY, Outcome::FormFromNotice},
    {IDC_SECOND_BUTTON, ANY, app::OFFER_OPEN, Outcome::FormFromOffer},
    {IDC_SECOND_BUTTON, ANY, app::OFFER_CLOSED, Outcome::CloseWithCommand},
    {IDM_DEBUG_DIALOG, ANY, ANY, Outcome::OpenDebug},
    {IDM_BETA_CHECK, ANY, ANY, Outcome::StartBetaCheck},
    {IDC_ROAMING_CHECK, ANY, ANY, Outcome::Nothing},
    {IDC_GSM_PIN, ANY, ANY, Outcome::Nothing},
};

const Row& rowFor(int command, int state, int offer) {
    for (const Row& row : TABLE) {
        if (row.command == command && (row.state == ANY || row.state == state) &&
            (row.offer == ANY || row.offer == offer)) {
            return row;
        }
    }
    ADD_FAILURE() << "no row for command " << command << " state " << state << " offer " << offer;
    return TABLE[0];
}

class MainDialogCommands : public MainDialogTest {
protected:
    // A dialog in the middle of some work: a distinct Info text and labels.
    void arrange(int state, int offer) {
        app::dialogState = state;
        app::offerFlag = offer;
        dialog.setText(IDC_INFO_AREA, "earlier info");
        dialog.setText(IDC_TASK_BUTTON, "earlier label");
        dialog.setText(IDC_FIRST_BUTTON, "first");
        dialog.setText(IDC_SECOND_BUTTON, "second");
    }

    void expectTaskStarted(platform::WorkerProcedure task, const char* startText, int newState, int offer) {
        ASSERT_EQ(recordedWorkerStarts().size(), 1u);
        EXPECT_EQ(recordedWorkerStarts()[0].procedure, task);
        EXPECT_EQ(recordedWorkerStarts()[0].argument, handle());
        EXPECT_EQ(dialog.text(IDC_INFO_AREA), startText);
        EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Cancel");
        EXPECT_TRUE(dialog.isVisible(IDC_INFO_AREA));
        EXPECT_TRUE(dialog.isVisible(IDC_TASK_BUTTON));
        EXPECT_TRUE(formIs(false));
        EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "Save and Quit");
        EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "Quit");
        EXPECT_EQ(app::dialogState, newState);
        EXPECT_EQ(app::offerFlag, offer);
        EXPECT_FALSE(dialog.closedWith().has_value());
    }

    void expectForm(int offer) {
        EXPECT_TRUE(formIs(true));
        EXPECT_FALSE(dialog.isVisible(IDC_INFO_AREA));
        EXPECT_FALSE(dialog.isVisible(IDC_TASK_BUTTON));
        EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "Save and Quit");
        EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "Quit");
        EXPECT_EQ(app::dialogState, app::STATE_EDITING);
        EXPECT_EQ(app::offerFlag, offer);
        EXPECT_TRUE(recordedWorkerStarts().empty());
        EXPECT_FALSE(dialog.closedWith().has_value());
    }

    void expectUnchanged(int state, int offer) {
        EXPECT_EQ(dialog.text(IDC_INFO_AREA), "earlier info");
        EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "earlier label");
        EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "first");
        EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "second");
        EXPECT_TRUE(formIs(false));
        EXPECT_EQ(app::dialogState, state);
        EXPECT_EQ(app::offerFlag, offer);
        EXPECT_TRUE(recordedWorkerStarts().empty());
        EXPECT_FALSE(dialog.closedWith().has_value());
    }
};

TEST_F(MainDialogCommands, EveryCommandInEveryStateAndOfferFlag) {
    for (int command : COMMANDS) {
        for (int state : STATES) {
            for (int offer : OFFERS) {
                SCOPED_TRACE("command " + std::to_string(command) + " state " + std::to_string(state) +
                             " offer " + std::to_string(offer));
                dialog.reset();
                SetUp();
                arrange(state, offer);
                app::onMainDialogCommand(handle(), command, app::SELECTION_CHANGED);

                switch (rowFor(command, state, offer).outcome) {
                case Outcome::CloseWithCommand:
                    EXPECT_EQ(dialog.closedWith(), command);
                    EXPECT_EQ(app::dialogState, state);
                    EXPECT_EQ(app::offerFlag, offer);
                    EXPECT_TRUE(recordedWorkerStarts().empty());
                    break;
                case Outcome::StartSave:
                    expectTaskStarted(app::saveTask, "Saving configuration to device, please wait...",
                                      app::STATE_BUSY, offer);
                    break;
                case Outcome::StartUpdate:
                    expectTaskStarted(app::updateTask, "Initializing Update process, please wait...",
                                      app::STATE_UPDATING, offer);
                    EXPECT_EQ(app::updateInProgress, 1);
                    break;
                case Outcome::StartBetaCheck:
                    expectTaskStarted(app::betaCheckTask, "Checking software update...", app::STATE_BUSY,
                                      offer);
                    break;
                case Outcome::FormFromNotice:
                    expectForm(offer);
                    break;
                case Outcome::FormFromOffer:
                    expectForm(app::OFFER_CLOSED);
                    break;
                case Outcome::OpenDebug:
                    EXPECT_EQ(dialog.debugDialogTexts().size(), 1u);
                    expectUnchanged(state, offer);
                    break;
                case Outcome::Nothing:
                    expectUnchanged(state, offer);
                    EXPECT_TRUE(dialog.debugDialogTexts().empty());
                    break;
                }
            }
        }
    }
}

// Shortcuts and buttons carry different notification codes; only the beta
// check and the two lists look at it.
TEST_F(MainDialogCommands, NotificationCodesThatAreNoSelectionChangeAreIgnoredWhereItMatters) {
    struct Case {
        int command;
        int notification;
        bool acts;
    };
    const Case cases[] = {
        {IDM_BETA_CHECK, 0, false},     {IDM_BETA_CHECK, 1, true},    {IDM_DEBUG_DIALOG, 0, true},
        {IDM_DEBUG_DIALOG, 1, true},    {IDC_COUNTRY_LIST, 0, false}, {IDC_COUNTRY_LIST, 3, false},
        {IDC_PROVIDER_LIST, 0, false},  {IDC_FIRST_BUTTON, 0, true},  {IDC_FIRST_BUTTON, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.command) + " code " + std::to_string(c.notification));
        dialog.reset();
        SetUp();
        app::dialogState = app::STATE_STARTING;
        app::onMainDialogCommand(handle(), c.command, c.notification);
        const bool acted = !recordedWorkerStarts().empty() || !dialog.debugDialogTexts().empty() ||
                           dialog.closedWith().has_value() || !dialog.calls().empty();
        EXPECT_EQ(acted, c.acts);
    }
}

TEST_F(MainDialogCommands, ATaskWhoseThreadCannotBeMadeShowsFailedAndQuitAndStillTakesItsState) {
    struct Case {
        int command;
        int state;
        const char* text;
        int newState;
    };
    const Case cases[] = {
        {IDC_FIRST_BUTTON, app::STATE_EDITING, "Saving configuration to device, please wait... failed",
         app::STATE_BUSY},
        {IDC_TASK_BUTTON, app::STATE_OFFERING, "Initializing Update process, please wait... failed",
         app::STATE_UPDATING},
        {IDM_BETA_CHECK, app::STATE_EDITING, "Checking software update... failed", app::STATE_BUSY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialog.reset();
        SetUp();
        testsupport::scriptWorkers(/*refuse=*/true);
        app::dialogState = c.state;
        app::onMainDialogCommand(handle(), c.command, app::SELECTION_CHANGED);
        EXPECT_EQ(dialog.text(IDC_INFO_AREA), c.text);
        EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
        EXPECT_TRUE(formIs(false));
        EXPECT_EQ(app::dialogState, c.newState);
        EXPECT_EQ(app::updateInProgress, 0);  // no update runs
        // "Quit" then closes the dialog.
        app::onMainDialogCommand(handle(), IDC_TASK_BUTTON, 0);
        EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    }
}

// Updates never overlap: while one runs, the beta check (the only way to a
// new offer) is not started, whatever the state the form has reached.
TEST_F(MainDialogCommands, NoBetaCheckAndSoNoSecondUpdateWhileAnUpdateRuns) {
    app::dialogState = app::STATE_OFFERING;
    app::offerFlag = app::OFFER_OPEN;
    app::onMainDialogCommand(handle(), IDC_FIRST_BUTTON, 0);  // "Yes!"
    ASSERT_EQ(recordedWorkerStarts().size(), 1u);
    ASSERT_EQ(app::updateInProgress, 1);

    app::onMainDialogCommand(handle(), IDC_SECOND_BUTTON, 0);  // Escape: the form comes back
    EXPECT_EQ(app::dialogState, app::STATE_EDITING);
    EXPECT_TRUE(formIs(true));
    app::onMainDialogCommand(handle(), IDM_BETA_CHECK, app::SELECTION_CHANGED);
    EXPECT_EQ(recordedWorkerStarts().size(), 1u);
    EXPECT_EQ(app::dialogState, app::STATE_EDITING);
    EXPECT_TRUE(formIs(true));

    // Once the update has ended in failure, the beta check may offer again.
    app::updateInProgress = 0;
    app::onMainDialogCommand(handle(), IDM_BETA_CHECK, app::SELECTION_CHANGED);
    ASSERT_EQ(recordedWorkerStarts().size(), 2u);
    EXPECT_EQ(recordedWorkerStarts()[1].procedure, app::betaCheckTask);
}

}  // namespace
