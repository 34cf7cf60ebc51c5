// The dialog services on Qt (platform/qt) against a small bound dialog: each
// operation from a worker runs on the dialog's thread and the worker waits for
// it; operations wait out the initialisation; once the dialog is gone they are
// dropped; the 8-bit texts make the round trip; the Debug dialog.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/qt/dialog_binding.h"
#include "res/control_ids.h"
#include "tests/linux/qt_test_support.h"

namespace {

using platform::DialogHandle;
using platform::NO_SELECTION;
using qttest::runOnWorker;

// A dialog with one control of each kind the operations know, bound from its
// start. Records on which thread its controls changed.
class SmallDialog : public QDialog {
public:
    SmallDialog() {
        layout = new QVBoxLayout(this);
        field = add<QLineEdit>(IDC_APN);
        list = add<QComboBox>(IDC_PROVIDER_LIST);
        check = add<QCheckBox>(IDC_ROAMING_CHECK);
        check->setTristate(true);
        info = add<QLabel>(IDC_INFO_AREA);
        button = add<QPushButton>(IDC_TASK_BUTTON);
        bar = add<QProgressBar>(IDC_PROGRESS_BAR);
        bar->setVisible(false);
        const auto note = [this] { changedOffThread = changedOffThread || QThread::currentThread() != thread(); };
        connect(field, &QLineEdit::textChanged, note);
        connect(list, &QComboBox::currentIndexChanged, note);
        connect(check, &QCheckBox::stateChanged, note);
        connect(bar, &QProgressBar::valueChanged, note);
        connect(this, &QDialog::finished, note);
        binding = std::make_unique<platform::qt::DialogBinding>(*this);
    }

    template <typename Widget>
    Widget* add(int id) {
        auto* control = new Widget(this);
        platform::qt::setControlId(*control, id);
        layout->addWidget(control);
        return control;
    }

    DialogHandle handle() const { return binding->handle(); }

    QVBoxLayout* layout;
    QLineEdit* field;
    QComboBox* list;
    QCheckBox* check;
    QLabel* info;
    QPushButton* button;
    QProgressBar* bar;
    std::atomic<bool> changedOffThread{false};
    std::unique_ptr<platform::qt::DialogBinding> binding;
};

std::string textOf(DialogHandle dialog, int id, std::uint32_t capacity = 256) {
    std::vector<char> buffer(capacity, 'x');
    platform::getControlText(dialog, id, buffer.data(), capacity);
    return buffer.data();
}

class QtDialogServices : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<SmallDialog>();
        dialog->binding->endInitialisation();
        dialog->show();
    }

    std::unique_ptr<SmallDialog> dialog;
};

TEST_F(QtDialogServices, EachOperationFromAWorkerRunsOnTheDialogsThreadBeforeTheWorkerGoesOn) {
    const DialogHandle handle = dialog->handle();
    struct Seen {
        int selectionAfterAppending = 0;
        int selection = 0;
        std::string fieldText;
        std::string infoText;
        bool checked = false;
    } seen;
    runOnWorker([&] {
        const char* const names[] = {"O2 - internet", "M\xC3\xA1smovil", "S\xEDminn"};
        platform::listFill(handle, IDC_PROVIDER_LIST, names);
        seen.selectionAfterAppending = platform::listSelection(handle, IDC_PROVIDER_LIST);
        platform::listSelect(handle, IDC_PROVIDER_LIST, 2);
        seen.selection = platform::listSelection(handle, IDC_PROVIDER_LIST);
        platform::setControlText(handle, IDC_APN, "internet.t-mobile");
        seen.fieldText = textOf(handle, IDC_APN);
        platform::setControlText(handle, IDC_INFO_AREA, "Reading Device, please wait...");
        seen.infoText = textOf(handle, IDC_INFO_AREA);
        platform::setChecked(handle, IDC_ROAMING_CHECK, true);
        seen.checked = platform::isChecked(handle, IDC_ROAMING_CHECK);
        platform::showControl(handle, IDC_TASK_BUTTON, false);
    });

    // What the worker read back was already there when it asked.
    EXPECT_EQ(seen.selectionAfterAppending, NO_SELECTION);
    EXPECT_EQ(seen.selection, 2);
    EXPECT_EQ(seen.fieldText, "internet.t-mobile");
    EXPECT_EQ(seen.infoText, "Reading Device, please wait...");
    EXPECT_TRUE(seen.checked);
    // The dialog shows it, and every change was made on its own thread.
    ASSERT_EQ(dialog->list->count(), 3);
    EXPECT_EQ(dialog->list->itemText(1), QString::fromUtf8("M\u00E1smovil"));
    EXPECT_EQ(dialog->list->itemText(2), QString::fromUtf8("S\u00EDminn"));
    EXPECT_EQ(dialog->list->currentIndex(), 2);
    EXPECT_EQ(dialog->field->text(), "internet.t-mobile");
    EXPECT_EQ(dialog->info->text(), "Reading Device, please wait...");
    EXPECT_EQ(dialog->check->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog->button->isHidden());
    EXPECT_FALSE(dialog->changedOffThread);

    std::atomic<int> result{0};
    QObject::connect(dialog.get(), &QDialog::finished, [&result](int r) { result = r; });
    runOnWorker([&] { platform::closeDialog(handle, IDC_TASK_BUTTON); });
    EXPECT_EQ(result, IDC_TASK_BUTTON);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->changedOffThread);
}

TEST_F(QtDialogServices, OperationsFromAWorkerDuringTheInitialisationTakeEffectAfterIt) {
    SmallDialog initialising;  // bound, its initialisation not over
    const DialogHandle handle = initialising.handle();
    std::atomic<bool> workerReturned{false};
    std::thread worker([&] {
        platform::setControlText(handle, IDC_INFO_AREA, "Reading Device, please wait...");
        const char* const fromWorker[] = {"from the worker"};
        platform::listFill(handle, IDC_PROVIDER_LIST, fromWorker);
        workerReturned = true;
    });
    qttest::waitUntil([&] { return initialising.binding->waitingOperations() != 0; }, false);
    // The initialisation goes on, also while its thread handles events; its
    // own operations take effect at once.
    qttest::handleEventsFor(50);
    platform::setControlText(handle, IDC_INFO_AREA, "Waiting for Brelvan Ondavox device...");
    const char* const fromInitialisation[] = {"from the initialisation"};
    platform::listFill(handle, IDC_PROVIDER_LIST, fromInitialisation);
    EXPECT_EQ(initialising.info->text(), "Waiting for Brelvan Ondavox device...");
    EXPECT_FALSE(workerReturned);

    initialising.binding->endInitialisation();
    // The held operation ran as the initialisation ended, and the worker's
    // next one runs as soon as the thread handles events.
    EXPECT_EQ(initialising.info->text(), "Reading Device, please wait...");
    qttest::waitUntil([&] { return workerReturned.load(); });
    worker.join();
    // The worker's fill came after the initialisation's and replaced it.
    ASSERT_EQ(initialising.list->count(), 1);
    EXPECT_EQ(initialising.list->itemText(0), "from the worker");
    EXPECT_FALSE(initialising.changedOffThread);
}

TEST_F(QtDialogServices, OnceTheDialogIsGoneOperationsAreDroppedWithoutWaiting) {
    // A worker already waiting when the dialog's run ends is let go.
    SmallDialog initialising;
    const DialogHandle waiting = initialising.handle();
    std::atomic<bool> workerReturned{false};
    std::thread worker([&] {
        platform::setControlText(waiting, IDC_APN, "too late");
        workerReturned = true;
    });
    qttest::waitUntil([&] { return initialising.binding->waitingOperations() != 0; }, false);
    initialising.done(2);  // the modal run's end, before its initialisation was over
    qttest::waitUntil([&] { return workerReturned.load(); }, false);
    worker.join();
    EXPECT_EQ(initialising.field->text(), "");

    // Later operations return at once, also while the dialog's thread does not
    // handle events (as while the program waits at its end), and change
    // nothing; reads give nothing.
    const DialogHandle handle = dialog->handle();
    dialog->field->setText("kept");
    dialog->done(1);
    struct Seen {
        std::string text = "unset";
        int selection = 0;
        bool checked = true;
    } seen;
    const auto everyOperation = [&] {
        const char* const items[] = {"item"};
        platform::listFill(handle, IDC_PROVIDER_LIST, items);
        platform::listSelect(handle, IDC_PROVIDER_LIST, 0);
        seen.selection = platform::listSelection(handle, IDC_PROVIDER_LIST);
        platform::setControlText(handle, IDC_APN, "changed");
        seen.text = textOf(handle, IDC_APN);
        platform::setChecked(handle, IDC_ROAMING_CHECK, true);
        seen.checked = platform::isChecked(handle, IDC_ROAMING_CHECK);
        platform::showControl(handle, IDC_APN, false);
        platform::closeDialog(handle, 7);
        platform::runDebugDialog(handle, "Config:\n");
    };
    runOnWorker(everyOperation, /*serviceEvents=*/false);
    EXPECT_EQ(seen.selection, NO_SELECTION);
    EXPECT_EQ(seen.text, "");
    EXPECT_FALSE(seen.checked);
    EXPECT_EQ(dialog->field->text(), "kept");
    EXPECT_EQ(dialog->list->count(), 0);
    EXPECT_EQ(dialog->result(), 1);

    // The same from the dialog's own thread, and after the dialog is deleted.
    everyOperation();
    EXPECT_EQ(dialog->field->text(), "kept");
    dialog.reset();
    everyOperation();
    runOnWorker(everyOperation, /*serviceEvents=*/false);
    EXPECT_EQ(seen.text, "");
}

// Texts go in as bytes, show decoded and come back as the same bytes.
TEST_F(QtDialogServices, TextsShowDecodedAndReadBackAsTheirBytes) {
    struct Case {
        const char* bytes;
        const char16_t* shown;
    };
    const Case cases[] = {
        {"internet", u"internet"},
        {"M\xC3\xA1smovil", u"M\u00E1smovil"},                    // UTF-8
        {"S\xEDminn", u"S\u00EDminn"},                            // a Latin-1 byte
        {"Caf\xC3\xA9 \xE9t\xE9", u"Caf\u00E9 \u00E9t\u00E9"},    // both in one value
        {"\xF0\x9F\x93\xBB radio", u"\U0001F4FB radio"},          // beyond 16 bits
        {"\xC3", u"\u00C3"},                                      // a sequence cut short
        {"", u""},
    };
    const DialogHandle handle = dialog->handle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        for (int id : {IDC_APN, IDC_INFO_AREA, IDC_TASK_BUTTON}) {
            platform::setControlText(handle, id, c.bytes);
            EXPECT_EQ(textOf(handle, id), c.bytes) << id;
        }
        EXPECT_EQ(dialog->field->text(), QString::fromUtf16(c.shown));
        EXPECT_EQ(dialog->info->text(), QString::fromUtf16(c.shown));
    }
    // A device text is never taken for markup.
    platform::setControlText(handle, IDC_INFO_AREA, "<b>1.2</b>");
    EXPECT_EQ(dialog->info->textFormat(), Qt::PlainText);
}

// A text the user changed is written in the encoding its old text was shown in.
TEST_F(QtDialogServices, AnEditedTextKeepsTheEncodingItsValueHad) {
    struct Case {
        const char* before;
        const char* typed;  // UTF-8, typed at the end of the field
        const char* after;
    };
    const Case cases[] = {
        {"internet", "2", "internet2"},
        {"M\xC3\xA1smovil", "\xC3\xA9", "M\xC3\xA1smovil\xC3\xA9"},  // stays UTF-8
        {"S\xEDminn", "\xC3\xA9", "S\xEDminn\xE9"},                  // stays Latin-1
        {"S\xEDminn", "\xE2\x82\xAC", "S\xC3\xADminn\xE2\x82\xAC"},  // beyond Latin-1: UTF-8
        {"", "\xC3\xA9", "\xC3\xA9"},
    };
    const DialogHandle handle = dialog->handle();
    dialog->activateWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        platform::setControlText(handle, IDC_APN, c.before);
        dialog->field->end(false);
        // Each character as the text of a key press (QTest's key names are ASCII only).
        for (QChar character : QString::fromUtf8(c.typed)) {
            QTest::sendKeyEvent(QTest::Click, dialog->field, Qt::Key_unknown, QString(character), Qt::NoModifier);
        }
        EXPECT_EQ(textOf(handle, IDC_APN), c.after);
        // Typed away again: the old bytes, exactly.
        for (int n = QString::fromUtf8(c.typed).size(); n > 0; --n) {
            QTest::keyClick(dialog->field, Qt::Key_Backspace);
        }
        EXPECT_EQ(textOf(handle, IDC_APN), c.before);
    }
}

TEST_F(QtDialogServices, ReadingBackCutsToTheBufferWithoutSplittingACharacter) {
    struct Case {
        const char* bytes;
        std::uint32_t capacity;
        const char* expected;
    };
    const Case cases[] = {
        {"internet", 5, "inte"},
        {"M\xC3\xA1smovil", 3, "M"},   // the cut would split the two bytes of the letter
        {"M\xC3\xA1smovil", 4, "M\xC3\xA1"},
        {"S\xEDminn", 3, "S\xED"},     // Latin-1: one byte each
        {"\xF0\x9F\x93\xBB!", 4, ""},
        {"abc", 1, ""},
    };
    const DialogHandle handle = dialog->handle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        platform::setControlText(handle, IDC_APN, c.bytes);
        EXPECT_EQ(textOf(handle, IDC_APN, c.capacity), c.expected);
    }
    EXPECT_EQ(textOf(handle, IDC_GATEWAY), "");  // no such control here
}

TEST_F(QtDialogServices, ListsSelectOnlyWhatTheyAreToldAndChecksAreOnlyTickedWhenTicked) {
    const DialogHandle handle = dialog->handle();
    const char* const three[] = {"first", "second", "third"};
    platform::listSelect(handle, IDC_PROVIDER_LIST, 0);
    platform::listFill(handle, IDC_PROVIDER_LIST, three);
    EXPECT_EQ(platform::listSelection(handle, IDC_PROVIDER_LIST), NO_SELECTION);
    for (int outside : {NO_SELECTION, 3, 99}) {
        platform::listSelect(handle, IDC_PROVIDER_LIST, 0);
        platform::listSelect(handle, IDC_PROVIDER_LIST, outside);
        EXPECT_EQ(platform::listSelection(handle, IDC_PROVIDER_LIST), NO_SELECTION) << outside;
    }
    platform::listSelect(handle, IDC_PROVIDER_LIST, 2);
    platform::listFill(handle, IDC_PROVIDER_LIST, {});
    EXPECT_EQ(dialog->list->count(), 0);
    EXPECT_EQ(platform::listSelection(handle, IDC_PROVIDER_LIST), NO_SELECTION);

    platform::setChecked(handle, IDC_ROAMING_CHECK, true);
    EXPECT_TRUE(platform::isChecked(handle, IDC_ROAMING_CHECK));
    dialog->check->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(platform::isChecked(handle, IDC_ROAMING_CHECK));
    platform::setChecked(handle, IDC_ROAMING_CHECK, false);
    EXPECT_EQ(dialog->check->checkState(), Qt::Unchecked);

    platform::showControl(handle, IDC_ROAMING_CHECK, false);
    EXPECT_FALSE(dialog->check->isVisible());
    platform::showControl(handle, IDC_ROAMING_CHECK, true);
    EXPECT_TRUE(dialog->check->isVisible());
}

// The bar reads as assistive tools read it (AT-SPI's value): its place in a
// range of 0 to 100, or a range of nothing while no total is known.
TEST_F(QtDialogServices, TheProgressBarTellsItsShareToAssistiveTools) {
    const DialogHandle handle = dialog->handle();
    const struct {
        std::uint64_t done;
        std::uint64_t total;
        int maximum;  // 0: a moving bar without a share
        int value;
    } cases[] = {
        {0, 0, 0, 0},
        {1, 3, 100, 33},
        {50, 200, 100, 25},
        {7, 0, 0, 0},  // no total again after one was known
        {200, 200, 100, 100},
        {300, 200, 100, 100},                          // more than the total: full, not beyond
        {3ull << 32, 4ull << 32, 100, 75},             // images above 4 GiB
        {(1ull << 62) - 1, 1ull << 62, 100, 99},       // no overflow on the way
    };
    qttest::runOnWorker([&] { platform::showProgressBar(handle, IDC_PROGRESS_BAR, true); });
    EXPECT_TRUE(dialog->bar->isVisible());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + " of " + std::to_string(c.total));
        qttest::runOnWorker([&] { platform::setProgressBar(handle, IDC_PROGRESS_BAR, c.done, c.total); });
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(dialog->bar);
        ASSERT_NE(accessible, nullptr);
        QAccessibleValueInterface* value = accessible->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->minimumValue().toInt(), 0);
        EXPECT_EQ(value->maximumValue().toInt(), c.maximum);
        if (c.maximum != 0) {
            EXPECT_EQ(value->currentValue().toInt(), c.value);
        }
    }
    EXPECT_FALSE(dialog->changedOffThread);
    qttest::runOnWorker([&] { platform::showProgressBar(handle, IDC_PROGRESS_BAR, false); });
    EXPECT_FALSE(dialog->bar->isVisible());
}

// The Debug dialog: modal over its owner, the text decoded, closed by OK only.
TEST_F(QtDialogServices, TheDebugDialogShowsItsTextAndClosesOnlyOnOk) {
    const DialogHandle handle = dialog->handle();
    struct Seen {
        bool opened = false;
        QString title;
        QString text;
        bool ownedAndModal = false;
        bool openAfterEscape = false;
        bool openAfterClose = false;
    } seen;
    std::atomic<bool> returned{false};
    qttest::onNextModalDialog([&](QDialog& debug) {
        seen.opened = true;
        seen.title = debug.windowTitle();
        auto* area = qobject_cast<QPlainTextEdit*>(platform::qt::findControl(debug, IDC_DEBUG_TEXT));
        seen.text = area != nullptr ? area->toPlainText() : QString();
        seen.ownedAndModal = debug.parentWidget() == dialog.get() && debug.isModal();
        QTest::keyClick(&debug, Qt::Key_Escape);
        seen.openAfterEscape = debug.isVisible() && !returned;
        debug.close();
        seen.openAfterClose = debug.isVisible() && !returned;
        auto* ok = qobject_cast<QPushButton*>(platform::qt::findControl(debug, IDC_FIRST_BUTTON));
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    // From a worker, which waits until the dialog is closed.
    runOnWorker([&] {
        platform::runDebugDialog(handle, "Config:\n\ngsm_apn=\"Caf\xE9\"\n\nStatus:\n\nv=\"1.2\"\n");
        returned = true;
    });
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.title, "Debug");
    EXPECT_EQ(seen.text, QString::fromUtf8("Config:\n\ngsm_apn=\"Caf\u00E9\"\n\nStatus:\n\nv=\"1.2\"\n"));
    EXPECT_TRUE(seen.ownedAndModal);
    EXPECT_TRUE(seen.openAfterEscape);
    EXPECT_TRUE(seen.openAfterClose);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(dialog->changedOffThread);
}

}  // namespace
