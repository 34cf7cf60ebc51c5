#pragma once
// Shows a settings record in an in-memory form the way the startup does:
// texts from the record, the roaming check, the radio profile, and the
// country and provider lists selected by the names found in the table.

#include "carriers/carrier_table.h"
#include "device/device_settings.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"

namespace testsupport {

inline void showSettingsInForm(MemoryDialog& form, const device::DeviceSettings& s) {
    form.setText(IDC_WIFI_SSID, s.wifi_ssid);
    form.setText(IDC_WIFI_PASSWORD, s.wifi_pass);
    form.setText(IDC_GSM_PIN, s.gsm_pin);
    form.setText(IDC_APN, s.gsm_apn);
    form.setText(IDC_GSM_USER, s.gsm_user);
    form.setText(IDC_GSM_PASSWORD, s.gsm_pass);
    form.setText(IDC_DNS1, s.gsm_dns1);
    form.setText(IDC_DNS2, s.gsm_dns2);
    form.setText(IDC_GATEWAY, s.gsm_gw);
    form.setCheckState(IDC_ROAMING_CHECK, s.gsm_roaming == 1 ? CheckState::Checked : CheckState::Unchecked);
    form.setItems(IDC_RADIO_PROFILE_LIST, {"Fast Start", "Default", "Stable"});
    form.setSelection(IDC_RADIO_PROFILE_LIST, s.radio_profile);
    carriers::fillCountryList(form.handle());
    const int country = carriers::findCountryIndex(s.gsm_country);
    if (country != carriers::NONE) {
        form.setSelection(IDC_COUNTRY_LIST, country);
        carriers::fillPresetList(form.handle(), country);
        form.setSelection(IDC_PROVIDER_LIST, carriers::findPresetIndex(country, s.gsm_provider));
    }
}

}  // namespace testsupport
