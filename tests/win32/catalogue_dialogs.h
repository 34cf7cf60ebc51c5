#pragma once
// The built program's dialogs in each language of the catalogue, made inside
// the test from ondavox.exe's own resources: the template of a language's
// block (FindResourceExW on the program loaded as a data file) created with
// CreateDialogIndirectParamW, as DialogBoxParamW makes it in the program.

#include <windows.h>

#include <cstdint>
#include <string>

#include "res/languages.h"

namespace fittest {

// The program's language id of a catalogue language's resource block.
LANGID blockLanguage(int language);

// ondavox.exe beside the test programs' folder, loaded as a data file once.
HMODULE programResources();
std::wstring programPath();

// The block's template of dialog id; null when the block lacks it.
const DLGTEMPLATE* dialogTemplate(int dialogId, LANGID language);

// String id of the block's string table as UTF-8, cut as the program's
// loadString cuts it; empty when the block lacks it.
void loadBlockString(LANGID language, int id, char* buffer, std::uint32_t capacity);

// The language whose block the app's texts come from in this test process:
// the program's loadString is linked wrapped (fit_tests.cmake), so the app's
// own loadUiStrings reads that block of ondavox.exe. Windows itself picks the
// block by the thread's locale, which Wine cannot set to the pseudo-language.
void useBlockForTheAppsTexts(int language);

// A dialog made from a block's template, modeless and hidden, with a
// procedure that only carries out the dialog services' calls; destroyed
// with the object.
class CatalogueDialog {
public:
    CatalogueDialog(int dialogId, int language);
    ~CatalogueDialog();
    CatalogueDialog(const CatalogueDialog&) = delete;
    CatalogueDialog& operator=(const CatalogueDialog&) = delete;

    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
};

// UTF-8 of a UTF-16 text, for messages.
std::string utf8(const std::wstring& text);
// A control's text as the user reads it.
std::wstring windowText(HWND window);

// Sets the process up as the program is: aware of the system DPI (the
// program's manifest says so), with the common controls registered and
// Wine's Tahoma (fonts-wine) loaded, the font "MS Shell Dlg" maps to.
// Call before the first window.
void prepareProcessLikeTheProgram();
// Whether the process draws with Wine's Tahoma (fonts-wine is installed).
bool tahomaIsThere();

// Empty when the process runs in the language's own locale, as a user of
// it would (its code page picks the fonts Wine draws with); else what is
// wrong. English and the pseudo-language run in any locale.
std::string localeMismatch(int language);

}  // namespace fittest
