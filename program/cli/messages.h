#pragma once
// Messages for people, on standard error, each starting with the program's
// name, in the language the program speaks (platform/language.h). A message
// is named by its key in res/cli_messages.table; its arguments are checked
// against the English text when the program is built (format_check.h).

#include <cstddef>

#include "program/cli/format_check.h"
#include "res/cli_texts.h"

namespace cli {

using enum res::CliText;

// The longest line a message makes; a longer one is cut.
constexpr std::size_t MESSAGE_LINE_CAPACITY = 2048;

// The text of a key in the process's language.
const char* cliText(res::CliText text);

// "ondavox-cli: " and the text, a line end after it (for the interrupt's
// line, resolved before a signal can come).
void formatMessageLine(char (&line)[MESSAGE_LINE_CAPACITY], res::CliText text);

// "ondavox-cli: error: " (translated) before a message already made.
void sayErrorText(const char* message);

namespace message_detail {

// A message's text in the user's language, formatted with the arguments,
// on standard error.
void sayFormatted(bool error, const char* format, ...);
// The same into buffer.
void formatInto(char* buffer, std::size_t capacity, const char* format, ...);

template <res::CliText text, typename... Arguments>
constexpr bool fits() {
    return formatTakes(res::CLI_TEXTS[0][static_cast<int>(text)], ArgumentKinds<Arguments...>::text);
}

}  // namespace message_detail

template <res::CliText text, typename... Arguments>
void say(Arguments... arguments) {
    static_assert(message_detail::fits<text, Arguments...>(), "the arguments do not fit the message's conversions");
    message_detail::sayFormatted(false, cliText(text), arguments...);
}

// "ondavox-cli: error: ..."
template <res::CliText text, typename... Arguments>
void sayError(Arguments... arguments) {
    static_assert(message_detail::fits<text, Arguments...>(), "the arguments do not fit the message's conversions");
    message_detail::sayFormatted(true, cliText(text), arguments...);
}

// The message alone, for a caller that says it later.
template <res::CliText text, std::size_t capacity, typename... Arguments>
void formatMessage(char (&buffer)[capacity], Arguments... arguments) {
    static_assert(message_detail::fits<text, Arguments...>(), "the arguments do not fit the message's conversions");
    message_detail::formatInto(buffer, capacity, cliText(text), arguments...);
}

}  // namespace cli
