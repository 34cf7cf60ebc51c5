// The status file, the software version line and the update-slot probe.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "device/config_reader.h"
#include "device/status_file.h"
#include "platform/files.h"
#include "tests/device/device_fixture.h"

namespace {

class StatusFile : public testsupport::DeviceDriveTest {
protected:
    void SetUp() override {
        DeviceDriveTest::SetUp();
        writeConfig("version = 1\nwifi_ssid = \"net\"\n");
    }
    void read(const std::string& status) {
        writeStatus(status);
        ASSERT_EQ(device::readDeviceFiles(), 1);
    }
};

struct VersionCase {
    const char* name;
    std::string status;
    const char* version;
};

const VersionCase VERSION_CASES[] = {
    {"PlainValue", "21ms_swver:1.2.3\n", "1.2.3"},
    {"BlankAndCrBelongToTheValue", "21ms_swver: 1.2.3\r\n", " 1.2.3\r"},
    {"AnythingBeforeTheColonIsSkipped", "21ms_swver (main) : 2.0.1\n", " 2.0.1"},
    {"NoColonLeavesEmpty", "21ms_swver 1.2.3\n", ""},
    {"NothingAfterColonLeavesEmpty", "21ms_swver:\n", ""},
    {"CommentIsNotRead", "#21ms_swver:9.9.9\n", ""},
    {"KeyIsCaseSensitive", "21MS_SWVER:1.2.3\n", ""},
    {"LastLineWithValueDecides", "21ms_swver:1.0.0\n21ms_swver:1.0.5\n21ms_swver:\n", "1.0.5"},
    {"LongValueLosesBlanksBeforeItIsCut", "21ms_swver: 10.20.300\r\n", "10.20.300"},
    {"LongValueIsCutToNineCharacters", "21ms_swver:1234567890123\n", "123456789"},
    {"LastLineWithoutLineFeed", "other: 1\n21ms_swver:3.1.4", "3.1.4"},
};

class StatusVersion : public StatusFile, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(StatusVersion, TakesTheValueAfterTheColon) {
    read(GetParam().status);
    EXPECT_STREQ(device::deviceSoftwareVersion, GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatusVersion, ::testing::ValuesIn(VERSION_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(StatusFile, LinesShowInStatusTextNotInConfigText) {
    read("# status\nuptime: 5\n21ms_swver: 1.0\n");
    EXPECT_STREQ(device::statusText, "# status\r\nuptime: 5\r\n21ms_swver: 1.0\r\n");
    EXPECT_STREQ(device::configText, "version = 1\r\nwifi_ssid = \"net\"\r\n");
}

TEST_F(StatusFile, LargeStatusFileIsShownCutAndStillRead) {
    std::string status;
    while (status.size() < 2500) {
        status += "signal: -71 dBm, cell 4711, band 20\n";
    }
    read(status + "21ms_swver:7.7.7\n");
    EXPECT_EQ(std::strlen(device::statusText), sizeof device::statusText - 1);
    EXPECT_STREQ(device::deviceSoftwareVersion, "7.7.7");
}

TEST_F(StatusFile, MissingStatusFileFailsAfterTheConfigurationWasRead) {
    device::updateSupported = 1;
    std::strcpy(device::statusText, "old");
    drive.writeFile("doc/update.bin", "");
    EXPECT_EQ(device::readDeviceFiles(), 0);
    EXPECT_STREQ(device::deviceSettings.wifi_ssid, "net");
    EXPECT_STREQ(device::statusText, "old");
    EXPECT_EQ(device::updateSupported, 1);
}

TEST_F(StatusFile, UpdateSlotThatOpensForWritingOffersAnUpdate) {
    drive.writeFile("doc/update.bin", "old image");
    read("21ms_swver:1.0.0\n");
    EXPECT_EQ(device::updateSupported, 1);
    EXPECT_EQ(drive.readFile("doc/update.bin"), "old image");  // probed, not written
}

TEST_F(StatusFile, MissingUpdateSlotIsNotCreated) {
    device::updateSupported = 1;
    read("21ms_swver:1.0.0\n");
    EXPECT_EQ(device::updateSupported, 0);
    EXPECT_FALSE(drive.exists("doc/update.bin"));
}

TEST_F(StatusFile, UpdateSlotHeldOpenElsewhereOffersNoUpdate) {
    drive.writeFile("doc/update.bin", "x");
    platform::File holder = platform::openExistingForWriting((drive.root() + "doc/update.bin").c_str());
    ASSERT_TRUE(holder.isOpen());
    read("21ms_swver:1.0.0\n");
    EXPECT_EQ(device::updateSupported, 0);
}

}  // namespace
