#pragma once
// The simulated radio: a folder of radio files shown to the computer as the
// radio's removable FAT32 drive (inside a Wine session as a drive letter, or
// on Linux through a scripted UDisks2 service; see radio_presence.h), acting
// as the radio does when a computer talks to it:
// - it may connect some seconds after it was started;
// - it may come up read-only; then opening start.html in its root makes it
//   leave and, after a pause, come back writable under another drive letter
//   or at another mount point;
// - once doc/update.bin and doc/update.md5 have been written, it checks the
//   image against the record and logs whether it accepts the update.
// Every event goes to its log. Neither Wine nor a folder refuses writes to a
// read-only radio; the simulator logs them instead.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "simulator/common/event_log.h"
#include "simulator/radio_sim/radio_presence.h"

namespace simulator {

constexpr std::uint32_t RADIO_VOLUME_SERIAL = 0xECE22CF8;
constexpr const char* RADIO_VOLUME_LABEL = "ONDAVOX";
// What UDisks2 answers a mount that polkit does not allow without asking.
constexpr const char* MOUNT_NOT_AUTHORIZED_ERROR = "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain";

// How the radio shows itself: a Wine drive letter, or a block device of a
// scripted UDisks2 service on a private bus (for the Linux program).
enum class RadioConnection { WineDrive, UDisks2 };

struct RadioOptions {
    RadioConnection connection = RadioConnection::WineDrive;
    std::string winePrefix;     // Wine: a prefix prepared by simulator/prepare-prefix.sh
    std::string radioFolder;    // a sample radio, e.g. simulator/radios/hxa-v2
    std::string workFolder;     // absent or empty; becomes the drive's folder
    std::string windowsTools;   // folder of radio-drive.exe; empty: defaultWindowsToolsFolder()
    std::string wine = "wine";  // the wine loader
    std::string logFile;        // empty: no log file
    bool echo = true;           // log lines also go to standard output
    bool readOnly = false;
    double appearAfterSeconds = 0;
    char letter = 'E';        // Wine
    char switchLetter = 'G';  // Wine: the letter after the switch from read-only
    bool mounted = true;      // UDisks2: false, the program must ask UDisks2 to mount it
    // UDisks2, not mounted: a D-Bus error name that the service answers each
    // mount with, and its text; empty, the mount succeeds.
    std::string mountError;
    std::string mountErrorMessage;
    // How long the radio stays away during the switch. The program polls
    // once a second and must see it gone; Wine also needs more than a second
    // before the same folder can come back under a new letter.
    double awaySeconds = 3;
};

enum class RadioState { Waiting, Present, Away, Stopped, Failed };

class RadioSimulator {
public:
    explicit RadioSimulator(RadioOptions options);
    ~RadioSimulator();  // stops
    RadioSimulator(const RadioSimulator&) = delete;
    RadioSimulator& operator=(const RadioSimulator&) = delete;

    // Copies the radio into the work folder and starts acting; the drive
    // appears after the options' delay. False, with error set, when the
    // options or the folders are unusable or the radio cannot connect.
    bool start(std::string& error);
    // Removes the radio's drive letter and stops. Safe to call twice.
    void stop();

    RadioState state() const { return state_; }
    // Where the radio is present: "E:", a mount point; empty while away.
    std::string presentLocation() const { return presence_ ? presence_->location() : std::string(); }
    // The drive letter the radio is present under, or '\0' (Wine).
    char presentLetter() const;
    // UDisks2: the bus a program must be pointed at (DBUS_SYSTEM_BUS_ADDRESS).
    std::string busAddress() const { return presence_ ? presence_->busAddress() : std::string(); }
    bool readOnlyNow() const { return readOnlyNow_; }
    const EventLog& log() const { return log_; }
    const RadioOptions& options() const { return options_; }

private:
    struct Loop;
    void run();
    std::chrono::steady_clock::time_point nextAction() const;
    void readFileEvents();
    void onFileEvent(const std::string& name, std::uint32_t mask);
    void connect(bool afterSwitch, bool readOnly);
    void checkUpdate();

    RadioOptions options_;
    EventLog log_;
    std::unique_ptr<RadioPresence> presence_;
    std::unique_ptr<Loop> loop_;
    std::thread thread_;
    std::atomic<RadioState> state_{RadioState::Stopped};
    std::atomic<bool> readOnlyNow_{false};
    bool started_ = false;
};

// Where radio-drive.exe is in the build tree: build/windows/simulator beside
// build/native/simulator, found from the running program's own path.
std::string defaultWindowsToolsFolder();

}  // namespace simulator
