#pragma once
// Small helpers shared by the update engine's tests.

#include <cstddef>
#include <string>

#include "update/md5.h"

namespace updatetest {

template <typename Bytes>
std::string hexOf(const Bytes& bytes) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (auto byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += DIGITS[value >> 4];
        text += DIGITS[value & 15];
    }
    return text;
}

// The digest of bytes by the process-wide MD5 state, as lower-case hex.
inline std::string md5HexOf(const std::string& bytes) {
    update::md5Reset();
    update::md5Update(bytes.size(), bytes.data());
    update::Md5Digest digest{};
    update::md5Final(digest);
    return hexOf(digest);
}

}  // namespace updatetest
