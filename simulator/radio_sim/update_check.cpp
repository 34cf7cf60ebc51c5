#include "simulator/radio_sim/update_check.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace simulator {

namespace {

bool readWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The radio computes the digest with its own code, independent of the
// product's, so a wrong digest in the product cannot agree with itself here.
std::string md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

UpdateVerdict refuse(std::string why) { return UpdateVerdict{false, std::move(why)}; }

}  // namespace

UpdateVerdict checkInstalledUpdate(const std::string& imagePath, const std::string& recordPath) {
    std::string record;
    if (!readWhole(recordPath, record)) {
        return refuse("the checksum record cannot be read");
    }
    std::string slot;
    if (!readWhole(imagePath, slot)) {
        return refuse("the update slot cannot be read");
    }

    // The record's text ends at the first NUL; the length is the run of
    // digits after its last LF.
    record = record.substr(0, record.find('\0'));
    const std::size_t lastLineFeed = record.rfind('\n');
    if (record.empty() || lastLineFeed == std::string::npos) {
        return refuse("the checksum record has no length line");
    }
    const std::string lengthText = record.substr(lastLineFeed + 1);
    if (lengthText.empty() || lengthText.size() > 12) {
        return refuse("the checksum record's length line is not a number");
    }
    std::uint64_t length = 0;
    for (const char c : lengthText) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return refuse("the checksum record's length line is not a number: \"" + lengthText + "\"");
        }
        length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (length == 0) {
        return refuse("the checksum record announces an empty image");
    }
    if (length > slot.size()) {
        return refuse("the record announces " + std::to_string(length) + " bytes, the slot holds " +
                      std::to_string(slot.size()));
    }

    const std::string checksum = record.substr(0, lastLineFeed);
    std::string expected;
    for (std::size_t i = 0; i < 32 && i < checksum.size() && std::isxdigit(static_cast<unsigned char>(checksum[i]));
         ++i) {
        expected += static_cast<char>(std::tolower(static_cast<unsigned char>(checksum[i])));
    }
    if (expected.size() != 32 ||
        (checksum.size() > 32 && std::isxdigit(static_cast<unsigned char>(checksum[32])))) {
        return refuse("the checksum record does not begin with an MD5 digest");
    }

    const std::string image = slot.substr(0, static_cast<std::size_t>(length));
    const std::string actual = md5Hex(image);
    if (actual != expected) {
        return refuse("checksum mismatch: record " + expected + ", image " + actual);
    }
    std::string detail = std::to_string(length) + " bytes, md5 " + actual;
    // The sample images name their firmware on their first line.
    if (image.rfind("BVN1 ", 0) == 0) {
        const std::size_t end = image.find('\n');
        if (end != std::string::npos && end < 100) {
            detail += ", \"" + image.substr(5, end - 5) + "\"";
        }
    }
    return UpdateVerdict{true, detail};
}

}  // namespace simulator
