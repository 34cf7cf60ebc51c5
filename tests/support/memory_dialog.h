#pragma once
// An in-memory dialog for tests: implements every function of platform/dialog.h
// by recording, per control id, the edit text, the list items (byte strings in
// insertion order), the list selection, the check state and the visibility,
// and for the dialog its closing result and the Debug dialogs it opened.
// Tests create a MemoryDialog, pass its handle() to the code under test, then
// inspect it.
//
// A control springs into existence, empty and visible, the first time
// anything touches it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace testsupport {

enum class CheckState { Unchecked, Checked, Indeterminate };

// Which dialog service was called, for tests that care about order or count.
enum class DialogOperation {
    Step,  // a worker's whole step (runDialogStep); the operations inside follow
    ListFill,
    ListSelection,
    ListSelect,
    SetControlText,
    GetControlText,
    IsChecked,
    SetChecked,
    ShowControl,
    ShowProgressBar,
    SetProgressBar,
    CloseDialog,
    RunDebugDialog,
};

struct DialogCall {
    DialogOperation operation;
    int controlId;
};

struct MemoryControl {
    std::string text;
    std::vector<std::string> textHistory;  // every text the code set, in order
    std::vector<std::string> items;
    int selection = platform::NO_SELECTION;
    CheckState check = CheckState::Unchecked;
    bool visible = true;
    // A progress bar's latest setting and every one the code made, in order.
    struct Progress {
        std::uint64_t done = 0;
        std::uint64_t total = 0;
        bool operator==(const Progress&) const = default;
    };
    Progress progress;
    std::vector<Progress> progressHistory;
};

// Held by each platform operation on a memory dialog, and for the whole of a
// step: operations and steps from several threads take effect one at a time,
// as on a real dialog's thread. A test that inspects a dialog while workers
// run holds it too, and so does a test's press of a button (see
// insideStep()).
class OneOperationAtATime {
public:
    OneOperationAtATime();
    ~OneOperationAtATime();
    OneOperationAtATime(const OneOperationAtATime&) = delete;
    OneOperationAtATime& operator=(const OneOperationAtATime&) = delete;
};

class MemoryDialog {
public:
    MemoryDialog() = default;
    MemoryDialog(const MemoryDialog&) = delete;
    MemoryDialog& operator=(const MemoryDialog&) = delete;

    // The handle the platform functions accept for this dialog.
    platform::DialogHandle handle();
    // Recovers the dialog from a handle made by handle().
    static MemoryDialog& from(platform::DialogHandle dialog);

    // Forgets every control and every recorded call.
    void reset();

    const std::string& text(int controlId);
    void setText(int controlId, const std::string& text);
    // Every text that setControlText put into the control, oldest first (texts
    // a test sets with setText are not part of it).
    const std::vector<std::string>& textHistory(int controlId);

    const std::vector<std::string>& items(int controlId);
    void setItems(int controlId, const std::vector<std::string>& items);

    int selection(int controlId);
    // Any index outside the items (including NO_SELECTION) clears the selection,
    // as a real drop-down list does.
    void setSelection(int controlId, int index);

    CheckState checkState(int controlId);
    void setCheckState(int controlId, CheckState state);

    bool isVisible(int controlId);
    void setVisible(int controlId, bool visible);

    // The result the dialog was closed with, if it was closed.
    const std::optional<int>& closedWith() const { return closedWith_; }
    void close(int result) { closedWith_ = result; }

    // The text of every Debug dialog opened from this dialog, in order.
    const std::vector<std::string>& debugDialogTexts() const { return debugDialogTexts_; }
    void addDebugDialog(const std::string& text) { debugDialogTexts_.push_back(text); }

    // Every platform call made through this dialog, in order.
    const std::vector<DialogCall>& calls() const { return calls_; }
    std::size_t callCount(DialogOperation operation) const;
    void clearCalls() { calls_.clear(); }

    // Called on the calling thread before each platform operation takes
    // effect, with the operation's text where it has one: a test can hold a
    // worker at a given operation, or look at the dialog as the user sees it
    // between two steps. A step is observed before it takes the operation
    // lock; the operations inside it are observed with the lock held, so a
    // worker held there keeps every other thread's operations and presses
    // waiting, as a real dialog thread busy with the step would.
    using Observer = std::function<void(DialogOperation operation, int controlId, const std::string& text)>;
    void onOperation(Observer observer) {
        const OneOperationAtATime one;
        observer_ = std::move(observer);
    }
    void observe(DialogOperation operation, int controlId, const std::string& text);

    // True on a thread that is inside a step of this dialog's (runDialogStep).
    static bool insideStep();

    // Used by the platform functions.
    MemoryControl& control(int controlId) { return controls_[controlId]; }
    void record(DialogOperation operation, int controlId) { calls_.push_back({operation, controlId}); }

private:
    std::map<int, MemoryControl> controls_;
    std::vector<DialogCall> calls_;
    std::optional<int> closedWith_;
    std::vector<std::string> debugDialogTexts_;
    Observer observer_;
};

}  // namespace testsupport
