#pragma once
// Dialog services group of the platform layer: the control operations the
// core performs on the main dialog's form. Each call made from a worker thread
// completes on the user-interface thread before it returns.

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

}  // namespace platform
