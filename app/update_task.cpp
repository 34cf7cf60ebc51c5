#include <cstdint>

#include "app/dialog_state.h"
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

// After the failed step's line: dialogState stays Updating, so "Quit" closes
// the dialog; a new attempt can only come from a beta check's offer.
void endInFailure(platform::DialogHandle dialog) {
    platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
    offerFlag = OFFER_CLOSED;
    // No update runs any more: a beta check may open a new offer.
    updateInProgress = 0;
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
    RadioWriteHold hold(UPDATE_HOLD_REASON);

    showProgress(dialog, {{U1, done}, {U2}});
    if (update::downloadImage(updateFolder()) == 0) {
        showProgress(dialog, {{U1, done}, {U2, failed}});
        endInFailure(dialog);
        return;
    }

    showProgress(dialog, {{U1, done}, {U2, done}, {U3}});
    if (update::verifyImage(updateFolder()) == 0) {
        showProgress(dialog, {{U1, done}, {U2, done}, {U3, failed}});
        endInFailure(dialog);
        return;
    }

    showProgress(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4}});
    if (update::installImage() == 0) {
        showProgress(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4, failed}});
        endInFailure(dialog);
        return;
    }
    hold.release();  // the radio is written; the closing pause needs no hold

    // updateInProgress stays 1: the dialog closes, and no other update may
    // start in the seconds before it does.
    platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
    offerFlag = OFFER_CLOSED;
    showProgress(dialog, {{U1, done}, {U2, done}, {U3, done}, {U4, done}}, uiStrings.updatingItself);
    platform::sleepMilliseconds(PAUSE_BEFORE_CLOSE_MILLISECONDS);
    platform::closeDialog(dialog, IDC_TASK_BUTTON);
}

}  // namespace app
