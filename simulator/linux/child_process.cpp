#include "simulator/linux/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "simulator/common/file_descriptor.h"
#include "simulator/common/spawn_settings.h"

namespace simulator {

pid_t spawn(const std::vector<std::string>& argv, int outputFd, int errorFd) {
    const CStringArray args(argv);
    SpawnSettings settings;
    posix_spawn_file_actions_addopen(&settings.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&settings.actions, outputFd, STDOUT_FILENO);
    if (errorFd >= 0) {
        posix_spawn_file_actions_adddup2(&settings.actions, errorFd, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&settings.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t child = -1;
    const int failure = ::posix_spawnp(&child, args[0], &settings.actions, &settings.attributes, args.get(), environ);
    return failure == 0 ? child : -1;
}

void endProcess(pid_t& pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = -1;
}

// One line from fd, waiting at most until deadline.
bool readLine(int fd, std::string& line, std::chrono::steady_clock::time_point deadline) {
    line.clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char c = 0;
        if (::read(fd, &c, 1) != 1) {
            return false;
        }
        if (c == '\n') {
            return true;
        }
        line += c;
    }
}

void forwardLines(int fd, EventLog& log) {
    FileDescriptor output(fd);
    std::string line;
    char buffer[1024];
    ssize_t got;
    while ((got = ::read(output.get(), buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                log.add("%s", line.c_str());
                line.clear();
            } else {
                line += buffer[i];
            }
        }
    }
    if (!line.empty()) {
        log.add("%s", line.c_str());
    }
}

bool ServiceProcess::start(const std::vector<std::string>& argv, const char* whatService, EventLog& log,
                           std::chrono::steady_clock::time_point deadline, std::string& error) {
    int outputPipe[2];
    if (::pipe2(outputPipe, O_CLOEXEC) != 0) {
        error = "no pipe";
        return false;
    }
    FileDescriptor outputWrite(outputPipe[1]);
    pid_ = spawn(argv, outputWrite.get(), outputWrite.get());
    outputWrite.reset();
    if (pid_ < 0) {
        ::close(outputPipe[0]);
        error = "cannot start " + argv[0];
        return false;
    }
    ended_ = false;
    reader_ = std::thread([this, &log, fd = outputPipe[0]] {
        forwardLines(fd, log);
        ended_ = true;
    });
    while (!log.waitFor("ready", std::chrono::milliseconds(50))) {
        if (ended_ || std::chrono::steady_clock::now() > deadline) {
            error = std::string(whatService) + " did not start:";
            for (const std::string& line : log.lines()) {
                error += "\n" + line;
            }
            stop();
            return false;
        }
    }
    return true;
}

void ServiceProcess::stop() {
    endProcess(pid_);
    if (reader_.joinable()) {
        reader_.join();
    }
}

}  // namespace simulator
