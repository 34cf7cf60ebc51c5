#include "device/config_reader.h"

#include <cstring>

#include "device/config_parsers.h"
#include "device/device_files.h"
#include "device/device_settings.h"
#include "device/status_file.h"
#include "device/text_file_reader.h"

namespace device {

namespace {

constexpr std::uint32_t DEVICE_VALUE_CAPACITY = 10;

// The last `device` line with a known code decides; it lives for one read.
char readerDeviceValue[DEVICE_VALUE_CAPACITY];

void emptySettingTexts(DeviceSettings& settings) {
    for (char* text : {settings.wifi_ssid, settings.wifi_pass, settings.gsm_pin, settings.gsm_country,
                       settings.gsm_provider, settings.gsm_apn, settings.gsm_user, settings.gsm_pass,
                       settings.gsm_dns1, settings.gsm_dns2, settings.gsm_gw}) {
        text[0] = '\0';
    }
}

}  // namespace

std::atomic<bool> deviceFilesRead{false};

void parseConfigLine(const char* line) {
    DeviceSettings& s = deviceSettings;
    parseIntValue("version", line, s.version);
    parseQuotedValue("device", line, readerDeviceValue, sizeof readerDeviceValue);
    if (std::strcmp(readerDeviceValue, "hxa") == 0) {
        s.device = DeviceKind::Hxa;
    } else if (std::strcmp(readerDeviceValue, "hxb") == 0) {
        s.device = DeviceKind::Hxb;
    }
    parseQuotedValue("wifi_ssid", line, s.wifi_ssid, sizeof s.wifi_ssid);
    parseQuotedValue("wifi_pass", line, s.wifi_pass, sizeof s.wifi_pass);
    parseQuotedValue("gsm_pin", line, s.gsm_pin, sizeof s.gsm_pin);
    parseQuotedValue("gsm_country", line, s.gsm_country, sizeof s.gsm_country);
    parseQuotedValue("gsm_provider", line, s.gsm_provider, sizeof s.gsm_provider);
    parseQuotedValue("gsm_apn", line, s.gsm_apn, sizeof s.gsm_apn);
    parseBoolValue("gsm_has_apn", line, s.gsm_has_apn);
    parseQuotedValue("gsm_user", line, s.gsm_user, sizeof s.gsm_user);
    parseQuotedValue("gsm_pass", line, s.gsm_pass, sizeof s.gsm_pass);
    parseQuotedValue("gsm_dns1", line, s.gsm_dns1, sizeof s.gsm_dns1);
    parseQuotedValue("gsm_dns2", line, s.gsm_dns2, sizeof s.gsm_dns2);
    parseQuotedValue("gsm_gw", line, s.gsm_gw, sizeof s.gsm_gw);
    parseBoolValue("gsm_roaming", line, s.gsm_roaming);
    parseIntValue("radio_profile", line, s.radio_profile);
}

std::int32_t readDeviceFiles() {
    char path[DEVICE_PATH_CAPACITY];
    if (!formatDevicePath(path, CONFIG_FILE_PATH)) {
        return 0;
    }
    {
        platform::File config = platform::openDeviceFileForReading(path);
        if (!config.isOpen()) {
            return 0;
        }
        emptySettingTexts(deviceSettings);
        deviceSettings.radio_profile = 1;
        configText[0] = '\0';
        configFileSize = 0;
        readerDeviceValue[0] = '\0';
        if (!readDeviceTextFile(config, configText, parseConfigLine, true)) {
            // Half a file must not pass for the device's settings; with a
            // length of 0 no save can write anything from them either.
            resetDeviceSettings();
            return 0;
        }
    }
    const std::int32_t read = readStatusFiles();
    if (read != 0) {
        // Published last: a thread that sees it sees every record it covers.
        deviceFilesRead.store(true, std::memory_order_release);
    }
    return read;
}

void resetDeviceFilesRead() {
    deviceFilesRead = false;
    readerDeviceValue[0] = '\0';
}

}  // namespace device
