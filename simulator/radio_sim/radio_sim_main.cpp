// ondavox-radio-sim: runs a simulated radio, inside a Wine session or on a
// private bus with a scripted UDisks2 service, until it is told to stop
// (SIGINT or SIGTERM).

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "simulator/radio_sim/radio_simulator.h"

namespace {

const char USAGE[] =
    "usage: ondavox-radio-sim --prefix WINEPREFIX --radio RADIO_FOLDER --work WORK_FOLDER [options]\n"
    "       ondavox-radio-sim --udisks2 --radio RADIO_FOLDER --work WORK_FOLDER [options]\n"
    "\n"
    "Shows a copy of a sample radio (e.g. simulator/radios/hxa-v2) as the radio's\n"
    "removable FAT32 drive (serial ECE22CF8) in a Wine session prepared by\n"
    "simulator/prepare-prefix.sh, or with --udisks2 as a block device of a\n"
    "scripted UDisks2 service on a private bus (mounted at WORK_FOLDER-mounts/ONDAVOX,\n"
    "after the switch at WORK_FOLDER-mounts/ONDAVOX1), and acts as the radio until\n"
    "SIGINT or SIGTERM.\n"
    "\n"
    "  --prefix DIR         the Wine prefix (default: $WINEPREFIX)\n"
    "  --udisks2            the scripted UDisks2 service instead of Wine; prints\n"
    "                       \"bus: ADDRESS\" for DBUS_SYSTEM_BUS_ADDRESS\n"
    "  --bus-address-file F with --udisks2, also writes the bus address to F\n"
    "  --not-mounted        with --udisks2, the radio comes unmounted: the program\n"
    "                       asks UDisks2 to mount it\n"
    "  --refuse-mount TEXT  with --udisks2, the radio comes unmounted and UDisks2\n"
    "                       refuses each mount as polkit does (NotAuthorizedCanObtain)\n"
    "                       with the message TEXT, e.g. \"Not authorized to perform\n"
    "                       operation\"\n"
    "  --radio DIR          the sample radio to copy\n"
    "  --work DIR           absent or empty folder that becomes the drive\n"
    "  --read-only          come up read-only; reading start.html switches the radio\n"
    "  --appear-after S     connect S seconds after the start (default 0)\n"
    "  --letter X           Wine: drive letter (default E)\n"
    "  --switch-letter Y    Wine: drive letter after the switch (default G)\n"
    "  --away S             seconds the radio stays away during the switch (default 3)\n"
    "  --log FILE           also write the event log to FILE\n"
    "  --quiet              do not echo the event log to standard output\n"
    "  --windows-tools DIR  folder of radio-drive.exe (default: build/windows/simulator)\n"
    "  --wine PROGRAM       the wine loader (default: wine)\n";

bool numberArgument(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool letterArgument(const char* text, char& letter) {
    if (std::strlen(text) != 1) {
        return false;
    }
    letter = text[0];
    return true;
}

int usageError(const char* message) {
    std::fprintf(stderr, "ondavox-radio-sim: %s\n\n%s", message, USAGE);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    simulator::RadioOptions options;
    std::string busAddressFile;
    if (const char* prefix = std::getenv("WINEPREFIX")) {
        options.winePrefix = prefix;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            std::printf("%s", USAGE);
            return 0;
        } else if (option == "--read-only") {
            options.readOnly = true;
        } else if (option == "--quiet") {
            options.echo = false;
        } else if (option == "--udisks2") {
            options.connection = simulator::RadioConnection::UDisks2;
        } else if (option == "--not-mounted") {
            options.mounted = false;
        } else if (!hasValue) {
            return usageError(("missing value after " + option).c_str());
        } else if (option == "--prefix") {
            options.winePrefix = argv[++i];
        } else if (option == "--radio") {
            options.radioFolder = argv[++i];
        } else if (option == "--work") {
            options.workFolder = argv[++i];
        } else if (option == "--refuse-mount") {
            // A mounted radio is never asked to mount; only an unmounted one is refused.
            options.mounted = false;
            options.mountError = simulator::MOUNT_NOT_AUTHORIZED_ERROR;
            options.mountErrorMessage = argv[++i];
        } else if (option == "--bus-address-file") {
            busAddressFile = argv[++i];
        } else if (option == "--log") {
            options.logFile = argv[++i];
        } else if (option == "--windows-tools") {
            options.windowsTools = argv[++i];
        } else if (option == "--wine") {
            options.wine = argv[++i];
        } else if (option == "--appear-after") {
            if (!numberArgument(argv[++i], options.appearAfterSeconds)) {
                return usageError("--appear-after takes a number of seconds");
            }
        } else if (option == "--away") {
            if (!numberArgument(argv[++i], options.awaySeconds)) {
                return usageError("--away takes a number of seconds");
            }
        } else if (option == "--letter") {
            if (!letterArgument(argv[++i], options.letter)) {
                return usageError("--letter takes one drive letter");
            }
        } else if (option == "--switch-letter") {
            if (!letterArgument(argv[++i], options.switchLetter)) {
                return usageError("--switch-letter takes one drive letter");
            }
        } else {
            return usageError(("unknown option " + option).c_str());
        }
    }
    if (options.radioFolder.empty() || options.workFolder.empty()) {
        return usageError("--radio and --work are needed");
    }

    // The signals are taken here, by waiting, and by no other thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    simulator::RadioSimulator radio(options);
    std::string error;
    if (!radio.start(error)) {
        std::fprintf(stderr, "ondavox-radio-sim: %s\n", error.c_str());
        return 1;
    }
    if (options.connection == simulator::RadioConnection::UDisks2) {
        std::printf("bus: %s\n", radio.busAddress().c_str());
        std::fflush(stdout);
        if (!busAddressFile.empty()) {
            // Written whole under another name first: a reader never sees half of it.
            const std::string partial = busAddressFile + ".partial";
            std::FILE* file = std::fopen(partial.c_str(), "w");
            if (file == nullptr || std::fprintf(file, "%s\n", radio.busAddress().c_str()) < 0 ||
                std::fclose(file) != 0 || std::rename(partial.c_str(), busAddressFile.c_str()) != 0) {
                std::fprintf(stderr, "ondavox-radio-sim: cannot write \"%s\"\n", busAddressFile.c_str());
                radio.stop();
                return 1;
            }
        }
    }
    const timespec tick{0, 200 * 1000 * 1000};
    while (radio.state() != simulator::RadioState::Failed) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            break;
        }
    }
    const bool failed = radio.state() == simulator::RadioState::Failed;
    radio.stop();
    return failed ? 1 : 0;
}
