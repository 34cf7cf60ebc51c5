// The version check: parsing version texts, comparing them, the display texts
// and the channel folders.

#include "update/version_check.h"

#include "tests/update/update_server_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using update::FirmwareVersion;

std::string textOf(const FirmwareVersion& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
}

TEST(VersionCheck, ParsesVersionTexts) {
    const struct {
        std::string text;
        const char* expected;
    } cases[] = {
        {"2.1.7", "2.1.7"},
        {"2.1.7\r\n", "2.1.7"},
        {" 1.2.3\r", "1.2.3"},
        {"\t+1. -0.\v 9x", "1.0.9"},
        {"01.02.04\r\n", "1.2.4"},
        {"1.2", "1.2.0"},
        {"", "0.0.0"},
        {"3.1.4.1", "3.1.4"},
        {"release 2.0.0", "0.0.0"},
        {"1.\n2.3", "1.0.0"},             // only the first line counts
        {"1.2.3\n4.5.6", "1.2.3"},
        {"..7", "0.0.7"},
        {"-1.2.3", "-1.2.3"},             // negated modulo 2^32
        {"4294967295.2147483648.2147483647", "-1.-2147483648.2147483647"},
        {"99999999999.0.0", "-1.0.0"},    // above 2^32 - 1: clamped
        {"-99999999999.-4294967295.0", "-1.1.0"},  // clamped whatever the sign
        {"+.-.5", "0.0.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textOf(update::parseVersionText(c.text)), c.expected) << '"' << c.text << '"';
    }
}

TEST(VersionCheck, ChannelFolders) {
    using update::UpdateChannel;
    using device::DeviceKind;
    const auto folder = [](DeviceKind kind, UpdateChannel channel) {
        return std::u16string(update::channelFolder(kind, channel));
    };
    EXPECT_EQ(folder(DeviceKind::Hxa, UpdateChannel::Latest), u"/firmware/latest/");
    EXPECT_EQ(folder(DeviceKind::Hxa, UpdateChannel::Beta), u"/firmware/beta/");
    EXPECT_EQ(folder(DeviceKind::Hxb, UpdateChannel::Latest), u"/firmware-hxb/latest/");
    EXPECT_EQ(folder(DeviceKind::Hxb, UpdateChannel::Beta), u"/firmware-hxb/beta/");
    EXPECT_EQ(folder(static_cast<DeviceKind>(7), UpdateChannel::Beta), u"/firmware-hxb/beta/");
}

class VersionCheckServer : public updatetest::UpdateServerTest {
protected:
    void setTexts(const char* current, const char* latest) {
        std::strcpy(update::currentVersionText, current);
        std::strcpy(update::latestVersionText, latest);
    }
    void serve(const std::string& body) {
        testsupport::HttpTestReply reply;
        reply.body = body;
        server().script("/firmware/latest/version.info", reply);
    }
};

TEST_F(VersionCheckServer, ComparesDeviceAndServerVersions) {
    const struct {
        const char* device;
        std::string serverBody;
        std::int32_t result;
        const char* current;
        const char* latest;
    } cases[] = {
        {"1.2.3", "1.2.3\n", 0, "1.2.3", "1.2.3"},
        {" 1.2.3\r", "1.2.3\n", 0, "1.2.3", "1.2.3"},
        {"1.2.3", "1.2.4\n", 1, "1.2.3", "1.2.4"},
        {"1.10.0", "1.9.9", 0, "1.10.0", "1.9.9"},
        {"2.0.0", "1.99.99", 0, "2.0.0", "1.99.99"},
        {"", "0.0.1", 1, "0.0.0", "0.0.1"},
        {"1.2.3", "1.2", 0, "1.2.3", "1.2.0"},
        {"1.2.3", "3.1.4.1", 1, "1.2.3", "3.1.4"},
        {"1.2.3", "01.02.04\r\n", 1, "1.2.3", "1.2.4"},
        {"1.2.3", "release 2.0.0", 0, "1.2.3", "0.0.0"},
        {"1.2.3", "1.3.0", 1, "1.2.3", "1.3.0"},
        {"1.2.3", "2.0.0", 1, "1.2.3", "2.0.0"},
        {"1.2.3", "1.1.9", 0, "1.2.3", "1.1.9"},
        {"1.2.3", "4294967295.0.0", 0, "1.2.3", "-1.0.0"},  // compared as signed numbers
        {"1.2.3", std::string("1.2\0.9\n", 7), 0, "1.2.3", "1.2.0"},  // the text ends at a NUL
        // Only the first 100 bytes arrive; they carry no terminator.
        {"1.2.3", "1.2.4" + std::string(200, ' ') + "\n", 1, "1.2.3", "1.2.4"},
        {"1.2.3", "1.2." + std::string(96, '5'), 0, "1.2.3", "1.2.-1"},
        // Longer than 19 characters: shown cut, never written past 20 bytes.
        {"2000000000.2000000000.2000000000", "-2000000000.-2000000000.-2000000000", 0, "2000000000.20000...",
         "-2000000000.-200..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.device << "\" against \"" << c.serverBody << '"');
        serve(c.serverBody);
        // A second check of the same texts gives the same answer.
        for (int round = 0; round < 2; ++round) {
            setTexts("old", "old");
            EXPECT_EQ(update::checkForUpdate(c.device, u"/firmware/latest/"), c.result);
            EXPECT_STREQ(update::currentVersionText, c.current);
            EXPECT_STREQ(update::latestVersionText, c.latest);
        }
    }
}

TEST_F(VersionCheckServer, AsksTheFoldersVersionFile) {
    testsupport::HttpTestReply reply;
    reply.body = "9.9.9\n";
    server().script("/firmware-hxb/beta/version.info", reply);
    EXPECT_EQ(update::checkForUpdate("1.0.0", u"/firmware-hxb/beta/"), 1);
    ASSERT_EQ(server().requests().size(), 1u);
    EXPECT_EQ(server().requests()[0].path, "/firmware-hxb/beta/version.info");
}

TEST_F(VersionCheckServer, FailedOrEmptyFetchKeepsTheTexts) {
    setTexts("1.2.3", "1.2.4");
    serve("");
    EXPECT_EQ(update::checkForUpdate("0.0.1", u"/firmware/latest/"), 0);
    EXPECT_STREQ(update::currentVersionText, "1.2.3");
    EXPECT_STREQ(update::latestVersionText, "1.2.4");

    refuseConnections();
    EXPECT_EQ(update::checkForUpdate("0.0.1", u"/firmware/latest/"), 0);
    EXPECT_STREQ(update::currentVersionText, "1.2.3");
    EXPECT_STREQ(update::latestVersionText, "1.2.4");
}

TEST_F(VersionCheckServer, ErrorPageIsReadAsAVersionText) {
    // Nothing is scripted: the server's 404 page arrives as the content.
    setTexts("", "");
    EXPECT_EQ(update::checkForUpdate("1.0.0", u"/firmware/latest/"), 0);
    EXPECT_STREQ(update::currentVersionText, "1.0.0");
    EXPECT_STREQ(update::latestVersionText, "0.0.0");
}

}  // namespace
