#pragma once
// Shows a settings record in an in-memory form the way the program does: the
// radio-profile list as the dialog's initialisation fills it, then the form
// filled from the record as the startup fills it.

#include "app/settings_form.h"
#include "device/device_settings.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"

namespace testsupport {

inline void showSettingsInForm(MemoryDialog& form, const device::DeviceSettings& s) {
    form.setItems(IDC_RADIO_PROFILE_LIST,
                  {app::RADIO_PROFILE_NAMES[0], app::RADIO_PROFILE_NAMES[1], app::RADIO_PROFILE_NAMES[2]});
    app::fillFormFromSettings(form.handle(), s);
}

}  // namespace testsupport
