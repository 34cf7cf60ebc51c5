// The hidden beta check: it switches updates to the beta channel and opens
// the offer whatever the beta folder answers, also on a device that cannot
// take the image, and never while an accepted update runs.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/task_fixture.h"
#include "tests/support/http_test_pattern.h"
#include "tests/update/update_test_util.h"

namespace {

using apptest::PrintTo;
using apptest::Timeline;

const std::string CHECKING = "Checking software update...";
const std::string U1 = "Initializing Update process, please wait...";
const std::string U2 = "Downloading Update Image...";
const std::string U3 = "Verifying Update Image...";

class BetaCheckTask : public apptest::TaskTest {
protected:
    // The startup ends in the form: nothing newer on the Latest channel.
    void startUpToForm(bool updateSlot = true) {
        makeRadio(apptest::HXA_V2_SETTINGS, updateSlot);
        serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
        radioPresent();
        startUp();
        ASSERT_EQ(app::dialogState, app::STATE_EDITING);
        forgetTimeline();
        requestedPaths();
    }

    void expectOfferOpen() {
        EXPECT_EQ(app::dialogState, app::STATE_OFFERING);
        EXPECT_EQ(app::offerFlag, app::OFFER_OPEN);
        EXPECT_TRUE(dialog.isVisible(IDC_INFO_AREA));
        EXPECT_FALSE(dialog.isVisible(IDC_TASK_BUTTON));
        EXPECT_TRUE(dialog.isVisible(IDC_FIRST_BUTTON));
        EXPECT_TRUE(dialog.isVisible(IDC_SECOND_BUTTON));
        EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "Yes!");
        EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "No, Thanks!");
        EXPECT_FALSE(dialog.isVisible(IDC_APN));
        EXPECT_FALSE(dialog.isVisible(IDC_COUNTRY_LIST));
    }
};

struct AnswerCase {
    const char* name;
    bool startupAnswered;  // the startup's check reached the server
    enum { Version, NoVersionFile, Unreachable } beta;
    const char* betaVersion;
    const char* current;  // the versions the offer shows
    const char* latest;
};

const AnswerCase ANSWER_CASES[] = {
    {"newer", true, AnswerCase::Version, "1.1.0", "1.0.0", "1.1.0"},
    {"equal", true, AnswerCase::Version, "1.0.0", "1.0.0", "1.0.0"},
    {"older", true, AnswerCase::Version, "0.9.7", "1.0.0", "0.9.7"},
    // The server's error page reads as version 0.0.0.
    {"no version file", true, AnswerCase::NoVersionFile, nullptr, "1.0.0", "0.0.0"},
    // The texts of the startup's check stay.
    {"server unreachable", true, AnswerCase::Unreachable, nullptr, "1.0.0", "1.0.0"},
    {"server never reached", false, AnswerCase::Unreachable, nullptr, "", ""},
};

class BetaCheckAnswer : public BetaCheckTask, public ::testing::WithParamInterface<AnswerCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, BetaCheckAnswer, ::testing::ValuesIn(ANSWER_CASES), apptest::NamedByRow());

TEST_P(BetaCheckAnswer, OpensTheOfferWhateverTheBetaFolderAnswers) {
    const AnswerCase& c = GetParam();
    if (!c.startupAnswered) {
        refuseConnections();
    }
    startUpToForm();
    if (c.beta == AnswerCase::Version) {
        serveVersion("/firmware/beta/", c.betaVersion);
    } else if (c.beta == AnswerCase::Unreachable) {
        refuseConnections();
    }

    pressBetaCheck();
    runStartedTask(app::betaCheckTask);

    EXPECT_EQ(timeline(), (Timeline{CHECKING, apptest::offerText(c.current, c.latest)}));
    expectOfferOpen();
    EXPECT_EQ(app::betaRequested, 1);
    if (c.beta != AnswerCase::Unreachable) {
        EXPECT_EQ(requestedPaths(), std::vector<std::string>{"/firmware/beta/version.info"});
    }
}

TEST_F(BetaCheckTask, OfferOnADeviceWithoutImageSlotEndsAtTheInstallLine) {
    startUpToForm(false);
    serveVersion("/firmware/beta/", "1.1.0");
    const std::string image = testsupport::patternBytes(92, 5000);
    serveImage("/firmware/beta/", image, updatetest::md5HexOf(image) + "\n");

    pressBetaCheck();
    runStartedTask(app::betaCheckTask);
    expectOfferOpen();
    forgetTimeline();
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::updateTask);

    EXPECT_EQ(timeline().back(), U1 + " done\n" + U2 + " done\n" + U3 + " done\n" TEXT_VISIT_MAKER " failed");
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_FALSE(radio.exists("doc/update.bin"));
    EXPECT_FALSE(dialog.closedWith().has_value());
}

// Ctrl+B works while the startup still waits for the radio; an update taken
// from that offer downloads and verifies, but installs nowhere: the radio was
// not read in this run, so there is no root to write under (not even a
// relative path in the program's working folder).
TEST_F(BetaCheckTask, OfferTakenBeforeTheRadioWasReadInstallsNothing) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    radio.writeFile("doc/update.bin", "old slot");
    radio.writeFile("doc/update.md5", "old record");
    serveVersion("/firmware/beta/", "1.1.0");
    const std::string image = testsupport::patternBytes(93, 5000);
    serveImage("/firmware/beta/", image, updatetest::md5HexOf(image) + "\n");
    testsupport::scriptWorkers();  // the startup stays unrun: no radio found yet

    pressBetaCheck();
    runStartedTask(app::betaCheckTask);
    expectOfferOpen();
    EXPECT_EQ(info(), apptest::offerText("0.0.0", "1.1.0"));
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::updateTask);

    EXPECT_EQ(timeline().back(), U1 + " done\n" + U2 + " done\n" + U3 + " done\n" TEXT_VISIT_MAKER " failed");
    EXPECT_EQ(radio.readFile("doc/update.bin"), "old slot");
    EXPECT_EQ(radio.readFile("doc/update.md5"), "old record");
    EXPECT_FALSE(std::filesystem::exists("doc")) << "written beside the program";
    EXPECT_EQ(requestedPaths(), (std::vector<std::string>{"/firmware/beta/version.info",
                                                          "/firmware/beta/Ondavox_update.bvn",
                                                          "/firmware/beta/Ondavox_update.md5"}));
}

TEST_F(BetaCheckTask, CheckStartedBeforeAnUpdateOpensNoSecondOffer) {
    startUpToForm();
    serveVersion("/firmware/beta/", "1.1.0");
    // Two beta checks in quick succession; the first one's offer is taken
    // before the second ends.
    pressBetaCheck();
    pressBetaCheck();
    const std::vector<testsupport::WorkerStart> checks = testsupport::recordedWorkerStarts();
    ASSERT_EQ(checks.size(), 2u);
    testsupport::scriptWorkers();
    checks[0].procedure(checks[0].argument);
    press(IDC_FIRST_BUTTON);
    ASSERT_EQ(app::dialogState, app::STATE_UPDATING);
    const std::string updateStart = info();

    checks[1].procedure(checks[1].argument);

    EXPECT_EQ(app::dialogState, app::STATE_UPDATING);
    EXPECT_EQ(info(), updateStart);
    // "Yes!" would now close the dialog instead of starting a second update.
    press(IDC_FIRST_BUTTON);
    ASSERT_EQ(testsupport::recordedWorkerStarts().size(), 1u);
    EXPECT_EQ(testsupport::recordedWorkerStarts()[0].procedure, app::updateTask);
}

}  // namespace
