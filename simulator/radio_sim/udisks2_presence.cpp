// The radio as a block device of the scripted UDisks2 service on a private
// bus (simulator/linux/scripted_udisks2.h): vfat with the radio's serial, on
// a removable drive, read-only or not. Its mount point is a link to the
// radio's files in a folder beside them, "<work>-mounts/ONDAVOX" at first and
// "<work>-mounts/ONDAVOX1" after the switch, as a desktop names a second
// mount of the same label. The link exists only while the radio is there,
// so the old mount point really goes away.

#include <filesystem>
#include <mutex>

#include "simulator/linux/scripted_udisks2.h"
#include "simulator/radio_sim/radio_presence.h"
#include "simulator/radio_sim/radio_simulator.h"

namespace simulator {

namespace {

namespace fs = std::filesystem;

constexpr const char* VOLUME_NAME = "sdb1";

class UDisks2Presence : public RadioPresence {
public:
    UDisks2Presence(const RadioOptions& options, EventLog& log)
        : options_(options), log_(log), mounts_(options.workFolder + "-mounts") {}

    ~UDisks2Presence() override {
        udisks_.stop();
        std::error_code ignored;
        fs::remove_all(mounts_, ignored);
    }

    bool prepare(std::string& error) override {
        std::error_code fsError;
        fs::remove_all(mounts_, fsError);
        fs::create_directories(mounts_, fsError);
        if (fsError) {
            error = "cannot make the mounts folder \"" + mounts_.string() + "\": " + fsError.message();
            return false;
        }
        if (!udisks_.start(error)) {
            return false;
        }
        log_.add("UDisks2 on %s", udisks_.busAddress().c_str());
        return true;
    }

    bool connect(bool afterSwitch, bool readOnly) override {
        const fs::path mountPoint = mounts_ / (afterSwitch ? "ONDAVOX1" : "ONDAVOX");
        std::error_code fsError;
        fs::create_directory_symlink(options_.workFolder, mountPoint, fsError);
        if (fsError) {
            log_.add("error: cannot make the mount point %s (%s)", mountPoint.c_str(), fsError.message().c_str());
            return false;
        }
        ScriptedVolume volume;
        volume.name = VOLUME_NAME;
        volume.readOnly = readOnly;
        // Not mounted: UDisks2 mounts it there when the program asks.
        (options_.mounted ? volume.mountPoint : volume.mountTarget) = mountPoint.string();
        if (!options_.mountError.empty()) {
            volume.mountError = options_.mountError;
            volume.mountErrorMessage = options_.mountErrorMessage;
        }
        std::string error;
        if (!udisks_.addVolume(volume, error)) {
            log_.add("error: cannot connect at %s (%s)", mountPoint.c_str(), error.c_str());
            fs::remove(mountPoint, fsError);
            return false;
        }
        setPresent(mountPoint.string());
        log_.add("connected at %s (%s%s%s)", mountPoint.c_str(), readOnly ? "read-only" : "writable",
                 options_.mounted ? "" : ", not mounted",
                 options_.mounted || options_.mountError.empty() ? "" : ", its mount refused");
        return true;
    }

    void disconnect() override {
        const std::string mountPoint = location();
        setPresent({});
        std::string error;
        if (!udisks_.removeVolume(VOLUME_NAME, error)) {
            log_.add("error: cannot remove %s (%s)", VOLUME_NAME, error.c_str());
        }
        std::error_code fsError;
        fs::remove(mountPoint, fsError);
        log_.add("left %s", mountPoint.c_str());
    }

    std::string location() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return present_;
    }

    std::string busAddress() const override { return udisks_.busAddress(); }

private:
    void setPresent(std::string mountPoint) {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = std::move(mountPoint);
    }

    const RadioOptions& options_;
    EventLog& log_;
    const fs::path mounts_;
    ScriptedUDisks2 udisks_;
    mutable std::mutex mutex_;
    std::string present_;
};

}  // namespace

std::unique_ptr<RadioPresence> makeUDisks2Presence(const RadioOptions& options, EventLog& log) {
    return std::make_unique<UDisks2Presence>(options, log);
}

}  // namespace simulator
