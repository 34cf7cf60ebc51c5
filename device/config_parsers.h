#pragma once
// Parsers for one setting line of the configuration file. Each does nothing
// unless the line begins with its key (exact, case-sensitive prefix).

#include <cstdint>

namespace device {

// key = "value": copies the text between the first double quote after the key
// and the next one (or the line's end) into field, cut to capacity - 1.
// Without an opening quote, or with nothing after it, the field is unchanged.
void parseQuotedValue(const char* key, const char* line, char* field, std::uint32_t capacity);

// key = true / false: the first "t" or "f" after the key decides; any other
// word leaves the field unchanged.
void parseBoolValue(const char* key, const char* line, std::int32_t& field);

// key = 123: the first run of decimal digits after the key, read unsigned
// (a sign is not seen) and saturated at 4294967295; no digits give 0.
void parseIntValue(const char* key, const char* line, std::int32_t& field);

}  // namespace device
