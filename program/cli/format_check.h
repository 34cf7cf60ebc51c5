#pragma once
// Checks at compile time that the arguments a message is given fit the
// printf conversions of its English text. The message itself is looked up
// in the user's language when the program runs, so the compiler cannot check
// that call; the catalogue's generator holds every translation to the
// English conversions, in number and order, so checking against the English
// covers every language.

#include <type_traits>

namespace cli {

// What one argument is to printf: 'i' an int, 'u' an unsigned int, 's' a
// string; '?' anything else (a long, a pointer to something else), which
// no conversion of the messages takes.
template <typename Argument>
constexpr char argumentKind() {
    using Plain = std::remove_cv_t<Argument>;
    if constexpr (std::is_same_v<Plain, int>) {
        return 'i';
    } else if constexpr (std::is_same_v<Plain, unsigned>) {
        return 'u';
    } else if constexpr (std::is_same_v<Plain, const char*> || std::is_same_v<Plain, char*>) {
        return 's';
    } else {
        return '?';
    }
}

// Whether format's conversions take exactly the arguments kinds names, in
// order: %d %i %c and a * width or precision an int, %u %x %X %o an unsigned
// int, %s a string. A length modifier (%ld, %zu) or a conversion not named
// here never matches, so a message that needs one needs this check widened
// first.
constexpr bool formatTakes(const char* format, const char* kinds) {
    const char* next = format;
    const char* kind = kinds;
    while (*next != '\0') {
        if (*next++ != '%') {
            continue;
        }
        if (*next == '%') {
            ++next;
            continue;
        }
        while (*next == '-' || *next == '+' || *next == ' ' || *next == '#' || *next == '0') {
            ++next;
        }
        for (int part = 0; part < 2; ++part) {  // the width, then the precision after a '.'
            if (part == 1) {
                if (*next != '.') {
                    break;
                }
                ++next;
            }
            if (*next == '*') {
                if (*kind++ != 'i') {
                    return false;
                }
                ++next;
            }
            while (*next >= '0' && *next <= '9') {
                ++next;
            }
        }
        char wanted = '?';
        switch (*next) {
            case 'd':
            case 'i':
            case 'c':
                wanted = 'i';
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                wanted = 'u';
                break;
            case 's':
                wanted = 's';
                break;
            default:
                return false;
        }
        if (*kind++ != wanted) {
            return false;
        }
        ++next;
    }
    return *kind == '\0';
}

// The kinds of the arguments, as formatTakes reads them.
template <typename... Arguments>
struct ArgumentKinds {
    static constexpr char text[] = {argumentKind<Arguments>()..., '\0'};
};

}  // namespace cli
