#pragma once
// The Debug dialog's text: the raw configuration and status texts of the
// device, as read at startup.

#include <cstddef>

namespace app {

constexpr std::size_t DEBUG_TEXT_CAPACITY = 2048;

// The format's own characters: the headings, the rule and the line feeds.
constexpr std::size_t DEBUG_FORMAT_CHARACTERS = 63;
// What is left for the two texts together.
constexpr std::size_t DEBUG_TEXT_ROOM = DEBUG_TEXT_CAPACITY - 1 - DEBUG_FORMAT_CHARACTERS;
static_assert(DEBUG_TEXT_ROOM == 1984);

// Copies configText and statusText as they stand for the Debug dialog. Called
// by the startup task, which writes them, after each step that changes them:
// the Debug dialog then shows the texts from before a read or after it, never
// a half-written one.
void publishDeviceTexts();

// Forgets the published copy (program start; for tests).
void resetPublishedDeviceTexts();

// Composes from the published copy "Config:\n\n<configText>\n\n<rule>\n\nStatus:\n\n<statusText>\n".
// When the two texts do not fit together, each keeps at least half of the
// room and the one cut ends in "..." (see docs/dialogs.md).
void composeDebugText(char (&buffer)[DEBUG_TEXT_CAPACITY]);

// The shortening rule over any two texts, for tests: writes the composition
// of config and status into buffer.
void composeDebugTextOf(const char* config, const char* status, char (&buffer)[DEBUG_TEXT_CAPACITY]);

}  // namespace app
