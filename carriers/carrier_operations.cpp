// The operations on the carrier table that reach the form: filling the
// Country and Provider lists and copying a preset into the access-point
// fields. Every walk is bounded by the table's fixed sizes and allocates
// nothing.

#include "carriers/carrier_table.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace carriers {

void fillCountryList(platform::DialogHandle dialog) {
    platform::listReset(dialog, IDC_COUNTRY_LIST);
    for (int row = 0; row < COUNTRY_ROWS && CarrierTable[row].name[0] != '\0'; ++row) {
        platform::listAppend(dialog, IDC_COUNTRY_LIST, CarrierTable[row].name);
    }
}

void fillPresetList(platform::DialogHandle dialog, int countryIndex) {
    platform::listReset(dialog, IDC_PROVIDER_LIST);
    if (countryIndex < 0 || countryIndex >= COUNTRY_COUNT) {
        return;
    }
    const CountryEntry& country = CarrierTable[countryIndex];
    for (int slot = 0; slot < PRESET_SLOTS && country.presets[slot].name[0] != '\0'; ++slot) {
        platform::listAppend(dialog, IDC_PROVIDER_LIST, country.presets[slot].name);
    }
}

void applyCarrierPreset(platform::DialogHandle dialog, int countryIndex, int presetIndex) {
    const CarrierPreset* preset = presetAt(countryIndex, presetIndex);
    if (preset == nullptr) {
        return;  // nothing picked: the fields keep what the user sees
    }
    platform::setControlText(dialog, IDC_APN, preset->apn);
    platform::setControlText(dialog, IDC_GSM_USER, preset->user);
    platform::setControlText(dialog, IDC_GSM_PASSWORD, preset->password);
    platform::setControlText(dialog, IDC_DNS1, preset->dns1);
    platform::setControlText(dialog, IDC_DNS2, preset->dns2);
    platform::setControlText(dialog, IDC_GATEWAY, preset->gateway);
}

}  // namespace carriers
