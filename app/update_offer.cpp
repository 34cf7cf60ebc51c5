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
    // An offer that comes while an accepted update runs (the startup's, after
    // a beta check made before the device was found, or a beta check started
    // before the update) is dropped: its "Yes!" would start a second update
    // over the same download state.
    if (updateInProgress != 0) {
        return;
    }
    showVersionMessage(dialog, uiStrings.askUpdate);
    platform::setControlText(dialog, IDC_FIRST_BUTTON, uiStrings.yes);
    platform::setControlText(dialog, IDC_SECOND_BUTTON, uiStrings.noThanks);
    platform::showControl(dialog, IDC_TASK_BUTTON, false);
    // The dialog may take a press between any two steps: the buttons mean
    // the offer before they show. Button 2 reads offerFlag to tell "No,
    // Thanks!" from "Quit".
    dialogState = STATE_OFFERING;
    offerFlag = OFFER_OPEN;
    platform::showControl(dialog, IDC_FIRST_BUTTON, true);
    platform::showControl(dialog, IDC_SECOND_BUTTON, true);
}

}  // namespace app
