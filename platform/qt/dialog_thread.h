#pragma once
// Carrying a dialog operation over to the dialog's own thread (see
// dialog_binding.h for the rules). Shared by the control operations and the
// Debug dialog.

#include <QDialog>

#include <type_traits>

#include "platform/dialog.h"

namespace platform::qt {

// One operation waiting for the dialog's thread; it lives on the waiting
// caller's stack.
struct QueuedOperation {
    void (*run)(void* context, QDialog& dialog);
    void* context;
    bool finished = false;  // ran or dropped; guarded by the dialog's lock
    bool ran = false;
};

// Runs operation on the dialog's thread, or drops it (see dialog_binding.h).
// False when it was dropped.
bool runOnDialogThread(DialogHandle handle, QueuedOperation& operation);

// Runs operation(QDialog&) on the dialog's thread and returns once it ran or
// was dropped; true when it ran.
template <typename Operation>
bool onDialogThread(DialogHandle handle, Operation&& operation) {
    using Callable = std::remove_reference_t<Operation>;
    QueuedOperation queued{[](void* context, QDialog& dialog) { (*static_cast<Callable*>(context))(dialog); },
                           &operation};
    return runOnDialogThread(handle, queued);
}

}  // namespace platform::qt
