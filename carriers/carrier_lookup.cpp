// Finding rows of the carrier table by name and telling whether settings are
// still a preset's own. Pure lookups over the table, free of the dialog, so
// every front end can use them; every walk is bounded by the table's fixed
// sizes.

#include <cstddef>

#include "carriers/carrier_table.h"

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

bool isCountryIndex(int countryIndex) { return countryIndex >= 0 && countryIndex < COUNTRY_COUNT; }

}  // namespace

const CarrierPreset* presetAt(int countryIndex, int presetIndex) {
    if (!isCountryIndex(countryIndex) || presetIndex < 0 || presetIndex >= PRESET_SLOTS) {
        return nullptr;
    }
    const CarrierPreset& preset = CarrierTable[countryIndex].presets[presetIndex];
    return preset.name[0] == '\0' ? nullptr : &preset;
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
