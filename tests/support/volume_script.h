#pragma once
// Substitute for the volumes group and for sleeping and the clock: the
// computer's list of drives follows a script of drive tables that changes
// between polls. Each sleep is recorded and moves the script to its next table
// (the last table stays in force), so device waits take no real time.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct ScriptedDrive {
    char letter = 'E';
    std::string root;  // the root path the core gets; a real folder when files are read
    bool removable = true;
    bool hasMedium = true;  // without one the volume cannot be read
    // Non-empty: the system refuses to mount the volume, with this message
    // (it then has no root, but its serial is known, as on Linux).
    std::string mountRefusal;
    std::string fileSystem = "FAT32";
    std::uint32_t serialNumber = 0xECE22CF8;
    bool readOnly = false;
};

using DriveTable = std::vector<ScriptedDrive>;

void scriptDrives(std::vector<DriveTable> tables);
std::vector<std::uint32_t> recordedSleeps();

// Called at every sleep, after it was recorded, with its length, so a test can
// place the pauses among other events; an empty function stops the calls.
// Kept across scriptDrives; a test that sets one clears it when it ends.
void observeSleeps(std::function<void(std::uint32_t milliseconds)> observer);
// The scripted clock (platform::monotonicMilliseconds): it moves on by the
// length of every sleep, and by step milliseconds at every reading of it, so
// a test sets how much time seems to pass between two readings. scriptDrives
// sets the step back to 0; the clock itself never goes back.
void scriptClockStep(std::uint32_t step);
// The scripted clock now, without moving it on.
std::uint64_t scriptedClockNow();

// The number of sleeps after which the script aborts the program, so that a
// wait that never ends fails instead of hanging.
constexpr std::size_t SLEEP_LIMIT = 10000;

}  // namespace testsupport
