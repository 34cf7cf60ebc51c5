#include <cstdint>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/progress_text.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "app/update_offer.h"
#include "carriers/carrier_table.h"
#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "platform/dialog.h"
#include "platform/threads.h"
#include "res/control_ids.h"
#include "update/version_check.h"

namespace app {

namespace {

// Pauses that leave each finished step on screen long enough to be read.
constexpr std::uint32_t PAUSE_AFTER_FOUND_MILLISECONDS = 1000;
constexpr std::uint32_t PAUSE_AFTER_SWITCH_MILLISECONDS = 1000;
constexpr std::uint32_t PAUSE_AFTER_READ_MILLISECONDS = 500;

// The settings just read, into the form while it is still hidden.
void fillForm(platform::DialogHandle dialog) {
    const device::DeviceSettings& s = device::deviceSettings;
    carriers::fillCountryList(dialog);
    platform::setControlText(dialog, IDC_WIFI_SSID, s.wifi_ssid);
    platform::setControlText(dialog, IDC_WIFI_PASSWORD, s.wifi_pass);
    platform::setControlText(dialog, IDC_GSM_PIN, s.gsm_pin);

    // Without a known country there is no provider list to choose from.
    const int country = carriers::findCountryIndex(s.gsm_country);
    if (country != carriers::NONE) {
        platform::listSelect(dialog, IDC_COUNTRY_LIST, country);
        carriers::fillPresetList(dialog, country);
        const int provider = carriers::findPresetIndex(country, s.gsm_provider);
        if (provider != carriers::NONE) {
            platform::listSelect(dialog, IDC_PROVIDER_LIST, provider);
        }
    }

    platform::setControlText(dialog, IDC_APN, s.gsm_apn);
    platform::setControlText(dialog, IDC_GSM_USER, s.gsm_user);
    platform::setControlText(dialog, IDC_GSM_PASSWORD, s.gsm_pass);
    platform::setControlText(dialog, IDC_DNS1, s.gsm_dns1);
    platform::setControlText(dialog, IDC_DNS2, s.gsm_dns2);
    platform::setControlText(dialog, IDC_GATEWAY, s.gsm_gw);
    platform::setChecked(dialog, IDC_ROAMING_CHECK, s.gsm_roaming == 1);

    // A stored profile the list has no entry for leaves it without a
    // selection; the save then writes the stored value back unchanged.
    const bool listed = s.radio_profile >= 0 && s.radio_profile < RADIO_PROFILE_COUNT;
    platform::listSelect(dialog, IDC_RADIO_PROFILE_LIST, listed ? s.radio_profile : platform::NO_SELECTION);
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
    while (device::findDevice() == 0) {
        platform::sleepMilliseconds(device::POLL_INTERVAL_MILLISECONDS);
    }
    showProgress(dialog, {{L1, done}, {L2}});
    platform::sleepMilliseconds(PAUSE_AFTER_FOUND_MILLISECONDS);

    device::switchDeviceToWritable();
    showProgress(dialog, {{L1, done}, {L2, done}, {L3}});
    platform::sleepMilliseconds(PAUSE_AFTER_SWITCH_MILLISECONDS);

    if (device::readDeviceFiles() == 0) {
        // dialogState stays Starting, so "Quit" closes the dialog; nothing is written.
        showProgress(dialog, {{L1, done}, {L2, done}, {L3, uiStrings.failed}});
        platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit);
        return;
    }
    showProgress(dialog, {{L1, done}, {L2, done}, {L3, done}});
    platform::sleepMilliseconds(PAUSE_AFTER_READ_MILLISECONDS);

    fillForm(dialog);

    showProgress(dialog, {{L1, done}, {L2, done}, {L3, done}, {L4}});
    const std::int32_t newer =
        update::checkForUpdate(device::deviceSoftwareVersion,
                               update::channelFolder(device::deviceSettings.device, update::UpdateChannel::Latest));
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
}

}  // namespace app
