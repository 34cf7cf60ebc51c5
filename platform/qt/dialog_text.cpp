#include "platform/qt/dialog_text.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>
#include <QVariant>

#include <cstring>
#include <string>

#include "platform/qt/dialog_binding.h"
#include "text/display_text.h"

namespace platform::qt {

namespace {

// What setControlBytes keeps on the control: the bytes, the text they were
// shown as, and whether that text holds Latin-1 letters of bytes that were
// not UTF-8.
constexpr char BYTES_PROPERTY[] = "ondavoxBytes";
constexpr char SHOWN_PROPERTY[] = "ondavoxShown";
constexpr char LATIN1_PROPERTY[] = "ondavoxLatin1";

QString shownText(const QWidget& control) {
    if (const auto* field = qobject_cast<const QLineEdit*>(&control)) return field->text();
    if (const auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) return group->title();
    if (const auto* area = qobject_cast<const QPlainTextEdit*>(&control)) return area->toPlainText();
    return QString();
}

void showText(QWidget& control, const QString& text) {
    if (auto* field = qobject_cast<QLineEdit*>(&control)) {
        const QValidator* filter = field->validator();
        field->setValidator(nullptr);
        field->setText(text);
        field->setValidator(filter);
        field->setCursorPosition(0);  // a long value shows its start
    } else if (auto* label = qobject_cast<QLabel*>(&control)) {
        label->setTextFormat(Qt::PlainText);  // the device's texts are no markup
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(&control)) {
        group->setTitle(text);
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(&control)) {
        area->setPlainText(text);
    }
}

struct ControlBytes {
    QByteArray bytes;
    bool utf8;
};

ControlBytes bytesOf(const QWidget& control) {
    const QString text = shownText(control);
    const QVariant shown = control.property(SHOWN_PROPERTY);
    const bool latin1 = control.property(LATIN1_PROPERTY).toBool();
    if (shown.isValid() && shown.toString() == text) {
        return {control.property(BYTES_PROPERTY).toByteArray(), !latin1};
    }
    if (latin1) {
        bool fits = true;
        for (QChar c : text) {
            fits = fits && c.unicode() <= 0xFF;
        }
        if (fits) {
            return {text.toLatin1(), false};
        }
    }
    return {text.toUtf8(), true};
}

}  // namespace

QString displayText(const char* bytes) {
    // A byte gives at most one UTF-16 unit, a four-byte sequence two.
    std::u16string units(std::strlen(bytes) + 1, u'\0');
    const std::size_t length = text::decodeDisplayText(bytes, units.data(), units.size());
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(length));
}

void setControlBytes(QWidget& control, const char* bytes) {
    const QString text = displayText(bytes);
    const QByteArray kept(bytes);
    control.setProperty(BYTES_PROPERTY, kept);
    control.setProperty(SHOWN_PROPERTY, text);
    control.setProperty(LATIN1_PROPERTY, text.toUtf8() != kept);
    showText(control, text);
}

QByteArray controlBytes(const QWidget& control) {
    return bytesOf(control).bytes;
}

void copyControlBytes(const QWidget& control, char* buffer, std::uint32_t capacity) {
    const ControlBytes text = bytesOf(control);
    std::size_t length = static_cast<std::size_t>(text.bytes.size());
    if (length > capacity - 1) {
        length = capacity - 1;
        // Back up to the first byte of a sequence the cut would split.
        while (text.utf8 && length > 0 && (static_cast<unsigned char>(text.bytes[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(buffer, text.bytes.constData(), length);
    buffer[length] = '\0';
}

}  // namespace platform::qt
