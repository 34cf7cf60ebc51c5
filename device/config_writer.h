#pragma once
// Rewriting the device's configuration file from a settings record.

#include <cstdint>

#include "device/device_settings.h"

namespace device {

// The writer formats into this buffer; a file longer than it cannot be saved.
constexpr std::uint32_t CONFIG_OUTPUT_CAPACITY = 1024;

// Whether a byte may stand inside one of the file's quoted values: a double
// quote would end the value early and a control character (a line end among
// them) would break the line, so the device would read other settings than
// the ones written.
constexpr bool isConfigValueCharacter(unsigned char c) {
    return c >= 0x20 && c != 0x7F && c != '"';
}

// Whether every byte of the NUL-terminated text may stand in a quoted value.
bool isConfigValueText(const char* text);

// Whether the file of the settings' family and version carries radio_profile.
bool configHasRadioProfile(const DeviceSettings& settings);

// Why the writer would not write a file; None when it would.
enum class ConfigRefusal {
    None,
    NoSkeleton,       // the family and version have no skeleton
    UnquotableValue,  // a value holds a double quote or a control character
    LongerThanFile,   // the new text is longer than the file (a cut text would lose settings)
    FileTooLong,      // the file is longer than the output buffer
};

// Formats the file that writeConfigFile would write into output: the text,
// NUL-terminated, the rest of the buffer zero; textLength is the text's
// length. Says why the writer would refuse it, or None. Touches no file.
ConfigRefusal formatConfigFile(const DeviceSettings& settings, const char* country, const char* provider,
                               char (&output)[CONFIG_OUTPUT_CAPACITY], std::uint32_t& textLength);

// Rewrites the configuration file in place in the skeleton of the settings'
// family and version, with country and provider as the two names, keeping the
// file's length (the text, then NUL bytes). Returns 1 when the file was
// rewritten and the bytes have reached the device (flushed and closed without
// error), else 0. A write, flush or close that fails puts the file's old
// bytes, kept by readDeviceFiles, back in place.
//
// Nothing is written when the family and version have no skeleton, when a
// value holds a character a quoted value cannot carry, when the new text is
// longer than the file (a cut text would lose the settings after the cut) or
// when the file is longer than the output buffer.
std::int32_t writeConfigFile(const DeviceSettings& settings, const char* country, const char* provider);

}  // namespace device
