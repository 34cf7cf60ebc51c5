#pragma once
// How the simulated radio shows itself to the computer: where it connects,
// how it leaves, and where it comes back after the switch to writable.
// - Under Wine, a removable FAT32 drive letter of the session's prefix.
// - On Linux, a block device of a scripted UDisks2 service on a private bus,
//   mounted at a folder that links to the radio's files.
// The radio's behaviour (its trigger, its absence, its update check) lives in
// RadioSimulator and is the same for both.

#include <memory>
#include <string>

#include "simulator/common/event_log.h"

namespace simulator {

struct RadioOptions;

class RadioPresence {
public:
    virtual ~RadioPresence() = default;

    // Readies the presence before the radio first connects; false, with
    // error set, when it cannot.
    virtual bool prepare(std::string& error) = 0;
    // Connects the radio at its first place, or with afterSwitch where it
    // comes back writable; logs what it did. False when it could not.
    virtual bool connect(bool afterSwitch, bool readOnly) = 0;
    // The radio leaves; logs what it did.
    virtual void disconnect() = 0;
    // Where the radio is now ("E:", a mount point), empty when away.
    virtual std::string location() const = 0;
    // The bus a program must ask to find the radio; empty under Wine.
    virtual std::string busAddress() const { return {}; }
};

// options.workFolder is absolute and holds the radio's files when these run.
std::unique_ptr<RadioPresence> makeWineDrivePresence(const RadioOptions& options, EventLog& log);
std::unique_ptr<RadioPresence> makeUDisks2Presence(const RadioOptions& options, EventLog& log);

}  // namespace simulator
