#pragma once
// Dialog services group of the platform layer: the control operations the
// core performs on the main dialog. Each call made from a worker thread is
// carried out on the user-interface thread and returns once it is done; calls
// made while the dialog initialises take effect after its initialisation.
//
// A worker changes the dialog in steps: runDialogStep carries a whole step
// (several operations, and the reads and writes of the dialog's variables
// that go with them) over to the user-interface thread in one call. The
// operations inside it run at once, and the dialog handles a press or a
// shortcut before the step or after it, never between two of its operations.

#include <cstdint>
#include <span>
#include <type_traits>

namespace platform {

// Opaque handle of a dialog window (an HWND on Windows).
struct DialogWindow;
using DialogHandle = DialogWindow*;

constexpr int NO_SELECTION = -1;

// Runs step(context) on the dialog's thread and returns once it has run.
// Called on that thread (from a command, or inside another step) it runs at
// once. False when the dialog is gone and the step was dropped.
bool runDialogStep(DialogHandle dialog, void (*step)(void* context), void* context);

// The same for any callable: onDialogThread(dialog, [&] { ... }).
template <typename Step>
bool onDialogThread(DialogHandle dialog, Step&& step) {
    using Callable = std::remove_reference_t<Step>;
    return runDialogStep(dialog, [](void* context) { (*static_cast<Callable*>(context))(); }, &step);
}

// Drop-down lists keep their items in the given order; an item's position is
// the caller's index. Replaces every item of the list in one operation and
// leaves it without a selection (no texts: an empty list).
void listFill(DialogHandle dialog, int controlId, std::span<const char* const> texts);
int listSelection(DialogHandle dialog, int controlId);  // NO_SELECTION when none
void listSelect(DialogHandle dialog, int controlId, int index);  // NO_SELECTION clears

void setControlText(DialogHandle dialog, int controlId, const char* text);
// Copies the control's text into buffer, cut to capacity - 1 characters and
// always NUL-terminated (capacity must be at least 1).
void getControlText(DialogHandle dialog, int controlId, char* buffer, std::uint32_t capacity);

// True only when the check box is ticked (not for unticked or indeterminate).
bool isChecked(DialogHandle dialog, int controlId);
void setChecked(DialogHandle dialog, int controlId, bool checked);

// Visibility only; a control's enabled state is never changed.
void showControl(DialogHandle dialog, int controlId, bool shown);

// A progress bar. Shown or hidden; on Windows the window's taskbar button
// shows the bar too, where the shell offers that, and is cleared with it.
void showProgressBar(DialogHandle dialog, int controlId, bool shown);
// Sets the bar to done of total. Total 0 means no total is known: the bar
// moves to tell that work goes on, without a share. Done beyond total counts
// as total.
void setProgressBar(DialogHandle dialog, int controlId, std::uint64_t done, std::uint64_t total);

// The bar's value in per cent, as every implementation shows it and reports
// it to assistive tools: done of total, rounded down, at most 100.
constexpr int progressPercent(std::uint64_t done, std::uint64_t total) {
    if (total == 0) {
        return 0;
    }
    if (done >= total) {
        return 100;
    }
    // Either form stays inside 64 bits: done < total, and a total above
    // 2^57 is divided first.
    return static_cast<int>(total < (1ull << 57) ? done * 100 / total : done / (total / 100 + 1));
}

// Ends the modal run of the dialog with the given result.
void closeDialog(DialogHandle dialog, int result);

// Opens the Debug dialog modally, owned by the given dialog, showing text;
// returns when the user closes it with its OK button.
void runDebugDialog(DialogHandle owner, const char* text);

}  // namespace platform
