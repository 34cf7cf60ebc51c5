// The Debug dialog on Qt Widgets: the controls of template 131 (a text area
// with the device's texts, id 1013, and OK, id 1), modal, owned by the main
// dialog, in the process's language. Only OK closes it: Escape and the
// window's close button do nothing.

#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialog.h"
#include "platform/qt/catalogue_text.h"
#include "platform/qt/dialog_binding.h"
#include "platform/qt/dialog_text.h"
#include "platform/qt/dialog_thread.h"
#include "res/control_ids.h"

namespace platform {

namespace {

using qt::catalogueText;

// The template's size in characters of the dialog's font: about 66 average
// characters wide and 30 lines high.
constexpr int TEXT_COLUMNS = 66;
constexpr int TEXT_LINES = 30;

class DebugDialog : public QDialog {
public:
    DebugDialog(QWidget* owner, const char* text) : QDialog(owner) {
        setWindowTitle(catalogueText(res::AppText::IDD_DEBUG_DIALOG_CAPTION));
        setModal(true);

        auto* area = new QPlainTextEdit(this);
        qt::setControlId(*area, IDC_DEBUG_TEXT);
        // The texts are shown to be read and copied, never changed.
        area->setReadOnly(true);
        area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        area->setAccessibleName(catalogueText(res::AppText::DEBUG_TEXT_NAME));
        // The radio's own texts, which are never translated: left to right in
        // a right-to-left dialog too.
        area->setLayoutDirection(Qt::LeftToRight);
        const QFontMetrics metrics(area->font());
        area->setMinimumSize(metrics.averageCharWidth() * TEXT_COLUMNS, metrics.lineSpacing() * TEXT_LINES);
        qt::setControlBytes(*area, text);

        auto* ok = new QPushButton(catalogueText(res::AppText::IDD_DEBUG_DIALOG_IDC_FIRST_BUTTON), this);
        qt::setControlId(*ok, IDC_FIRST_BUTTON);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, [this] { done(IDC_FIRST_BUTTON); });

        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(ok);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(area, 1);
        layout->addLayout(buttons);

        // The template's first tab stop: Enter right away means OK.
        setTabOrder(ok, area);
        ok->setFocus();
    }

    // Escape and the close button both come here: they do nothing.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
    }
};

}  // namespace

void runDebugDialog(DialogHandle owner, const char* text) {
    qt::onDialogThread(owner, [&](QDialog& dialog) {
        DebugDialog debug(&dialog, text);
        debug.exec();
    });
}

}  // namespace platform
