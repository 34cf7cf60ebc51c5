// The dialog's text buffers against the string table: every buffer gets a
// text (an id the table does not hold would leave one empty) and every text
// of the table reaches a buffer (a string added to the table but never loaded
// would not). On Windows the texts come from this program's resources, made
// from the same table.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/ui_strings.h"
#include "res/string_table.h"

namespace {

TEST(UiStrings, EveryBufferHoldsATextAndEveryTextIsLoaded) {
    app::loadUiStrings();
    constexpr std::size_t BUFFER_COUNT = sizeof(app::UiStrings) / app::UI_STRING_CAPACITY;
    const auto* buffers = reinterpret_cast<const char(*)[app::UI_STRING_CAPACITY]>(&app::uiStrings);
    std::set<std::string> loaded;
    for (std::size_t i = 0; i < BUFFER_COUNT; ++i) {
        EXPECT_NE(buffers[i][0], '\0') << "buffer " << i << " of app::UiStrings is empty";
        loaded.insert(buffers[i]);
    }
    std::set<std::string> table;
    for (const res::StringResource& entry : res::STRING_TABLE) {
        table.insert(entry.text);
    }
    EXPECT_EQ(loaded, table);
    EXPECT_STREQ(app::uiStrings.visitMakerNotice, app::uiStrings.visitMakerUpdate);
}

}  // namespace
