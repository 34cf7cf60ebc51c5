#pragma once
// The main dialog's process-wide variables. The dialog's thread reads and
// writes them in its commands, the worker tasks inside their dialog steps
// (platform::onDialogThread), which run on that same thread: a press is
// handled against a whole state, never half of one. Atomics keep the few
// reads made elsewhere (the program's end, tests) whole.

#include <atomic>
#include <cstdint>

#include "platform/dialog.h"

namespace app {

// What the dialog's buttons mean at a given moment.
enum DialogState : std::int32_t {
    STATE_STARTING = 0,  // startup task running, or stopped after a failure
    STATE_EDITING = 1,   // the form with "Save and Quit" and "Quit"
    STATE_BUSY = 2,      // save or beta check started, or ended in failure
    STATE_OFFERING = 3,  // the update offer with "Yes!" and "No, Thanks!"
    STATE_UPDATING = 4,  // update started, or ended in failure
    STATE_NOTICE = 7,    // newer firmware but no image slot, button "OK"
};

// offerFlag: OFFER_OPEN while an update offer is open or its update runs.
constexpr std::int32_t OFFER_CLOSED = 5;
constexpr std::int32_t OFFER_OPEN = 6;

// Recorded first thing when the dialog initialises; null before.
extern std::atomic<platform::DialogHandle> mainDialogWindow;
extern std::atomic<std::int32_t> dialogState;
extern std::atomic<std::int32_t> offerFlag;
// 1 once a beta check ran: updates then take the beta channel. Never cleared.
extern std::atomic<std::int32_t> betaRequested;
// 1 from the moment the dialog starts an update task until that task ends in
// failure; keeps a second update from starting while one runs.
extern std::atomic<std::int32_t> updateInProgress;
// 1 once an offer was accepted in this run; never cleared. From then on the
// dialog belongs to the update (and to the beta checks that may follow its
// failure): the startup task goes on finding, switching and reading the
// radio, which the install needs, but shows nothing.
extern std::atomic<std::int32_t> updateAccepted;

// Puts every variable back to its program-start value (for tests).
void resetDialogState();

}  // namespace app
