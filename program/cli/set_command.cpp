#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/config_names.h"
#include "carriers/carrier_table.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "program/cli/commands.h"
#include "program/cli/exit_codes.h"
#include "program/cli/messages.h"
#include "program/cli/radio_link.h"
#include "program/cli/report.h"

namespace cli {

namespace {

// A secret read from a file: room for the longest field, its line end and
// one byte more, which tells a value that is too long.
constexpr std::size_t SECRET_BUFFER_SIZE = device::WIFI_TEXT_CAPACITY + 3;
static_assert(device::WIFI_TEXT_CAPACITY >= device::GSM_TEXT_CAPACITY &&
              device::WIFI_TEXT_CAPACITY >= device::PIN_CAPACITY);

struct SecretFile {
    const char* option;
    const char* Options::*path;
    char value[SECRET_BUFFER_SIZE];
    bool given;
};

SecretFile secretFiles[] = {
    {"--pin-file", &Options::pinFile, {}, false},
    {"--password-file", &Options::passwordFile, {}, false},
    {"--wifi-password-file", &Options::wifiPasswordFile, {}, false},
};
SecretFile& pinSecret = secretFiles[0];
SecretFile& passwordSecret = secretFiles[1];
SecretFile& wifiPasswordSecret = secretFiles[2];

// The file's bytes, without one line end (LF or CR LF) at its end. A NUL
// byte in it stays, and the value check refuses it.
bool readSecretFile(SecretFile& secret, const char* path) {
    std::FILE* file = nullptr;
    const bool standardInput = std::strcmp(path, "-") == 0;
    if (standardInput) {
        file = stdin;
    } else {
        file = std::fopen(path, "rb");
        if (file == nullptr) {
            sayError<CLI_SECRET_CANNOT_OPEN>(secret.option, path, std::strerror(errno));
            return false;
        }
    }
    std::size_t length = std::fread(secret.value, 1, sizeof secret.value - 1, file);
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) {
        std::fclose(file);
    }
    if (failed) {
        sayError<CLI_SECRET_CANNOT_READ>(secret.option, path);
        return false;
    }
    if (length > 0 && secret.value[length - 1] == '\n') {
        --length;
        if (length > 0 && secret.value[length - 1] == '\r') {
            --length;
        }
    }
    if (std::memchr(secret.value, '\0', length) != nullptr) {
        sayError<CLI_SECRET_HOLDS_NUL>(secret.option);
        return false;
    }
    secret.value[length] = '\0';
    secret.given = true;
    return true;
}

bool readSecretFiles(const Options& options) {
    int fromStandardInput = 0;
    for (SecretFile& secret : secretFiles) {
        const char* path = options.*secret.path;
        secret.given = false;
        if (path == nullptr) {
            continue;
        }
        if (std::strcmp(path, "-") == 0 && ++fromStandardInput > 1) {
            sayError<CLI_ONE_SECRET_FROM_INPUT>(secret.option);
            return false;
        }
        if (!readSecretFile(secret, path)) {
            return false;
        }
    }
    return true;
}

// Whether the value fits its field and can stand between the file's quotes.
bool checkValue(const char* option, const char* value, std::uint32_t capacity) {
    const std::size_t length = std::strlen(value);
    if (length > capacity - 1) {
        sayError<CLI_VALUE_TOO_LONG>(option, capacity - 1, static_cast<unsigned>(length));
        return false;
    }
    for (const char* next = value; *next != '\0'; ++next) {
        const auto byte = static_cast<unsigned char>(*next);
        if (byte == '"') {
            sayError<CLI_VALUE_HOLDS_QUOTE>(option);
            return false;
        }
        if (!device::isConfigValueCharacter(byte)) {
            sayError<CLI_VALUE_HOLDS_CONTROL>(option, static_cast<unsigned>(byte));
            return false;
        }
    }
    return true;
}

// The family as status shows it; a name of the file's, never translated.
const char* familyName(const device::DeviceSettings& s) { return s.device == device::DeviceKind::Hxb ? "hxb" : "hxa"; }

// The settings the options name, checked before the radio is touched.
struct Change {
    int countryIndex = carriers::NONE;
    int presetIndex = carriers::NONE;
};

bool checkOptions(const Options& o, Change& change) {
    if (o.country != nullptr) {
        change.countryIndex = carriers::findCountryIndex(o.country);
        if (change.countryIndex == carriers::NONE) {
            sayError<CLI_COUNTRY_UNKNOWN>(o.country);
            return false;
        }
        change.presetIndex = carriers::findPresetIndex(change.countryIndex, o.provider);
        if (change.presetIndex == carriers::NONE) {
            sayError<CLI_PROVIDER_UNKNOWN>(o.provider, o.country, o.country);
            return false;
        }
    }
    const struct {
        const char* option;
        const char* value;
        std::uint32_t capacity;
    } values[] = {
        {"--apn", o.apn, device::GSM_TEXT_CAPACITY},
        {"--user", o.user, device::GSM_TEXT_CAPACITY},
        {"--dns1", o.dns1, device::ADDRESS_CAPACITY},
        {"--dns2", o.dns2, device::ADDRESS_CAPACITY},
        {"--gateway", o.gateway, device::ADDRESS_CAPACITY},
        {"--wifi-ssid", o.wifiSsid, device::WIFI_TEXT_CAPACITY},
        {"--pin-file", pinSecret.given ? pinSecret.value : nullptr, device::PIN_CAPACITY},
        {"--password-file", passwordSecret.given ? passwordSecret.value : nullptr, device::GSM_TEXT_CAPACITY},
        {"--wifi-password-file", wifiPasswordSecret.given ? wifiPasswordSecret.value : nullptr,
         device::WIFI_TEXT_CAPACITY},
    };
    for (const auto& value : values) {
        if (value.value != nullptr && !checkValue(value.option, value.value, value.capacity)) {
            return false;
        }
    }
    return true;
}

// Values were checked to fit; a longer one would be cut, never overrun.
template <std::size_t N>
void copyText(char (&field)[N], const char* value) {
    if (value == nullptr) {
        return;
    }
    std::size_t length = 0;
    for (; length < N - 1 && value[length] != '\0'; ++length) {
        field[length] = value[length];
    }
    field[length] = '\0';
}

// The radio's settings with the options applied, as the form would hold them
// after the same edits; the chosen country and carrier go into change.
void applyOptions(const Options& o, device::DeviceSettings& s, Change& change) {
    if (o.country == nullptr) {
        // As the form shows the radio: its names selected where the table has them.
        change.countryIndex = carriers::findCountryIndex(s.gsm_country);
        change.presetIndex = carriers::findPresetIndex(change.countryIndex, s.gsm_provider);
    } else {
        const carriers::CarrierPreset* preset = carriers::presetAt(change.countryIndex, change.presetIndex);
        copyText(s.gsm_apn, preset->apn);
        copyText(s.gsm_user, preset->user);
        copyText(s.gsm_pass, preset->password);
        copyText(s.gsm_dns1, preset->dns1);
        copyText(s.gsm_dns2, preset->dns2);
        copyText(s.gsm_gw, preset->gateway);
    }
    copyText(s.gsm_apn, o.apn);
    copyText(s.gsm_user, o.user);
    copyText(s.gsm_dns1, o.dns1);
    copyText(s.gsm_dns2, o.dns2);
    copyText(s.gsm_gw, o.gateway);
    copyText(s.wifi_ssid, o.wifiSsid);
    if (pinSecret.given) copyText(s.gsm_pin, pinSecret.value);
    if (passwordSecret.given) copyText(s.gsm_pass, passwordSecret.value);
    if (wifiPasswordSecret.given) copyText(s.wifi_pass, wifiPasswordSecret.value);
    // As a save from the form: the flag follows the access point's name.
    s.gsm_has_apn = s.gsm_apn[0] != '\0' ? 1 : 0;
    if (o.roaming != UNCHANGED) {
        s.gsm_roaming = o.roaming;
    }
    if (o.profile != UNCHANGED) {
        s.radio_profile = o.profile;
    }
}

int explainRefusal(device::ConfigRefusal refusal, const device::DeviceSettings& s, std::uint32_t textLength) {
    switch (refusal) {
        case device::ConfigRefusal::None:
            return EXIT_DONE;
        case device::ConfigRefusal::NoSkeleton:
            sayError<CLI_FILE_NOT_WRITTEN_BY_PROGRAM>(familyName(s), static_cast<int>(s.version));
            break;
        case device::ConfigRefusal::UnquotableValue:
            sayError<CLI_KEPT_VALUE_UNQUOTABLE>();
            break;
        case device::ConfigRefusal::LongerThanFile:
            sayError<CLI_SETTINGS_LONGER_THAN_FILE>(textLength, device::configFileSize);
            break;
        case device::ConfigRefusal::FileTooLong:
            sayError<CLI_FILE_TOO_LONG>(device::CONFIG_OUTPUT_CAPACITY);
            break;
    }
    return EXIT_FILE_NOT_WRITTEN;
}

// The file as it would be written, the secrets masked unless shown.
void printDryRun(device::DeviceSettings s, const app::ConfigNames& names, bool showSecrets) {
    if (!showSecrets) {
        for (char* secret : {s.gsm_pin, s.gsm_pass, s.wifi_pass}) {
            if (secret[0] != '\0') {
                std::memcpy(secret, MASKED_SECRET, sizeof MASKED_SECRET);
            }
        }
    }
    static char output[device::CONFIG_OUTPUT_CAPACITY];
    std::uint32_t textLength = 0;
    device::formatConfigFile(s, names.country, names.provider, output, textLength);
    std::fwrite(output, 1, textLength, stdout);
    std::fflush(stdout);
}

static_assert(sizeof MASKED_SECRET <= device::PIN_CAPACITY, "a masked PIN fits the PIN's field");

}  // namespace

int runSet(const Options& options) {
    Change change;
    if (!readSecretFiles(options) || !checkOptions(options, change)) {
        return EXIT_BAD_ARGUMENT;
    }
    const int opened = openRadio(options);
    if (opened != EXIT_DONE) {
        return opened;
    }
    static device::DeviceSettings settings;
    settings = device::deviceSettings;
    if (options.profile != UNCHANGED && !device::configHasRadioProfile(settings)) {
        sayError<CLI_NO_RADIO_PROFILE>(familyName(settings), static_cast<int>(settings.version));
        return EXIT_BAD_ARGUMENT;
    }
    applyOptions(options, settings, change);
    const app::ConfigNames names = app::configNamesFor(settings, change.countryIndex, change.presetIndex);

    static char output[device::CONFIG_OUTPUT_CAPACITY];
    std::uint32_t textLength = 0;
    const device::ConfigRefusal refusal =
        device::formatConfigFile(settings, names.country, names.provider, output, textLength);
    if (refusal != device::ConfigRefusal::None) {
        return explainRefusal(refusal, settings, textLength);
    }
    if (options.dryRun) {
        printDryRun(settings, names, options.showSecrets);
        say<CLI_DRY_RUN>(textLength, device::configFileSize);
        return EXIT_DONE;
    }
    if (device::writeConfigFile(settings, names.country, names.provider) == 0) {
        sayError<CLI_WRITING_FAILED>(device::deviceRoot);
        return EXIT_FILE_NOT_WRITTEN;
    }
    device::deviceSettings = settings;
    say<CLI_SETTINGS_WRITTEN>(device::deviceRoot);
    return EXIT_DONE;
}

}  // namespace cli
