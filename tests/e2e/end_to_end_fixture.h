#pragma once
// The end-to-end cases' fixture: the real programs against the simulated
// radio and the local update server, driven from another process through
// their controls (see end_to_end_test.cpp). Shared by the cases of every
// file in tests/e2e/.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <iterator>
#include <memory>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include <openssl/evp.h>

#include "res/control_ids.h"
#include "res/strings.h"
#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/update_server/update_server.h"
#include "simulator/linux/scripted_logind.h"
#include "simulator/linux/scripted_udisks2.h"
#include "tests/e2e/command_server.h"

namespace e2e_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string SOURCE = ONDAVOX_SOURCE_DIR;
constexpr char AGENT[] = "Brelvan Ondavox Utility/1.0";

inline std::string readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A large image with its checksum text, written in pieces: an install that
// takes long enough to be cancelled in the middle.
inline std::string writeLargeImage(const fs::path& path, std::size_t megabytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_md5(), nullptr);
    std::string piece(1 << 20, '\0');
    for (std::size_t m = 0; m < megabytes; ++m) {
        for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>((i * 31 + m * 7) & 0xFF);
        file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        EVP_DigestUpdate(context, piece.data(), piece.size());
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    EVP_MD_CTX_free(context);
    static const char HEX[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += HEX[digest[i] >> 4];
        text += HEX[digest[i] & 15];
    }
    return text + "\n";
}

inline std::string offerText(const char* current, const char* latest, const char* lastLine) {
    return std::string(TEXT_UPDATE_AVAILABLE) + "\n\n" + TEXT_CURRENT_VERSION + " " + current + "\n" +
           TEXT_LATEST_VERSION + " " + latest + "\n\n" + lastLine;
}

const std::string UPDATE_DONE = std::string(TEXT_INITIALIZING_UPDATE) + " done\n" + TEXT_DOWNLOADING_IMAGE +
                                " done\n" + TEXT_VERIFYING_IMAGE + " done\n" + TEXT_VISIT_MAKER + " done\n\n" +
                                TEXT_UPDATING_ITSELF;

// The configuration file the hxa-v2 sample radio holds after a save that
// changed nothing but, perhaps, the PIN: the whole file, NUL-filled to its
// old length.
inline std::string savedHxaV2Config(const std::string& pin) {
    std::string file =
        "# Brelvan OV global configuration file\n"
        "# Skeleton type: HXA v2\n"
        "# Edited by Windows Configuration Utility\n"
        "\n"
        "version = 2\n"
        "wifi_ssid = \"Kitchen Radio\"\n"
        "wifi_pass = \"tea-and-toast-42\"\n"
        "gsm_pin = \"" + pin + "\"\n"
        "gsm_country = \"Germany\"\n"
        "gsm_provider = \"Vodafone - Postpaid\"\n"
        "gsm_has_apn = true\n"
        "gsm_apn = \"web.vodafone.de\"\n"
        "gsm_user = \"\"\n"
        "gsm_pass = \"\"\n"
        "gsm_dns1 = \"139.7.30.125\"\n"
        "gsm_dns2 = \"139.7.30.126\"\n"
        "gsm_gw = \"\"\n"
        "gsm_roaming = false\n"
        "radio_profile = 1\n";
    file.resize(1024, '\0');
    return file;
}

enum class Platform { Windows, Linux };

// One program run against the simulated radio and the local update server.
// A case's class says which program (platform()); environment_ holds what the
// program is started with beside the proxy and the bus.
class EndToEndFixture : public ::testing::Test {
protected:
    virtual Platform platform() const = 0;

    void SetUp() override {
        if (platform() == Platform::Windows) {
            const char* prefix = std::getenv("ONDAVOX_E2E_WINEPREFIX");
            const char* build = std::getenv("ONDAVOX_E2E_WINDOWS_BUILD");
            if (prefix == nullptr || build == nullptr) {
                GTEST_SKIP() << "no prepared Wine prefix (ONDAVOX_E2E_WINEPREFIX, ONDAVOX_E2E_WINDOWS_BUILD)";
            }
            prefix_ = prefix;
            build_ = build;
        } else {
            const char* program = std::getenv("ONDAVOX_E2E_LINUX_PROGRAM");
            if (program == nullptr) {
                GTEST_SKIP() << "no Linux program to drive (ONDAVOX_E2E_LINUX_PROGRAM)";
            }
            linuxProgram_ = program;
        }
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        work_ = fs::temp_directory_path() / ("ondavox-e2e-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(work_);
        fs::create_directories(work_);
    }

    void TearDown() override {
        session_.reset();  // ends the program if a case left it running
        if (logind_) logind_->stop();
        if (radio_) radio_->stop();
        if (server_) server_->stop();
        if (noRadio_) noRadio_->stop();
        if (!HasFailure()) fs::remove_all(work_);
    }

    // tree: a server tree of simulator/, or a folder of the test's own;
    // bytesPerSecond: each answer's pace (0: as fast as it goes).
    void startServer(const std::string& tree, std::uint64_t bytesPerSecond = 0) {
        const std::string root = tree.rfind('/', 0) == 0 ? tree : SOURCE + "/simulator/" + tree;
        server_ = std::make_unique<simulator::UpdateServer>(
            simulator::UpdateServerOptions{root, 0, (work_ / "server.log").string(), false, bytesPerSecond});
        std::string error;
        ASSERT_TRUE(server_->start(error)) << error;
    }

    void startRadio(const std::string& sample, bool readOnly = false, double appearAfter = 0) {
        simulator::RadioOptions options;
        if (platform() == Platform::Windows) {
            options.winePrefix = prefix_;
            options.windowsTools = build_ + "/simulator";
        } else {
            options.connection = simulator::RadioConnection::UDisks2;
        }
        options.radioFolder = SOURCE + "/simulator/radios/" + sample;
        options.workFolder = (work_ / "radio").string();
        options.logFile = (work_ / "radio.log").string();
        options.echo = false;
        options.readOnly = readOnly;
        options.appearAfterSeconds = appearAfter;
        radio_ = std::make_unique<simulator::RadioSimulator>(options);
        std::string error;
        ASSERT_TRUE(radio_->start(error)) << error;
    }

    // Linux: logind on the radio's system bus, as on a desktop: it hands out
    // the locks on sleep and shutdown and says when they go. Started after
    // the radio (it needs the radio's bus), so not in the cases where the
    // radio appears after a few seconds: the program must start first there.
    void startLogind() {
        if (platform() != Platform::Linux) return;
        logind_ = std::make_unique<simulator::ScriptedLogind>();
        std::string error;
        ASSERT_TRUE(logind_->start(radio_->busAddress(), error)) << error;
    }

    // Starts the program and waits for its dialog. proxyCredentials
    // ("user:password@") go into the proxy's address.
    void startProgram(const std::string& proxyCredentials = "") {
        // The language is the case's: none named unless it names one.
        std::vector<std::string> environment = {"LANGUAGE", "LC_ALL", "LC_MESSAGES"};
        environment.insert(environment.end(), environment_.begin(), environment_.end());
        if (server_) {
            std::string proxy = server_->proxyUrl();
            proxy.insert(proxy.find("://") + 3, proxyCredentials);
            environment.push_back("http_proxy=" + proxy);
        }
        if (platform() == Platform::Linux) {
            // The Linux program's own state and temporary folders are the test's.
            environment.push_back("XDG_STATE_HOME=" + (work_ / "state").string());
            environment.push_back("TMPDIR=" + (work_ / "tmp").string());
            fs::create_directories(work_ / "tmp");
        }
        e2e::ServerLaunch launch;
        if (platform() == Platform::Windows) {
            launch = e2e::windowsProgramServer(prefix_, build_);
        } else {
            // The radio is found through UDisks2 on the simulator's bus; with
            // no radio, on a bus of its own where none is.
            if (!radio_) {
                noRadio_ = std::make_unique<simulator::ScriptedUDisks2>();
                std::string error;
                ASSERT_TRUE(noRadio_->start(error)) << error;
            }
            launch = e2e::linuxProgramServer(SOURCE, radio_ ? radio_->busAddress() : noRadio_->busAddress());
        }
        session_ = std::make_unique<e2e::CommandServer>(launch, environment);
        ASSERT_TRUE(session_->running());
        ASSERT_EQ(send(platform() == Platform::Windows ? "start" : "start " + linuxProgram_), "ok");
        ASSERT_EQ(send("wait-dialog 60000"), "ok");
    }

    std::string send(const std::string& command) { return session_->send(command); }

    // The value of an "ok <value>" answer.
    std::string value(const std::string& command) {
        const std::string answer = send(command);
        EXPECT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
        return answer.size() > 3 ? answer.substr(3) : "";
    }

    // Waits until control id meets condition ("visible", "hidden",
    // "text <text>", "contains <text>"; see tools/program_driver), or with
    // command "stays" watches that it meets it for the whole time.
    ::testing::AssertionResult meets(const char* command, int id, const std::string& condition, int seconds) {
        const std::string answer = send(std::string(command) + " " + std::to_string(id) + " " +
                                        std::to_string(seconds * 1000) + " " + condition);
        if (answer == "ok") return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "control " << id << " not " << condition << " (" << command << "): " << answer;
    }

    ::testing::AssertionResult waitText(int id, const std::string& text, int seconds = 30) {
        return meets("wait", id, "text " + e2e::CommandServer::escape(text), seconds);
    }

    // The offer with this text, complete: the program writes the text first
    // and shows the buttons last, and a press before then would find the
    // offer not yet open.
    ::testing::AssertionResult waitOffer(const std::string& text) {
        ::testing::AssertionResult shown = waitText(IDC_INFO_AREA, text);
        return shown ? meets("wait", IDC_SECOND_BUTTON, "visible", 5) : shown;
    }

    bool visible(int id) { return value("visible " + std::to_string(id)) == "1"; }
    std::string text(int id) { return value("text " + std::to_string(id)); }

    // The form is shown with every field as the radio's file says.
    void expectFormOf(const std::string& pin, const std::string& apn, const std::string& dns1,
                      const std::string& country, const std::string& provider) {
        // The form shows once the startup has found, switched and read the
        // radio; the check box is the last control the form's walk shows.
        EXPECT_TRUE(meets("wait", IDC_ROAMING_CHECK, "visible", 60));
        for (int id : {IDC_GSM_PIN, IDC_COUNTRY_LIST, IDC_PROVIDER_LIST, IDC_APN, IDC_ROAMING_CHECK}) {
            EXPECT_TRUE(visible(id)) << id;
        }
        EXPECT_EQ(text(IDC_FIRST_BUTTON), TEXT_SAVE_AND_QUIT);
        EXPECT_FALSE(visible(IDC_INFO_AREA));
        EXPECT_FALSE(visible(IDC_TASK_BUTTON));
        EXPECT_EQ(text(IDC_SECOND_BUTTON), TEXT_QUIT);
        EXPECT_EQ(text(IDC_GSM_PIN), pin);
        EXPECT_EQ(text(IDC_APN), apn);
        EXPECT_EQ(text(IDC_DNS1), dns1);
        EXPECT_EQ(text(IDC_COUNTRY_LIST), country);
        EXPECT_EQ(text(IDC_PROVIDER_LIST), provider);
    }

    // The dialog closes and the program ends with exit code 0.
    void expectProgramEnds(int seconds) {
        EXPECT_EQ(send("wait-gone " + std::to_string(seconds * 1000)), "ok");
        EXPECT_EQ(send("wait-exit 20000"), "ok 0");
    }

    // Whether the program holds off the session's end (and sleep) within
    // seconds: on Windows it answers WM_QUERYENDSESSION with FALSE, on Linux
    // a lock on sleep and shutdown that it took from logind stands.
    ::testing::AssertionResult holdsOffSessionEnd(bool expected, int seconds = 5) {
        std::string seen;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        do {
            bool holding = false;
            if (platform() == Platform::Windows) {
                seen = send("query-end-session");
                holding = seen == "ok 0";
            } else if (!logind_) {
                return ::testing::AssertionFailure() << "no logind stand-in started";
            } else {
                const int taken = logind_->log().count("inhibit what=sleep:shutdown");
                const int released = logind_->log().count("released what=sleep:shutdown");
                seen = std::to_string(taken) + " locks taken, " + std::to_string(released) + " released";
                holding = taken > released;
            }
            if (holding == expected) return ::testing::AssertionSuccess();
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return ::testing::AssertionFailure() << (expected ? "the session's end is not held off"
                                                          : "the session's end is held off")
                                             << " (" << seen << ")";
    }

    std::vector<std::string> pathsAsked() {
        std::vector<std::string> paths;
        for (const simulator::ServedRequest& request : server_->requests()) {
            EXPECT_EQ(request.userAgent, AGENT) << request.path;
            paths.push_back(request.path);
        }
        return paths;
    }

    fs::path radioFile(const std::string& relative) { return work_ / "radio" / relative; }

    // The folders a run of the program writes into on this computer: its log
    // folder and its temporary folder (under Wine, the user profile's).
    std::vector<fs::path> programFolders() {
        if (platform() == Platform::Linux) return {work_ / "state" / "ondavox-utility", work_ / "tmp"};
        std::vector<fs::path> folders;
        for (const auto& user : fs::directory_iterator(fs::path(prefix_) / "drive_c/users")) {
            folders.push_back(user.path() / "AppData/Local/Ondavox Utility/logs");
            folders.push_back(user.path() / "Temp");  // Wine's TEMP
            folders.push_back(user.path() / "AppData/Local/Temp");
        }
        return folders;
    }

    // The log file this run made: the one run file in the log folder that
    // was not there before. "" when there is not exactly one.
    std::string runLog(const std::map<fs::path, fs::file_time_type>& before) {
        std::vector<fs::path> made;
        for (const auto& [path, time] : filesIn(programFolders())) {
            if (before.count(path) == 0 && path.filename().string().rfind("run-", 0) == 0 &&
                path.extension() == ".log") {
                made.push_back(path);
            }
        }
        EXPECT_EQ(made.size(), 1u) << "this run's log is missing or not alone";
        return made.size() == 1 ? readBytes(made.front()) : "";
    }

    // Every file below folders, with its last write time.
    static std::map<fs::path, fs::file_time_type> filesIn(const std::vector<fs::path>& folders) {
        std::map<fs::path, fs::file_time_type> files;
        for (const fs::path& folder : folders) {
            std::error_code error;
            for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::end(it);
                 it.increment(error)) {
                if (it->is_regular_file()) files[it->path()] = it->last_write_time();
            }
        }
        return files;
    }

    std::vector<std::string> environment_;
    std::string prefix_;
    std::string build_;
    std::string linuxProgram_;
    fs::path work_;
    std::unique_ptr<simulator::UpdateServer> server_;
    std::unique_ptr<simulator::RadioSimulator> radio_;
    std::unique_ptr<simulator::ScriptedUDisks2> noRadio_;
    std::unique_ptr<simulator::ScriptedLogind> logind_;
    std::unique_ptr<e2e::CommandServer> session_;
};

}  // namespace e2e_test
