// Decoding table names for display in the Windows lists.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "carriers/carrier_table.h"
#include "text/display_text.h"

namespace {

std::u16string decode(const char* bytes, std::size_t capacity = 128) {
    char16_t out[128];
    const std::size_t count = text::decodeDisplayText(bytes, out, capacity);
    EXPECT_LT(count, capacity);
    EXPECT_EQ(out[count], 0);
    return std::u16string(out, count);
}

TEST(CarrierDisplayText, DecodesUtf8AndShowsOtherBytesAsLatin1Letters) {
    struct Case {
        const char* bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"O2 - Pay-by-MB", u"O2 - Pay-by-MB"},
        {"", u""},
        {"M\xC3\xA1smovil", u"M\u00E1smovil"},
        {"S\xEDminn - internet", u"S\u00EDminn - internet"},  // a lone Latin-1 byte
        {"\xD0\x91\xD0\xB8", u"\u0411\u0438"},                 // Cyrillic
        {"\xD9\x87\xD9\x85", u"\u0647\u0645"},                 // Arabic script
        {"\xE4\xB8\xAD\xE8\x8F\xAF", u"\u4E2D\u83EF"},         // Chinese
        {"\xF0\x9F\x93\xBB", u"\U0001F4FB"},                   // four bytes: a surrogate pair
        {"ends \xC3", u"ends \u00C3"},                         // sequence cut by the end
        {"\xC3(", u"\u00C3("},                                 // lead without continuation
        {"\xE4\xB8", u"\u00E4\u00B8"},                         // three-byte lead, one follower
        {"\xC0\xAF", u"\u00C0\u00AF"},                         // overlong form
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"},               // encoded surrogate
        {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},     // beyond U+10FFFF
        {"\x80\xBF\xFF", u"\u0080\u00BF\u00FF"},               // stray bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode(c.bytes), c.expected) << c.bytes;
    }
}

TEST(CarrierDisplayText, StaysWithinTheOutputAndNeverSplitsAPair) {
    EXPECT_EQ(decode("abcdef", 4), u"abc");
    EXPECT_EQ(decode("ab\xF0\x9F\x93\xBB", 4), u"ab");  // the pair would need units 3 and 4
    EXPECT_EQ(decode("ab\xF0\x9F\x93\xBB", 5), u"ab\U0001F4FB");
    EXPECT_EQ(decode("abc", 1), u"");
    char16_t untouched = u'x';
    EXPECT_EQ(text::decodeDisplayText("abc", &untouched, 0), 0u);
    EXPECT_EQ(untouched, u'x');
}

TEST(CarrierDisplayText, EveryTableNameShowsWholeAndReadable) {
    for (const carriers::CountryEntry& country : carriers::CarrierTable) {
        for (const carriers::CarrierPreset& preset : country.presets) {
            if (preset.name[0] == '\0') break;
            const std::u16string shown = decode(preset.name);
            EXPECT_GE(shown.size(), std::strlen(preset.name) / 3) << preset.name;
            for (char16_t unit : shown) {
                EXPECT_TRUE(unit >= 0x20 && unit != 0x7F && !(unit >= 0x80 && unit < 0xA0)) << preset.name;
            }
        }
    }
}

}  // namespace
