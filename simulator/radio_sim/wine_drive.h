#pragma once
// The simulated radio's drive letters inside a running Wine session, set and
// removed through radio-drive.exe (simulator/windows/radio_drive.cpp) run
// with wine.

#include <string>
#include <vector>

namespace simulator {

struct WineCommandResult {
    bool started = false;
    int exitCode = -1;
    std::string output;  // standard output and error together
};

class WineDrives {
public:
    // prefix: the Wine prefix (its wineserver should run persistently);
    // toolsFolder: where radio-drive.exe lives; wine: the wine loader to run.
    WineDrives(std::string prefix, std::string toolsFolder, std::string wine);

    // Defines letter as a removable FAT32 drive whose files are those of
    // folder (which holds .wine-sb/sb.img). readOnly links the letter to the
    // read-only volume device of the ondavox-radio driver. Waits first until
    // a letter removed just before is forgotten by Wine.
    WineCommandResult define(char letter, const std::string& folder, bool readOnly) const;
    WineCommandResult remove(char letter) const;
    // One line: type, serial, file system, label and flags of the letter's volume.
    WineCommandResult show(char letter) const;
    // The present drive letters, e.g. "CEZ".
    WineCommandResult list() const;
    // The drive manager leaves the letter's device link ("e::") behind when
    // it removes a letter; removes it when it points into folder.
    void removeLeftDeviceLink(char letter, const std::string& folder) const;

    // Runs a Windows program of the prefix's session with wine.
    WineCommandResult run(const std::string& program, const std::vector<std::string>& arguments) const;
    const std::string& prefix() const { return prefix_; }

private:
    std::string helper() const;
    void waitForDriveTableToSettle() const;

    std::string prefix_;
    std::string toolsFolder_;
    std::string wine_;
};

// Runs command (argv[0] looked up on PATH) with extra environment entries
// ("NAME=value"), standard input from /dev/null, output collected; kills it
// after timeoutSeconds. Output goes through a file, not a pipe: the first
// Wine program of a session hands its output to the services it starts, and
// a pipe would then stay open for as long as they run.
WineCommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                             int timeoutSeconds);

}  // namespace simulator
