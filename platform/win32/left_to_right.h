#pragma once
// Controls that stay left to right in a mirrored (right-to-left) dialog.
// Every child of a dialog with WS_EX_LAYOUTRTL is created mirrored too; a
// control that holds one of the radio's values or a name of the carrier
// table (never translated) reads left to right instead, as such fields do on
// right-to-left desktops: text from the left, left-to-right reading order.
// The control keeps its place in the mirrored dialog.

#include <windows.h>

namespace platform::win32 {

constexpr LONG_PTR RIGHT_TO_LEFT_STYLES = WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;

// True when the window reads left to right: neither mirrored nor set to
// right-to-left reading, right alignment or a scroll bar on the left.
inline bool readsLeftToRight(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & RIGHT_TO_LEFT_STYLES) == 0;
}

// Takes the right-to-left styles off a control; for a drop-down list also off
// the list that drops down. Meant for the dialog's initialisation, before the
// control is first drawn.
inline void keepLeftToRight(HWND control) {
    if (control == nullptr) {
        return;
    }
    HWND parts[3] = {control, nullptr, nullptr};
    COMBOBOXINFO combo = {};
    combo.cbSize = sizeof combo;
    if (GetComboBoxInfo(control, &combo)) {
        parts[1] = combo.hwndList;
        parts[2] = combo.hwndItem != control ? combo.hwndItem : nullptr;
    }
    for (HWND part : parts) {
        if (part == nullptr) {
            continue;
        }
        const LONG_PTR style = GetWindowLongPtrW(part, GWL_EXSTYLE);
        if ((style & RIGHT_TO_LEFT_STYLES) != 0) {
            SetWindowLongPtrW(part, GWL_EXSTYLE, style & ~RIGHT_TO_LEFT_STYLES);
            SetWindowPos(part, nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(part, nullptr, TRUE);
        }
    }
}

}  // namespace platform::win32
