// The main dialog: the controls of template 9 (res/dialogs.rc) with the
// template's ids and start visibility and its texts in the process's
// language (the message catalogue), in a layout of Qt's own that follows the
// user's font and scale and grows with the texts. It only forwards: what the
// dialog does lives in app/.

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "app/main_dialog.h"
#include "platform/qt/catalogue_text.h"
#include "platform/qt/dialog_binding.h"
#include "program/linux/program.h"
#include "res/control_ids.h"

namespace program {

namespace {

using platform::qt::catalogueText;
using platform::qt::setControlId;
using res::AppText;

// The template's fields are 144 dialog units wide: about 36 average
// characters of the dialog's font.
constexpr int FIELD_CHARACTERS = 36;

// A control that app/ shows and hides keeps its room while hidden, so the
// dialog keeps one size from the waiting text to the form.
void keepRoomWhenHidden(QWidget& control) {
    QSizePolicy policy = control.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    control.setSizePolicy(policy);
}

QLabel* newLabel(QWidget* parent, int id, AppText text) {
    auto* label = new QLabel(catalogueText(text), parent);
    setControlId(*label, id);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A control named by its label: the label points at it, and assistive tools
// read the label's text as its name.
void nameBy(QLabel& label, QWidget& control) {
    label.setBuddy(&control);
    control.setAccessibleName(label.text());
}

// Every field holds a value of the radio's (a PIN, a name, an address): a
// left-to-right field in a right-to-left dialog too, as such fields are on
// right-to-left desktops. Qt lays a field's text out by its own letters, so
// the values (digits, Latin letters, dots) start at its left edge.
QLineEdit* newField(QWidget* parent, int id, QLabel& label) {
    auto* field = new QLineEdit(parent);
    setControlId(*field, id);
    field->setLayoutDirection(Qt::LeftToRight);
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * FIELD_CHARACTERS);
    nameBy(label, *field);
    return field;
}

// A list of names that are never translated (the carrier table's, the
// radio's profiles): left to right in every dialog, so a name that starts or
// ends with a bracket or a dash (" - Telstra (Next G)") shows as it is, not
// with them moved to its other end. Qt draws a list's text in the
// application's direction whatever the list's own, so the list draws it in
// its own.
class ValueList : public QComboBox {
public:
    explicit ValueList(QWidget* parent) : QComboBox(parent) {
        setLayoutDirection(Qt::LeftToRight);
        view()->setLayoutDirection(Qt::LeftToRight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.setLayoutDirection(layoutDirection());
        painter.setPen(palette().color(QPalette::Text));
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

QComboBox* newList(QWidget* parent, int id, QLabel& label) {
    auto* list = new ValueList(parent);
    setControlId(*list, id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(FIELD_CHARACTERS);
    nameBy(label, *list);
    return list;
}

QGroupBox* newGroup(QWidget* parent, int id, AppText title) {
    auto* group = new QGroupBox(catalogueText(title), parent);
    setControlId(*group, id);
    return group;
}

QPushButton* newButton(QWidget* parent, int id, AppText text) {
    auto* button = new QPushButton(catalogueText(text), parent);
    setControlId(*button, id);
    return button;
}

// A group's rows: each a label and its control, under an optional heading
// across both columns.
struct Row {
    QLabel* label;
    QWidget* control;
};

QGridLayout* rowsOf(QGroupBox& group, std::initializer_list<Row> rows, QWidget* heading = nullptr) {
    auto* grid = new QGridLayout(&group);
    int line = 0;
    if (heading != nullptr) {
        grid->addWidget(heading, line++, 0, 1, 2);
    }
    for (const Row& row : rows) {
        grid->addWidget(row.label, line, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(row.control, line, 1);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    return grid;
}

}  // namespace

MainDialog::MainDialog() : binding_(*this) {
    setWindowTitle(catalogueText(AppText::IDD_MAIN_DIALOG_CAPTION));
    setWindowIcon(QIcon(QStringLiteral(":/ondavox/ondavox.ico")));
    setModal(true);

    // Black text on white, as the Windows dialog paints it; fields and lists
    // keep the colours of the user's style.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    // The Info area: centred lines from the top, where the form appears later.
    auto* info = newLabel(this, IDC_INFO_AREA, AppText::IDD_MAIN_DIALOG_IDC_INFO_AREA);
    info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    info->setWordWrap(true);

    // GSM Preferences.
    auto* gsm = newGroup(this, IDC_GSM_GROUP, AppText::IDD_MAIN_DIALOG_IDC_GSM_GROUP);
    auto* pinLabel = newLabel(gsm, IDC_PIN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PIN_LABEL);
    auto* pin = newField(gsm, IDC_GSM_PIN, *pinLabel);
    auto* countryLabel = newLabel(gsm, IDC_COUNTRY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_COUNTRY_LABEL);
    auto* country = newList(gsm, IDC_COUNTRY_LIST, *countryLabel);
    auto* providerLabel = newLabel(gsm, IDC_PROVIDER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PROVIDER_LABEL);
    auto* provider = newList(gsm, IDC_PROVIDER_LIST, *providerLabel);
    auto* roamingLabel = newLabel(gsm, IDC_ROAMING_LABEL, AppText::IDD_MAIN_DIALOG_IDC_ROAMING_LABEL);
    auto* roaming = new QCheckBox(gsm);
    setControlId(*roaming, IDC_ROAMING_CHECK);
    nameBy(*roamingLabel, *roaming);
    QGridLayout* gsmRows = rowsOf(*gsm, {{pinLabel, pin}, {countryLabel, country}, {providerLabel, provider},
                                         {roamingLabel, roaming}});

    // Advanced GSM Preferences, under their note.
    auto* advanced = newGroup(this, IDC_ADVANCED_GROUP, AppText::IDD_MAIN_DIALOG_IDC_ADVANCED_GROUP);
    auto* note = newLabel(advanced, IDC_APN_NOTE, AppText::IDD_MAIN_DIALOG_IDC_APN_NOTE);
    auto* apnLabel = newLabel(advanced, IDC_APN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_APN_LABEL);
    auto* apn = newField(advanced, IDC_APN, *apnLabel);
    auto* userLabel = newLabel(advanced, IDC_USER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_USER_LABEL);
    auto* user = newField(advanced, IDC_GSM_USER, *userLabel);
    auto* passwordLabel = newLabel(advanced, IDC_PASSWORD_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PASSWORD_LABEL);
    auto* password = newField(advanced, IDC_GSM_PASSWORD, *passwordLabel);
    auto* dns1Label = newLabel(advanced, IDC_DNS1_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS1_LABEL);
    auto* dns1 = newField(advanced, IDC_DNS1, *dns1Label);
    auto* dns2Label = newLabel(advanced, IDC_DNS2_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS2_LABEL);
    auto* dns2 = newField(advanced, IDC_DNS2, *dns2Label);
    auto* gatewayLabel = newLabel(advanced, IDC_GATEWAY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_GATEWAY_LABEL);
    auto* gateway = newField(advanced, IDC_GATEWAY, *gatewayLabel);
    QGridLayout* advancedRows =
        rowsOf(*advanced, {{apnLabel, apn}, {userLabel, user}, {passwordLabel, password}, {dns1Label, dns1},
                           {dns2Label, dns2}, {gatewayLabel, gateway}},
               note);

    // Never shown, but they carry the file's Wi-Fi values and the radio
    // profile through a save.
    auto* wifi = newGroup(this, IDC_WIFI_GROUP, AppText::IDD_MAIN_DIALOG_IDC_WIFI_GROUP);
    auto* ssidLabel = newLabel(wifi, IDC_WIFI_SSID_LABEL, AppText::IDD_MAIN_DIALOG_IDC_WIFI_SSID_LABEL);
    auto* ssid = newField(wifi, IDC_WIFI_SSID, *ssidLabel);
    auto* wifiPasswordLabel = newLabel(wifi, IDC_WIFI_PASSWORD_LABEL, AppText::IDD_MAIN_DIALOG_IDC_WIFI_PASSWORD_LABEL);
    auto* wifiPassword = newField(wifi, IDC_WIFI_PASSWORD, *wifiPasswordLabel);
    QGridLayout* wifiRows = rowsOf(*wifi, {{ssidLabel, ssid}, {wifiPasswordLabel, wifiPassword}});
    auto* radio = newGroup(this, IDC_RADIO_GROUP, AppText::IDD_MAIN_DIALOG_IDC_RADIO_GROUP);
    auto* profileLabel = newLabel(radio, IDC_RADIO_PROFILE_LABEL, AppText::IDD_MAIN_DIALOG_IDC_RADIO_PROFILE_LABEL);
    auto* profile = newList(radio, IDC_RADIO_PROFILE_LIST, *profileLabel);
    QGridLayout* radioRows = rowsOf(*radio, {{profileLabel, profile}});

    // The labels' column has one width in every group, so the fields line up.
    int labelWidth = 0;
    for (QLabel* label : {pinLabel, countryLabel, providerLabel, roamingLabel, apnLabel, userLabel, passwordLabel,
                          dns1Label, dns2Label, gatewayLabel, ssidLabel, wifiPasswordLabel, profileLabel}) {
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    }
    for (QGridLayout* rows : {gsmRows, advancedRows, wifiRows, radioRows}) {
        rows->setColumnMinimumWidth(0, labelWidth);
    }

    auto* content = new QGridLayout;
    content->addWidget(info, 0, 0, 4, 1);
    content->addWidget(gsm, 0, 0);
    content->addWidget(advanced, 1, 0);
    content->addWidget(wifi, 2, 0);
    content->addWidget(radio, 3, 0);

    // How far the image's download and its copy onto the radio have come,
    // below the Info area while one of them runs.
    auto* progress = new QProgressBar(this);
    setControlId(*progress, IDC_PROGRESS_BAR);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setAccessibleName(catalogueText(AppText::IDD_MAIN_DIALOG_IDC_PROGRESS_BAR));

    auto* banner = new QLabel(this);
    setControlId(*banner, IDC_BANNER);
    banner->setPixmap(QPixmap(QStringLiteral(":/ondavox/banner.bmp")));
    banner->setAlignment(Qt::AlignCenter);
    banner->setAccessibleName(catalogueText(AppText::BANNER_NAME));

    // The task button where "Save and Quit" and "Quit without save" stand
    // once the form shows.
    auto* task = newButton(this, IDC_TASK_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_TASK_BUTTON);
    auto* first = newButton(this, IDC_FIRST_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_FIRST_BUTTON);
    auto* second = newButton(this, IDC_SECOND_BUTTON, AppText::IDD_MAIN_DIALOG_IDC_SECOND_BUTTON);
    first->setDefault(true);
    auto* buttons = new QGridLayout;
    buttons->addWidget(task, 0, 0, 1, 3);
    buttons->addWidget(first, 0, 0);
    buttons->addWidget(second, 0, 2);
    buttons->setColumnStretch(1, 1);

    auto* version = newLabel(this, IDC_VERSION_LABEL, AppText::IDD_MAIN_DIALOG_IDC_VERSION_LABEL);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(content, 1);
    layout->addWidget(progress);
    layout->addWidget(banner);
    layout->addLayout(buttons);
    // In the corner the language reads towards, as narrow as its text.
    layout->addWidget(version, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget* control : std::initializer_list<QWidget*>{
             info, gsm, pinLabel, pin, countryLabel, country, providerLabel, provider, roamingLabel, roaming,
             advanced, note, apnLabel, apn, userLabel, user, passwordLabel, password, dns1Label, dns1, dns2Label,
             dns2, gatewayLabel, gateway, task, first, second, progress}) {
        keepRoomWhenHidden(*control);
    }
    // As the template starts them: only the Info area, the task button, the
    // banner and the version show.
    for (QWidget* control : std::initializer_list<QWidget*>{
             gsm, pinLabel, pin, countryLabel, country, providerLabel, provider, roamingLabel, roaming, advanced,
             note, apnLabel, apn, userLabel, user, passwordLabel, password, dns1Label, dns1, dns2Label, dns2,
             gatewayLabel, gateway, wifi, ssidLabel, ssid, wifiPasswordLabel, wifiPassword, radio, profileLabel,
             profile, first, second, progress}) {
        control->setVisible(false);
    }

    // Top to bottom, then the buttons.
    QWidget* order[] = {task, pin, country, provider, roaming, apn, user, password, dns1, dns2, gateway, first, second};
    for (std::size_t at = 1; at < std::size(order); ++at) {
        setTabOrder(order[at - 1], order[at]);
    }

    for (QPushButton* button : {task, first, second}) {
        const int id = platform::qt::controlIdOf(*button);
        connect(button, &QPushButton::clicked, this, [this, id] { command(id, 0); });
    }
    // A selection the user makes; setting one from the code is no command.
    for (QComboBox* list : {country, provider}) {
        const int id = platform::qt::controlIdOf(*list);
        connect(list, &QComboBox::activated, this, [this, id] { command(id, app::SELECTION_CHANGED); });
    }
    filterFormTextFields(*this);
    task->setFocus();
}

void MainDialog::initialise() {
    app::onMainDialogInit(handle());
    binding_.endInitialisation();
}

int MainDialog::run() {
    initialise();
    if (!isOpen()) {
        return result();  // closed during its initialisation
    }
    return exec();
}

void MainDialog::reject() {
    if (isOpen()) {
        command(IDC_SECOND_BUTTON, 0);
    }
}

void MainDialog::command(int id, int notification) {
    app::onMainDialogCommand(handle(), id, notification);
}

}  // namespace program
