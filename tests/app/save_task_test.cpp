// "Save and Quit" from the form the startup filled: the Info area's texts,
// the pause before the dialog closes, the file's bytes afterwards, the saves
// that fail, and the radio profile carried through a save.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/task_fixture.h"

namespace {

using apptest::PrintTo;
using apptest::Timeline;
using apptest::wait;

const std::string SAVING = "Saving configuration to device, please wait...";

class SaveTask : public apptest::TaskTest {
protected:
    // The startup ends in the form: the server has nothing newer.
    void startUpToForm(const std::string& settings) {
        makeRadio(settings);
        serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
        radioPresent();
        startUp();
        ASSERT_EQ(app::dialogState, app::STATE_EDITING);
        forgetTimeline();
    }

    void saveAndQuit() {
        press(IDC_FIRST_BUTTON);
        runStartedTask(app::saveTask);
    }

    std::string configOnRadio() { return radio.readFile("doc/global-config.cfg"); }
};

TEST_F(SaveTask, WritesTheFormShowsDoneAndClosesOneSecondLater) {
    startUpToForm(apptest::HXA_V2_SETTINGS);
    dialog.setText(IDC_GSM_PIN, "9876");
    dialog.setCheckState(IDC_ROAMING_CHECK, testsupport::CheckState::Unchecked);

    saveAndQuit();

    EXPECT_EQ(timeline(), (Timeline{SAVING, SAVING + " done", wait(1000)}));
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    // The old length, the skeleton with the form's values, then NULs.
    EXPECT_EQ(configOnRadio(), apptest::configFile("# Brelvan OV global configuration file\n"
                                                   "# Skeleton type: HXA v2\n"
                                                   "# Edited by Windows Configuration Utility\n"
                                                   "\n"
                                                   "version = 2\n"
                                                   "wifi_ssid = \"Home Net\"\n"
                                                   "wifi_pass = \"wifi secret\"\n"
                                                   "gsm_pin = \"9876\"\n"
                                                   "gsm_country = \"Argentina\"\n"
                                                   "gsm_provider = \"Movistar - WAP\"\n"
                                                   "gsm_has_apn = true\n"
                                                   "gsm_apn = \"internet.gprs.unifon.com.ar\"\n"
                                                   "gsm_user = \"wap\"\n"
                                                   "gsm_pass = \"wap\"\n"
                                                   "gsm_dns1 = \"\"\n"
                                                   "gsm_dns2 = \"\"\n"
                                                   "gsm_gw = \"\"\n"
                                                   "gsm_roaming = false\n"
                                                   "radio_profile = 2\n"));
}

struct FailureCase {
    const char* name;
    std::string settings;
    bool fileGone;  // the file vanished between the startup and the save
};

const FailureCase FAILURE_CASES[] = {
    {"no skeleton for the version", "version = 3\nwifi_ssid = \"Home Net\"\n", false},
    {"file gone", apptest::HXA_V2_SETTINGS, true},
};

class SaveTaskFailure : public SaveTask, public ::testing::WithParamInterface<FailureCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, SaveTaskFailure, ::testing::ValuesIn(FAILURE_CASES), apptest::NamedByRow());

TEST_P(SaveTaskFailure, ShowsFailedAndStaysBusyWithQuit) {
    startUpToForm(GetParam().settings);
    if (GetParam().fileGone) {
        std::filesystem::remove(radio.nativePath("doc/global-config.cfg"));
    }
    const std::string listingBefore = radio.listing();
    const std::string configBefore = GetParam().fileGone ? "" : configOnRadio();

    saveAndQuit();

    EXPECT_EQ(timeline(), (Timeline{SAVING, SAVING + " failed"}));
    EXPECT_FALSE(dialog.closedWith().has_value());
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_TRUE(dialog.isVisible(IDC_TASK_BUTTON));
    EXPECT_TRUE(formIs(false));
    EXPECT_EQ(app::dialogState, app::STATE_BUSY);
    EXPECT_EQ(radio.listing(), listingBefore);  // nothing created or resized
    if (!GetParam().fileGone) {
        EXPECT_EQ(configOnRadio(), configBefore);
    }

    // "Quit" closes without a second attempt.
    press(IDC_TASK_BUTTON);
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    EXPECT_TRUE(testsupport::recordedWorkerStarts().empty());
}

// The radio profile through the list and back into the file.
struct ProfileCase {
    int stored;
    int picked;  // the user's choice in the list, or NO_SELECTION for none
    int saved;
};

class SaveTaskProfile : public SaveTask, public ::testing::WithParamInterface<ProfileCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, SaveTaskProfile,
                         ::testing::Values(ProfileCase{0, platform::NO_SELECTION, 0},
                                           ProfileCase{1, platform::NO_SELECTION, 1},
                                           ProfileCase{2, platform::NO_SELECTION, 2},
                                           // The list cannot show 7: it goes back as it came.
                                           ProfileCase{7, platform::NO_SELECTION, 7}, ProfileCase{7, 0, 0},
                                           ProfileCase{2, 1, 1}));

TEST_P(SaveTaskProfile, KeepsTheStoredValueUnlessAnotherIsChosen) {
    startUpToForm("version = 2\nradio_profile = " + std::to_string(GetParam().stored) + "\n");
    if (GetParam().picked != platform::NO_SELECTION) {
        dialog.setSelection(IDC_RADIO_PROFILE_LIST, GetParam().picked);
    }

    saveAndQuit();

    ASSERT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
    const std::string file = configOnRadio();
    EXPECT_EQ(file.size(), apptest::CONFIG_FILE_LENGTH);
    EXPECT_NE(file.find("\nradio_profile = " + std::to_string(GetParam().saved) + "\n"), std::string::npos) << file;
}

}  // namespace
