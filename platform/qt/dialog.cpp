// Dialog services on Qt Widgets: the control operations of platform/dialog.h
// on a bound QDialog, each carried out on the dialog's thread, and the
// binding that says when operations may run there (dialog_binding.h).

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/dialog.h"
#include "platform/qt/dialog_binding.h"
#include "platform/qt/dialog_text.h"
#include "platform/qt/dialog_thread.h"

// The record behind a dialog handle. Records are never freed: a worker may
// hold a handle long after its dialog is gone, and then finds it ended.
struct platform::DialogWindow {
    enum class Phase { Initialising, Open, Ended };

    std::mutex lock;
    std::condition_variable operationFinished;
    Phase phase = Phase::Initialising;
    // The dialog while the binding lasts; read on the dialog's thread only,
    // cleared (under the lock, on that thread) when the binding ends.
    QDialog* dialog = nullptr;
    std::thread::id dialogThread;
    std::deque<platform::qt::QueuedOperation*> queue;
    DialogWindow* nextRecord = nullptr;
};

namespace platform {

namespace qt {

namespace {

constexpr char CONTROL_ID_PROPERTY[] = "ondavoxControlId";

// Every record ever made, so they stay reachable (and are not reported as
// leaks) for the life of the process.
std::mutex recordListLock;
DialogWindow* firstRecord = nullptr;

DialogWindow* newRecord() {
    auto* record = new DialogWindow;
    std::lock_guard<std::mutex> guard(recordListLock);
    record->nextRecord = firstRecord;
    firstRecord = record;
    return record;
}

// On the dialog's thread: runs what other threads queued, in order, while the
// dialog is open. An operation may open a nested event loop (the Debug
// dialog); operations queued meanwhile run inside it.
void runQueuedOperations(DialogWindow& record) {
    std::unique_lock<std::mutex> guard(record.lock);
    while (record.phase == DialogWindow::Phase::Open && !record.queue.empty()) {
        QueuedOperation* operation = record.queue.front();
        record.queue.pop_front();
        QDialog* dialog = record.dialog;
        guard.unlock();
        operation->run(operation->context, *dialog);
        guard.lock();
        operation->ran = true;
        operation->finished = true;
        record.operationFinished.notify_all();
    }
}

void endRecord(DialogWindow& record) {
    std::lock_guard<std::mutex> guard(record.lock);
    record.phase = DialogWindow::Phase::Ended;
    record.dialog = nullptr;
    for (QueuedOperation* operation : record.queue) {
        operation->finished = true;  // dropped: its caller goes on
    }
    record.queue.clear();
    record.operationFinished.notify_all();
}

}  // namespace

bool runOnDialogThread(DialogHandle handle, QueuedOperation& operation) {
    if (handle == nullptr) {
        return false;
    }
    DialogWindow& record = *handle;
    std::unique_lock<std::mutex> guard(record.lock);
    if (record.phase == DialogWindow::Phase::Ended) {
        return false;
    }
    if (std::this_thread::get_id() == record.dialogThread) {
        // The dialog's own thread, also during its initialisation: at once.
        QDialog* dialog = record.dialog;
        guard.unlock();
        operation.run(operation.context, *dialog);
        operation.ran = true;
        return true;
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return false;  // no event loop will ever run it
    }
    record.queue.push_back(&operation);
    DialogWindow* target = &record;
    QMetaObject::invokeMethod(application, [target] { runQueuedOperations(*target); }, Qt::QueuedConnection);
    record.operationFinished.wait(guard, [&operation] { return operation.finished; });
    return operation.ran;
}

void setControlId(QWidget& control, int id) {
    control.setProperty(CONTROL_ID_PROPERTY, id);
}

int controlIdOf(const QWidget& control) {
    const QVariant id = control.property(CONTROL_ID_PROPERTY);
    return id.isValid() ? id.toInt() : 0;
}

QWidget* findControl(const QWidget& dialog, int id) {
    if (controlIdOf(dialog) == id && dialog.property(CONTROL_ID_PROPERTY).isValid()) {
        return const_cast<QWidget*>(&dialog);
    }
    // Only the dialog's own window: a dialog it owns (the Debug dialog) has
    // controls with the same ids.
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (control->window() == &dialog && control->property(CONTROL_ID_PROPERTY).isValid() &&
            controlIdOf(*control) == id) {
            return control;
        }
    }
    return nullptr;
}

DialogBinding::DialogBinding(QDialog& dialog) : handle_(newRecord()) {
    handle_->dialog = &dialog;
    handle_->dialogThread = std::this_thread::get_id();
    DialogWindow* record = handle_;
    // The modal run has finished: the dialog is gone for the operations.
    QObject::connect(&dialog, &QDialog::finished, &dialog, [record] { endRecord(*record); });
    QObject::connect(&dialog, &QObject::destroyed, [record] { endRecord(*record); });
}

DialogBinding::~DialogBinding() {
    end();
}

void DialogBinding::endInitialisation() {
    {
        std::lock_guard<std::mutex> guard(handle_->lock);
        if (handle_->phase != DialogWindow::Phase::Initialising) {
            return;
        }
        handle_->phase = DialogWindow::Phase::Open;
    }
    runQueuedOperations(*handle_);
}

void DialogBinding::end() {
    endRecord(*handle_);
}

bool DialogBinding::hasEnded() const {
    std::lock_guard<std::mutex> guard(handle_->lock);
    return handle_->phase == DialogWindow::Phase::Ended;
}

std::size_t DialogBinding::waitingOperations() const {
    std::lock_guard<std::mutex> guard(handle_->lock);
    return handle_->queue.size();
}

}  // namespace qt

namespace {

using qt::findControl;

template <typename Widget>
Widget* controlOf(QDialog& dialog, int controlId) {
    return qobject_cast<Widget*>(findControl(dialog, controlId));
}

}  // namespace

bool runDialogStep(DialogHandle dialog, void (*step)(void* context), void* context) {
    return qt::onDialogThread(dialog, [&](QDialog&) { step(context); });
}

// Items show their bytes decoded (UTF-8, else Latin-1); they are read back by
// their position only, which stays the caller's index. The items go in as one
// insertion, so the list and its observers (the accessibility bus) hear of
// one change, not of one per item.
void listFill(DialogHandle dialog, int controlId, std::span<const char* const> texts) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* list = controlOf<QComboBox>(window, controlId)) {
            QStringList items;
            items.reserve(static_cast<qsizetype>(texts.size()));
            for (const char* text : texts) {
                items.append(qt::displayText(text));
            }
            list->clear();
            list->addItems(items);
            // The first item would become the selection; a filled list selects
            // nothing, as on every other dialog.
            list->setCurrentIndex(-1);
        }
    });
}

int listSelection(DialogHandle dialog, int controlId) {
    int index = NO_SELECTION;
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* list = controlOf<QComboBox>(window, controlId)) {
            index = list->currentIndex();
        }
    });
    return index < 0 ? NO_SELECTION : index;
}

void listSelect(DialogHandle dialog, int controlId, int index) {
    // An index the list does not have (NO_SELECTION among them) clears it.
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* list = controlOf<QComboBox>(window, controlId)) {
            list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
        }
    });
}

void setControlText(DialogHandle dialog, int controlId, const char* text) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (QWidget* control = findControl(window, controlId)) {
            qt::setControlBytes(*control, text);
        }
    });
}

void getControlText(DialogHandle dialog, int controlId, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';  // stays the answer when the control is missing or the dialog gone
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (QWidget* control = findControl(window, controlId)) {
            qt::copyControlBytes(*control, buffer, capacity);
        }
    });
}

bool isChecked(DialogHandle dialog, int controlId) {
    bool checked = false;
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* box = controlOf<QCheckBox>(window, controlId)) {
            checked = box->checkState() == Qt::Checked;
        } else if (auto* button = controlOf<QAbstractButton>(window, controlId)) {
            checked = button->isChecked();
        }
    });
    return checked;
}

void setChecked(DialogHandle dialog, int controlId, bool checked) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* box = controlOf<QCheckBox>(window, controlId)) {
            box->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        } else if (auto* button = controlOf<QAbstractButton>(window, controlId)) {
            button->setChecked(checked);
        }
    });
}

void showControl(DialogHandle dialog, int controlId, bool shown) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (QWidget* control = findControl(window, controlId)) {
            control->setVisible(shown);
        }
    });
}

void showProgressBar(DialogHandle dialog, int controlId, bool shown) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* bar = controlOf<QProgressBar>(window, controlId)) {
            bar->setVisible(shown);
        }
    });
}

// The bar counts in per cent, the share assistive tools read as its value; a
// range of 0 to 0 is Qt's moving bar without a share.
void setProgressBar(DialogHandle dialog, int controlId, std::uint64_t done, std::uint64_t total) {
    qt::onDialogThread(dialog, [&](QDialog& window) {
        if (auto* bar = controlOf<QProgressBar>(window, controlId)) {
            if (total == 0) {
                bar->setRange(0, 0);
            } else {
                bar->setRange(0, 100);
                bar->setValue(progressPercent(done, total));
            }
        }
    });
}

void closeDialog(DialogHandle dialog, int result) {
    qt::onDialogThread(dialog, [&](QDialog& window) { window.done(result); });
}

}  // namespace platform
