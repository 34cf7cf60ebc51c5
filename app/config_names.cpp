#include "app/config_names.h"

namespace app {

carriers::AccessPointSettings accessPointOf(const device::DeviceSettings& s) {
    return {s.gsm_has_apn, s.gsm_apn, s.gsm_user, s.gsm_pass, s.gsm_dns1, s.gsm_dns2, s.gsm_gw};
}

ConfigNames configNamesFor(const device::DeviceSettings& settings, int countryIndex, int presetIndex) {
    if (settings.device == device::DeviceKind::Hxb) {
        return {settings.gsm_country, settings.gsm_provider};
    }
    if (carriers::presetMatchesSettings(countryIndex, presetIndex, accessPointOf(settings))) {
        return {carriers::CarrierTable[countryIndex].name,
                carriers::CarrierTable[countryIndex].presets[presetIndex].name};
    }
    return {"", ""};
}

}  // namespace app
