#pragma once
// Small helpers shared by the update engine's tests.

#include <cstddef>
#include <string>

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

}  // namespace updatetest
