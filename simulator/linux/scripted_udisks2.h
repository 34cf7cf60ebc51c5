#pragma once
// A private message bus with the scripted UDisks2 service on it
// (simulator/linux/udisks2_service.py), for tests and the simulated radio on
// Linux. A program pointed at the bus (DBUS_SYSTEM_BUS_ADDRESS=busAddress())
// finds the scripted volumes as it would find real ones through UDisks2.
//
//     simulator::ScriptedUDisks2 udisks;
//     std::string error;
//     udisks.start(error);                       // the bus, then the service
//     setenv("DBUS_SYSTEM_BUS_ADDRESS", udisks.busAddress().c_str(), 1);
//     simulator::ScriptedVolume radio;
//     radio.name = "sdb1";
//     radio.mountPoint = folder;                 // a folder stands for the mounted volume
//     radio.readOnly = true;
//     udisks.addVolume(radio, error);
//     ...                                        // when start.html has been read:
//     udisks.switchToWritable("sdb1", otherFolder, "", 3.0, error);
//     udisks.log().waitFor("added sdb1", std::chrono::seconds(10));
//     udisks.stop();                             // also done by the destructor

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "simulator/common/event_log.h"
#include "simulator/linux/child_process.h"

namespace simulator {

// One block device with a file system and its drive; see
// udisks2_service.py for each setting.
struct ScriptedVolume {
    std::string name;  // its object path is /org/freedesktop/UDisks2/block_devices/<name>
    std::string idType = "vfat";
    std::string idVersion = "FAT32";
    std::string idUuid = "ECE2-2CF8";
    bool readOnly = false;
    bool removable = true;  // the drive's Removable
    bool mediaRemovable = false;
    std::string mountPoint;   // empty: not mounted
    std::string mountTarget;  // where Filesystem.Mount mounts it; empty: Mount fails
    std::string mountError;   // a D-Bus error name that Filesystem.Mount answers with
    std::string mountErrorMessage = "refused by the script";  // and the text that comes with it
};

struct ScriptedUDisks2Options {
    bool withService = true;           // false: the bus alone, where no UDisks2 answers
    std::string serviceScript;         // empty: udisks2_service.py of this source tree
    std::string busConfig;             // empty: private-bus.conf beside the script
    std::string python = "/usr/bin/python3";  // Debian's, which has python3-dbus and python3-gi
    bool echo = false;                 // the service's events also on standard output
};

class ScriptedUDisks2 {
public:
    explicit ScriptedUDisks2(ScriptedUDisks2Options options = {});
    ~ScriptedUDisks2();
    ScriptedUDisks2(const ScriptedUDisks2&) = delete;
    ScriptedUDisks2& operator=(const ScriptedUDisks2&) = delete;

    // Starts dbus-daemon on a fresh socket and the service on it; returns
    // when the service owns org.freedesktop.UDisks2. False, with error set,
    // when either cannot start.
    bool start(std::string& error);
    // Ends the service and the bus (the processes this object started). Safe
    // to call twice.
    void stop();

    const std::string& busAddress() const { return busAddress_; }

    bool addVolume(const ScriptedVolume& volume, std::string& error);
    bool removeVolume(const std::string& name, std::string& error);
    // The radio's answer to its trigger: the volume leaves now and comes back
    // writable after awaySeconds, mounted at mountPoint, or, with mountPoint
    // empty, not mounted, to be mounted at mountTarget.
    bool switchToWritable(const std::string& name, const std::string& mountPoint, const std::string& mountTarget,
                          double awaySeconds, std::string& error);

    // Settings of udisks2_service.py, by name, with their new texts.
    using Changes = std::vector<std::pair<std::string, std::string>>;
    // The medium leaves the reader; the block device stays under its path.
    bool ejectMedium(const std::string& name, std::string& error);
    // A medium comes back into that reader, with the changes applied.
    bool insertMedium(const std::string& name, const Changes& changes, std::string& error);
    // The changes take effect in place; the medium stays as it is.
    bool changeVolume(const std::string& name, const Changes& changes, std::string& error);

    // The service's output, one line per event ("added sdb1 (...)",
    // "mount sdb1 options={}", "mounted sdb1 at /x", "removed sdb1", ...).
    const EventLog& log() const { return log_; }

private:
    struct Call;
    bool call(Call& call, std::string& error);

    ScriptedUDisks2Options options_;
    EventLog log_;
    std::string busAddress_;
    pid_t busPid_ = -1;
    int busOutput_ = -1;
    ServiceProcess service_;  // after log_, which its output goes into
};

// The folder of udisks2_service.py and private-bus.conf in the source tree.
std::string scriptedUDisks2Folder();

}  // namespace simulator
