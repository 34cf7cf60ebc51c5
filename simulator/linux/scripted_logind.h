#pragma once
// The logind stand-in (simulator/linux/logind_service.py) on a bus that is
// already there, such as the private bus of ScriptedUDisks2: a program that
// asks that bus for an inhibitor lock gets one, and the log says when it was
// taken and when its descriptor was closed.
//
//     simulator::ScriptedLogind logind;
//     logind.start(udisks.busAddress(), error);
//     ...                                       // the program takes a lock
//     logind.log().waitFor("inhibit what=sleep:shutdown", 10s);
//     logind.log().waitFor("released what=sleep:shutdown", 10s);

#include <string>
#include <vector>

#include "simulator/common/event_log.h"
#include "simulator/linux/child_process.h"

namespace simulator {

struct ScriptedLogindOptions {
    // Parts of a lock's what that the service refuses (AccessDenied), as a
    // policy may refuse "handle-lid-switch".
    std::vector<std::string> refusedParts;
    std::string python = "/usr/bin/python3";  // Debian's, which has python3-dbus and python3-gi
    bool echo = false;                        // the service's events also on standard output
};

class ScriptedLogind {
public:
    explicit ScriptedLogind(ScriptedLogindOptions options = {});
    ~ScriptedLogind();
    ScriptedLogind(const ScriptedLogind&) = delete;
    ScriptedLogind& operator=(const ScriptedLogind&) = delete;

    // Starts the service on busAddress; returns when it owns
    // org.freedesktop.login1. False, with error set, when it cannot start.
    bool start(const std::string& busAddress, std::string& error);
    // Ends the service. Safe to call twice.
    void stop();

    // One line per event: "inhibit what=... who=... mode=... why=...",
    // "refused what=...", "released what=... who=...".
    const EventLog& log() const { return log_; }

private:
    ScriptedLogindOptions options_;
    EventLog log_;
    ServiceProcess service_;  // after log_, which its output goes into
};

}  // namespace simulator
