// Dialog services on Windows: messages to the dialog's controls, each carried
// out on the dialog's thread (see dialog_thread.h).

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <climits>

#include "platform/dialog.h"
#include "platform/win32/dialog_thread.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Room for any list item: table names have at most 99 bytes, each of which
// decodes to at most one UTF-16 unit.
constexpr std::size_t LIST_TEXT_UNITS = 512;
// Room for any text the program shows in a label or a button: the Info
// area's texts are composed in 1024-byte buffers.
constexpr std::size_t CONTROL_TEXT_UNITS = 2048;

HWND windowOf(DialogHandle dialog) {
    return reinterpret_cast<HWND>(dialog);
}

// The edit fields hold the radio's own values, raw bytes of no declared
// encoding. They go in and come back through the ANSI calls, as they always
// have, so every byte a field shows comes back the same and a save changes
// none the user did not edit.
bool holdsRawBytes(HWND control) {
    wchar_t className[8] = {};
    GetClassNameW(control, className, 8);
    return lstrcmpiW(className, L"Edit") == 0;
}

// The shell's taskbar, for the progress on the program's button. Asked for
// once, on the dialog's thread; where the shell offers none (older systems,
// Wine) it stays null and the bar shows in the dialog only.
class Taskbar {
public:
    ~Taskbar() {
        if (list_ != nullptr) {
            list_->Release();
        }
    }
    ITaskbarList3* get() {
        if (!asked_) {
            asked_ = true;
            // The dialog's thread is the program's user-interface thread;
            // an apartment already there is kept as it is.
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            void* list = nullptr;
            if (SUCCEEDED(
                    CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list))) {
                list_ = static_cast<ITaskbarList3*>(list);
                if (FAILED(list_->HrInit())) {
                    list_->Release();
                    list_ = nullptr;
                }
            }
        }
        return list_;
    }

private:
    bool asked_ = false;
    ITaskbarList3* list_ = nullptr;
};

Taskbar taskbar;

// The window whose taskbar button stands for the dialog: its top owner (the
// program's main window), or the dialog itself when nothing owns it.
HWND taskbarWindowOf(HWND dialog) {
    HWND owner = GetAncestor(dialog, GA_ROOTOWNER);
    return owner != nullptr ? owner : dialog;
}

// The bar moves without a share while no total is known (a marquee).
void setMarquee(HWND bar, bool moving) {
    const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
    const bool marquee = (style & PBS_MARQUEE) != 0;
    if (marquee != moving) {
        SetWindowLongPtrW(bar, GWL_STYLE,
                          moving ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE)));
    }
    SendMessageW(bar, PBM_SETMARQUEE, moving ? TRUE : FALSE, 0);
}


}  // namespace

bool runDialogStep(DialogHandle dialog, void (*step)(void* context), void* context) {
    bool ran = false;
    win32::onDialogThread(windowOf(dialog), [&] {
        step(context);
        ran = true;
    });
    return ran;
}

// Items go in as UTF-16 so that names with UTF-8 or Latin-1 bytes show their
// letters; the list is unsorted, so an item's position stays its table index.
// The list is redrawn once, after the last item.
void listFill(DialogHandle dialog, int controlId, std::span<const char* const> texts) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND list = GetDlgItem(window, controlId);
        if (list == nullptr) {
            return;
        }
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
        SendMessageW(list, CB_INITSTORAGE, texts.size(), texts.size() * 32 * sizeof(wchar_t));
        for (const char* text : texts) {
            const win32::WideText<LIST_TEXT_UNITS> wide(text);
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.get()));
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    });
}

int listSelection(DialogHandle dialog, int controlId) {
    HWND window = windowOf(dialog);
    LRESULT index = CB_ERR;
    win32::onDialogThread(window, [&] { index = SendDlgItemMessageW(window, controlId, CB_GETCURSEL, 0, 0); });
    return index == CB_ERR ? NO_SELECTION : static_cast<int>(index);
}

void listSelect(DialogHandle dialog, int controlId, int index) {
    // An index of -1 (NO_SELECTION) clears the selection.
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        SendDlgItemMessageW(window, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    });
}

// Every other control shows a text of the program's, UTF-8: it goes in as
// UTF-16, so a text in any script shows whole whatever the ANSI code page.
void setControlText(DialogHandle dialog, int controlId, const char* text) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND control = GetDlgItem(window, controlId);
        if (control == nullptr) {
            return;
        }
        if (holdsRawBytes(control)) {
            SetWindowTextA(control, text);
        } else {
            const win32::WideText<CONTROL_TEXT_UNITS> wide(text);
            SetWindowTextW(control, wide.get());
        }
    });
}

void getControlText(DialogHandle dialog, int controlId, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';  // stays the answer when the control is missing
    const int room = capacity > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(capacity);
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND control = GetDlgItem(window, controlId);
        if (control == nullptr) {
            return;
        }
        if (holdsRawBytes(control)) {
            GetWindowTextA(control, buffer, room);
        } else {
            wchar_t wide[CONTROL_TEXT_UNITS];
            const int units = GetWindowTextW(control, wide, static_cast<int>(CONTROL_TEXT_UNITS));
            win32::copyAsUtf8(wide, units, buffer, capacity);
        }
    });
    buffer[capacity - 1] = '\0';
}

bool isChecked(DialogHandle dialog, int controlId) {
    HWND window = windowOf(dialog);
    UINT state = BST_UNCHECKED;
    win32::onDialogThread(window, [&] { state = IsDlgButtonChecked(window, controlId); });
    return state == BST_CHECKED;
}

void setChecked(DialogHandle dialog, int controlId, bool checked) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] { CheckDlgButton(window, controlId, checked ? BST_CHECKED : BST_UNCHECKED); });
}

void showControl(DialogHandle dialog, int controlId, bool shown) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND control = GetDlgItem(window, controlId);
        if (control != nullptr) {
            ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
        }
    });
}

void showProgressBar(DialogHandle dialog, int controlId, bool shown) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND bar = GetDlgItem(window, controlId);
        if (bar == nullptr) {
            return;
        }
        ShowWindow(bar, shown ? SW_SHOW : SW_HIDE);
        if (!shown) {
            setMarquee(bar, false);
            if (ITaskbarList3* list = taskbar.get()) {
                list->SetProgressState(taskbarWindowOf(window), TBPF_NOPROGRESS);
            }
        }
    });
}

// The bar counts in per cent, the share screen readers announce.
void setProgressBar(DialogHandle dialog, int controlId, std::uint64_t done, std::uint64_t total) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] {
        HWND bar = GetDlgItem(window, controlId);
        if (bar == nullptr) {
            return;
        }
        ITaskbarList3* list = IsWindowVisible(bar) ? taskbar.get() : nullptr;
        if (total == 0) {
            setMarquee(bar, true);
            if (list != nullptr) {
                list->SetProgressState(taskbarWindowOf(window), TBPF_INDETERMINATE);
            }
            return;
        }
        setMarquee(bar, false);
        const int percent = progressPercent(done, total);
        SendMessageW(bar, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        if (list != nullptr) {
            HWND button = taskbarWindowOf(window);
            list->SetProgressState(button, TBPF_NORMAL);
            list->SetProgressValue(button, static_cast<ULONGLONG>(percent), 100);
        }
    });
}

void closeDialog(DialogHandle dialog, int result) {
    HWND window = windowOf(dialog);
    win32::onDialogThread(window, [&] { EndDialog(window, result); });
}

}  // namespace platform
