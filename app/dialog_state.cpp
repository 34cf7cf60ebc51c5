#include "app/dialog_state.h"

namespace app {

std::atomic<platform::DialogHandle> mainDialogWindow{nullptr};
std::atomic<std::int32_t> dialogState{STATE_STARTING};
std::atomic<std::int32_t> offerFlag{OFFER_CLOSED};
std::atomic<std::int32_t> betaRequested{0};
std::atomic<std::int32_t> updateInProgress{0};
std::atomic<std::int32_t> updateAccepted{0};

void resetDialogState() {
    mainDialogWindow = nullptr;
    dialogState = STATE_STARTING;
    offerFlag = OFFER_CLOSED;
    betaRequested = 0;
    updateInProgress = 0;
    updateAccepted = 0;
}

}  // namespace app
