#include "simulator/radio_sim/wine_drive.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "simulator/common/file_descriptor.h"
#include "simulator/common/spawn_settings.h"

extern char** environ;

namespace simulator {

namespace fs = std::filesystem;

namespace {

std::string letterText(char letter) { return std::string(1, letter); }

}  // namespace

WineCommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                             int timeoutSeconds) {
    WineCommandResult result;
    char outputPath[] = "/tmp/ondavox-sim-output.XXXXXX";
    FileDescriptor output(::mkostemp(outputPath, O_CLOEXEC));
    if (output.get() < 0) {
        result.output = "cannot make a file for the command's output";
        return result;
    }
    ::unlink(outputPath);  // the open descriptor keeps it readable
    FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));

    // The environment: ours, with the given entries in place of same-named ones.
    std::vector<std::string> entries = environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const std::string& own : environment) {
            replaced = replaced || own.rfind(name, 0) == 0;
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    const CStringArray envp(std::move(entries));
    const CStringArray args(argv);

    // A group of its own, so that a stop on time-out reaches its children too.
    SpawnSettings settings(POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawn_file_actions_adddup2(&settings.actions, input.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&settings.actions, output.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&settings.actions, output.get(), STDERR_FILENO);
    pid_t child = -1;
    const int spawnError =
        ::posix_spawnp(&child, args[0], &settings.actions, &settings.attributes, args.get(), envp.get());
    if (spawnError != 0) {
        result.output = std::string("cannot start ") + args[0] + ": " + std::strerror(spawnError);
        return result;
    }
    result.started = true;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            break;
        }
        if (done < 0) {
            status = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.output = "timed out after " + std::to_string(timeoutSeconds) + " s\n";
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.exitCode = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    ::lseek(output.get(), 0, SEEK_SET);
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(output.get(), buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    // Windows programs end their lines with CR LF.
    std::string clean;
    for (const char c : result.output) {
        if (c != '\r') {
            clean += c;
        }
    }
    while (!clean.empty() && std::isspace(static_cast<unsigned char>(clean.back()))) {
        clean.pop_back();
    }
    result.output = clean;
    return result;
}

WineDrives::WineDrives(std::string prefix, std::string toolsFolder, std::string wine)
    : prefix_(std::move(prefix)), toolsFolder_(std::move(toolsFolder)), wine_(std::move(wine)) {}

WineCommandResult WineDrives::run(const std::string& program, const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv = {wine_, program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv, {"WINEPREFIX=" + prefix_, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="}, 60);
}

void WineDrives::waitForDriveTableToSettle() const {
    // Each Wine process keeps a table of drive roots (by device and inode)
    // that it renews at most once a second. Within that second a folder can
    // still be taken for a letter just removed, also when a new folder got
    // the inode of a deleted one, and a new letter on it is then not
    // recognised. Letters change the prefix's dosdevices folder, so its time
    // of change tells when the last one went.
    struct stat info{};
    if (::stat((prefix_ + "/dosdevices").c_str(), &info) != 0) {
        return;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const double since = static_cast<double>(now.tv_sec - info.st_mtim.tv_sec) +
                         static_cast<double>(now.tv_nsec - info.st_mtim.tv_nsec) / 1e9;
    constexpr double SETTLE_SECONDS = 1.2;
    if (since >= 0 && since < SETTLE_SECONDS) {
        std::this_thread::sleep_for(std::chrono::duration<double>(SETTLE_SECONDS - since));
    }
}

WineCommandResult WineDrives::define(char letter, const std::string& folder, bool readOnly) const {
    waitForDriveTableToSettle();
    std::vector<std::string> arguments = {"define", letterText(letter), folder};
    if (readOnly) {
        arguments.emplace_back("--read-only");
    }
    return run(helper(), arguments);
}

WineCommandResult WineDrives::remove(char letter) const { return run(helper(), {"remove", letterText(letter)}); }

WineCommandResult WineDrives::show(char letter) const { return run(helper(), {"show", letterText(letter)}); }

WineCommandResult WineDrives::list() const { return run(helper(), {"list"}); }

std::string WineDrives::helper() const { return toolsFolder_ + "/radio-drive.exe"; }

void WineDrives::removeLeftDeviceLink(char letter, const std::string& folder) const {
    const char name[4] = {static_cast<char>(std::tolower(static_cast<unsigned char>(letter))), ':', ':', '\0'};
    const fs::path link = fs::path(prefix_) / "dosdevices" / name;
    std::error_code error;
    if (!fs::is_symlink(link, error)) {
        return;
    }
    const std::string target = fs::read_symlink(link, error).string();
    if (!error && target.rfind(folder, 0) == 0) {
        fs::remove(link, error);
    }
}

}  // namespace simulator
