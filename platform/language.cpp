#include "platform/language.h"

#include <cstring>
#include <initializer_list>

namespace platform {

namespace {

int selectedLanguage = 0;

// The part of a locale name that names the language and its region:
// "de_AT.UTF-8@euro" gives "de_AT".
std::size_t localeNameLength(const char* name, std::size_t length) {
    for (std::size_t at = 0; at < length; ++at) {
        if (name[at] == '.' || name[at] == '@') {
            return at;
        }
    }
    return length;
}

bool sameText(const char* a, std::size_t length, const char* b) {
    return std::strlen(b) == length && std::strncmp(a, b, length) == 0;
}

// Chinese as Taiwan, Hong Kong and Macao write it (zh_TW, zh-HK, zh_Hant_TW):
// traditional characters, which a simplified catalogue (zh_CN) is not.
bool isTraditionalChinese(const char* name, std::size_t length) {
    if (length < 5 || std::strncmp(name, "zh", 2) != 0 || (name[2] != '_' && name[2] != '-')) {
        return false;
    }
    const char* rest = name + 3;
    const std::size_t restLength = length - 3;
    for (const char* part : {"TW", "HK", "MO", "Hant"}) {
        const std::size_t partLength = std::strlen(part);
        if (restLength >= partLength && std::strncmp(rest, part, partLength) == 0 &&
            (restLength == partLength || rest[partLength] == '_' || rest[partLength] == '-')) {
            return true;
        }
    }
    return false;
}

// The catalogue's language named by one entry, or -1.
int languageNamed(const char* name, std::size_t length) {
    // The pseudo-language is the tests' only; it is picked by its exact name.
    for (int index = 0; index < res::LANGUAGE_COUNT; ++index) {
        if (sameText(name, length, res::LANGUAGES[index].code)) {
            return index;
        }
    }
    // Another region of a language takes the catalogue's (de_AT gives de,
    // pt_PT pt_BR), except where the region writes the language in another
    // script: traditional Chinese gets no simplified texts.
    if (isTraditionalChinese(name, length)) {
        return -1;
    }
    std::size_t language = 0;
    while (language < length && name[language] != '_' && name[language] != '-') {
        ++language;
    }
    if (language == 0) {
        return -1;
    }
    for (int index = 0; index < res::PSEUDO_LANGUAGE; ++index) {
        const char* code = res::LANGUAGES[index].code;
        const std::size_t codeLanguage = std::strcspn(code, "_");
        if (codeLanguage == language && std::strncmp(code, name, language) == 0) {
            return index;
        }
    }
    return -1;
}

}  // namespace

int chooseLanguage(const char* preferences) {
    const char* entry = preferences;
    while (entry != nullptr && *entry != '\0') {
        const char* end = std::strchr(entry, ':');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - entry) : std::strlen(entry);
        const std::size_t name = localeNameLength(entry, length);
        if (sameText(entry, name, "C") || sameText(entry, name, "POSIX")) {
            return 0;
        }
        const int index = languageNamed(entry, name);
        if (index >= 0) {
            return index;
        }
        entry = end != nullptr ? end + 1 : nullptr;
    }
    return 0;
}

void selectLanguage(int index) {
    selectedLanguage = index >= 0 && index < res::LANGUAGE_COUNT ? index : 0;
}

void selectUserLanguage() {
    char preferences[LANGUAGE_PREFERENCES_CAPACITY];
    userLanguages(preferences, sizeof preferences);
    selectLanguage(chooseLanguage(preferences));
}

int languageIndex() {
    return selectedLanguage;
}

const res::Language& currentLanguage() {
    return res::LANGUAGES[selectedLanguage];
}

const char* appText(res::AppText text) {
    return res::APP_TEXTS[selectedLanguage][static_cast<int>(text)];
}

}  // namespace platform
