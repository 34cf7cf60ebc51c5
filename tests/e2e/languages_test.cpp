// The real programs started in the user's language, as the system names it:
// the Windows program under Wine with LC_ALL (the locale compiled for the
// test, as Wine needs it), the Linux program with LANG and LANGUAGE. At each
// stage the user sees the texts of that language, read from the catalogue;
// a language the program lacks and a broken locale give English; Arabic
// mirrors the dialogs but keeps the radio's fields left to right; whatever
// the language, the radio's file is written byte for byte as in English.

#include <cstdlib>
#include <tuple>

#include "res/app_texts.h"
#include "res/languages.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

using namespace e2e_test;
using res::AppText;

// How the user's system names a language, and which language of the
// catalogue the program must speak then.
struct LanguageRun {
    const char* locale;    // LC_ALL for Wine, LANG for Linux
    const char* language;  // LANGUAGE for Linux, "" for none
    const char* speaks;    // the catalogue's code
};

constexpr LanguageRun GERMAN = {"de_DE.UTF-8", "de", "de"};
constexpr LanguageRun ARABIC = {"ar_EG.UTF-8", "ar", "ar"};
constexpr LanguageRun SWAHILI = {"sw_KE.UTF-8", "sw", "en"};
constexpr LanguageRun BROKEN = {"xx_YY.UTF-8@broken", "", "en"};

// The locales compiled for Wine, which takes the user interface language
// only from a locale that exists (the broken one stays uncompiled).
std::string compiledLocales() {
    static const std::string folder = [] {
        const fs::path path = fs::temp_directory_path() / ("ondavox-e2e-locales-" + std::to_string(::getpid()));
        fs::create_directories(path);
        for (const char* locale : {"de_DE", "ar_EG", "sw_KE"}) {
            const std::string command = "localedef -i " + std::string(locale) + " -f UTF-8 " + (path / locale).string() +
                                        ".UTF-8 >/dev/null 2>&1";
            (void)std::system(command.c_str());
        }
        return path.string();
    }();
    return folder;
}

int catalogueIndex(const char* code) {
    for (int index = 0; index < res::LANGUAGE_COUNT; ++index) {
        if (std::string(res::LANGUAGES[index].code) == code) return index;
    }
    return -1;
}

using LanguageCase = std::tuple<Platform, LanguageRun>;

class Languages : public EndToEndFixture, public ::testing::WithParamInterface<LanguageCase> {
protected:
    Platform platform() const override { return std::get<0>(GetParam()); }
    const LanguageRun& run() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        EndToEndFixture::SetUp();
        if (IsSkipped()) return;
        language_ = catalogueIndex(run().speaks);
        if (language_ < 0) GTEST_SKIP() << "the catalogue has no language " << run().speaks;
        if (platform() == Platform::Windows) {
            environment_ = {"LC_ALL=" + std::string(run().locale), "LOCPATH=" + compiledLocales()};
        } else {
            environment_ = {"LANG=" + std::string(run().locale)};
            if (run().language[0] != '\0') environment_.push_back("LANGUAGE=" + std::string(run().language));
        }
    }

    std::string t(AppText text) const { return res::APP_TEXTS[language_][static_cast<int>(text)]; }
    bool rightToLeft() const { return res::LANGUAGES[language_].rightToLeft; }

    std::string offer(const char* current, const char* latest, AppText lastLine) const {
        return t(AppText::STRING_UPDATE_AVAILABLE) + "\n\n" + t(AppText::STRING_CURRENT_VERSION) + " " + current + "\n" +
               t(AppText::STRING_LATEST_VERSION) + " " + latest + "\n\n" + t(lastLine);
    }

    // A step line with its outcome, as the tasks write it.
    std::string step(AppText line, AppText outcome) const { return t(line) + " " + t(outcome); }

    // The dialog, or one control, reads left to right or right to left.
    std::string direction(int id) { return value("direction " + std::to_string(id)); }

    int language_ = 0;
};

// Every stage, in each way of naming a language; the outcomes of an update in
// the two languages that change most.
class LanguageStages : public Languages {};
class LanguageOutcomes : public Languages {};

// The form's texts that are not the radio's: each label, group title and
// the note, with the key of its text.
struct FormText {
    int id;
    AppText text;
};
constexpr FormText FORM_TEXTS[] = {
    {IDC_GSM_GROUP, AppText::IDD_MAIN_DIALOG_IDC_GSM_GROUP},
    {IDC_PIN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PIN_LABEL},
    {IDC_COUNTRY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_COUNTRY_LABEL},
    {IDC_PROVIDER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PROVIDER_LABEL},
    {IDC_ROAMING_LABEL, AppText::IDD_MAIN_DIALOG_IDC_ROAMING_LABEL},
    {IDC_ADVANCED_GROUP, AppText::IDD_MAIN_DIALOG_IDC_ADVANCED_GROUP},
    {IDC_APN_NOTE, AppText::IDD_MAIN_DIALOG_IDC_APN_NOTE},
    {IDC_APN_LABEL, AppText::IDD_MAIN_DIALOG_IDC_APN_LABEL},
    {IDC_USER_LABEL, AppText::IDD_MAIN_DIALOG_IDC_USER_LABEL},
    {IDC_PASSWORD_LABEL, AppText::IDD_MAIN_DIALOG_IDC_PASSWORD_LABEL},
    {IDC_DNS1_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS1_LABEL},
    {IDC_DNS2_LABEL, AppText::IDD_MAIN_DIALOG_IDC_DNS2_LABEL},
    {IDC_GATEWAY_LABEL, AppText::IDD_MAIN_DIALOG_IDC_GATEWAY_LABEL},
};

// The fields that hold the radio's values read left to right in every
// language.
constexpr int RADIO_FIELDS[] = {IDC_GSM_PIN, IDC_APN, IDC_GSM_USER, IDC_GSM_PASSWORD, IDC_DNS1, IDC_DNS2, IDC_GATEWAY};

// From the waiting line through the offer, the form, the Debug dialog and
// the save: every text in the language, the radio's values as they are, and
// the file written as in English.
TEST_P(LanguageStages, EveryStageSpeaksTheUsersLanguage) {
    startServer("server");
    startRadio("hxa-v2", /*readOnly=*/true, 3);
    startProgram();
    EXPECT_TRUE(waitText(IDC_INFO_AREA, t(AppText::STRING_WAITING_FOR_DEVICE), 10));
    EXPECT_EQ(value("caption"), t(AppText::IDD_MAIN_DIALOG_CAPTION));
    EXPECT_EQ(text(IDC_TASK_BUTTON), t(AppText::STRING_CANCEL));
    EXPECT_EQ(text(IDC_VERSION_LABEL), "v3.2g");
    EXPECT_EQ(direction(0), rightToLeft() ? "rtl" : "ltr");

    ASSERT_TRUE(waitOffer(offer("2.1.7", "2.2.0", AppText::STRING_ASK_UPDATE)));
    EXPECT_EQ(text(IDC_FIRST_BUTTON), t(AppText::STRING_YES));
    EXPECT_EQ(text(IDC_SECOND_BUTTON), t(AppText::STRING_NO_THANKS));
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");

    // The form: the radio's values and the table's names as they are.
    EXPECT_TRUE(meets("wait", IDC_ROAMING_CHECK, "visible", 60));
    EXPECT_EQ(text(IDC_GSM_PIN), "4711");
    EXPECT_EQ(text(IDC_APN), "web.vodafone.de");
    EXPECT_EQ(text(IDC_COUNTRY_LIST), "Germany");
    EXPECT_EQ(text(IDC_PROVIDER_LIST), "Vodafone - Postpaid");
    for (const FormText& shown : FORM_TEXTS) {
        EXPECT_EQ(text(shown.id), t(shown.text)) << "control " << shown.id;
    }
    EXPECT_EQ(text(IDC_FIRST_BUTTON), t(AppText::STRING_SAVE_AND_QUIT));
    EXPECT_EQ(text(IDC_SECOND_BUTTON), t(AppText::STRING_QUIT));
    for (int field : RADIO_FIELDS) {
        EXPECT_EQ(direction(field), "ltr") << "field " << field;
    }

    ASSERT_EQ(send("ctrl D"), "ok");
    EXPECT_EQ(value("debug-caption 10000"), t(AppText::IDD_DEBUG_DIALOG_CAPTION));
    EXPECT_EQ(value("debug-button"), t(AppText::IDD_DEBUG_DIALOG_IDC_FIRST_BUTTON));
    EXPECT_EQ(send("debug-ok 10000"), "ok");

    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA, step(AppText::STRING_SAVING_CONFIGURATION, AppText::STRING_DONE), 20));
    expectProgramEnds(20);

    EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), savedHxaV2Config("4711"));
}

// A checksum that does not match: the update's lines end in the language's
// "failed", and the button reads its "Quit".
TEST_P(LanguageOutcomes, FailedUpdateSpeaksTheUsersLanguage) {
    startServer("server-bad-checksum");
    startRadio("hxa-v2");
    startProgram();
    ASSERT_TRUE(waitOffer(offer("2.1.7", "2.2.0", AppText::STRING_ASK_UPDATE)));
    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA,
                         step(AppText::STRING_INITIALIZING_UPDATE, AppText::STRING_DONE) + "\n" +
                             step(AppText::STRING_DOWNLOADING_IMAGE, AppText::STRING_DONE) + "\n" +
                             step(AppText::STRING_VERIFYING_IMAGE, AppText::STRING_FAILED),
                         60));
    EXPECT_TRUE(waitText(IDC_TASK_BUTTON, t(AppText::STRING_QUIT), 5));
    EXPECT_EQ(readBytes(radioFile("doc/update.bin")), "");
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    expectProgramEnds(20);
}

// Newer firmware but no update slot: the notice and its "OK".
TEST_P(LanguageOutcomes, NoticeSpeaksTheUsersLanguage) {
    startServer("server");
    startRadio("hxa-v2-no-slot");
    startProgram();
    ASSERT_TRUE(waitText(IDC_INFO_AREA, offer("2.1.7", "2.2.0", AppText::STRING_VISIT_MAKER)));
    ASSERT_TRUE(waitText(IDC_TASK_BUTTON, t(AppText::STRING_OK), 5));
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    EXPECT_TRUE(meets("wait", IDC_ROAMING_CHECK, "visible", 60));
    EXPECT_EQ(text(IDC_SECOND_BUTTON), t(AppText::STRING_QUIT));
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");
    expectProgramEnds(20);
}

// Cases are named <language>/<suite>.<case>/<platform>, so the test command's
// /Windows and /Linux halves take them with the other end-to-end cases.
std::string platformName(const ::testing::TestParamInfo<LanguageCase>& info) {
    return std::get<0>(info.param) == Platform::Windows ? "Windows" : "Linux";
}

::testing::internal::ParamGenerator<LanguageCase> onBothPlatforms(const LanguageRun& run) {
    return ::testing::Values(LanguageCase{Platform::Windows, run}, LanguageCase{Platform::Linux, run});
}

// Every stage in German and Arabic; a language the program lacks and a
// broken locale through the same stages, in English. The outcomes in the
// two languages.
INSTANTIATE_TEST_SUITE_P(German, LanguageStages, onBothPlatforms(GERMAN), platformName);
INSTANTIATE_TEST_SUITE_P(Arabic, LanguageStages, onBothPlatforms(ARABIC), platformName);
INSTANTIATE_TEST_SUITE_P(Swahili, LanguageStages, onBothPlatforms(SWAHILI), platformName);
INSTANTIATE_TEST_SUITE_P(BrokenLocale, LanguageStages, onBothPlatforms(BROKEN), platformName);
INSTANTIATE_TEST_SUITE_P(German, LanguageOutcomes, onBothPlatforms(GERMAN), platformName);
INSTANTIATE_TEST_SUITE_P(Arabic, LanguageOutcomes, onBothPlatforms(ARABIC), platformName);

}  // namespace
