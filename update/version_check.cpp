// The version check: parse both versions, compare them number by number.

#include "update/version_check.h"

#include "platform/support_log.h"

#include "update/http_client.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace update {

char currentVersionText[VERSION_TEXT_CAPACITY];
char latestVersionText[VERSION_TEXT_CAPACITY];

namespace {

constexpr std::uint32_t LARGEST_NUMBER = 4294967295u;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One piece as an unsigned decimal number the way the C library reads one:
// blanks, a sign, digits. An out-of-range number reads as the largest one,
// whatever its sign; "-" negates modulo 2^32. The 32 bits count as signed.
std::int32_t readNumber(std::string_view piece) {
    std::size_t at = 0;
    while (at < piece.size() && isBlank(piece[at])) {
        ++at;
    }
    bool negative = false;
    if (at < piece.size() && (piece[at] == '+' || piece[at] == '-')) {
        negative = piece[at] == '-';
        ++at;
    }
    std::uint64_t value = 0;
    bool tooLarge = false;
    for (; at < piece.size() && isDigit(piece[at]); ++at) {
        value = value * 10 + static_cast<std::uint64_t>(piece[at] - '0');
        if (value > LARGEST_NUMBER) {
            tooLarge = true;
            value = LARGEST_NUMBER;  // keep reading digits, the result stays clamped
        }
    }
    std::uint32_t number = static_cast<std::uint32_t>(value);
    if (negative && !tooLarge) {
        number = 0u - number;
    }
    return static_cast<std::int32_t>(number);
}

// Writes "%d.%d.%d" into text; a triple that needs more than 19 characters
// is cut and marked with "..." rather than written past the 20 bytes.
void formatVersion(const FirmwareVersion& version, char (&text)[VERSION_TEXT_CAPACITY]) {
    char full[64];
    const int length = std::snprintf(full, sizeof full, "%d.%d.%d", version.major, version.minor, version.patch);
    if (length >= 0 && static_cast<std::size_t>(length) < VERSION_TEXT_CAPACITY) {
        std::memcpy(text, full, static_cast<std::size_t>(length) + 1);
        return;
    }
    constexpr std::size_t KEPT = VERSION_TEXT_CAPACITY - 4;
    std::memcpy(text, full, KEPT);
    std::memcpy(text + KEPT, "...", 4);
}

}  // namespace

const char16_t* channelFolder(device::DeviceKind kind, UpdateChannel channel) {
    const bool beta = channel == UpdateChannel::Beta;
    if (kind == device::DeviceKind::Hxa) {
        return beta ? u"/firmware/beta/" : u"/firmware/latest/";
    }
    return beta ? u"/firmware-hxb/beta/" : u"/firmware-hxb/latest/";
}

FirmwareVersion parseVersionText(std::string_view text) {
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd != std::string_view::npos) {
        text = text.substr(0, lineEnd);
    }
    std::int32_t numbers[3] = {0, 0, 0};
    std::size_t pieceStart = 0;
    // The line is read as if a "." followed it, so its last piece counts too.
    for (int index = 0; index < 3 && pieceStart <= text.size(); ++index) {
        std::size_t dot = text.find('.', pieceStart);
        if (dot == std::string_view::npos) {
            dot = text.size();
        }
        numbers[index] = readNumber(text.substr(pieceStart, dot - pieceStart));
        pieceStart = dot + 1;
    }
    return FirmwareVersion{numbers[0], numbers[1], numbers[2]};
}

void resetVersionTexts() {
    currentVersionText[0] = '\0';
    latestVersionText[0] = '\0';
}

std::int32_t checkForUpdate(const char* deviceVersionText, const char16_t* folder) {
    char versionInfoText[VERSION_INFO_CAPACITY];
    const std::int32_t received = httpGet(folder, VERSION_INFO_FILE, VERSION_INFO_CAPACITY, versionInfoText, false);
    if (received <= 0) {
        return 0;
    }
    // Exactly the bytes received, up to a NUL among them; the buffer has no
    // terminator when the file filled it.
    std::string_view serverText(versionInfoText, static_cast<std::size_t>(received));
    serverText = serverText.substr(0, serverText.find('\0'));

    const FirmwareVersion device = parseVersionText(deviceVersionText != nullptr ? deviceVersionText : "");
    const FirmwareVersion server = parseVersionText(serverText);
    formatVersion(device, currentVersionText);
    formatVersion(server, latestVersionText);
    platform::supportLog("version check: the radio has %s, the server offers %s", currentVersionText,
                         latestVersionText);

    if (device.major != server.major) {
        return device.major < server.major ? 1 : 0;
    }
    if (device.minor != server.minor) {
        return device.minor < server.minor ? 1 : 0;
    }
    return device.patch < server.patch ? 1 : 0;
}

}  // namespace update
