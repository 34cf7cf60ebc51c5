// A right-to-left language's dialogs: mirrored as a whole, while the fields
// that hold the radio's values, the lists of names and the Debug text read
// left to right, the banner is drawn as painted and the drop-down lists open
// under their box. Checked on the dialogs made from the language's block with
// the program's own code, and in the running program started in the
// language's locale.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/settings_form.h"
#include "platform/dialog.h"
#include "platform/win32/left_to_right.h"
#include "program/win32/program.h"
#include "res/app_texts.h"
#include "res/control_ids.h"
#include "tests/win32/catalogue_dialogs.h"
#include "tests/win32/text_fit.h"
#include "tools/program_driver/program_driver.h"

namespace {

using fittest::CatalogueDialog;
using platform::win32::readsLeftToRight;

bool mirrored(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0; }

// The controls that read left to right in a mirrored main dialog.
std::vector<int> leftToRightControls() {
    std::vector<int> ids(std::begin(app::FORM_TEXT_FIELDS), std::end(app::FORM_TEXT_FIELDS));
    ids.insert(ids.end(), std::begin(program::LEFT_TO_RIGHT_LISTS), std::end(program::LEFT_TO_RIGHT_LISTS));
    return ids;
}

// The controls that show the program's own texts: mirrored with the dialog.
constexpr int MIRRORED_CONTROLS[] = {IDC_INFO_AREA,     IDC_TASK_BUTTON, IDC_FIRST_BUTTON, IDC_SECOND_BUTTON,
                                     IDC_PIN_LABEL,     IDC_APN_LABEL,   IDC_GSM_GROUP,    IDC_ADVANCED_GROUP,
                                     IDC_GATEWAY_LABEL, IDC_APN_NOTE,    IDC_ROAMING_CHECK};

class RightToLeft : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { fittest::prepareProcessLikeTheProgram(); }
    void SetUp() override {
        language_ = GetParam();
        ASSERT_NE(fittest::programResources(), nullptr) << "cannot load " << fittest::utf8(fittest::programPath());
    }
    std::string text(res::AppText key) const { return res::APP_TEXTS[language_][static_cast<int>(key)]; }

    int language_ = 0;
};

TEST_P(RightToLeft, TheRadiosFieldsListsAndTheBannerAreNotMirrored) {
    CatalogueDialog dialog(IDD_MAIN_DIALOG, language_);
    ASSERT_NE(dialog.window(), nullptr);
    ASSERT_TRUE(mirrored(dialog.window())) << "the block's template is not mirrored";
    // As created, every control inherits the mirrored layout.
    EXPECT_TRUE(mirrored(GetDlgItem(dialog.window(), IDC_GSM_PIN)));
    EXPECT_TRUE(mirrored(GetDlgItem(dialog.window(), IDC_BANNER)));

    program::keepLeftToRightParts(dialog.window());

    for (int id : leftToRightControls()) {
        EXPECT_TRUE(readsLeftToRight(GetDlgItem(dialog.window(), id))) << fittest::controlName(id);
    }
    for (int id : MIRRORED_CONTROLS) {
        EXPECT_TRUE(mirrored(GetDlgItem(dialog.window(), id))) << fittest::controlName(id);
    }
    EXPECT_FALSE(mirrored(GetDlgItem(dialog.window(), IDC_BANNER)));
}

// A control's client area as the user sees it: drawn by the control through
// a context laid out as its own (mirrored or not), read back left to right.
struct Drawing {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row after row
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Drawing drawingOf(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    HDC own = GetDC(control);
    const DWORD layout = GetLayout(own);
    HDC canvas = CreateCompatibleDC(own);
    HBITMAP bitmap = CreateCompatibleBitmap(own, client.right, client.bottom);
    HGDIOBJ previous = SelectObject(canvas, bitmap);
    SetLayout(canvas, layout);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas), PRF_CLIENT | PRF_ERASEBKGND);
    SetLayout(canvas, 0);
    Drawing drawing{client.right, client.bottom, {}};
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) drawing.pixels.push_back(GetPixel(canvas, x, y));
    }
    SelectObject(canvas, previous);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(control, own);
    return drawing;
}

// The columns a control's drawing darkens (its text), left to right.
std::vector<int> inkedColumns(HWND control) {
    const Drawing drawing = drawingOf(control);
    std::vector<int> columns;
    for (int x = 0; x < drawing.width; ++x) {
        for (int y = 0; y < drawing.height; ++y) {
            const COLORREF pixel = drawing.at(x, y);
            if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 96) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

// The banner's bitmap as painted, drawn into a context that is not mirrored.
Drawing bannerAsPainted(int width, int height) {
    HBITMAP banner = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousSource = SelectObject(source, banner);
    HGDIOBJ previous = SelectObject(canvas, bitmap);
    BitBlt(canvas, 0, 0, width, height, source, 0, 0, SRCCOPY);
    Drawing drawing{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) drawing.pixels.push_back(GetPixel(canvas, x, y));
    }
    SelectObject(canvas, previous);
    SelectObject(source, previousSource);
    DeleteObject(bitmap);
    DeleteObject(banner);
    DeleteDC(canvas);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    return drawing;
}

TEST_P(RightToLeft, TheBannerIsDrawnAsPaintedNotFlipped) {
    CatalogueDialog dialog(IDD_MAIN_DIALOG, language_);
    ASSERT_NE(dialog.window(), nullptr);
    HWND banner = GetDlgItem(dialog.window(), IDC_BANNER);
    const Drawing before = drawingOf(banner);
    const Drawing painted = bannerAsPainted(before.width, before.height);
    ASSERT_GT(before.width, 0);
    EXPECT_NE(before.pixels, painted.pixels) << "a mirrored banner flips its bitmap";

    program::keepLeftToRightParts(dialog.window());
    EXPECT_EQ(drawingOf(banner).pixels, painted.pixels) << "the banner is not drawn as painted";
}

// A value in a field starts at its left edge, as in a left-to-right dialog;
// the same field left mirrored shows it at its right edge.
TEST_P(RightToLeft, AFieldsValueShowsFromItsLeftEdge) {
    CatalogueDialog dialog(IDD_MAIN_DIALOG, language_);
    ASSERT_NE(dialog.window(), nullptr);
    const auto handle = reinterpret_cast<platform::DialogHandle>(dialog.window());
    HWND mirroredField = GetDlgItem(dialog.window(), IDC_APN);
    platform::setControlText(handle, IDC_APN, "internet");
    RECT client;
    GetClientRect(mirroredField, &client);
    const std::vector<int> before = inkedColumns(mirroredField);
    ASSERT_FALSE(before.empty()) << "nothing drawn";
    EXPECT_GT(before.front(), client.right / 2) << "a mirrored field shows its value at its right edge";

    program::keepLeftToRightParts(dialog.window());
    const std::vector<int> after = inkedColumns(mirroredField);
    ASSERT_FALSE(after.empty()) << "nothing drawn";
    EXPECT_LT(after.front(), client.right / 4) << "the value does not start at the field's left edge";
    EXPECT_LT(after.back(), client.right / 2);
}

// The lists open under their box and take a pick, mirrored dialog or not.
TEST_P(RightToLeft, TheListsDropDownUnderTheirBoxAndTakeAPick) {
    CatalogueDialog dialog(IDD_MAIN_DIALOG, language_);
    ASSERT_NE(dialog.window(), nullptr);
    program::keepLeftToRightParts(dialog.window());
    const auto handle = reinterpret_cast<platform::DialogHandle>(dialog.window());
    const char* const names[] = {"Germany", "Iran", "United Kingdom"};
    platform::listFill(handle, IDC_COUNTRY_LIST, names);
    ShowWindow(dialog.window(), SW_SHOWNOACTIVATE);
    HWND list = GetDlgItem(dialog.window(), IDC_COUNTRY_LIST);
    ShowWindow(list, SW_SHOW);

    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(list, &info));
    RECT box;
    RECT dropped;
    GetWindowRect(list, &box);
    GetWindowRect(info.hwndList, &dropped);
    EXPECT_TRUE(IsWindowVisible(info.hwndList)) << "the list did not drop down";
    EXPECT_NEAR(dropped.left, box.left, 2) << "the dropped list is not under its box";
    EXPECT_NEAR(dropped.right, box.right, 2) << "the dropped list is not under its box";
    EXPECT_GE(dropped.top, box.top + (box.bottom - box.top) / 2) << "the dropped list is not below its box";
    EXPECT_TRUE(readsLeftToRight(info.hwndList));
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);

    platform::listSelect(handle, IDC_COUNTRY_LIST, 2);
    EXPECT_EQ(platform::listSelection(handle, IDC_COUNTRY_LIST), 2);
    EXPECT_EQ(fittest::windowText(list), L"United Kingdom");
}

// The running program, started in the language's locale (this test's own:
// the program inherits it), mirrors its dialogs and keeps the radio's parts
// left to right, the Debug text among them.
TEST_P(RightToLeft, TheRunningProgramMirrorsItsDialogsButNotTheRadiosParts) {
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != res::LANGUAGES[language_].windowsPrimary) {
        FAIL() << fittest::localeMismatch(language_);
    }
    uidriver::ProgramDriver program;
    ASSERT_TRUE(program.start(fittest::utf8(fittest::programPath())));
    HWND dialog = program.waitForDialog(text(res::AppText::IDD_MAIN_DIALOG_CAPTION).c_str(), std::chrono::seconds(60));
    ASSERT_NE(dialog, nullptr) << "no main dialog captioned in the language";
    EXPECT_TRUE(mirrored(dialog));
    for (int id : leftToRightControls()) {
        EXPECT_TRUE(readsLeftToRight(GetDlgItem(dialog, id))) << fittest::controlName(id);
    }
    EXPECT_FALSE(mirrored(GetDlgItem(dialog, IDC_BANNER)));
    for (int id : MIRRORED_CONTROLS) {
        EXPECT_TRUE(mirrored(GetDlgItem(dialog, id))) << fittest::controlName(id);
    }

    uidriver::ProgramDriver::pressControlLetter(dialog, 'D');
    HWND debug = program.waitForDialog(text(res::AppText::IDD_DEBUG_DIALOG_CAPTION).c_str(), std::chrono::seconds(10));
    ASSERT_NE(debug, nullptr) << "no Debug dialog captioned in the language";
    EXPECT_TRUE(mirrored(debug));
    EXPECT_TRUE(readsLeftToRight(GetDlgItem(debug, IDC_DEBUG_TEXT)));
    EXPECT_TRUE(mirrored(GetDlgItem(debug, IDC_FIRST_BUTTON)));
    uidriver::ProgramDriver::click(debug, IDC_FIRST_BUTTON);
    EXPECT_TRUE(uidriver::ProgramDriver::waitUntilGone(debug, std::chrono::seconds(10)));
}

std::vector<int> rightToLeftLanguages() {
    std::vector<int> found;
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        if (res::LANGUAGES[language].rightToLeft) found.push_back(language);
    }
    return found;
}

std::string languageName(const ::testing::TestParamInfo<int>& info) { return res::LANGUAGES[info.param].code; }

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RightToLeft);
INSTANTIATE_TEST_SUITE_P(Catalogue, RightToLeft, ::testing::ValuesIn(rightToLeftLanguages()), languageName);

}  // namespace
