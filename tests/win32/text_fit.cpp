#include "tests/win32/text_fit.h"

#include <cstdio>
#include <map>
#include <utility>

#include "res/control_ids.h"
#include "tests/win32/catalogue_dialogs.h"

namespace fittest {

namespace {

// The frames' margins at 96 DPI, scaled with the DPI: a push button's 3-D
// edge and focus rectangle on each side; a group box's title starts this far
// in from the frame's ends; a check box's box with the gap before its text.
constexpr int BUTTON_MARGIN = 4;
constexpr int GROUP_TITLE_INSET = 7;
constexpr int CHECK_BOX_WITH_GAP = 17;

int scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

std::wstring classOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    return name;
}

bool isClass(HWND control, const wchar_t* name) { return lstrcmpiW(classOf(control).c_str(), name) == 0; }

std::wstring textOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

std::string pixels(int needed, int available, const char* what) {
    char line[120];
    std::snprintf(line, sizeof line, "needs %d px %s, has %d", needed, what, available);
    return line;
}

// A device context with the control's own font, released with the object.
class ControlFont {
public:
    explicit ControlFont(HWND control) : control_(control), context_(GetDC(control)) {
        auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        previous_ = SelectObject(context_, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    }
    ~ControlFont() {
        SelectObject(context_, previous_);
        ReleaseDC(control_, context_);
    }
    ControlFont(const ControlFont&) = delete;
    ControlFont& operator=(const ControlFont&) = delete;
    HDC context() const { return context_; }

private:
    HWND control_;
    HDC context_;
    HGDIOBJ previous_;
};

// The pixels a character leaves in a small bitmap, drawn in the context's
// font (with the fallback fonts Wine links to it).
std::vector<COLORREF> drawnAlone(HDC context, const wchar_t* character, int units) {
    constexpr int SIZE = 64;
    HDC canvas = CreateCompatibleDC(context);
    HBITMAP bitmap = CreateCompatibleBitmap(context, SIZE, SIZE);
    HGDIOBJ oldBitmap = SelectObject(canvas, bitmap);
    HGDIOBJ oldFont = SelectObject(canvas, GetCurrentObject(context, OBJ_FONT));
    RECT all = {0, 0, SIZE, SIZE};
    FillRect(canvas, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(canvas, TRANSPARENT);
    TextOutW(canvas, 4, 4, character, units);
    std::vector<COLORREF> drawn;
    drawn.reserve(SIZE * SIZE);
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) drawn.push_back(GetPixel(canvas, x, y));
    }
    SelectObject(canvas, oldFont);
    SelectObject(canvas, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    return drawn;
}

// The letters of text that the font and its fallbacks cannot draw: they show
// as the box of a missing glyph, as a character no font has does.
std::wstring missingLetters(HDC context, const std::wstring& text) {
    const std::vector<COLORREF> box = drawnAlone(context, L"\xFFFF", 1);
    std::wstring missing;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const wchar_t letter = text[at];
        if (letter <= L' ' || (letter >= 0xD800 && letter <= 0xDFFF) || missing.find(letter) != std::wstring::npos) {
            continue;  // blanks, line ends and marks draw nothing anyway
        }
        WORD glyph = 0;
        GetGlyphIndicesW(context, &letter, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
        if (glyph != 0xFFFF) {
            continue;
        }
        if (drawnAlone(context, &letter, 1) == box) {
            missing += letter;
        }
    }
    return missing;
}

// What a static control's text needs, drawn as the control draws it.
UINT staticFormat(LONG style) {
    UINT format = DT_EXPANDTABS | DT_WORDBREAK;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format |= DT_CENTER;
            break;
        case SS_RIGHT:
            format |= DT_RIGHT;
            break;
        case SS_SIMPLE:
        case SS_LEFTNOWORDWRAP:
            format = DT_LEFT | DT_SINGLELINE;
            break;
        default:
            break;
    }
    if ((style & SS_NOPREFIX) != 0) {
        format |= DT_NOPREFIX;
    }
    return format;
}

struct TextKind {
    bool measured;
    UINT format;
    int marginX;  // on each side
    int marginY;
    int before;  // room taken before the text (a check box's box)
};

TextKind kindOf(HWND control, int dpi) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (isClass(control, L"Static")) {
        const LONG type = style & SS_TYPEMASK;
        const bool text =
            type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
        return {text, staticFormat(style), 0, 0, 0};
    }
    if (isClass(control, L"Button")) {
        const UINT wrap = (style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE;
        switch (style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return {true, wrap | DT_CENTER, scaled(BUTTON_MARGIN, dpi), scaled(BUTTON_MARGIN, dpi), 0};
            case BS_GROUPBOX:
                return {true, DT_SINGLELINE, scaled(GROUP_TITLE_INSET, dpi), 0, 0};
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return {true, wrap, 0, 0, scaled(CHECK_BOX_WITH_GAP, dpi)};
            default:
                break;
        }
    }
    return {false, 0, 0, 0, 0};  // fields, lists, bars and pictures hold no text of the program's
}

// The height a group box's title takes at its top.
int titleHeight(HWND group) {
    ControlFont font(group);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(font.context(), &metrics);
    return metrics.tmHeight;
}

bool isGroupBox(HWND control) {
    return isClass(control, L"Button") && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

std::vector<FitFault> textFaults(HWND control, int dpi) {
    std::vector<FitFault> faults;
    const TextKind kind = kindOf(control, dpi);
    const std::wstring text = textOf(control);
    if (!kind.measured || text.empty()) {
        return faults;
    }
    const int id = GetDlgCtrlID(control);
    RECT client;
    GetClientRect(control, &client);
    const int width = client.right - kind.before - 2 * kind.marginX;
    const int height = client.bottom - 2 * kind.marginY;
    ControlFont font(control);
    RECT needed = {0, 0, width > 0 ? width : 1, 0};
    DrawTextW(font.context(), text.c_str(), -1, &needed, kind.format | DT_CALCRECT);
    const bool wraps = (kind.format & DT_WORDBREAK) != 0;
    if (needed.right > width) {
        faults.push_back({id, text,
                          "cut: " + pixels(needed.right + kind.before + 2 * kind.marginX, client.right,
                                           wraps ? "wide (a word longer than a line)" : "wide")});
    }
    if (needed.bottom > height) {
        faults.push_back({id, text,
                          "cut: " + pixels(needed.bottom + 2 * kind.marginY, client.bottom,
                                           wraps ? "high for its wrapped lines" : "high")});
    }
    const std::wstring missing = missingLetters(font.context(), text);
    if (!missing.empty()) {
        faults.push_back({id, text, "drawn as boxes: no font has the letters of \"" + utf8(missing) + "\""});
    }
    return faults;
}

struct Shown {
    HWND control;
    RECT rect;  // screen coordinates
};

BOOL CALLBACK collectShown(HWND control, LPARAM parameter) {
    auto* shown = reinterpret_cast<std::pair<HWND, std::vector<Shown>*>*>(parameter);
    if (GetParent(control) != shown->first || (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0) {
        return TRUE;
    }
    RECT rect;
    GetWindowRect(control, &rect);
    shown->second->push_back({control, rect});
    return TRUE;
}

}  // namespace

std::vector<FitFault> fitFaults(HWND dialog) {
    std::vector<Shown> shown;
    std::pair<HWND, std::vector<Shown>*> search{dialog, &shown};
    EnumChildWindows(dialog, collectShown, reinterpret_cast<LPARAM>(&search));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);

    std::vector<FitFault> faults;
    for (const Shown& control : shown) {
        for (FitFault& fault : textFaults(control.control, dpi)) faults.push_back(std::move(fault));
        if (!inside(control.rect, client)) {
            faults.push_back({GetDlgCtrlID(control.control), textOf(control.control), "reaches out of the dialog"});
        }
    }
    for (std::size_t a = 0; a < shown.size(); ++a) {
        for (std::size_t b = a + 1; b < shown.size(); ++b) {
            RECT common;
            if (!IntersectRect(&common, &shown[a].rect, &shown[b].rect)) continue;
            const Shown* group = isGroupBox(shown[a].control)   ? &shown[a]
                                 : isGroupBox(shown[b].control) ? &shown[b]
                                                                : nullptr;
            const Shown* member = group == &shown[a] ? &shown[b] : &shown[a];
            if (group != nullptr && !isGroupBox(member->control) && inside(member->rect, group->rect) &&
                member->rect.top >= group->rect.top + titleHeight(group->control)) {
                continue;  // a control of the group, below its title
            }
            char problem[160];
            std::snprintf(problem, sizeof problem, "overlaps %s by %ld x %ld px",
                          controlName(GetDlgCtrlID(shown[b].control)).c_str(), common.right - common.left,
                          common.bottom - common.top);
            faults.push_back({GetDlgCtrlID(shown[a].control), textOf(shown[a].control), problem});
        }
    }
    return faults;
}

std::string controlName(int controlId) {
#define ONDAVOX_NAMED(id) \
    { id, #id }
    static const std::map<int, std::string> names = {
        ONDAVOX_NAMED(IDC_INFO_AREA),           ONDAVOX_NAMED(IDC_TASK_BUTTON),
        ONDAVOX_NAMED(IDC_FIRST_BUTTON),        ONDAVOX_NAMED(IDC_SECOND_BUTTON),
        ONDAVOX_NAMED(IDC_VERSION_LABEL),       ONDAVOX_NAMED(IDC_BANNER),
        ONDAVOX_NAMED(IDC_PROGRESS_BAR),        ONDAVOX_NAMED(IDC_GSM_GROUP),
        ONDAVOX_NAMED(IDC_ADVANCED_GROUP),      ONDAVOX_NAMED(IDC_WIFI_GROUP),
        ONDAVOX_NAMED(IDC_RADIO_GROUP),         ONDAVOX_NAMED(IDC_APN_NOTE),
        ONDAVOX_NAMED(IDC_PIN_LABEL),           ONDAVOX_NAMED(IDC_GSM_PIN),
        ONDAVOX_NAMED(IDC_COUNTRY_LABEL),       ONDAVOX_NAMED(IDC_COUNTRY_LIST),
        ONDAVOX_NAMED(IDC_PROVIDER_LABEL),      ONDAVOX_NAMED(IDC_PROVIDER_LIST),
        ONDAVOX_NAMED(IDC_ROAMING_LABEL),       ONDAVOX_NAMED(IDC_ROAMING_CHECK),
        ONDAVOX_NAMED(IDC_APN_LABEL),           ONDAVOX_NAMED(IDC_APN),
        ONDAVOX_NAMED(IDC_USER_LABEL),          ONDAVOX_NAMED(IDC_GSM_USER),
        ONDAVOX_NAMED(IDC_PASSWORD_LABEL),      ONDAVOX_NAMED(IDC_GSM_PASSWORD),
        ONDAVOX_NAMED(IDC_DNS1_LABEL),          ONDAVOX_NAMED(IDC_DNS1),
        ONDAVOX_NAMED(IDC_DNS2_LABEL),          ONDAVOX_NAMED(IDC_DNS2),
        ONDAVOX_NAMED(IDC_GATEWAY_LABEL),       ONDAVOX_NAMED(IDC_GATEWAY),
        ONDAVOX_NAMED(IDC_WIFI_SSID_LABEL),     ONDAVOX_NAMED(IDC_WIFI_SSID),
        ONDAVOX_NAMED(IDC_WIFI_PASSWORD_LABEL), ONDAVOX_NAMED(IDC_WIFI_PASSWORD),
        ONDAVOX_NAMED(IDC_RADIO_PROFILE_LABEL), ONDAVOX_NAMED(IDC_RADIO_PROFILE_LIST),
        ONDAVOX_NAMED(IDC_DEBUG_TEXT),
    };
#undef ONDAVOX_NAMED
    const auto found = names.find(controlId);
    return found != names.end() ? found->second : "control " + std::to_string(controlId);
}

}  // namespace fittest
