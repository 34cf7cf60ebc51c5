// The Info area while the startup task waits: the waiting line alone, or,
// once a drive that is the radio has been seen for 3 s without being usable,
// the waiting line, an empty line and the hint, which goes with its reason.
// Drives follow the scripted drive list; each poll is one second.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/task_fixture.h"

namespace {

using apptest::L1;
using apptest::L2;
using apptest::Timeline;
using apptest::wait;
using testsupport::DriveTable;
using testsupport::ScriptedDrive;

const std::string REFUSED = L1 +
                            "\n\nThe radio was found but could not be opened: Not authorized to perform "
                            "operation. Check that you may use removable drives on this computer; the "
                            "utility keeps trying.";
const std::string FIXED = L1 +
                          "\n\nA drive with the radio's serial number was found, but the system reports it "
                          "as a fixed disk. Connect the radio directly to a USB port of this computer.";
const std::string NOT_FAT32 = L1 +
                              "\n\nA drive with the radio's serial number was found, but it is not formatted "
                              "as FAT32. Check that it is the radio itself and that its memory was not "
                              "formatted again.";
const std::string UNREADABLE = L1 +
                               "\n\nThe radio was found but could not be read: The device is not ready. "
                               "Unplug the radio, plug it in again and wait a moment.";

// Drives on letter F, so the radio (on E when it comes) is another drive.
ScriptedDrive refused() {
    ScriptedDrive d;
    d.letter = 'F';
    d.mountRefusal = "Not authorized to perform operation.";  // the system's full stop is not doubled
    return d;
}
ScriptedDrive fixedWithTheSerial() {
    ScriptedDrive d;
    d.letter = 'F';
    d.removable = false;
    return d;
}
ScriptedDrive fat16WithTheSerial() {
    ScriptedDrive d;
    d.letter = 'F';
    d.fileSystem = "FAT";
    return d;
}
ScriptedDrive withoutMedium(ScriptedDrive d) {
    d.hasMedium = false;
    return d;
}
ScriptedDrive otherSerial() {
    ScriptedDrive d;
    d.letter = 'F';
    d.serialNumber = 0x12345678;
    return d;
}

// polls of the same drive table.
std::vector<DriveTable> repeat(int polls, const DriveTable& table) { return std::vector<DriveTable>(polls, table); }

struct HintCase {
    const char* name;
    std::vector<std::vector<DriveTable>> phases;  // drive tables, poll by poll, before the radio comes
    Timeline waiting;                             // the Info texts and waits until the radio is found
};

std::vector<DriveTable> concat(const std::vector<std::vector<DriveTable>>& phases) {
    std::vector<DriveTable> tables;
    for (const auto& phase : phases) {
        tables.insert(tables.end(), phase.begin(), phase.end());
    }
    return tables;
}

const std::string W = wait(1000);

const HintCase HINT_CASES[] = {
    {"RefusedMountAfterThreeSeconds", {repeat(5, {refused()})}, {L1, W, W, W, REFUSED, W, W}},
    {"FixedDiskWithTheSerial", {repeat(4, {fixedWithTheSerial()})}, {L1, W, W, W, FIXED, W}},
    {"Fat16WithTheSerial", {repeat(4, {fat16WithTheSerial()})}, {L1, W, W, W, NOT_FAT32, W}},
    // Seen with the serial at F:, then without a medium there: that is the
    // radio, and the system's message says why it cannot be read.
    {"UnreadableWhereTheRadioWasSeen",
     {repeat(1, {fat16WithTheSerial()}), repeat(3, {withoutMedium(fat16WithTheSerial())})},
     {L1, W, W, W, UNREADABLE, W}},
    {"DriveWithoutMediumNeverSeenAsTheRadio", {repeat(5, {withoutMedium(otherSerial())})}, {L1, W, W, W, W, W}},
    {"OtherSerialIsNoHint", {repeat(5, {otherSerial()})}, {L1, W, W, W, W, W}},
    // Three seconds without a break: a drive that leaves starts the count again.
    {"ReasonGoneBeforeThreeSeconds",
     {repeat(3, {refused()}), repeat(1, {}), repeat(3, {refused()})},
     {L1, W, W, W, W, W, W, W}},
    {"HintGoesWithItsReason", {repeat(4, {refused()}), repeat(2, {})}, {L1, W, W, W, REFUSED, W, L1, W, W}},
    {"HintStaysWhileTheReasonChanges",
     {repeat(2, {refused()}), repeat(3, {fixedWithTheSerial()})},
     {L1, W, W, W, FIXED, W, W}},
};

void PrintTo(const HintCase& c, std::ostream* out) { *out << c.name; }

class WaitingHint : public apptest::TaskTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(WaitingHint, ShowsWhyTheRadioCannotBeUsedUntilItIsFound) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", apptest::DEVICE_VERSION);
    std::vector<DriveTable> tables = concat(GetParam().phases);
    tables.push_back({radioDrive('E')});
    testsupport::scriptDrives(tables);

    startUp();

    Timeline expected = GetParam().waiting;
    expected.push_back(L1 + " done\n" + L2);  // found: the hint has gone
    const Timeline seen = timeline();
    ASSERT_GE(seen.size(), expected.size());
    EXPECT_EQ(Timeline(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_TRUE(formIs(true));
}

INSTANTIATE_TEST_SUITE_P(Cases, WaitingHint, ::testing::ValuesIn(HINT_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
