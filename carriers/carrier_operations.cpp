// The operations on the carrier table that reach the form: filling the
// Country and Provider lists and copying a preset into the access-point
// fields. Every walk is bounded by the table's fixed sizes and allocates
// nothing.

#include <array>
#include <cstddef>
#include <span>

#include "carriers/carrier_table.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace carriers {

// The lists take their names in one operation each.
void fillCountryList(platform::DialogHandle dialog) {
    std::array<const char*, COUNTRY_ROWS> names;
    std::size_t count = 0;
    for (int row = 0; row < COUNTRY_ROWS && CarrierTable[row].name[0] != '\0'; ++row) {
        names[count++] = CarrierTable[row].name;
    }
    platform::listFill(dialog, IDC_COUNTRY_LIST, std::span(names.data(), count));
}

void fillPresetList(platform::DialogHandle dialog, int countryIndex) {
    std::array<const char*, PRESET_SLOTS> names;
    std::size_t count = 0;
    if (countryIndex >= 0 && countryIndex < COUNTRY_COUNT) {
        const CountryEntry& country = CarrierTable[countryIndex];
        for (int slot = 0; slot < PRESET_SLOTS && country.presets[slot].name[0] != '\0'; ++slot) {
            names[count++] = country.presets[slot].name;
        }
    }
    platform::listFill(dialog, IDC_PROVIDER_LIST, std::span(names.data(), count));
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
