// The Linux program's entry: Qt's application, the user's language and the
// strings in it, the main dialog's modal run with the shortcuts and the
// session's end, and the program's end, which waits for a write to the radio
// under way.

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

#include "app/main_dialog.h"
#include "app/run_log.h"
#include "platform/volumes.h"
#include "program/linux/program.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        // The second line says how this machine finds the radio: UDisks2, or
        // the kernel's mount table where no UDisks2 service answers.
        std::printf("ondavox-utility %s\nradio discovery: %s\n", ONDAVOX_PROGRAM_VERSION,
                    platform::volumeDiscoveryName());
        return 0;
    }
    app::openRunLog("ondavox-utility", ONDAVOX_PROGRAM_VERSION);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ondavox-utility"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ondavox/ondavox.ico")));
    program::takeUserLanguage();
    // From here, logout, shutdown and Ctrl+C end the program through the
    // same path as closing the dialog, never in the middle of a write.
    program::catchSessionEndSignals();
    {
        program::MainDialog dialog;
        program::ShortcutFilter shortcuts(dialog);
        program::SessionEndWatch sessionEnd(dialog);
        dialog.run();
    }
    // The dialog is gone: workers' dialog operations are dropped from here on,
    // so a task inside a write to the radio finishes it without waiting for
    // this thread.
    app::onProgramEnding();
    app::closeRunLog(0);
    return 0;
}
