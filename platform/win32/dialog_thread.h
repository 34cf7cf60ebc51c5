#pragma once
// Carrying a control operation over to the dialog's own thread. A worker's
// call becomes one message sent to the dialog: the user-interface thread runs
// it in the dialog's procedure while the worker waits. Messages sent while the
// dialog initialises wait until its initialisation is over.

#include <windows.h>

#include <type_traits>

namespace platform::win32 {

constexpr UINT WM_RUN_ON_DIALOG_THREAD = WM_APP + 1;

struct DialogThreadCall {
    void (*run)(void* context);
    void* context;
};

// The dialog procedure's part: runs a call that a worker sent.
inline bool runDialogThreadCall(UINT message, LPARAM parameter) {
    if (message != WM_RUN_ON_DIALOG_THREAD) {
        return false;
    }
    const auto* call = reinterpret_cast<const DialogThreadCall*>(parameter);
    call->run(call->context);
    return true;
}

// Runs operation on the thread that owns window and returns once it ran. When
// the window is gone (the dialog closed) the operation is dropped.
template <typename Operation>
void onDialogThread(HWND window, Operation&& operation) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        operation();
        return;
    }
    using Callable = std::remove_reference_t<Operation>;
    DialogThreadCall call{[](void* context) { (*static_cast<Callable*>(context))(); }, &operation};
    SendMessageW(window, WM_RUN_ON_DIALOG_THREAD, 0, reinterpret_cast<LPARAM>(&call));
}

}  // namespace platform::win32
