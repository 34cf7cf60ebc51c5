// The command-line program in the user's language, natively and under Wine:
// what it says on standard error and its help come from the catalogue
// (res::CLI_TEXTS, never restated here), while standard output, for
// scripts, is the same bytes in every language. A locale the catalogue has
// no language for gives English; a console shows every script.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "res/cli_texts.h"
#include "tests/cli/cli_fixture.h"

namespace {

using namespace cli_test;
using enum res::CliText;

constexpr int ENGLISH = 0;

int catalogueIndex(const char* code) {
    for (int index = 0; index < res::LANGUAGE_COUNT; ++index) {
        if (std::strcmp(res::LANGUAGES[index].code, code) == 0) {
            return index;
        }
    }
    return -1;
}

std::string textOf(int language, res::CliText text) { return res::CLI_TEXTS[language][static_cast<int>(text)]; }

// A folder of compiled locales for LOCPATH: Wine runs a program in a
// language only when the locale the environment names exists. Made once per
// build folder, with glibc's localedef.
std::string localeFolder(const std::vector<std::string>& locales) {
    const fs::path folder = fs::path(NATIVE_BUILD) / "test-locales";
    fs::create_directories(folder);
    for (const std::string& locale : locales) {
        if (fs::exists(folder / locale)) continue;
        const std::string source = locale.substr(0, locale.find('.'));
        const fs::path made = folder / (locale + ".making-" + std::to_string(::getpid()));
        const std::string command = "localedef -i " + source + " -f UTF-8 '" + made.string() + "' >/dev/null 2>&1";
        // localedef warns with exit code 1 about some locales it still makes.
        const int status = std::system(command.c_str());
        if (!fs::exists(made / "LC_MESSAGES")) {
            ADD_FAILURE() << command << " gave " << status;
            continue;
        }
        std::error_code ignored;
        fs::rename(made, folder / locale, ignored);
        fs::remove_all(made, ignored);
    }
    return folder.string();
}

// What a message is expected to say: literal text, and places where any
// text of one line may stand (a mount point the test cannot know).
struct Piece {
    bool any;
    std::string literal;
};
using Pattern = std::vector<Piece>;

bool matchesFrom(const std::string& text, std::size_t at, const Pattern& pattern, std::size_t piece) {
    if (piece == pattern.size()) return at == text.size();
    const Piece& next = pattern[piece];
    if (!next.any) {
        return text.compare(at, next.literal.size(), next.literal) == 0 &&
               matchesFrom(text, at + next.literal.size(), pattern, piece + 1);
    }
    for (std::size_t end = at + 1; end <= text.size() && text[end - 1] != '\n'; ++end) {
        if (matchesFrom(text, end, pattern, piece + 1)) return true;
    }
    return false;
}

std::string shown(const Pattern& pattern) {
    std::string text;
    for (const Piece& piece : pattern) text += piece.any ? "<any>" : piece.literal;
    return text;
}

// A message's text with each printf conversion replaced by its argument, or
// by any text where the argument is nullptr.
void addFormatted(Pattern& pattern, const std::string& format, const std::vector<const char*>& arguments) {
    std::size_t next = 0;
    std::string literal;
    for (std::size_t at = 0; at < format.size(); ++at) {
        if (format[at] != '%') {
            literal += format[at];
            continue;
        }
        if (format[at + 1] == '%') {
            literal += '%';
            ++at;
            continue;
        }
        at = format.find_first_of("diuxXcs", at);
        if (at >= 2 && format.compare(at - 2, 2, ".*") == 0) {
            ++next;  // the precision's own argument
        }
        const char* argument = next < arguments.size() ? arguments[next] : nullptr;
        ++next;
        if (argument != nullptr) {
            literal += argument;
            continue;
        }
        pattern.push_back({false, literal});
        pattern.push_back({true, ""});
        literal.clear();
    }
    pattern.push_back({false, literal});
}

// One line the program says on standard error.
enum class Kind { Message, Error, Step };
struct Said {
    Kind kind;
    res::CliText text;
    std::vector<const char*> arguments = {};  // nullptr where any text may stand
    res::CliText outcome = CLI_STEP_DONE;     // of a step
};

// Everything said on standard error, in the language.
Pattern saidPattern(int language, const std::vector<Said>& lines) {
    Pattern pattern;
    for (const Said& line : lines) {
        switch (line.kind) {
            case Kind::Message:
                pattern.push_back({false, "ondavox-cli: "});
                break;
            case Kind::Error:
                pattern.push_back({false, "ondavox-cli: " + textOf(language, CLI_ERROR_PREFIX)});
                break;
            case Kind::Step: {
                const std::string step = textOf(language, line.text);
                const std::string outcome = textOf(language, line.outcome);
                addFormatted(pattern, textOf(language, CLI_STEP_OUTCOME), {step.c_str(), outcome.c_str()});
                pattern.push_back({false, "\n"});
                continue;
            }
        }
        addFormatted(pattern, textOf(language, line.text), line.arguments);
        pattern.push_back({false, "\n"});
    }
    return pattern;
}

// Standard error without what Wine itself writes there (a volume it cannot
// read, fontconfig on a locale name it does not know), and with LF line
// ends: it is a text stream on Windows.
std::string programsStandardError(const std::string& bytes) {
    std::string err;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end + 1;
        std::string line = bytes.substr(at, end - at);
        at = end;
        if (line.rfind("wine: ", 0) == 0 || line.rfind("Fontconfig ", 0) == 0) continue;
        std::erase(line, '\r');
        err += line;
    }
    return err;
}

void expectSaidIn(int language, const CliRun& result, const std::vector<Said>& lines) {
    const Pattern pattern = saidPattern(language, lines);
    const std::string err = programsStandardError(result.err);
    EXPECT_TRUE(matchesFrom(err, 0, pattern, 0)) << "standard error:\n" << err << "\nexpected:\n" << shown(pattern);
}

// What a terminal shows of its bytes, without its control sequences (CSI
// and OSC) and line ends (a console may break a line where the text has none).
std::string shownText(const std::string& bytes) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes[at] == '\x1B' && at + 1 < bytes.size() && bytes[at + 1] == '[') {
            const std::size_t parameters = at + 2;
            at = parameters;
            while (at < bytes.size() && !std::isalpha(static_cast<unsigned char>(bytes[at]))) ++at;
            // A console may move the cursor forward over blanks instead of writing them.
            if (at < bytes.size() && bytes[at] == 'C') {
                const int columns = std::atoi(bytes.substr(parameters, at - parameters).c_str());
                text.append(static_cast<std::size_t>(std::max(columns, 1)), ' ');
            }
        } else if (bytes[at] == '\x1B' && at + 1 < bytes.size() && bytes[at + 1] == ']') {
            at = std::min(bytes.find('\x07', at), bytes.size());
        } else if (bytes[at] != '\r' && bytes[at] != '\n') {
            text += bytes[at];
        }
    }
    return text;
}

std::string commandText(const std::vector<std::string>& arguments) {
    std::string line = "ondavox-cli";
    for (const std::string& argument : arguments) line += " " + argument;
    return line;
}

// The languages a test runs the program in: a locale that names it, or,
// for the pseudo-language, LANGUAGE alone (it is never a user's locale).
struct Speaker {
    const char* code;
    const char* locale;
};
constexpr Speaker GERMAN{"de", "de_DE.UTF-8"};
constexpr Speaker PSEUDO{"qps_ploc", nullptr};

struct LanguageRun {
    System system;
    Speaker speaker;
};

void PrintTo(const LanguageRun& run, std::ostream* out) {
    *out << run.speaker.code << " on " << systemName(run.system);
}

class CommandLineLanguage : public CliFixture, public ::testing::WithParamInterface<LanguageRun> {
protected:
    System system() const override { return GetParam().system; }

    void SetUp() override {
        CliFixture::SetUp();
        if (IsSkipped()) return;
        const Speaker& speaker = GetParam().speaker;
        language_ = catalogueIndex(speaker.code);
        if (language_ < 0) {
            GTEST_SKIP() << "the catalogue has no language " << speaker.code << " yet (translations/" << speaker.code
                         << ".po)";
        }
        // Texts equal to the English would prove nothing.
        ASSERT_NE(textOf(language_, CLI_ERROR_PREFIX), textOf(ENGLISH, CLI_ERROR_PREFIX));
        if (speaker.locale == nullptr) {
            locale_ = {{"LANGUAGE", speaker.code}, {"LANG", "en_US.UTF-8"}};
        } else {
            locale_ = {{"LANG", speaker.locale}};
            if (onWindows()) locale_.push_back({"LOCPATH", localeFolder({speaker.locale})});
        }
    }

    void expectSaid(const CliRun& result, const std::vector<Said>& lines) const {
        expectSaidIn(language_, result, lines);
    }

    int language_ = ENGLISH;
};

TEST_P(CommandLineLanguage, ErrorsAreInTheUsersLanguage) {
    startRadio("hxa-v2");
    const auto before = folderContents(radioFolder());
    const std::string nowhere = onWindows() ? "Q:" : "/nowhere";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<Said> said;
    };
    const Case cases[] = {
        {{"frobnicate"}, 2, {{Kind::Error, CLI_NO_SUCH_COMMAND, {"frobnicate"}}}},
        {{"status", "--dry-run"}, 2, {{Kind::Error, CLI_NOT_AN_OPTION_OF, {"--dry-run", "status"}}}},
        {{"set", "--pin=1234"}, 2, {{Kind::Error, CLI_SECRET_ON_COMMAND_LINE, {"--pin", "--pin-file"}}}},
        {{"update"}, 2, {{Kind::Error, CLI_UPDATE_NEEDS_YES}}},
        {{"set", "--apn", std::string(32, 'a')}, 2, {{Kind::Error, CLI_VALUE_TOO_LONG, {"--apn", "31", "32"}}}},
        {{"set", "--country", "Austria", "--provider", "Nobody"},
         2,
         {{Kind::Error, CLI_PROVIDER_UNKNOWN, {"Nobody", "Austria", "Austria"}}}},
        {{"providers", "Atlantis"}, 2, {{Kind::Error, CLI_NOT_A_COUNTRY, {"Atlantis"}}}},
        {{"status", "--radio", nowhere, "--wait", "0"},
         3,
         {{Kind::Message, CLI_RADIO_ATTACHED, {nullptr}}, {Kind::Error, CLI_NO_RADIO_AT, {nowhere.c_str()}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(commandText(c.arguments));
        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        expectSaid(result, c.said);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(folderContents(radioFolder()), before);
}

TEST_P(CommandLineLanguage, StandardOutputIsTheSameBytesAsInEnglish) {
    startRadio("hxa-v2", true);
    const CliRun switched = run({"status"});
    ASSERT_EQ(switched.exitCode, 0) << switched.err;
    expectSaid(switched, {{Kind::Message, CLI_SWITCHING, {nullptr}}, {Kind::Message, CLI_BACK_WRITABLE, {nullptr}}});

    const std::vector<std::string> commands[] = {
        {"status"},
        {"status", "--json"},
        {"status", "--show-secrets"},
        {"countries"},
        {"countries", "--json"},
        {"providers", "Austria"},
        {"providers", "Germany", "--json"},
    };
    std::vector<std::string> inLanguage;
    for (const auto& command : commands) {
        const CliRun result = run(command);
        EXPECT_EQ(result.exitCode, 0) << commandText(command) << ": " << result.err;
        EXPECT_EQ(programsStandardError(result.err), "") << commandText(command);
        inLanguage.push_back(result.out);
    }
    locale_.clear();
    EXPECT_EQ(switched.out, run({"status"}).out) << "status right after the switch";
    for (std::size_t i = 0; i < inLanguage.size(); ++i) {
        SCOPED_TRACE(commandText(commands[i]));
        const std::string english = run(commands[i]).out;
        EXPECT_NE(english, "");
        EXPECT_EQ(inLanguage[i], english);
    }
}

TEST_P(CommandLineLanguage, UpdateStepsAreInTheUsersLanguage) {
    struct Case {
        const char* tree;  // nullptr: no server
        int exitCode;
        std::vector<Said> said;
    };
    const Case cases[] = {
        {"server",
         0,
         {{Kind::Step, CLI_STEP_CHECKING},
          {Kind::Step, CLI_STEP_DOWNLOADING},
          {Kind::Step, CLI_STEP_VERIFYING},
          {Kind::Step, CLI_STEP_INSTALLING},
          {Kind::Message, CLI_INSTALLED, {"2.2.0"}}}},
        {"server-bad-checksum",
         8,
         {{Kind::Step, CLI_STEP_CHECKING},
          {Kind::Step, CLI_STEP_DOWNLOADING},
          {Kind::Step, CLI_STEP_VERIFYING, {}, CLI_STEP_FAILED},
          {Kind::Error, CLI_CHECKSUM_MISMATCH}}},
        {"server-current",
         0,
         {{Kind::Step, CLI_STEP_CHECKING}, {Kind::Message, CLI_NOTHING_TO_INSTALL, {"2.1.7", "2.1.7"}}}},
        {nullptr, 6, {{Kind::Step, CLI_STEP_CHECKING, {}, CLI_STEP_FAILED}, {Kind::Error, CLI_NO_VERSION_LATEST}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree != nullptr ? c.tree : "no server");
        if (c.tree != nullptr) startServer(c.tree);
        startRadio("hxa-v2");
        const CliRun result = run({"update", "--yes"});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        expectSaid(result, c.said);
        EXPECT_EQ(result.out, "");
        radio_->stop();
        radio_.reset();
        fs::remove_all(radioFolder());
        if (server_) server_->stop();
        server_.reset();
    }
}

TEST_P(CommandLineLanguage, HelpIsInTheUsersLanguage) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<res::CliText> texts;
    };
    const Case cases[] = {
        {{"--help"}, {CLI_HELP_PROGRAM}},
        {{"status", "--help"}, {CLI_HELP_STATUS, CLI_HELP_RADIO_OPTIONS}},
        {{"set", "--help"}, {CLI_HELP_SET, CLI_HELP_RADIO_OPTIONS}},
        {{"update", "-h"}, {CLI_HELP_UPDATE, CLI_HELP_RADIO_OPTIONS}},
        {{"providers", "--help"}, {CLI_HELP_PROVIDERS}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(commandText(c.arguments));
        std::string expected;
        for (const res::CliText text : c.texts) expected += textOf(language_, text);
        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(programsStandardError(result.err), "");
    }
}

// A Unix signal reaches only the native program.
class CommandLineLanguageOnLinux : public CommandLineLanguage {};

TEST_P(CommandLineLanguageOnLinux, InterruptIsSaidInTheUsersLanguage) {
    const CliRun waiting = run({"status", "--wait", "60"}, "", 1500);
    EXPECT_EQ(waiting.exitCode, 130);
    expectSaid(waiting, {{Kind::Message, CLI_WAITING, {"60"}}, {Kind::Message, CLI_INTERRUPTED}});
}

std::string systemOf(const ::testing::TestParamInfo<LanguageRun>& run) { return systemName(run.param.system); }

INSTANTIATE_TEST_SUITE_P(German, CommandLineLanguage,
                         ::testing::Values(LanguageRun{System::Linux, GERMAN}, LanguageRun{System::Windows, GERMAN}),
                         systemOf);
// Wine takes the language from the locale and has none for the pseudo-
// language (qps_ploc, qps-ploc and qps_PLOC all give English), so it is
// tested natively.
INSTANTIATE_TEST_SUITE_P(Pseudo, CommandLineLanguage, ::testing::Values(LanguageRun{System::Linux, PSEUDO}), systemOf);
INSTANTIATE_TEST_SUITE_P(German, CommandLineLanguageOnLinux, ::testing::Values(LanguageRun{System::Linux, GERMAN}),
                         systemOf);
INSTANTIATE_TEST_SUITE_P(Pseudo, CommandLineLanguageOnLinux, ::testing::Values(LanguageRun{System::Linux, PSEUDO}),
                         systemOf);

class CommandLineLocale : public CliFixture, public ::testing::WithParamInterface<System> {
protected:
    System system() const override { return GetParam(); }
};

TEST_P(CommandLineLocale, LocalesWithoutALanguageOfTheCatalogueGiveEnglish) {
    const std::string locales = onWindows() ? localeFolder({"sw_KE.UTF-8", "de_DE.UTF-8"}) : "";
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> locale;
    } cases[] = {
        {"Swahili, which the catalogue lacks", {{"LANG", "sw_KE.UTF-8"}}},
        {"a broken locale name before a German one", {{"LC_ALL", "_DE.UTF-8"}, {"LANG", "de_DE.UTF-8"}}},
        {"C, with German in LANGUAGE", {{"LC_ALL", "C"}, {"LANGUAGE", "de"}}},
        {"POSIX, with German in LANGUAGE", {{"LANG", "POSIX"}, {"LANGUAGE", "de"}}},
        {"C.UTF-8, with German in LANGUAGE", {{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}},
        {"none at all", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        locale_ = c.locale;
        if (onWindows()) locale_.push_back({"LOCPATH", locales});
        const CliRun wrong = run({"frobnicate"});
        EXPECT_EQ(wrong.exitCode, 2);
        expectSaidIn(ENGLISH, wrong, {{Kind::Error, CLI_NO_SUCH_COMMAND, {"frobnicate"}}});
        const CliRun help = run({"countries", "--help"});
        EXPECT_EQ(help.out, textOf(ENGLISH, CLI_HELP_COUNTRIES));
    }
}

// On a console, as in a terminal or Windows' console window: the
// characters of every script, whatever code page the console has.
TEST_P(CommandLineLocale, ConsoleShowsEveryScript) {
    const Speaker speakers[] = {
        GERMAN, {"ru", "ru_RU.UTF-8"}, {"zh_CN", "zh_CN.UTF-8"}, {"ar", "ar_EG.UTF-8"}, {"ja", "ja_JP.UTF-8"},
    };
    int shown = 0;
    for (const Speaker& speaker : speakers) {
        const int language = catalogueIndex(speaker.code);
        if (language < 0) continue;
        SCOPED_TRACE(speaker.code);
        locale_ = {{"LANG", speaker.locale}};
        if (onWindows()) locale_.push_back({"LOCPATH", localeFolder({speaker.locale})});

        const CliRun error = runOnTerminal({"update"});
        EXPECT_EQ(error.exitCode, 2);
        EXPECT_EQ(shownText(error.out), shownText("ondavox-cli: " + textOf(language, CLI_ERROR_PREFIX) +
                                                  textOf(language, CLI_UPDATE_NEEDS_YES)));
        // The program's help: in Russian and Arabic longer than one piece
        // of what goes to a Windows console at a time.
        const CliRun help = runOnTerminal({"--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(shownText(help.out), shownText(textOf(language, CLI_HELP_PROGRAM)));
        ++shown;
    }
    if (shown == 0) {
        GTEST_SKIP() << "none of German, Russian, Chinese, Arabic or Japanese is in the catalogue yet";
    }
}

INSTANTIATE_TEST_SUITE_P(Systems, CommandLineLocale, ::testing::Values(System::Linux, System::Windows),
                         [](const ::testing::TestParamInfo<System>& system) { return systemName(system.param); });

}  // namespace
