#pragma once
// The span in which a task writes the radio, as the computer sees it: sleep
// and shutdown are held off, and the program answers the session's end with
// a refusal. A save holds it while it writes; an accepted update from its
// start to the install's end (download and verification included, so the
// computer does not doze off between them), not through the closing pause.

#include "platform/language.h"
#include "platform/power.h"

namespace app {

// What the system shows the user while a hold stands, in the user's language.
inline const char* saveHoldReason() { return platform::appText(res::AppText::SAVE_HOLD_REASON); }
inline const char* updateHoldReason() { return platform::appText(res::AppText::UPDATE_HOLD_REASON); }

// Held from construction to release() or its end, on the task's own thread.
class RadioWriteHold {
public:
    explicit RadioWriteHold(const char* reason);
    ~RadioWriteHold();
    RadioWriteHold(const RadioWriteHold&) = delete;
    RadioWriteHold& operator=(const RadioWriteHold&) = delete;

    // Ends the hold early; later calls do nothing.
    void release();

private:
    // In this order: the session's end is refused before the system is asked,
    // so no moment of the write is left uncovered.
    bool standing_;
    platform::SleepInhibitor inhibitor_;
};

// The reason of the hold that stands, or nullptr when none does. Any thread:
// the program asks it when the session is about to end.
const char* radioWriteReason();

}  // namespace app
