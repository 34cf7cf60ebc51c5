#pragma once
// The dialog services over Qt Widgets, as a program built on Qt sees them. A
// program builds a QDialog whose controls carry their template ids
// (setControlId), binds it (DialogBinding) and hands the binding's handle to
// the code that calls platform/dialog.h.
//
// Threads: an operation called on the dialog's own thread (the one that bound
// it) runs at once. One called from any other thread is queued to the
// dialog's thread and the caller waits until it has run there. While the
// dialog initialises (from binding to endInitialisation) queued operations
// wait, and run in their order once it is over. Once the dialog is gone
// (its modal run has finished, or the binding ends) every operation is
// dropped at once, queued or new: the caller goes on, nothing is touched.

#include <QDialog>
#include <QWidget>

#include <cstddef>

#include "platform/dialog.h"

namespace platform::qt {

// Gives control the id the dialog operations find it by.
void setControlId(QWidget& control, int id);
// The id given by setControlId, or 0.
int controlIdOf(const QWidget& control);
// The control of dialog with that id (itself or any widget below it), or null.
QWidget* findControl(const QWidget& dialog, int id);

// The text the operations read back from a control: its own 8-bit text (see
// getControlText). For programs and tests on the dialog's thread.
QByteArray controlBytes(const QWidget& control);

class DialogBinding {
public:
    // Binds dialog, which starts out initialising. Called on the dialog's
    // thread, with the dialog built. The binding ends by itself when the
    // dialog's modal run finishes (QDialog::finished).
    explicit DialogBinding(QDialog& dialog);
    // Ends the binding if it has not ended yet.
    ~DialogBinding();
    DialogBinding(const DialogBinding&) = delete;
    DialogBinding& operator=(const DialogBinding&) = delete;

    // The handle the dialog operations take; valid for the whole process,
    // also after the binding has ended (operations are then dropped).
    DialogHandle handle() const { return handle_; }

    // The initialisation is over: operations that other threads queued meanwhile
    // run now, in their order; later ones run as they come.
    void endInitialisation();
    // The dialog is gone: queued operations are dropped (their callers go on)
    // and so is every later one. Called on the dialog's thread.
    void end();
    bool hasEnded() const;
    // How many operations of other threads wait for the dialog's thread now
    // (for tests and diagnostics).
    std::size_t waitingOperations() const;

private:
    DialogHandle handle_;
};

}  // namespace platform::qt
