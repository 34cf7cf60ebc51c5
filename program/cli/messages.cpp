#include "program/cli/messages.h"

#include <cstdarg>
#include <cstdio>

namespace cli {

namespace {

void sayWith(const char* prefix, const char* format, va_list arguments) {
    std::fputs(prefix, stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sayWith("ondavox-cli: ", format, arguments);
    va_end(arguments);
}

void sayError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sayWith("ondavox-cli: error: ", format, arguments);
    va_end(arguments);
}

}  // namespace cli
