// The configuration reader over real files: keys, values, line handling and
// the limits of its fixed buffers.

#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "device/config_reader.h"
#include "device/device_settings.h"
#include "tests/device/device_fixture.h"

namespace {

using device::configFileSize;
using device::configText;
using device::DeviceKind;
using device::DeviceSettings;

const std::string HXA_V2_FILE =
    "# Brelvan OV global configuration file\n"
    "# Skeleton type: HXA v2\n"
    "# Edited by Windows Configuration Utility\n"
    "\n"
    "version = 2\n"
    "wifi_ssid = \"Home Net\"\n"
    "wifi_pass = \"s3cret pass\"\n"
    "gsm_pin = \"1234\"\n"
    "gsm_country = \"Germany\"\n"
    "gsm_provider = \"O2 - Pay-by-MB\"\n"
    "gsm_has_apn = true\n"
    "gsm_apn = \"internet\"\n"
    "gsm_user = \"user\"\n"
    "gsm_pass = \"pw\"\n"
    "gsm_dns1 = \"10.0.0.1\"\n"
    "gsm_dns2 = \"10.0.0.2\"\n"
    "gsm_gw = \"10.0.0.254\"\n"
    "gsm_roaming = true\n"
    "radio_profile = 2\n";

// Turns every LF into CR LF, as the reader shows the file's lines.
std::string shownAs(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (c == '\n') {
            shown += "\r\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

class ConfigReader : public testsupport::DeviceDriveTest {
protected:
    void read(const std::string& bytes) {
        writeConfig(bytes);
        writeStatus("21ms_swver: 1.0.0\n");
        ASSERT_EQ(device::readDeviceFiles(), 1);
    }
    const DeviceSettings& s = device::deviceSettings;
};

TEST_F(ConfigReader, ReadsEveryKeyOfAWrittenFile) {
    read(HXA_V2_FILE);
    EXPECT_EQ(s.version, 2);
    EXPECT_EQ(s.device, DeviceKind::Hxa);
    EXPECT_STREQ(s.wifi_ssid, "Home Net");
    EXPECT_STREQ(s.wifi_pass, "s3cret pass");
    EXPECT_STREQ(s.gsm_pin, "1234");
    EXPECT_STREQ(s.gsm_country, "Germany");
    EXPECT_STREQ(s.gsm_provider, "O2 - Pay-by-MB");
    EXPECT_EQ(s.gsm_has_apn, 1);
    EXPECT_STREQ(s.gsm_apn, "internet");
    EXPECT_STREQ(s.gsm_user, "user");
    EXPECT_STREQ(s.gsm_pass, "pw");
    EXPECT_STREQ(s.gsm_dns1, "10.0.0.1");
    EXPECT_STREQ(s.gsm_dns2, "10.0.0.2");
    EXPECT_STREQ(s.gsm_gw, "10.0.0.254");
    EXPECT_EQ(s.gsm_roaming, 1);
    EXPECT_EQ(s.radio_profile, 2);
    EXPECT_EQ(configFileSize, HXA_V2_FILE.size());
    EXPECT_EQ(std::string(configText), shownAs(HXA_V2_FILE));
}

struct LineCase {
    const char* name;
    std::string file;
    std::function<void(const DeviceSettings&)> check;
};

const LineCase LINE_CASES[] = {
    {"CommentSetsNothing", "#wifi_ssid = \"x\"\nversion = 1\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.wifi_ssid, ""); }},
    {"LeadingBlankIsNotAKey", " wifi_ssid = \"x\"\n", [](const DeviceSettings& s) { EXPECT_STREQ(s.wifi_ssid, ""); }},
    {"KeyIsMatchedAsPrefix", "wifi_ssidZ = \"net\"\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.wifi_ssid, "net"); }},
    {"KeysAreCaseSensitive", "WIFI_SSID = \"net\"\n", [](const DeviceSettings& s) { EXPECT_STREQ(s.wifi_ssid, ""); }},
    {"EmptyQuotesGiveEmptyText", "gsm_pin = \"\"\n", [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_pin, ""); }},
    {"MissingClosingQuoteRunsToLineEndWithCr", "gsm_apn = \"web\r\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_apn, "web\r"); }},
    {"CrAfterClosingQuoteIsIgnored", "gsm_apn = \"web\"\r\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_apn, "web"); }},
    {"QuoteAtLineEndLeavesField", "gsm_user = \"a\"\ngsm_user = \"\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_user, "a"); }},
    {"LastLineWithValueWins", "gsm_dns1 = \"1.1.1.1\"\ngsm_dns1 = \"8.8.8.8\"\ngsm_dns1 = none\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_dns1, "8.8.8.8"); }},
    {"QuotedTrueIsTrue", "gsm_roaming = \"true\"\n", [](const DeviceSettings& s) { EXPECT_EQ(s.gsm_roaming, 1); }},
    {"YesLeavesFlag", "gsm_has_apn = true\ngsm_has_apn = yes\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.gsm_has_apn, 1); }},
    {"FalseClearsFlag", "gsm_roaming = true\ngsm_roaming = false\r\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.gsm_roaming, 0); }},
    {"NegativeNumberReadsWithoutSign", "radio_profile = -1\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.radio_profile, 1); }},
    {"NumberWithoutDigitsIsZero", "radio_profile = none\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.radio_profile, 0); }},
    {"MissingRadioProfileReadsAsDefault", "version = 1\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.radio_profile, 1); }},
    {"HugeNumberSaturates", "version = 123456789012345678901234567890\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.version, -1); }},
    {"NoDeviceLineIsHxa", "version = 1\n", [](const DeviceSettings& s) { EXPECT_EQ(s.device, DeviceKind::Hxa); }},
    {"HxbDeviceLine", "version = 2\ndevice = \"hxb\"\n",
     [](const DeviceSettings& s) {
         EXPECT_EQ(s.device, DeviceKind::Hxb);
         EXPECT_EQ(s.version, 2);
     }},
    {"LastKnownDeviceCodeDecides", "device = \"hxb\"\ndevice = \"HXA\"\ndevice = \"other\"\n",
     [](const DeviceSettings& s) { EXPECT_EQ(s.device, DeviceKind::Hxb); }},
    {"ValueLongerThanFieldIsCut", "gsm_pin = \"123456789012\"\n",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_pin, "123456789"); }},
    {"LastLineWithoutLineFeed", "version = 1\ngsm_apn = \"web\"",
     [](const DeviceSettings& s) { EXPECT_STREQ(s.gsm_apn, "web"); }},
    {"ShortLinesCarryNothing", "ve\n\n#\nversion = 1\n", [](const DeviceSettings& s) { EXPECT_EQ(s.version, 1); }},
};

class ConfigReaderLines : public ConfigReader, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ConfigReaderLines, ParsesAsExpected) {
    read(GetParam().file);
    GetParam().check(s);
    EXPECT_EQ(std::string(configText), shownAs(GetParam().file) + (GetParam().file.back() == '\n' ? "" : "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigReaderLines, ::testing::ValuesIn(LINE_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(ConfigReader, EmptyFileReadsAsNoSettings) {
    std::strcpy(device::deviceSettings.wifi_ssid, "old");
    read("");
    EXPECT_EQ(configFileSize, 0u);
    EXPECT_STREQ(configText, "");
    EXPECT_STREQ(s.wifi_ssid, "");
    EXPECT_EQ(s.radio_profile, 1);
}

TEST_F(ConfigReader, VersionDeviceAndFlagsSurviveAFileWithoutThem) {
    device::deviceSettings.version = 2;
    device::deviceSettings.device = DeviceKind::Hxb;
    device::deviceSettings.gsm_roaming = 1;
    read("wifi_ssid = \"x\"\n");
    EXPECT_EQ(s.version, 2);
    EXPECT_EQ(s.device, DeviceKind::Hxb);
    EXPECT_EQ(s.gsm_roaming, 1);
}

TEST_F(ConfigReader, TextEndsAtFirstNulButLengthCountsEveryByte) {
    std::string text = "version = 1\nwifi_ssid = \"net\"\n";
    text += std::string(400 - text.size() - 1, '#') + "\n";
    ASSERT_EQ(text.size(), 400u);
    read(text + std::string(200, '\0'));
    EXPECT_EQ(configFileSize, 600u);
    EXPECT_STREQ(s.wifi_ssid, "net");
    EXPECT_EQ(std::string(configText), shownAs(text));
}

TEST_F(ConfigReader, NulEndsTheTextOfItsChunkOnly) {
    // First chunk: a setting, then NULs up to byte 1024; second chunk: more text.
    std::string first = "version = 2\nwifi_ssid = \"cut";
    first += std::string(1024 - first.size(), '\0');
    read(first + "gsm_pin = \"77\"\n");
    EXPECT_EQ(configFileSize, 1024u + 15u);
    EXPECT_STREQ(s.wifi_ssid, "cut");
    EXPECT_STREQ(s.gsm_pin, "77");
}

TEST_F(ConfigReader, LineAcrossChunkBoundaryIsJoined) {
    std::string text = "version = 1\n";
    text += std::string(1020 - text.size(), '#') + "\n";  // the next line starts at byte 1020
    text += "gsm_apn = \"internet\"\n";
    read(text);
    EXPECT_STREQ(s.gsm_apn, "internet");
    EXPECT_EQ(configFileSize, text.size());
}

TEST_F(ConfigReader, OverlongLineIsShownCutAndNotParsed) {
    const std::string longLine = "wifi_ssid = \"" + std::string(600, 'x') + "\"";
    read("version = 1\n" + longLine + "\ngsm_pin = \"12\"\n");
    EXPECT_STREQ(s.wifi_ssid, "");
    EXPECT_STREQ(s.gsm_pin, "12");
    EXPECT_EQ(std::string(configText), "version = 1\r\n" + longLine.substr(0, 511) + "\r\ngsm_pin = \"12\"\r\n");
}

TEST_F(ConfigReader, LargeFileFillsConfigTextWithoutOverrun) {
    std::string text;
    while (text.size() < 3000) {
        text += "# padding line of the configuration file\n";
    }
    text += "gsm_apn = \"late\"\n";
    read(text);
    EXPECT_EQ(configFileSize, text.size());
    EXPECT_EQ(std::strlen(configText), sizeof configText - 1);
    EXPECT_EQ(std::string(configText), shownAs(text).substr(0, sizeof configText - 1));
    EXPECT_STREQ(s.gsm_apn, "late");  // lines past the shown text are still read
}

TEST_F(ConfigReader, MissingFileChangesNothing) {
    std::strcpy(device::deviceSettings.wifi_ssid, "kept");
    std::strcpy(configText, "kept text");
    configFileSize = 7;
    writeStatus("21ms_swver: 1\n");
    EXPECT_EQ(device::readDeviceFiles(), 0);
    EXPECT_STREQ(s.wifi_ssid, "kept");
    EXPECT_STREQ(configText, "kept text");
    EXPECT_EQ(configFileSize, 7u);
}

}  // namespace
