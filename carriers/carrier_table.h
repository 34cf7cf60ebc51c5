#pragma once
// The built-in catalogue of mobile networks: 134 countries, each with up to
// PRESET_SLOTS named access-point presets, and the operations the form uses on
// it: filling its lists, applying a preset, finding rows by name and telling
// whether settings are still a preset's own.

#include <cstdint>

#include "platform/dialog.h"

namespace carriers {

constexpr int PRESET_SLOTS = 30;
constexpr int COUNTRY_COUNT = 134;
constexpr int COUNTRY_ROWS = COUNTRY_COUNT + 1;  // closed by an all-zero row
constexpr int NONE = -1;

struct CarrierPreset {
    char name[100];
    std::int32_t hasApn;
    char apn[32];
    char user[32];
    char password[32];
    char dns1[16];
    char dns2[16];
    char gateway[16];
};

struct CountryEntry {
    char name[100];
    CarrierPreset presets[PRESET_SLOTS];
};

extern const CountryEntry CarrierTable[COUNTRY_ROWS];

void fillCountryList(platform::DialogHandle dialog);
void fillPresetList(platform::DialogHandle dialog, int countryIndex);
void applyCarrierPreset(platform::DialogHandle dialog, int countryIndex, int presetIndex);
int findCountryIndex(const char* name);                   // NONE when absent
int findPresetIndex(int countryIndex, const char* name);  // NONE when absent

// The preset at the given place, or nullptr when either index is outside the
// table or the slot holds no preset.
const CarrierPreset* presetAt(int countryIndex, int presetIndex);

// The access-point part of a settings record: the has-APN flag and the six
// NUL-terminated texts.
struct AccessPointSettings {
    std::int32_t hasApn;
    const char* apn;
    const char* user;
    const char* password;
    const char* dns1;
    const char* dns2;
    const char* gateway;
};

// Whether the access-point settings equal the preset exactly, byte for byte.
// False when either index is NONE or outside the table.
bool presetMatchesSettings(int countryIndex, int presetIndex, const AccessPointSettings& settings);

}  // namespace carriers
