#pragma once
// The child processes of the scripted system services (a private dbus-daemon
// and the Python services on it): starting them, reading their output line
// by line, and ending them.

#include <sys/types.h>

#include <chrono>
#include <string>
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

}  // namespace simulator
