#pragma once
// The child processes of the scripted system services (a private dbus-daemon
// and the Python services on it): starting them, reading their output line
// by line, and ending them.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "simulator/common/event_log.h"

namespace simulator {

// Starts argv[0] (looked up on PATH) with standard output (and standard
// error, when errorFd is given, else /dev/null) on outputFd and no signal
// blocked; -1 when it cannot start.
pid_t spawn(const std::vector<std::string>& argv, int outputFd, int errorFd);

// SIGTERM, then SIGKILL when it has not ended within 5 s; waits for it and
// sets pid to -1. Does nothing for a pid of -1.
void endProcess(pid_t& pid);

// One line from fd, waiting at most until deadline.
bool readLine(int fd, std::string& line, std::chrono::steady_clock::time_point deadline);

// Adds every line read from fd to log until the end of its output; closes fd.
void forwardLines(int fd, EventLog& log);

// One of the Python services on a bus, run as a child process: its standard
// output and error go line by line into a log, and it has started once it
// has printed "ready" (it owns its name on the bus then).
class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess() { stop(); }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts argv and returns once it is ready. False, with error set, when
    // it cannot start, or ends or is not ready by deadline: then error says
    // that whatService did not start, with its output, and it is ended.
    bool start(const std::vector<std::string>& argv, const char* whatService, EventLog& log,
               std::chrono::steady_clock::time_point deadline, std::string& error);
    // Ends it and waits until its output is read. Safe to call twice.
    void stop();

private:
    pid_t pid_ = -1;
    std::thread reader_;
    std::atomic<bool> ended_{false};
};

}  // namespace simulator
