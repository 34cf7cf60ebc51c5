#include <cstdint>

#include "app/debug_text.h"
#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/progress_text.h"
#include "app/settings_form.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "app/update_offer.h"
#include "app/version_checks.h"
#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "platform/dialog.h"
#include "platform/http.h"
#include "platform/threads.h"
#include "res/control_ids.h"
#include "update/version_check.h"

namespace app {

namespace {

// Pauses that leave each finished step on screen long enough to be read.
constexpr std::uint32_t PAUSE_AFTER_FOUND_MILLISECONDS = 1000;
constexpr std::uint32_t PAUSE_AFTER_SWITCH_MILLISECONDS = 1000;
constexpr std::uint32_t PAUSE_AFTER_READ_MILLISECONDS = 500;

// Shows one change of the startup's as a whole dialog step, unless an offer
// was accepted meanwhile: the dialog then belongs to the update.
template <typename Change>
void showStartupStep(platform::DialogHandle dialog, Change&& change) {
    platform::onDialogThread(dialog, [&] {
        if (updateAccepted == 0) {
            change();
        }
    });
}

}  // namespace

void startupTask(void* argument) {
    const auto dialog = static_cast<platform::DialogHandle>(argument);
    const char* const L1 = uiStrings.waitingForDevice;
    const char* const L2 = uiStrings.initializingDevice;
    const char* const L3 = uiStrings.readingDevice;
    const char* const L4 = uiStrings.checkingUpdate;
    const char* const done = uiStrings.done;

    // The dialog already shows L1; a device that is there at start is taken at once.
    WaitingInfo waiting;
    while (device::findDevice() == 0) {
        // Says why a device that is there cannot be used, while the Info area
        // is the startup's own (no beta check or its offer over it).
        showStartupStep(dialog, [&] {
            if (dialogState == STATE_STARTING) {
                showWaitingInfo(dialog, waiting, L1);
            }
        });
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
    showStartupStep(dialog, [&] { showProgress(dialog, {{L1, done}, {L2}}); });
    // The HTTP client readies itself during the pauses, before the update
    // check needs it, and not while the dialog was being built.
    platform::prepareHttp();
    platform::sleepMilliseconds(PAUSE_AFTER_FOUND_MILLISECONDS);

    device::switchDeviceToWritable();
    publishDeviceTexts();  // a radio that would not switch says so in its text
    showStartupStep(dialog, [&] { showProgress(dialog, {{L1, done}, {L2, done}, {L3}}); });
    platform::sleepMilliseconds(PAUSE_AFTER_SWITCH_MILLISECONDS);

    const std::int32_t read = device::readDeviceFiles();
    publishDeviceTexts();
    if (read == 0) {
        // dialogState stays Starting, so "Quit" closes the dialog; nothing is written.
        showStartupStep(dialog, [&] {
            showProgress(dialog, {{L1, done}, {L2, done}, {L3, uiStrings.failed}});
            platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
        });
        return;
    }
    showStartupStep(dialog, [&] { showProgress(dialog, {{L1, done}, {L2, done}, {L3, done}}); });
    platform::sleepMilliseconds(PAUSE_AFTER_READ_MILLISECONDS);

    // The form is hidden until the end; filling it is one step, whoever owns
    // the Info area.
    platform::onDialogThread(dialog, [&] { fillFormFromSettings(dialog, device::deviceSettings); });

    // The check and what it leads to are one unit against a beta check.
    const VersionCheckTurn turn;
    showStartupStep(dialog, [&] { showProgress(dialog, {{L1, done}, {L2, done}, {L3, done}, {L4}}); });
    const std::int32_t newer =
        update::checkForUpdate(device::deviceSoftwareVersion,
                               update::channelFolder(device::deviceSettings.device, update::UpdateChannel::Latest));

    showStartupStep(dialog, [&] {
        // "done" whatever the answer: an unreachable server only means no offer.
        showProgress(dialog, {{L1, done}, {L2, done}, {L3, done}, {L4, done}});
        if (newer == 0) {
            showForm(dialog, true);
            dialogState = STATE_EDITING;
        } else if (device::updateSupported != 0) {
            openUpdateOffer(dialog);
        } else {
            showVersionMessage(dialog, uiStrings.visitMakerNotice);
            platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.ok);
            dialogState = STATE_NOTICE;
        }
    });
}

}  // namespace app
