#include "app/progress_bar.h"

#include "platform/threads.h"
#include "res/control_ids.h"

namespace app {

ProgressBarFeed::ProgressBarFeed(platform::DialogHandle dialog)
    : dialog_(dialog), lastShown_(platform::monotonicMilliseconds()) {}

void ProgressBarFeed::report(void* context, std::uint64_t done, std::uint64_t total) {
    auto& feed = *static_cast<ProgressBarFeed*>(context);
    const std::uint64_t now = platform::monotonicMilliseconds();
    if (now - feed.lastShown_ < PROGRESS_INTERVAL_MILLISECONDS) {
        return;
    }
    feed.lastShown_ = now;
    platform::onDialogThread(feed.dialog_,
                             [&] { platform::setProgressBar(feed.dialog_, IDC_PROGRESS_BAR, done, total); });
}

void showProgressBarAt(platform::DialogHandle dialog, std::uint64_t total) {
    platform::setProgressBar(dialog, IDC_PROGRESS_BAR, 0, total);
    platform::showProgressBar(dialog, IDC_PROGRESS_BAR, true);
}

void hideProgressBar(platform::DialogHandle dialog) { platform::showProgressBar(dialog, IDC_PROGRESS_BAR, false); }

}  // namespace app
