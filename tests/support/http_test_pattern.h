#pragma once
// Deterministic test content: the byte at each offset of a "pattern" body is a
// function of the offset and a seed alone, so a server can produce any part
// of a large image without holding it, and a test can rebuild the same bytes.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace testsupport {

inline std::uint64_t patternWord(std::uint64_t index, std::uint64_t seed) {
    // splitmix64 of the word index
    std::uint64_t z = index * 0x9E3779B97F4A7C15ull + seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Fills out with the count bytes of the pattern that start at offset.
inline void fillPattern(std::uint64_t seed, std::uint64_t offset, unsigned char* out, std::size_t count) {
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Whole words at once: a server sends hundreds of megabytes of this.
        while (i < count && (offset + i) % 8 != 0) {
            out[i] = static_cast<unsigned char>(patternWord((offset + i) / 8, seed) >> (8 * ((offset + i) % 8)));
            ++i;
        }
        for (; i + 8 <= count; i += 8) {
            const std::uint64_t word = patternWord((offset + i) / 8, seed);
            std::memcpy(out + i, &word, 8);
        }
    }
    while (i < count) {
        const std::uint64_t position = offset + i;
        std::uint64_t word = patternWord(position / 8, seed);
        for (unsigned shift = static_cast<unsigned>(position % 8); shift < 8 && i < count; ++shift, ++i) {
            out[i] = static_cast<unsigned char>(word >> (8 * shift));
        }
    }
}

inline std::string patternBytes(std::uint64_t seed, std::size_t length) {
    std::string bytes(length, '\0');
    fillPattern(seed, 0, reinterpret_cast<unsigned char*>(bytes.data()), length);
    return bytes;
}

}  // namespace testsupport
