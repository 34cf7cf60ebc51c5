#pragma once
// Whether the update server offers newer firmware than the device runs, and
// the two versions as display texts.

#include "device/device_settings.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace update {

struct FirmwareVersion {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t patch = 0;
};

enum class UpdateChannel { Latest, Beta };

constexpr std::size_t VERSION_TEXT_CAPACITY = 20;
constexpr std::uint32_t VERSION_INFO_CAPACITY = 100;
constexpr char16_t VERSION_INFO_FILE[] = u"version.info";

// "%d.%d.%d" of the device's and of the server's version after the latest
// check whose fetch succeeded; empty before. A triple too long for 19
// characters is shown cut, ending in "...".
// Written by the check of the startup or of the beta check, and read by the
// offer that check opens; the tasks hold one check and its offer together.
extern char currentVersionText[VERSION_TEXT_CAPACITY];
extern char latestVersionText[VERSION_TEXT_CAPACITY];

// Empties both texts (program start; for tests).
void resetVersionTexts();

// The server folder that holds the version file, image and checksum of a
// channel for a device family (wide text, starting and ending with "/").
const char16_t* channelFolder(device::DeviceKind kind, UpdateChannel channel);

// Reads major, minor and patch from the text's first line: pieces separated
// by ".", each an optional sign and decimal digits after leading white space;
// anything after the digits is ignored, missing numbers are 0.
FirmwareVersion parseVersionText(std::string_view text);

// Fetches the folder's version file and returns 1 when its version is newer
// than deviceVersionText, else 0 (also when the fetch fails or is empty; the
// texts then keep their content).
std::int32_t checkForUpdate(const char* deviceVersionText, const char16_t* folder);

}  // namespace update
