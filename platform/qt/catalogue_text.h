#pragma once
// A text of the message catalogue in the process's language, as Qt shows it.
// The catalogue's texts are UTF-8.

#include <QString>

#include "platform/language.h"

namespace platform::qt {

inline QString catalogueText(res::AppText text) {
    return QString::fromUtf8(appText(text));
}

}  // namespace platform::qt
