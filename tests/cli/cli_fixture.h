#pragma once
// The command-line program run as a user runs it, against the simulated
// radio (on Linux through the scripted UDisks2 service, under Wine as a
// drive letter) and the local update server: the fixture the command-line
// tests share. Each test says which system it runs the program on.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/update_server/update_server.h"

namespace cli_test {

namespace fs = std::filesystem;

extern const std::string SOURCE;
extern const std::string NATIVE_BUILD;

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);
// Every file below a folder (hidden ones too), by relative path.
std::map<std::string, std::string> folderContents(const fs::path& folder);
// The configuration file as the writer leaves it: the text, then NUL bytes
// up to the file's old length.
std::string configFile(const std::string& text);

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

enum class System { Linux, Windows };
const char* systemName(System system);

class CliFixture : public ::testing::Test {
protected:
    // The system the program runs on in this test.
    virtual System system() const = 0;

    void SetUp() override;
    void TearDown() override;

    bool onWindows() const { return system() == System::Windows; }

    void startServer(const std::string& tree);
    void startRadio(const std::string& sample, bool readOnly = false);

    fs::path radioFolder() const { return work_ / "radio"; }
    std::string radioConfig() const { return readFile(radioFolder() / "doc/global-config.cfg"); }

    // A file of the test as the program names it (Wine sees / as Z:).
    std::string hostPath(const fs::path& path) const;

    // Runs the program with the arguments, standard input from the text;
    // the radio's bus or Wine prefix, the server's proxy and the locale's
    // variables (locale_, nothing else of the test's own) in its environment.
    CliRun run(std::vector<std::string> arguments, const std::string& input = "", int signalAfterMs = -1,
               const std::string& busAddress = "");

    // Runs the program on a pseudo-terminal, as in a console window: what
    // the terminal received, standard output and error together.
    CliRun runOnTerminal(std::vector<std::string> arguments);

    // The locale variables (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) the program
    // runs with; under Wine also LOCPATH, where the locales they name are.
    std::vector<std::pair<std::string, std::string>> locale_;

    std::string prefix_;
    std::string windowsBuild_;
    fs::path work_;
    std::unique_ptr<simulator::RadioSimulator> radio_;
    std::unique_ptr<simulator::UpdateServer> server_;

private:
    std::vector<std::string> commandLine(std::vector<std::string> arguments) const;
    // In the child, before exec: the environment the program runs in.
    void prepareEnvironment(const std::string& bus) const;
};

}  // namespace cli_test
