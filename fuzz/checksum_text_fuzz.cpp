// The checksum text check of verification. The input is a digest (its first
// 16 bytes) and the received text (the rest, at most the 512 bytes a checksum
// download keeps). The check reads nothing beyond the text and agrees with a
// plain statement of the rule: the text up to its first NUL begins with the
// digest's 32 hex digits in either case, and no further pair of hex digits
// follows them.

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_drive.h"
#include "update/image_update.h"
#include "update/md5.h"

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool ruleSaysMatch(const update::Md5Digest& digest, std::string text) {
    text = text.substr(0, text.find('\0'));
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string expected;
    for (const std::uint8_t byte : digest) {
        expected += DIGITS[byte >> 4];
        expected += DIGITS[byte & 15];
    }
    if (text.size() < expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != expected[i]) {
            return false;
        }
    }
    return !(text.size() >= 34 && isHex(text[32]) && isHex(text[33]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    update::Md5Digest digest{};
    if (size < digest.size()) {
        return 0;
    }
    std::memcpy(digest.data(), data, digest.size());
    std::size_t length = size - digest.size();
    if (length > update::MD5_TEXT_CAPACITY) {
        length = update::MD5_TEXT_CAPACITY;
    }
    // A buffer of exactly the text's size, so a read past it is caught.
    const std::vector<char> received(data + digest.size(), data + digest.size() + length);
    const bool matches = update::checksumTextMatches(digest, received.data(), static_cast<std::uint32_t>(length));
    FUZZ_CHECK(matches == ruleSaysMatch(digest, std::string(received.begin(), received.end())));
    return 0;
}
