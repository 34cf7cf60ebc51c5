// The dialog services of platform/dialog.h over a testsupport::MemoryDialog.

#include "tests/support/memory_dialog.h"

#include <cstring>
#include <mutex>

namespace testsupport {

namespace {

// A real dialog carries out each operation on its own thread, one at a time;
// workers on several threads take turns here the same way.
std::recursive_mutex& operationLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace

static thread_local int stepDepth = 0;  // steps this thread is inside

bool MemoryDialog::insideStep() {
    return stepDepth > 0;
}

OneOperationAtATime::OneOperationAtATime() {
    operationLock().lock();
}

OneOperationAtATime::~OneOperationAtATime() {
    operationLock().unlock();
}

void MemoryDialog::observe(DialogOperation operation, int controlId, const std::string& text) {
    Observer observer;
    {
        const OneOperationAtATime one;
        observer = observer_;
    }
    if (observer) {
        observer(operation, controlId, text);
    }
}

platform::DialogHandle MemoryDialog::handle() {
    return reinterpret_cast<platform::DialogHandle>(this);
}

MemoryDialog& MemoryDialog::from(platform::DialogHandle dialog) {
    return *reinterpret_cast<MemoryDialog*>(dialog);
}

void MemoryDialog::reset() {
    controls_.clear();
    calls_.clear();
    closedWith_.reset();
    debugDialogTexts_.clear();
}

bool MemoryDialog::isVisible(int controlId) {
    return control(controlId).visible;
}

void MemoryDialog::setVisible(int controlId, bool visible) {
    control(controlId).visible = visible;
}

const std::string& MemoryDialog::text(int controlId) {
    return control(controlId).text;
}

void MemoryDialog::setText(int controlId, const std::string& text) {
    control(controlId).text = text;
}

const std::vector<std::string>& MemoryDialog::textHistory(int controlId) {
    return control(controlId).textHistory;
}

const std::vector<std::string>& MemoryDialog::items(int controlId) {
    return control(controlId).items;
}

void MemoryDialog::setItems(int controlId, const std::vector<std::string>& items) {
    MemoryControl& list = control(controlId);
    list.items = items;
    list.selection = platform::NO_SELECTION;
}

int MemoryDialog::selection(int controlId) {
    return control(controlId).selection;
}

void MemoryDialog::setSelection(int controlId, int index) {
    MemoryControl& list = control(controlId);
    const bool inside = index >= 0 && static_cast<std::size_t>(index) < list.items.size();
    list.selection = inside ? index : platform::NO_SELECTION;
}

CheckState MemoryDialog::checkState(int controlId) {
    return control(controlId).check;
}

void MemoryDialog::setCheckState(int controlId, CheckState state) {
    control(controlId).check = state;
}

std::size_t MemoryDialog::callCount(DialogOperation operation) const {
    std::size_t count = 0;
    for (const DialogCall& call : calls_) {
        if (call.operation == operation) {
            ++count;
        }
    }
    return count;
}

}  // namespace testsupport

namespace platform {

using testsupport::DialogOperation;
using testsupport::MemoryDialog;

bool runDialogStep(DialogHandle dialog, void (*step)(void* context), void* context) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::Step, 0, "");  // may hold this thread
    const testsupport::OneOperationAtATime wholeStep;
    memory.record(DialogOperation::Step, 0);
    ++testsupport::stepDepth;
    step(context);
    --testsupport::stepDepth;
    return true;
}

void listFill(DialogHandle dialog, int controlId, std::span<const char* const> texts) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::ListFill, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::ListFill, controlId);
    std::vector<std::string> items;
    items.reserve(texts.size());
    for (const char* text : texts) {
        items.emplace_back(text);
    }
    memory.setItems(controlId, items);
}

int listSelection(DialogHandle dialog, int controlId) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::ListSelection, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::ListSelection, controlId);
    return memory.selection(controlId);
}

void listSelect(DialogHandle dialog, int controlId, int index) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::ListSelect, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::ListSelect, controlId);
    memory.setSelection(controlId, index);
}

void setControlText(DialogHandle dialog, int controlId, const char* text) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::SetControlText, controlId, text);  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::SetControlText, controlId);
    memory.setText(controlId, text);
    memory.control(controlId).textHistory.emplace_back(text);
}

void getControlText(DialogHandle dialog, int controlId, char* buffer, std::uint32_t capacity) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::GetControlText, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::GetControlText, controlId);
    if (capacity == 0) {
        return;  // nowhere to put even the terminator
    }
    const std::string& text = memory.text(controlId);
    const std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

bool isChecked(DialogHandle dialog, int controlId) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::IsChecked, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::IsChecked, controlId);
    return memory.checkState(controlId) == testsupport::CheckState::Checked;
}

void setChecked(DialogHandle dialog, int controlId, bool checked) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::SetChecked, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::SetChecked, controlId);
    memory.setCheckState(controlId, checked ? testsupport::CheckState::Checked
                                            : testsupport::CheckState::Unchecked);
}

}  // namespace platform

namespace platform {

void showControl(DialogHandle dialog, int controlId, bool shown) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::ShowControl, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::ShowControl, controlId);
    memory.setVisible(controlId, shown);
}

void showProgressBar(DialogHandle dialog, int controlId, bool shown) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::ShowProgressBar, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::ShowProgressBar, controlId);
    memory.setVisible(controlId, shown);
}

void setProgressBar(DialogHandle dialog, int controlId, std::uint64_t done, std::uint64_t total) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::SetProgressBar, controlId, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::SetProgressBar, controlId);
    testsupport::MemoryControl& bar = memory.control(controlId);
    bar.progress = {done, total};
    bar.progressHistory.push_back(bar.progress);
}

void closeDialog(DialogHandle dialog, int result) {
    MemoryDialog& memory = MemoryDialog::from(dialog);
    memory.observe(DialogOperation::CloseDialog, 0, "");  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::CloseDialog, 0);
    memory.close(result);
}

void runDebugDialog(DialogHandle owner, const char* text) {
    MemoryDialog& memory = MemoryDialog::from(owner);
    memory.observe(DialogOperation::RunDebugDialog, 0, text);  // may hold this thread
    const testsupport::OneOperationAtATime one;
    memory.record(DialogOperation::RunDebugDialog, 0);
    memory.addDebugDialog(text);
}

}  // namespace platform
