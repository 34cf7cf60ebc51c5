#include "program/cli/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/language.h"
#include "program/cli/system.h"

namespace cli {

namespace {

constexpr char PROGRAM_PREFIX[] = "ondavox-cli: ";

// The prefix, the message and a line end in one line, written at once.
void sayLine(bool error, const char* format, va_list arguments) {
    char line[MESSAGE_LINE_CAPACITY];
    int length = std::snprintf(line, sizeof line, "%s%s", PROGRAM_PREFIX, error ? cliText(CLI_ERROR_PREFIX) : "");
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof line) {
        std::vsnprintf(line + length, sizeof line - static_cast<std::size_t>(length), format, arguments);
    }
    // A message cut at the buffer's end still ends its line.
    length = static_cast<int>(std::strlen(line));
    if (static_cast<std::size_t>(length) + 1 == sizeof line) {
        --length;
    }
    line[length] = '\n';
    line[length + 1] = '\0';
    writeForPeople(stderr, line);
}

}  // namespace

const char* cliText(res::CliText text) { return res::CLI_TEXTS[platform::languageIndex()][static_cast<int>(text)]; }

void formatMessageLine(char (&line)[MESSAGE_LINE_CAPACITY], res::CliText text) {
    std::snprintf(line, sizeof line, "%s%s\n", PROGRAM_PREFIX, cliText(text));
}

void sayErrorText(const char* message) { message_detail::sayFormatted(true, "%s", message); }

namespace message_detail {

void sayFormatted(bool error, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sayLine(error, format, arguments);
    va_end(arguments);
}

void formatInto(char* buffer, std::size_t capacity, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, capacity, format, arguments);
    va_end(arguments);
}

}  // namespace message_detail

}  // namespace cli
