// Proves every count, property and figure the carrier table promises, so that
// an edit of the generated data cannot break one silently.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "carriers/carrier_table.h"
#include "text/display_text.h"

namespace {

using carriers::CarrierPreset;
using carriers::CarrierTable;
using carriers::CountryEntry;
using carriers::COUNTRY_COUNT;
using carriers::COUNTRY_ROWS;
using carriers::PRESET_SLOTS;

struct CountryCount {
    const char* name;
    int presets;
};

const CountryCount EXPECTED_COUNTRIES[] = {
    {"Afghanistan", 1}, {"Albania", 1}, {"Algeria", 3}, {"Angola", 1}, {"Argentina", 4},
    {"Armenia", 5}, {"Australia", 17}, {"Austria", 11}, {"Azerbaijan", 2}, {"Bahamas", 1},
    {"Bahrain", 3}, {"Bangladesh", 4}, {"Barbados", 1}, {"Belarus", 10}, {"Belgium", 9},
    {"Bosnia & Herzegovina", 1}, {"Botswana", 1}, {"Brazil", 9}, {"Britain", 18}, {"Brunei", 2},
    {"Bulgaria", 4}, {"Burundi", 2}, {"Cambodia", 5}, {"Cameroon", 2}, {"Canada", 13},
    {"Chile", 7}, {"China", 3}, {"Colombia", 3}, {"Congo (Dem. Rep.)", 1}, {"Congo (Rep.)", 0},
    {"Costa Rica", 1}, {"Cote d'Ivoire", 1}, {"Croatia", 7}, {"Cyprus", 2},
    {"Czech Republic", 11}, {"Denmark", 14}, {"Dominican Republic", 1}, {"Ecuador", 1},
    {"Egypt", 3}, {"El Salvador", 4}, {"Estonia", 4}, {"Fiji", 1}, {"Finland", 7},
    {"France", 16}, {"French Polynesia", 1}, {"Georgia", 1}, {"Germany", 26}, {"Ghana", 4},
    {"Greece", 4}, {"Guatemala", 2}, {"Guernsey", 2}, {"Guyana", 2}, {"Honduras", 1},
    {"Hong Kong", 7}, {"Hungary", 8}, {"Iceland", 3}, {"India", 21}, {"Indonesia", 6},
    {"Iran", 2}, {"Iraq", 2}, {"Ireland", 8}, {"Isle of Man", 2}, {"Israel", 3}, {"Italy", 12},
    {"Jamaica", 2}, {"Japan", 4}, {"Jersey", 3}, {"Kazakhstan", 4}, {"Kenya", 4},
    {"Korea, Republic of", 0}, {"Kuwait", 4}, {"Laos", 1}, {"Latvia", 7}, {"Lebanon", 1},
    {"Lithuania", 4}, {"Luxembourg", 3}, {"Macau", 2}, {"Malaysia", 6}, {"Maldives", 2},
    {"Mali", 1}, {"Malta", 3}, {"Mauritius", 1}, {"Mexico", 2}, {"Moldova", 3}, {"Mongolia", 1},
    {"Montenegro", 6}, {"Morocco", 2}, {"Mozambique", 2}, {"Nepal", 2}, {"Netherlands", 9},
    {"New Zealand", 7}, {"Nicaragua", 5}, {"Nigeria", 5}, {"Norway", 11}, {"Oman", 2},
    {"Pakistan", 7}, {"Panama", 2}, {"Paraguay", 4}, {"Peru", 2}, {"Philippines", 4},
    {"Poland", 6}, {"Portugal", 7}, {"Qatar", 2}, {"Romania", 7}, {"Russia", 16}, {"Rwanda", 1},
    {"Saudi Arabia", 4}, {"Senegal", 1}, {"Serbia", 3}, {"Singapore", 9}, {"Slovakia", 3},
    {"Slovenia", 4}, {"South Africa", 5}, {"Spain", 12}, {"Sri Lanka", 7}, {"St Lucia", 1},
    {"St Vincent", 1}, {"Sudan", 1}, {"Sweden", 20}, {"Switzerland", 5}, {"Taiwan", 5},
    {"Tanzania, United Republic of", 3}, {"Thailand", 3}, {"Trinidad & Tobago", 2},
    {"Tunisia", 2}, {"Turkey", 5}, {"Uganda", 6}, {"Ukraine", 16}, {"United Arab Emirates", 3},
    {"United States", 10}, {"Uruguay", 6}, {"Uzbekistan", 1}, {"Venezuela", 3}, {"Viet Nam", 8},
};
static_assert(std::size(EXPECTED_COUNTRIES) == COUNTRY_COUNT);

// A field's text up to its NUL (the field must hold one; checked separately).
template <std::size_t N>
std::string_view text(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// True when the field holds a NUL and only zero bytes after it.
template <std::size_t N>
bool terminatedAndZeroFilled(const char (&field)[N]) {
    const std::size_t length = strnlen(field, N);
    if (length == N) {
        return false;
    }
    for (std::size_t i = length; i < N; ++i) {
        if (field[i] != '\0') {
            return false;
        }
    }
    return true;
}

bool allZero(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

bool isAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

// No double quote, line break or other control character (bytes 0-31, 127).
bool isPlain(std::string_view s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F || c == '"') return false;
    }
    return true;
}

bool isDottedIpv4(std::string_view s) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 4) {
            value = value * 10 + (s[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && s[i - digits] == '0')) {
            return false;
        }
        ++parts;
        if (i == s.size()) return parts == 4;
        if (s[i] != '.' || parts == 4) return false;
        ++i;
    }
}

// The name decoded for display, as code points (surrogate pairs joined).
std::u32string codePoints(std::string_view name) {
    std::string bytes(name);
    char16_t units[256];
    const std::size_t count = text::decodeDisplayText(bytes.c_str(), units, std::size(units));
    std::u32string result;
    for (std::size_t i = 0; i < count; ++i) {
        if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < count) {
            result.push_back(0x10000 + ((units[i] - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            result.push_back(units[i]);
        }
    }
    return result;
}

std::string encodeUtf8(const std::u32string& points) {
    std::string out;
    for (char32_t c : points) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Valid UTF-8 exactly when decoding and encoding again gives the same bytes:
// a byte that is not part of valid UTF-8 comes back as a two-byte sequence.
bool isValidUtf8(std::string_view name) {
    return encodeUtf8(codePoints(name)) == name;
}

int countPresets(const CountryEntry& country) {
    int count = 0;
    while (count < PRESET_SLOTS && country.presets[count].name[0] != '\0') ++count;
    return count;
}

std::vector<const CarrierPreset*> allPresets() {
    std::vector<const CarrierPreset*> presets;
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        for (int slot = 0; slot < countPresets(CarrierTable[row]); ++slot) {
            presets.push_back(&CarrierTable[row].presets[slot]);
        }
    }
    return presets;
}

TEST(CarrierTableData, CountriesInOrderWithTheirPresetCountsAndAZeroClosingRow) {
    int total = 0;
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        const CountryEntry& country = CarrierTable[row];
        SCOPED_TRACE(EXPECTED_COUNTRIES[row].name);
        EXPECT_EQ(text(country.name), EXPECTED_COUNTRIES[row].name);
        const int count = countPresets(country);
        EXPECT_EQ(count, EXPECTED_COUNTRIES[row].presets);
        EXPECT_LE(count, 26);
        // Every slot after the last preset is zero throughout.
        for (int slot = count; slot < PRESET_SLOTS; ++slot) {
            EXPECT_TRUE(allZero(&country.presets[slot], sizeof(CarrierPreset))) << "slot " << slot;
        }
        total += count;
    }
    EXPECT_EQ(total, 650);
    EXPECT_TRUE(allZero(&CarrierTable[COUNTRY_COUNT], sizeof(CountryEntry)));
}

TEST(CarrierTableData, NamesAreSortedUniqueAndSafeToWriteBetweenQuotes) {
    std::size_t longestCountry = 0;
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        const CountryEntry& country = CarrierTable[row];
        ASSERT_TRUE(terminatedAndZeroFilled(country.name));
        EXPECT_TRUE(isAscii(text(country.name)) && isPlain(text(country.name))) << country.name;
        if (row > 0) {
            // strcmp compares as unsigned bytes: ascending byte order.
            EXPECT_LT(std::strcmp(CarrierTable[row - 1].name, country.name), 0) << country.name;
        }
        longestCountry = std::max(longestCountry, text(country.name).size());

        for (int slot = 0; slot < countPresets(country); ++slot) {
            const CarrierPreset& preset = country.presets[slot];
            SCOPED_TRACE(std::string(country.name) + " / " + preset.name);
            for (auto plain : {terminatedAndZeroFilled(preset.name), terminatedAndZeroFilled(preset.apn),
                               terminatedAndZeroFilled(preset.user),
                               terminatedAndZeroFilled(preset.password),
                               terminatedAndZeroFilled(preset.dns1), terminatedAndZeroFilled(preset.dns2),
                               terminatedAndZeroFilled(preset.gateway)}) {
                EXPECT_TRUE(plain);
            }
            for (std::string_view value : {text(preset.name), text(preset.apn), text(preset.user),
                                           text(preset.password), text(preset.dns1), text(preset.dns2),
                                           text(preset.gateway)}) {
                EXPECT_TRUE(isPlain(value)) << value;
            }
            EXPECT_NE(text(preset.name).find(" - "), std::string_view::npos);
            if (slot > 0) {
                EXPECT_LT(std::strcmp(country.presets[slot - 1].name, preset.name), 0)
                    << "sorted and unique after " << country.presets[slot - 1].name;
            }
        }
    }
    EXPECT_EQ(longestCountry, 28u);
}

TEST(CarrierTableData, FieldFiguresMatchTheCatalogue) {
    int apn = 0, user = 0, password = 0, passwordWithoutUser = 0, dns1 = 0, dns2 = 0, gateway = 0;
    for (const CarrierPreset* preset : allPresets()) {
        SCOPED_TRACE(preset->name);
        EXPECT_EQ(preset->hasApn, 1);
        const std::string_view values[] = {text(preset->apn), text(preset->user), text(preset->password),
                                           text(preset->dns1), text(preset->dns2)};
        for (std::string_view value : values) {
            EXPECT_TRUE(isAscii(value)) << value;
        }
        if (!text(preset->apn).empty()) ++apn;
        EXPECT_LE(text(preset->apn).size(), 29u);
        if (!text(preset->user).empty()) ++user;
        EXPECT_LE(text(preset->user).size(), 24u);
        if (!text(preset->password).empty()) {
            ++password;
            EXPECT_LE(text(preset->password).size(), 12u);
            if (text(preset->user).empty()) ++passwordWithoutUser;
        }
        if (!text(preset->dns1).empty()) {
            ++dns1;
            EXPECT_TRUE(isDottedIpv4(text(preset->dns1))) << preset->dns1;
        }
        if (!text(preset->dns2).empty()) {
            ++dns2;
            EXPECT_TRUE(isDottedIpv4(text(preset->dns2))) << preset->dns2;
            EXPECT_FALSE(text(preset->dns1).empty()) << "dns2 without dns1";
        }
        if (!text(preset->gateway).empty()) ++gateway;
    }
    EXPECT_EQ(apn, 650);
    EXPECT_EQ(user, 255);
    EXPECT_EQ(password, 243);
    EXPECT_EQ(passwordWithoutUser, 7);
    EXPECT_EQ(dns1, 210);
    EXPECT_EQ(dns2, 183);
    EXPECT_EQ(gateway, 0);
}

TEST(CarrierTableData, NameFiguresMatchTheCatalogue) {
    int utf8Names = 0, latin1Names = 0, blankOperator = 0;
    bool cyrillic = false, arabic = false, chinese = false, accentedLatin = false;
    std::vector<std::string_view> cutNames;
    std::size_t longestOther = 0;
    for (const CarrierPreset* preset : allPresets()) {
        const std::string_view name = text(preset->name);
        if (!isAscii(name)) {
            if (isValidUtf8(name)) {
                ++utf8Names;
                for (char32_t c : codePoints(name)) {
                    cyrillic |= c >= 0x0400 && c <= 0x04FF;
                    arabic |= c >= 0x0600 && c <= 0x06FF;
                    chinese |= c >= 0x4E00 && c <= 0x9FFF;
                    accentedLatin |= c >= 0x00C0 && c <= 0x017F;
                }
            } else {
                ++latin1Names;
                int highBytes = 0;
                for (unsigned char c : name) highBytes += c >= 0x80;
                EXPECT_EQ(highBytes, 1) << name;
            }
        }
        if (name.starts_with(" - ")) ++blankOperator;
        if (name.size() == 99) {
            cutNames.push_back(name);
        } else {
            longestOther = std::max(longestOther, name.size());
        }
    }
    EXPECT_EQ(utf8Names, 17);
    EXPECT_TRUE(cyrillic && arabic && chinese && accentedLatin);
    EXPECT_EQ(latin1Names, 1);
    EXPECT_EQ(blankOperator, 5);
    ASSERT_EQ(cutNames.size(), 2u);
    EXPECT_LT(longestOther, 99u);
    const std::string_view quoted =
        "BSNL/CellOne - East Zone Postpaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, "
        "North Eas";
    EXPECT_TRUE(cutNames[0] == quoted || cutNames[1] == quoted);
}

// Markers for the sample rows: any non-empty text, any dotted IPv4 address.
const char* const FILLED = "(filled)";
const char* const IPV4 = "(IPv4)";

TEST(CarrierTableData, SampleRowsAreExact) {
    struct Row {
        const char* country;
        int slot;
        const char* name;
        const char* apn;
        const char* user;
        const char* password;
        const char* dns1;
        const char* dns2;
    };
    const Row rows[] = {
        {"Germany", 9, "O2 - Pay-by-MB", "internet", "", "", IPV4, IPV4},
        {"Germany", 15, "Tchibo-Mobil - Tagesflat / Monats-Flatrate L / Monats-Flatrate XL", "webmobil1",
         "", "", "", ""},
        {"Austria", 7, "T-Mobile - Internet", "gprsinternet", "t-mobile", FILLED, "", ""},
        {"Lithuania", 0, "Bite - banga", "banga", "bite", "", IPV4, IPV4},
        {"India", 10, "Idea Cellular - internet", "internet", "", "", IPV4, ""},
        {"Spain", 2, "M\xC3\xA1smovil - internetmas", "internetmas", "", "", "", ""},
    };
    auto expectField = [](std::string_view actual, const char* expected) {
        if (expected == FILLED) {
            EXPECT_FALSE(actual.empty());
        } else if (expected == IPV4) {
            EXPECT_TRUE(isDottedIpv4(actual)) << actual;
        } else {
            EXPECT_EQ(actual, expected);
        }
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.country) + " slot " + std::to_string(row.slot));
        int countryIndex = -1;
        for (int i = 0; i < COUNTRY_COUNT; ++i) {
            if (text(CarrierTable[i].name) == row.country) countryIndex = i;
        }
        ASSERT_NE(countryIndex, -1);
        const CarrierPreset& preset = CarrierTable[countryIndex].presets[row.slot];
        EXPECT_EQ(text(preset.name), row.name);
        EXPECT_EQ(preset.hasApn, 1);
        expectField(text(preset.apn), row.apn);
        expectField(text(preset.user), row.user);
        expectField(text(preset.password), row.password);
        expectField(text(preset.dns1), row.dns1);
        expectField(text(preset.dns2), row.dns2);
        EXPECT_EQ(text(preset.gateway), "");
    }
}

}  // namespace
