#include "tests/support/volume_script.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/threads.h"
#include "platform/volumes.h"

namespace testsupport {

namespace {

std::mutex scriptLock;
std::vector<DriveTable> scriptTables{DriveTable{}};
std::size_t currentTable = 0;
std::vector<std::uint32_t> sleeps;
std::function<void(std::uint32_t)> sleepObserver;
std::uint64_t clockNow = 0;
std::uint32_t clockStep = 0;

std::string rootOf(const ScriptedDrive& drive) {
    return drive.root.empty() ? std::string(1, drive.letter) + ":\\" : drive.root;
}

// Table order is the script's; listings go by letter, as Windows does.
std::vector<const ScriptedDrive*> drivesByLetter() {
    std::vector<const ScriptedDrive*> drives;
    for (const ScriptedDrive& drive : scriptTables[currentTable]) {
        drives.push_back(&drive);
    }
    std::stable_sort(drives.begin(), drives.end(),
                     [](const ScriptedDrive* a, const ScriptedDrive* b) { return a->letter < b->letter; });
    return drives;
}

void describe(const ScriptedDrive& drive, platform::VolumeDescriptor& volume) {
    volume = platform::VolumeDescriptor{};
    volume.removable = drive.removable;
    if (!drive.mountRefusal.empty()) {
        volume.serialKnown = true;
        volume.serialNumber = drive.serialNumber;
        volume.fault = platform::VolumeFault::NotMounted;
        std::snprintf(volume.message, sizeof volume.message, "%s", drive.mountRefusal.c_str());
        return;
    }
    std::snprintf(volume.root, sizeof volume.root, "%s", rootOf(drive).c_str());
    if (!drive.hasMedium || drive.fileSystem.size() >= sizeof volume.fileSystem) {
        volume.fault = platform::VolumeFault::Unreadable;
        std::snprintf(volume.message, sizeof volume.message, "The device is not ready.");
        return;
    }
    std::snprintf(volume.fileSystem, sizeof volume.fileSystem, "%s", drive.fileSystem.c_str());
    volume.serialKnown = true;
    volume.serialNumber = drive.serialNumber;
    volume.readOnly = drive.readOnly;
}

}  // namespace

void scriptDrives(std::vector<DriveTable> tables) {
    std::lock_guard<std::mutex> guard(scriptLock);
    scriptTables = tables.empty() ? std::vector<DriveTable>{DriveTable{}} : std::move(tables);
    currentTable = 0;
    sleeps.clear();
    clockStep = 0;
}

std::uint64_t scriptedClockNow() {
    std::lock_guard<std::mutex> guard(scriptLock);
    return clockNow;
}

void scriptClockStep(std::uint32_t step) {
    std::lock_guard<std::mutex> guard(scriptLock);
    clockStep = step;
}

std::vector<std::uint32_t> recordedSleeps() {
    std::lock_guard<std::mutex> guard(scriptLock);
    return sleeps;
}

void observeSleeps(std::function<void(std::uint32_t)> observer) {
    std::lock_guard<std::mutex> guard(scriptLock);
    sleepObserver = std::move(observer);
}

}  // namespace testsupport

namespace platform {

using namespace testsupport;

const char* volumeDiscoveryName() { return "scripted drive list"; }

void listVolumes(VolumeList& list, MountRequest) {
    std::lock_guard<std::mutex> guard(scriptLock);
    list.count = 0;
    for (const ScriptedDrive* drive : drivesByLetter()) {
        if (list.count == VOLUME_LIST_CAPACITY) {
            break;
        }
        describe(*drive, list.volumes[list.count++]);
    }
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    std::function<void(std::uint32_t)> observer;
    {
        std::lock_guard<std::mutex> guard(scriptLock);
        sleeps.push_back(milliseconds);
        clockNow += milliseconds;
        if (sleeps.size() >= SLEEP_LIMIT) {
            std::fprintf(stderr, "volume script: %zu sleeps, the wait never ends\n", sleeps.size());
            std::abort();
        }
        if (currentTable + 1 < scriptTables.size()) {
            ++currentTable;
        }
        observer = sleepObserver;
    }
    // Outside the lock: the observer may look at the script itself.
    if (observer) {
        observer(milliseconds);
    }
}

std::uint64_t monotonicMilliseconds() {
    std::lock_guard<std::mutex> guard(scriptLock);
    clockNow += clockStep;
    return clockNow;
}

}  // namespace platform
