// An accepted update offer: the Info area's lines and the closing pause, the
// image and checksum record on the radio, each failure end, the folders for
// each device family and channel, and the form coming back meanwhile.

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
using apptest::wait;

const std::string U1 = "Initializing Update process, please wait...";
const std::string U2 = "Downloading Update Image...";
const std::string U3 = "Verifying Update Image...";
const std::string U4 = TEXT_VISIT_MAKER;
const std::string CLOSING = "Brelvan Ondavox is updateing itself. Please Wait for rebooting.";

const std::string IMAGE = testsupport::patternBytes(91, 20000);

class UpdateTask : public apptest::TaskTest {
protected:
    void SetUp() override {
        TaskTest::SetUp();
        digest_ = updatetest::md5HexOf(IMAGE);
    }

    // The startup ends in the offer: newer firmware on the Latest channel.
    void startUpToOffer(const std::string& folder = "/firmware/latest/") {
        makeRadio(apptest::HXA_V2_SETTINGS);
        serveVersion(folder, "1.1.0");
        radioPresent();
        startUp();
        ASSERT_EQ(app::dialogState, app::STATE_OFFERING);
        forgetTimeline();
        requestedPaths();
    }

    // "Yes!", and the update the dialog started runs to its end.
    void acceptOffer() {
        press(IDC_FIRST_BUTTON);
        ASSERT_EQ(app::updateInProgress, 1);
        runStartedTask(app::updateTask);
    }

    std::string digest_;
};

TEST_F(UpdateTask, InstallsShowsEveryLineAndClosesSevenSecondsLater) {
    startUpToOffer();
    serveImage("/firmware/latest/", IMAGE, digest_ + "\n");

    acceptOffer();

    EXPECT_EQ(timeline(), (Timeline{
                              U1,
                              U1 + " done\n" + U2,
                              U1 + " done\n" + U2 + " done\n" + U3,
                              U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4,
                              U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4 + " done\n\n" + CLOSING,
                              wait(7000),
                          }));
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_FALSE(dialog.isVisible(IDC_PROGRESS_BAR)) << "the progress bar stays under the closing sentence";
    EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
    // Still marked: no second update may start before the dialog is gone.
    EXPECT_EQ(app::updateInProgress, 1);
    EXPECT_TRUE(radio.readFile("doc/update.bin") == IMAGE);
    EXPECT_EQ(radio.readFile("doc/update.md5"), digest_ + "\n\n20000");
    EXPECT_EQ(requestedPaths(),
              (std::vector<std::string>{"/firmware/latest/Ondavox_update.bvn", "/firmware/latest/Ondavox_update.md5"}));
}

struct FailureCase {
    const char* name;
    enum { EmptyImage, WrongChecksum, SlotGone } fault;
    Timeline lines;  // what the Info area shows after the start text
};

const FailureCase FAILURE_CASES[] = {
    {"download fails", FailureCase::EmptyImage, {U1 + " done\n" + U2, U1 + " done\n" + U2 + " failed"}},
    {"verification fails",
     FailureCase::WrongChecksum,
     {U1 + " done\n" + U2, U1 + " done\n" + U2 + " done\n" + U3, U1 + " done\n" + U2 + " done\n" + U3 + " failed"}},
    {"install fails",
     FailureCase::SlotGone,
     {U1 + " done\n" + U2, U1 + " done\n" + U2 + " done\n" + U3, U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4,
      U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4 + " failed"}},
};

class UpdateTaskFailure : public UpdateTask, public ::testing::WithParamInterface<FailureCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, UpdateTaskFailure, ::testing::ValuesIn(FAILURE_CASES), apptest::NamedByRow());

TEST_P(UpdateTaskFailure, StopsAtTheFailedLineWithQuitAndAllowsANewAttempt) {
    startUpToOffer();
    switch (GetParam().fault) {
        case FailureCase::EmptyImage:
            serveImage("/firmware/latest/", "", digest_ + "\n");
            break;
        case FailureCase::WrongChecksum:
            serveImage("/firmware/latest/", IMAGE, updatetest::md5HexOf("another image") + "\n");
            break;
        case FailureCase::SlotGone:
            serveImage("/firmware/latest/", IMAGE, digest_ + "\n");
            std::filesystem::remove(radio.nativePath("doc/update.bin"));
            break;
    }
    const std::string listingBefore = radio.listing();

    acceptOffer();

    Timeline expected{U1};
    expected.insert(expected.end(), GetParam().lines.begin(), GetParam().lines.end());
    EXPECT_EQ(timeline(), expected);  // no pause, and no line after the failed one
    EXPECT_FALSE(dialog.closedWith().has_value());
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_TRUE(dialog.isVisible(IDC_TASK_BUTTON));
    EXPECT_EQ(app::dialogState, app::STATE_UPDATING);
    EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
    EXPECT_EQ(app::updateInProgress, 0);
    EXPECT_EQ(radio.listing(), listingBefore);
    EXPECT_EQ(radio.readFile("doc/update.md5"), "");
    EXPECT_FALSE(dialog.isVisible(IDC_PROGRESS_BAR)) << "the progress bar outlives the failed step";

    // No update runs any more: a beta check may offer a new attempt.
    pressBetaCheck();
    ASSERT_EQ(testsupport::recordedWorkerStarts().size(), 1u);
    EXPECT_EQ(testsupport::recordedWorkerStarts()[0].procedure, app::betaCheckTask);
}

// The device family and whether a beta check came first decide the folder
// of the image and of its checksum.
struct FolderCase {
    const char* name;
    const std::string* settings;
    bool betaCheck;
    std::string latest;  // the family's folders
    std::string beta;
};

const FolderCase FOLDER_CASES[] = {
    {"Hxa latest", &apptest::HXA_V2_SETTINGS, false, "/firmware/latest/", "/firmware/beta/"},
    {"Hxa beta", &apptest::HXA_V2_SETTINGS, true, "/firmware/latest/", "/firmware/beta/"},
    {"Hxb latest", &apptest::HXB_SETTINGS, false, "/firmware-hxb/latest/", "/firmware-hxb/beta/"},
    {"Hxb beta", &apptest::HXB_SETTINGS, true, "/firmware-hxb/latest/", "/firmware-hxb/beta/"},
};

class UpdateTaskFolder : public UpdateTask, public ::testing::WithParamInterface<FolderCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, UpdateTaskFolder, ::testing::ValuesIn(FOLDER_CASES), apptest::NamedByRow());

TEST_P(UpdateTaskFolder, TakesTheImageAndChecksumFromTheChannelOfTheFamily) {
    const FolderCase& c = GetParam();
    makeRadio(*c.settings);
    // Without a beta check the startup's offer is taken; with one, the
    // startup ends in the form and the beta check opens the offer.
    serveVersion(c.latest, c.betaCheck ? apptest::DEVICE_VERSION : "1.1.0");
    serveVersion(c.beta, "1.2.0-beta");
    const std::string& folder = c.betaCheck ? c.beta : c.latest;
    serveImage(folder, IMAGE, digest_ + "\n");
    radioPresent();

    startUp();
    std::vector<std::string> expected{c.latest + "version.info"};
    if (c.betaCheck) {
        pressBetaCheck();
        runStartedTask(app::betaCheckTask);
        expected.push_back(c.beta + "version.info");
    }
    ASSERT_EQ(app::dialogState, app::STATE_OFFERING);
    acceptOffer();

    expected.push_back(folder + "Ondavox_update.bvn");
    expected.push_back(folder + "Ondavox_update.md5");
    EXPECT_EQ(requestedPaths(), expected);
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    EXPECT_TRUE(radio.readFile("doc/update.bin") == IMAGE);
}

TEST_F(UpdateTask, FormComingBackMeanwhileDoesNotStopTheUpdate) {
    startUpToOffer();
    serveImage("/firmware/latest/", IMAGE, digest_ + "\n");
    press(IDC_FIRST_BUTTON);
    // Escape while the update runs: the offer is still marked open.
    press(IDC_SECOND_BUTTON);
    EXPECT_TRUE(formIs(true));
    EXPECT_EQ(app::dialogState, app::STATE_EDITING);

    runStartedTask(app::updateTask);

    EXPECT_EQ(info(), U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4 + " done\n\n" + CLOSING);
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    EXPECT_TRUE(radio.readFile("doc/update.bin") == IMAGE);
}

}  // namespace

// While the image downloads and while it is copied onto the radio, the bar
// below the Info area shows how far the step has come, and it is hidden while
// the image is verified. However fast the engine reports, the bar changes at
// most once per 100 ms within a step (the scripted clock moves on by the
// row's step at each reading).
struct BarCase {
    const char* name;
    std::uint32_t clockStep;
};

const BarCase BAR_CASES[] = {
    {"reports 30 ms apart", 30},    // most reports are passed over
    {"reports 150 ms apart", 150},  // each report is shown
};

class UpdateTaskBar : public UpdateTask, public ::testing::WithParamInterface<BarCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, UpdateTaskBar, ::testing::ValuesIn(BAR_CASES), apptest::NamedByRow());

TEST_P(UpdateTaskBar, ClimbsDuringDownloadAndInstallAtMostTenTimesASecond) {
    startUpToOffer();
    constexpr std::uint64_t IMAGE_LENGTH = 3 * update::IMAGE_COPY_BLOCK + 4321;
    const std::string image = testsupport::patternBytes(92, IMAGE_LENGTH);
    serveImage("/firmware/latest/", image, updatetest::md5HexOf(image) + "\n");
    testsupport::HttpTestReply pieces;
    pieces.body = image;
    pieces.pieceSize = 100000;
    server().script("/firmware/latest/Ondavox_update.bvn", pieces);

    const std::string downloading = U1 + " done\n" + U2;
    const std::string installing = U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4;
    struct Change {
        std::string step;  // the Info area's text at the time
        std::uint64_t at;
        bool shown;
    };
    std::vector<Change> changes;
    bool hiddenBeforeInstall = false;
    dialog.onOperation([&](testsupport::DialogOperation operation, int id, const std::string& text) {
        if (operation == testsupport::DialogOperation::SetProgressBar && id == IDC_PROGRESS_BAR) {
            changes.push_back(
                {dialog.text(IDC_INFO_AREA), testsupport::scriptedClockNow(), dialog.isVisible(IDC_PROGRESS_BAR)});
        }
        if (operation == testsupport::DialogOperation::SetControlText && text == installing) {
            hiddenBeforeInstall = !dialog.isVisible(IDC_PROGRESS_BAR);
        }
    });
    testsupport::scriptClockStep(GetParam().clockStep);
    acceptOffer();
    dialog.onOperation({});

    EXPECT_EQ(radio.readFile("doc/update.bin").size(), IMAGE_LENGTH);
    EXPECT_TRUE(hiddenBeforeInstall) << "the bar shows while the image is verified";
    const auto& settings = dialog.control(IDC_PROGRESS_BAR).progressHistory;
    ASSERT_EQ(settings.size(), changes.size());
    for (const std::string& step : {downloading, installing}) {
        SCOPED_TRACE(step);
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (changes[i].step == step) at.push_back(i);
        }
        ASSERT_GE(at.size(), 2u) << "the bar never moved";
        // The step starts with the bar at 0: moving until the server's length
        // is known, or out of the downloaded length.
        const std::uint64_t startTotal = step == downloading ? 0 : IMAGE_LENGTH;
        EXPECT_EQ(settings[at[0]], (testsupport::MemoryControl::Progress{0, startTotal}));
        for (std::size_t k = 1; k < at.size(); ++k) {
            const std::size_t i = at[k];
            EXPECT_TRUE(changes[i].shown) << "set while hidden: " << i;
            EXPECT_EQ(settings[i].total, IMAGE_LENGTH) << i;
            EXPECT_GE(settings[i].done, settings[at[k - 1]].done) << "goes back: " << i;
            EXPECT_GE(changes[i].at - changes[at[k - 1]].at, 100u) << "two changes within 100 ms: " << i;
        }
    }
    if (GetParam().clockStep >= 100) {
        // Each of the copy's blocks is shown, up to the whole image.
        std::vector<std::uint64_t> copied;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (changes[i].step == installing) copied.push_back(settings[i].done);
        }
        const std::uint64_t BLOCK = update::IMAGE_COPY_BLOCK;
        EXPECT_EQ(copied, (std::vector<std::uint64_t>{0, 0, BLOCK, 2 * BLOCK, 3 * BLOCK, IMAGE_LENGTH}));
    }
    EXPECT_FALSE(dialog.isVisible(IDC_PROGRESS_BAR));
}
