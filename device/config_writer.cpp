#include "device/config_writer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "device/device_file_rewrite.h"
#include "device/device_files.h"
#include "device/device_settings.h"

namespace device {

namespace {

enum class Skeleton { HxaVersion1, HxaVersion2, HxbVersion1 };

bool chooseSkeleton(const DeviceSettings& settings, Skeleton& skeleton) {
    if (settings.device == DeviceKind::Hxa && settings.version == 1) {
        skeleton = Skeleton::HxaVersion1;
    } else if (settings.device == DeviceKind::Hxa && settings.version == 2) {
        skeleton = Skeleton::HxaVersion2;
    } else if (settings.device == DeviceKind::Hxb && settings.version == 1) {
        skeleton = Skeleton::HxbVersion1;
    } else {
        return false;
    }
    return true;
}

// Appends formatted text; remembers when anything did not fit.
class TextBuffer {
public:
    TextBuffer(char* buffer, std::uint32_t capacity) : buffer_(buffer), capacity_(capacity) {}

    [[gnu::format(printf, 2, 3)]] void append(const char* format, ...) {
        va_list arguments;
        va_start(arguments, format);
        const std::uint32_t room = capacity_ - length_;
        const int written = std::vsnprintf(buffer_ + length_, room, format, arguments);
        va_end(arguments);
        if (written < 0 || static_cast<std::uint32_t>(written) >= room) {
            overflow_ = true;
            length_ = capacity_ - 1;
        } else {
            length_ += static_cast<std::uint32_t>(written);
        }
    }

    std::uint32_t length() const { return length_; }
    bool overflowed() const { return overflow_; }

private:
    char* buffer_;
    std::uint32_t capacity_;
    std::uint32_t length_ = 0;
    bool overflow_ = false;
};

const char* flagText(std::int32_t flag) { return flag == 1 ? "true" : "false"; }

void formatSkeleton(TextBuffer& out, Skeleton skeleton, const DeviceSettings& s, const char* country,
                    const char* provider) {
    const char* type = skeleton == Skeleton::HxaVersion1   ? "HXA v1"
                       : skeleton == Skeleton::HxaVersion2 ? "HXA v2"
                                                           : "HXB v1";
    out.append("# Brelvan OV global configuration file\n");
    out.append("# Skeleton type: %s\n", type);
    out.append("# Edited by Windows Configuration Utility\n");
    out.append("\n");
    out.append("version = %d\n", skeleton == Skeleton::HxaVersion2 ? 2 : 1);
    if (skeleton == Skeleton::HxbVersion1) {
        out.append("device = \"hxb\"\n");
    }
    out.append("wifi_ssid = \"%s\"\n", s.wifi_ssid);
    out.append("wifi_pass = \"%s\"\n", s.wifi_pass);
    out.append("gsm_pin = \"%s\"\n", s.gsm_pin);
    out.append("gsm_country = \"%s\"\n", country);
    out.append("gsm_provider = \"%s\"\n", provider);
    out.append("gsm_has_apn = %s\n", flagText(s.gsm_has_apn));
    out.append("gsm_apn = \"%s\"\n", s.gsm_apn);
    out.append("gsm_user = \"%s\"\n", s.gsm_user);
    out.append("gsm_pass = \"%s\"\n", s.gsm_pass);
    out.append("gsm_dns1 = \"%s\"\n", s.gsm_dns1);
    out.append("gsm_dns2 = \"%s\"\n", s.gsm_dns2);
    out.append("gsm_gw = \"%s\"\n", s.gsm_gw);
    out.append("gsm_roaming = %s\n", flagText(s.gsm_roaming));
    if (skeleton == Skeleton::HxaVersion2) {
        out.append("radio_profile = %d\n", s.radio_profile);
    }
}

// Every text the file quotes.
bool valuesFitQuotes(const DeviceSettings& s, const char* country, const char* provider) {
    for (const char* value : {s.wifi_ssid, s.wifi_pass, s.gsm_pin, country, provider, s.gsm_apn, s.gsm_user,
                              s.gsm_pass, s.gsm_dns1, s.gsm_dns2, s.gsm_gw}) {
        if (!isConfigValueText(value)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isConfigValueText(const char* text) {
    for (const char* next = text; *next != '\0'; ++next) {
        if (!isConfigValueCharacter(static_cast<unsigned char>(*next))) {
            return false;
        }
    }
    return true;
}

bool configHasRadioProfile(const DeviceSettings& settings) {
    Skeleton skeleton;
    return chooseSkeleton(settings, skeleton) && skeleton == Skeleton::HxaVersion2;
}

ConfigRefusal formatConfigFile(const DeviceSettings& s, const char* country, const char* provider,
                               char (&output)[CONFIG_OUTPUT_CAPACITY], std::uint32_t& textLength) {
    std::memset(output, 0, sizeof output);
    textLength = 0;

    Skeleton skeleton;
    if (!chooseSkeleton(s, skeleton)) {
        return ConfigRefusal::NoSkeleton;
    }
    if (!valuesFitQuotes(s, country, provider)) {
        return ConfigRefusal::UnquotableValue;
    }
    if (configFileSize > sizeof output) {
        return ConfigRefusal::FileTooLong;
    }
    TextBuffer text(output, sizeof output);
    formatSkeleton(text, skeleton, s, country, provider);
    textLength = text.length();
    if (text.overflowed() || text.length() > configFileSize) {
        return ConfigRefusal::LongerThanFile;
    }
    return ConfigRefusal::None;
}

std::int32_t writeConfigFile(const DeviceSettings& s, const char* country, const char* provider) {
    static char output[CONFIG_OUTPUT_CAPACITY];
    std::uint32_t textLength = 0;
    if (formatConfigFile(s, country, provider, output, textLength) != ConfigRefusal::None) {
        return 0;
    }

    char path[DEVICE_PATH_CAPACITY];
    if (!formatDevicePath(path, CONFIG_FILE_PATH)) {
        return 0;
    }
    // A save that fails part-way must not leave half new, half old settings:
    // the bytes kept from the read go back (configFileSize is at most their
    // capacity here, and they are the whole file).
    static_assert(CONFIG_BYTES_CAPACITY >= CONFIG_OUTPUT_CAPACITY, "every savable file was kept whole");
    const OldFileStart old{configFileBytes, configFileSize, true};
    return rewriteDeviceFile(path, output, configFileSize, old) ? 1 : 0;
}

}  // namespace device
