#include "tests/win32/catalogue_dialogs.h"

#include <commctrl.h>

#include <cstdio>

#include "platform/win32/dialog_thread.h"
#include "platform/win32/wide_text.h"

namespace fittest {

namespace {

// Wine's own Tahoma, from the fonts-wine package. Debian's Wine does not look
// into that folder by itself: without it "MS Shell Dlg" is drawn in DejaVu
// Sans, which no user of the program meets.
constexpr const wchar_t* TAHOMA_FILES[] = {L"Z:\\usr\\share\\wine\\fonts\\tahoma.ttf",
                                           L"Z:\\usr\\share\\wine\\fonts\\tahomabd.ttf"};

LANGID appTextsLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

INT_PTR CALLBACK serviceProcedure(HWND, UINT message, WPARAM, LPARAM lParam) {
    return platform::win32::runDialogThreadCall(message, lParam) ? TRUE : FALSE;
}

}  // namespace

LANGID blockLanguage(int language) {
    const res::Language& entry = res::LANGUAGES[language];
    return MAKELANGID(entry.windowsPrimary, entry.windowsSub);
}

std::wstring programPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));  // build/<flavour>/tests
    folder = folder.substr(0, folder.find_last_of(L"\\/"));  // build/<flavour>
    return folder + L"\\ondavox.exe";
}

HMODULE programResources() {
    static HMODULE program = LoadLibraryExW(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return program;
}

const DLGTEMPLATE* dialogTemplate(int dialogId, LANGID language) {
    HMODULE program = programResources();
    if (program == nullptr) {
        return nullptr;
    }
    HRSRC found = FindResourceExW(program, MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(dialogId), language);
    if (found == nullptr) {
        return nullptr;
    }
    return static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(program, found)));
}

void loadBlockString(LANGID language, int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    HMODULE program = programResources();
    HRSRC found = program != nullptr ? FindResourceExW(program, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                                       MAKEINTRESOURCEW(id / 16 + 1), language)
                                     : nullptr;
    if (found == nullptr) {
        return;
    }
    // A block of 16 strings, each its length in UTF-16 units and its units.
    const auto* units = static_cast<const WCHAR*>(LockResource(LoadResource(program, found)));
    for (int index = 0; index < id % 16; ++index) {
        units += 1 + *units;
    }
    platform::win32::copyAsUtf8(units + 1, *units, buffer, capacity);
}

void useBlockForTheAppsTexts(int language) { appTextsLanguage = blockLanguage(language); }

CatalogueDialog::CatalogueDialog(int dialogId, int language) {
    const DLGTEMPLATE* found = dialogTemplate(dialogId, blockLanguage(language));
    if (found != nullptr) {
        // The test program carries the program's resources too (the banner
        // the template names, the manifest with common controls 6).
        window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), found, nullptr, serviceProcedure, 0);
    }
}

CatalogueDialog::~CatalogueDialog() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::string utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void prepareProcessLikeTheProgram() {
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);
    for (const wchar_t* file : TAHOMA_FILES) {
        AddFontResourceExW(file, FR_PRIVATE, nullptr);
    }
}

bool tahomaIsThere() {
    HDC screen = GetDC(nullptr);
    HFONT tahoma = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HGDIOBJ previous = SelectObject(screen, tahoma);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    SelectObject(screen, previous);
    DeleteObject(tahoma);
    ReleaseDC(nullptr, screen);
    return lstrcmpiW(face, L"Tahoma") == 0;
}

std::string localeMismatch(int language) {
    if (language == 0 || language == res::PSEUDO_LANGUAGE) {
        return "";
    }
    const LANGID user = GetUserDefaultUILanguage();
    if (PRIMARYLANGID(user) == res::LANGUAGES[language].windowsPrimary) {
        return "";
    }
    char message[200];
    std::snprintf(message, sizeof message,
                  "the test runs in the locale of language id 0x%04X, not in one of %s: Wine picks the fonts by the "
                  "locale, so start it with LC_ALL naming a compiled locale of the language (and LOCPATH its folder)",
                  user, res::LANGUAGES[language].code);
    return message;
}

}  // namespace fittest

// The program's loadString, wrapped for this test (fit_tests.cmake): the
// string of the block useBlockForTheAppsTexts chose.
extern "C" void __wrap__ZN8platform10loadStringEiPcj(int id, char* buffer, std::uint32_t capacity) {
    fittest::loadBlockString(fittest::appTextsLanguage, id, buffer, capacity);
}
