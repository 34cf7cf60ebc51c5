// The fit check: every stage of both dialogs in every language of the
// catalogue, made from the built ondavox.exe's resource block of the language
// and filled by the app's own code with the texts of that block, as Wine
// draws them: "MS Shell Dlg" in Wine's Tahoma (fonts-wine), Chinese and
// Japanese in WenQuanYi Micro Hei (fonts-wqy-microhei), each language in a
// process started in its own locale (the test command gives it LC_ALL), at
// the prefix's 96 DPI and again at 144 DPI. No label, button, group title,
// step line or hint may be cut, drawn as boxes or overlap another control; a
// failure names the language, the stage, the control, its text and the
// pixels it needs and has.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/progress_bar.h"
#include "app/progress_text.h"
#include "app/ui_strings.h"
#include "app/update_offer.h"
#include "app/waiting_hint.h"
#include "platform/dialog.h"
#include "platform/language.h"
#include "res/app_texts.h"
#include "res/control_ids.h"
#include "tests/support/worker_script.h"
#include "tests/win32/catalogue_dialogs.h"
#include "tests/win32/text_fit.h"
#include "update/version_check.h"

namespace {

using fittest::CatalogueDialog;

// The DPI a child run of this test is started at, named to the child so it
// can tell that the system gave it that DPI.
constexpr char EXPECTED_DPI_VARIABLE[] = "ONDAVOX_FIT_EXPECTED_DPI";
constexpr DWORD HIGH_DPI = 144;

// Versions as long as a radio's and the server's ever were.
constexpr char CURRENT_VERSION[] = "12.34.567";
constexpr char LATEST_VERSION[] = "12.35.0-beta7";

platform::DialogHandle handleOf(HWND window) { return reinterpret_cast<platform::DialogHandle>(window); }

int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The system's own text for a drive that is not ready, as the volume calls
// hand it to the waiting hint (UTF-8, without its line end).
std::string systemReason() {
    wchar_t text[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_NOT_READY, 0, text, 256,
                   nullptr);
    std::wstring reason(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
        reason.pop_back();
    }
    return fittest::utf8(reason);
}

// One stage of the main dialog: what the app does to a freshly initialised
// dialog to reach it.
struct Stage {
    std::string name;
    std::function<void(platform::DialogHandle)> reach;
};

void showLines(platform::DialogHandle dialog, std::initializer_list<app::ProgressLine> lines,
               const char* button = nullptr, const char* closing = nullptr) {
    app::showProgress(dialog, lines, closing);
    if (button != nullptr) platform::setControlText(dialog, IDC_TASK_BUTTON, button);
}

// The waiting line with the hint for an unusable radio, after the radio was
// seen long enough for the hint to show.
void showWaitingHint(platform::DialogHandle dialog, device::PassOverReason reason, const std::string& message) {
    device::PassedOverVolume volume = {};
    volume.reason = reason;
    volume.isDevice = true;
    std::snprintf(volume.message, sizeof volume.message, "%s", message.c_str());
    app::WaitingInfo info;
    char text[app::WAITING_TEXT_CAPACITY];
    for (std::uint32_t seen = 0; seen <= app::HINT_AFTER_MILLISECONDS; seen += 1000) {
        app::composeWaitingText(info, &volume, 1000, app::uiStrings.waitingForDevice, text, sizeof text);
    }
    platform::setControlText(dialog, IDC_INFO_AREA, text);
}

std::vector<Stage> mainDialogStages() {
    using app::uiStrings;
    const auto& s = uiStrings;
    std::vector<Stage> stages;
    stages.push_back({"waiting for the radio", [](platform::DialogHandle) {}});
    const struct {
        const char* name;
        device::PassOverReason reason;
        bool withReason;
    } hints[] = {
        {"not mounted", device::PassOverReason::NotMounted, true},
        {"not mounted, no reason given", device::PassOverReason::NotMounted, false},
        {"unreadable", device::PassOverReason::Unreadable, true},
        {"unreadable, no reason given", device::PassOverReason::Unreadable, false},
        {"not removable", device::PassOverReason::NotRemovable, false},
        {"not FAT32", device::PassOverReason::NotFat32, false},
        {"stays read-only", device::PassOverReason::StaysReadOnly, false},
    };
    for (const auto& hint : hints) {
        const std::string reason = hint.withReason ? systemReason() : "";
        stages.push_back({std::string("waiting line with the hint: ") + hint.name,
                          [hint, reason](platform::DialogHandle d) { showWaitingHint(d, hint.reason, reason); }});
    }
    stages.push_back({"no worker thread", [](platform::DialogHandle d) {
                          testsupport::scriptWorkers(/*refuse=*/true);
                          app::onMainDialogInit(d);
                      }});
    stages.push_back({"radio found", [&s](auto d) {
                          showLines(d, {{s.waitingForDevice, s.done}, {s.initializingDevice}});
                      }});
    stages.push_back(
        {"reading the radio", [&s](auto d) {
             showLines(d, {{s.waitingForDevice, s.done}, {s.initializingDevice, s.done}, {s.readingDevice}});
         }});
    stages.push_back(
        {"reading failed", [&s](auto d) {
             showLines(d, {{s.waitingForDevice, s.done}, {s.initializingDevice, s.done}, {s.readingDevice, s.failed}},
                       s.quit);
         }});
    stages.push_back({"checking for an update", [&s](auto d) {
                          showLines(d, {{s.waitingForDevice, s.done},
                                        {s.initializingDevice, s.done},
                                        {s.readingDevice, s.done},
                                        {s.checkingUpdate}});
                      }});
    stages.push_back({"startup done", [&s](auto d) {
                          showLines(d, {{s.waitingForDevice, s.done},
                                        {s.initializingDevice, s.done},
                                        {s.readingDevice, s.done},
                                        {s.checkingUpdate, s.done}});
                      }});
    stages.push_back({"update offer", [](auto d) { app::openUpdateOffer(d); }});
    stages.push_back({"notice without an update slot", [&s](auto d) {
                          app::showVersionMessage(d, s.visitMakerNotice);
                          platform::setControlText(d, IDC_TASK_BUTTON, s.ok);
                      }});
    stages.push_back({"update started", [&s](auto d) {
                          showLines(d, {{s.initializingUpdate}}, s.cancel);
                          app::showProgressBarAt(d, 0);
                      }});
    stages.push_back({"download", [&s](auto d) {
                          showLines(d, {{s.initializingUpdate, s.done}, {s.downloadingImage}});
                          app::showProgressBarAt(d, 1000);
                      }});
    stages.push_back({"download failed", [&s](auto d) {
                          showLines(d, {{s.initializingUpdate, s.done}, {s.downloadingImage, s.failed}}, s.quit);
                      }});
    stages.push_back(
        {"verifying failed", [&s](auto d) {
             showLines(d, {{s.initializingUpdate, s.done}, {s.downloadingImage, s.done}, {s.verifyingImage, s.failed}},
                       s.quit);
         }});
    stages.push_back({"install", [&s](auto d) {
                          showLines(d, {{s.initializingUpdate, s.done},
                                        {s.downloadingImage, s.done},
                                        {s.verifyingImage, s.done},
                                        {s.visitMakerUpdate}});
                          app::showProgressBarAt(d, 1000);
                      }});
    stages.push_back({"install failed", [&s](auto d) {
                          showLines(d,
                                    {{s.initializingUpdate, s.done},
                                     {s.downloadingImage, s.done},
                                     {s.verifyingImage, s.done},
                                     {s.visitMakerUpdate, s.failed}},
                                    s.quit);
                      }});
    stages.push_back({"update done", [&s](auto d) {
                          showLines(d,
                                    {{s.initializingUpdate, s.done},
                                     {s.downloadingImage, s.done},
                                     {s.verifyingImage, s.done},
                                     {s.visitMakerUpdate, s.done}},
                                    s.quit, s.updatingItself);
                      }});
    stages.push_back({"form", [](auto d) { app::showForm(d, true); }});
    stages.push_back({"saving", [&s](auto d) {
                          app::showForm(d, false);
                          showLines(d, {{s.savingConfiguration}}, s.cancel);
                      }});
    stages.push_back({"save failed", [&s](auto d) {
                          app::showForm(d, false);
                          showLines(d, {{s.savingConfiguration, s.failed}}, s.quit);
                      }});
    return stages;
}

class DialogFit : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { fittest::prepareProcessLikeTheProgram(); }

    void SetUp() override {
        language_ = GetParam();
        const std::string mismatch = fittest::localeMismatch(language_);
        ASSERT_TRUE(mismatch.empty()) << mismatch;
        ASSERT_NE(fittest::programResources(), nullptr) << "cannot load " << fittest::utf8(fittest::programPath());
        ASSERT_TRUE(fittest::tahomaIsThere()) << "Wine's Tahoma is missing: install fonts-wine";
        // The texts of the language: the app's appText and the string table
        // of the language's block, which the app loads.
        platform::selectLanguage(language_);
        fittest::useBlockForTheAppsTexts(language_);
        app::loadUiStrings();
        ASSERT_STREQ(app::uiStrings.waitingForDevice,
                     res::APP_TEXTS[language_][static_cast<int>(res::AppText::STRING_WAITING_FOR_DEVICE)])
            << "the string table is not the block's of " << res::LANGUAGES[language_].code;
        std::snprintf(update::currentVersionText, sizeof update::currentVersionText, "%s", CURRENT_VERSION);
        std::snprintf(update::latestVersionText, sizeof update::latestVersionText, "%s", LATEST_VERSION);
    }

    void TearDown() override {
        fittest::useBlockForTheAppsTexts(0);
        platform::selectLanguage(0);
        update::resetVersionTexts();
        app::resetDialogState();
        testsupport::scriptWorkers();
    }

    // Each fault as one line: language, DPI, stage, control, text, problem.
    // Every language's letters are looked at, the pseudo-language's too (its
    // accents are ones Wine's Tahoma has).
    void collect(const std::string& stage, HWND dialog, std::string& report) {
        for (const fittest::FitFault& fault : fittest::fitFaults(dialog)) {
            report += std::string("  ") + res::LANGUAGES[language_].code + " at " + std::to_string(systemDpi()) +
                      " DPI, " + stage + ", " + fittest::controlName(fault.controlId) + " \"" +
                      fittest::utf8(fault.text) + "\": " + fault.problem + "\n";
        }
    }

    int language_ = 0;
};

TEST_P(DialogFit, EveryStageOfBothDialogsFits) {
    if (const char* expected = std::getenv(EXPECTED_DPI_VARIABLE)) {
        ASSERT_EQ(systemDpi(), std::atoi(expected)) << "the system did not give this run the DPI it was started for";
    }
    std::string report;
    for (const Stage& stage : mainDialogStages()) {
        app::resetDialogState();
        testsupport::scriptWorkers();
        CatalogueDialog dialog(IDD_MAIN_DIALOG, language_);
        ASSERT_NE(dialog.window(), nullptr) << "no main dialog in the block of " << res::LANGUAGES[language_].code;
        const platform::DialogHandle handle = handleOf(dialog.window());
        app::onMainDialogInit(handle);
        stage.reach(handle);
        collect(stage.name, dialog.window(), report);
    }
    {
        CatalogueDialog debug(IDD_DEBUG_DIALOG, language_);
        ASSERT_NE(debug.window(), nullptr) << "no Debug dialog in the block of " << res::LANGUAGES[language_].code;
        collect("Debug dialog", debug.window(), report);
    }
    EXPECT_TRUE(report.empty()) << "cut, boxed or overlapping texts:\n" << report;
}

// Sets the prefix's DPI for the processes started while it lives, and puts
// the value back (or takes it away) when it ends.
class PrefixDpi {
public:
    explicit PrefixDpi(DWORD dpi) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof previous_;
        hadValue_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                     &size) == ERROR_SUCCESS;
        set_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
               ERROR_SUCCESS;
    }
    ~PrefixDpi() {
        if (key_ == nullptr) return;
        if (hadValue_) {
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof previous_);
        } else {
            RegDeleteValueW(key_, L"LogPixels");
        }
        RegCloseKey(key_);
    }
    PrefixDpi(const PrefixDpi&) = delete;
    PrefixDpi& operator=(const PrefixDpi&) = delete;
    bool set() const { return set_; }

private:
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool hadValue_ = false;
    bool set_ = false;
};

// Wine reads the DPI when a process starts: the same check runs again in a
// process of its own, started while the prefix says 144 DPI. It inherits the
// locale of this one.
TEST_P(DialogFit, EveryStageOfBothDialogsFitsAt144Dpi) {
    if (std::getenv(EXPECTED_DPI_VARIABLE) != nullptr) {
        GTEST_SKIP() << "a run at a set DPI starts no other";
    }
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string caseName = std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) +
                                 ".EveryStageOfBothDialogsFits/" + name.substr(name.find('/') + 1);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=";
    commandLine += std::wstring(caseName.begin(), caseName.end());

    PrefixDpi dpi(HIGH_DPI);
    ASSERT_TRUE(dpi.set()) << "cannot set the prefix's DPI";
    SetEnvironmentVariableA(EXPECTED_DPI_VARIABLE, std::to_string(HIGH_DPI).c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const BOOL started =
        CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableA(EXPECTED_DPI_VARIABLE, nullptr);
    ASSERT_TRUE(started) << "cannot start the run at 144 DPI";
    WaitForSingleObject(child.hProcess, 5 * 60 * 1000);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(exitCode, 0u) << "the run at 144 DPI failed: its output above names what does not fit";
}

std::string languageName(const ::testing::TestParamInfo<int>& info) { return res::LANGUAGES[info.param].code; }

INSTANTIATE_TEST_SUITE_P(Catalogue, DialogFit, ::testing::Range(0, res::LANGUAGE_COUNT), languageName);

}  // namespace
