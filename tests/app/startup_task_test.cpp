// The startup task from dialog initialisation to its first interactive state:
// the Info area text by text with the pauses between, the mode switch, the
// files that cannot be read, the hidden form as the file fills it and the
// choice between the form, the update offer and the notice.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "carriers/carrier_table.h"
#include "tests/app/task_fixture.h"
#include "tests/support/http_test_pattern.h"
#include "tests/update/update_test_util.h"

namespace {

using apptest::L1;
using apptest::L2;
using apptest::L3;
using apptest::L4;
using apptest::PrintTo;
using apptest::Timeline;
using apptest::wait;
using testsupport::CheckState;
using testsupport::ScriptedDrive;

class StartupTask : public apptest::TaskTest {};

// What the Info area shows from the moment the device is found to the end
// of the version check.
Timeline stepsAfterFinding() {
    return {
        L1 + " done\n" + L2,
        wait(1000),
        L1 + " done\n" + L2 + " done\n" + L3,
        wait(1000),
        L1 + " done\n" + L2 + " done\n" + L3 + " done",
        wait(500),
        L1 + " done\n" + L2 + " done\n" + L3 + " done\n" + L4,
        L1 + " done\n" + L2 + " done\n" + L3 + " done\n" + L4 + " done",
    };
}

Timeline concat(Timeline first, const Timeline& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The number of polls that find no device before it comes.
class StartupPolls : public apptest::TaskTest, public ::testing::WithParamInterface<int> {};

TEST_P(StartupPolls, OnceASecondUntilTheDeviceComesThenEveryStep) {
    const int absentPolls = GetParam();
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    std::vector<testsupport::DriveTable> tables(absentPolls);
    tables.push_back({radioDrive()});
    testsupport::scriptDrives(tables);

    startUp();

    Timeline expected{L1};
    for (int poll = 0; poll < absentPolls; ++poll) {
        expected.push_back(wait(1000));
    }
    EXPECT_EQ(timeline(), concat(expected, stepsAfterFinding()));
    EXPECT_TRUE(formIs(true));
}

// 0: a device present at start is taken without a wait.
INSTANTIATE_TEST_SUITE_P(AbsentPolls, StartupPolls, ::testing::Values(0, 1, 40));

TEST_F(StartupTask, ReadOnlyDeviceIsSwitchedAndReadUnderItsNewLetter) {
    // The read-only volume holds no settings worth reading: only the
    // writable one that comes back under G: is read.
    testsupport::TempFolder readOnlyRoot;
    readOnlyRoot.writeFile("start.html", std::string(3000, 'x'));
    ScriptedDrive readOnly = radioDrive('E');
    readOnly.root = readOnlyRoot.root();
    readOnly.readOnly = true;
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    // Read-only until the trigger is read, then gone for one poll.
    testsupport::scriptDrives({{readOnly}, {readOnly}, {}, {radioDrive('G')}});

    startUp();

    // After the pause, the switch's own waits: for the device to leave and
    // for it to come back.
    const Timeline steps = stepsAfterFinding();
    Timeline expected{L1, steps[0], steps[1], wait(1000), wait(1000)};
    expected.insert(expected.end(), steps.begin() + 2, steps.end());
    EXPECT_EQ(timeline(), expected);
    EXPECT_EQ(dialog.text(IDC_WIFI_SSID), "Home Net");
    EXPECT_EQ(app::dialogState, app::STATE_EDITING);
}

// The device file that cannot be opened.
class StartupUnreadable : public apptest::TaskTest, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Files, StartupUnreadable, ::testing::Values("doc/global-config.cfg", "doc/status.st"));

TEST_P(StartupUnreadable, StopsAtTheReadingLineWithQuit) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    std::filesystem::remove(radio.nativePath(GetParam()));
    const std::string before = radio.listing();
    serveVersion("/firmware/latest/", "9.0.0");
    radioPresent();

    startUp();

    EXPECT_EQ(timeline(), (Timeline{
                              L1,
                              L1 + " done\n" + L2,
                              wait(1000),
                              L1 + " done\n" + L2 + " done\n" + L3,
                              wait(1000),
                              L1 + " done\n" + L2 + " done\n" + L3 + " failed",
                          }));
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_TRUE(dialog.isVisible(IDC_TASK_BUTTON));
    EXPECT_TRUE(formIs(false));
    EXPECT_EQ(app::dialogState, app::STATE_STARTING);
    EXPECT_TRUE(requestedPaths().empty());
    EXPECT_EQ(radio.listing(), before);

    // "Quit" closes the dialog.
    press(IDC_TASK_BUTTON);
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
}

// The three ways the startup ends, by what the server answers and whether
// the device has an image slot.
struct EndCase {
    const char* name;
    const char* serverVersion;  // nullptr: the server cannot be reached
    bool updateSlot;
    enum { Form, Offer, Notice } end;
    const char* latestText;  // as the offer or notice shows it
};

const EndCase END_CASES[] = {
    {"same version", "1.0.0", true, EndCase::Form, nullptr},
    {"older on the server", "0.9.9", true, EndCase::Form, nullptr},
    {"server unreachable", nullptr, true, EndCase::Form, nullptr},
    {"newer with an image slot", "1.0.1", true, EndCase::Offer, "1.0.1"},
    {"newer without an image slot", "2.0.0", false, EndCase::Notice, "2.0.0"},
};

class StartupEnd : public apptest::TaskTest, public ::testing::WithParamInterface<EndCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, StartupEnd, ::testing::ValuesIn(END_CASES), apptest::NamedByRow());

TEST_P(StartupEnd, InTheFormTheOfferOrTheNotice) {
    const EndCase& c = GetParam();
    makeRadio(apptest::HXA_V2_SETTINGS, c.updateSlot);
    if (c.serverVersion != nullptr) {
        serveVersion("/firmware/latest/", c.serverVersion);
    } else {
        refuseConnections();
    }
    radioPresent();

    startUp();

    Timeline expected = concat({L1}, stepsAfterFinding());
    switch (c.end) {
        case EndCase::Form:
            EXPECT_TRUE(formIs(true));
            EXPECT_FALSE(dialog.isVisible(IDC_INFO_AREA));
            EXPECT_FALSE(dialog.isVisible(IDC_TASK_BUTTON));
            EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "Save and Quit");
            EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "Quit");
            EXPECT_EQ(app::dialogState, app::STATE_EDITING);
            break;
        case EndCase::Offer:
            expected.push_back(apptest::offerText("1.0.0", c.latestText));
            EXPECT_TRUE(dialog.isVisible(IDC_INFO_AREA));
            EXPECT_FALSE(dialog.isVisible(IDC_TASK_BUTTON));
            EXPECT_TRUE(dialog.isVisible(IDC_FIRST_BUTTON));
            EXPECT_TRUE(dialog.isVisible(IDC_SECOND_BUTTON));
            EXPECT_EQ(dialog.text(IDC_FIRST_BUTTON), "Yes!");
            EXPECT_EQ(dialog.text(IDC_SECOND_BUTTON), "No, Thanks!");
            EXPECT_EQ(app::dialogState, app::STATE_OFFERING);
            EXPECT_EQ(app::offerFlag, app::OFFER_OPEN);
            break;
        case EndCase::Notice:
            expected.push_back(apptest::noticeText("1.0.0", c.latestText));
            EXPECT_TRUE(formIs(false));
            EXPECT_TRUE(dialog.isVisible(IDC_INFO_AREA));
            EXPECT_TRUE(dialog.isVisible(IDC_TASK_BUTTON));
            EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "OK");
            EXPECT_EQ(app::dialogState, app::STATE_NOTICE);
            EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
            // "OK" leads to the form, the offer never having been open.
            press(IDC_TASK_BUTTON);
            EXPECT_TRUE(formIs(true));
            EXPECT_EQ(app::dialogState, app::STATE_EDITING);
            EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
            break;
    }
    EXPECT_EQ(timeline(), expected);
    EXPECT_FALSE(dialog.closedWith().has_value());
}

struct FamilyCase {
    const char* name;
    const std::string* settings;
    const char* path;
};

const FamilyCase FAMILY_CASES[] = {
    {"Hxa", &apptest::HXA_V2_SETTINGS, "/firmware/latest/version.info"},
    {"Hxb", &apptest::HXB_SETTINGS, "/firmware-hxb/latest/version.info"},
};

class StartupFolder : public apptest::TaskTest, public ::testing::WithParamInterface<FamilyCase> {};

INSTANTIATE_TEST_SUITE_P(Families, StartupFolder, ::testing::ValuesIn(FAMILY_CASES), apptest::NamedByRow());

TEST_P(StartupFolder, AsksTheLatestFolderOfTheDeviceFamily) {
    makeRadio(*GetParam().settings);
    radioPresent();
    startUp();
    const auto requests = server().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, GetParam().path);
    EXPECT_EQ(requests[0].userAgent, "Brelvan Ondavox Utility/1.0");
}

TEST_F(StartupTask, FillsTheHiddenFormByteForByteFromTheFile) {
    makeRadio(
        "version = 2\n"
        "wifi_ssid = \"  My Net \"\n"
        "wifi_pass = \"p@ss word\"\n"
        "gsm_pin = \"0042\"\n"
        "gsm_country = \"Argentina\"\n"
        "gsm_provider = \"Movistar - WAP\"\n"
        "gsm_apn = \"my.apn\"\n"
        "gsm_user = \"user x\"\n"
        "gsm_pass = \"secret\"\n"
        "gsm_dns1 = \"192.0.2.1\"\n"
        "gsm_dns2 = \"192.0.2.2\"\n"
        "gsm_gw = \"192.0.2.254\"\n"
        "gsm_roaming = true\n");
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    radioPresent();

    startUp();

    EXPECT_TRUE(formIs(true));
    EXPECT_EQ(dialog.text(IDC_WIFI_SSID), "  My Net ");
    EXPECT_EQ(dialog.text(IDC_WIFI_PASSWORD), "p@ss word");
    EXPECT_EQ(dialog.text(IDC_GSM_PIN), "0042");
    EXPECT_EQ(dialog.text(IDC_APN), "my.apn");
    EXPECT_EQ(dialog.text(IDC_GSM_USER), "user x");
    EXPECT_EQ(dialog.text(IDC_GSM_PASSWORD), "secret");
    EXPECT_EQ(dialog.text(IDC_DNS1), "192.0.2.1");
    EXPECT_EQ(dialog.text(IDC_DNS2), "192.0.2.2");
    EXPECT_EQ(dialog.text(IDC_GATEWAY), "192.0.2.254");
    EXPECT_EQ(dialog.checkState(IDC_ROAMING_CHECK), CheckState::Checked);
    // A file without radio_profile reads as 1.
    EXPECT_EQ(dialog.selection(IDC_RADIO_PROFILE_LIST), 1);

    const auto& countries = dialog.items(IDC_COUNTRY_LIST);
    ASSERT_EQ(countries.size(), static_cast<std::size_t>(carriers::COUNTRY_COUNT));
    ASSERT_NE(dialog.selection(IDC_COUNTRY_LIST), platform::NO_SELECTION);
    EXPECT_EQ(countries[dialog.selection(IDC_COUNTRY_LIST)], "Argentina");
    EXPECT_EQ(dialog.items(IDC_PROVIDER_LIST),
              (std::vector<std::string>{"Claro - 3G Internet", "Claro - GPRS", "Movistar - WAP", "Personal - GPRS"}));
    EXPECT_EQ(dialog.selection(IDC_PROVIDER_LIST), 2);
}

const std::vector<std::string> ARGENTINA = {"Claro - 3G Internet", "Claro - GPRS", "Movistar - WAP", "Personal - GPRS"};

struct NameCase {
    const char* name;
    const char* country;
    const char* provider;
    bool countrySelected;
    std::vector<std::string> providers;
    int providerSelection;
};

const NameCase NAME_CASES[] = {
    {"both known", "Argentina", "Claro - GPRS", true, ARGENTINA, 1},
    {"unknown provider", "Argentina", "Nobody", true, ARGENTINA, platform::NO_SELECTION},
    {"provider differs in case", "Argentina", "claro - GPRS", true, ARGENTINA, platform::NO_SELECTION},
    {"provider with a trailing blank", "Argentina", "Claro - GPRS ", true, ARGENTINA, platform::NO_SELECTION},
    {"provider of another country",
     "Algeria",
     "Claro - GPRS",
     true,
     {"Djezzy - djezzy.internet", "Mobilis - internet", "Nedjma - WEB"},
     platform::NO_SELECTION},
    {"unknown country", "Nowhere", "Claro - GPRS", false, {}, platform::NO_SELECTION},
    {"country differs in case", "ARGENTINA", "Claro - GPRS", false, {}, platform::NO_SELECTION},
    {"empty country", "", "", false, {}, platform::NO_SELECTION},
};

class StartupNames : public apptest::TaskTest, public ::testing::WithParamInterface<NameCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, StartupNames, ::testing::ValuesIn(NAME_CASES), apptest::NamedByRow());

TEST_P(StartupNames, CountryAndProviderMatchOnlyByteForByte) {
    const NameCase& c = GetParam();
    makeRadio(std::string("version = 2\ngsm_country = \"") + c.country + "\"\ngsm_provider = \"" + c.provider +
              "\"\ngsm_apn = \"kept.apn\"\n");
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    radioPresent();

    startUp();

    const int country = dialog.selection(IDC_COUNTRY_LIST);
    EXPECT_EQ(dialog.items(IDC_COUNTRY_LIST).size(), static_cast<std::size_t>(carriers::COUNTRY_COUNT));
    if (c.countrySelected) {
        ASSERT_NE(country, platform::NO_SELECTION);
        EXPECT_EQ(dialog.items(IDC_COUNTRY_LIST)[country], c.country);
    } else {
        EXPECT_EQ(country, platform::NO_SELECTION);
    }
    EXPECT_EQ(dialog.items(IDC_PROVIDER_LIST), c.providers);
    EXPECT_EQ(dialog.selection(IDC_PROVIDER_LIST), c.providerSelection);
    // The other fields are filled whatever the names.
    EXPECT_EQ(dialog.text(IDC_APN), "kept.apn");
    EXPECT_TRUE(formIs(true));
}

struct ProfileCase {
    const char* lines;
    int selection;
    CheckState roaming;
};

const ProfileCase PROFILE_CASES[] = {
    {"radio_profile = 0\ngsm_roaming = true\n", 0, CheckState::Checked},
    {"radio_profile = 1\ngsm_roaming = false\n", 1, CheckState::Unchecked},
    {"radio_profile = 2\n", 2, CheckState::Unchecked},
    {"radio_profile = 3\n", platform::NO_SELECTION, CheckState::Unchecked},
    {"radio_profile = 7\n", platform::NO_SELECTION, CheckState::Unchecked},
    {"radio_profile = 4294967295\n", platform::NO_SELECTION, CheckState::Unchecked},  // reads as -1
};

class StartupProfile : public apptest::TaskTest, public ::testing::WithParamInterface<ProfileCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, StartupProfile, ::testing::ValuesIn(PROFILE_CASES));

TEST_P(StartupProfile, RadioProfileSelectsItsEntryOrNothing) {
    const ProfileCase& c = GetParam();
    makeRadio(std::string("version = 2\n") + c.lines);
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    radioPresent();

    startUp();

    EXPECT_EQ(dialog.items(IDC_RADIO_PROFILE_LIST), (std::vector<std::string>{"Fast Start", "Default", "Stable"}));
    EXPECT_EQ(dialog.selection(IDC_RADIO_PROFILE_LIST), c.selection);
    EXPECT_EQ(dialog.checkState(IDC_ROAMING_CHECK), c.roaming);
}

// A beta check while the radio was still awaited, its offer accepted: the
// startup still finds, switches and reads the radio, which the install
// needs, but the dialog is the update's from its first line to its end.
TEST_F(StartupTask, ShowsNothingOverAnUpdateAcceptedBeforeTheRadioWasFound) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", "2.0.0");  // the startup would offer this one
    serveVersion("/firmware/beta/", "1.1.0");
    const std::string image = testsupport::patternBytes(41, 3000);
    serveImage("/firmware/beta/", image, updatetest::md5HexOf(image) + "\n");
    const std::vector<testsupport::WorkerStart> startup = testsupport::recordedWorkerStarts();
    ASSERT_EQ(startup.size(), 1u);
    testsupport::scriptWorkers();

    pressBetaCheck();
    runStartedTask(app::betaCheckTask);
    press(IDC_FIRST_BUTTON);  // "Yes!"
    const std::vector<testsupport::WorkerStart> update = testsupport::recordedWorkerStarts();
    ASSERT_EQ(update.size(), 1u);
    testsupport::scriptWorkers();
    const std::string updateStart = info();
    forgetTimeline();

    radioPresent();
    startup[0].procedure(startup[0].argument);

    for (const std::string& shown : timeline()) {
        EXPECT_TRUE(shown.rfind("<wait", 0) == 0) << "the startup showed \"" << shown << "\" over the update";
    }
    EXPECT_EQ(info(), updateStart);
    EXPECT_TRUE(formIs(false));
    EXPECT_FALSE(dialog.isVisible(IDC_FIRST_BUTTON));
    EXPECT_EQ(app::dialogState, app::STATE_UPDATING);
    EXPECT_EQ(app::offerFlag, app::OFFER_OPEN);

    // The update ends as an update does, onto the radio the startup read.
    update[0].procedure(update[0].argument);
    EXPECT_EQ(info(), "Initializing Update process, please wait... done\nDownloading Update Image... done\n"
                      "Verifying Update Image... done\n" TEXT_VISIT_MAKER " done\n\n" TEXT_UPDATING_ITSELF);
    EXPECT_TRUE(radio.readFile("doc/update.bin") == image);
    EXPECT_EQ(app::dialogState, app::STATE_UPDATING);
}

}  // namespace
