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
        dialog.onTextSet({});
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

    Gate checking, goOn, betaDone;
    const std::string checkLine = apptest::L3 + " done\n" + apptest::L4;
    dialog.onTextSet([&](int id, const std::string& text) {
        if (id == IDC_INFO_AREA && endsWith(text, checkLine) && !checking.isOpen()) {
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
    dialog.onTextSet({});

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
