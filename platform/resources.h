#pragma once
// String resources of the program.

#include <cstdint>

namespace platform {

// Copies string resource `id` into buffer, cut to capacity - 1 characters and
// NUL-terminated; an unknown id gives an empty text.
void loadString(int id, char* buffer, std::uint32_t capacity);

}  // namespace platform
