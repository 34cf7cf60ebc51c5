#pragma once
// The end-to-end tests' hand on a program: a command server run as a child
// process, one command line in and one answer line out (the protocol of
// tools/program_driver/drive_program.cpp). Two servers speak it:
// - under Wine, ondavox_drive.exe, which starts the real ondavox.exe;
// - on Linux, tools/atspi_driver/drive_program.py, which starts the Linux
//   program and drives it over the accessibility bus.
// The program inherits the environment given here (the update server as its
// HTTP proxy, the bus where the simulated radio is found).

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace e2e {

// How to start the command server for one program: its argv and the
// environment it and the program need.
struct ServerLaunch {
    std::vector<std::string> argv;
    std::vector<std::string> environment;
};

class CommandServer {
public:
    // launch.argv: the server and its arguments (argv[0] looked up on PATH);
    // launch.environment and extraEnvironment: NAME=VALUE entries for it and
    // what it starts, each in place of an inherited one of that name; a NAME
    // alone removes that variable.
    CommandServer(const ServerLaunch& launch, const std::vector<std::string>& extraEnvironment);
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

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

// ondavox_drive.exe of windowsBuild under Wine, in winePrefix.
ServerLaunch windowsProgramServer(const std::string& winePrefix, const std::string& windowsBuild);
// The accessibility-bus driver of this source tree, with Debian's python3;
// the program finds its drives on the system bus at systemBusAddress.
ServerLaunch linuxProgramServer(const std::string& sourceTree, const std::string& systemBusAddress);

}  // namespace e2e
