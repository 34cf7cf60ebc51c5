// The operations on the carrier table: filling the Country and Provider lists,
// copying a preset into the access-point fields, finding rows by name and
// telling whether the settings about to be saved are still a preset's own.
// Every walk is bounded by the table's fixed sizes and allocates nothing.

#include <cstddef>

#include "carriers/carrier_table.h"
#include "device/device_settings.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace carriers {

// Table texts pass through the edit fields into the settings unchanged only if
// the widths agree.
static_assert(sizeof(CountryEntry::name) == device::NAME_CAPACITY);
static_assert(sizeof(CarrierPreset::name) == device::NAME_CAPACITY);
static_assert(sizeof(CarrierPreset::apn) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(CarrierPreset::user) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(CarrierPreset::password) == device::GSM_TEXT_CAPACITY);
static_assert(sizeof(CarrierPreset::dns1) == device::ADDRESS_CAPACITY);
static_assert(sizeof(CarrierPreset::dns2) == device::ADDRESS_CAPACITY);
static_assert(sizeof(CarrierPreset::gateway) == device::ADDRESS_CAPACITY);

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

// Exact byte comparison of two fixed-width fields of possibly different widths.
template <std::size_t N, std::size_t M>
bool fieldsEqual(const char (&left)[N], const char (&right)[M]) {
    const std::size_t length = fieldLength(left);
    if (length != fieldLength(right)) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (left[i] != right[i]) {
            return false;
        }
    }
    return true;
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

void fillCountryList(platform::DialogHandle dialog) {
    platform::listReset(dialog, IDC_COUNTRY_LIST);
    for (int row = 0; row < COUNTRY_ROWS && CarrierTable[row].name[0] != '\0'; ++row) {
        platform::listAppend(dialog, IDC_COUNTRY_LIST, CarrierTable[row].name);
    }
}

void fillPresetList(platform::DialogHandle dialog, int countryIndex) {
    platform::listReset(dialog, IDC_PROVIDER_LIST);
    if (!isCountryIndex(countryIndex)) {
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

bool presetMatchesSettings(int countryIndex, int presetIndex) {
    const CarrierPreset* preset = presetAt(countryIndex, presetIndex);
    if (preset == nullptr) {
        return false;
    }
    const device::DeviceSettings& settings = device::deviceSettings;
    return preset->hasApn == settings.gsm_has_apn && fieldsEqual(preset->apn, settings.gsm_apn) &&
           fieldsEqual(preset->user, settings.gsm_user) &&
           fieldsEqual(preset->password, settings.gsm_pass) &&
           fieldsEqual(preset->dns1, settings.gsm_dns1) &&
           fieldsEqual(preset->dns2, settings.gsm_dns2) &&
           fieldsEqual(preset->gateway, settings.gsm_gw);
}

}  // namespace carriers
