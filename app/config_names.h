#pragma once
// The rule a save follows for the two names in the configuration file, free
// of any dialog, so that every front end writes the same file from the same
// settings and the same chosen country and carrier.

#include "carriers/carrier_table.h"
#include "device/device_settings.h"

namespace app {

// The access-point part of a settings record, for comparing with a preset.
carriers::AccessPointSettings accessPointOf(const device::DeviceSettings& settings);

struct ConfigNames {
    const char* country;
    const char* provider;
};

// The names a save writes for the chosen country and carrier (indices into
// the carrier table, or carriers::NONE). An Hxa file names them only while
// the settings are exactly that carrier's preset, else both are empty; an
// Hxb file keeps the names it had. The texts live in the table or in
// settings.
ConfigNames configNamesFor(const device::DeviceSettings& settings, int countryIndex, int presetIndex);

}  // namespace app
