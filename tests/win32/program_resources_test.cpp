// The built program's resources, read back from ondavox.exe as a data file
// and compared with what the dialogs, the shell and the tasks rely on: every
// control of both dialog templates, every string, in English and in every
// language block of the catalogue, the six shortcuts, the banner, the icon,
// the manifest and the version, which is the project's (CMake's
// PROJECT_VERSION, through the generated ondavox_version.h).

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ondavox_version.h"
#include "platform/language.h"
#include "platform/resources.h"
#include "res/app_texts.h"
#include "res/control_ids.h"
#include "res/languages.h"
#include "res/strings.h"

namespace {

// Dialog item classes as a template stores them.
// The template's numbered classes; PROGRESS stands for the common control
// written by name (it has no number of its own).
enum ControlClass : WORD { BUTTON = 0x80, EDIT = 0x81, STATIC = 0x82, COMBOBOX = 0x85, PROGRESS = 0x100 };

struct TemplateControl {
    int id;
    WORD controlClass;
    DWORD style;  // every bit given here must be set (WS_VISIBLE is compared exactly)
    short x, y, width, height;
    std::wstring text;  // for the banner: empty, with textOrdinal set
    WORD textOrdinal = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD extendedStyle = 0;
    short x = 0, y = 0, width = 0, height = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<TemplateControl> controls;
};

std::string exePath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of("\\/"));  // build/windows/tests
    folder = folder.substr(0, folder.find_last_of("\\/"));  // build/windows
    return folder + "\\ondavox.exe";
}

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        program = LoadLibraryExA(exePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (program != nullptr) FreeLibrary(program);
        program = nullptr;
    }
    void SetUp() override { ASSERT_NE(program, nullptr) << "cannot load " << exePath(); }

    static const std::uint8_t* resource(LPCSTR type, LPCSTR name, DWORD* size) {
        HRSRC found = FindResourceA(program, name, type);
        if (found == nullptr) return nullptr;
        *size = SizeofResource(program, found);
        return static_cast<const std::uint8_t*>(LockResource(LoadResource(program, found)));
    }

    // A resource of one language's block exactly, with no fallback.
    static const std::uint8_t* blockResource(WORD type, int name, LANGID language) {
        HRSRC found = FindResourceExW(program, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(name), language);
        if (found == nullptr) return nullptr;
        return static_cast<const std::uint8_t*>(LockResource(LoadResource(program, found)));
    }

    static HMODULE program;
};

HMODULE ProgramResources::program = nullptr;

// Reads an extended dialog template (the format both dialogs use).
class TemplateReader {
public:
    explicit TemplateReader(const std::uint8_t* data) : data_(data) {}

    DialogTemplate read() {
        DialogTemplate dialog;
        EXPECT_EQ(word(), 1);       // version
        EXPECT_EQ(word(), 0xFFFF);  // extended template
        dword();                    // help id
        dialog.extendedStyle = dword();
        dialog.style = dword();
        const WORD count = word();
        dialog.x = shortValue();
        dialog.y = shortValue();
        dialog.width = shortValue();
        dialog.height = shortValue();
        EXPECT_EQ(ordinalOrText(nullptr), L"");  // no menu
        EXPECT_EQ(ordinalOrText(nullptr), L"");  // the standard dialog class
        dialog.caption = text();
        if (dialog.style & DS_SETFONT) {
            dialog.pointSize = word();
            word();   // weight
            word();   // italic, character set
            dialog.font = text();
        }
        for (WORD item = 0; item < count; ++item) {
            align();
            TemplateControl control{};
            dword();  // help id
            dword();  // extended style
            control.style = dword();
            control.x = shortValue();
            control.y = shortValue();
            control.width = shortValue();
            control.height = shortValue();
            control.id = static_cast<int>(dword());
            WORD classOrdinal = 0;
            const std::wstring className = ordinalOrText(&classOrdinal);
            control.controlClass = className.empty() ? classOrdinal : ordinalOfClass(className);
            control.text = ordinalOrText(&control.textOrdinal);
            offset_ += word();  // creation data
            dialog.controls.push_back(control);
        }
        return dialog;
    }

private:
    // A class written by name counts as the same kind as one written by number.
    static WORD ordinalOfClass(const std::wstring& name) {
        const struct {
            const wchar_t* name;
            WORD ordinal;
        } classes[] = {{L"button", BUTTON}, {L"edit", EDIT}, {L"static", STATIC}, {L"combobox", COMBOBOX},
                     {L"msctls_progress32", PROGRESS}};
        for (const auto& known : classes) {
            if (lstrcmpiW(name.c_str(), known.name) == 0) return known.ordinal;
        }
        return 0;
    }

    WORD word() {
        WORD value;
        std::memcpy(&value, data_ + offset_, 2);
        offset_ += 2;
        return value;
    }
    short shortValue() { return static_cast<short>(word()); }
    DWORD dword() {
        DWORD value;
        std::memcpy(&value, data_ + offset_, 4);
        offset_ += 4;
        return value;
    }
    std::wstring text() {
        std::wstring result;
        for (WORD unit = word(); unit != 0; unit = word()) result += static_cast<wchar_t>(unit);
        return result;
    }
    std::wstring ordinalOrText(WORD* ordinal) {
        std::size_t start = offset_;
        if (word() == 0xFFFF) {
            const WORD value = word();
            if (ordinal != nullptr) *ordinal = value;
            return L"";
        }
        offset_ = start;
        return text();
    }
    void align() { offset_ = (offset_ + 3) & ~std::size_t{3}; }

    const std::uint8_t* data_;
    std::size_t offset_ = 0;
};

constexpr DWORD HIDDEN = 0;
constexpr DWORD SHOWN = WS_VISIBLE;

constexpr int NO_KEY = -1;

struct ExpectedControl {
    int id;
    WORD controlClass;
    DWORD styleBits;   // what the control's kind asks for
    DWORD visibility;  // SHOWN or HIDDEN at start
    short x, y, width, height;
    const wchar_t* text;  // the English text
    int key = NO_KEY;     // the text's key in the catalogue, when it is translated
};

constexpr int key(res::AppText text) {
    return static_cast<int>(text);
}
using res::AppText;

// The main dialog's controls in template order.
const ExpectedControl MAIN_DIALOG[] = {
    {IDC_TASK_BUTTON, BUTTON, BS_PUSHBUTTON | BS_CENTER, SHOWN, 6, 324, 228, 22, L"Cancel", key(AppText::IDD_MAIN_DIALOG_IDC_TASK_BUTTON)},
    {IDC_INFO_AREA, STATIC, SS_CENTER, SHOWN, 7, 7, 228, 257, L"Info", key(AppText::IDD_MAIN_DIALOG_IDC_INFO_AREA)},
    {IDC_WIFI_SSID, EDIT, WS_BORDER | ES_AUTOHSCROLL, HIDDEN, 84, 246, 144, 14, L""},
    {IDC_WIFI_SSID_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 246, 70, 16, L"WIFI SSID:", key(AppText::IDD_MAIN_DIALOG_IDC_WIFI_SSID_LABEL)},
    {IDC_WIFI_PASSWORD, EDIT, 0, HIDDEN, 84, 263, 144, 14, L""},
    {IDC_WIFI_PASSWORD_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 264, 70, 16, L"WIFI password:", key(AppText::IDD_MAIN_DIALOG_IDC_WIFI_PASSWORD_LABEL)},
    {IDC_PIN_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 18, 70, 16, L"Mobile PIN code:", key(AppText::IDD_MAIN_DIALOG_IDC_PIN_LABEL)},
    {IDC_GSM_PIN, EDIT, ES_NUMBER, HIDDEN, 84, 18, 144, 14, L""},
    {IDC_COUNTRY_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 36, 70, 16, L"Country:", key(AppText::IDD_MAIN_DIALOG_IDC_COUNTRY_LABEL)},
    {IDC_COUNTRY_LIST, COMBOBOX, CBS_DROPDOWNLIST | WS_VSCROLL, HIDDEN, 84, 36, 144, 68, L""},
    {IDC_PROVIDER_LIST, COMBOBOX, CBS_DROPDOWNLIST | WS_VSCROLL, HIDDEN, 84, 54, 144, 52, L""},
    {IDC_PROVIDER_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 54, 70, 16, L"Provider:", key(AppText::IDD_MAIN_DIALOG_IDC_PROVIDER_LABEL)},
    {IDC_ROAMING_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 72, 70, 16, L"Enable roaming:", key(AppText::IDD_MAIN_DIALOG_IDC_ROAMING_LABEL)},
    {IDC_ROAMING_CHECK, BUTTON, BS_AUTOCHECKBOX, HIDDEN, 84, 72, 16, 10, L""},
    {IDC_SECOND_BUTTON, BUTTON, BS_DEFPUSHBUTTON, HIDDEN, 132, 324, 103, 24, L"Quit without save", key(AppText::IDD_MAIN_DIALOG_IDC_SECOND_BUTTON)},
    {IDC_FIRST_BUTTON, BUTTON, BS_DEFPUSHBUTTON, HIDDEN, 6, 324, 100, 24, L"Save and Quit", key(AppText::IDD_MAIN_DIALOG_IDC_FIRST_BUTTON)},
    {IDC_ADVANCED_GROUP, BUTTON, BS_GROUPBOX, HIDDEN, 6, 90, 228, 138, L"Advanced GSM Preferences", key(AppText::IDD_MAIN_DIALOG_IDC_ADVANCED_GROUP)},
    {IDC_WIFI_GROUP, BUTTON, BS_GROUPBOX, HIDDEN, 6, 234, 228, 48, L"WIFI Preferences", key(AppText::IDD_MAIN_DIALOG_IDC_WIFI_GROUP)},
    {IDC_APN_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 120, 70, 8, L"APN:", key(AppText::IDD_MAIN_DIALOG_IDC_APN_LABEL)},
    {IDC_APN, EDIT, 0, HIDDEN, 84, 114, 144, 14, L""},
    {IDC_GSM_PASSWORD, EDIT, 0, HIDDEN, 84, 150, 144, 14, L""},
    {IDC_GSM_USER, EDIT, 0, HIDDEN, 84, 132, 144, 14, L""},
    {IDC_DNS1, EDIT, 0, HIDDEN, 84, 168, 144, 14, L""},
    {IDC_DNS2, EDIT, 0, HIDDEN, 84, 186, 144, 14, L""},
    {IDC_GATEWAY, EDIT, 0, HIDDEN, 84, 204, 144, 14, L""},
    {IDC_USER_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 132, 70, 16, L"User:", key(AppText::IDD_MAIN_DIALOG_IDC_USER_LABEL)},
    {IDC_PASSWORD_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 150, 70, 16, L"Password:", key(AppText::IDD_MAIN_DIALOG_IDC_PASSWORD_LABEL)},
    {IDC_DNS2_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 186, 70, 16, L"DNS2:", key(AppText::IDD_MAIN_DIALOG_IDC_DNS2_LABEL)},
    {IDC_DNS1_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 168, 70, 16, L"DNS1:", key(AppText::IDD_MAIN_DIALOG_IDC_DNS1_LABEL)},
    {IDC_GATEWAY_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 204, 70, 16, L"Network Gateway:", key(AppText::IDD_MAIN_DIALOG_IDC_GATEWAY_LABEL)},
    {IDC_BANNER, STATIC, SS_BITMAP, SHOWN, 12, 270, 217, 23, nullptr},
    {IDC_PROGRESS_BAR, PROGRESS, WS_BORDER, HIDDEN, 7, 297, 228, 10, L"Progress", key(AppText::IDD_MAIN_DIALOG_IDC_PROGRESS_BAR)},
    {IDC_RADIO_GROUP, BUTTON, BS_GROUPBOX, HIDDEN, 6, 287, 228, 34, L"Radio Preferences", key(AppText::IDD_MAIN_DIALOG_IDC_RADIO_GROUP)},
    {IDC_RADIO_PROFILE_LABEL, STATIC, SS_LEFT, HIDDEN, 12, 300, 70, 16, L"Radio profile:", key(AppText::IDD_MAIN_DIALOG_IDC_RADIO_PROFILE_LABEL)},
    {IDC_RADIO_PROFILE_LIST, COMBOBOX, CBS_DROPDOWNLIST | WS_VSCROLL, HIDDEN, 84, 300, 144, 52, L""},
    {IDC_VERSION_LABEL, STATIC, SS_RIGHT, SHOWN, 192, 348, 48, 8, L"v"},
    {IDC_GSM_GROUP, BUTTON, BS_GROUPBOX, HIDDEN, 6, 7, 228, 81, L"GSM Preferences", key(AppText::IDD_MAIN_DIALOG_IDC_GSM_GROUP)},
    {IDC_APN_NOTE, STATIC, SS_LEFT, HIDDEN, 12, 98, 216, 16, L"Change these only if the defaults do not work!", key(AppText::IDD_MAIN_DIALOG_IDC_APN_NOTE)},
};

const ExpectedControl DEBUG_DIALOG[] = {
    {IDC_FIRST_BUTTON, BUTTON, BS_DEFPUSHBUTTON, SHOWN, 220, 253, 50, 14, L"OK", key(AppText::IDD_DEBUG_DIALOG_IDC_FIRST_BUTTON)},
    {IDC_DEBUG_TEXT, EDIT, ES_MULTILINE | WS_BORDER, SHOWN, 7, 7, 263, 240, L""},
};

// A kind's low style bits (button type, static alignment) are a number, not flags.
void expectKind(const TemplateControl& actual, const ExpectedControl& expected) {
    if (expected.controlClass == BUTTON) {
        EXPECT_EQ(actual.style & BS_TYPEMASK, expected.styleBits & BS_TYPEMASK);
        EXPECT_EQ(actual.style & BS_CENTER, expected.styleBits & BS_CENTER);
    } else if (expected.controlClass == STATIC) {
        EXPECT_EQ(actual.style & SS_TYPEMASK, expected.styleBits & SS_TYPEMASK);
    } else if (expected.controlClass == COMBOBOX) {
        EXPECT_EQ(actual.style & 0x3, expected.styleBits & 0x3);  // simple / drop-down / drop-down list
        EXPECT_EQ(actual.style & CBS_SORT, 0u) << "lists keep insertion order";
        EXPECT_EQ(actual.style & WS_VSCROLL, static_cast<DWORD>(WS_VSCROLL));
    } else {
        EXPECT_EQ(actual.style & expected.styleBits, expected.styleBits);
    }
}

// UTF-16 of a catalogue text, as the resource compiler writes it.
std::wstring wide(const char* utf8) {
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units > 0 ? units : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, text.data(), units);
    text.resize(text.size() - 1);
    return text;
}

std::wstring catalogueText(int language, int key) {
    return wide(res::APP_TEXTS[language][key]);
}

constexpr LANGID ENGLISH = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

LANGID blockOf(int language) {
    return MAKELANGID(res::LANGUAGES[language].windowsPrimary, res::LANGUAGES[language].windowsSub);
}

// Every control as expected, with the texts of the given language (the
// English of the table itself, for English).
void expectControls(const DialogTemplate& dialog, const ExpectedControl* expected, std::size_t count,
                    int language = 0) {
    ASSERT_EQ(dialog.controls.size(), count);
    for (std::size_t index = 0; index < count; ++index) {
        const TemplateControl& actual = dialog.controls[index];
        const ExpectedControl& want = expected[index];
        SCOPED_TRACE("control " + std::to_string(want.id));
        EXPECT_EQ(actual.id, want.id);
        EXPECT_EQ(actual.controlClass, want.controlClass);
        expectKind(actual, want);
        EXPECT_EQ(actual.style & WS_VISIBLE, want.visibility);
        EXPECT_EQ(actual.style & WS_CHILD, static_cast<DWORD>(WS_CHILD));
        EXPECT_EQ(actual.x, want.x);
        EXPECT_EQ(actual.y, want.y);
        EXPECT_EQ(actual.width, want.width);
        EXPECT_EQ(actual.height, want.height);
        if (want.key != NO_KEY) {
            EXPECT_EQ(catalogueText(0, want.key), want.text) << "the catalogue's English";
        }
        if (want.key != NO_KEY && language != 0) {
            EXPECT_EQ(actual.text, catalogueText(language, want.key));
        } else if (want.text != nullptr) {
            EXPECT_EQ(actual.text, want.text);
        }
    }
}

TEST_F(ProgramResources, MainDialogTemplateHasEveryControlInOrder) {
    const std::uint8_t* data = blockResource(5 /* RT_DIALOG */, IDD_MAIN_DIALOG, ENGLISH);
    ASSERT_NE(data, nullptr);
    const DialogTemplate dialog = TemplateReader(data).read();
    EXPECT_EQ(dialog.caption, L"Brelvan Ondavox Utility");
    EXPECT_EQ(dialog.width, 242);
    EXPECT_EQ(dialog.height, 356);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, L"MS Shell Dlg");
    EXPECT_EQ(dialog.style & DS_MODALFRAME, static_cast<DWORD>(DS_MODALFRAME));
    EXPECT_EQ(dialog.style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_EQ(dialog.style & WS_SYSMENU, 0u) << "no system menu, so no close box";
    EXPECT_EQ(dialog.extendedStyle & WS_EX_LAYOUTRTL, 0u);
    expectControls(dialog, MAIN_DIALOG, std::size(MAIN_DIALOG));
    // The banner names bitmap 135 by number.
    EXPECT_EQ(dialog.controls[30].id, IDC_BANNER);
    EXPECT_EQ(dialog.controls[30].textOrdinal, IDB_BANNER);
}

TEST_F(ProgramResources, DebugDialogTemplate) {
    const std::uint8_t* data = blockResource(5 /* RT_DIALOG */, IDD_DEBUG_DIALOG, ENGLISH);
    ASSERT_NE(data, nullptr);
    const DialogTemplate dialog = TemplateReader(data).read();
    EXPECT_EQ(dialog.caption, L"Debug");
    EXPECT_EQ(dialog.width, 277);
    EXPECT_EQ(dialog.height, 274);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, L"MS Shell Dlg");
    EXPECT_EQ(dialog.style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    expectControls(dialog, DEBUG_DIALOG, std::size(DEBUG_DIALOG));
    EXPECT_EQ(dialog.controls[1].style & ES_READONLY, 0u) << "the text stays editable";
}

// Each language's block has both dialogs: the English templates' controls,
// geometry and styles with the language's texts, mirrored when the language
// is written right to left.
TEST_F(ProgramResources, EveryLanguageBlockHasBothDialogsInItsLanguage) {
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        SCOPED_TRACE(res::LANGUAGES[language].code);
        const struct {
            int id;
            AppText caption;
            const ExpectedControl* controls;
            std::size_t count;
        } dialogs[] = {
            {IDD_MAIN_DIALOG, AppText::IDD_MAIN_DIALOG_CAPTION, MAIN_DIALOG, std::size(MAIN_DIALOG)},
            {IDD_DEBUG_DIALOG, AppText::IDD_DEBUG_DIALOG_CAPTION, DEBUG_DIALOG, std::size(DEBUG_DIALOG)},
        };
        for (const auto& expected : dialogs) {
            SCOPED_TRACE("dialog " + std::to_string(expected.id));
            const std::uint8_t* data = blockResource(5 /* RT_DIALOG */, expected.id, blockOf(language));
            ASSERT_NE(data, nullptr) << "the block has no such dialog";
            const DialogTemplate dialog = TemplateReader(data).read();
            EXPECT_EQ(dialog.caption, catalogueText(language, key(expected.caption)));
            EXPECT_EQ(dialog.font, L"MS Shell Dlg");
            EXPECT_EQ((dialog.extendedStyle & WS_EX_LAYOUTRTL) != 0, res::LANGUAGES[language].rightToLeft);
            expectControls(dialog, expected.controls, expected.count, language);
        }
    }
}

// The Info area's id -1 must stay findable once the dialog exists. The
// progress bar's class is registered first, as the program does.
TEST_F(ProgramResources, TheInfoAreaIsFoundByItsIdOnceTheDialogIsCreated) {
    INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&commonControls));
    HWND dialog = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    if (dialog == nullptr) GTEST_SKIP() << "no window can be created here";
    HWND info = GetDlgItem(dialog, IDC_INFO_AREA);
    ASSERT_NE(info, nullptr);
    char text[16] = {};
    GetWindowTextA(info, text, sizeof text);
    EXPECT_STREQ(text, "Info");
    DestroyWindow(dialog);
}

TEST_F(ProgramResources, EveryStringHasItsExactText) {
    const struct {
        int id;
        const char* text;
    } strings[] = {
        {103, "Ondavox Utility"},
        {104, "Initializing Device, please wait..."},
        {105, "done"},
        {106, "Save and Quit"},
        {107, "Cancel"},
        {108, "Saving configuration to device, please wait..."},
        {109, "Ondavox Utility"},
        {110, "Reading Device, please wait..."},
        {111, "Waiting for Brelvan Ondavox device..."},
        {112, "No, Thanks!"},
        {113, "Yes!"},
        {114, "Checking software update..."},
        {115, "Brelvan Ondavox Update available!"},
        {116, "Current version:"},
        {117, "Avaliable latest version:"},
        {119, "Do you want to update?"},
        {120, "Brelvan Ondavox is updateing itself. Please Wait for rebooting."},
        {122, "OK"},
        {130, "Quit"},
        {131, "failed"},
        {136, "Initializing Update process, please wait..."},
        {137, "Downloading Update Image..."},
        {138, "Verifying Update Image..."},
        {139, "Please visit " ONDAVOX_MAKER_ADDRESS " for update!"},
        {IDS_LANGUAGE_CODE, "en"},
    };
    for (const auto& expected : strings) {
        char text[100] = {};
        EXPECT_GT(LoadStringA(program, expected.id, text, sizeof text), 0) << expected.id;
        EXPECT_STREQ(text, expected.text) << expected.id;
    }
    // Nothing between the ids: 118, 121, 123 to 129 and 132 to 135 are unused.
    for (int id : {118, 121, 123, 129, 132, 135, 141}) {
        char text[100] = {};
        EXPECT_EQ(LoadStringA(program, id, text, sizeof text), 0) << id;
    }
}

// Each language block's string table against the one the Linux program
// loads from (platform/linux/resources.cpp, built into this test) in that
// language: both are made from one catalogue, and this shows the resource
// compiler kept every text of every block and added none. String 140 names
// the block's language; the Linux program takes its language from the
// locale and has no such string.
BOOL CALLBACK collectStringBlock(HMODULE, LPCWSTR, LPCWSTR name, WORD language, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name)) {
        (*reinterpret_cast<std::map<LANGID, std::vector<int>>*>(blocks))[language].push_back(
            static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return TRUE;
}

BOOL CALLBACK collectStringNames(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR blocks) {
    EnumResourceLanguagesW(module, type, name, collectStringBlock, blocks);
    return TRUE;
}

// The strings of one block of 16 as stored: each its length and its units.
std::map<int, std::string> stringsOfBlock(const std::uint8_t* data, int block) {
    std::map<int, std::string> strings;
    const auto* units = reinterpret_cast<const WCHAR*>(data);
    for (int id = (block - 1) * 16; id < block * 16; ++id) {
        const int length = *units++;
        if (length > 0) {
            char text[512] = {};
            WideCharToMultiByte(CP_UTF8, 0, units, length, text, sizeof text - 1, nullptr, nullptr);
            strings[id] = text;
        }
        units += length;
    }
    return strings;
}

TEST_F(ProgramResources, EveryLanguageBlockHoldsTheSameTextsAsTheLinuxTable) {
    std::map<LANGID, std::vector<int>> blocks;
    EnumResourceNamesW(program, MAKEINTRESOURCEW(6) /* RT_STRING */, collectStringNames,
                       reinterpret_cast<LONG_PTR>(&blocks));
    EXPECT_EQ(blocks.size(), static_cast<std::size_t>(res::LANGUAGE_COUNT)) << "a block per language, no other";
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        SCOPED_TRACE(res::LANGUAGES[language].code);
        std::map<int, std::string> windowsTable;
        for (int block : blocks[blockOf(language)]) {
            for (const auto& [id, text] : stringsOfBlock(blockResource(6, block, blockOf(language)), block)) {
                windowsTable[id] = text;
            }
        }
        EXPECT_EQ(windowsTable[IDS_LANGUAGE_CODE], res::LANGUAGES[language].code) << "the block names its language";
        windowsTable.erase(IDS_LANGUAGE_CODE);

        platform::selectLanguage(language);
        std::map<int, std::string> linuxTable;
        for (int id = 0; id <= 0xFFFF; ++id) {
            char text[256] = {};
            platform::loadString(id, text, sizeof text);
            if (text[0] != '\0') linuxTable[id] = text;
        }
        EXPECT_FALSE(linuxTable.empty());
        EXPECT_EQ(windowsTable, linuxTable);
    }
    platform::selectLanguage(0);
}

// English is every other language's fallback: its block is there, and a
// language the program has no block for gets it from Windows' own loader.
TEST_F(ProgramResources, EnglishIsTheFallback) {
    EXPECT_NE(blockResource(5 /* RT_DIALOG */, IDD_MAIN_DIALOG, ENGLISH), nullptr);
    EXPECT_NE(blockResource(5 /* RT_DIALOG */, IDD_DEBUG_DIALOG, ENGLISH), nullptr);
    EXPECT_NE(blockResource(6 /* RT_STRING */, IDS_LANGUAGE_CODE / 16 + 1, ENGLISH), nullptr);
    const LCID before = GetThreadLocale();
    const LCID swahili = MAKELCID(MAKELANGID(LANG_SWAHILI, SUBLANG_SWAHILI_KENYA), SORT_DEFAULT);
    if (!SetThreadLocale(swahili)) GTEST_SKIP() << "the thread's locale cannot be set here";
    wchar_t code[16] = {};
    LoadStringW(program, IDS_LANGUAGE_CODE, code, 16);
    SetThreadLocale(before);
    EXPECT_STREQ(code, L"en");
}

TEST_F(ProgramResources, SixCharacterCodeShortcutsWithTheirExactFlags) {
    HACCEL table = LoadAcceleratorsA(program, MAKEINTRESOURCEA(IDR_SHORTCUTS));
    ASSERT_NE(table, nullptr);
    // The table as stored: flags with the last-entry bit, key, command.
    DWORD size = 0;
    const std::uint8_t* data = resource(RT_ACCELERATOR, MAKEINTRESOURCEA(IDR_SHORTCUTS), &size);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(size, 6u * 8u);
    const struct {
        WORD flags, key, command;
    } expected[] = {
        {2, 2, IDM_BETA_CHECK},    {18, 2, IDM_BETA_CHECK},    {18, 66, IDM_BETA_CHECK},
        {2, 4, IDM_DEBUG_DIALOG},  {18, 4, IDM_DEBUG_DIALOG},  {146, 68, IDM_DEBUG_DIALOG},
    };
    for (int entry = 0; entry < 6; ++entry) {
        WORD fields[4];
        std::memcpy(fields, data + entry * 8, sizeof fields);
        SCOPED_TRACE("entry " + std::to_string(entry));
        EXPECT_EQ(fields[0], expected[entry].flags);
        EXPECT_EQ(fields[1], expected[entry].key);
        EXPECT_EQ(fields[2], expected[entry].command);
    }
    ACCEL loaded[8];
    EXPECT_EQ(CopyAcceleratorTableA(table, loaded, 8), 6);
    for (const ACCEL& accelerator : loaded) {
        if (&accelerator - loaded >= 6) break;
        EXPECT_EQ(accelerator.fVirt & (FVIRTKEY | FSHIFT | FCONTROL), 0) << "character codes, no Shift or Control";
    }
}

TEST_F(ProgramResources, BannerIconAndManifest) {
    HBITMAP banner = static_cast<HBITMAP>(
        LoadImageA(program, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(banner, nullptr);
    BITMAP info = {};
    GetObjectA(banner, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 325);
    EXPECT_EQ(info.bmHeight, 38);
    DeleteObject(banner);

    DWORD size = 0;
    EXPECT_NE(resource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APPLICATION_ICON), &size), nullptr);

    const std::uint8_t* manifest = resource(RT_MANIFEST, MAKEINTRESOURCEA(1), &size);
    ASSERT_NE(manifest, nullptr);
    const std::string text(reinterpret_cast<const char*>(manifest), size);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    EXPECT_NE(text.find("name=\"Ondavox.Utility\" version=\"" ONDAVOX_VERSION_TEXT ".0\""), std::string::npos)
        << "the manifest names the project's version";
}

// The version as Windows shows it in the file's properties: the numbers and
// both texts are the project's version, the fourth number 0.
TEST_F(ProgramResources, VersionResourceIsTheProjectVersion) {
    const std::string path = exePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = MAKELONG(ONDAVOX_VERSION_MINOR, ONDAVOX_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, ONDAVOX_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const struct {
        const char* name;
        const char* text;
    } texts[] = {
        {"FileVersion", ONDAVOX_VERSION_TEXT},
        {"ProductVersion", ONDAVOX_VERSION_TEXT},
        {"OriginalFilename", "ondavox.exe"},
        {"ProductName", "Brelvan Ondavox Utility"},
    };
    for (const auto& expected : texts) {
        const std::string key = std::string("\\StringFileInfo\\040904b0\\") + expected.name;
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << key;
        EXPECT_STREQ(text, expected.text) << key;
    }
}

}  // namespace
