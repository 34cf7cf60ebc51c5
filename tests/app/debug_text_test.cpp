// The Debug dialog's text: the exact format, and the shortening rule when the
// device's two texts do not fit together.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/debug_text.h"
#include "device/device_settings.h"
#include "device/status_file.h"

namespace {

constexpr char RULE[] = "----------------------------------------";

std::string compose(const std::string& config, const std::string& status) {
    char buffer[app::DEBUG_TEXT_CAPACITY];
    std::memset(buffer, 'X', sizeof buffer);
    app::composeDebugTextOf(config.c_str(), status.c_str(), buffer);
    EXPECT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
    return buffer;
}

std::string expected(const std::string& config, const std::string& status) {
    return "Config:\n\n" + config + "\n\n" + RULE + "\n\nStatus:\n\n" + status + "\n";
}

TEST(DebugText, ShowsTheDevicesTextsInTheFixedFormat) {
    std::strcpy(device::configText, "version = 2\r\ndevice = \"hxa\"\r\n");
    std::strcpy(device::statusText, "21ms_swver:1.2.3\r\n");
    app::publishDeviceTexts();
    char buffer[app::DEBUG_TEXT_CAPACITY];
    app::composeDebugText(buffer);
    EXPECT_EQ(std::string(buffer), expected("version = 2\r\ndevice = \"hxa\"\r\n", "21ms_swver:1.2.3\r\n"));
    EXPECT_EQ(std::strlen(RULE), 40u);
    EXPECT_EQ(expected("", "").size(), app::DEBUG_FORMAT_CHARACTERS);
    device::resetDeviceSettings();
    device::resetStatusRecords();
    app::resetPublishedDeviceTexts();
}

// Lengths around the 1984 characters the two texts share.
TEST(DebugText, TextsThatDoNotFitTogetherAreCutWithoutOverflow) {
    struct Case {
        std::size_t config;
        std::size_t status;
        std::size_t shownConfig;  // characters kept before "..." (or all when not cut)
        std::size_t shownStatus;
        bool configCut;
        bool statusCut;
    };
    const Case cases[] = {
        {992, 992, 992, 992, false, false},      // exactly fits
        {1023, 961, 1023, 961, false, false},    // fits, uneven
        {1023, 962, 1019, 962, true, false},     // one over: the longer text gives way
        {1000, 1000, 989, 989, true, true},      // both over half: each keeps half
        {1023, 1023, 989, 989, true, true},      // the largest texts the reader keeps
        {1023, 500, 1023, 500, false, false},    // fits
        {1500, 500, 1481, 500, true, false},     // a short status leaves the rest to the other
        {0, 1023, 0, 1023, false, false},
        {300, 1900, 300, 1681, false, true},     // a short configuration likewise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.config) + " + " + std::to_string(c.status));
        const std::string config(c.config, 'c');
        const std::string status(c.status, 's');
        const std::string text = compose(config, status);
        EXPECT_LE(text.size(), app::DEBUG_TEXT_CAPACITY - 1);
        const std::string shownConfig = std::string(c.shownConfig, 'c') + (c.configCut ? "..." : "");
        const std::string shownStatus = std::string(c.shownStatus, 's') + (c.statusCut ? "..." : "");
        EXPECT_EQ(text, expected(shownConfig, shownStatus));
    }
}

// A cut never leaves half a UTF-8 sequence before the mark.
TEST(DebugText, ACutBacksUpToTheStartOfAUtf8Sequence) {
    // 988 ASCII bytes, then three-byte sequences: the cut at 989 falls inside one.
    std::string config(988, 'a');
    while (config.size() < 1200) config += "\xE2\x82\xAC";  // euro sign
    const std::string status(1000, 's');
    const std::string text = compose(config, status);
    const std::size_t mark = text.find("...");
    ASSERT_NE(mark, std::string::npos);
    EXPECT_EQ(text.substr(0, mark), "Config:\n\n" + config.substr(0, 988));
}

}  // namespace
