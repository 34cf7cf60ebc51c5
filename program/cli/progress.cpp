#include "program/cli/progress.h"

#include <cstdio>
#include <cstring>

#include "program/cli/messages.h"
#include "program/cli/system.h"

namespace cli {

namespace {

constexpr int BAR_WIDTH = 24;

}  // namespace

StepProgress::StepProgress(const char* const* steps, int stepCount, bool terminal)
    : steps_(steps), stepCount_(stepCount), terminal_(terminal) {}

void StepProgress::drawBar(int finished, int step, const char* text) {
    char bar[BAR_WIDTH + 1];
    const int filled = finished * BAR_WIDTH / stepCount_;
    for (int i = 0; i < BAR_WIDTH; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[BAR_WIDTH] = '\0';
    // Back to the line's start and clear it, so a shorter text leaves no rest.
    // Room for the whole text after the bar and the step numbers.
    char line[MESSAGE_LINE_CAPACITY + BAR_WIDTH + 64];
    std::snprintf(line, sizeof line, "\r\033[K[%s] %d/%d %s", bar, step + 1, stepCount_, text);
    writeForPeople(stderr, line);
}

void StepProgress::begin(int step) {
    if (terminal_) {
        char text[MESSAGE_LINE_CAPACITY];
        std::snprintf(text, sizeof text, "%s...", steps_[step]);
        drawBar(step, step, text);
    }
}

void StepProgress::end(int step, bool succeeded) {
    // "Checking for an update: done", punctuated as the language does it.
    char text[MESSAGE_LINE_CAPACITY];
    formatMessage<CLI_STEP_OUTCOME>(text, steps_[step], cliText(succeeded ? CLI_STEP_DONE : CLI_STEP_FAILED));
    if (terminal_) {
        drawBar(succeeded ? step + 1 : step, step, text);
        if (!succeeded || step + 1 == stepCount_) {
            writeForPeople(stderr, "\n");
        }
    } else {
        // One write per line, so a log never gets half of one.
        std::size_t length = std::strlen(text);
        if (length + 1 == sizeof text) {
            --length;  // a cut line still ends
        }
        text[length] = '\n';
        text[length + 1] = '\0';
        writeForPeople(stderr, text);
    }
}

}  // namespace cli
