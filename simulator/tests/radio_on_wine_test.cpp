// The simulated radio inside a real Wine session, looked at with the
// Windows calls and the product's own device link (radio-check.exe): the
// volume it shows, the switch from read-only through start.html to another
// drive letter, the delayed appearance, and its check of an installed update.
// Needs a prefix made by simulator/prepare-prefix.sh, named in
// ONDAVOX_SIM_WINEPREFIX; skips without one.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/radio_sim/wine_drive.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path SIMULATOR = ONDAVOX_SIMULATOR_SOURCE_DIR;

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "key=value" lines into a map.
std::map<std::string, std::string> keyValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

// The Windows path of a Linux path, through Wine's Z: drive.
std::string windowsPath(const std::string& path) {
    std::string converted = "Z:" + path;
    for (char& c : converted) {
        c = c == '/' ? '\\' : c;
    }
    return converted;
}

class RadioOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        const char* prefix = std::getenv("ONDAVOX_SIM_WINEPREFIX");
        if (prefix == nullptr || *prefix == '\0') {
            GTEST_SKIP() << "no simulator prefix (ONDAVOX_SIM_WINEPREFIX unset)";
        }
        prefix_ = prefix;
        const char* tools = std::getenv("ONDAVOX_SIM_WINDOWS_TOOLS");
        tools_ = tools != nullptr && *tools != '\0' ? tools : simulator::defaultWindowsToolsFolder();
        drives_ = std::make_unique<simulator::WineDrives>(prefix_, tools_, "wine");
    }

    simulator::RadioOptions options(const char* radio) const {
        simulator::RadioOptions o;
        o.winePrefix = prefix_;
        o.windowsTools = tools_;
        o.radioFolder = (SIMULATOR / "radios" / radio).string();
        o.workFolder = files.nativePath("radio");
        o.awaySeconds = 2;
        return o;
    }

    // Runs radio-check.exe and returns its key=value lines.
    std::map<std::string, std::string> check(const std::vector<std::string>& arguments) const {
        const simulator::WineCommandResult result = drives_->run(tools_ + "/radio-check.exe", arguments);
        EXPECT_TRUE(result.started && result.exitCode == 0) << result.output;
        return keyValues(result.output);
    }

    std::string prefix_;
    std::string tools_;
    std::unique_ptr<simulator::WineDrives> drives_;
    testsupport::TempFolder files;
};

TEST_F(RadioOnWine, ReadOnlyRadioComesBackWritableUnderTheSwitchLetterAfterStartHtmlIsRead) {
    simulator::RadioOptions o = options("hxa-v2");
    o.readOnly = true;
    simulator::RadioSimulator radio(o);
    std::string error;
    ASSERT_TRUE(radio.start(error)) << error;

    auto volume = check({"volume", "E"});
    EXPECT_NE(volume["drives"].find('E'), std::string::npos);
    EXPECT_EQ(volume["drives"].find('G'), std::string::npos);
    EXPECT_EQ(volume["type"], "2");  // DRIVE_REMOVABLE
    EXPECT_EQ(volume["serial"], "ECE22CF8");
    EXPECT_EQ(volume["fs"], "FAT32");
    EXPECT_EQ(volume["readonly"], "1");

    // The product's discovery: found on E:, switched through start.html,
    // found again on G:.
    const auto switched = check({"switch"});
    EXPECT_EQ(switched.at("found"), "E:\\");
    EXPECT_EQ(switched.at("root"), "G:\\");
    EXPECT_TRUE(radio.log().waitFor("start.html opened (20)", 0ms)) << "the utility reads it 20 times";
    EXPECT_TRUE(radio.log().waitFor("E: removed", 0ms));
    EXPECT_TRUE(radio.log().waitFor("connected as G: (writable)", 0ms));
    EXPECT_EQ(radio.presentLetter(), 'G');

    volume = check({"volume", "G"});
    EXPECT_EQ(volume["drives"].find('E'), std::string::npos);
    EXPECT_EQ(volume["type"], "2");
    EXPECT_EQ(volume["serial"], "ECE22CF8");
    EXPECT_EQ(volume["fs"], "FAT32");
    EXPECT_EQ(volume["readonly"], "0");

    const auto read = check({"read"});
    EXPECT_EQ(read.at("read"), "1");
    EXPECT_EQ(read.at("version"), "2.1.7");
    EXPECT_EQ(read.at("updateSupported"), "1");
    EXPECT_EQ(read.at("configFileSize"), "1024");
    EXPECT_EQ(read.at("wifi_ssid"), "Kitchen Radio");

    radio.stop();
    EXPECT_EQ(check({"volume", "G"})["drives"].find('G'), std::string::npos) << "stop removes the letter";
}

TEST_F(RadioOnWine, AppearsLateAndChecksTheUpdateWrittenOntoIt) {
    simulator::RadioOptions o = options("hxa-v2");
    o.appearAfterSeconds = 2;
    o.letter = 'F';
    simulator::RadioSimulator radio(o);
    std::string error;
    ASSERT_TRUE(radio.start(error)) << error;
    EXPECT_EQ(check({"find"}).at("root"), "") << "not there yet";
    ASSERT_TRUE(radio.log().waitFor("connected as F: (writable)", 20s));
    const auto found = check({"volume", "F"});
    EXPECT_EQ(found.at("readonly"), "0");
    EXPECT_EQ(found.at("serial"), "ECE22CF8");

    // The sample server's image and checksum text, installed by the
    // product's installImage.
    const fs::path channel = SIMULATOR / "server/firmware/latest";
    const std::string image = readWhole(channel / "Ondavox_update.bvn");
    const std::string checksum = readWhole(channel / "Ondavox_update.md5");
    files.writeFile("download/image.bvn", image);
    files.writeFile("download/good.md5", checksum);
    auto installed = check({"install", windowsPath(files.nativePath("download/image.bvn")),
                            windowsPath(files.nativePath("download/good.md5"))});
    EXPECT_EQ(installed.at("installed"), "1");
    ASSERT_TRUE(radio.log().waitFor("update accepted", 10s));
    EXPECT_EQ(files.readFile("radio/doc/update.bin"), image);
    EXPECT_EQ(files.readFile("radio/doc/update.md5"), checksum + "\n" + std::to_string(image.size()));

    // A record that does not match the image is refused.
    std::string wrong = checksum;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    files.writeFile("download/wrong.md5", wrong);
    installed = check({"install", windowsPath(files.nativePath("download/image.bvn")),
                       windowsPath(files.nativePath("download/wrong.md5"))});
    EXPECT_EQ(installed.at("installed"), "1");
    ASSERT_TRUE(radio.log().waitFor("update rejected: checksum mismatch", 10s));
}

TEST_F(RadioOnWine, RadioWithoutASlotOffersNoUpdate) {
    simulator::RadioSimulator radio(options("hxa-v2-no-slot"));
    std::string error;
    ASSERT_TRUE(radio.start(error)) << error;
    const auto read = check({"read"});
    EXPECT_EQ(read.at("root"), "E:\\");
    EXPECT_EQ(read.at("updateSupported"), "0");
    EXPECT_TRUE(radio.log().waitFor("doc/global-config.cfg read", 5s));
}

}  // namespace
