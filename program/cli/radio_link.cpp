#include "program/cli/radio_link.h"

#include <cstdio>
#include <cstring>

#include "device/config_reader.h"
#include "device/discovery.h"
#include "platform/threads.h"
#include "platform/volumes.h"
#include "program/cli/exit_codes.h"
#include "program/cli/messages.h"
#include "program/cli/system.h"

namespace cli {

namespace {

// The roots of every radio attached, in the platform's order, and whether
// each is read-only.
struct RadioList {
    char roots[platform::VOLUME_LIST_CAPACITY][device::DEVICE_ROOT_CAPACITY];
    bool readOnly[platform::VOLUME_LIST_CAPACITY];
    int count = 0;
};

void listRadios(RadioList& list) {
    static platform::VolumeList volumes;  // too large for the stack
    platform::listVolumes(volumes, platform::MountRequest{true, device::DEVICE_VOLUME_SERIAL});
    list.count = 0;
    for (std::size_t i = 0; i < volumes.count; ++i) {
        const platform::VolumeDescriptor& volume = volumes.volumes[i];
        if (device::isDeviceVolume(volume)) {
            std::snprintf(list.roots[list.count], device::DEVICE_ROOT_CAPACITY, "%s", volume.root);
            list.readOnly[list.count] = volume.readOnly;
            ++list.count;
        }
    }
}


int indexOf(const RadioList& list, const char* path) {
    for (int i = 0; i < list.count; ++i) {
        if (sameRootPath(list.roots[i], path)) {
            return i;
        }
    }
    return -1;
}

// Whether the radio at deviceRoot is there now, and its read-only flag.
bool radioAtDeviceRoot(bool& readOnly) {
    static RadioList list;
    listRadios(list);
    const int index = indexOf(list, device::deviceRoot);
    if (index < 0) {
        return false;
    }
    readOnly = list.readOnly[index];
    return true;
}

template <res::CliText heading>
void sayRadios(const RadioList& list, int except) {
    for (int i = 0; i < list.count; ++i) {
        if (i != except) {
            say<heading>(list.roots[i]);
        }
    }
}

// The radios other than the chosen one, whose roots stay out of the switch.
RadioList others;

// Waits for the radio; its root goes into deviceRoot.
int findRadio(const Options& options) {
    static RadioList list;
    bool saidWaiting = false;
    for (int waited = 0;; ++waited) {
        listRadios(list);
        int chosen = -1;
        if (options.radio != nullptr) {
            chosen = indexOf(list, options.radio);
        } else if (list.count > 1) {
            sayRadios<CLI_RADIO_ATTACHED>(list, -1);
            sayError<CLI_SEVERAL_RADIOS>();
            return EXIT_BAD_ARGUMENT;
        } else if (list.count == 1) {
            chosen = 0;
        }
        if (chosen >= 0) {
            std::memcpy(device::deviceRoot, list.roots[chosen], sizeof device::deviceRoot);
            sayRadios<CLI_ALSO_ATTACHED>(list, chosen);
            others.count = 0;
            for (int i = 0; i < list.count; ++i) {
                if (i != chosen) {
                    std::memcpy(others.roots[others.count++], list.roots[i], device::DEVICE_ROOT_CAPACITY);
                }
            }
            return EXIT_DONE;
        }
        if (waited >= options.waitSeconds) {
            if (options.radio != nullptr) {
                sayRadios<CLI_RADIO_ATTACHED>(list, -1);
                sayError<CLI_NO_RADIO_AT>(options.radio);
            } else {
                sayError<CLI_NO_RADIO>();
            }
            return EXIT_NO_RADIO;
        }
        if (!saidWaiting) {
            say<CLI_WAITING>(options.waitSeconds);
            saidWaiting = true;
        }
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
}

// The radio leaves after its trigger and comes back writable, perhaps under
// another root; the first radio root that is none of the others is it.
int switchRadio() {
    say<CLI_SWITCHING>(device::deviceRoot);
    static char leaving[device::DEVICE_ROOT_CAPACITY];
    std::memcpy(leaving, device::deviceRoot, sizeof leaving);
    device::requestWritableMode();

    static RadioList list;
    const int pollsPerSecond = 1000 / static_cast<int>(device::POLL_INTERVAL_MILLISECONDS);
    for (int polls = 0;; ++polls) {
        listRadios(list);
        if (indexOf(list, leaving) < 0) {
            break;
        }
        if (polls >= SWITCH_LEAVE_SECONDS * pollsPerSecond) {
            sayError<CLI_STAYED_READ_ONLY>(leaving);
            return EXIT_NOT_WRITABLE;
        }
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
    for (int polls = 0;; ++polls) {
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
        listRadios(list);
        for (int i = 0; i < list.count; ++i) {
            if (indexOf(others, list.roots[i]) < 0) {
                if (!list.readOnly[i]) {
                    std::memcpy(device::deviceRoot, list.roots[i], sizeof device::deviceRoot);
                    say<CLI_BACK_WRITABLE>(device::deviceRoot);
                    return EXIT_DONE;
                }
            }
        }
        if (polls >= SWITCH_RETURN_SECONDS * pollsPerSecond) {
            sayError<CLI_NOT_BACK>(leaving);
            return EXIT_NOT_WRITABLE;
        }
    }
}

}  // namespace

int openRadio(const Options& options) {
    const int found = findRadio(options);
    if (found != EXIT_DONE) {
        return found;
    }
    bool readOnly = false;
    if (!radioAtDeviceRoot(readOnly)) {
        sayError<CLI_RADIO_WENT_AWAY>(device::deviceRoot);
        return EXIT_NO_RADIO;
    }
    if (readOnly) {
        const int switched = switchRadio();
        if (switched != EXIT_DONE) {
            return switched;
        }
    }
    if (device::readDeviceFiles() == 0) {
        sayError<CLI_READING_FAILED>(device::deviceRoot);
        return EXIT_FILE_NOT_WRITTEN;
    }
    return EXIT_DONE;
}

}  // namespace cli
