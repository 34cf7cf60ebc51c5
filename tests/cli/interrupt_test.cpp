// The command-line program's signal handling, in a child process that runs
// the program's own handling: a signal during a write to the radio ends the
// process only once the write is over, with the signal's exit code, and
// says the line it was given beforehand.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "device/device_write_guard.h"
#include "program/cli/exit_codes.h"
#include "program/cli/system.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

// Each case: the signal, whether it arrives inside a write section, the exit
// code.
struct InterruptCase {
    const char* what;
    int signal;
    bool duringWrite;
    int exitCode;
};

const InterruptCase CASES[] = {
    {"SIGTERM during a write", SIGTERM, true, cli::EXIT_TERMINATED},
    {"SIGINT during a write", SIGINT, true, cli::EXIT_INTERRUPTED},
    {"SIGINT between writes", SIGINT, false, cli::EXIT_INTERRUPTED},
};

TEST(CommandLineInterrupt, SignalEndsTheProgramOnlyAfterTheWriteUnderWay) {
    const fs::path marker = fs::temp_directory_path() / ("ondavox-cli-interrupt-" + std::to_string(getpid()));
    const fs::path said = fs::temp_directory_path() / ("ondavox-cli-interrupt-said-" + std::to_string(getpid()));
    // Made before the signal, in whatever language; written as it is.
    const char* const line = "ondavox-cli: [ïñţéŕŕûþţéð]\n";
    for (const InterruptCase& c : CASES) {
        SCOPED_TRACE(c.what);
        fs::remove(marker);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            dup2(open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            cli::endOnInterruptAfterDeviceWrites(line);
            if (c.duringWrite) {
                const device::DeviceWriteSection section;
                kill(getpid(), c.signal);
                // The write goes on to its end although the signal came.
                std::this_thread::sleep_for(300ms);
                std::ofstream(marker) << "written whole";
            } else {
                kill(getpid(), c.signal);
            }
            // Nothing after the write: the program must end without coming here.
            std::this_thread::sleep_for(10s);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        std::ifstream saidIn(said, std::ios::binary);
        std::stringstream saidText;
        saidText << saidIn.rdbuf();
        EXPECT_EQ(saidText.str(), line);
        if (c.duringWrite) {
            std::ifstream in(marker);
            std::stringstream text;
            text << in.rdbuf();
            EXPECT_EQ(text.str(), "written whole");
        }
    }
    fs::remove(marker);
    fs::remove(said);
}

}  // namespace
