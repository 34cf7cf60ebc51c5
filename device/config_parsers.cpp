#include "device/config_parsers.h"

#include <cstring>

namespace device {

namespace {

// The text just after key when line begins with it, else nullptr.
const char* afterKey(const char* key, const char* line) {
    const std::size_t keyLength = std::strlen(key);
    return std::strncmp(line, key, keyLength) == 0 ? line + keyLength : nullptr;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Unsigned decimal reading that stops at the first non-digit. It saturates
// instead of wrapping, so the result is the same on every platform.
std::uint32_t readUnsignedDecimal(const char* text) {
    std::uint64_t value = 0;
    for (; isDigit(*text); ++text) {
        value = value * 10 + static_cast<std::uint64_t>(*text - '0');
        if (value > UINT32_MAX) {
            return UINT32_MAX;
        }
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

void parseQuotedValue(const char* key, const char* line, char* field, std::uint32_t capacity) {
    const char* cursor = afterKey(key, line);
    if (cursor == nullptr || capacity == 0) {
        return;
    }
    cursor = std::strchr(cursor, '"');
    if (cursor == nullptr || cursor[1] == '\0') {
        return;
    }
    const char* valueStart = cursor + 1;
    const char* valueEnd = std::strchr(valueStart, '"');
    std::size_t length = valueEnd != nullptr ? static_cast<std::size_t>(valueEnd - valueStart) : std::strlen(valueStart);
    if (length > capacity - 1) {
        length = capacity - 1;
    }
    std::memcpy(field, valueStart, length);
    field[length] = '\0';
}

void parseBoolValue(const char* key, const char* line, std::int32_t& field) {
    const char* cursor = afterKey(key, line);
    if (cursor == nullptr) {
        return;
    }
    cursor += std::strcspn(cursor, "tf");
    if (std::strncmp(cursor, "true", 4) == 0) {
        field = 1;
    } else if (std::strncmp(cursor, "false", 5) == 0) {
        field = 0;
    }
}

void parseIntValue(const char* key, const char* line, std::int32_t& field) {
    const char* cursor = afterKey(key, line);
    if (cursor == nullptr) {
        return;
    }
    cursor += std::strcspn(cursor, "0123456789");
    field = static_cast<std::int32_t>(readUnsignedDecimal(cursor));
}

}  // namespace device
