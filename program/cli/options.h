#pragma once
// The command line read into one record. Reading checks only the form of each
// option; what a value may hold is checked by the command that uses it.

#include <cstdint>

namespace cli {

enum class Command { None, Status, Set, CheckUpdate, Update, Countries, Providers };

constexpr int DEFAULT_WAIT_SECONDS = 30;
constexpr int MAX_WAIT_SECONDS = 24 * 60 * 60;
constexpr int UNCHANGED = -1;

struct Options {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    bool json = false;
    bool showSecrets = false;
    bool dryRun = false;
    bool beta = false;
    bool yes = false;
    int waitSeconds = DEFAULT_WAIT_SECONDS;
    const char* radio = nullptr;

    // providers COUNTRY
    const char* providersOf = nullptr;

    // set: nullptr or UNCHANGED keeps the radio's value
    const char* country = nullptr;
    const char* provider = nullptr;
    const char* apn = nullptr;
    const char* user = nullptr;
    const char* passwordFile = nullptr;
    const char* dns1 = nullptr;
    const char* dns2 = nullptr;
    const char* gateway = nullptr;
    const char* pinFile = nullptr;
    const char* wifiSsid = nullptr;
    const char* wifiPasswordFile = nullptr;
    int roaming = UNCHANGED;  // 0 or 1
    int profile = UNCHANGED;  // 0 fast-start, 1 default, 2 stable
};

constexpr int PROFILE_COUNT = 3;
extern const char* const PROFILE_NAMES[PROFILE_COUNT];

constexpr std::uint32_t MESSAGE_CAPACITY = 1024;

// Reads argv into options. False with a message (naming the option and why)
// when the command line is not one the program takes.
bool readOptions(int argc, char** argv, Options& options, char (&message)[MESSAGE_CAPACITY]);

// The name a command is typed as ("check-update"), or "" for None.
const char* commandName(Command command);

}  // namespace cli
