#include "tests/support/volume_script.h"

#include <cstdio>
#include <cstdlib>
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

const ScriptedDrive* driveAt(const char* root) {
    for (const ScriptedDrive& drive : scriptTables[currentTable]) {
        if (rootOf(drive) == root) {
            return &drive;
        }
    }
    return nullptr;
}

const ScriptedDrive* driveInSlot(int slot) {
    for (const ScriptedDrive& drive : scriptTables[currentTable]) {
        if (drive.letter - 'A' == slot) {
            return &drive;
        }
    }
    return nullptr;
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

std::uint32_t presentDriveMask() {
    std::lock_guard<std::mutex> guard(scriptLock);
    std::uint32_t mask = 0;
    for (const ScriptedDrive& drive : scriptTables[currentTable]) {
        mask |= std::uint32_t{1} << (drive.letter - 'A');
    }
    return mask;
}

bool driveRootPath(int slot, char* root, std::size_t capacity) {
    std::lock_guard<std::mutex> guard(scriptLock);
    const ScriptedDrive* drive = driveInSlot(slot);
    const std::string text = drive != nullptr ? rootOf(*drive) : std::string(1, static_cast<char>('A' + slot)) + ":\\";
    if (text.size() >= capacity) {
        return false;
    }
    std::memcpy(root, text.c_str(), text.size() + 1);
    return true;
}

bool isRemovableDrive(const char* root) {
    std::lock_guard<std::mutex> guard(scriptLock);
    const ScriptedDrive* drive = driveAt(root);
    return drive != nullptr && drive->removable;
}

bool readVolumeInformation(const char* root, VolumeInformation& info) {
    std::lock_guard<std::mutex> guard(scriptLock);
    const ScriptedDrive* drive = driveAt(root);
    info = VolumeInformation{};
    if (drive == nullptr || !drive->hasMedium || drive->fileSystem.size() >= sizeof info.fileSystemName) {
        return false;
    }
    std::memcpy(info.fileSystemName, drive->fileSystem.c_str(), drive->fileSystem.size() + 1);
    info.serialNumber = drive->serialNumber;
    info.readOnly = drive->readOnly;
    return true;
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
