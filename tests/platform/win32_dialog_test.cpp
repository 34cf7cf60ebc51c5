// The Windows dialog services against real controls: a hidden window holding
// a drop-down list, edit fields, a label, a button, a three-state check box
// and a progress bar, created as the program's Unicode dialogs create them.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "carriers/carrier_table.h"
#include "platform/dialog.h"
#include "res/control_ids.h"

namespace {

using carriers::CarrierTable;

class CarrierWin32Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        // Controls need a display driver: the test command gives Wine its
        // null driver. Where no window can be made, these tests are skipped.
        window = CreateWindowExW(0, L"STATIC", L"carrier dialog test", WS_OVERLAPPED, 0, 0, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&commonControls);
        // Created with the wide calls, as DialogBoxParamW creates the
        // program's dialogs.
        const bool made = window != nullptr &&
                          child(L"msctls_progress32", WS_CHILD, IDC_PROGRESS_BAR) &&
                          child(L"COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, IDC_PROVIDER_LIST) &&
                          child(L"EDIT", WS_CHILD | ES_AUTOHSCROLL, IDC_APN) &&
                          child(L"EDIT", WS_CHILD | ES_AUTOHSCROLL, IDC_GSM_USER) &&
                          child(L"STATIC", WS_CHILD | SS_CENTER, IDC_INFO_AREA) &&
                          child(L"BUTTON", WS_CHILD | BS_PUSHBUTTON, IDC_TASK_BUTTON) &&
                          child(L"BUTTON", WS_CHILD | BS_AUTO3STATE, IDC_ROAMING_CHECK);
        if (!made) {
            GTEST_SKIP() << "no window could be created here (no display)";
        }
    }

    void TearDown() override {
        if (window != nullptr) DestroyWindow(window);
    }

    bool child(const wchar_t* windowClass, DWORD style, int id) {
        return CreateWindowExW(0, windowClass, L"", style, 0, 0, 200, 100, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr) != nullptr;
    }

    platform::DialogHandle dialog() const { return reinterpret_cast<platform::DialogHandle>(window); }

    std::wstring item(int index) const {
        wchar_t text[256] = {};
        const LRESULT length = SendDlgItemMessageW(window, IDC_PROVIDER_LIST, CB_GETLBTEXTLEN, index, 0);
        EXPECT_LT(length, 256);
        SendDlgItemMessageW(window, IDC_PROVIDER_LIST, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }

    static int countryIndex(const char* name) {
        const int index = carriers::findCountryIndex(name);
        EXPECT_NE(index, carriers::NONE) << name;
        return index;
    }

    HWND window = nullptr;
};

TEST_F(CarrierWin32Dialog, ProviderListShowsNonAsciiNamesReadablyAtTheirTableSlots) {
    struct Case {
        const char* country;
        const char* stored;    // the name's bytes in the table
        const wchar_t* shown;  // what the user reads in the list
    };
    const Case cases[] = {
        {"Spain", "M\xC3\xA1smovil - internetmas", L"M\u00E1smovil - internetmas"},
        {"Iceland", "S\xEDminn - internet", L"S\u00EDminn - internet"},  // a lone Latin-1 byte
        {"Russia", "\xD0\x9C\xD0\xB5\xD0\xB3\xD0\xB0\xD1\x84\xD0\xBE\xD0\xBD - "
                   "\xD0\xA0\xD0\xBE\xD1\x81\xD1\x81\xD0\xB8\xD1\x8F",
         L"\u041C\u0435\u0433\u0430\u0444\u043E\u043D - \u0420\u043E\u0441\u0441\u0438\u044F"},
        {"Iran", "\xD9\x87\xD9\x85\xD8\xB1\xD8\xA7\xD9\x87 \xD8\xA7\xD9\x88\xD9\x84 - mcinet",
         L"\u0647\u0645\u0631\u0627\u0647 \u0627\u0648\u0644 - mcinet"},
        {"Taiwan", "\xE4\xB8\xAD\xE8\x8F\xAF\xE9\x9B\xBB\xE4\xBF\xA1 (emome) - internet",
         L"\u4E2D\u83EF\u96FB\u4FE1 (emome) - internet"},
        {"Germany", "O2 - Pay-by-MB", L"O2 - Pay-by-MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.country);
        const int country = countryIndex(c.country);
        const int slot = carriers::findPresetIndex(country, c.stored);
        ASSERT_NE(slot, carriers::NONE);
        SendDlgItemMessageW(window, IDC_PROVIDER_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"left over"));

        carriers::fillPresetList(dialog(), country);

        int count = 0;
        while (count < carriers::PRESET_SLOTS && CarrierTable[country].presets[count].name[0] != '\0') ++count;
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_PROVIDER_LIST, CB_GETCOUNT, 0, 0), count);
        EXPECT_EQ(item(slot), c.shown);
    }
}

TEST_F(CarrierWin32Dialog, SelectionTextAndCheckStateRoundTrip) {
    carriers::fillPresetList(dialog(), countryIndex("Germany"));
    EXPECT_EQ(platform::listSelection(dialog(), IDC_PROVIDER_LIST), platform::NO_SELECTION);
    platform::listSelect(dialog(), IDC_PROVIDER_LIST, 9);
    EXPECT_EQ(platform::listSelection(dialog(), IDC_PROVIDER_LIST), 9);
    EXPECT_EQ(item(9), L"O2 - Pay-by-MB");
    platform::listSelect(dialog(), IDC_PROVIDER_LIST, platform::NO_SELECTION);
    EXPECT_EQ(platform::listSelection(dialog(), IDC_PROVIDER_LIST), platform::NO_SELECTION);

    carriers::applyCarrierPreset(dialog(), countryIndex("Germany"), 9);
    char text[32];
    platform::getControlText(dialog(), IDC_APN, text, sizeof(text));
    EXPECT_STREQ(text, "internet");
    platform::getControlText(dialog(), IDC_APN, text, 5);
    EXPECT_STREQ(text, "inte");  // cut to capacity - 1 and terminated
    std::memset(text, 'x', sizeof(text));
    platform::getControlText(dialog(), IDC_GATEWAY, text, sizeof(text));  // no such control here
    EXPECT_STREQ(text, "");

    platform::setChecked(dialog(), IDC_ROAMING_CHECK, true);
    EXPECT_TRUE(platform::isChecked(dialog(), IDC_ROAMING_CHECK));
    CheckDlgButton(window, IDC_ROAMING_CHECK, BST_INDETERMINATE);
    EXPECT_FALSE(platform::isChecked(dialog(), IDC_ROAMING_CHECK));
    platform::setChecked(dialog(), IDC_ROAMING_CHECK, false);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_ROAMING_CHECK), static_cast<UINT>(BST_UNCHECKED));
}

// The form's fields hold the radio's own bytes, in no declared encoding: what
// goes in comes back byte for byte (the ANSI calls, in the computer's
// single-byte code page), so a save changes no byte the user did not edit.
// The program's own texts are UTF-8: a label or a button shows their letters
// in any script, whatever the code page, and reads back the same.
TEST_F(CarrierWin32Dialog, FieldsKeepTheRadiosBytesAndTextsShowInAnyScript) {
    const struct {
        const char* name;
        const char* bytes;
    } values[] = {
        {"a Latin-1 byte", "S\xEDminn"},
        {"a UTF-8 sequence", "M\xC3\xA1smovil"},
        {"UTF-8 beside Latin-1", "\xD0\x9C\xD0\xB5 caf\xE9"},
        {"a lone continuation byte and the last byte", "a\xA9" "b\xFF"},
        {"Windows-1252's euro byte", "\x80 5"},
    };
    ASSERT_NE(GetACP(), static_cast<UINT>(CP_UTF8)) << "the fields' bytes would be read as UTF-8";
    for (const auto& value : values) {
        SCOPED_TRACE(value.name);
        platform::setControlText(dialog(), IDC_GSM_USER, value.bytes);
        char back[64];
        platform::getControlText(dialog(), IDC_GSM_USER, back, sizeof back);
        EXPECT_STREQ(back, value.bytes);
    }

    const struct {
        const char* name;
        int id;
        const char* utf8;
        const wchar_t* shown;
    } texts[] = {
        {"Cyrillic in the Info area", IDC_INFO_AREA,
         "\xD0\x9E\xD0\xB6\xD0\xB8\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5...",
         L"\u041E\u0436\u0438\u0434\u0430\u043D\u0438\u0435..."},
        {"Chinese on a button", IDC_TASK_BUTTON, "\xE5\x8F\x96\xE6\xB6\x88", L"\u53D6\u6D88"},
        {"Arabic on a button", IDC_TASK_BUTTON, "\xD8\xA5\xD9\x84\xD8\xBA\xD8\xA7\xD8\xA1",
         L"\u0625\u0644\u063A\u0627\u0621"},
        {"a letter beyond 16 bits", IDC_INFO_AREA, "\xF0\x9F\x93\xBB radio", L"\U0001F4FB radio"},
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.name);
        platform::setControlText(dialog(), text.id, text.utf8);
        wchar_t shown[64] = {};
        GetDlgItemTextW(window, text.id, shown, 64);
        EXPECT_STREQ(shown, text.shown);
        char back[64];
        platform::getControlText(dialog(), text.id, back, sizeof back);
        EXPECT_STREQ(back, text.utf8);
    }
    // A cut never splits a letter: what does not fit whole is left out.
    platform::setControlText(dialog(), IDC_INFO_AREA, "ab\xD0\x9C");
    char cut[4];
    platform::getControlText(dialog(), IDC_INFO_AREA, cut, sizeof cut);
    EXPECT_STREQ(cut, "ab");
}

// The bar as MSAA reads it: its position in a range of 0 to 100, or a
// marquee while no total is known. Where the shell has no taskbar list (as
// under Wine) the taskbar is left alone and nothing fails.
TEST_F(CarrierWin32Dialog, ProgressBarShowsItsShareOrMovesWithoutATotal) {
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    const struct {
        std::uint64_t done;
        std::uint64_t total;
        bool marquee;
        int position;
    } cases[] = {
        {0, 0, true, 0},
        {1, 3, false, 33},
        {50, 200, false, 25},
        {7, 0, true, 0},  // no total again: moving
        {300, 200, false, 100},
        {3ull << 32, 4ull << 32, false, 75},
    };
    platform::showProgressBar(dialog(), IDC_PROGRESS_BAR, true);
    EXPECT_NE(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + " of " + std::to_string(c.total));
        platform::setProgressBar(dialog(), IDC_PROGRESS_BAR, c.done, c.total);
        EXPECT_EQ((GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0, c.marquee);
        if (!c.marquee) {
            EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
            EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
            EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), c.position);
        }
    }
    platform::showProgressBar(dialog(), IDC_PROGRESS_BAR, false);
    EXPECT_EQ(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE, 0) << "a hidden bar keeps moving";
}

}  // namespace
