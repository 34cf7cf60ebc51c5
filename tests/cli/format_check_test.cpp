// The check that holds a message's arguments to the printf conversions of
// its English text (program/cli/format_check.h), which stands between a
// translated format and the arguments the code passes.

#include "program/cli/format_check.h"

#include <gtest/gtest.h>

namespace {

static_assert(cli::argumentKind<int>() == 'i' && cli::argumentKind<const int>() == 'i');
static_assert(cli::argumentKind<unsigned>() == 'u');
static_assert(cli::argumentKind<const char*>() == 's' && cli::argumentKind<char*>() == 's');
// printf would read these wrongly or not at all where %d, %u or %s stands.
static_assert(cli::argumentKind<long>() == '?' && cli::argumentKind<unsigned char>() == '?' &&
              cli::argumentKind<const unsigned char*>() == '?' && cli::argumentKind<double>() == '?');

struct FormatCase {
    const char* format;
    const char* kinds;
    bool takes;
};

const FormatCase CASES[] = {
    {"no conversion", "", true},
    {"100%% sure", "", true},
    {"%s: too long: at most %u bytes, not %u", "suu", true},
    {"%.*s: no such option", "is", true},
    {"holds a control character (0x%02X)", "u", true},
    {"waiting up to %d s", "i", true},
    {"%-12s|%5d|%*d", "siii", true},  // a * width takes an int of its own
    {"%s", "", false},                // an argument missing
    {"%s", "ss", false},              // one too many
    {"%d", "s", false},               // a string where a number goes
    {"%u", "i", false},               // the sign differs
    {"%.*s", "s", false},             // the precision's int missing
    {"%s then %d", "is", false},      // the order differs
    {"%ld", "i", false},              // a length modifier the check does not read
    {"%f", "i", false},               // a conversion no message uses
    {"ends in %", "", false},
};

TEST(MessageArguments, ConversionsTakeTheirArgumentsInOrder) {
    for (const FormatCase& c : CASES) {
        EXPECT_EQ(cli::formatTakes(c.format, c.kinds), c.takes) << c.format << " with " << c.kinds;
    }
}

}  // namespace
