// Sleep and shutdown held off while a task writes the radio: where the hold
// begins and ends among what the dialog shows, for the save and the update,
// on success and on failure; and what the program's session end is told.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/radio_write_hold.h"
#include "tests/app/task_fixture.h"
#include "tests/support/http_test_pattern.h"
#include "tests/support/power_record.h"
#include "tests/update/update_test_util.h"

namespace {

using apptest::Timeline;
using apptest::wait;

const std::string SAVING = "Saving configuration to device, please wait...";
const std::string U1 = "Initializing Update process, please wait...";
const std::string U2 = "Downloading Update Image...";
const std::string U3 = "Verifying Update Image...";
const std::string U4 = TEXT_VISIT_MAKER;
const std::string CLOSING = "Brelvan Ondavox is updateing itself. Please Wait for rebooting.";
const std::string IMAGE = testsupport::patternBytes(57, 30000);

const std::string SAVE_HOLD = std::string("<hold: ") + app::saveHoldReason() + ">";
const std::string UPDATE_HOLD = std::string("<hold: ") + app::updateHoldReason() + ">";
const std::string RELEASED = "<hold released>";

class RadioWriteHold : public apptest::TaskTest {
protected:
    void SetUp() override {
        TaskTest::SetUp();
        testsupport::observePowerHolds([this](const std::string& event) {
            // What the program's session end would be told at that moment.
            const char* reason = app::radioWriteReason();
            mark(event + (reason != nullptr ? " refusing session end" : ""));
        });
    }

    void TearDown() override {
        testsupport::observePowerHolds({});
        EXPECT_EQ(testsupport::powerHoldsStanding(), 0) << "a hold outlived its task";
        EXPECT_EQ(app::radioWriteReason(), nullptr);
        TaskTest::TearDown();
    }

    void startUpTo(const std::string& latestVersion, std::string settings = apptest::HXA_V2_SETTINGS) {
        makeRadio(settings);
        serveVersion("/firmware/latest/", latestVersion);
        radioPresent();
        startUp();
        forgetTimeline();
    }
};

TEST_F(RadioWriteHold, SaveHoldsWhileWritingAndLetsGoBeforeTheClosingPause) {
    startUpTo(apptest::DEVICE_VERSION);
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::saveTask);
    EXPECT_EQ(timeline(), (Timeline{SAVING, SAVE_HOLD + " refusing session end", RELEASED, SAVING + " done",
                                    wait(1000)}));
}

TEST_F(RadioWriteHold, FailedSaveLetsGoToo) {
    startUpTo(apptest::DEVICE_VERSION);
    std::filesystem::remove(radio.nativePath("doc/global-config.cfg"));
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::saveTask);
    EXPECT_EQ(timeline(), (Timeline{SAVING, SAVE_HOLD + " refusing session end", RELEASED, SAVING + " failed"}));
}

// From "Yes!" through download, verification and install; the seven seconds
// in which the radio reboots need no hold.
TEST_F(RadioWriteHold, UpdateHoldsFromItsStartToTheInstallsEnd) {
    startUpTo("1.1.0");
    serveImage("/firmware/latest/", IMAGE, updatetest::md5HexOf(IMAGE) + "\n");
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::updateTask);
    EXPECT_EQ(timeline(), (Timeline{
                              U1,
                              UPDATE_HOLD + " refusing session end",
                              U1 + " done\n" + U2,
                              U1 + " done\n" + U2 + " done\n" + U3,
                              U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4,
                              RELEASED,
                              U1 + " done\n" + U2 + " done\n" + U3 + " done\n" + U4 + " done\n\n" + CLOSING,
                              wait(7000),
                          }));
}

TEST_F(RadioWriteHold, FailedUpdateLetsGoAtItsEnd) {
    startUpTo("1.1.0");
    serveImage("/firmware/latest/", IMAGE, updatetest::md5HexOf("another image") + "\n");
    press(IDC_FIRST_BUTTON);
    runStartedTask(app::updateTask);
    EXPECT_EQ(timeline(), (Timeline{
                              U1,
                              UPDATE_HOLD + " refusing session end",
                              U1 + " done\n" + U2,
                              U1 + " done\n" + U2 + " done\n" + U3,
                              U1 + " done\n" + U2 + " done\n" + U3 + " failed",
                              RELEASED,
                          }));
}

// The session end is refused while any hold stands, with the latest reason.
TEST(RadioWriteReason, FollowsTheHoldsThatStand) {
    EXPECT_EQ(app::radioWriteReason(), nullptr);
    {
        app::RadioWriteHold save(app::saveHoldReason());
        EXPECT_STREQ(app::radioWriteReason(), app::saveHoldReason());
        {
            app::RadioWriteHold update(app::updateHoldReason());
            EXPECT_STREQ(app::radioWriteReason(), app::updateHoldReason());
            update.release();
            EXPECT_NE(app::radioWriteReason(), nullptr) << "the save still writes";
            update.release();
        }
        EXPECT_NE(app::radioWriteReason(), nullptr) << "a released hold let go twice";
    }
    EXPECT_EQ(app::radioWriteReason(), nullptr);
    EXPECT_EQ(testsupport::powerHoldsStanding(), 0);
}

}  // namespace
