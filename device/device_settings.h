#pragma once
// The device's configuration as the utility holds it: one process-wide record
// with a field per key of "doc\global-config.cfg", and the raw text of the file
// for the Debug dialog.

#include <array>
#include <cstdint>

namespace device {

enum class DeviceKind : std::int32_t { Hxa = 1, Hxb = 2 };

// Capacities count the terminator: a field of 32 holds at most 31 characters.
constexpr std::uint32_t WIFI_TEXT_CAPACITY = 32;
constexpr std::uint32_t PIN_CAPACITY = 10;
constexpr std::uint32_t NAME_CAPACITY = 100;
constexpr std::uint32_t GSM_TEXT_CAPACITY = 32;
constexpr std::uint32_t ADDRESS_CAPACITY = 16;

struct DeviceSettings {
    std::int32_t version = 0;
    DeviceKind device = DeviceKind::Hxa;
    char wifi_ssid[WIFI_TEXT_CAPACITY] = {};
    char wifi_pass[WIFI_TEXT_CAPACITY] = {};
    char gsm_pin[PIN_CAPACITY] = {};
    char gsm_country[NAME_CAPACITY] = {};
    char gsm_provider[NAME_CAPACITY] = {};
    std::int32_t gsm_has_apn = 0;
    char gsm_apn[GSM_TEXT_CAPACITY] = {};
    char gsm_user[GSM_TEXT_CAPACITY] = {};
    char gsm_pass[GSM_TEXT_CAPACITY] = {};
    char gsm_dns1[ADDRESS_CAPACITY] = {};
    char gsm_dns2[ADDRESS_CAPACITY] = {};
    char gsm_gw[ADDRESS_CAPACITY] = {};
    std::int32_t gsm_roaming = 0;
    std::int32_t radio_profile = 0;
};

constexpr std::uint32_t TEXT_FILE_CAPACITY = 1024;
// The configuration file's first bytes are kept as read, so that a failed save
// can put them back; a longer file is never saved.
constexpr std::uint32_t CONFIG_BYTES_CAPACITY = 1024;

// The process-wide results of reading the device. Written by the startup
// task's read, and the settings again by a save (the form read back); other
// threads read them only once deviceFilesRead is set (the Debug dialog reads
// its own copy of configText).
extern DeviceSettings deviceSettings;
extern char configText[TEXT_FILE_CAPACITY];  // the file's lines, each ended by CR LF
extern std::uint32_t configFileSize;         // bytes read from the file: its length
extern char configFileBytes[CONFIG_BYTES_CAPACITY];  // its first configFileSize bytes (up to the capacity)

// Puts the record and its raw text back to their program-start values.
void resetDeviceSettings();

}  // namespace device
