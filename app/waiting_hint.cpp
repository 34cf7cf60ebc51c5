#include "app/waiting_hint.h"

#include <cstdio>
#include <cstring>

#include "platform/language.h"

namespace app {

namespace {

// Each hint says what is wrong and what the user can do, in the user's
// language; %s is the system's reason, where the hint has one.
const char* hintText(res::AppText text) {
    return platform::appText(text);
}

// The system's message without the full stop and blanks it may end with, so
// the hint's own sentence can close it.
void trimmedMessage(const char* message, char* out, std::size_t capacity) {
    std::snprintf(out, capacity, "%s", message);
    std::size_t end = std::strlen(out);
    while (end > 0 && (out[end - 1] == '.' || out[end - 1] == ' ' || out[end - 1] == '\n' || out[end - 1] == '\r')) {
        --end;
    }
    out[end] = '\0';
}

void formatHint(const device::PassedOverVolume& volume, char* hint, std::size_t capacity) {
    char message[platform::VOLUME_MESSAGE_CAPACITY];
    trimmedMessage(volume.message, message, sizeof message);
    const bool hasMessage = message[0] != '\0';
    switch (volume.reason) {
        case device::PassOverReason::NotMounted:
            if (hasMessage) {
                std::snprintf(hint, capacity, hintText(res::AppText::HINT_NOT_MOUNTED), message);
            } else {
                std::snprintf(hint, capacity, "%s", hintText(res::AppText::HINT_NOT_MOUNTED_SILENT));
            }
            return;
        case device::PassOverReason::Unreadable:
            if (hasMessage) {
                std::snprintf(hint, capacity, hintText(res::AppText::HINT_UNREADABLE), message);
            } else {
                std::snprintf(hint, capacity, "%s", hintText(res::AppText::HINT_UNREADABLE_SILENT));
            }
            return;
        case device::PassOverReason::NotRemovable:
            std::snprintf(hint, capacity, "%s", hintText(res::AppText::HINT_NOT_REMOVABLE));
            return;
        case device::PassOverReason::NotFat32:
            std::snprintf(hint, capacity, "%s", hintText(res::AppText::HINT_NOT_FAT32));
            return;
        case device::PassOverReason::StaysReadOnly:
            std::snprintf(hint, capacity, "%s", hintText(res::AppText::HINT_STAYS_READ_ONLY));
            return;
        case device::PassOverReason::OtherSerial:
            break;
    }
    hint[0] = '\0';
}

}  // namespace

void composeWaitingText(WaitingInfo& info, const device::PassedOverVolume* unusable,
                        std::uint32_t pollIntervalMilliseconds, const char* waitingLine, char* text,
                        std::size_t capacity) {
    if (unusable == nullptr) {
        info.deviceSeen = false;
        info.deviceSeenMilliseconds = 0;
    } else if (!info.deviceSeen) {
        info.deviceSeen = true;
        info.deviceSeenMilliseconds = 0;
    } else if (info.deviceSeenMilliseconds < HINT_AFTER_MILLISECONDS) {
        info.deviceSeenMilliseconds += pollIntervalMilliseconds;
    }
    char hint[WAITING_TEXT_CAPACITY];
    hint[0] = '\0';
    if (unusable != nullptr && info.deviceSeenMilliseconds >= HINT_AFTER_MILLISECONDS) {
        formatHint(*unusable, hint, sizeof hint);
    }
    if (hint[0] == '\0') {
        std::snprintf(text, capacity, "%s", waitingLine);
    } else {
        std::snprintf(text, capacity, "%s\n\n%s", waitingLine, hint);
    }
}

}  // namespace app
