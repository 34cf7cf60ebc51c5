#pragma once
// The form and the settings record: which control shows which setting. The
// startup fills the form from the settings just read; "Save and Quit" reads
// them back and rewrites the configuration file.

#include <cstdint>

#include "app/config_names.h"
#include "carriers/carrier_table.h"
#include "device/device_settings.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace app {

// The form's text fields, one setting each (the Wi-Fi fields stay hidden but
// carry their values through).
inline constexpr int FORM_TEXT_FIELDS[] = {
    IDC_WIFI_SSID, IDC_WIFI_PASSWORD, IDC_GSM_PIN, IDC_APN,     IDC_GSM_USER,
    IDC_GSM_PASSWORD, IDC_DNS1,       IDC_DNS2,    IDC_GATEWAY,
};

// The radio-profile list: the index is the stored radio_profile value.
constexpr int RADIO_PROFILE_COUNT = 3;
extern const char* const RADIO_PROFILE_NAMES[RADIO_PROFILE_COUNT];

// Whether a character may be typed or pasted into a form text field: the
// file quotes every value, so no double quote and no control character.
constexpr bool isFormTextCharacter(char32_t c) {
    return c >= 0x20 && c != 0x7F && c != U'"';
}

// Fills the form: the country list from the carrier table with the stored
// country and provider selected where the table has them, every field, the
// roaming check and the radio profile.
void fillFormFromSettings(platform::DialogHandle form, const device::DeviceSettings& settings);

// Reads the fields, the roaming check and the radio profile back into
// settings (a profile the list could not show keeps its stored value).
void readSettingsFromForm(platform::DialogHandle form, device::DeviceSettings& settings);

// Takes the form's values into deviceSettings and rewrites the configuration
// file in place (device::writeConfigFile). An Hxa file names a country and a
// carrier only while the settings are exactly the selected carrier's preset;
// an Hxb file keeps the names it had (configNamesFor). 1 when the file was rewritten and has
// reached the device, else 0.
std::int32_t writeDeviceConfig(platform::DialogHandle form);

}  // namespace app
