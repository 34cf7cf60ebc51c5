// The simulated radio's judgement of an installed update: the first
// <length> bytes of the slot against the record's digest.

#include <string>

#include <gtest/gtest.h>

#include "simulator/radio_sim/update_check.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string IMAGE = "BVN1 Brelvan Ondavox firmware 9.9.9 for HXA\n" + std::string(3000, '\x5a') + "end";
// md5 of IMAGE
const std::string DIGEST = "5c3eef10bd570cd04f8b57b94665ce43";

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

struct Case {
    const char* name;
    std::string slot;
    std::string record;
    bool accepted;
    const char* detail;  // a part of the verdict's text
};

TEST(UpdateCheck, JudgesTheSlotAgainstTheRecord) {
    const std::string length = std::to_string(IMAGE.size());
    const std::string wellFormed = DIGEST + "  Ondavox_update.bvn\n\n" + length;
    const Case cases[] = {
        {"as installed", IMAGE, wellFormed, true, "3047 bytes, md5 " },
        {"digest only", IMAGE, DIGEST + "\n" + length, true, "9.9.9 for HXA"},
        {"upper-case digest", IMAGE, upper(DIGEST) + "\n" + length, true, "md5"},
        {"older, longer image left behind", IMAGE + std::string(500, '\x01'), wellFormed, true, "3047 bytes"},
        {"record followed by NULs", IMAGE, wellFormed + std::string(40, '\0'), true, "3047 bytes"},
        {"another image's digest", IMAGE, "0123456789abcdef0123456789abcdef\n" + length, false, "checksum mismatch"},
        {"image cut short", IMAGE.substr(0, 2000), wellFormed, false, "slot holds 2000"},
        {"older, longer record left behind", IMAGE, wellFormed + "99", false, "the slot holds"},
        {"no length line", IMAGE, DIGEST, false, "no length line"},
        {"length not a number", IMAGE, DIGEST + "\n30x7", false, "not a number"},
        {"empty image announced", IMAGE, DIGEST + "\n0", false, "empty image"},
        {"empty record", IMAGE, "", false, "no length line"},
        {"word before the digest", IMAGE, "MD5 " + DIGEST + "\n" + length, false, "does not begin with an MD5"},
        {"too many hex digits", IMAGE, DIGEST + "ab\n" + length, false, "does not begin with an MD5"},
        {"31 hex digits", IMAGE, DIGEST.substr(0, 31) + " \n" + length, false, "does not begin with an MD5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempFolder radio;
        radio.writeFile("doc/update.bin", c.slot);
        radio.writeFile("doc/update.md5", c.record);
        const simulator::UpdateVerdict verdict =
            simulator::checkInstalledUpdate(radio.nativePath("doc/update.bin"), radio.nativePath("doc/update.md5"));
        EXPECT_EQ(verdict.accepted, c.accepted) << verdict.detail;
        EXPECT_NE(verdict.detail.find(c.detail), std::string::npos) << verdict.detail;
    }
}

TEST(UpdateCheck, RefusesWhenAFileIsMissing) {
    testsupport::TempFolder radio;
    radio.writeFile("doc/update.bin", IMAGE);
    EXPECT_FALSE(simulator::checkInstalledUpdate(radio.nativePath("doc/update.bin"), radio.nativePath("doc/update.md5"))
                     .accepted);
    EXPECT_FALSE(simulator::checkInstalledUpdate(radio.nativePath("doc/none.bin"), radio.nativePath("doc/update.bin"))
                     .accepted);
}

}  // namespace
