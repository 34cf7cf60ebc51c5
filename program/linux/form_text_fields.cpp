// The form's text fields refuse what the configuration file cannot carry in a
// quoted value: a double quote or a control character. A validator sees every
// change the user makes (typing, pasting, dropping, input methods) and drops
// those characters from it; the writer refuses such a value too.

#include <QDialog>
#include <QLineEdit>
#include <QValidator>

#include "app/settings_form.h"
#include "platform/qt/dialog_binding.h"
#include "program/linux/program.h"
#include "res/control_ids.h"

namespace program {

namespace {

class CharacterFilter : public QValidator {
public:
    CharacterFilter(QObject* parent, bool (*allowed)(char32_t)) : QValidator(parent), allowed_(allowed) {}

    // Drops each character that is not allowed and keeps the cursor where it
    // was among the characters that stay.
    State validate(QString& input, int& position) const override {
        QString kept;
        kept.reserve(input.size());
        int keptBeforeCursor = 0;
        for (qsizetype at = 0; at < input.size();) {
            const bool pair = input[at].isHighSurrogate() && at + 1 < input.size() && input[at + 1].isLowSurrogate();
            const qsizetype units = pair ? 2 : 1;
            const char32_t character = pair ? QChar::surrogateToUcs4(input[at], input[at + 1]) : input[at].unicode();
            if (allowed_(character)) {
                kept.append(input.mid(at, units));
                if (at < position) keptBeforeCursor += static_cast<int>(units);
            }
            at += units;
        }
        if (kept.size() != input.size()) {
            input = kept;
            position = keptBeforeCursor;
        }
        return Acceptable;
    }

private:
    bool (*allowed_)(char32_t);
};

bool isFormText(char32_t c) {
    return app::isFormTextCharacter(c);
}

// The PIN field takes digits only, as the Windows field does.
bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

}  // namespace

void filterFormTextFields(QDialog& dialog) {
    for (int id : app::FORM_TEXT_FIELDS) {
        if (auto* field = qobject_cast<QLineEdit*>(platform::qt::findControl(dialog, id))) {
            field->setValidator(new CharacterFilter(field, id == IDC_GSM_PIN ? isDigit : isFormText));
        }
    }
}

}  // namespace program
