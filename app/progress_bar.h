#pragma once
// The progress bar below the Info area while an update's long step runs (the
// image's download, its copy onto the radio). The engine reports after every
// block; the bar takes at most one of those reports per PROGRESS_INTERVAL, so
// the dialog's thread is asked about ten times a second at most, however fast
// the blocks come. Each change of the bar is one dialog step of its own.

#include <cstdint>

#include "platform/dialog.h"
#include "update/transfer_progress.h"

namespace app {

constexpr std::uint64_t PROGRESS_INTERVAL_MILLISECONDS = 100;

// One per long step, made right after the step's start was shown (which counts
// as the bar's first change), on the worker that runs the step.
class ProgressBarFeed {
public:
    explicit ProgressBarFeed(platform::DialogHandle dialog);
    ProgressBarFeed(const ProgressBarFeed&) = delete;
    ProgressBarFeed& operator=(const ProgressBarFeed&) = delete;

    // What the engine reports to; valid while this feed lives.
    update::ProgressSink sink() { return {&ProgressBarFeed::report, this}; }

private:
    static void report(void* context, std::uint64_t done, std::uint64_t total);

    platform::DialogHandle dialog_;
    std::uint64_t lastShown_;  // platform::monotonicMilliseconds of the last change shown
};

// Inside a dialog step: the bar at 0 of total (0: moving, no total yet),
// shown; or hidden.
void showProgressBarAt(platform::DialogHandle dialog, std::uint64_t total);
void hideProgressBar(platform::DialogHandle dialog);

}  // namespace app
