// Where the worker tasks and the user-interface thread meet, with real
// threads: the program's end against a write to the radio, two version
// checks at once, and the Debug dialog against the radio being read. Each
// case holds a worker at a chosen point (a file call or a text it shows) and
// lets the other thread act there. The test command also runs these under
// ThreadSanitizer.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "app/debug_text.h"
#include "app/settings_form.h"
#include "device/device_file_rewrite.h"
#include "device/device_write_guard.h"
#include "tests/app/task_fixture.h"
#include "tests/support/file_faults.h"
#include "tests/support/gate.h"
#include "tests/support/http_test_pattern.h"
#include "tests/update/update_test_util.h"
#include "update/image_update.h"

namespace {

using namespace std::chrono_literals;
using testsupport::FileCall;
using testsupport::FileOperation;
using testsupport::Gate;
using apptest::PrintTo;

// How long a thread that must stay blocked is watched before the test lets
// the other one go on. Blocking is the expected outcome, so this bound only
// lengthens a passing run; a fault shows up well within it.
constexpr auto STAYS_BLOCKED = 300ms;

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class Threads : public apptest::TaskTest {
protected:
    void SetUp() override {
        TaskTest::SetUp();
        testsupport::resetFileCalls();
    }

    void TearDown() override {
        testsupport::observeFileCalls({});
        dialog.onOperation({});
        device::resetDeviceWriteGuard();
        TaskTest::TearDown();
    }

    // Takes the one task the dialog started and runs it on a thread of its own.
    std::thread startRecordedTask(platform::WorkerProcedure expected) {
        const auto starts = testsupport::recordedWorkerStarts();
        EXPECT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts.empty() ? nullptr : starts[0].procedure, expected);
        testsupport::scriptWorkers();
        const testsupport::WorkerStart start = starts.empty() ? testsupport::WorkerStart{} : starts[0];
        // The sleep observer reads the dialog from the worker; these tests
        // read it only once the workers are done.
        testsupport::observeSleeps({});
        return std::thread([start] {
            if (start.procedure != nullptr) start.procedure(start.argument);
        });
    }
};

// --- the program's end against a write to the radio ---

struct WriteCase {
    const char* name;
    const char* heldFile;  // the first write to this file is held
    const char* lastFile;  // the write ends with the close of this file
};

const WriteCase WRITE_CASES[] = {
    {"save", "global-config.cfg", "global-config.cfg"},
    {"install", "update.bin", "update.md5"},
};

class ProgramEnd : public Threads, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ProgramEnd, WaitsForTheWriteUnderWayAndAdmitsNoNewOne) {
    const WriteCase& c = GetParam();
    const std::string image = testsupport::patternBytes(7, 5000);
    const std::string checksum = updatetest::md5HexOf(image) + "\n";
    makeRadio(apptest::HXA_V2_SETTINGS);
    const bool install = std::string(c.name) == "install";
    serveVersion("/firmware/latest/", install ? "9.0.0" : apptest::DEVICE_VERSION);
    serveImage("/firmware/latest/", image, checksum);
    radioPresent();
    startUp();
    ASSERT_EQ(app::dialogState, install ? app::STATE_OFFERING : app::STATE_EDITING);
    const std::string oldConfig = radio.readFile("doc/global-config.cfg");

    Gate writing, goOn, ended;
    std::atomic<bool> lastCloseSeen{false};
    std::atomic<bool> heldOnce{false};
    testsupport::observeFileCalls([&](const FileCall& call) {
        if (call.operation == FileOperation::Write && endsWith(call.path, c.heldFile) && !heldOnce.exchange(true)) {
            writing.open();
            goOn.wait();
        }
        if (call.operation == FileOperation::Close && call.forWriting && endsWith(call.path, c.lastFile)) {
            lastCloseSeen = true;
        }
    });

    press(IDC_FIRST_BUTTON);  // "Save and Quit", or "Yes!"
    std::thread worker = startRecordedTask(install ? app::updateTask : app::saveTask);
    writing.wait();

    // The dialog has closed; the program ends on the user-interface thread.
    std::atomic<bool> writeWasOverAtTheEnd{false};
    std::thread userInterface([&] {
        app::onProgramEnding();
        writeWasOverAtTheEnd = lastCloseSeen.load();
        ended.open();
    });
    EXPECT_FALSE(ended.waitFor(STAYS_BLOCKED)) << "the program ended in the middle of the write";
    goOn.open();
    ended.wait();
    userInterface.join();
    worker.join();
    testsupport::observeFileCalls({});

    EXPECT_TRUE(writeWasOverAtTheEnd) << "the program ended before the file was closed";
    if (install) {
        EXPECT_TRUE(radio.readFile("doc/update.bin") == image);
        EXPECT_EQ(radio.readFile("doc/update.md5"), checksum + "\n5000");
    } else {
        const std::string saved = radio.readFile("doc/global-config.cfg");
        EXPECT_EQ(saved.size(), oldConfig.size());
        EXPECT_EQ(saved.rfind("# Brelvan OV global configuration file\n", 0), 0u);
    }

    // Once the end has begun, nothing more reaches the radio.
    const std::string slot = radio.readFile("doc/update.bin");
    const std::string record = radio.readFile("doc/update.md5");
    const std::string config = radio.readFile("doc/global-config.cfg");
    EXPECT_EQ(update::installImage(), 0);
    EXPECT_EQ(app::writeDeviceConfig(dialog.handle()), 0);
    EXPECT_TRUE(radio.readFile("doc/update.bin") == slot);
    EXPECT_EQ(radio.readFile("doc/update.md5"), record);
    EXPECT_EQ(radio.readFile("doc/global-config.cfg"), config);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramEnd, ::testing::ValuesIn(WRITE_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// --- two version checks at once ---

// A beta check started while the startup's own check runs waits for it and
// then wins whole: the offer that stays shows the beta check's versions, and
// no offer ever shows one check's current version with the other's latest.
TEST_F(Threads, LaterVersionCheckWinsWhole) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", "3.0.0");
    serveVersion("/firmware/beta/", "9.9.9");
    radioPresent();

    // Held once its check is over, before it shows the answer: the startup
    // holds the check's turn there.
    Gate checking, goOn, betaDone;
    const std::string checkLine = apptest::L3 + " done\n" + apptest::L4;
    std::atomic<bool> checkShown{false};
    dialog.onOperation([&](testsupport::DialogOperation operation, int id, const std::string& text) {
        if (operation == testsupport::DialogOperation::SetControlText && id == IDC_INFO_AREA && endsWith(text, checkLine)) {
            checkShown = true;
        } else if (operation == testsupport::DialogOperation::Step && checkShown && !checking.isOpen()) {
            checking.open();
            goOn.wait();
        }
    });
    std::thread startup = startRecordedTask(app::startupTask);
    checking.wait();

    pressBetaCheck();
    std::thread beta;
    {
        const auto starts = testsupport::recordedWorkerStarts();
        ASSERT_EQ(starts.size(), 1u);
        testsupport::scriptWorkers();
        beta = std::thread([start = starts[0], &betaDone] {
            start.procedure(start.argument);
            betaDone.open();
        });
    }
    EXPECT_FALSE(betaDone.waitFor(STAYS_BLOCKED)) << "the beta check ran inside the startup's check";
    goOn.open();
    startup.join();
    beta.join();
    dialog.onOperation({});

    const testsupport::OneOperationAtATime settled;
    EXPECT_EQ(dialog.text(IDC_INFO_AREA), apptest::offerText(apptest::DEVICE_VERSION, "9.9.9"));
    EXPECT_EQ(app::dialogState, app::STATE_OFFERING);
    for (const std::string& text : dialog.textHistory(IDC_INFO_AREA)) {
        if (text.rfind("Brelvan Ondavox Update available!", 0) == 0) {
            EXPECT_TRUE(text == apptest::offerText(apptest::DEVICE_VERSION, "3.0.0") ||
                        text == apptest::offerText(apptest::DEVICE_VERSION, "9.9.9"))
                << text;
        }
    }
}

// --- a press between two steps of a worker ---

// A worker changes the dialog one step at a time, and the user-interface
// thread may take a press between any two of them. So between steps each
// button the user can see must already mean what it says: a "Yes!" that
// still counted as the startup's Cancel would end the program, a "Cancel"
// that already counted as the offer would start an update. Inside a step no
// press can come, so the order of its operations does not matter.
void expectButtonsMeanWhatTheySay(testsupport::MemoryDialog& dialog, const std::string& step) {
    const std::int32_t state = app::dialogState;
    if (dialog.isVisible(IDC_FIRST_BUTTON)) {
        const std::string label = dialog.text(IDC_FIRST_BUTTON);
        if (label == "Yes!") {
            EXPECT_EQ(state, app::STATE_OFFERING) << "\"Yes!\" shown " << step;
        }
        if (label == "Save and Quit") {
            EXPECT_EQ(state, app::STATE_EDITING) << "\"Save and Quit\" shown " << step;
        }
    }
    if (dialog.isVisible(IDC_SECOND_BUTTON) && dialog.text(IDC_SECOND_BUTTON) == "No, Thanks!") {
        EXPECT_EQ(app::offerFlag, app::OFFER_OPEN) << "\"No, Thanks!\" shown " << step;
    }
    if (dialog.isVisible(IDC_TASK_BUTTON)) {
        const std::string label = dialog.text(IDC_TASK_BUTTON);
        if (label == "OK") {
            EXPECT_EQ(state, app::STATE_NOTICE) << "\"OK\" shown " << step;
        }
        if (label == "Cancel" || label == "Quit") {
            EXPECT_TRUE(state == app::STATE_STARTING || state == app::STATE_BUSY || state == app::STATE_UPDATING)
                << "\"" << label << "\" shown in state " << state << " " << step;
        }
    }
}

struct EndingCase {
    const char* name;
    const char* latest;  // the Latest channel's version; the device runs 1.0.0
    bool updateSlot;
    bool betaCheckAfter;
};

const EndingCase ENDING_CASES[] = {
    {"form", apptest::DEVICE_VERSION, true, false},
    {"offer", "2.0.0", true, false},
    {"notice", "2.0.0", false, false},
    {"beta check from the form", apptest::DEVICE_VERSION, true, true},
};

class ButtonsBetweenSteps : public Threads, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(ButtonsBetweenSteps, EveryVisibleButtonMeansWhatItSays) {
    const EndingCase& c = GetParam();
    makeRadio(apptest::HXA_V2_SETTINGS, c.updateSlot);
    serveVersion("/firmware/latest/", c.latest);
    serveVersion("/firmware/beta/", "3.0.0");
    radioPresent();
    int steps = 0;
    const auto watchWorkerSteps = [&] {
        dialog.onOperation([&](testsupport::DialogOperation, int id, const std::string& text) {
            if (testsupport::MemoryDialog::insideStep()) {
                return;
            }
            expectButtonsMeanWhatTheySay(dialog, "before step " + std::to_string(++steps) + " (control " +
                                                     std::to_string(id) + ", \"" + text.substr(0, 30) + "\")");
        });
    };
    watchWorkerSteps();
    startUp();
    if (c.betaCheckAfter) {
        // A command runs whole on the user-interface thread: no press comes
        // between its steps, so only the task's steps are watched.
        dialog.onOperation({});
        pressBetaCheck();
        watchWorkerSteps();
        runStartedTask(app::betaCheckTask);
    }
    dialog.onOperation({});
    expectButtonsMeanWhatTheySay(dialog, "at the end");
    EXPECT_GE(steps, 6) << "the worker's steps were not watched";
}

INSTANTIATE_TEST_SUITE_P(Cases, ButtonsBetweenSteps, ::testing::ValuesIn(ENDING_CASES),
                         [](const auto& testCase) {
                             std::string name = testCase.param.name;
                             for (char& ch : name) if (ch == ' ') ch = '_';
                             return name;
                         });

// --- an offer against an update accepted on an earlier one ---

// The beta check's offer is open before the radio is found; the startup then
// finds newer firmware of its own and opens its offer. A "Yes!" on the first
// offer while the startup is in the middle of showing its own must not leave
// a second "Yes!" on screen with an update running: the press comes before
// the startup's offer (which then does not open) or after it (and accepts
// it), never in between.
TEST_F(Threads, AYesOnAnEarlierOfferNeverLeavesASecondOneOnScreen) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    serveVersion("/firmware/latest/", "2.0.0");
    serveVersion("/firmware/beta/", "1.1.0");
    const std::vector<testsupport::WorkerStart> startup = testsupport::recordedWorkerStarts();
    ASSERT_EQ(startup.size(), 1u);
    testsupport::scriptWorkers();
    pressBetaCheck();
    runStartedTask(app::betaCheckTask);
    ASSERT_EQ(app::dialogState, app::STATE_OFFERING);
    radioPresent();

    // The startup is held as it puts its own offer's text up.
    Gate offering, goOn, pressed;
    const std::string startupOffer = apptest::offerText(apptest::DEVICE_VERSION, "2.0.0");
    dialog.onOperation([&](testsupport::DialogOperation operation, int id, const std::string& text) {
        if (operation == testsupport::DialogOperation::SetControlText && id == IDC_INFO_AREA && text == startupOffer &&
            !offering.isOpen()) {
            offering.open();
            goOn.wait();
        }
    });
    testsupport::observeSleeps({});
    std::thread worker([&] { startup[0].procedure(startup[0].argument); });
    offering.wait();

    std::thread userInterface([&] {
        press(IDC_FIRST_BUTTON);  // "Yes!" on the beta check's offer
        pressed.open();
    });
    pressed.waitFor(STAYS_BLOCKED);
    goOn.open();
    userInterface.join();
    worker.join();
    dialog.onOperation({});

    const testsupport::OneOperationAtATime settled;
    const auto starts = testsupport::recordedWorkerStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].procedure, app::updateTask);
    EXPECT_EQ(app::updateInProgress, 1);
    EXPECT_EQ(app::dialogState, app::STATE_UPDATING);
    EXPECT_FALSE(dialog.isVisible(IDC_FIRST_BUTTON)) << "\"" << dialog.text(IDC_FIRST_BUTTON) << "\" still shown";
    EXPECT_FALSE(dialog.isVisible(IDC_SECOND_BUTTON));
    EXPECT_EQ(dialog.text(IDC_INFO_AREA), "Initializing Update process, please wait...");
}

// --- the Debug dialog while the radio is read ---

TEST_F(Threads, DebugTextIsFromBeforeTheReadOrAfterItNeverHalfway) {
    makeRadio(apptest::HXA_V2_SETTINGS);
    refuseConnections();
    radioPresent();
    char before[app::DEBUG_TEXT_CAPACITY];
    app::composeDebugText(before);

    // Held at the configuration file's second read: its lines are in, the
    // status file's are not.
    Gate reading, goOn;
    int configReads = 0;
    testsupport::observeFileCalls([&](const FileCall& call) {
        if (call.operation == FileOperation::Read && endsWith(call.path, "global-config.cfg") && ++configReads == 2) {
            reading.open();
            goOn.wait();
        }
    });
    std::thread startup = startRecordedTask(app::startupTask);
    reading.wait();
    char during[app::DEBUG_TEXT_CAPACITY];
    app::composeDebugText(during);  // Ctrl+D on the user-interface thread
    goOn.open();
    startup.join();
    testsupport::observeFileCalls({});

    EXPECT_STREQ(during, before);
    char after[app::DEBUG_TEXT_CAPACITY];
    app::composeDebugText(after);
    char expected[app::DEBUG_TEXT_CAPACITY];
    app::composeDebugTextOf(device::configText, device::statusText, expected);
    EXPECT_STREQ(after, expected);
    EXPECT_NE(std::string(after).find("21ms_swver:"), std::string::npos);
}

}  // namespace
