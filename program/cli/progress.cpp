#include "program/cli/progress.h"

#include <cstdio>

namespace cli {

namespace {

constexpr int BAR_WIDTH = 24;

}  // namespace

StepProgress::StepProgress(const char* const* steps, int stepCount, bool terminal)
    : steps_(steps), stepCount_(stepCount), terminal_(terminal) {}

void StepProgress::drawBar(int finished, int step, const char* outcome) {
    char bar[BAR_WIDTH + 1];
    const int filled = finished * BAR_WIDTH / stepCount_;
    for (int i = 0; i < BAR_WIDTH; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[BAR_WIDTH] = '\0';
    // Back to the line's start and clear it, so a shorter text leaves no rest.
    std::fprintf(stderr, "\r\033[K[%s] %d/%d %s%s", bar, step + 1, stepCount_, steps_[step], outcome);
    std::fflush(stderr);
}

void StepProgress::begin(int step) {
    if (terminal_) {
        drawBar(step, step, "...");
    }
}

void StepProgress::end(int step, bool succeeded) {
    if (terminal_) {
        drawBar(succeeded ? step + 1 : step, step, succeeded ? ": done" : ": failed");
        if (!succeeded || step + 1 == stepCount_) {
            std::fputc('\n', stderr);
        }
    } else {
        std::fprintf(stderr, "%s: %s\n", steps_[step], succeeded ? "done" : "failed");
    }
    std::fflush(stderr);
}

}  // namespace cli
