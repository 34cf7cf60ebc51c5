#pragma once
// The language the program speaks: one of the message catalogue's
// (res/languages.h), chosen once at start from the user's preferences,
// English where none of them is in the catalogue. Written by the user-
// interface thread before any worker exists; read by every thread afterwards.

#include <cstdint>

#include "res/app_texts.h"
#include "res/languages.h"

namespace platform {

constexpr std::uint32_t LANGUAGE_PREFERENCES_CAPACITY = 256;

// The user's wanted languages, most wanted first, as locale names separated
// by ':' ("de_AT.UTF-8:de", "C"); empty when the system names none. Linux:
// LANGUAGE (unless the locale is C or POSIX), then the first of LC_ALL,
// LC_MESSAGES and LANG that is set. Windows: the language of the resource
// block Windows' own loader picks for the program, so the dialogs and every
// other text agree.
void userLanguages(char* buffer, std::uint32_t capacity);

// The catalogue's language for a list as userLanguages gives it: the first
// entry that names one of the catalogue's languages, exactly (pt_BR) or by
// its language alone (de_AT gives de); 0 (English) when none does, or when
// the list ends at C or POSIX. Encodings and modifiers (.UTF-8, @euro) are
// ignored.
int chooseLanguage(const char* preferences);

// Sets the process's language (an index into res::LANGUAGES).
void selectLanguage(int index);
// selectLanguage(chooseLanguage(userLanguages)).
void selectUserLanguage();

int languageIndex();
const res::Language& currentLanguage();

// A text of the app in the process's language.
const char* appText(res::AppText text);

}  // namespace platform
