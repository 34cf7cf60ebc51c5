// The fit check's own measure, on small dialogs made for each fault it must
// find: a label too narrow or too short for its text, a word longer than its
// label, a button's text over its margins, a letter no font has, a control
// over another or over a group box's title; and their look-alikes that fit.

#include "tests/win32/text_fit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/catalogue_dialogs.h"

namespace {

// A hidden dialog-like window holding the controls of one case, all in the
// program's dialog font (MS Shell Dlg, 8 points).
class Fixture {
public:
    Fixture() {
        window_ = CreateWindowExW(0, L"#32770", L"fit", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        HDC screen = GetDC(nullptr);
        const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        font_ =
            CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    }
    ~Fixture() {
        if (window_ != nullptr) DestroyWindow(window_);
        DeleteObject(font_);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    HWND add(int id, const wchar_t* windowClass, DWORD style, const wchar_t* text, int x, int y, int width,
             int height) {
        HWND control =
            CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    }
    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

std::string problems(const std::vector<fittest::FitFault>& faults) {
    std::string all;
    for (const fittest::FitFault& fault : faults) all += fault.problem + "; ";
    return all;
}

class TextFit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fittest::prepareProcessLikeTheProgram(); }
};

// One control alone: whether its text fits, and how the fault reads.
TEST_F(TextFit, OneControlsTextFitsOrIsCut) {
    const struct {
        const char* name;
        const wchar_t* windowClass;
        DWORD style;
        const wchar_t* text;
        int width, height;
        const char* fault;  // a part of the fault's words, or nullptr when it fits
    } cases[] = {
        {"label on one line", L"Static", SS_LEFT, L"Network Gateway:", 140, 13, nullptr},
        {"label wrapped onto two lines", L"Static", SS_LEFT, L"Network Gateway:", 60, 26, nullptr},
        {"label too short for its two lines", L"Static", SS_LEFT, L"Network Gateway:", 60, 13, "high"},
        {"word longer than the label", L"Static", SS_LEFT, L"Benutzerkennung:", 40, 60, "a word longer"},
        {"button with room for its margins", L"Button", BS_PUSHBUTTON, L"Quit without save", 140, 24, nullptr},
        {"button text within the margins only", L"Button", BS_PUSHBUTTON, L"Quit without save", 60, 24, "wide"},
        {"group title", L"Button", BS_GROUPBOX, L"Advanced GSM Preferences", 200, 60, nullptr},
        {"group title over the frame's ends", L"Button", BS_GROUPBOX, L"Advanced GSM Preferences", 70, 60, "wide"},
        {"a letter no font has", L"Static", SS_LEFT, L"PIN \xE000", 140, 13, "boxes"},
        {"a field's text is the radio's, not measured", L"Edit", ES_AUTOHSCROLL, L"a value much longer than the field",
         20, 20, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture dialog;
        ASSERT_NE(dialog.window(), nullptr);
        dialog.add(100, c.windowClass, c.style, c.text, 10, 10, c.width, c.height);
        const std::vector<fittest::FitFault> faults = fittest::fitFaults(dialog.window());
        if (c.fault == nullptr) {
            EXPECT_TRUE(faults.empty()) << problems(faults);
        } else {
            ASSERT_EQ(faults.size(), 1u) << problems(faults);
            EXPECT_NE(faults[0].problem.find(c.fault), std::string::npos) << faults[0].problem;
            EXPECT_EQ(faults[0].controlId, 100);
            EXPECT_EQ(faults[0].text, c.text);
        }
    }
}

// A cut names the pixels the text needs and the pixels it has.
TEST_F(TextFit, ACutNamesThePixelsNeededAndAvailable) {
    Fixture dialog;
    dialog.add(100, L"Static", SS_LEFT, L"Network Gateway:", 10, 10, 60, 13);
    const std::vector<fittest::FitFault> faults = fittest::fitFaults(dialog.window());
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].problem.find("needs 26 px high"), std::string::npos) << faults[0].problem;
    EXPECT_NE(faults[0].problem.find("has 13"), std::string::npos) << faults[0].problem;
}

TEST_F(TextFit, ControlsOverOneAnotherOrOverAGroupTitleOverlap) {
    {
        SCOPED_TRACE("a label reaching into its field");
        Fixture dialog;
        dialog.add(100, L"Static", SS_LEFT, L"PIN:", 10, 10, 80, 13);
        dialog.add(101, L"Edit", ES_AUTOHSCROLL, L"", 85, 10, 100, 20);
        const std::vector<fittest::FitFault> faults = fittest::fitFaults(dialog.window());
        ASSERT_EQ(faults.size(), 1u) << problems(faults);
        EXPECT_NE(faults[0].problem.find("overlaps"), std::string::npos) << faults[0].problem;
    }
    {
        SCOPED_TRACE("controls inside a group, below its title");
        Fixture dialog;
        dialog.add(100, L"Button", BS_GROUPBOX, L"GSM Preferences", 5, 5, 300, 100);
        dialog.add(101, L"Static", SS_LEFT, L"PIN:", 10, 30, 60, 13);
        dialog.add(102, L"Edit", ES_AUTOHSCROLL, L"", 80, 30, 100, 20);
        const std::vector<fittest::FitFault> faults = fittest::fitFaults(dialog.window());
        EXPECT_TRUE(faults.empty()) << problems(faults);
    }
    {
        SCOPED_TRACE("a label over the group's title");
        Fixture dialog;
        dialog.add(100, L"Button", BS_GROUPBOX, L"GSM Preferences", 5, 5, 300, 100);
        dialog.add(101, L"Static", SS_LEFT, L"PIN:", 10, 8, 60, 13);
        const std::vector<fittest::FitFault> faults = fittest::fitFaults(dialog.window());
        ASSERT_EQ(faults.size(), 1u) << problems(faults);
        EXPECT_NE(faults[0].problem.find("overlaps"), std::string::npos) << faults[0].problem;
    }
    {
        SCOPED_TRACE("a hidden control overlaps nothing");
        Fixture dialog;
        dialog.add(100, L"Static", SS_LEFT, L"PIN:", 10, 10, 80, 13);
        HWND hidden = dialog.add(101, L"Edit", ES_AUTOHSCROLL, L"", 85, 10, 100, 20);
        ShowWindow(hidden, SW_HIDE);
        EXPECT_TRUE(fittest::fitFaults(dialog.window()).empty());
    }
}

}  // namespace
