#include "app/main_dialog.h"

#include <cstdio>

#include "app/debug_text.h"
#include "app/dialog_state.h"
#include "app/settings_form.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "carriers/carrier_table.h"
#include "device/device_write_guard.h"
#include "res/control_ids.h"

namespace app {

namespace {

// A step's start text, a blank and "failed": what the Info area shows when a
// task's thread cannot be made.
void showFailedStart(platform::DialogHandle dialog, const char* startText) {
    char text[2 * UI_STRING_CAPACITY + 2];
    std::snprintf(text, sizeof text, "%s %s", startText, uiStrings.failed);
    platform::setControlText(dialog, IDC_INFO_AREA, text);
    platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
}

// Buttons 1 and 1015: what they do depends on the state.
void onTaskButton(platform::DialogHandle dialog, int command) {
    switch (dialogState.load()) {
    case STATE_EDITING:
        startTask(dialog, saveTask, uiStrings.savingConfiguration, STATE_BUSY);
        return;
    case STATE_OFFERING:
        updateAccepted = 1;
        updateInProgress = 1;
        if (!startTask(dialog, updateTask, uiStrings.initializingUpdate, STATE_UPDATING)) {
            updateInProgress = 0;
        }
        return;
    case STATE_NOTICE:
        showForm(dialog, true);
        dialogState = STATE_EDITING;
        return;
    default:  // Starting, Busy, Updating
        platform::closeDialog(dialog, command);
        return;
    }
}

// Button 2 (also the Escape key): leaves an open offer for the form,
// otherwise closes the dialog.
void onSecondButton(platform::DialogHandle dialog) {
    if (offerFlag == OFFER_OPEN) {
        showForm(dialog, true);
        dialogState = STATE_EDITING;
        offerFlag = OFFER_CLOSED;
        return;
    }
    platform::closeDialog(dialog, IDC_SECOND_BUTTON);
}

void onBetaCheck(platform::DialogHandle dialog) {
    // A beta check during an update would replace its progress with an offer
    // whose acceptance would start a second, overlapping update.
    if (updateInProgress != 0) {
        return;
    }
    startTask(dialog, betaCheckTask, uiStrings.checkingUpdate, STATE_BUSY);
}

}  // namespace

void openDebugDialog(platform::DialogHandle owner) {
    static char debugText[DEBUG_TEXT_CAPACITY];
    composeDebugText(debugText);
    platform::runDebugDialog(owner, debugText);
}

void onProgramEnding() {
    device::endDeviceWrites();
}

bool tryProgramEnding() {
    return device::tryEndDeviceWrites();
}

void onMainDialogInit(platform::DialogHandle dialog) {
    mainDialogWindow = dialog;
    platform::setControlText(dialog, IDC_VERSION_LABEL, VERSION_LABEL);
    if (platform::startWorker(startupTask, dialog)) {
        platform::setControlText(dialog, IDC_INFO_AREA, uiStrings.waitingForDevice);
    } else {
        showFailedStart(dialog, uiStrings.initializingDevice);
    }
    platform::listFill(dialog, IDC_RADIO_PROFILE_LIST, RADIO_PROFILE_NAMES);
}

void onMainDialogCommand(platform::DialogHandle dialog, int command, int notification) {
    switch (command) {
    case IDC_FIRST_BUTTON:
    case IDC_TASK_BUTTON:
        onTaskButton(dialog, command);
        break;
    case IDC_SECOND_BUTTON:
        onSecondButton(dialog);
        break;
    case IDM_DEBUG_DIALOG:
        openDebugDialog(dialog);
        break;
    case IDC_COUNTRY_LIST:
        if (notification == SELECTION_CHANGED) {
            carriers::fillPresetList(dialog, platform::listSelection(dialog, IDC_COUNTRY_LIST));
        }
        break;
    case IDC_PROVIDER_LIST:
        if (notification == SELECTION_CHANGED) {
            carriers::applyCarrierPreset(dialog, platform::listSelection(dialog, IDC_COUNTRY_LIST),
                                         platform::listSelection(dialog, IDC_PROVIDER_LIST));
        }
        break;
    case IDM_BETA_CHECK:
        if (notification == SELECTION_CHANGED) {
            onBetaCheck(dialog);
        }
        break;
    default:
        break;
    }
}

void showForm(platform::DialogHandle dialog, bool shown) {
    platform::showControl(dialog, IDC_INFO_AREA, !shown);
    platform::showControl(dialog, IDC_TASK_BUTTON, !shown);
    platform::setControlText(dialog, IDC_FIRST_BUTTON, uiStrings.saveAndQuit);
    platform::setControlText(dialog, IDC_SECOND_BUTTON, uiStrings.quit);
    for (int id : FORM_CONTROLS) {
        platform::showControl(dialog, id, shown);
    }
}

bool startTask(platform::DialogHandle dialog, platform::WorkerProcedure task, const char* startText,
               std::int32_t newState) {
    const bool started = platform::startWorker(task, dialog);
    if (started) {
        platform::setControlText(dialog, IDC_INFO_AREA, startText);
        platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.cancel);
    } else {
        showFailedStart(dialog, startText);
    }
    showForm(dialog, false);
    dialogState = newState;
    return started;
}

}  // namespace app
