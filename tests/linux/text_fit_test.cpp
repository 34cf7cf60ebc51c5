// Texts that always fit. For every language of the catalogue, the
// pseudo-language among them, the main dialog is shown at each stage with the
// texts app/ composes for it (the same functions the tasks call) and the
// Debug dialog over it, on Qt's offscreen platform with the fonts the test
// command installs: DejaVu Sans, and WenQuanYi Micro Hei where DejaVu has no
// Chinese or Japanese letters. No label, button, group title, step line or
// hint may be cut or overlap another control, and no character may lack its
// glyph (it would show as a box). A failure names the language, the stage,
// the control, its text and the pixels it needs and has.

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/progress_bar.h"
#include "app/progress_text.h"
#include "app/tasks.h"
#include "app/ui_strings.h"
#include "app/update_offer.h"
#include "app/waiting_hint.h"
#include "carriers/carrier_table.h"
#include "device/discovery.h"
#include "platform/dialog.h"
#include "platform/language.h"
#include "platform/qt/dialog_binding.h"
#include "program/linux/program.h"
#include "res/control_ids.h"
#include "tests/linux/qt_test_support.h"
#include "tests/support/worker_script.h"
#include "update/version_check.h"

namespace {

using app::uiStrings;
using platform::DialogHandle;

// The longest versions the version texts hold, and a system's reason as
// long as mount's own, so the offer and the hints are at their widest.
constexpr char LONGEST_VERSION[] = "100.200.300.400.500";
constexpr char SYSTEM_MESSAGE[] =
    "Error mounting /dev/sdb1 at /media/ann/ONDAVOX: wrong fs type, bad option, bad superblock on /dev/sdb1, "
    "missing codepage or helper program, or other error";
static_assert(sizeof LONGEST_VERSION <= update::VERSION_TEXT_CAPACITY);

// --- The checks -------------------------------------------------------------

std::string utf8(const QString& text) {
    return text.toStdString();
}

std::string textOf(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) return utf8(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return utf8(button->text());
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) return utf8(group->title());
    return "";
}

// The characters of text that no font Qt would draw it with has: each line
// laid out as a label draws it (with the font's fallbacks), every glyph run
// looked at; a run with glyph 0 is searched one character at a time.
QString missingGlyphs(const QString& text, const QFont& font) {
    const auto hasMissing = [&font](const QString& line) {
        QTextLayout layout(line, font);
        layout.beginLayout();
        while (layout.createLine().isValid()) {
        }
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes()) {
                if (glyph == 0) return true;
            }
        }
        return false;
    };
    QString missing;
    for (const QString& line : text.split(u'\n')) {
        if (!hasMissing(line)) continue;
        for (int at = 0; at < line.size(); ++at) {
            const int length = line.at(at).isHighSurrogate() && at + 1 < line.size() ? 2 : 1;
            const QString character = line.mid(at, length);
            if (!character.trimmed().isEmpty() && hasMissing(character) && !missing.contains(character)) {
                missing += character;
            }
            at += length - 1;
        }
    }
    return missing;
}

class FitCheck {
public:
    FitCheck(std::string language, std::string stage) : where_(std::move(language) + ", " + std::move(stage)) {}

    // Every shown control of window: its text whole, inside its parent, apart
    // from its siblings; the window's title drawable.
    void window(QWidget& window) {
        glyphs(window, "the window title", window.windowTitle());
        container(window);
    }

    const std::vector<std::string>& faults() const { return faults_; }

private:
    std::string nameOf(const QWidget& control) const {
        // The Debug text shares its id with a label of the main dialog.
        if (qobject_cast<const QPlainTextEdit*>(&control) != nullptr) return "IDC_DEBUG_TEXT";
        const int id = platform::qt::controlIdOf(control);
        return id != 0 ? qttest::controlName(id) : control.metaObject()->className();
    }

    void fault(const QWidget& control, const std::string& what) {
        faults_.push_back(where_ + ": " + nameOf(control) + " \"" + textOf(control) + "\" " + what);
    }

    void tooSmall(const QWidget& control, const char* dimension, int needed, int available) {
        char text[96];
        std::snprintf(text, sizeof text, "is cut: needs %d px %s, has %d", needed, dimension, available);
        fault(control, text);
    }

    void glyphs(const QWidget& control, const std::string& what, const QString& text) {
        const QString missing = missingGlyphs(text, control.font());
        if (!missing.isEmpty()) {
            faults_.push_back(where_ + ": " + what + " of " + nameOf(control) + " \"" + utf8(text) +
                              "\" has no glyph for \"" + utf8(missing) + "\"");
        }
    }

    // A container's shown children: each checked, inside it, none over another.
    void container(QWidget& parent) {
        std::vector<QWidget*> shown;
        for (QObject* child : parent.children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget == nullptr || widget->isWindow() || !widget->isVisible()) continue;
            shown.push_back(widget);
            control(*widget);
            if (!parent.rect().contains(widget->geometry())) {
                fault(*widget, "reaches outside " + nameOf(parent));
            }
        }
        for (std::size_t a = 0; a < shown.size(); ++a) {
            for (std::size_t b = a + 1; b < shown.size(); ++b) {
                if (shown[a]->geometry().intersects(shown[b]->geometry())) {
                    fault(*shown[a], "overlaps " + nameOf(*shown[b]) + " \"" + textOf(*shown[b]) + "\"");
                }
            }
        }
    }

    void control(QWidget& control) {
        if (auto* label = qobject_cast<QLabel*>(&control)) {
            if (!label->text().isEmpty()) this->label(*label);
        } else if (auto* button = qobject_cast<QPushButton*>(&control)) {
            // The text's width plus the style's margins, as the style sizes it.
            const QSize needed = button->sizeHint();
            if (button->width() < needed.width()) tooSmall(*button, "wide", needed.width(), button->width());
            if (button->height() < needed.height()) tooSmall(*button, "high", needed.height(), button->height());
            glyphs(*button, "the text", button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(&control)) {
            this->group(*group);
        }
    }

    void label(QLabel& label) {
        const QRect room = label.contentsRect();
        if (label.wordWrap()) {
            // Wrapped at its width: as high as its lines, and no word wider
            // than the label.
            const int height = label.heightForWidth(label.width());
            if (height > label.height()) tooSmall(label, "high", height, label.height());
            const int widest =
                label.fontMetrics().boundingRect(room, Qt::TextWordWrap | label.alignment(), label.text()).width();
            if (widest > room.width()) tooSmall(label, "wide", widest, room.width());
        } else {
            const QSize needed = label.sizeHint();
            if (label.width() < needed.width()) tooSmall(label, "wide", needed.width(), label.width());
            if (label.height() < needed.height()) tooSmall(label, "high", needed.height(), label.height());
        }
        glyphs(label, "the text", label.text());
    }

    void group(QGroupBox& group) {
        // The title where the style draws it: inside the frame, and above the
        // group's rows.
        QStyleOptionGroupBox option;
        option.initFrom(&group);
        option.text = group.title();
        option.lineWidth = 1;
        option.textAlignment = group.alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title =
            group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
        if (!group.rect().contains(title)) {
            const int needed =
                group.width() + std::max(0, -title.left()) + std::max(0, title.right() - group.rect().right());
            tooSmall(group, "wide for its title", needed, group.width());
        }
        const int needed = group.minimumSizeHint().width();
        if (group.width() < needed) tooSmall(group, "wide", needed, group.width());
        for (QObject* child : group.children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget != nullptr && widget->isVisible() && widget->geometry().intersects(title)) {
                fault(*widget, "overlaps the title of " + nameOf(group) + " \"" + textOf(group) + "\"");
            }
        }
        glyphs(group, "the title", group.title());
        container(group);
    }

    std::string where_;
    std::vector<std::string> faults_;
};

// --- The stages -------------------------------------------------------------

struct Stage {
    const char* name;
    std::function<void(DialogHandle)> show;
};

// The hint of one reason, as the startup task's polls bring it on.
void showHint(DialogHandle dialog, device::PassOverReason reason, const char* message) {
    device::PassedOverVolume volume = {};
    volume.reason = reason;
    volume.isDevice = true;
    std::snprintf(volume.message, sizeof volume.message, "%s", message);
    app::WaitingInfo waiting;
    char text[app::WAITING_TEXT_CAPACITY] = {};
    for (int poll = 0; poll < 10 && std::string(text).find("\n\n") == std::string::npos; ++poll) {
        app::composeWaitingText(waiting, &volume, device::POLL_INTERVAL_MILLISECONDS, uiStrings.waitingForDevice,
                                text, sizeof text);
    }
    platform::setControlText(dialog, IDC_INFO_AREA, text);
}

std::vector<Stage> stages() {
    using device::PassOverReason;
    const auto quit = [](DialogHandle dialog) { platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.quit); };
    std::vector<Stage> all = {
        {"the waiting line",
         [](DialogHandle dialog) { platform::setControlText(dialog, IDC_INFO_AREA, uiStrings.waitingForDevice); }},
    };
    struct Hint {
        const char* name;
        PassOverReason reason;
        const char* message;
    };
    const Hint hints[] = {
        {"the hint: not mounted, with the system's reason", PassOverReason::NotMounted, SYSTEM_MESSAGE},
        {"the hint: not mounted", PassOverReason::NotMounted, ""},
        {"the hint: unreadable, with the system's reason", PassOverReason::Unreadable, SYSTEM_MESSAGE},
        {"the hint: unreadable", PassOverReason::Unreadable, ""},
        {"the hint: not removable", PassOverReason::NotRemovable, ""},
        {"the hint: not FAT32", PassOverReason::NotFat32, ""},
        {"the hint: stays read-only", PassOverReason::StaysReadOnly, ""},
    };
    for (const Hint& hint : hints) {
        all.push_back({hint.name, [hint](DialogHandle dialog) { showHint(dialog, hint.reason, hint.message); }});
    }
    all.insert(all.end(), {
        {"the startup's steps, all done",
         [](DialogHandle dialog) {
             app::showProgress(dialog, {{uiStrings.waitingForDevice, uiStrings.done},
                                        {uiStrings.initializingDevice, uiStrings.done},
                                        {uiStrings.readingDevice, uiStrings.done},
                                        {uiStrings.checkingUpdate, uiStrings.done}});
         }},
        {"the startup failed, with Quit",
         [quit](DialogHandle dialog) {
             app::showProgress(dialog, {{uiStrings.waitingForDevice, uiStrings.done},
                                        {uiStrings.initializingDevice, uiStrings.done},
                                        {uiStrings.readingDevice, uiStrings.failed}});
             quit(dialog);
         }},
        {"the offer", [](DialogHandle dialog) { app::openUpdateOffer(dialog); }},
        {"the notice",
         [](DialogHandle dialog) {
             app::showVersionMessage(dialog, uiStrings.visitMakerNotice);
             platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.ok);
         }},
        {"the update's download, with the bar",
         [](DialogHandle dialog) {
             app::startTask(dialog, app::updateTask, uiStrings.initializingUpdate, app::STATE_UPDATING);
             app::showProgress(dialog, {{uiStrings.initializingUpdate, uiStrings.done}, {uiStrings.downloadingImage}});
             app::showProgressBarAt(dialog, 0);
         }},
        {"the update failed, with Quit",
         [quit](DialogHandle dialog) {
             app::showProgress(dialog, {{uiStrings.initializingUpdate, uiStrings.done},
                                        {uiStrings.downloadingImage, uiStrings.done},
                                        {uiStrings.verifyingImage, uiStrings.done},
                                        {uiStrings.visitMakerUpdate, uiStrings.failed}});
             quit(dialog);
         }},
        {"the update done",
         [quit](DialogHandle dialog) {
             app::showProgress(dialog,
                               {{uiStrings.initializingUpdate, uiStrings.done},
                                {uiStrings.downloadingImage, uiStrings.done},
                                {uiStrings.verifyingImage, uiStrings.done},
                                {uiStrings.visitMakerUpdate, uiStrings.done}},
                               uiStrings.updatingItself);
             quit(dialog);
         }},
        {"the save, with Cancel",
         [](DialogHandle dialog) {
             app::startTask(dialog, app::saveTask, uiStrings.savingConfiguration, app::STATE_BUSY);
         }},
        {"the save failed, with Quit",
         [quit](DialogHandle dialog) {
             app::showProgress(dialog, {{uiStrings.savingConfiguration, uiStrings.failed}});
             quit(dialog);
         }},
        {"the beta check",
         [](DialogHandle dialog) {
             app::startTask(dialog, app::betaCheckTask, uiStrings.checkingUpdate, app::STATE_BUSY);
         }},
        {"the form",
         [](DialogHandle dialog) {
             carriers::fillCountryList(dialog);
             platform::listSelect(dialog, IDC_COUNTRY_LIST, 0);
             carriers::fillPresetList(dialog, 0);
             app::showForm(dialog, true);
         }},
    });
    return all;
}

// Back to the start of a stage: the Info area and the task button with
// "Cancel", no bar, no form, nothing running.
void resetStage(DialogHandle dialog) {
    app::resetDialogState();
    app::showForm(dialog, false);
    app::hideProgressBar(dialog);
    platform::setControlText(dialog, IDC_TASK_BUTTON, uiStrings.cancel);
    testsupport::scriptWorkers();
}

void settle(QWidget& window) {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        if (window.layout() != nullptr) window.layout()->activate();
    }
}

class QtTextFit : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(update::currentVersionText, update::VERSION_TEXT_CAPACITY, "%s", LONGEST_VERSION);
        std::snprintf(update::latestVersionText, update::VERSION_TEXT_CAPACITY, "%s", LONGEST_VERSION);
    }
    void TearDown() override {
        update::resetVersionTexts();
        app::resetDialogState();
        testsupport::scriptWorkers();
    }
};

// What the sizes are measured in: without these fonts the test would measure
// others, and Chinese and Japanese would show as boxes.
TEST_F(QtTextFit, TheFontsTheTestMeasuresAreThere) {
    QLabel probe;
    EXPECT_EQ(QFontInfo(probe.font()).family().toStdString(), "DejaVu Sans") << "install fonts-dejavu-core";
    EXPECT_TRUE(QFontDatabase::families().contains("WenQuanYi Micro Hei")) << "install fonts-wqy-microhei";
}

TEST_F(QtTextFit, EveryTextOfEveryStageFitsInEveryLanguage) {
    const std::vector<Stage> all = stages();
    for (int language = 0; language < res::LANGUAGE_COUNT; ++language) {
        const std::string code = res::LANGUAGES[language].code;
        qttest::ProgramLanguage spoken(code.c_str());
        ASSERT_EQ(platform::languageIndex(), language);
        program::MainDialog dialog;
        const DialogHandle handle = dialog.handle();
        dialog.initialise();
        dialog.show();
        for (const Stage& stage : all) {
            resetStage(handle);
            stage.show(handle);
            settle(dialog);
            FitCheck check(code, stage.name);
            check.window(dialog);
            for (const std::string& fault : check.faults()) ADD_FAILURE() << fault;
        }

        // The Debug dialog over the form.
        bool opened = false;
        qttest::onNextModalDialog([&](QDialog& debug) {
            opened = true;
            settle(debug);
            FitCheck check(code, "the Debug dialog");
            check.window(debug);
            for (const std::string& fault : check.faults()) ADD_FAILURE() << fault;
            qobject_cast<QPushButton*>(platform::qt::findControl(debug, IDC_FIRST_BUTTON))->click();
        });
        platform::runDebugDialog(handle, "Config:\nversion = 2\n");
        EXPECT_TRUE(opened) << code;
        dialog.hide();
    }
}

// The check itself finds what it is for: a button narrower than its text, a
// label cut, two controls on each other and a character no font has.
TEST_F(QtTextFit, TheCheckFindsACutButtonACutLabelAnOverlapAndAMissingGlyph) {
    QWidget window;
    window.resize(400, 200);
    auto* button = new QPushButton(QStringLiteral("A button with a long text"), &window);
    button->setGeometry(10, 10, 40, 30);
    auto* label = new QLabel(QStringLiteral("A label with a long text"), &window);
    label->setGeometry(10, 100, 30, 20);
    auto* boxes = new QLabel(QString::fromUtf8("\xEE\x80\x80"), &window);  // a private-use character
    boxes->setGeometry(200, 100, 100, 40);
    auto* over = new QLabel(QStringLiteral("x"), &window);
    over->setGeometry(200, 110, 20, 40);
    window.show();
    FitCheck check("test", "made up");
    check.window(window);
    const std::vector<std::string>& faults = check.faults();
    const auto found = [&faults](const std::string& part) {
        for (const std::string& fault : faults) {
            if (fault.find(part) != std::string::npos) return true;
        }
        return false;
    };
    EXPECT_TRUE(found("QPushButton \"A button with a long text\" is cut: needs")) << testing::PrintToString(faults);
    EXPECT_TRUE(found("QLabel \"A label with a long text\" is cut")) << testing::PrintToString(faults);
    EXPECT_TRUE(found("overlaps QLabel \"x\"")) << testing::PrintToString(faults);
    EXPECT_TRUE(found("has no glyph for")) << testing::PrintToString(faults);
}

}  // namespace
