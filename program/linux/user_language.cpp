// The language the program speaks, taken at its start: the user's choice as
// gettext reads it (platform/language.h), the string table's buffers loaded
// in it, and the whole application mirrored for a right-to-left language.

#include <QGuiApplication>

#include "app/ui_strings.h"
#include "platform/language.h"
#include "program/linux/program.h"

namespace program {

void takeUserLanguage() {
    platform::selectUserLanguage();
    app::loadUiStrings();
    // Every window made from here on takes the application's direction: the
    // dialogs, their lists' pop-ups and Qt's own menus alike.
    const bool rightToLeft = platform::currentLanguage().rightToLeft;
    QGuiApplication::setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
}

}  // namespace program
