#pragma once
// The Linux program on Qt Widgets: the main dialog of template 9 over app/,
// the shortcuts that reach it from every window of the program, and the
// input filters of the form's text fields. Everything here runs on the
// user-interface thread.

#include <QDialog>
#include <QObject>

class QSocketNotifier;

#include "platform/dialog.h"
#include "platform/qt/dialog_binding.h"

class QKeyEvent;

namespace program {

// Takes the user's language from the environment (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG, as gettext reads them; English where none is in the
// catalogue), loads the program's strings in it and lays every window out
// right to left for a right-to-left language. Call once QApplication exists
// and before the first window.
void takeUserLanguage();

// The main dialog: the controls of template 9 with their ids, texts and
// start visibility, laid out by Qt. It forwards its initialisation and
// commands to app/ and is bound for the dialog operations from its start.
class MainDialog : public QDialog {
public:
    MainDialog();

    platform::DialogHandle handle() const { return binding_.handle(); }
    const platform::qt::DialogBinding& binding() const { return binding_; }

    // app::onMainDialogInit, after which the operations workers queued
    // meanwhile take effect.
    void initialise();
    // initialise, then the modal run; the dialog's closing result.
    int run();
    // True until the modal run has finished (the dialog operations are then
    // dropped, and shortcuts no longer reach it).
    bool isOpen() const { return !binding_.hasEnded(); }

    // Escape and the window's close button: command 2, as the Escape key on
    // Windows. Whether the dialog closes is app/'s decision.
    void reject() override;

private:
    void command(int id, int notification);

    platform::qt::DialogBinding binding_;
};

// The shortcut command of a key press (IDM_BETA_CHECK for Ctrl+B and
// Alt+Shift+B, IDM_DEBUG_DIALOG for Ctrl+D and Alt+Shift+D), or 0.
int shortcutCommand(const QKeyEvent& key);

// Turns the shortcut keys of every window of the program (the main dialog
// and the Debug dialog above it alike) into commands of the main dialog
// while it is open: an event filter on the application, for as long as it
// exists.
class ShortcutFilter : public QObject {
public:
    explicit ShortcutFilter(MainDialog& dialog);
    ~ShortcutFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainDialog& dialog_;
};

// Makes SIGTERM, SIGHUP and SIGINT reach the program as its session's end
// (see SessionEndWatch) for the rest of the process's life, also while main
// waits for a write to the radio. Call once, after QApplication is made and
// before the dialog. False when the signals cannot be caught (they then end
// the program as they would without it).
bool catchSessionEndSignals();

// While it exists, the session's end (a signal caught above, or a request to
// quit the application) closes the main dialog: any dialog above it first,
// then the main dialog's run ends, and main goes on to the program's end.
class SessionEndWatch : public QObject {
public:
    explicit SessionEndWatch(MainDialog& dialog);
    ~SessionEndWatch() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // How many times the session's end closed the dialog.
    int sessionEnds() const { return sessionEnds_; }

private:
    void endSession();

    MainDialog& dialog_;
    QSocketNotifier* notifier_ = nullptr;
    int sessionEnds_ = 0;
};

// Makes the form's text fields refuse, typed or pasted, what the
// configuration file cannot carry (app::isFormTextCharacter), and the PIN
// field anything but digits. Texts the program sets go in as they are.
void filterFormTextFields(QDialog& dialog);

}  // namespace program
