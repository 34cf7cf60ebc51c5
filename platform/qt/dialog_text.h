#pragma once
// The 8-bit texts of the dialog operations and the Unicode text of Qt's
// controls. A control shows its bytes decoded for display (UTF-8, else
// Latin-1, text/display_text.h) and keeps the bytes it was given: reading it
// back gives those very bytes while its text is unchanged, so every value of
// the configuration file makes the round trip. A text the user has changed
// is encoded in the encoding its old text was shown in: Latin-1 when some of
// the old bytes were not UTF-8 and every character fits Latin-1, else UTF-8.

#include <QString>
#include <QWidget>

#include <cstdint>

namespace platform::qt {

QString displayText(const char* bytes);

// Shows bytes in control and keeps them for reading back. An edit field's
// input filter (its validator) does not apply: the text goes in as given.
void setControlBytes(QWidget& control, const char* bytes);

// The control's 8-bit text into buffer, cut to capacity - 1 bytes (a cut
// never splits a UTF-8 sequence) and NUL-terminated. capacity >= 1.
void copyControlBytes(const QWidget& control, char* buffer, std::uint32_t capacity);

}  // namespace platform::qt
