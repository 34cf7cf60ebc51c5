// The parts of the main dialog that stay as they are when a right-to-left
// language mirrors it: the fields that hold the radio's values and the lists
// of the carrier table's names and the radio's profiles read left to right
// (platform/win32/left_to_right.h), and the banner is drawn as painted,
// since a mirrored control flips the bitmap it draws.

#include <windows.h>

#include "app/settings_form.h"
#include "platform/win32/left_to_right.h"
#include "program/win32/program.h"
#include "res/control_ids.h"

namespace program {

void keepLeftToRightParts(HWND dialog) {
    if ((GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) == 0) {
        return;  // nothing is mirrored
    }
    for (int id : app::FORM_TEXT_FIELDS) {
        platform::win32::keepLeftToRight(GetDlgItem(dialog, id));
    }
    for (int id : LEFT_TO_RIGHT_LISTS) {
        platform::win32::keepLeftToRight(GetDlgItem(dialog, id));
    }
    platform::win32::keepLeftToRight(GetDlgItem(dialog, IDC_BANNER));
}

}  // namespace program
