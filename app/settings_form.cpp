#include "app/settings_form.h"

#include "device/config_writer.h"

namespace app {

// Table texts pass through the edit fields into the settings unchanged only if
// the widths agree.
static_assert(sizeof(carriers::CountryEntry::name) == device::NAME_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::name) == device::NAME_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::apn) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::user) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::password) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::dns1) == device::ADDRESS_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::dns2) == device::ADDRESS_CAPACITY);
static_assert(sizeof(carriers::CarrierPreset::gateway) == device::ADDRESS_CAPACITY);

// What the field filter lets through, the writer accepts.
static_assert(!isFormTextCharacter(U'"') && !isFormTextCharacter(U'\n') && !isFormTextCharacter(0x7F));
static_assert(isFormTextCharacter(U' ') && isFormTextCharacter(U'~') && isFormTextCharacter(0xE9));

const char* const RADIO_PROFILE_NAMES[RADIO_PROFILE_COUNT] = {"Fast Start", "Default", "Stable"};

void fillFormFromSettings(platform::DialogHandle form, const device::DeviceSettings& s) {
    carriers::fillCountryList(form);
    platform::setControlText(form, IDC_WIFI_SSID, s.wifi_ssid);
    platform::setControlText(form, IDC_WIFI_PASSWORD, s.wifi_pass);
    platform::setControlText(form, IDC_GSM_PIN, s.gsm_pin);

    // Without a known country there is no provider list to choose from.
    const int country = carriers::findCountryIndex(s.gsm_country);
    if (country != carriers::NONE) {
        platform::listSelect(form, IDC_COUNTRY_LIST, country);
        carriers::fillPresetList(form, country);
        const int provider = carriers::findPresetIndex(country, s.gsm_provider);
        if (provider != carriers::NONE) {
            platform::listSelect(form, IDC_PROVIDER_LIST, provider);
        }
    }

    platform::setControlText(form, IDC_APN, s.gsm_apn);
    platform::setControlText(form, IDC_GSM_USER, s.gsm_user);
    platform::setControlText(form, IDC_GSM_PASSWORD, s.gsm_pass);
    platform::setControlText(form, IDC_DNS1, s.gsm_dns1);
    platform::setControlText(form, IDC_DNS2, s.gsm_dns2);
    platform::setControlText(form, IDC_GATEWAY, s.gsm_gw);
    platform::setChecked(form, IDC_ROAMING_CHECK, s.gsm_roaming == 1);

    // A stored profile the list has no entry for leaves it without a
    // selection; the save then writes the stored value back unchanged.
    const bool listed = s.radio_profile >= 0 && s.radio_profile < RADIO_PROFILE_COUNT;
    platform::listSelect(form, IDC_RADIO_PROFILE_LIST, listed ? s.radio_profile : platform::NO_SELECTION);
}

void readSettingsFromForm(platform::DialogHandle form, device::DeviceSettings& s) {
    platform::getControlText(form, IDC_WIFI_SSID, s.wifi_ssid, sizeof s.wifi_ssid);
    platform::getControlText(form, IDC_WIFI_PASSWORD, s.wifi_pass, sizeof s.wifi_pass);
    platform::getControlText(form, IDC_GSM_PIN, s.gsm_pin, sizeof s.gsm_pin);
    platform::getControlText(form, IDC_APN, s.gsm_apn, sizeof s.gsm_apn);
    platform::getControlText(form, IDC_GSM_USER, s.gsm_user, sizeof s.gsm_user);
    platform::getControlText(form, IDC_GSM_PASSWORD, s.gsm_pass, sizeof s.gsm_pass);
    platform::getControlText(form, IDC_DNS1, s.gsm_dns1, sizeof s.gsm_dns1);
    platform::getControlText(form, IDC_DNS2, s.gsm_dns2, sizeof s.gsm_dns2);
    platform::getControlText(form, IDC_GATEWAY, s.gsm_gw, sizeof s.gsm_gw);
    s.gsm_has_apn = s.gsm_apn[0] != '\0' ? 1 : 0;
    s.gsm_roaming = platform::isChecked(form, IDC_ROAMING_CHECK) ? 1 : 0;
    const int profile = platform::listSelection(form, IDC_RADIO_PROFILE_LIST);
    if (profile != platform::NO_SELECTION) {
        s.radio_profile = profile;
    }
}

std::int32_t writeDeviceConfig(platform::DialogHandle form) {
    device::DeviceSettings& settings = device::deviceSettings;
    // The form as it stands at one moment, read in one step.
    int countryIndex = platform::NO_SELECTION;
    int presetIndex = platform::NO_SELECTION;
    platform::onDialogThread(form, [&] {
        readSettingsFromForm(form, settings);
        countryIndex = platform::listSelection(form, IDC_COUNTRY_LIST);
        presetIndex = platform::listSelection(form, IDC_PROVIDER_LIST);
    });
    const ConfigNames names = configNamesFor(settings, countryIndex, presetIndex);
    return device::writeConfigFile(settings, names.country, names.provider);
}

}  // namespace app
