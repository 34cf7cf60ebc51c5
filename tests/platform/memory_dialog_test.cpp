// The in-memory dialog behaves like the real controls where tests rely on it.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "tests/support/memory_dialog.h"

namespace {

using testsupport::CheckState;
using testsupport::MemoryDialog;

TEST(CarrierMemoryDialog, ControlTextIsCutToTheCapacityAndAlwaysTerminated) {
    MemoryDialog dialog;
    platform::setControlText(dialog.handle(), 7, "internet");
    struct Case {
        std::uint32_t capacity;
        const char* expected;
    };
    const Case cases[] = {{32, "internet"}, {9, "internet"}, {8, "interne"}, {2, "i"}, {1, ""}};
    for (const Case& c : cases) {
        char buffer[40];
        std::memset(buffer, 'x', sizeof(buffer));
        platform::getControlText(dialog.handle(), 7, buffer, c.capacity);
        EXPECT_STREQ(buffer, c.expected) << c.capacity;
        EXPECT_EQ(buffer[c.capacity], 'x') << "wrote past the capacity " << c.capacity;
    }
    char untouched = 'x';
    platform::getControlText(dialog.handle(), 7, &untouched, 0);
    EXPECT_EQ(untouched, 'x');
    char empty[4] = "abc";
    platform::getControlText(dialog.handle(), 99, empty, sizeof(empty));  // never set
    EXPECT_STREQ(empty, "");
}

TEST(CarrierMemoryDialog, ListsKeepTheirOrderAndSelectionsStayInside) {
    MemoryDialog dialog;
    const char* const items[] = {"b", "a", "M\xE1s"};
    platform::listFill(dialog.handle(), 5, items);
    EXPECT_EQ(dialog.items(5), (std::vector<std::string>{"b", "a", "M\xE1s"}));
    EXPECT_EQ(platform::listSelection(dialog.handle(), 5), platform::NO_SELECTION);
    platform::listSelect(dialog.handle(), 5, 2);
    EXPECT_EQ(platform::listSelection(dialog.handle(), 5), 2);
    platform::listSelect(dialog.handle(), 5, 3);  // past the end clears, like CB_SETCURSEL
    EXPECT_EQ(platform::listSelection(dialog.handle(), 5), platform::NO_SELECTION);
    platform::listSelect(dialog.handle(), 5, 1);
    platform::listFill(dialog.handle(), 5, {});
    EXPECT_TRUE(dialog.items(5).empty());
    EXPECT_EQ(platform::listSelection(dialog.handle(), 5), platform::NO_SELECTION);

    platform::setChecked(dialog.handle(), 6, true);
    EXPECT_TRUE(platform::isChecked(dialog.handle(), 6));
    dialog.setCheckState(6, CheckState::Indeterminate);
    EXPECT_FALSE(platform::isChecked(dialog.handle(), 6));
}

}  // namespace
