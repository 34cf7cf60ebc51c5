// The Linux program's entry: Qt's application, the strings, the main dialog's
// modal run with the shortcuts, and the program's end, which waits for a write
// to the radio under way.

#include <QApplication>
#include <QIcon>

#include "app/main_dialog.h"
#include "app/ui_strings.h"
#include "program/linux/program.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ondavox-utility"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ondavox/ondavox.ico")));
    app::loadUiStrings();
    {
        program::MainDialog dialog;
        program::ShortcutFilter shortcuts(dialog);
        dialog.run();
    }
    // The dialog is gone: workers' dialog operations are dropped from here on,
    // so a task inside a write to the radio finishes it without waiting for
    // this thread.
    app::onProgramEnding();
    return 0;
}
