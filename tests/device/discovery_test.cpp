// Device discovery and the mode switch against a scripted list of drives.
// Each sleep moves the script on, so the waits cost no real time.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "device/device_settings.h"
#include "device/discovery.h"
#include "platform/support_log.h"
#include "platform/threads.h"
#include "tests/support/file_faults.h"
#include "tests/support/temp_folder.h"
#include "tests/support/volume_script.h"

namespace {

using testsupport::DriveTable;
using testsupport::ScriptedDrive;

constexpr std::uint32_t OTHER_SERIAL = 0x12345678;

ScriptedDrive drive(char letter) {
    ScriptedDrive d;
    d.letter = letter;
    return d;
}

ScriptedDrive withSerial(ScriptedDrive d, std::uint32_t serial) {
    d.serialNumber = serial;
    return d;
}

ScriptedDrive fixed(ScriptedDrive d) {
    d.removable = false;
    return d;
}

ScriptedDrive withFileSystem(ScriptedDrive d, const char* name) {
    d.fileSystem = name;
    return d;
}

ScriptedDrive withoutMedium(ScriptedDrive d) {
    d.hasMedium = false;
    return d;
}

ScriptedDrive readOnly(ScriptedDrive d) {
    d.readOnly = true;
    return d;
}

ScriptedDrive mountedAt(ScriptedDrive d, const char* root) {
    d.root = root;
    return d;
}

// A Linux desktop's mount point under a long user name and volume label:
// 300 bytes.
const std::string LONG_MOUNT_POINT = "/media/" + std::string(150, 'u') + "/" + std::string(141, 'L') + "/";

struct FindCase {
    const char* name;
    DriveTable drives;
    std::int32_t found;
    const char* root;
};

const FindCase FIND_CASES[] = {
    {"NoDrives", {}, 0, ""},
    {"DeviceAlone", {fixed(withSerial(drive('C'), OTHER_SERIAL)), drive('E')}, 1, "E:\\"},
    {"LowerLetterWins", {drive('F'), drive('D')}, 1, "D:\\"},
    {"OtherSerial", {withSerial(drive('E'), OTHER_SERIAL)}, 0, ""},
    {"FixedDriveWithDeviceSerial", {fixed(drive('E'))}, 0, ""},
    {"OtherFileSystem", {withFileSystem(drive('E'), "FAT")}, 0, ""},
    {"FileSystemNameIsCaseSensitive", {withFileSystem(drive('E'), "fat32")}, 0, ""},
    {"DriveWithoutMediumIsPassedOver", {withoutMedium(drive('D')), drive('G')}, 1, "G:\\"},
    {"LetterZIsScanned", {withSerial(drive('E'), OTHER_SERIAL), drive('Z')}, 1, "Z:\\"},
    {"LongMountPoint", {mountedAt(drive('E'), LONG_MOUNT_POINT.c_str())}, 1, LONG_MOUNT_POINT.c_str()},
};

class FindDevice : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindDevice, TakesTheFirstMatchingDriveInLetterOrder) {
    testsupport::scriptDrives({GetParam().drives});
    EXPECT_EQ(device::findDevice(), GetParam().found);
    if (GetParam().found == 1) {
        EXPECT_STREQ(device::deviceRoot, GetParam().root);
    }
    EXPECT_TRUE(testsupport::recordedSleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FindDevice, ::testing::ValuesIn(FIND_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

ScriptedDrive mountRefused(ScriptedDrive d, const char* message) {
    d.mountRefusal = message;
    return d;
}

// One line per volume passed over: root, reason, whether it is the device,
// the system's message.
std::vector<std::string> passedOverLines() {
    static const char* const NAMES[] = {"not removable", "not FAT32",   "other serial",
                                        "not mounted",   "unreadable", "stays read-only"};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < device::passedOver.count; ++i) {
        const device::PassedOverVolume& v = device::passedOver.volumes[i];
        lines.push_back(std::string(v.root) + " " + NAMES[static_cast<int>(v.reason)] + (v.isDevice ? " device" : "") +
                        (v.message[0] != '\0' ? std::string(" (") + v.message + ")" : ""));
    }
    return lines;
}

TEST(PassedOver, EachVolumeBeforeTheDeviceKeepsItsReason) {
    device::resetDiscovery();
    testsupport::scriptDrives({{
        fixed(withSerial(drive('C'), OTHER_SERIAL)),
        fixed(drive('D')),
        withoutMedium(withSerial(drive('E'), OTHER_SERIAL)),
        withFileSystem(drive('F'), "FAT"),
        withSerial(drive('G'), OTHER_SERIAL),
        mountRefused(drive('H'), "Not authorized to perform operation"),
        drive('K'),
        withFileSystem(drive('L'), "NTFS"),  // after the device: not looked at
    }});

    ASSERT_EQ(device::findDevice(), 1);
    EXPECT_STREQ(device::deviceRoot, "K:\\");
    EXPECT_EQ(passedOverLines(), (std::vector<std::string>{
                                     "C:\\ not removable",
                                     "D:\\ not removable device",
                                     "E:\\ unreadable (The device is not ready.)",
                                     "F:\\ not FAT32 device",
                                     "G:\\ other serial",
                                     " not mounted device (Not authorized to perform operation)",
                                 }));
    EXPECT_EQ(device::unusableDeviceVolume(), &device::passedOver.volumes[1]);
}

// A drive letter that had the device's serial and turns unreadable is the
// device; once the letter is gone, an unreadable volume there is not.
TEST(PassedOver, UnreadableVolumeWhereTheDeviceWasSeenIsTheDevice) {
    device::resetDiscovery();
    const ScriptedDrive fat16 = withFileSystem(drive('E'), "FAT");
    testsupport::scriptDrives({{fat16}, {withoutMedium(fat16)}, {}, {withoutMedium(fat16)}});

    std::vector<std::string> polls;
    for (int poll = 0; poll < 4; ++poll) {
        EXPECT_EQ(device::findDevice(), 0);
        const std::vector<std::string> lines = passedOverLines();
        polls.push_back(lines.empty() ? "" : lines[0]);
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
    EXPECT_EQ(polls, (std::vector<std::string>{
                         "E:\\ not FAT32 device",
                         "E:\\ unreadable device (The device is not ready.)",
                         "",
                         "E:\\ unreadable (The device is not ready.)",
                     }));
}

// The mode switch, with real folders as the drives' roots so that the
// trigger file is really read. The switch's result says nothing (it only
// returns once the device is writable), so each case checks what the switch
// did: on which drive start.html was opened and read, how long it waited,
// and where deviceRoot points afterwards.
class SwitchDevice : public ::testing::Test {
protected:
    void SetUp() override {
        device::resetDeviceSettings();
        testsupport::resetFileCalls();
    }

    ScriptedDrive deviceOn(char letter, const testsupport::TempFolder& folder) {
        ScriptedDrive d = drive(letter);
        d.root = folder.root();
        return d;
    }

    void findFirst() { ASSERT_EQ(device::findDevice(), 1); }

    // The platform layer's calls on the drive's start.html since SetUp.
    static int triggerCalls(const testsupport::TempFolder& folder, testsupport::FileOperation operation) {
        const std::string path = folder.root() + "start.html";
        int calls = 0;
        for (const testsupport::FileCall& call : testsupport::fileCalls()) {
            if (call.operation == operation && call.path == path) ++calls;
        }
        return calls;
    }
    static int triggerOpens(const testsupport::TempFolder& folder) {
        return triggerCalls(folder, testsupport::FileOperation::Open);
    }
    static int triggerReads(const testsupport::TempFolder& folder) {
        return triggerCalls(folder, testsupport::FileOperation::Read);
    }

    testsupport::TempFolder driveE;
    testsupport::TempFolder driveG;
};

TEST_F(SwitchDevice, WritableDeviceIsLeftAloneAtOnce) {
    driveE.writeFile("start.html", std::string(3000, 'x'));
    testsupport::scriptDrives({{deviceOn('E', driveE)}, {}});
    findFirst();

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveE.root());
    EXPECT_TRUE(testsupport::recordedSleeps().empty());
    EXPECT_EQ(triggerOpens(driveE), 0);
    EXPECT_STREQ(device::configText, "");
}

TEST_F(SwitchDevice, ReadOnlyDeviceIsTriggeredAndFoundUnderItsNewLetter) {
    // Both drives hold a trigger file: only the read-only one may be read.
    driveE.writeFile("start.html", std::string(3000, 'x'));
    driveG.writeFile("start.html", std::string(3000, 'x'));
    testsupport::scriptDrives({
        {readOnly(deviceOn('E', driveE))},
        {},                      // gone after the first wait
        {deviceOn('G', driveG)}, // back, writable, under another letter
    });
    findFirst();

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveG.root());
    EXPECT_EQ(testsupport::recordedSleeps(), (std::vector<std::uint32_t>{1000, 1000}));
    EXPECT_EQ(triggerOpens(driveE), 20);
    EXPECT_EQ(triggerReads(driveE), 20);
    EXPECT_EQ(triggerOpens(driveG), 0);
    EXPECT_EQ(testsupport::openFileCount(), 0);
    EXPECT_STREQ(device::configText, "");
}

TEST_F(SwitchDevice, MissingTriggerFileStillWaitsForTheDevice) {
    testsupport::scriptDrives({{readOnly(deviceOn('E', driveE))}, {}, {}, {}, {deviceOn('E', driveE)}});
    findFirst();

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveE.root());
    EXPECT_EQ(testsupport::recordedSleeps(), (std::vector<std::uint32_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(triggerOpens(driveE), 1);  // tried once, then the wait
    EXPECT_EQ(triggerReads(driveE), 0);
}

TEST_F(SwitchDevice, DeviceThatStaysShowsTheSwitchFailureUntilItLeaves) {
    const ScriptedDrive stuck = readOnly(deviceOn('E', driveE));
    testsupport::scriptDrives({{stuck}, {stuck}, {stuck}, {}, {deviceOn('G', driveG)}});
    findFirst();

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveG.root());
    EXPECT_EQ(testsupport::recordedSleeps(), (std::vector<std::uint32_t>{1000, 1000, 1000, 1000}));
    EXPECT_STREQ(device::configText, "Unable to switch, trigger time exceeded");
    EXPECT_EQ(device::configFileSize, 39u);
    // Said while it stayed; gone with it.
    EXPECT_EQ(device::unusableDeviceVolume(), nullptr);
}

TEST_F(SwitchDevice, DeviceThatStaysIsPassedOverAsStayingReadOnly) {
    const ScriptedDrive stuck = readOnly(deviceOn('E', driveE));
    std::vector<std::string> whileWaiting;
    testsupport::scriptDrives({{stuck}, {stuck}, {stuck}, {}, {deviceOn('E', driveE)}});
    testsupport::observeSleeps([&](std::uint32_t) {
        const device::PassedOverVolume* stays = device::unusableDeviceVolume();
        whileWaiting.push_back(stays != nullptr && stays->reason == device::PassOverReason::StaysReadOnly
                                   ? std::string(stays->root)
                                   : std::string("-"));
    });
    findFirst();
    device::switchDeviceToWritable();
    testsupport::observeSleeps({});
    EXPECT_EQ(whileWaiting, (std::vector<std::string>{"-", driveE.root(), driveE.root(), "-"}));
    EXPECT_EQ(std::string(device::deviceRoot), driveE.root());
}

// Reads of the trigger file: every one succeeds with an empty file, and the
// first failure (a folder named start.html opens but cannot be read, or
// cannot be opened at all) ends them.
struct TriggerCase {
    const char* name;
    const char* fileName;  // what is written into the drive
    int opens;
    int minimumReads;
    int maximumReads;  // a folder opens on some systems and not on others
};

const TriggerCase TRIGGER_CASES[] = {
    {"EmptyFileIsStillReadTwentyTimes", "start.html", 20, 20, 20},
    {"FolderStopsAtTheFirstFailure", "start.html/inside", 1, 0, 1},
};

class SwitchTrigger : public SwitchDevice, public ::testing::WithParamInterface<TriggerCase> {};

TEST_P(SwitchTrigger, ReadsUntilTheFirstFailure) {
    driveE.writeFile(GetParam().fileName, "");
    testsupport::scriptDrives({{readOnly(deviceOn('E', driveE))}, {}, {deviceOn('E', driveE)}});
    findFirst();

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveE.root());
    EXPECT_EQ(testsupport::recordedSleeps(), (std::vector<std::uint32_t>{1000, 1000}));
    EXPECT_EQ(triggerOpens(driveE), GetParam().opens);
    EXPECT_GE(triggerReads(driveE), GetParam().minimumReads);
    EXPECT_LE(triggerReads(driveE), GetParam().maximumReads);
    EXPECT_EQ(testsupport::openFileCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, SwitchTrigger, ::testing::ValuesIn(TRIGGER_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(SwitchDevice, UnreadableFlagsWaitForTheVolumeAndLookAgain) {
    driveE.writeFile("start.html", std::string(3000, 'x'));
    ScriptedDrive gone = withoutMedium(deviceOn('E', driveE));
    testsupport::scriptDrives({{gone}, {deviceOn('E', driveE)}});
    std::strcpy(device::deviceRoot, driveE.root().c_str());

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), driveE.root());
    EXPECT_EQ(testsupport::recordedSleeps(), (std::vector<std::uint32_t>{1000}));
    EXPECT_EQ(triggerOpens(driveE), 0);  // writable once back: no trigger
}

// The support log hears of what the polls see when it changes, not at every
// poll: a long wait is one line, the radio's arrival one, its move to another
// root (as after the switch) one, its leaving one.
TEST(DiscoveryLog, WritesALineOnlyWhenWhatThePollsSeeChanges) {
    testsupport::TempFolder state;
#ifdef _WIN32
    ::SetEnvironmentVariableA("LOCALAPPDATA", state.nativePath("home").c_str());
#else
    ::setenv("XDG_STATE_HOME", state.nativePath("home").c_str(), 1);
#endif
    ASSERT_TRUE(platform::openSupportLog("discovery test"));
    const std::string path = platform::supportLogPath();
    testsupport::scriptDrives({{}, {}, {withSerial(drive('D'), OTHER_SERIAL)}, {drive('E')}, {drive('E')},
                               {drive('F')}, {drive('F')}, {}, {}});
    device::resetDiscovery();
    for (int poll = 0; poll < 9; ++poll) {
        device::findDevice();
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
    platform::closeSupportLog("test over");
#ifdef _WIN32
    ::SetEnvironmentVariableA("LOCALAPPDATA", nullptr);
#else
    ::unsetenv("XDG_STATE_HOME");
#endif

    std::ifstream file(path, std::ios::binary);
    const std::string log(std::istreambuf_iterator<char>(file), {});
    std::vector<std::string> lines;
    for (std::size_t at = log.find("] drives: "); at != std::string::npos; at = log.find("] drives: ", at + 1)) {
        lines.push_back(log.substr(at + 2, log.find('\n', at) - at - 2));
    }
    const std::string notFound = "drives: no usable removable FAT32 drive with the radio's serial";
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "drives: listed through scripted drive list",
                         notFound,
                         "drives: passed over D:\\: another volume serial",
                         "drives: the radio found at E:\\ (removable, FAT32, serial ECE2-2CF8)",
                         "drives: the radio found at F:\\ (removable, FAT32, serial ECE2-2CF8)",
                         notFound,
                     }))
        << log;
}

}  // namespace
