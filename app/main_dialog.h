#pragma once
// What the main dialog does: its initialisation, its commands, the form's
// visibility and the start of worker tasks. The window plumbing lives in the
// platform layer, which forwards the dialog's messages here.

#include <cstdint>

#include "platform/dialog.h"
#include "platform/threads.h"
#include "res/control_ids.h"

namespace app {

constexpr char VERSION_LABEL[] = "v3.2g";

// The list's notification for a new selection; an accelerator's command
// carries the same code.
constexpr int SELECTION_CHANGED = 1;

// The 25 controls that showForm shows and hides, in the order it walks them.
constexpr int FORM_CONTROL_COUNT = 25;
inline constexpr int FORM_CONTROLS[FORM_CONTROL_COUNT] = {
    IDC_FIRST_BUTTON, IDC_SECOND_BUTTON,  IDC_GSM_GROUP,     IDC_ADVANCED_GROUP, IDC_APN_NOTE,
    IDC_PIN_LABEL,    IDC_GSM_PIN,        IDC_COUNTRY_LABEL, IDC_PROVIDER_LABEL, IDC_APN_LABEL,
    IDC_USER_LABEL,   IDC_PASSWORD_LABEL, IDC_DNS1_LABEL,    IDC_DNS2_LABEL,     IDC_GATEWAY_LABEL,
    IDC_COUNTRY_LIST, IDC_PROVIDER_LIST,  IDC_APN,           IDC_GSM_USER,       IDC_GSM_PASSWORD,
    IDC_DNS1,         IDC_DNS2,           IDC_GATEWAY,       IDC_ROAMING_LABEL,  IDC_ROAMING_CHECK,
};

// Records the dialog, shows the version label, starts the startup task and
// fills the radio-profile list.
void onMainDialogInit(platform::DialogHandle dialog);

// A command message: a button, a list's notification or a shortcut.
void onMainDialogCommand(platform::DialogHandle dialog, int command, int notification);

// Opens the Debug dialog, owned by owner, with the device's raw texts.
void openDebugDialog(platform::DialogHandle owner);

// The program is ending (the main dialog has closed, or the session ends): returns once a
// write to the device under way is over, and admits no new one. Worker tasks
// may still run; whatever else they do ends with the process.
void onProgramEnding();
// The same without waiting: true once no write is under way (and none will
// start), false while one is. For a user-interface thread that must keep
// answering the dialog steps of the task that writes.
bool tryProgramEnding();

// shown: hides the Info area and button 1015 and shows the form with "Save
// and Quit" and "Quit"; not shown: the reverse (the labels are set either way).
void showForm(platform::DialogHandle dialog, bool shown);

// Starts task on a worker thread, shows startText (with "failed" when no
// thread could be made), hides the form and sets dialogState to newState.
// True when the thread was started.
bool startTask(platform::DialogHandle dialog, platform::WorkerProcedure task, const char* startText,
               std::int32_t newState);

}  // namespace app
