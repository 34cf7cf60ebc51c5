#include <cstdint>

#include "app/progress_text.h"
#include "app/radio_write_hold.h"
#include "app/settings_form.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "device/device_settings.h"
#include "platform/dialog.h"
#include "platform/support_log.h"
#include "platform/threads.h"
#include "res/control_ids.h"

namespace app {

namespace {

// Long enough to read "done" before the program ends.
constexpr std::uint32_t PAUSE_BEFORE_CLOSE_MILLISECONDS = 1000;

}  // namespace

void saveTask(void* argument) {
    const auto dialog = static_cast<platform::DialogHandle>(argument);
    const char* const saving = uiStrings.savingConfiguration;

    RadioWriteHold hold(saveHoldReason());
    const std::int32_t saved = writeDeviceConfig(dialog);
    hold.release();
    platform::supportLog("save: %s, the configuration file %u bytes long", saved != 0 ? "done" : "failed",
                         static_cast<unsigned>(device::configFileSize));
    // On failure dialogState stays Busy, so "Quit" closes the dialog without
    // a second attempt.
    platform::onDialogThread(dialog, [&] {
        showProgress(dialog, {{saving, saved != 0 ? uiStrings.done : uiStrings.failed}});
        platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
    });
    if (saved == 0) {
        return;
    }
    platform::sleepMilliseconds(PAUSE_BEFORE_CLOSE_MILLISECONDS);
    platform::closeDialog(dialog, IDC_TASK_BUTTON);
}

}  // namespace app
