#include <cstdio>

#include "device/config_writer.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "program/cli/commands.h"
#include "program/cli/exit_codes.h"
#include "program/cli/radio_link.h"
#include "program/cli/report.h"

namespace cli {

int runStatus(const Options& options) {
    const int opened = openRadio(options);
    if (opened != EXIT_DONE) {
        return opened;
    }
    const device::DeviceSettings& s = device::deviceSettings;
    const bool show = options.showSecrets;
    Report report(stdout, options.json);
    report.beginObject();
    report.text("radio", device::deviceRoot);
    report.text("family", s.device == device::DeviceKind::Hxb ? "hxb" : "hxa");
    report.number("config_version", s.version);
    report.text("firmware", device::deviceSoftwareVersion);
    report.flag("update_slot", device::updateSupported != 0);
    report.text("wifi_ssid", s.wifi_ssid);
    report.secret("wifi_password", s.wifi_pass, show);
    report.secret("pin", s.gsm_pin, show);
    report.text("country", s.gsm_country);
    report.text("provider", s.gsm_provider);
    report.flag("has_apn", s.gsm_has_apn == 1);
    report.text("apn", s.gsm_apn);
    report.text("user", s.gsm_user);
    report.secret("password", s.gsm_pass, show);
    report.text("dns1", s.gsm_dns1);
    report.text("dns2", s.gsm_dns2);
    report.text("gateway", s.gsm_gw);
    report.text("roaming", s.gsm_roaming == 1 ? "on" : "off");
    if (device::configHasRadioProfile(s)) {
        // A stored value outside the three names is shown as it stands.
        if (s.radio_profile >= 0 && s.radio_profile < PROFILE_COUNT) {
            report.text("profile", PROFILE_NAMES[s.radio_profile]);
        } else {
            report.number("profile", s.radio_profile);
        }
    }
    report.endObject();
    report.finish();
    return EXIT_DONE;
}

}  // namespace cli
