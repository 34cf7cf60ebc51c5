#include "app/dialog_state.h"
#include "app/tasks.h"
#include "app/update_offer.h"
#include "app/version_checks.h"
#include "platform/dialog.h"
#include "update/version_check.h"

namespace app {

void betaCheckTask(void* argument) {
    const auto dialog = static_cast<platform::DialogHandle>(argument);
    // From now on every update takes the beta channel.
    betaRequested = 1;
    // Only the version texts matter: the offer opens whether the beta is newer,
    // the same, older or did not answer at all.
    const VersionCheckTurn turn;
    update::checkForUpdate(deviceVersionForUpdates(), updateFolderFor(update::UpdateChannel::Beta));
    openUpdateOffer(dialog);
}

}  // namespace app
