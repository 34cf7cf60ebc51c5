// The language the Linux programs speak, from the environment as gettext
// reads it (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): a table of settings and the
// catalogue's language each must give, through the real walk of the
// environment and the real choice (platform::selectUserLanguage).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/language.h"

namespace {

constexpr const char* LOCALE_VARIABLES[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

// Sets the four variables for one case (nullptr: unset) and puts the
// process's own back afterwards, with English as its language.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* language, const char* all, const char* messages, const char* lang) {
        for (int at = 0; at < 4; ++at) {
            const char* old = std::getenv(LOCALE_VARIABLES[at]);
            saved_[at] = old != nullptr ? old : "";
            wasSet_[at] = old != nullptr;
        }
        const char* values[] = {language, all, messages, lang};
        for (int at = 0; at < 4; ++at) {
            set(LOCALE_VARIABLES[at], values[at]);
        }
    }
    ~LocaleEnvironment() {
        for (int at = 0; at < 4; ++at) {
            set(LOCALE_VARIABLES[at], wasSet_[at] ? saved_[at].c_str() : nullptr);
        }
        platform::selectLanguage(0);
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    static void set(const char* name, const char* value) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }

    std::string saved_[4];
    bool wasSet_[4] = {};
};

struct Setting {
    const char* language;  // LANGUAGE
    const char* all;       // LC_ALL
    const char* messages;  // LC_MESSAGES
    const char* lang;      // LANG
    const char* speaks;    // the catalogue's code
    const char* why;
};

constexpr const char* NONE = nullptr;

const Setting SETTINGS[] = {
    {NONE, NONE, NONE, NONE, "en", "nothing set"},
    {NONE, NONE, NONE, "de_DE.UTF-8", "de", "LANG"},
    {NONE, NONE, NONE, "de_AT.UTF-8@euro", "de", "another region, an encoding and a modifier"},
    {NONE, NONE, NONE, "de", "de", "the language alone"},
    {NONE, NONE, NONE, "ar_EG.UTF-8", "ar", "a right-to-left language"},
    {NONE, NONE, NONE, "pt_BR.UTF-8", "pt_BR", "a regional catalogue, exactly"},
    {NONE, NONE, NONE, "pt_PT.UTF-8", "pt_BR", "the same language of another region"},
    {NONE, NONE, NONE, "pt", "pt_BR", "the language of a regional catalogue"},
    {NONE, NONE, NONE, "zh_CN.UTF-8", "zh_CN", "simplified Chinese"},
    {NONE, NONE, NONE, "zh_SG.UTF-8", "zh_CN", "simplified Chinese of another region"},
    {NONE, NONE, NONE, "zh_TW.UTF-8", "en", "traditional Chinese is not given simplified"},
    {NONE, NONE, NONE, "zh_HK.UTF-8", "en", "traditional Chinese of Hong Kong"},
    {"zh_Hant_TW", NONE, NONE, "zh_TW.UTF-8", "en", "traditional Chinese by its script"},
    {"zh_TW:zh_CN", NONE, NONE, "zh_TW.UTF-8", "zh_CN", "simplified Chinese where the user lists it"},
    {NONE, NONE, NONE, "sw_KE.UTF-8", "en", "a language the program lacks"},
    {"sw", NONE, NONE, "sw_KE.UTF-8", "en", "a language the program lacks, in LANGUAGE too"},
    {"sw:fr", NONE, NONE, "sw_KE.UTF-8", "fr", "LANGUAGE's next entry"},
    {"ja:de", NONE, NONE, "en_US.UTF-8", "ja", "LANGUAGE before the locale"},
    {"en:de", NONE, NONE, "de_DE.UTF-8", "en", "English asked for first"},
    {"", NONE, NONE, "fr_FR.UTF-8", "fr", "an empty LANGUAGE"},
    {"::nl::", NONE, NONE, "fr_FR.UTF-8", "nl", "empty entries in LANGUAGE"},
    {NONE, NONE, NONE, "C", "en", "C"},
    {NONE, NONE, NONE, "POSIX", "en", "POSIX"},
    {NONE, NONE, NONE, "C.UTF-8", "en", "C.UTF-8"},
    {"de", NONE, NONE, "C", "en", "LANGUAGE is ignored in the C locale"},
    {"de", NONE, NONE, "C.UTF-8", "en", "LANGUAGE is ignored in C.UTF-8"},
    {"de", NONE, NONE, "POSIX", "en", "LANGUAGE is ignored in the POSIX locale"},
    {"de", NONE, NONE, NONE, "en", "LANGUAGE is ignored without a locale"},
    {"fr", "C", NONE, "de_DE.UTF-8", "en", "LC_ALL=C over LANG and LANGUAGE"},
    {NONE, "ru_RU.UTF-8", "it_IT.UTF-8", "de_DE.UTF-8", "ru", "LC_ALL first"},
    {NONE, NONE, "it_IT.UTF-8", "de_DE.UTF-8", "it", "LC_MESSAGES before LANG"},
    {NONE, "", "", "tr_TR.UTF-8", "tr", "empty variables count as unset"},
    {NONE, NONE, NONE, "xx_YY.UTF-8@broken", "en", "a broken locale"},
    {NONE, NONE, NONE, "!!", "en", "a broken value"},
    {NONE, NONE, NONE, "_PL", "en", "a region without a language"},
    {NONE, NONE, NONE, ".UTF-8", "en", "an encoding alone"},
    {NONE, NONE, NONE, "", "en", "an empty LANG"},
    {"qps_ploc", NONE, NONE, "en_US.UTF-8", "qps_ploc", "the pseudo-language by its name"},
    {NONE, NONE, NONE, "qps_XX.UTF-8", "en", "the pseudo-language never by its language"},
};

std::string spoken() {
    return platform::currentLanguage().code;
}

bool inCatalogue(const char* code) {
    for (const res::Language& language : res::LANGUAGES) {
        if (std::string(language.code) == code) return true;
    }
    return false;
}

TEST(LanguageChoice, EachSettingOfTheEnvironmentGivesItsLanguage) {
    for (const Setting& setting : SETTINGS) {
        SCOPED_TRACE(std::string(setting.why) + ": LANGUAGE=" + (setting.language ? setting.language : "(unset)") +
                     " LC_ALL=" + (setting.all ? setting.all : "(unset)") +
                     " LC_MESSAGES=" + (setting.messages ? setting.messages : "(unset)") +
                     " LANG=" + (setting.lang ? setting.lang : "(unset)"));
        ASSERT_TRUE(inCatalogue(setting.speaks)) << "the catalogue has no " << setting.speaks;
        LocaleEnvironment environment(setting.language, setting.all, setting.messages, setting.lang);
        platform::selectUserLanguage();
        EXPECT_EQ(spoken(), setting.speaks);
    }
}

// Every language of the catalogue is picked by the name its locales carry,
// alone or after one the program lacks, with an encoding and a modifier, and
// by its language with another region; the pseudo-language only by its own
// name.
TEST(LanguageChoice, EveryLanguageOfTheCatalogueIsFoundByItsLocaleNames) {
    for (int index = 0; index < res::LANGUAGE_COUNT; ++index) {
        const std::string code = res::LANGUAGES[index].code;
        SCOPED_TRACE(code);
        EXPECT_EQ(platform::chooseLanguage(code.c_str()), index);
        EXPECT_EQ(platform::chooseLanguage((code + ".UTF-8").c_str()), index);
        EXPECT_EQ(platform::chooseLanguage(("sw:" + code + ".UTF-8@euro").c_str()), index);
        if (index != res::PSEUDO_LANGUAGE) {
            const std::string language = code.substr(0, code.find('_'));
            EXPECT_EQ(platform::chooseLanguage((language + "_ZZ.UTF-8").c_str()), index);
        }
    }
}

}  // namespace
