#pragma once
// Whether what a dialog shows fits: each shown control's text measured in the
// control's own font (WM_GETFONT) against its client rectangle, as the
// control draws it (DrawTextW with DT_CALCRECT; word-wrapped for a
// multi-line static), buttons and group titles with the margins their frames
// take; no letter drawn as the font's box for a missing glyph; and no shown
// control overlapping another (a control inside a group box, below its
// title, is the group's, not an overlap).

#include <windows.h>

#include <string>
#include <vector>

namespace fittest {

struct FitFault {
    int controlId;
    std::wstring text;
    std::string problem;  // what is wrong, with the pixels needed and available
};

// The faults of every shown control of the dialog (the dialog itself may be
// hidden: a control counts as shown by its own WS_VISIBLE). Letters drawn
// as boxes count.
std::vector<FitFault> fitFaults(HWND dialog);

// A name for a control of the program's dialogs ("IDC_PIN_LABEL").
std::string controlName(int controlId);

}  // namespace fittest
