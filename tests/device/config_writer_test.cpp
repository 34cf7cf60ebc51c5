// The configuration writer: skeletons, the carrier names, the kept length,
// and the saves that must leave the file as it was.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/settings_form.h"
#include "carriers/carrier_table.h"
#include "device/config_reader.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "res/control_ids.h"
#include "tests/device/device_fixture.h"
#include "tests/support/memory_dialog.h"
#include "tests/support/settings_form.h"

namespace {

using device::DeviceKind;
using testsupport::CheckState;

class ConfigWriter : public testsupport::DeviceDriveTest {
protected:
    // Reads the drive's files and shows the settings in the form the way the
    // startup does: texts from the file, lists selected by the names found.
    void readAndShow(const std::string& config) {
        writeConfig(config);
        writeStatus("21ms_swver:1.0.0\n");
        ASSERT_EQ(device::readDeviceFiles(), 1);
        form.reset();
        testsupport::showSettingsInForm(form, device::deviceSettings);
    }

    // The user picks a country and one of its presets.
    void pickPreset(const char* countryName, int preset) {
        const int country = carriers::findCountryIndex(countryName);
        ASSERT_NE(country, carriers::NONE);
        form.setSelection(IDC_COUNTRY_LIST, country);
        carriers::fillPresetList(form.handle(), country);
        form.setSelection(IDC_PROVIDER_LIST, preset);
        carriers::applyCarrierPreset(form.handle(), country, preset);
    }

    std::string configFile() { return drive.readFile("doc/global-config.cfg"); }

    // The saved file must be the text, then NULs up to the old length.
    void expectSavedAs(const std::string& text, std::size_t length) {
        const std::string saved = configFile();
        ASSERT_EQ(saved.size(), length);
        EXPECT_EQ(saved.substr(0, text.size()), text);
        EXPECT_EQ(saved.substr(text.size()), std::string(length - text.size(), '\0'));
    }

    testsupport::MemoryDialog form;
};

std::string padded(const std::string& text, std::size_t length) { return text + std::string(length - text.size(), '\0'); }

const std::string OLD_HXA_V2 = padded(
    "# hand-edited\nversion = 2\nwifi_ssid = \"old net\"\nwifi_pass = \"old pass\"\ngsm_pin = \"0000\"\n"
    "gsm_country = \"Nowhere\"\ngsm_provider = \"Nobody\"\ngsm_apn = \"old.apn\"\ngsm_has_apn = true\n"
    "gsm_roaming = false\nradio_profile = 0\nunknown_key = \"dropped\"\n",
    900);

TEST_F(ConfigWriter, WritesTheHxaVersion2SkeletonWithTheFormsValues) {
    readAndShow(OLD_HXA_V2);
    form.setText(IDC_WIFI_SSID, "Home Net");
    form.setText(IDC_WIFI_PASSWORD, "p w");
    form.setText(IDC_GSM_PIN, "1234");
    form.setText(IDC_APN, "web.example");
    form.setText(IDC_GSM_USER, "me");
    form.setText(IDC_GSM_PASSWORD, "secret");
    form.setText(IDC_DNS1, "192.0.2.1");
    form.setText(IDC_DNS2, "192.0.2.2");
    form.setText(IDC_GATEWAY, "192.0.2.254");
    form.setCheckState(IDC_ROAMING_CHECK, CheckState::Checked);
    form.setSelection(IDC_RADIO_PROFILE_LIST, 2);
    const std::string before = drive.listing();

    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    expectSavedAs(
        "# Brelvan OV global configuration file\n"
        "# Skeleton type: HXA v2\n"
        "# Edited by Windows Configuration Utility\n"
        "\n"
        "version = 2\n"
        "wifi_ssid = \"Home Net\"\n"
        "wifi_pass = \"p w\"\n"
        "gsm_pin = \"1234\"\n"
        "gsm_country = \"\"\n"
        "gsm_provider = \"\"\n"
        "gsm_has_apn = true\n"
        "gsm_apn = \"web.example\"\n"
        "gsm_user = \"me\"\n"
        "gsm_pass = \"secret\"\n"
        "gsm_dns1 = \"192.0.2.1\"\n"
        "gsm_dns2 = \"192.0.2.2\"\n"
        "gsm_gw = \"192.0.2.254\"\n"
        "gsm_roaming = true\n"
        "radio_profile = 2\n",
        900);
    EXPECT_EQ(drive.listing(), before);  // nothing created, deleted or resized

    // Read back, the values survive.
    ASSERT_EQ(device::readDeviceFiles(), 1);
    const device::DeviceSettings& s = device::deviceSettings;
    EXPECT_STREQ(s.wifi_ssid, "Home Net");
    EXPECT_STREQ(s.wifi_pass, "p w");
    EXPECT_STREQ(s.gsm_gw, "192.0.2.254");
    EXPECT_EQ(s.gsm_roaming, 1);
    EXPECT_EQ(s.radio_profile, 2);
    EXPECT_EQ(device::configFileSize, 900u);
}

struct SkeletonCase {
    const char* name;
    std::string oldFile;
    std::string typeLine;      // the skeleton's own comment line
    std::string versionLines;  // the fixed lines after the blank one
    bool radioProfileLine;
};

const SkeletonCase SKELETON_CASES[] = {
    {"HxaVersion1", padded("version = 1\nradio_profile = 2\n", 700), "# Skeleton type: HXA v1\n",
     "\nversion = 1\nwifi_ssid = ", false},
    {"HxaVersion2", padded("version = 2\n", 700), "# Skeleton type: HXA v2\n", "\nversion = 2\nwifi_ssid = ", true},
    {"HxbVersion1", padded("device = \"hxb\"\nversion = 1\nradio_profile = 2\n", 700), "# Skeleton type: HXB v1\n",
     "\nversion = 1\ndevice = \"hxb\"\nwifi_ssid = ", false},
};

class ConfigWriterSkeletons : public ConfigWriter, public ::testing::WithParamInterface<SkeletonCase> {};

TEST_P(ConfigWriterSkeletons, RoundTripKeepsEveryValueAndTheLength) {
    readAndShow(GetParam().oldFile);
    form.setText(IDC_WIFI_SSID, "ssid");
    form.setText(IDC_WIFI_PASSWORD, "wifi pass");
    form.setText(IDC_GSM_PIN, "4321");
    form.setText(IDC_APN, "apn.example");
    form.setText(IDC_GSM_USER, "user");
    form.setText(IDC_GSM_PASSWORD, "pass");
    form.setText(IDC_DNS1, "198.51.100.1");
    form.setText(IDC_DNS2, "198.51.100.2");
    form.setText(IDC_GATEWAY, "");
    form.setCheckState(IDC_ROAMING_CHECK, CheckState::Indeterminate);  // only a tick means yes
    form.setSelection(IDC_RADIO_PROFILE_LIST, 0);
    const DeviceKind kind = device::deviceSettings.device;

    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    ASSERT_EQ(saved.size(), 700u);
    const std::string text = saved.substr(0, saved.find('\0'));
    EXPECT_EQ(saved.substr(text.size()), std::string(700 - text.size(), '\0'));
    EXPECT_NE(text.find(GetParam().typeLine), std::string::npos) << text;
    EXPECT_NE(text.find(GetParam().versionLines), std::string::npos) << text;
    EXPECT_EQ(text.find("radio_profile") != std::string::npos, GetParam().radioProfileLine) << text;

    device::resetDeviceSettings();
    ASSERT_EQ(device::readDeviceFiles(), 1);
    const device::DeviceSettings& s = device::deviceSettings;
    EXPECT_EQ(s.device, kind);
    EXPECT_STREQ(s.wifi_ssid, "ssid");
    EXPECT_STREQ(s.wifi_pass, "wifi pass");
    EXPECT_STREQ(s.gsm_pin, "4321");
    EXPECT_STREQ(s.gsm_apn, "apn.example");
    EXPECT_EQ(s.gsm_has_apn, 1);
    EXPECT_STREQ(s.gsm_user, "user");
    EXPECT_STREQ(s.gsm_pass, "pass");
    EXPECT_STREQ(s.gsm_dns1, "198.51.100.1");
    EXPECT_STREQ(s.gsm_dns2, "198.51.100.2");
    EXPECT_STREQ(s.gsm_gw, "");
    EXPECT_EQ(s.gsm_roaming, 0);
    EXPECT_EQ(s.radio_profile, GetParam().radioProfileLine ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigWriterSkeletons, ::testing::ValuesIn(SKELETON_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

struct RefusedCase {
    const char* name;
    std::string file;
};

const RefusedCase REFUSED_CASES[] = {
    {"NoVersionLine", padded("wifi_ssid = \"x\"\n", 800)},
    {"HxbVersion2", padded("version = 2\ndevice = \"hxb\"\n", 800)},
    {"UnknownVersion", padded("version = 3\n", 800)},
    {"EmptyFile", ""},
    // The new text would not fit: writing a cut text would lose the settings after the cut.
    {"TextLongerThanFile", "version = 1\n" + std::string(300, '#') + "\n"},
    // Longer than the output buffer: nothing may come from beyond it.
    {"FileLongerThanBuffer", padded("version = 1\n", 1500)},
};

class ConfigWriterRefuses : public ConfigWriter, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ConfigWriterRefuses, LeavesTheFileByteForByte) {
    readAndShow(GetParam().file);
    form.setText(IDC_WIFI_SSID, "changed");
    const std::string before = drive.listing();
    EXPECT_EQ(app::writeDeviceConfig(form.handle()), 0);
    EXPECT_EQ(configFile(), GetParam().file);
    EXPECT_EQ(drive.listing(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigWriterRefuses, ::testing::ValuesIn(REFUSED_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// A double quote would end a quoted value early and a control character would
// break its line: the radio would read other settings than the ones saved.
// Such a value is refused whole, in any field, and the file stays as it was.
TEST_F(ConfigWriter, ValueThatWouldBreakTheFilesSyntaxIsRefused) {
    const std::string old = OLD_HXA_V2;
    const std::string badValues[] = {"we\"b", "\"", "line\nbreak", "cr\r", std::string("tab\there"),
                                     std::string("bell\x07"), std::string("del\x7f")};
    for (int field : app::FORM_TEXT_FIELDS) {
        for (const std::string& bad : badValues) {
            readAndShow(old);
            form.setText(field, bad);
            const std::string before = drive.listing();
            EXPECT_EQ(app::writeDeviceConfig(form.handle()), 0) << field << ": " << ::testing::PrintToString(bad);
            EXPECT_EQ(configFile(), old) << field;
            EXPECT_EQ(drive.listing(), before) << field;
        }
    }
    // Bytes of other scripts are text like any other.
    readAndShow(old);
    form.setText(IDC_APN, "caf\xc3\xa9 \xe9~");
    EXPECT_EQ(app::writeDeviceConfig(form.handle()), 1);
}

// All texts empty, both flags false: the shortest version 1 text, 317 bytes.
constexpr std::size_t SHORTEST_TEXT = 317;

TEST_F(ConfigWriter, TextAsLongAsTheFileFillsItExactly) {
    readAndShow(padded("version = 1\n", SHORTEST_TEXT));
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    EXPECT_EQ(saved.size(), SHORTEST_TEXT);
    EXPECT_EQ(saved.find('\0'), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 20), "gsm_roaming = false\n");
    EXPECT_EQ(device::deviceSettings.gsm_has_apn, 0);
}

TEST_F(ConfigWriter, FileOneByteTooShortIsLeftAlone) {
    const std::string old = padded("version = 1\n", SHORTEST_TEXT - 1);
    readAndShow(old);
    EXPECT_EQ(app::writeDeviceConfig(form.handle()), 0);
    EXPECT_EQ(configFile(), old);
}

TEST_F(ConfigWriter, ShortTextIsFollowedByNulsUpToTheOldLength) {
    std::string text = "version = 1\n" + std::string(387, '#') + "\n";
    ASSERT_EQ(text.size(), 400u);
    readAndShow(padded(text, 600));
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    ASSERT_EQ(saved.size(), 600u);
    const std::size_t textLength = saved.find('\0');
    ASSERT_NE(textLength, std::string::npos);
    EXPECT_EQ(saved.substr(textLength), std::string(600 - textLength, '\0'));
}

TEST_F(ConfigWriter, MissingFileAtSaveFailsWithoutCreatingIt) {
    readAndShow(padded("version = 1\n", 600));
    std::remove(drive.nativePath("doc/global-config.cfg").c_str());
    EXPECT_EQ(app::writeDeviceConfig(form.handle()), 0);
    EXPECT_FALSE(drive.exists("doc/global-config.cfg"));
}

TEST_F(ConfigWriter, UntouchedPresetWritesTheCountryAndPresetNames) {
    readAndShow(OLD_HXA_V2);
    pickPreset("Germany", 9);
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    EXPECT_NE(saved.find("gsm_country = \"Germany\"\n"), std::string::npos);
    EXPECT_NE(saved.find("gsm_provider = \"O2 - Pay-by-MB\"\n"), std::string::npos);

    // The next start selects the same country and preset again.
    readAndShow(saved);
    EXPECT_EQ(form.selection(IDC_COUNTRY_LIST), carriers::findCountryIndex("Germany"));
    EXPECT_EQ(form.selection(IDC_PROVIDER_LIST), 9);
}

struct EditCase {
    const char* name;
    int controlId;
    const char* text;
};

const EditCase HAND_EDITS[] = {
    {"ApnLetterCase", IDC_APN, "Internet"},
    {"ApnEmptied", IDC_APN, ""},
    {"GatewayTyped", IDC_GATEWAY, "10.0.0.1"},
    {"UserTyped", IDC_GSM_USER, "someone"},
    {"SecondDnsChanged", IDC_DNS2, "9.9.9.9"},
};

class ConfigWriterHandEdits : public ConfigWriter, public ::testing::WithParamInterface<EditCase> {};

TEST_P(ConfigWriterHandEdits, WriteEmptyNamesAndTheEditedValues) {
    readAndShow(OLD_HXA_V2);
    pickPreset("Germany", 9);
    form.setText(GetParam().controlId, GetParam().text);
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    EXPECT_NE(saved.find("gsm_country = \"\"\ngsm_provider = \"\"\n"), std::string::npos) << saved;

    readAndShow(saved);
    EXPECT_EQ(form.selection(IDC_COUNTRY_LIST), platform::NO_SELECTION);
    EXPECT_EQ(form.selection(IDC_PROVIDER_LIST), platform::NO_SELECTION);
    EXPECT_EQ(form.text(GetParam().controlId), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigWriterHandEdits, ::testing::ValuesIn(HAND_EDITS),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(ConfigWriter, CountryWithoutPresetSelectionWritesEmptyNames) {
    readAndShow(OLD_HXA_V2);
    pickPreset("Germany", 9);
    form.setSelection(IDC_PROVIDER_LIST, platform::NO_SELECTION);
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    EXPECT_NE(configFile().find("gsm_country = \"\"\ngsm_provider = \"\"\n"), std::string::npos);
}

TEST_F(ConfigWriter, HxbWritesBackTheNamesItReadWhateverTheListsShow) {
    readAndShow(padded("version = 1\ndevice = \"hxb\"\ngsm_country = \"Austria\"\n"
                       "gsm_provider = \"Not In Table\"\n",
                       700));
    pickPreset("Germany", 9);
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = configFile();
    EXPECT_NE(saved.find("gsm_country = \"Austria\"\ngsm_provider = \"Not In Table\"\n"), std::string::npos)
        << saved;
}

TEST_F(ConfigWriter, StoredRadioProfileTheListCannotShowIsKept) {
    readAndShow(padded("version = 2\nradio_profile = 7\n", 700));
    EXPECT_EQ(form.selection(IDC_RADIO_PROFILE_LIST), platform::NO_SELECTION);
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    EXPECT_NE(configFile().find("radio_profile = 7\n"), std::string::npos);
}

}  // namespace
