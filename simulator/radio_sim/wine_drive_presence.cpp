// The radio as a removable FAT32 drive letter of a Wine session: the letter
// is defined through radio-drive.exe, read-only or not, and removed when the
// radio leaves; it comes back under the switch letter.

#include <cctype>
#include <filesystem>
#include <mutex>

#include "simulator/radio_sim/boot_sector.h"
#include "simulator/radio_sim/radio_presence.h"
#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/radio_sim/wine_drive.h"

namespace simulator {

namespace {

namespace fs = std::filesystem;

bool isUsableLetter(char letter) { return letter >= 'D' && letter <= 'Y'; }

char upper(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

class WineDrivePresence : public RadioPresence {
public:
    WineDrivePresence(const RadioOptions& options, EventLog& log)
        : options_(options), log_(log), letter_(upper(options.letter)), switchLetter_(upper(options.switchLetter)) {}

    bool prepare(std::string& error) override {
        if (!isUsableLetter(letter_) || !isUsableLetter(switchLetter_)) {
            error = "drive letters must lie between D and Y";
            return false;
        }
        std::error_code fsError;
        if (options_.winePrefix.empty() || !fs::is_directory(options_.winePrefix, fsError) ||
            !fs::exists(fs::path(options_.winePrefix) / "system.reg", fsError)) {
            error = "no Wine prefix at \"" + options_.winePrefix + "\" (make one with simulator/prepare-prefix.sh)";
            return false;
        }
        // Wine wants an absolute prefix, and the folders must not depend on
        // where the Windows programs are started from.
        const std::string prefix = fs::absolute(options_.winePrefix, fsError).string();
        std::string tools = options_.windowsTools.empty() ? defaultWindowsToolsFolder() : options_.windowsTools;
        tools = fs::absolute(tools, fsError).string();
        if (!fs::is_regular_file(fs::path(tools) / "radio-drive.exe", fsError)) {
            error = "radio-drive.exe not found in \"" + tools + "\" (build the Windows flavour)";
            return false;
        }
        drives_ = std::make_unique<WineDrives>(prefix, tools, options_.wine);
        // A letter left over from an earlier run would hide the radio.
        const WineCommandResult present = drives_->list();
        if (!present.started || present.exitCode != 0) {
            error = "cannot run radio-drive.exe under Wine: " + present.output;
            return false;
        }
        for (const char letter : {letter_, switchLetter_}) {
            if (present.output.find(letter) != std::string::npos) {
                drives_->remove(letter);
                log_.add("%c: was in use in the prefix; removed it", letter);
            }
        }
        return true;
    }

    bool connect(bool afterSwitch, bool readOnly) override {
        const char letter = afterSwitch ? switchLetter_ : letter_;
        // Wine reads the volume's serial and type from the boot sector in
        // the drive's folder.
        const fs::path work(options_.workFolder);
        std::error_code fsError;
        fs::create_directories(work / ".wine-sb", fsError);
        if (!writeFat32BootSector((work / ".wine-sb/sb.img").string(), RADIO_VOLUME_SERIAL, RADIO_VOLUME_LABEL)) {
            log_.add("error: cannot write the radio's boot sector");
            return false;
        }
        const WineCommandResult defined = drives_->define(letter, options_.workFolder, readOnly);
        if (!defined.started || defined.exitCode != 0) {
            log_.add("error: cannot connect as %c: (%s)", letter, defined.output.c_str());
            return false;
        }
        setPresent(letter);
        log_.add("connected as %c: (%s)", letter, readOnly ? "read-only" : "writable");
        const WineCommandResult volume = drives_->show(letter);
        log_.add("volume %s", volume.output.c_str());
        return true;
    }

    void disconnect() override {
        const char letter = present_;
        setPresent('\0');
        const WineCommandResult removed = drives_->remove(letter);
        drives_->removeLeftDeviceLink(letter, options_.workFolder);
        if (!removed.started || removed.exitCode != 0) {
            log_.add("error: cannot remove %c: (%s)", letter, removed.output.c_str());
        } else {
            log_.add("%c: removed", letter);
        }
    }

    std::string location() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return present_ == '\0' ? std::string() : std::string(1, present_) + ":";
    }

private:
    void setPresent(char letter) {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = letter;
    }

    const RadioOptions& options_;
    EventLog& log_;
    const char letter_;
    const char switchLetter_;
    std::unique_ptr<WineDrives> drives_;
    mutable std::mutex mutex_;
    char present_ = '\0';
};

}  // namespace

std::unique_ptr<RadioPresence> makeWineDrivePresence(const RadioOptions& options, EventLog& log) {
    return std::make_unique<WineDrivePresence>(options, log);
}

}  // namespace simulator
