#include "program/cli/options.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

[[gnu::format(printf, 2, 3)]] bool fail(char (&message)[MESSAGE_CAPACITY], const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
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
        return fail(message, "--wait: \"%s\" is not a number of seconds from 0 to %d", value, MAX_WAIT_SECONDS);
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
                return fail(message, "%s: given twice", entry.name);
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
            return fail(message, "--roaming: \"%s\" is not on or off", value);
        case Kind::Profile:
            for (int profile = 0; profile < PROFILE_COUNT; ++profile) {
                if (std::strcmp(value, PROFILE_NAMES[profile]) == 0) {
                    options.profile = profile;
                    return true;
                }
            }
            return fail(message, "--profile: \"%s\" is not fast-start, default or stable", value);
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
                return fail(message,
                            "%s: secrets are never taken from the command line; use %s FILE (- for "
                            "standard input)",
                            secret[0], secret[1]);
            }
        }
        return fail(message, "%.*s: no such option", static_cast<int>(nameLength), argument);
    }
    if ((entry->commands & bit(options.command)) == 0) {
        return fail(message, "%s: not an option of %s", entry->name, commandName(options.command));
    }
    if (entry->kind == Kind::Flag) {
        if (equals != nullptr) {
            return fail(message, "%s: takes no value", entry->name);
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
        return fail(message, "%s: needs a value", entry->name);
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
            return fail(message, "%s: give the command first (ondavox-cli --help lists them)", argv[index]);
        }
    }
    if (index == argc) {
        if (options.help || options.version) {
            return true;
        }
        return fail(message, "no command given (ondavox-cli --help lists them)");
    }
    for (const CommandEntry& entry : COMMANDS) {
        if (std::strcmp(argv[index], entry.name) == 0) {
            options.command = entry.command;
        }
    }
    if (options.command == Command::None) {
        return fail(message, "%s: no such command (ondavox-cli --help lists them)", argv[index]);
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
            return fail(message, "%s: unexpected argument to %s", argument, commandName(options.command));
        }
    }
    if (options.help) {
        return true;
    }
    if (options.command == Command::Providers && options.providersOf == nullptr) {
        return fail(message, "providers: needs a country (ondavox-cli countries lists them)");
    }
    if (options.command == Command::Update && !options.yes) {
        return fail(message, "update: replaces the radio's firmware without asking; confirm with --yes");
    }
    if ((options.country == nullptr) != (options.provider == nullptr)) {
        return fail(message, "%s: needs %s as well (a preset is a country and one of its providers)",
                    options.country != nullptr ? "--country" : "--provider",
                    options.country != nullptr ? "--provider" : "--country");
    }
    return true;
}

}  // namespace cli
