#include "app/progress_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "res/control_ids.h"

namespace app {

namespace {

// Appends to a fixed buffer with a bounded formatter; once the buffer is
// full the text stays cut there and NUL-terminated.
class BoundedText {
public:
    BoundedText(char* buffer, std::uint32_t capacity) : buffer_(buffer), capacity_(capacity) { buffer_[0] = '\0'; }

    [[gnu::format(printf, 2, 3)]] void append(const char* format, ...) {
        const std::uint32_t room = capacity_ - length_;
        va_list arguments;
        va_start(arguments, format);
        const int written = std::vsnprintf(buffer_ + length_, room, format, arguments);
        va_end(arguments);
        if (written < 0) {
            buffer_[length_] = '\0';
        } else if (static_cast<std::uint32_t>(written) >= room) {
            length_ = capacity_ - 1;
        } else {
            length_ += static_cast<std::uint32_t>(written);
        }
    }

private:
    char* buffer_;
    std::uint32_t capacity_;
    std::uint32_t length_ = 0;
};

}  // namespace

void showProgress(platform::DialogHandle dialog, std::initializer_list<ProgressLine> lines, const char* closing) {
    char progressText[PROGRESS_TEXT_CAPACITY];
    BoundedText text(progressText, sizeof progressText);
    const char* separator = "";
    for (const ProgressLine& line : lines) {
        text.append("%s%s", separator, line.step);
        if (line.outcome != nullptr) {
            text.append(" %s", line.outcome);
        }
        separator = "\n";
    }
    if (closing != nullptr) {
        text.append("\n\n%s", closing);
    }
    platform::setControlText(dialog, IDC_INFO_AREA, progressText);
}

void showWaitingInfo(platform::DialogHandle dialog, WaitingInfo& info, const char* waitingLine) {
    if (!info.polledBefore) {
        // The dialog starts with the waiting line.
        std::snprintf(info.shown, sizeof info.shown, "%s", waitingLine);
    }
    const std::uint32_t interval = info.polledBefore ? device::POLL_INTERVAL_MILLISECONDS : 0;
    info.polledBefore = true;
    char text[WAITING_TEXT_CAPACITY];
    composeWaitingText(info, device::unusableDeviceVolume(), interval, waitingLine, text, sizeof text);
    if (std::strcmp(text, info.shown) == 0) {
        return;
    }
    std::snprintf(info.shown, sizeof info.shown, "%s", text);
    platform::setControlText(dialog, IDC_INFO_AREA, text);
}

}  // namespace app
