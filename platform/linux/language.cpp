// The user's languages on Linux, as gettext reads them: LANGUAGE, a list,
// unless the locale is C or POSIX; then the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/language.h"

namespace platform {

namespace {

const char* localeName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "";
}

bool isPlainLocale(const char* name) {
    const std::size_t length = std::strcspn(name, ".@");
    return (length == 1 && name[0] == 'C') || (length == 5 && std::strncmp(name, "POSIX", 5) == 0);
}

}  // namespace

void userLanguages(char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    const char* locale = localeName();
    const char* list = std::getenv("LANGUAGE");
    if (list != nullptr && list[0] != '\0' && locale[0] != '\0' && !isPlainLocale(locale)) {
        std::snprintf(buffer, capacity, "%s:%s", list, locale);
    } else {
        std::snprintf(buffer, capacity, "%s", locale);
    }
}

}  // namespace platform
