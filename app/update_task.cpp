#include <cstdint>
#include <initializer_list>

#include "app/dialog_state.h"
#include "app/progress_bar.h"
#include "app/progress_text.h"
#include "app/radio_write_hold.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "app/version_checks.h"
#include "platform/dialog.h"
#include "platform/threads.h"
#include "res/control_ids.h"
#include "update/image_update.h"
#include "update/version_check.h"

namespace app {

namespace {

// The device reboots into the new firmware; the closing sentence stays this
// long before the program ends.
constexpr std::uint32_t PAUSE_BEFORE_CLOSE_MILLISECONDS = 7000;

// Latest, or Beta once a beta check ran, of the device's family.
const char16_t* updateFolder() {
    return updateFolderFor(betaRequested != 0 ? update::UpdateChannel::Beta : update::UpdateChannel::Latest);
}

// A step's line with the progress bar at its start: moving until the total
// is known, or at 0 of total.
void showLongStep(platform::DialogHandle dialog, std::initializer_list<ProgressLine> lines, std::uint64_t total) {
    platform::onDialogThread(dialog, [&] {
        showProgress(dialog, lines);
        showProgressBarAt(dialog, total);
    });
}

// A step's line without the bar.
void showShortStep(platform::DialogHandle dialog, std::initializer_list<ProgressLine> lines) {
    platform::onDialogThread(dialog, [&] {
        showProgress(dialog, lines);
        hideProgressBar(dialog);
    });
}

// The failed step's line, as one step with what goes with it: the bar goes,
// dialogState stays Updating, so "Quit" closes the dialog, and no update runs
// any more, so a beta check may open a new offer.
void showFailure(platform::DialogHandle dialog, std::initializer_list<ProgressLine> lines) {
    platform::onDialogThread(dialog, [&] {
        showProgress(dialog, lines);
        hideProgressBar(dialog);
        platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
        offerFlag = OFFER_CLOSED;
        updateInProgress = 0;
    });
}

}  // namespace

void updateTask(void* argument) {
    const auto dialog = static_cast<platform::DialogHandle>(argument);
    const char* const U1 = uiStrings.initializingUpdate;
    const char* const U2 = uiStrings.downloadingImage;
    const char* const U3 = uiStrings.verifyingImage;
    const char* const U4 = uiStrings.visitMakerUpdate;
    const char* const done = uiStrings.done;
    const char* const failed = uiStrings.failed;
    RadioWriteHold hold(updateHoldReason());

    showLongStep(dialog, {{U1, done}, {U2}}, 0);
    ProgressBarFeed download(dialog);
    if (update::downloadImage(updateFolder(), download.sink()) == 0) {
        showFailure(dialog, {{U1, done}, {U2, failed}});
        return;
    }

    showShortStep(dialog, {{U1, done}, {U2, done}, {U3}});
    if (update::verifyImage(updateFolder()) == 0) {
        showFailure(dialog, {{U1, done}, {U2, done}, {U3, failed}});
        return;
    }

    showLongStep(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4}}, update::tempImageLength);
    ProgressBarFeed install(dialog);
    if (update::installImage(install.sink()) == 0) {
        showFailure(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4, failed}});
        return;
    }
    hold.release();  // the radio is written; the closing pause needs no hold

    // updateInProgress stays 1: the dialog closes, and no other update may
    // start in the seconds before it does.
    platform::onDialogThread(dialog, [&] {
        showProgress(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4, done}}, uiStrings.updatingItself);
        hideProgressBar(dialog);
        platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
        offerFlag = OFFER_CLOSED;
    });
    platform::sleepMilliseconds(PAUSE_BEFORE_CLOSE_MILLISECONDS);
    platform::closeDialog(dialog, IDC_TASK_BUTTON);
}

}  // namespace app
