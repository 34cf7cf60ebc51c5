#include "tests/cli/cli_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace cli_test {

const std::string SOURCE = ONDAVOX_SOURCE_DIR;
const std::string NATIVE_BUILD = ONDAVOX_BUILD_DIR;

namespace {

constexpr auto RUN_LIMIT = std::chrono::seconds(180);

// Waits for the child, with SIGINT after signalAfterMs (unless negative) and
// SIGKILL past the limit; its exit code, or 1000 and the signal that ended it.
int waitForChild(pid_t child, int signalAfterMs) {
    int status = 0;
    const auto start = std::chrono::steady_clock::now();
    bool signalled = false;
    while (waitpid(child, &status, WNOHANG) == 0) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!signalled && signalAfterMs >= 0 && elapsed > std::chrono::milliseconds(signalAfterMs)) {
            kill(child, SIGINT);
            signalled = true;
        }
        if (elapsed > RUN_LIMIT) {
            kill(child, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

void execute(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

}  // namespace

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
        }
    }
    return files;
}

std::string configFile(const std::string& text) { return text + std::string(1024 - text.size(), '\0'); }

const char* systemName(System system) { return system == System::Linux ? "Linux" : "Windows"; }

void CliFixture::SetUp() {
    if (onWindows()) {
        const char* prefix = std::getenv("ONDAVOX_CLI_WINEPREFIX");
        const char* build = std::getenv("ONDAVOX_CLI_WINDOWS_BUILD");
        if (prefix == nullptr || build == nullptr) {
            GTEST_SKIP() << "no prepared Wine prefix (ONDAVOX_CLI_WINEPREFIX, ONDAVOX_CLI_WINDOWS_BUILD)";
        }
        prefix_ = prefix;
        windowsBuild_ = build;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "-" + test->name();
    std::replace(name.begin(), name.end(), '/', '-');
    work_ = fs::temp_directory_path() / ("ondavox-cli-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(work_);
    fs::create_directories(work_);
}

void CliFixture::TearDown() {
    if (radio_) radio_->stop();
    if (server_) server_->stop();
    if (!HasFailure() && !work_.empty()) fs::remove_all(work_);
}

void CliFixture::startServer(const std::string& tree) {
    server_ = std::make_unique<simulator::UpdateServer>(
        simulator::UpdateServerOptions{SOURCE + "/simulator/" + tree, 0, (work_ / "server.log").string(), false});
    std::string error;
    ASSERT_TRUE(server_->start(error)) << error;
}

void CliFixture::startRadio(const std::string& sample, bool readOnly) {
    simulator::RadioOptions options;
    if (onWindows()) {
        options.winePrefix = prefix_;
        options.windowsTools = windowsBuild_ + "/simulator";
    } else {
        options.connection = simulator::RadioConnection::UDisks2;
    }
    options.radioFolder = sample.rfind('/', 0) == 0 ? sample : SOURCE + "/simulator/radios/" + sample;
    options.workFolder = radioFolder().string();
    options.logFile = (work_ / "radio.log").string();
    options.echo = false;
    options.readOnly = readOnly;
    radio_ = std::make_unique<simulator::RadioSimulator>(options);
    std::string error;
    ASSERT_TRUE(radio_->start(error)) << error;
}

std::string CliFixture::hostPath(const fs::path& path) const {
    if (!onWindows()) return path.string();
    std::string windows = "Z:" + path.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

std::vector<std::string> CliFixture::commandLine(std::vector<std::string> arguments) const {
    if (onWindows()) {
        arguments.insert(arguments.begin(), {"wine", windowsBuild_ + "/ondavox-cli.exe"});
    } else {
        arguments.insert(arguments.begin(), NATIVE_BUILD + "/ondavox-cli");
    }
    return arguments;
}

void CliFixture::prepareEnvironment(const std::string& bus) const {
    if (onWindows()) {
        setenv("WINEPREFIX", prefix_.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
    } else {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
    }
    // A proxy where nothing listens stands for an unreachable server.
    setenv("http_proxy", server_ ? server_->proxyUrl().c_str() : "http://127.0.0.1:9", 1);
    // The language is the test's choice, never the caller's.
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "LOCPATH"}) {
        unsetenv(variable);
    }
    for (const auto& [variable, value] : locale_) {
        setenv(variable.c_str(), value.c_str(), 1);
    }
}

CliRun CliFixture::run(std::vector<std::string> arguments, const std::string& input, int signalAfterMs,
                       const std::string& busAddress) {
    arguments = commandLine(std::move(arguments));
    const fs::path in = work_ / "stdin", out = work_ / "stdout", err = work_ / "stderr";
    writeFile(in, input);
    const std::string bus = !busAddress.empty() ? busAddress
                            : radio_            ? radio_->busAddress()
                                                : std::string("unix:path=/nonexistent");
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(in.c_str(), O_RDONLY), 0);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        prepareEnvironment(bus);
        execute(arguments);
    }
    CliRun result;
    result.exitCode = waitForChild(child, signalAfterMs);
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

CliRun CliFixture::runOnTerminal(std::vector<std::string> arguments) {
    arguments = commandLine(std::move(arguments));
    const std::string bus = radio_ ? radio_->busAddress() : std::string("unix:path=/nonexistent");
    // Wide enough that no line of the program wraps.
    winsize size{};
    size.ws_row = 50;
    size.ws_col = 500;
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
    if (child == 0) {
        prepareEnvironment(bus);
        execute(arguments);
    }
    CliRun result;
    if (child < 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return result;
    }
    // Read until the terminal closes (EIO once every process holding it has
    // ended), or, should one of Wine's keep it, a while after the program ended.
    const auto start = std::chrono::steady_clock::now();
    bool ended = false;
    int status = 0;
    for (int quiet = 0; quiet < 3 && std::chrono::steady_clock::now() - start < RUN_LIMIT;) {
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 200) > 0) {
            char bytes[4096];
            const ssize_t length = read(terminal, bytes, sizeof bytes);
            if (length <= 0) {
                break;
            }
            result.out.append(bytes, static_cast<std::size_t>(length));
            quiet = 0;
            continue;
        }
        if (!ended && waitpid(child, &status, WNOHANG) == child) {
            ended = true;
        }
        if (ended) {
            ++quiet;
        }
    }
    if (!ended) {
        if (std::chrono::steady_clock::now() - start >= RUN_LIMIT) kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    close(terminal);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    return result;
}

}  // namespace cli_test
