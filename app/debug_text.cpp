#include "app/debug_text.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "device/device_settings.h"
#include "device/status_file.h"

namespace app {

namespace {

// The device's texts as last published. Written by the startup task, read by
// the user-interface thread; the lock covers each whole copy.
std::mutex publishedLock;
char publishedConfigText[device::TEXT_FILE_CAPACITY];
char publishedStatusText[device::TEXT_FILE_CAPACITY];

constexpr char DEBUG_FORMAT[] =
    "Config:\n\n%.*s%s\n\n----------------------------------------\n\nStatus:\n\n%.*s%s\n";
constexpr char CUT_MARK[] = "...";
constexpr std::size_t CUT_MARK_LENGTH = sizeof(CUT_MARK) - 1;
constexpr std::size_t HALF_ROOM = DEBUG_TEXT_ROOM / 2;

// How many bytes of a text are shown, and whether it was cut.
struct Shown {
    std::size_t length;
    bool cut;
};

// Keeps at most `room` bytes of a text of `length`, the cut mark included.
// A cut never splits a UTF-8 sequence: it backs up to the sequence's first
// byte. Latin-1 text may lose up to three letters more than needed; that is
// harmless in a text that is cut anyway.
Shown fit(const char* text, std::size_t length, std::size_t room) {
    if (length <= room) {
        return {length, false};
    }
    std::size_t keep = room - CUT_MARK_LENGTH;
    for (int step = 0; step < 3 && keep > 0; ++step) {
        const unsigned char next = static_cast<unsigned char>(text[keep]);
        if ((next & 0xC0) != 0x80) {
            break;  // the cut falls before a sequence's first byte or an ASCII byte
        }
        --keep;
    }
    return {keep, true};
}

}  // namespace

void composeDebugTextOf(const char* config, const char* status, char (&buffer)[DEBUG_TEXT_CAPACITY]) {
    const std::size_t configLength = std::strlen(config);
    const std::size_t statusLength = std::strlen(status);
    Shown shownConfig{configLength, false};
    Shown shownStatus{statusLength, false};
    if (configLength + statusLength > DEBUG_TEXT_ROOM) {
        // A text shorter than half the room keeps all of itself and leaves
        // the rest to the other; otherwise each gets half.
        std::size_t configRoom = HALF_ROOM;
        if (statusLength < HALF_ROOM) {
            configRoom = DEBUG_TEXT_ROOM - statusLength;
        } else if (configLength < HALF_ROOM) {
            configRoom = configLength;
        }
        shownConfig = fit(config, configLength, configRoom);
        shownStatus = fit(status, statusLength, DEBUG_TEXT_ROOM - configRoom);
    }
    std::snprintf(buffer, DEBUG_TEXT_CAPACITY, DEBUG_FORMAT, static_cast<int>(shownConfig.length), config,
                  shownConfig.cut ? CUT_MARK : "", static_cast<int>(shownStatus.length), status,
                  shownStatus.cut ? CUT_MARK : "");
}

void publishDeviceTexts() {
    const std::lock_guard<std::mutex> hold(publishedLock);
    std::memcpy(publishedConfigText, device::configText, sizeof publishedConfigText);
    std::memcpy(publishedStatusText, device::statusText, sizeof publishedStatusText);
    // The device layer always terminates its texts; the copies are bounded
    // whatever happens.
    publishedConfigText[sizeof publishedConfigText - 1] = '\0';
    publishedStatusText[sizeof publishedStatusText - 1] = '\0';
}

void resetPublishedDeviceTexts() {
    const std::lock_guard<std::mutex> hold(publishedLock);
    publishedConfigText[0] = '\0';
    publishedStatusText[0] = '\0';
}

void composeDebugText(char (&buffer)[DEBUG_TEXT_CAPACITY]) {
    const std::lock_guard<std::mutex> hold(publishedLock);
    composeDebugTextOf(publishedConfigText, publishedStatusText, buffer);
}

}  // namespace app
