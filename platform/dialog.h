#pragma once
// Dialog services group of the platform layer: the control operations the
// core performs on the main dialog. Each call made from a worker thread is
// carried out on the user-interface thread and returns once it is done; calls
// made while the dialog initialises take effect after its initialisation.

#include <cstdint>

namespace platform {

// Opaque handle of a dialog window (an HWND on Windows).
struct DialogWindow;
using DialogHandle = DialogWindow*;

constexpr int NO_SELECTION = -1;

// Drop-down lists keep their items in insertion order; an item's position is
// the caller's index.
void listReset(DialogHandle dialog, int controlId);
void listAppend(DialogHandle dialog, int controlId, const char* text);
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

// Ends the modal run of the dialog with the given result.
void closeDialog(DialogHandle dialog, int result);

// Opens the Debug dialog modally, owned by the given dialog, showing text;
// returns when the user closes it with its OK button.
void runDebugDialog(DialogHandle owner, const char* text);

}  // namespace platform
