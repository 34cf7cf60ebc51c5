#include "program/cli/options.h"

#include <cstdlib>
#include <cstring>

#include "program/cli/messages.h"

namespace cli {

const char* const PROFILE_NAMES[PROFILE_COUNT] = {"fast-start", "default", "stable"};

namespace {

struct CommandEntry {
    const char* name;
    Command command;
};
constexpr CommandEntry COMMANDS[] = {
    {"status", Command::Status},
    {"set", Command::Set},
    {"check-update", Command::CheckUpdate},
    {"update", Command::Update},
    {"countries", Command::Countries},
    {"providers", Command::Providers},
};

// Which commands take an option: one bit per command.
constexpr unsigned bit(Command command) { return 1u << static_cast<unsigned>(command); }
constexpr unsigned RADIO_COMMANDS =
    bit(Command::Status) | bit(Command::Set) | bit(Command::CheckUpdate) | bit(Command::Update);
constexpr unsigned JSON_COMMANDS =
    bit(Command::Status) | bit(Command::CheckUpdate) | bit(Command::Countries) | bit(Command::Providers);
constexpr unsigned CHANNEL_COMMANDS = bit(Command::CheckUpdate) | bit(Command::Update);
constexpr unsigned SET = bit(Command::Set);

enum class Kind { Flag, Text, Wait, Roaming, Profile };

struct OptionEntry {
    const char* name;
    Kind kind;
    unsigned commands;
    bool Options::*flag;
    const char* Options::*text;
};

constexpr OptionEntry OPTIONS[] = {
    {"--json", Kind::Flag, JSON_COMMANDS, &Options::json, nullptr},
    {"--show-secrets", Kind::Flag, bit(Command::Status) | SET, &Options::showSecrets, nullptr},
    {"--dry-run", Kind::Flag, SET, &Options::dryRun, nullptr},
    {"--beta", Kind::Flag, CHANNEL_COMMANDS, &Options::beta, nullptr},
    {"--yes", Kind::Flag, bit(Command::Update), &Options::yes, nullptr},
    {"--wait", Kind::Wait, RADIO_COMMANDS, nullptr, nullptr},
    {"--radio", Kind::Text, RADIO_COMMANDS, nullptr, &Options::radio},
    {"--country", Kind::Text, SET, nullptr, &Options::country},
    {"--provider", Kind::Text, SET, nullptr, &Options::provider},
    {"--apn", Kind::Text, SET, nullptr, &Options::apn},
    {"--user", Kind::Text, SET, nullptr, &Options::user},
    {"--password-file", Kind::Text, SET, nullptr, &Options::passwordFile},
    {"--dns1", Kind::Text, SET, nullptr, &Options::dns1},
    {"--dns2", Kind::Text, SET, nullptr, &Options::dns2},
    {"--gateway", Kind::Text, SET, nullptr, &Options::gateway},
    {"--pin-file", Kind::Text, SET, nullptr, &Options::pinFile},
    {"--wifi-ssid", Kind::Text, SET, nullptr, &Options::wifiSsid},
    {"--wifi-password-file", Kind::Text, SET, nullptr, &Options::wifiPasswordFile},
    {"--roaming", Kind::Roaming, SET, nullptr, nullptr},
    {"--profile", Kind::Profile, SET, nullptr, nullptr},
};

// Options a user may reach for that would put a secret on the command line,
// where other users and the shell's history see it.
constexpr const char* SECRET_OPTIONS[][2] = {
    {"--pin", "--pin-file"},
    {"--password", "--password-file"},
    {"--wifi-password", "--wifi-password-file"},
};

template <res::CliText text, typename... Arguments>
bool fail(char (&message)[MESSAGE_CAPACITY], Arguments... arguments) {
    formatMessage<text>(message, arguments...);
    return false;
}

const OptionEntry* findOption(const char* name, std::size_t length) {
    for (const OptionEntry& entry : OPTIONS) {
        if (std::strlen(entry.name) == length && std::strncmp(entry.name, name, length) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

bool readWait(const char* value, Options& options, char (&message)[MESSAGE_CAPACITY]) {
    char* end = nullptr;
    const long seconds = std::strtol(value, &end, 10);
    if (value[0] < '0' || value[0] > '9' || *end != '\0' || seconds > MAX_WAIT_SECONDS) {
        return fail<CLI_WAIT_NOT_SECONDS>(message, value, MAX_WAIT_SECONDS);
    }
    options.waitSeconds = static_cast<int>(seconds);
    return true;
}

bool readValue(const OptionEntry& entry, const char* value, Options& options, char (&message)[MESSAGE_CAPACITY]) {
    switch (entry.kind) {
        case Kind::Flag:
            return true;
        case Kind::Text:
            if (options.*entry.text != nullptr) {
                return fail<CLI_OPTION_TWICE>(message, entry.name);
            }
            options.*entry.text = value;
            return true;
        case Kind::Wait:
            return readWait(value, options, message);
        case Kind::Roaming:
            if (std::strcmp(value, "on") == 0 || std::strcmp(value, "off") == 0) {
                options.roaming = value[1] == 'n' ? 1 : 0;
                return true;
            }
            return fail<CLI_ROAMING_NOT_ON_OFF>(message, value);
        case Kind::Profile:
            for (int profile = 0; profile < PROFILE_COUNT; ++profile) {
                if (std::strcmp(value, PROFILE_NAMES[profile]) == 0) {
                    options.profile = profile;
                    return true;
                }
            }
            return fail<CLI_PROFILE_UNKNOWN>(message, value);
    }
    return true;
}

bool readOption(const char* argument, int& index, int argc, char** argv, Options& options,
                char (&message)[MESSAGE_CAPACITY]) {
    const char* equals = std::strchr(argument, '=');
    const std::size_t nameLength =
        equals != nullptr ? static_cast<std::size_t>(equals - argument) : std::strlen(argument);
    const OptionEntry* entry = findOption(argument, nameLength);
    if (entry == nullptr) {
        for (const auto& secret : SECRET_OPTIONS) {
            if (std::strlen(secret[0]) == nameLength && std::strncmp(secret[0], argument, nameLength) == 0) {
                return fail<CLI_SECRET_ON_COMMAND_LINE>(message, secret[0], secret[1]);
            }
        }
        return fail<CLI_NO_SUCH_OPTION>(message, static_cast<int>(nameLength), argument);
    }
    if ((entry->commands & bit(options.command)) == 0) {
        return fail<CLI_NOT_AN_OPTION_OF>(message, entry->name, commandName(options.command));
    }
    if (entry->kind == Kind::Flag) {
        if (equals != nullptr) {
            return fail<CLI_TAKES_NO_VALUE>(message, entry->name);
        }
        options.*entry->flag = true;
        return true;
    }
    const char* value = nullptr;
    if (equals != nullptr) {
        value = equals + 1;
    } else if (index + 1 < argc) {
        value = argv[++index];
    } else {
        return fail<CLI_NEEDS_A_VALUE>(message, entry->name);
    }
    return readValue(*entry, value, options, message);
}

}  // namespace

const char* commandName(Command command) {
    for (const CommandEntry& entry : COMMANDS) {
        if (entry.command == command) {
            return entry.name;
        }
    }
    return "";
}

bool readOptions(int argc, char** argv, Options& options, char (&message)[MESSAGE_CAPACITY]) {
    message[0] = '\0';
    int index = 1;
    // Before the command only --help and --version.
    for (; index < argc && argv[index][0] == '-'; ++index) {
        if (std::strcmp(argv[index], "--help") == 0 || std::strcmp(argv[index], "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[index], "--version") == 0) {
            options.version = true;
        } else {
            return fail<CLI_COMMAND_FIRST>(message, argv[index]);
        }
    }
    if (index == argc) {
        if (options.help || options.version) {
            return true;
        }
        return fail<CLI_NO_COMMAND>(message);
    }
    for (const CommandEntry& entry : COMMANDS) {
        if (std::strcmp(argv[index], entry.name) == 0) {
            options.command = entry.command;
        }
    }
    if (options.command == Command::None) {
        return fail<CLI_NO_SUCH_COMMAND>(message, argv[index]);
    }
    for (++index; index < argc; ++index) {
        const char* argument = argv[index];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            options.help = true;
        } else if (argument[0] == '-' && argument[1] == '-') {
            if (!readOption(argument, index, argc, argv, options, message)) {
                return false;
            }
        } else if (options.command == Command::Providers && options.providersOf == nullptr) {
            options.providersOf = argument;
        } else {
            return fail<CLI_UNEXPECTED_ARGUMENT>(message, argument, commandName(options.command));
        }
    }
    if (options.help) {
        return true;
    }
    if (options.command == Command::Providers && options.providersOf == nullptr) {
        return fail<CLI_PROVIDERS_NEEDS_COUNTRY>(message);
    }
    if (options.command == Command::Update && !options.yes) {
        return fail<CLI_UPDATE_NEEDS_YES>(message);
    }
    if ((options.country == nullptr) != (options.provider == nullptr)) {
        return fail<CLI_PRESET_NEEDS_BOTH>(message, options.country != nullptr ? "--country" : "--provider",
                                           options.country != nullptr ? "--provider" : "--country");
    }
    return true;
}

}  // namespace cli
