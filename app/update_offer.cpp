#include "app/update_offer.h"

#include <cstdio>

#include "app/dialog_state.h"
#include "app/progress_text.h"
#include "app/ui_strings.h"
#include "res/control_ids.h"
#include "update/version_check.h"

namespace app {

void showVersionMessage(platform::DialogHandle dialog, const char* lastLine) {
    char message[PROGRESS_TEXT_CAPACITY];
    std::snprintf(message, sizeof message, "%s\n\n%s %s\n%s %s\n\n%s", uiStrings.updateAvailable,
                  uiStrings.currentVersion, update::currentVersionText, uiStrings.latestVersion,
                  update::latestVersionText, lastLine);
    platform::setControlText(dialog, IDC_INFO_AREA, message);
}

void openUpdateOffer(platform::DialogHandle dialog) {
    // One step: an update accepted on an earlier offer is seen here or the
    // offer is whole before the press is taken, so no second "Yes!" shows
    // while an update runs over the same download state.
    platform::onDialogThread(dialog, [&] {
        if (updateInProgress != 0) {
            return;
        }
        showVersionMessage(dialog, uiStrings.askUpdate);
        platform::setControlText(dialog, IDC_FIRST_BUTTON, uiStrings.yes);
        platform::setControlText(dialog, IDC_SECOND_BUTTON, uiStrings.noThanks);
        platform::showControl(dialog, IDC_TASK_BUTTON, false);
        platform::showControl(dialog, IDC_FIRST_BUTTON, true);
        platform::showControl(dialog, IDC_SECOND_BUTTON, true);
        dialogState = STATE_OFFERING;
        offerFlag = OFFER_OPEN;  // button 2 is "No, Thanks!", not "Quit"
    });
}

}  // namespace app
