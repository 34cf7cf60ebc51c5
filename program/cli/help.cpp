#include <cstdio>

#include "program/cli/commands.h"

namespace cli {

namespace {

constexpr char PROGRAM_HELP[] =
    "Usage: ondavox-cli COMMAND [OPTIONS]\n"
    "Sets up a Brelvan Ondavox radio from scripts and shells.\n"
    "\n"
    "Commands:\n"
    "  status          the radio: where, family, versions, update slot, settings\n"
    "  set             change settings in the radio's configuration file\n"
    "  check-update    ask the update server for newer firmware\n"
    "  update          download, verify and install newer firmware (--yes)\n"
    "  countries       the countries of the carrier table\n"
    "  providers       the providers of one country\n"
    "\n"
    "ondavox-cli COMMAND --help describes a command; --version prints the version.\n"
    "Output on standard output is for scripts; messages go to standard error.\n"
    "\n"
    "Exit codes: 0 done, 2 bad argument, 3 no radio, 4 radio not writable,\n"
    "5 file refused or not written, 6 server unreachable, 7 download failed,\n"
    "8 verification failed, 9 install failed, 130/143 interrupted.\n";

constexpr char RADIO_OPTIONS[] =
    "  --wait SECONDS  wait this long for the radio (default 30; 0: look once)\n"
    "  --radio PATH    the radio at PATH, where several are attached\n";

constexpr char STATUS_HELP[] =
    "Usage: ondavox-cli status [--json] [--show-secrets] [--wait SECONDS] [--radio PATH]\n"
    "Waits for the radio, switches it writable and prints where it is, its family,\n"
    "configuration version, firmware version, update slot and settings. The PIN and\n"
    "passwords show as ******** unless --show-secrets.\n"
    "  --json          one JSON object\n"
    "  --show-secrets  the PIN and passwords as they are\n";

constexpr char SET_HELP[] =
    "Usage: ondavox-cli set [OPTIONS]\n"
    "Rewrites the radio's configuration file in place; unnamed settings keep the\n"
    "radio's values. Secrets come from files (- for standard input), never from the\n"
    "command line; a file's last line end is not part of the value.\n"
    "  --country NAME --provider NAME   a preset of the carrier table\n"
    "  --apn TEXT  --user TEXT  --password-file FILE\n"
    "  --dns1 ADDRESS  --dns2 ADDRESS  --gateway ADDRESS\n"
    "  --pin-file FILE  --roaming on|off  --profile fast-start|default|stable\n"
    "  --wifi-ssid TEXT  --wifi-password-file FILE\n"
    "  --dry-run       print the file as it would be written; write nothing\n"
    "  --show-secrets  with --dry-run: the PIN and passwords as they are\n";

constexpr char CHECK_UPDATE_HELP[] =
    "Usage: ondavox-cli check-update [--beta] [--json] [--wait SECONDS] [--radio PATH]\n"
    "Asks the update server which firmware it offers for the radio.\n"
    "  --beta  the beta channel instead of the latest\n"
    "  --json  one JSON object\n";

constexpr char UPDATE_HELP[] =
    "Usage: ondavox-cli update --yes [--beta] [--wait SECONDS] [--radio PATH]\n"
    "Downloads newer firmware, verifies it and installs it onto the radio, which\n"
    "then updates itself. Never asks: --yes is required. Progress on standard error.\n"
    "  --beta  the beta channel instead of the latest\n";

constexpr char COUNTRIES_HELP[] =
    "Usage: ondavox-cli countries [--json]\n"
    "The countries of the carrier table, one a line, as set --country takes them.\n";

constexpr char PROVIDERS_HELP[] =
    "Usage: ondavox-cli providers COUNTRY [--json]\n"
    "The providers of COUNTRY, one a line, as set --provider takes them; with --json\n"
    "each with the access-point settings its preset writes.\n";

}  // namespace

void printHelp(Command command) {
    switch (command) {
        case Command::None:
            std::fputs(PROGRAM_HELP, stdout);
            break;
        case Command::Status:
            std::fputs(STATUS_HELP, stdout);
            std::fputs(RADIO_OPTIONS, stdout);
            break;
        case Command::Set:
            std::fputs(SET_HELP, stdout);
            std::fputs(RADIO_OPTIONS, stdout);
            break;
        case Command::CheckUpdate:
            std::fputs(CHECK_UPDATE_HELP, stdout);
            std::fputs(RADIO_OPTIONS, stdout);
            break;
        case Command::Update:
            std::fputs(UPDATE_HELP, stdout);
            std::fputs(RADIO_OPTIONS, stdout);
            break;
        case Command::Countries:
            std::fputs(COUNTRIES_HELP, stdout);
            break;
        case Command::Providers:
            std::fputs(PROVIDERS_HELP, stdout);
            break;
    }
}

}  // namespace cli
