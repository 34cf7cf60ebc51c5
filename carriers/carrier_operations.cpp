// The operations on the carrier table: filling the Country and Provider lists,
// copying a preset into the access-point fields, finding rows by name and
// telling whether the settings about to be saved are still a preset's own.
// Every walk is bounded by the table's fixed sizes and allocates nothing.

#include <array>
#include <cstddef>
#include <span>

#include "carriers/carrier_table.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace carriers {

namespace {

// Length of a fixed-width text field: up to its NUL, never past its end.
template <std::size_t N>
std::size_t fieldLength(const char (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') {
        ++length;
    }
    return length;
}

// Exact byte comparison of a table field with a NUL-terminated text. Stops at
// the first difference, so it never reads past the end of a shorter text.
template <std::size_t N>
bool fieldEqualsText(const char (&field)[N], const char* text) {
    const std::size_t length = fieldLength(field);
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] != field[i]) {
            return false;
        }
    }
    return text[length] == '\0';
}

bool isCountryIndex(int countryIndex) {
    return countryIndex >= 0 && countryIndex < COUNTRY_COUNT;
}

// The preset at the given place, or nullptr when either index is outside the
// table or the slot holds no preset.
const CarrierPreset* presetAt(int countryIndex, int presetIndex) {
    if (!isCountryIndex(countryIndex) || presetIndex < 0 || presetIndex >= PRESET_SLOTS) {
        return nullptr;
    }
    const CarrierPreset& preset = CarrierTable[countryIndex].presets[presetIndex];
    return preset.name[0] == '\0' ? nullptr : &preset;
}

}  // namespace

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
    if (isCountryIndex(countryIndex)) {
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

int findCountryIndex(const char* name) {
    if (name == nullptr) {
        return NONE;
    }
    for (int row = 0; row < COUNTRY_ROWS && CarrierTable[row].name[0] != '\0'; ++row) {
        if (fieldEqualsText(CarrierTable[row].name, name)) {
            return row;
        }
    }
    return NONE;
}

int findPresetIndex(int countryIndex, const char* name) {
    if (name == nullptr || !isCountryIndex(countryIndex)) {
        return NONE;
    }
    const CountryEntry& country = CarrierTable[countryIndex];
    for (int slot = 0; slot < PRESET_SLOTS && country.presets[slot].name[0] != '\0'; ++slot) {
        if (fieldEqualsText(country.presets[slot].name, name)) {
            return slot;
        }
    }
    return NONE;
}

bool presetMatchesSettings(int countryIndex, int presetIndex, const AccessPointSettings& settings) {
    const CarrierPreset* preset = presetAt(countryIndex, presetIndex);
    if (preset == nullptr) {
        return false;
    }
    return preset->hasApn == settings.hasApn && fieldEqualsText(preset->apn, settings.apn) &&
           fieldEqualsText(preset->user, settings.user) && fieldEqualsText(preset->password, settings.password) &&
           fieldEqualsText(preset->dns1, settings.dns1) && fieldEqualsText(preset->dns2, settings.dns2) &&
           fieldEqualsText(preset->gateway, settings.gateway);
}

}  // namespace carriers
