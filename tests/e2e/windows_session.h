#pragma once
// The end-to-end tests' hand on the Windows side: runs the command server
// ondavox_drive.exe under Wine (in the simulated radio's prefix, on the test
// run's display) and exchanges one line per command with it. The server
// starts the real ondavox.exe, which inherits the environment given here
// (the update server as its HTTP proxy).

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace e2e {

class WindowsSession {
public:
    // environment: extra NAME=VALUE entries for the Wine processes.
    WindowsSession(const std::string& winePrefix, const std::string& windowsBuild,
                   const std::vector<std::string>& environment);
    ~WindowsSession();
    WindowsSession(const WindowsSession&) = delete;
    WindowsSession& operator=(const WindowsSession&) = delete;

    bool running() const { return process_ > 0; }
    // Sends one command line and returns the answer line ("ok ..." or
    // "fail ..."); "fail no answer" when none comes within the timeout.
    std::string send(const std::string& command,
                     std::chrono::seconds timeout = std::chrono::seconds(120));

    // Escapes a text for a command line: "\n" for a line feed.
    static std::string escape(const std::string& text);

private:
    pid_t process_ = -1;
    int toServer_ = -1;
    int fromServer_ = -1;
    std::string pending_;
};

}  // namespace e2e
