#pragma once
// The worker tasks end to end on the test's own thread: the main dialog over
// the in-memory dialog, a radio whose files live in a temporary folder that
// the drive script presents as the device's drive, the loopback update
// server, and virtual time. The Info area's texts and the pauses are kept in
// one timeline, in the order they happened.

#include <gtest/gtest.h>

#include <concepts>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "app/debug_text.h"
#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/device_write_guard.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "res/control_ids.h"
#include "res/strings.h"
#include "tests/app/main_dialog_fixture.h"
#include "tests/support/memory_dialog.h"
#include "tests/support/temp_folder.h"
#include "tests/support/temporary_folder_override.h"
#include "tests/support/volume_script.h"
#include "tests/support/worker_script.h"
#include "tests/update/update_server_fixture.h"
#include "update/image_update.h"
#include "update/version_check.h"

namespace apptest {

using Timeline = std::vector<std::string>;

// A configuration file as a radio holds it: the text, then NUL bytes up to a
// fixed length, which a save keeps.
constexpr std::size_t CONFIG_FILE_LENGTH = 900;
inline std::string configFile(const std::string& text) {
    return text + std::string(CONFIG_FILE_LENGTH - text.size(), '\0');
}

// An Hxa v2 radio whose settings are exactly one preset of the carrier table.
inline const std::string HXA_V2_SETTINGS =
    "version = 2\n"
    "wifi_ssid = \"Home Net\"\n"
    "wifi_pass = \"wifi secret\"\n"
    "gsm_pin = \"1234\"\n"
    "gsm_country = \"Argentina\"\n"
    "gsm_provider = \"Movistar - WAP\"\n"
    "gsm_has_apn = true\n"
    "gsm_apn = \"internet.gprs.unifon.com.ar\"\n"
    "gsm_user = \"wap\"\n"
    "gsm_pass = \"wap\"\n"
    "gsm_dns1 = \"\"\n"
    "gsm_dns2 = \"\"\n"
    "gsm_gw = \"\"\n"
    "gsm_roaming = true\n"
    "radio_profile = 2\n";

inline const std::string HXB_SETTINGS =
    "version = 1\n"
    "device = \"hxb\"\n"
    "gsm_country = \"Argentina\"\n"
    "gsm_provider = \"Claro - GPRS\"\n";

constexpr char DEVICE_VERSION[] = "1.0.0";

// A case description as a test name: words joined, each capitalised.
inline std::string testName(const std::string& description) {
    std::string name;
    bool capital = true;
    for (char c : description) {
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric) {
            capital = true;
            continue;
        }
        name += capital && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        capital = false;
    }
    return name;
}

// Names each case of a parameterised test after the name field of its row.
struct NamedByRow {
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return testName(row.param.name);
    }
};

// Rows with a name print as that name when a case fails. A test file whose
// rows live in its own namespace brings this in with "using apptest::PrintTo;"
// there, where the test framework's lookup finds it.
template <typename Row>
requires requires(const Row& row) {
    { row.name } -> std::convertible_to<const char*>;
}
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// A "wait N" entry of the timeline.
inline std::string wait(std::uint32_t milliseconds) { return "<wait " + std::to_string(milliseconds) + ">"; }

class TaskTest : public updatetest::UpdateServerTest {
protected:
    void SetUp() override {
        UpdateServerTest::SetUp();
        app::loadUiStrings();
        app::resetDialogState();
        device::resetDeviceSettings();
        device::resetStatusRecords();
        device::resetDeviceFilesRead();
        device::resetDiscovery();
        device::resetDeviceWriteGuard();
        update::resetVersionTexts();
        update::resetImageUpdate();
        app::resetPublishedDeviceTexts();
        testsupport::scriptDrives({});
        testsupport::scriptWorkers();
        testsupport::observeSleeps([this](std::uint32_t milliseconds) {
            takeNewInfoTexts();
            timeline_.push_back(wait(milliseconds));
        });
        setStartVisibility(dialog);
        // Shows the waiting text, fills the radio-profile list and starts
        // the startup task (recorded, run by the test when it wants).
        app::onMainDialogInit(dialog.handle());
    }

    void TearDown() override {
        testsupport::observeSleeps({});
        app::resetDialogState();
        testsupport::scriptWorkers();
        UpdateServerTest::TearDown();
    }

    // --- the radio ---

    // Writes the radio's files; without an update slot it has no doc/update.bin.
    void makeRadio(const std::string& settings, bool updateSlot = true, const char* version = DEVICE_VERSION) {
        radio.writeFile("doc/global-config.cfg", configFile(settings));
        radio.writeFile("doc/status.st", std::string("21ms_swver:") + version + "\r\n");
        if (updateSlot) {
            radio.writeFile("doc/update.bin", "");
            radio.writeFile("doc/update.md5", "");
        }
    }

    testsupport::ScriptedDrive radioDrive(char letter = 'E') const {
        testsupport::ScriptedDrive drive;
        drive.letter = letter;
        drive.root = radio.root();
        return drive;
    }

    // The radio is plugged in, writable, from the start.
    void radioPresent() { testsupport::scriptDrives({{radioDrive()}}); }

    // --- the update server ---

    void serveVersion(const std::string& folder, const std::string& version) {
        testsupport::HttpTestReply reply;
        reply.body = version + "\n";
        server().script(folder + "version.info", reply);
    }

    void serveImage(const std::string& folder, const std::string& image, const std::string& checksumText) {
        testsupport::HttpTestReply imageReply;
        imageReply.body = image;
        server().script(folder + "Ondavox_update.bvn", imageReply);
        testsupport::HttpTestReply checksumReply;
        checksumReply.body = checksumText;
        server().script(folder + "Ondavox_update.md5", checksumReply);
    }

    // The paths the server was asked for since the last call.
    std::vector<std::string> requestedPaths() {
        const auto requests = server().requests();
        std::vector<std::string> paths;
        for (std::size_t i = requestsSeen_; i < requests.size(); ++i) {
            paths.push_back(requests[i].path);
        }
        requestsSeen_ = requests.size();
        return paths;
    }

    // --- the dialog ---

    // A command runs on the dialog's thread: before or after a worker's step,
    // never in the middle of one.
    void press(int command) {
        const testsupport::OneOperationAtATime dialogThread;
        app::onMainDialogCommand(dialog.handle(), command, 0);
    }
    void pressBetaCheck() {
        const testsupport::OneOperationAtATime dialogThread;
        app::onMainDialogCommand(dialog.handle(), IDM_BETA_CHECK, app::SELECTION_CHANGED);
    }

    // Runs, on this thread, the one task the dialog started since the last run.
    void runStartedTask(platform::WorkerProcedure expected) {
        const auto starts = testsupport::recordedWorkerStarts();
        ASSERT_EQ(starts.size(), 1u) << "the dialog started no task, or more than one";
        ASSERT_EQ(starts[0].procedure, expected);
        testsupport::scriptWorkers();
        starts[0].procedure(starts[0].argument);
    }

    // The startup from dialog initialisation to its end.
    void startUp() { runStartedTask(app::startupTask); }

    // The Info area's texts and the pauses since the last forgetTimeline.
    Timeline timeline() {
        takeNewInfoTexts();
        return timeline_;
    }
    void forgetTimeline() {
        takeNewInfoTexts();
        timeline_.clear();
    }
    // Puts an event of the test's own among the texts and pauses.
    void mark(const std::string& event) {
        takeNewInfoTexts();
        timeline_.push_back(event);
    }

    std::string info() { return dialog.text(IDC_INFO_AREA); }

    ::testing::AssertionResult formIs(bool visible) { return apptest::formIs(dialog, visible); }

    testsupport::MemoryDialog dialog;
    testsupport::TempFolder radio;

private:
    void takeNewInfoTexts() {
        const auto& texts = dialog.textHistory(IDC_INFO_AREA);
        for (; infoTextsSeen_ < texts.size(); ++infoTextsSeen_) {
            timeline_.push_back(texts[infoTextsSeen_]);
        }
    }

    // Downloaded images land here and go with it.
    testsupport::TempFolder downloads_;
    testsupport::TemporaryFolderOverride downloadsOverride_{downloads_.root()};
    Timeline timeline_;
    std::size_t infoTextsSeen_ = 0;
    std::size_t requestsSeen_ = 0;
};

// The texts the user reads, spelled out.
inline const std::string L1 = "Waiting for Brelvan Ondavox device...";
inline const std::string L2 = "Initializing Device, please wait...";
inline const std::string L3 = "Reading Device, please wait...";
inline const std::string L4 = "Checking software update...";

inline std::string offerText(const std::string& current, const std::string& latest) {
    return "Brelvan Ondavox Update available!\n\nCurrent version: " + current +
           "\nAvaliable latest version: " + latest + "\n\nDo you want to update?";
}

inline std::string noticeText(const std::string& current, const std::string& latest) {
    return "Brelvan Ondavox Update available!\n\nCurrent version: " + current +
           "\nAvaliable latest version: " + latest + "\n\n" TEXT_VISIT_MAKER;
}

}  // namespace apptest
