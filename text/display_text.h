#pragma once
// Turns 8-bit text into UTF-16 for display. The program's texts (carrier
// names, the device's values) are raw bytes: mostly UTF-8, with the odd byte
// that is not valid UTF-8. Valid UTF-8 sequences are decoded; any other byte
// is shown as the Latin-1 letter of the same value, so every text shows
// readably and nothing is lost. Only display uses this: comparisons and the
// configuration file keep the bytes. Header-only and free of every other
// module, so each dialog implementation can use it.

#include <cstddef>

namespace text {

namespace display_text_detail {

inline bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length and code point of the valid UTF-8 sequence at text, or 0 when the
// bytes there do not start one (overlong forms, surrogates and values beyond
// U+10FFFF are not valid).
inline int utf8Sequence(const unsigned char* text, char32_t& codePoint) {
    const unsigned char lead = text[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    // The second byte carries the range limits; a NUL fails every test here,
    // so the walk never passes the terminator.
    if (text[1] < low || text[1] > high) {
        return 0;
    }
    codePoint = (codePoint << 6) | (text[1] & 0x3F);
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(text[i])) {
            return 0;
        }
        codePoint = (codePoint << 6) | (text[i] & 0x3F);
    }
    return length;
}

}  // namespace display_text_detail

// Decodes the NUL-terminated bytes into out, which receives at most
// capacity - 1 code units and a terminating 0 (nothing when capacity is 0).
// A character that does not fit whole (a surrogate pair needs two units) is
// left out together with everything after it. Returns the units written,
// without the terminator.
inline std::size_t decodeDisplayText(const char* bytes, char16_t* out, std::size_t capacity) {
    using namespace display_text_detail;
    if (capacity == 0) {
        return 0;
    }
    const auto* text = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t written = 0;
    while (*text != 0) {
        char32_t codePoint = *text;
        int length = 1;
        if (*text >= 0x80) {
            const int sequence = utf8Sequence(text, codePoint);
            if (sequence == 0) {
                codePoint = *text;  // shown as its Latin-1 letter
            } else {
                length = sequence;
            }
        }
        const std::size_t units = codePoint > 0xFFFF ? 2 : 1;
        if (written + units > capacity - 1) {
            break;
        }
        if (units == 2) {
            const char32_t offset = codePoint - 0x10000;
            out[written++] = static_cast<char16_t>(0xD800 + (offset >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(codePoint);
        }
        text += length;
    }
    out[written] = 0;
    return written;
}

}  // namespace text
