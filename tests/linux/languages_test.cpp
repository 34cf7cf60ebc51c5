// The Linux program in every language of the message catalogue, started as
// the program starts (the user's environment read by
// program::takeUserLanguage): both dialogs show each text in that language;
// a language the program lacks, a broken or empty locale and C give English;
// a right-to-left language mirrors the dialogs while the radio's values and
// the carrier table's names read and show left to right, as in English.

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/ui_strings.h"
#include "carriers/carrier_table.h"
#include "platform/dialog.h"
#include "platform/language.h"
#include "platform/qt/dialog_binding.h"
#include "program/linux/program.h"
#include "res/control_ids.h"
#include "tests/linux/qt_test_support.h"
#include "tests/support/worker_script.h"

namespace {

using platform::qt::findControl;
using qttest::controlName;
using res::AppText;

struct CatalogueText {
    int id;
    AppText text;
};

// Every control of the main dialog with a text of its own, and its key.
constexpr CatalogueText MAIN_DIALOG_TEXTS[] = {
    {IDC_TASK_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_TASK_BUTTON},
    {IDC_INFO_AREA, AppText::IDD_MAIN_DIALOG_IDC_INFO_AREA},
    {IDC_WIFI_SSID_LABEL, AppText::IDD_MAIN_DIALOG_IDC_WIFI_SSID_LABEL},
    {IDC_WIFI_PASSWORD_LABEL, AppText::IDD_MAIN_DIALOG_IDC_WIFI_PASSWORD_LABEL},
    {IDC_PIN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PIN_LABEL},
    {IDC_COUNTRY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_COUNTRY_LABEL},
    {IDC_PROVIDER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PROVIDER_LABEL},
    {IDC_ROAMING_LABEL, AppText::IDD_MAIN_DIALOG_IDC_ROAMING_LABEL},
    {IDC_SECOND_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_SECOND_BUTTON},
    {IDC_FIRST_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_FIRST_BUTTON},
    {IDC_ADVANCED_GROUP, AppText::IDD_MAIN_DIALOG_IDC_ADVANCED_GROUP},
    {IDC_WIFI_GROUP, AppText::IDD_MAIN_DIALOG_IDC_WIFI_GROUP},
    {IDC_APN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_APN_LABEL},
    {IDC_USER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_USER_LABEL},
    {IDC_PASSWORD_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PASSWORD_LABEL},
    {IDC_DNS2_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS2_LABEL},
    {IDC_DNS1_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS1_LABEL},
    {IDC_GATEWAY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_GATEWAY_LABEL},
    {IDC_RADIO_GROUP, AppText::IDD_MAIN_DIALOG_IDC_RADIO_GROUP},
    {IDC_RADIO_PROFILE_LABEL, AppText::IDD_MAIN_DIALOG_IDC_RADIO_PROFILE_LABEL},
    {IDC_VERSION_LABEL, AppText::IDD_MAIN_DIALOG_IDC_VERSION_LABEL},
    {IDC_GSM_GROUP, AppText::IDD_MAIN_DIALOG_IDC_GSM_GROUP},
    {IDC_APN_NOTE, AppText::IDD_MAIN_DIALOG_IDC_APN_NOTE},
};

// The radio's values: the nine fields and the three lists.
constexpr int VALUE_FIELDS[] = {IDC_GSM_PIN, IDC_APN,     IDC_GSM_USER,  IDC_GSM_PASSWORD, IDC_DNS1,
                                IDC_DNS2,    IDC_GATEWAY, IDC_WIFI_SSID, IDC_WIFI_PASSWORD};
constexpr int VALUE_LISTS[] = {IDC_COUNTRY_LIST, IDC_PROVIDER_LIST, IDC_RADIO_PROFILE_LIST};

QString shownText(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return QString();
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

QString catalogue(int language, AppText text) {
    return QString::fromUtf8(res::APP_TEXTS[language][static_cast<int>(text)]);
}

void settle() {
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

// The side a control puts its text on, as drawn: its alignment in its own
// direction.
Qt::Alignment sideOf(const QWidget& control, Qt::Alignment alignment) {
    return QStyle::visualAlignment(control.layoutDirection(), alignment) &
           (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter);
}

// Where the text of a field starts: its cursor's place at the first
// character, as a share of the field's width (0: the left edge, 1: the right).
double textStart(QWidget& field) {
    if (auto* line = qobject_cast<QLineEdit*>(&field)) line->setCursorPosition(0);
    if (auto* area = qobject_cast<QPlainTextEdit*>(&field)) area->moveCursor(QTextCursor::Start);
    const QRect cursor = field.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    return static_cast<double>(cursor.center().x()) / field.width();
}

class QtLanguages : public ::testing::Test {
protected:
    void SetUp() override {
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
    void TearDown() override {
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
};

// Each language of the catalogue, picked as a user's LANGUAGE names it: every
// text of both dialogs, the window titles and the names given to assistive
// tools are the language's own, and so are the texts the tasks show.
TEST_F(QtLanguages, BothDialogsShowEveryTextInTheUsersLanguage) {
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        const char* code = res::LANGUAGES[language].code;
        SCOPED_TRACE(code);
        qttest::ProgramLanguage spoken(code);
        ASSERT_EQ(platform::languageIndex(), language);
        program::MainDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), catalogue(language, AppText::IDD_MAIN_DIALOG_CAPTION));
        for (const CatalogueText& text : MAIN_DIALOG_TEXTS) {
            EXPECT_EQ(shownText(findControl(dialog, text.id)), catalogue(language, text.text)) << controlName(text.id);
        }
        EXPECT_EQ(accessibleName(findControl(dialog, IDC_PROGRESS_BAR)),
                  catalogue(language, AppText::IDD_MAIN_DIALOG_IDC_PROGRESS_BAR));
        EXPECT_EQ(accessibleName(findControl(dialog, IDC_BANNER)), catalogue(language, AppText::BANNER_NAME));
        EXPECT_EQ(accessibleName(findControl(dialog, IDC_GSM_PIN)),
                  catalogue(language, AppText::IDD_MAIN_DIALOG_IDC_PIN_LABEL));

        // The strings the tasks show, loaded at the start in the language.
        dialog.initialise();
        EXPECT_EQ(shownText(findControl(dialog, IDC_INFO_AREA)),
                  catalogue(language, AppText::STRING_WAITING_FOR_DEVICE));
        EXPECT_STREQ(app::uiStrings.failed, res::APP_TEXTS[language][static_cast<int>(AppText::STRING_FAILED)]);

        bool opened = false;
        qttest::onNextModalDialog([&](QDialog& debug) {
            opened = true;
            EXPECT_EQ(debug.windowTitle(), catalogue(language, AppText::IDD_DEBUG_DIALOG_CAPTION));
            auto* ok = qobject_cast<QPushButton*>(findControl(debug, IDC_FIRST_BUTTON));
            ASSERT_NE(ok, nullptr);
            EXPECT_EQ(ok->text(), catalogue(language, AppText::IDD_DEBUG_DIALOG_IDC_FIRST_BUTTON));
            EXPECT_EQ(accessibleName(findControl(debug, IDC_DEBUG_TEXT)),
                      catalogue(language, AppText::DEBUG_TEXT_NAME));
            ok->click();
        });
        platform::runDebugDialog(dialog.handle(), "Config:\n");
        EXPECT_TRUE(opened);
    }
}

// Started with a language the program lacks, a broken, empty or plain C
// locale: English throughout, as the templates have it, never an empty text
// or a key's name.
TEST_F(QtLanguages, ALanguageTheProgramLacksABrokenOrEmptyLocaleAndCSpeakEnglish) {
    struct Setting {
        const char* language;
        const char* all;
        const char* messages;
        const char* lang;
        const char* why;
    };
    const Setting settings[] = {
        {"sw", nullptr, nullptr, "sw_KE.UTF-8", "Swahili"},
        {nullptr, nullptr, nullptr, "xx_YY.UTF-8@broken", "a broken locale"},
        {"", "", "", "", "every variable empty"},
        {nullptr, nullptr, nullptr, nullptr, "nothing set"},
        {"de", nullptr, nullptr, "C", "C"},
        {"fr", "POSIX", nullptr, "fr_FR.UTF-8", "POSIX"},
        {"ru", nullptr, nullptr, "C.UTF-8", "C.UTF-8"},
    };
    for (const Setting& setting : settings) {
        SCOPED_TRACE(setting.why);
        qttest::ProgramLanguage spoken(setting.language, setting.all, setting.messages, setting.lang);
        EXPECT_EQ(platform::languageIndex(), 0);
        EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        program::MainDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), "Brelvan Ondavox Utility");
        for (const CatalogueText& text : MAIN_DIALOG_TEXTS) {
            const QString shown = shownText(findControl(dialog, text.id));
            EXPECT_EQ(shown, catalogue(0, text.text)) << controlName(text.id);
            EXPECT_FALSE(shown.isEmpty()) << controlName(text.id);
            EXPECT_FALSE(shown.startsWith("IDD_") || shown.startsWith("STRING_")) << shown.toStdString();
        }
        for (const char* loaded : {app::uiStrings.waitingForDevice, app::uiStrings.done, app::uiStrings.quit,
                                   app::uiStrings.noThanks, app::uiStrings.updatingItself}) {
            EXPECT_GT(std::string(loaded).size(), 0u);
            EXPECT_EQ(std::string(loaded).find("STRING_"), std::string::npos) << loaded;
        }
        EXPECT_STREQ(app::uiStrings.waitingForDevice, "Waiting for Brelvan Ondavox device...");
    }
}

// In a right-to-left language the dialogs mirror: labels on the right of
// their fields, "Save and Quit" on the right, the version on the left. The
// radio's values stay left to right: each field's text starts at its left
// edge, the lists and the Debug text read left to right, and a value or a
// carrier's name looks exactly as it does in English (the same pixels).
TEST_F(QtLanguages, ARightToLeftLanguageMirrorsTheDialogsButNotTheRadiosValues) {
    // A carrier whose name ends in a bracket (the table's first starts with a
    // dash too): a right-to-left list would move them to its other end.
    int country = carriers::NONE;
    int preset = carriers::NONE;
    for (int row = 0; row < carriers::COUNTRY_COUNT && country == carriers::NONE; ++row) {
        for (int slot = 0; slot < carriers::PRESET_SLOTS; ++slot) {
            const std::string name = carriers::CarrierTable[row].presets[slot].name;
            if (!name.empty() && name.back() == ')') {
                country = row;
                preset = slot;
                break;
            }
        }
    }
    ASSERT_NE(preset, carriers::NONE);
    const QString presetName = QString::fromUtf8(carriers::CarrierTable[country].presets[preset].name);

    bool anyRightToLeft = false;
    std::map<int, QImage> english;  // each value's control as English shows it
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        const bool rightToLeft = res::LANGUAGES[language].rightToLeft;
        anyRightToLeft = anyRightToLeft || rightToLeft;
        SCOPED_TRACE(res::LANGUAGES[language].code);
        qttest::ProgramLanguage spoken(res::LANGUAGES[language].code);
        program::MainDialog dialog;
        const platform::DialogHandle handle = dialog.handle();
        dialog.initialise();
        app::showForm(handle, true);
        carriers::fillCountryList(handle);
        platform::listSelect(handle, IDC_COUNTRY_LIST, country);
        carriers::fillPresetList(handle, country);
        platform::listSelect(handle, IDC_PROVIDER_LIST, preset);
        carriers::applyCarrierPreset(handle, country, preset);
        for (int id : VALUE_FIELDS) {
            if (id != IDC_APN) platform::setControlText(handle, id, "4711 caf\xE9 (old)");
        }
        platform::setControlText(handle, IDC_APN, "web.vodafone.de");
        dialog.show();
        settle();

        const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        EXPECT_EQ(dialog.layoutDirection(), direction);
        // Mirrored places, as laid out.
        const QRect pinLabel = findControl(dialog, IDC_PIN_LABEL)->geometry();
        const QRect pin = findControl(dialog, IDC_GSM_PIN)->geometry();
        EXPECT_EQ(pinLabel.center().x() > pin.center().x(), rightToLeft);
        const QRect save = findControl(dialog, IDC_FIRST_BUTTON)->geometry();
        const QRect quit = findControl(dialog, IDC_SECOND_BUTTON)->geometry();
        EXPECT_EQ(save.center().x() > quit.center().x(), rightToLeft);
        auto* version = qobject_cast<QLabel*>(findControl(dialog, IDC_VERSION_LABEL));
        EXPECT_EQ(version->geometry().center().x() < dialog.width() / 2, rightToLeft);
        EXPECT_EQ(sideOf(*version, version->alignment()), rightToLeft ? Qt::AlignLeft : Qt::AlignRight);

        for (int id : VALUE_FIELDS) {
            SCOPED_TRACE(controlName(id));
            auto* field = qobject_cast<QLineEdit*>(findControl(dialog, id));
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->layoutDirection(), Qt::LeftToRight);
            EXPECT_EQ(sideOf(*field, field->alignment()), Qt::AlignLeft);
            if (field->isVisible()) {
                EXPECT_LT(textStart(*field), 0.25);
            }
        }
        for (int id : VALUE_LISTS) {
            auto* list = qobject_cast<QComboBox*>(findControl(dialog, id));
            EXPECT_EQ(list->layoutDirection(), Qt::LeftToRight) << controlName(id);
            EXPECT_EQ(list->view()->layoutDirection(), Qt::LeftToRight) << controlName(id) << "'s pop-up";
        }
        EXPECT_EQ(qobject_cast<QComboBox*>(findControl(dialog, IDC_PROVIDER_LIST))->currentText(), presetName);
        char apn[32];
        platform::getControlText(handle, IDC_APN, apn, sizeof apn);
        EXPECT_STREQ(apn, "web.vodafone.de");

        // The same pixels as in English over each value's text.
        for (int id : {IDC_GSM_PIN, IDC_APN, IDC_PROVIDER_LIST, IDC_COUNTRY_LIST}) {
            QWidget* control = findControl(dialog, id);
            auto* list = qobject_cast<QComboBox*>(control);
            const QString value = list != nullptr ? list->currentText() : qobject_cast<QLineEdit*>(control)->text();
            // The text and a little beyond, short of a list's arrow.
            const int textWidth = control->fontMetrics().horizontalAdvance(value);
            const QRect area(0, 0, std::min(textWidth + 8, control->width() - 30), control->height());
            const QImage shown = control->grab(area).toImage();
            if (language == 0) {
                english[id] = shown;
            } else {
                EXPECT_TRUE(shown == english[id]) << controlName(id) << " is drawn otherwise than in English";
            }
        }

        bool opened = false;
        qttest::onNextModalDialog([&](QDialog& debug) {
            opened = true;
            EXPECT_EQ(debug.layoutDirection(), direction);
            auto* text = qobject_cast<QPlainTextEdit*>(findControl(debug, IDC_DEBUG_TEXT));
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->layoutDirection(), Qt::LeftToRight);
            settle();
            EXPECT_LT(textStart(*text), 0.25);
            auto* ok = qobject_cast<QPushButton*>(findControl(debug, IDC_FIRST_BUTTON));
            // OK sits in the corner the language reads towards.
            EXPECT_EQ(ok->geometry().center().x() < debug.width() / 2, rightToLeft);
            ok->click();
        });
        platform::runDebugDialog(handle, "gsm_apn = \"web.vodafone.de\" (old)\n");
        EXPECT_TRUE(opened);
        dialog.hide();
    }
    EXPECT_TRUE(anyRightToLeft) << "the catalogue has no right-to-left language to test";
}

}  // namespace
