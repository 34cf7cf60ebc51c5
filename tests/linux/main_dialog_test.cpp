// The Linux program's main dialog (program/linux) on Qt's offscreen platform:
// the controls of templates 9 and 131 as res/dialogs.rc has them (in English,
// the process's language here), their accessible names, the forwarding to
// app/, Escape, the shortcuts in every state and while the Debug dialog is
// open, and the fields' input filters.
// One main dialog is built for the driven tests and put into each state by
// app/'s own operations.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/settings_form.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "app/update_offer.h"
#include "carriers/carrier_table.h"
#include "device/device_settings.h"
#include "platform/dialog.h"
#include "platform/qt/dialog_binding.h"
#include "program/linux/program.h"
#include "res/control_ids.h"
#include "tests/linux/qt_test_support.h"
#include "tests/support/worker_script.h"

namespace {

using platform::qt::findControl;

// --- The templates, as the resource script has them -------------------------

std::string readSource(const std::string& relative) {
    std::ifstream in(std::string(ONDAVOX_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::map<std::string, int> controlIds() {
    // #define NAME 1001, or #define NAME (-1)
    std::map<std::string, int> ids;
    std::istringstream lines(readSource("res/control_ids.h"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        words >> directive >> name >> value;
        if (directive != "#define" || value.empty()) continue;
        if (value.front() == '(') value = value.substr(1, value.size() - 2);
        ids[name] = std::stoi(value);
    }
    return ids;
}

struct TemplateControl {
    std::string kind;  // PUSHBUTTON, LTEXT, EDITTEXT, CONTROL, ...
    std::string text;
    int id = 0;
    std::string windowClass;  // CONTROL only
    std::string line;
    bool visible() const { return line.find("NOT WS_VISIBLE") == std::string::npos; }
};

struct DialogTemplate {
    std::string caption;
    std::vector<TemplateControl> controls;
};

// The fields of a template line, split at the commas outside quotes.
std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (std::string& field : fields) {
        field.erase(0, field.find_first_not_of(" \t"));
        field.erase(field.find_last_not_of(" \t\r") + 1);
    }
    return fields;
}

std::string unquoted(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' ? text.substr(1, text.size() - 2) : text;
}

DialogTemplate readTemplate(const std::string& name) {
    const std::map<std::string, int> ids = controlIds();
    const std::string script = readSource("res/dialogs.rc");
    DialogTemplate dialog;
    std::istringstream lines(script.substr(script.find(name + " DIALOGEX")));
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line.rfind("CAPTION \"", 0) == 0) dialog.caption = unquoted(line.substr(8, line.rfind('"') - 7));
        if (line.rfind("BEGIN", 0) == 0) {
            inside = true;
            continue;
        }
        if (line.rfind("END", 0) == 0) break;
        if (!inside) continue;
        const std::vector<std::string> fields = fieldsOf(line);
        TemplateControl control;
        control.line = line;
        const std::string first = fields[0];
        control.kind = first.substr(0, first.find_first_of(" \t"));
        const std::string rest = fieldsOf(first.substr(control.kind.size()))[0];
        const bool textFirst = control.kind != "EDITTEXT" && control.kind != "COMBOBOX";
        const std::string idName = textFirst ? fields.at(1) : rest;
        if (textFirst && !rest.empty() && rest.front() == '"') control.text = unquoted(rest);
        if (control.kind == "CONTROL") control.windowClass = unquoted(fields.at(2));
        EXPECT_EQ(ids.count(idName), 1u) << line;
        control.id = ids.count(idName) != 0 ? ids.at(idName) : 0;
        dialog.controls.push_back(control);
    }
    return dialog;
}

// Checks one Qt control against its template line.
void expectLikeTemplate(QWidget* widget, const TemplateControl& control) {
    SCOPED_TRACE(control.line);
    ASSERT_NE(widget, nullptr) << "no control with id " << control.id;
    const QString text = QString::fromUtf8(control.text.c_str());
    if (control.kind == "PUSHBUTTON" || control.kind == "DEFPUSHBUTTON") {
        auto* button = qobject_cast<QPushButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), text);
    } else if (control.kind == "LTEXT" || control.kind == "CTEXT" || control.kind == "RTEXT") {
        auto* label = qobject_cast<QLabel*>(widget);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), text);
        const Qt::Alignment expected = control.kind == "LTEXT"   ? Qt::AlignLeft
                                       : control.kind == "CTEXT" ? Qt::AlignHCenter
                                                                 : Qt::AlignRight;
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, expected);
    } else if (control.kind == "EDITTEXT") {
        if (control.line.find("ES_MULTILINE") != std::string::npos) {
            EXPECT_NE(qobject_cast<QPlainTextEdit*>(widget), nullptr);
        } else {
            EXPECT_NE(qobject_cast<QLineEdit*>(widget), nullptr);
        }
    } else if (control.kind == "COMBOBOX") {
        EXPECT_NE(qobject_cast<QComboBox*>(widget), nullptr);
    } else if (control.kind == "GROUPBOX") {
        auto* group = qobject_cast<QGroupBox*>(widget);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), text);
    } else if (control.kind == "CONTROL" && control.windowClass == "Button") {
        auto* box = qobject_cast<QCheckBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), text);
    } else if (control.kind == "CONTROL" && control.windowClass == "Static") {
        // The bitmap, as the banner file has it.
        auto* label = qobject_cast<QLabel*>(widget);
        ASSERT_NE(label, nullptr);
        const QImage banner(QString::fromUtf8(ONDAVOX_SOURCE_DIR "/res/banner.bmp"));
        ASSERT_FALSE(banner.isNull());
        const QImage shown = label->pixmap().toImage();
        EXPECT_EQ(shown.size(), banner.size());
        const QPoint middle(banner.width() / 2, banner.height() / 2);
        EXPECT_EQ(shown.pixel(middle), banner.pixel(middle));
    } else if (control.kind == "CONTROL" && control.windowClass == "msctls_progress32") {
        // A progress bar, named for assistive tools by the template's text.
        auto* bar = qobject_cast<QProgressBar*>(widget);
        ASSERT_NE(bar, nullptr);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(bar);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), text);
    } else {
        ADD_FAILURE() << "a kind of control the test does not know";
    }
    EXPECT_EQ(!widget->isHidden(), control.visible());
}

// Every control of the Qt dialog with an id, in its own window.
std::set<int> idsOf(QWidget& dialog) {
    std::set<int> ids;
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (control->window() == &dialog && control->property("ondavoxControlId").isValid()) {
            ids.insert(platform::qt::controlIdOf(*control));
        }
    }
    return ids;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// The labels that name the controls beside them: {control, label}.
const std::pair<int, int> LABELLED[] = {
    {IDC_WIFI_SSID, IDC_WIFI_SSID_LABEL},   {IDC_WIFI_PASSWORD, IDC_WIFI_PASSWORD_LABEL},
    {IDC_GSM_PIN, IDC_PIN_LABEL},           {IDC_COUNTRY_LIST, IDC_COUNTRY_LABEL},
    {IDC_PROVIDER_LIST, IDC_PROVIDER_LABEL}, {IDC_ROAMING_CHECK, IDC_ROAMING_LABEL},
    {IDC_APN, IDC_APN_LABEL},               {IDC_GSM_USER, IDC_USER_LABEL},
    {IDC_GSM_PASSWORD, IDC_PASSWORD_LABEL}, {IDC_DNS1, IDC_DNS1_LABEL},
    {IDC_DNS2, IDC_DNS2_LABEL},             {IDC_GATEWAY, IDC_GATEWAY_LABEL},
    {IDC_RADIO_PROFILE_LIST, IDC_RADIO_PROFILE_LABEL},
};

// Clicks the OK button of a Debug dialog.
void pressOk(QDialog& debug) {
    auto* ok = qobject_cast<QPushButton*>(findControl(debug, IDC_FIRST_BUTTON));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
}

bool startedTask(platform::WorkerProcedure task) {
    for (const testsupport::WorkerStart& start : testsupport::recordedWorkerStarts()) {
        if (start.procedure == task) return true;
    }
    return false;
}

// --- The dialog as built, before its initialisation --------------------------

TEST(QtMainDialogTemplate, HasEveryControlOfTemplate9WithItsIdTextKindAndStartVisibility) {
    program::MainDialog dialog;
    const DialogTemplate main = readTemplate("IDD_MAIN_DIALOG");
    ASSERT_EQ(main.controls.size(), 38u);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(main.caption.c_str()));
    std::set<int> templateIds;
    for (const TemplateControl& control : main.controls) {
        templateIds.insert(control.id);
        expectLikeTemplate(findControl(dialog, control.id), control);
    }
    EXPECT_EQ(idsOf(dialog), templateIds);
    EXPECT_FALSE(dialog.windowIcon().isNull());
}

TEST(QtMainDialogTemplate, EveryControlHasAnAccessibleNameAndFieldsAreNamedByTheirLabels) {
    program::MainDialog dialog;
    dialog.show();
    EXPECT_EQ(accessibleName(&dialog), "Brelvan Ondavox Utility");
    for (int id : idsOf(dialog)) {
        EXPECT_FALSE(accessibleName(findControl(dialog, id)).isEmpty()) << id;
    }
    for (const auto& [control, label] : LABELLED) {
        auto* text = qobject_cast<QLabel*>(findControl(dialog, label));
        ASSERT_NE(text, nullptr) << label;
        EXPECT_EQ(accessibleName(findControl(dialog, control)), text->text()) << control;
        EXPECT_EQ(text->buddy(), findControl(dialog, control)) << control;
    }
    // A button is named by the text it shows now.
    auto* task = qobject_cast<QPushButton*>(findControl(dialog, IDC_TASK_BUTTON));
    task->setText("Quit");
    EXPECT_EQ(accessibleName(task), "Quit");
    dialog.hide();
}

TEST(QtMainDialogTemplate, TheDebugDialogHasTheControlsOfTemplate131AndNamesThem) {
    program::MainDialog owner;
    const DialogTemplate debugTemplate = readTemplate("IDD_DEBUG_DIALOG");
    ASSERT_EQ(debugTemplate.controls.size(), 2u);
    bool opened = false;
    qttest::onNextModalDialog([&](QDialog& debug) {
        opened = true;
        EXPECT_EQ(debug.windowTitle(), QString::fromUtf8(debugTemplate.caption.c_str()));
        EXPECT_EQ(accessibleName(&debug), "Debug");
        std::set<int> templateIds;
        for (const TemplateControl& control : debugTemplate.controls) {
            templateIds.insert(control.id);
            expectLikeTemplate(findControl(debug, control.id), control);
            EXPECT_FALSE(accessibleName(findControl(debug, control.id)).isEmpty()) << control.id;
        }
        EXPECT_EQ(idsOf(debug), templateIds);
        auto* ok = qobject_cast<QPushButton*>(findControl(debug, IDC_FIRST_BUTTON));
        EXPECT_TRUE(ok != nullptr && ok->isDefault());
        pressOk(debug);
    });
    platform::runDebugDialog(owner.handle(), "Config:\n");
    EXPECT_TRUE(opened);
}

TEST(QtShortcutKeys, CtrlWithTheLetterOrAltWithTheCapitalLetterIsAShortcut) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int command;
    };
    const Case cases[] = {
        {Qt::Key_B, Qt::ControlModifier, IDM_BETA_CHECK},
        {Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier, IDM_BETA_CHECK},
        {Qt::Key_B, Qt::ControlModifier | Qt::AltModifier, IDM_BETA_CHECK},
        {Qt::Key_B, Qt::AltModifier | Qt::ShiftModifier, IDM_BETA_CHECK},
        {Qt::Key_D, Qt::ControlModifier, IDM_DEBUG_DIALOG},
        {Qt::Key_D, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, IDM_DEBUG_DIALOG},
        {Qt::Key_D, Qt::AltModifier | Qt::ShiftModifier, IDM_DEBUG_DIALOG},
        {Qt::Key_D, Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier, IDM_DEBUG_DIALOG},
        {Qt::Key_B, Qt::NoModifier, 0},
        {Qt::Key_B, Qt::ShiftModifier, 0},
        {Qt::Key_D, Qt::AltModifier, 0},  // Alt with the small letter is none
        {Qt::Key_D, Qt::ControlModifier | Qt::MetaModifier, 0},
        {Qt::Key_C, Qt::ControlModifier, 0},
        {Qt::Key_V, Qt::ControlModifier, 0},
    };
    for (const Case& c : cases) {
        const QKeyEvent key(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(program::shortcutCommand(key), c.command) << c.key << " " << c.modifiers;
    }
}

// --- One main dialog, driven through its states -----------------------------

enum class State { Starting, Editing, EditingInAList, Busy, Offering, Updating, Notice };

const char* nameOf(State state) {
    switch (state) {
    case State::Starting: return "starting";
    case State::Editing: return "editing";
    case State::EditingInAList: return "editing, a list open";
    case State::Busy: return "busy";
    case State::Offering: return "offering";
    case State::Updating: return "updating";
    case State::Notice: return "notice";
    }
    return "";
}

class QtMainDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        app::loadUiStrings();
        app::resetDialogState();
        device::resetDeviceSettings();
        testsupport::scriptWorkers();
        dialog = new program::MainDialog;
        shortcuts = new program::ShortcutFilter(*dialog);
        dialog->initialise();
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }

    static void TearDownTestSuite() {
        delete shortcuts;
        delete dialog;
        shortcuts = nullptr;
        dialog = nullptr;
        app::resetDialogState();
        testsupport::scriptWorkers();
    }

    void SetUp() override {
        ASSERT_TRUE(dialog->isOpen()) << "an earlier test closed the shared dialog";
        enter(State::Starting);
    }

    void TearDown() override {
        if (auto* list = control<QComboBox>(IDC_COUNTRY_LIST)) list->hidePopup();
        app::resetDialogState();
        testsupport::scriptWorkers();
    }

    static platform::DialogHandle handle() { return dialog->handle(); }

    template <typename Widget = QWidget>
    static Widget* control(int id) {
        return qobject_cast<Widget*>(findControl(*dialog, id));
    }

    // Puts the dialog into a state the way app/ does, with the focus where a
    // user would have it.
    static void enter(State state) {
        app::resetDialogState();
        app::showForm(handle(), false);
        platform::setControlText(handle(), IDC_INFO_AREA, app::uiStrings.waitingForDevice);
        platform::setControlText(handle(), IDC_TASK_BUTTON, app::uiStrings.cancel);
        QWidget* focus = control(IDC_TASK_BUTTON);
        switch (state) {
        case State::Starting:
            break;
        case State::Editing:
        case State::EditingInAList:
            app::showForm(handle(), true);
            app::dialogState = app::STATE_EDITING;
            focus = control(IDC_APN);
            break;
        case State::Busy:
            platform::setControlText(handle(), IDC_INFO_AREA, app::uiStrings.savingConfiguration);
            app::dialogState = app::STATE_BUSY;
            break;
        case State::Offering:
            app::openUpdateOffer(handle());
            focus = control(IDC_FIRST_BUTTON);
            break;
        case State::Updating:
            app::openUpdateOffer(handle());
            app::updateInProgress = 1;
            app::startTask(handle(), app::updateTask, app::uiStrings.initializingUpdate, app::STATE_UPDATING);
            break;
        case State::Notice:
            platform::setControlText(handle(), IDC_TASK_BUTTON, app::uiStrings.ok);
            app::dialogState = app::STATE_NOTICE;
            break;
        }
        testsupport::scriptWorkers();
        focus->setFocus();
        if (state == State::EditingInAList) {
            if (control<QComboBox>(IDC_COUNTRY_LIST)->count() == 0) carriers::fillCountryList(handle());
            control<QComboBox>(IDC_COUNTRY_LIST)->setFocus();
            control<QComboBox>(IDC_COUNTRY_LIST)->showPopup();
        }
    }

    // A key as the user presses it: through the window system to the window
    // that has the keyboard.
    static void press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }

    // The window that has the keyboard (a list's open popup is a window of its own).
    static QWidget& activeWindow() {
        if (QWidget* popup = QApplication::activePopupWidget()) return *popup;
        return QApplication::activeWindow() != nullptr ? *QApplication::activeWindow() : *dialog;
    }

    static bool formShown() {
        for (int id : app::FORM_CONTROLS) {
            if (!control(id)->isVisible()) return false;
        }
        return !control(IDC_INFO_AREA)->isVisible();
    }

    static program::MainDialog* dialog;
    static program::ShortcutFilter* shortcuts;
};

program::MainDialog* QtMainDialog::dialog = nullptr;
program::ShortcutFilter* QtMainDialog::shortcuts = nullptr;

TEST_F(QtMainDialog, InitialisationShowsTheWaitingTextAndVersionAndFillsTheHiddenProfileList) {
    // As the suite's dialog was initialised.
    auto* version = control<QLabel>(IDC_VERSION_LABEL);
    EXPECT_EQ(version->text(), app::VERSION_LABEL);
    auto* profiles = control<QComboBox>(IDC_RADIO_PROFILE_LIST);
    ASSERT_EQ(profiles->count(), app::RADIO_PROFILE_COUNT);
    for (int i = 0; i < app::RADIO_PROFILE_COUNT; ++i) {
        EXPECT_EQ(profiles->itemText(i), app::RADIO_PROFILE_NAMES[i]);
    }
    EXPECT_FALSE(profiles->isVisible());
    EXPECT_EQ(control<QLabel>(IDC_INFO_AREA)->text(), app::uiStrings.waitingForDevice);
    EXPECT_TRUE(control(IDC_INFO_AREA)->isVisible());
    EXPECT_TRUE(control(IDC_BANNER)->isVisible());
    EXPECT_FALSE(formShown());
}

TEST_F(QtMainDialog, ButtonsAndTheUsersListChoicesAreTheDialogsCommands) {
    // The notice's OK (1015) leads to the form.
    enter(State::Notice);
    QTest::mouseClick(control(IDC_TASK_BUTTON), Qt::LeftButton);
    EXPECT_TRUE(formShown());
    EXPECT_EQ(app::dialogState, app::STATE_EDITING);

    // Choosing a country fills its providers; choosing a provider fills the
    // fields from its preset. The code's own selections are no commands.
    const int germany = carriers::findCountryIndex("Germany");
    ASSERT_NE(germany, carriers::NONE);
    carriers::fillCountryList(handle());
    platform::listFill(handle(), IDC_PROVIDER_LIST, {});
    platform::listSelect(handle(), IDC_COUNTRY_LIST, germany - 1);
    EXPECT_EQ(control<QComboBox>(IDC_PROVIDER_LIST)->count(), 0);
    auto* countries = control<QComboBox>(IDC_COUNTRY_LIST);
    countries->setFocus();
    press(*dialog, Qt::Key_Down);
    EXPECT_EQ(platform::listSelection(handle(), IDC_COUNTRY_LIST), germany);
    auto* providers = control<QComboBox>(IDC_PROVIDER_LIST);
    int presets = 0;
    while (presets < carriers::PRESET_SLOTS && carriers::CarrierTable[germany].presets[presets].name[0] != '\0') {
        ++presets;
    }
    EXPECT_EQ(providers->count(), presets);
    EXPECT_EQ(platform::listSelection(handle(), IDC_PROVIDER_LIST), platform::NO_SELECTION);
    providers->setFocus();
    press(*dialog, Qt::Key_Down);
    EXPECT_EQ(control<QLineEdit>(IDC_APN)->text(), carriers::CarrierTable[germany].presets[0].apn);

    // "Save and Quit" starts the save.
    QTest::mouseClick(control(IDC_FIRST_BUTTON), Qt::LeftButton);
    EXPECT_TRUE(startedTask(app::saveTask));
    EXPECT_EQ(control<QLabel>(IDC_INFO_AREA)->text(), app::uiStrings.savingConfiguration);
    EXPECT_FALSE(formShown());

    // "No, Thanks!" (2) leaves an offer for the form.
    enter(State::Offering);
    EXPECT_EQ(control<QPushButton>(IDC_FIRST_BUTTON)->text(), app::uiStrings.yes);
    QTest::mouseClick(control(IDC_SECOND_BUTTON), Qt::LeftButton);
    EXPECT_TRUE(formShown());
    EXPECT_TRUE(dialog->isOpen());
}

TEST_F(QtMainDialog, EnterInAFieldPressesSaveAndQuit) {
    enter(State::Editing);
    press(*dialog, Qt::Key_Return);
    EXPECT_TRUE(startedTask(app::saveTask));
    EXPECT_EQ(app::dialogState, app::STATE_BUSY);
}

TEST_F(QtMainDialog, EscapeIsCommand2) {
    // An open offer: Escape declines it, as "No, Thanks!" does.
    enter(State::Offering);
    press(*dialog, Qt::Key_Escape);
    EXPECT_TRUE(formShown());
    EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
    EXPECT_TRUE(dialog->isOpen());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtMainDialog, TheShortcutsReachTheDialogInEveryState) {
    const State states[] = {State::Starting, State::Editing, State::EditingInAList, State::Busy,
                            State::Offering, State::Updating, State::Notice};
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    const Key debugKeys[] = {{Qt::Key_D, Qt::ControlModifier, "Ctrl+D"},
                             {Qt::Key_D, Qt::AltModifier | Qt::ShiftModifier, "Alt+Shift+D"}};
    const Key betaKeys[] = {{Qt::Key_B, Qt::ControlModifier, "Ctrl+B"},
                            {Qt::Key_B, Qt::AltModifier | Qt::ShiftModifier, "Alt+Shift+B"}};
    for (State state : states) {
        for (const Key& key : debugKeys) {
            SCOPED_TRACE(std::string(nameOf(state)) + ", " + key.name);
            enter(state);
            bool opened = false;
            qttest::onNextModalDialog([&](QDialog& debug) {
                opened = debug.windowTitle() == "Debug";
                pressOk(debug);
            });
            press(activeWindow(), key.key, key.modifiers);
            qttest::handleEventsFor(20);
            EXPECT_TRUE(opened);
            if (auto* list = control<QComboBox>(IDC_COUNTRY_LIST)) list->hidePopup();
        }
        for (const Key& key : betaKeys) {
            SCOPED_TRACE(std::string(nameOf(state)) + ", " + key.name);
            enter(state);
            press(activeWindow(), key.key, key.modifiers);
            // app/ ignores the beta check while an update runs.
            EXPECT_EQ(startedTask(app::betaCheckTask), state != State::Updating);
            if (state != State::Updating) {
                EXPECT_EQ(control<QLabel>(IDC_INFO_AREA)->text(), app::uiStrings.checkingUpdate);
            }
            if (auto* list = control<QComboBox>(IDC_COUNTRY_LIST)) list->hidePopup();
        }
    }
}

TEST_F(QtMainDialog, WhileTheDebugDialogIsOpenTheShortcutsStillReachTheMainDialog) {
    enter(State::Editing);
    struct Seen {
        bool betaStarted = false;
        bool secondOpened = false;
        bool openAfterEscape = false;
        bool openAfterClose = false;
    } seen;
    qttest::onNextModalDialog([&](QDialog& debug) {
        press(debug, Qt::Key_B, Qt::ControlModifier);
        seen.betaStarted = startedTask(app::betaCheckTask);
        // Ctrl+D there opens another one above it, as the main dialog's command.
        qttest::onNextModalDialog([&](QDialog& second) {
            seen.secondOpened = &second != &debug && second.parentWidget() == dialog;
            pressOk(second);
        });
        press(debug, Qt::Key_D, Qt::AltModifier | Qt::ShiftModifier);
        press(debug, Qt::Key_Escape);
        seen.openAfterEscape = debug.isVisible();
        debug.close();
        seen.openAfterClose = debug.isVisible();
        pressOk(debug);
    });
    press(*dialog, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(seen.betaStarted);
    EXPECT_TRUE(seen.secondOpened);
    EXPECT_TRUE(seen.openAfterEscape);
    EXPECT_TRUE(seen.openAfterClose);
    EXPECT_EQ(QApplication::activeModalWidget(), dialog);
}

// The nine text fields drop a double quote and control characters, typed or
// pasted; the PIN field takes digits only. What the program sets goes in as
// it is.
TEST_F(QtMainDialog, TheFormsFieldsDropWhatAValueCannotHold) {
    enter(State::Editing);
    struct Case {
        const char* typed;
        const char* pasted;
        const char* textExpected;  // after typing, then pasting, into an empty field
        const char* pinExpected;
    };
    const Case cases[] = {
        {"ab\"c", "x\"y", "abcxy", ""},
        {"12\"3", "4\t5\n6", "123456", "123456"},
        {"x", "caf\xC3\xA9 \x7F\x1B" "1", "xcaf\xC3\xA9 1", "1"},
        {"9 8", "-7a", "9 8-7a", "987"},
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int id : app::FORM_TEXT_FIELDS) {
        auto* field = control<QLineEdit>(id);
        ASSERT_NE(field, nullptr) << id;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(id) + ": " + c.typed + " / " + c.pasted);
            field->clear();
            QTest::keyClicks(field, QString::fromUtf8(c.typed));
            // A control character as a key's text.
            QKeyEvent bell(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x07)));
            QApplication::sendEvent(field, &bell);
            clipboard->setText(QString::fromUtf8(c.pasted));
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(field->text(), QString::fromUtf8(id == IDC_GSM_PIN ? c.pinExpected : c.textExpected));
        }
        // The program's own text goes in as it is given.
        platform::setControlText(handle(), id, "1a\"3");
        EXPECT_EQ(field->text(), "1a\"3");
        char back[16];
        platform::getControlText(handle(), id, back, sizeof back);
        EXPECT_STREQ(back, "1a\"3");
        // Pasted in the middle, the cursor stays after what was kept.
        platform::setControlText(handle(), id, "13");
        field->setCursorPosition(1);
        clipboard->setText("\"2\"");
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(field->text(), "123");
        EXPECT_EQ(field->cursorPosition(), 2);
    }
}

// --- The modal run ----------------------------------------------------------

class QtMainDialogRun : public ::testing::Test {
protected:
    void SetUp() override {
        app::loadUiStrings();
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
    void TearDown() override {
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
};

TEST_F(QtMainDialogRun, EscapeOrTheCloseButtonOutsideAnOfferEndsTheRunWithCommand2) {
    for (bool closeButton : {false, true}) {
        SCOPED_TRACE(closeButton ? "close button" : "Escape");
        program::MainDialog dialog;
        program::ShortcutFilter shortcuts(dialog);
        QTimer::singleShot(0, &dialog, [&dialog, closeButton] {
            if (closeButton) {
                dialog.close();
            } else {
                QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
            }
        });
        EXPECT_EQ(dialog.run(), IDC_SECOND_BUTTON);
        EXPECT_FALSE(dialog.isOpen());
        EXPECT_TRUE(startedTask(app::startupTask));
        testsupport::scriptWorkers();
    }
}

TEST_F(QtMainDialogRun, AWorkersTextDuringTheInitialisationComesAfterItAndItsCloseEndsTheRun) {
    program::MainDialog dialog;
    program::ShortcutFilter shortcuts(dialog);
    const platform::DialogHandle handle = dialog.handle();
    // A worker that, like the startup task, changes the Info area before the
    // initialisation has shown the waiting text.
    std::thread early([handle] { platform::setControlText(handle, IDC_INFO_AREA, "Reading Device, please wait..."); });
    qttest::waitUntil([&] { return dialog.binding().waitingOperations() != 0; }, false);
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(qobject_cast<QLabel*>(findControl(dialog, IDC_INFO_AREA))->text(), "Reading Device, please wait...");
        // The save task's end: from a worker, the dialog closes with 1015.
        std::thread([handle] { platform::closeDialog(handle, IDC_TASK_BUTTON); }).detach();
    });
    EXPECT_EQ(dialog.run(), IDC_TASK_BUTTON);
    early.join();

    // The program's end: this thread waits for a worker without handling
    // events, and the worker's dialog operations do not hold it up.
    qttest::runOnWorker(
        [handle] {
            platform::setControlText(handle, IDC_INFO_AREA, "done");
            char text[8];
            platform::getControlText(handle, IDC_APN, text, sizeof text);
            platform::closeDialog(handle, IDC_TASK_BUTTON);
        },
        /*serviceEvents=*/false);
    // Nor do shortcuts reach a dialog that is gone.
    testsupport::scriptWorkers();
    QTest::keyClick(&dialog, Qt::Key_B, Qt::ControlModifier);
    EXPECT_FALSE(startedTask(app::betaCheckTask));
}

// --- The built program -------------------------------------------------------

TEST(QtProgram, TellsItsVersionWithoutADisplay) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    program.setProcessEnvironment(environment);
    program.start(ONDAVOX_UTILITY_PROGRAM, {"--version"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    // The version, then how this machine finds the radio (here no UDisks2
    // service answers, so the kernel's mount table).
    const std::string output = program.readAllStandardOutput().toStdString();
    EXPECT_EQ(output.substr(0, output.find('\n') + 1), std::string("ondavox-utility ") + ONDAVOX_PROGRAM_VERSION + "\n");
    const std::string discovery = output.substr(output.find('\n') + 1);
    EXPECT_TRUE(discovery == "radio discovery: UDisks2\n" || discovery == "radio discovery: kernel mount table\n")
        << discovery;
}

}  // namespace
