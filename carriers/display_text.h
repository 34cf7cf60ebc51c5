#pragma once
// Turns a table name's bytes into UTF-16 text for display. The table stores
// names as raw bytes: mostly UTF-8, with the odd byte that is not valid UTF-8.
// Valid UTF-8 sequences are decoded; any other byte is shown as the Latin-1
// letter of the same value, so every name shows readably and nothing is lost.
// Only display uses this: comparisons and the configuration file keep the bytes.

#include <cstddef>

namespace carriers {

// Decodes the NUL-terminated bytes into out, which receives at most
// capacity - 1 code units and a terminating 0 (nothing when capacity is 0).
// A character that does not fit whole (a surrogate pair needs two units) is
// left out together with everything after it. Returns the units written,
// without the terminator.
std::size_t decodeDisplayText(const char* bytes, char16_t* out, std::size_t capacity);

}  // namespace carriers
