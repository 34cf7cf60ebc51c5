// The keyboard shortcuts: Ctrl+B (the beta check) and Ctrl+D (the Debug
// dialog), also with Alt, and Alt+Shift+B / Alt+Shift+D, as the Windows
// program's shortcut table has them. They reach the main dialog from every
// window of the program, whatever has the focus, also while the modal Debug
// dialog is open.

#include <QApplication>
#include <QKeyEvent>

#include "app/main_dialog.h"
#include "program/linux/program.h"
#include "res/control_ids.h"

namespace program {

int shortcutCommand(const QKeyEvent& key) {
    int command = 0;
    if (key.key() == Qt::Key_B) {
        command = IDM_BETA_CHECK;
    } else if (key.key() == Qt::Key_D) {
        command = IDM_DEBUG_DIALOG;
    } else {
        return 0;
    }
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    if (modifiers & Qt::MetaModifier) {
        return 0;
    }
    // Ctrl with the letter gives its control code, with or without Shift and
    // Alt; Alt alone needs the capital letter.
    if (modifiers & Qt::ControlModifier) {
        return command;
    }
    if (modifiers == (Qt::AltModifier | Qt::ShiftModifier)) {
        return command;
    }
    return 0;
}

ShortcutFilter::ShortcutFilter(MainDialog& dialog) : dialog_(dialog) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    }
}

ShortcutFilter::~ShortcutFilter() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
}

// Every event of the program passes here first. A shortcut's key press
// becomes the main dialog's command (with notification 1, as a shortcut
// command carries) and goes no further; a held key does not repeat it.
bool ShortcutFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const int command = shortcutCommand(key);
    if (command == 0 || !dialog_.isOpen()) {
        return false;
    }
    if (!key.isAutoRepeat()) {
        app::onMainDialogCommand(dialog_.handle(), command, app::SELECTION_CHANGED);
    }
    return true;
}

}  // namespace program
