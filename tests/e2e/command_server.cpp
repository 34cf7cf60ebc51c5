#include "tests/e2e/command_server.h"

#include "tools/program_driver/line_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace e2e {

namespace {

// How long the command server may take to end (and to end the program it
// started) once its input is closed.
constexpr int SERVER_END_LIMIT_MS = 5000;

}  // namespace

ServerLaunch windowsProgramServer(const std::string& winePrefix, const std::string& windowsBuild) {
    return {{"wine", windowsBuild + "/tools/ondavox_drive.exe"}, {"WINEPREFIX=" + winePrefix, "WINEDEBUG=-all"}};
}

ServerLaunch linuxProgramServer(const std::string& sourceTree, const std::string& systemBusAddress) {
    return {{"/usr/bin/python3", sourceTree + "/tools/atspi_driver/drive_program.py"},
            {"DBUS_SYSTEM_BUS_ADDRESS=" + systemBusAddress}};
}

CommandServer::CommandServer(const ServerLaunch& launch, const std::vector<std::string>& extraEnvironment) {
    int input[2];
    int output[2];
    if (launch.argv.empty() || pipe(input) != 0) return;
    if (pipe(output) != 0) {
        close(input[0]);
        close(input[1]);
        return;
    }
    // A later entry stands in for an inherited one of its name (a program
    // may read the first copy), and a name alone removes it.
    std::vector<std::string> variables;
    const auto apply = [&variables](const std::string& variable) {
        const std::string name = variable.substr(0, variable.find('='));
        variables.erase(std::remove_if(variables.begin(), variables.end(),
                                       [&name](const std::string& kept) {
                                           return kept.compare(0, name.size() + 1, name + "=") == 0;
                                       }),
                        variables.end());
        if (variable.find('=') != std::string::npos) variables.push_back(variable);
    };
    for (char** entry = environ; *entry != nullptr; ++entry) variables.emplace_back(*entry);
    for (const std::string& variable : launch.environment) apply(variable);
    for (const std::string& variable : extraEnvironment) apply(variable);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments = launch.argv;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    process_ = fork();
    if (process_ == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        close(input[0]);
        close(input[1]);
        close(output[0]);
        close(output[1]);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    toServer_ = input[1];
    fromServer_ = output[0];
    if (process_ < 0) {
        close(toServer_);
        close(fromServer_);
        toServer_ = fromServer_ = -1;
    }
}

CommandServer::~CommandServer() {
    if (toServer_ >= 0) close(toServer_);  // the server ends at the end of its input
    if (fromServer_ >= 0) close(fromServer_);
    if (process_ > 0) {
        // A process descriptor becomes readable when the process ends; one
        // that has not ended within the limit is killed.
        const int ending = static_cast<int>(syscall(SYS_pidfd_open, process_, 0));
        pollfd ended{ending, POLLIN, 0};
        if (ending < 0 || poll(&ended, 1, SERVER_END_LIMIT_MS) <= 0) kill(process_, SIGKILL);
        if (ending >= 0) close(ending);
        waitpid(process_, nullptr, 0);
    }
}

std::string CommandServer::send(const std::string& command, std::chrono::seconds timeout) {
    if (toServer_ < 0) return "fail no server";
    const std::string line = command + "\n";
    if (write(toServer_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        return "fail cannot write";
    }
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string answer = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            if (!answer.empty() && answer.back() == '\r') answer.pop_back();
            return answer;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return "fail no answer";
        pollfd ready{fromServer_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        const ssize_t got = read(fromServer_, buffer, sizeof buffer);
        if (got <= 0) return "fail server ended";
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string CommandServer::escape(const std::string& text) {
    return uidriver::escapeLine(text);
}

}  // namespace e2e
