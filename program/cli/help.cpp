#include "program/cli/commands.h"
#include "program/cli/messages.h"
#include "program/cli/system.h"

namespace cli {

namespace {

// The radio commands' help ends with the options every one of them takes.
void printHelpOf(res::CliText text, bool radioCommand) {
    writeForPeople(stdout, cliText(text));
    if (radioCommand) {
        writeForPeople(stdout, cliText(CLI_HELP_RADIO_OPTIONS));
    }
}

}  // namespace

void printHelp(Command command) {
    switch (command) {
        case Command::None:
            printHelpOf(CLI_HELP_PROGRAM, false);
            break;
        case Command::Status:
            printHelpOf(CLI_HELP_STATUS, true);
            break;
        case Command::Set:
            printHelpOf(CLI_HELP_SET, true);
            break;
        case Command::CheckUpdate:
            printHelpOf(CLI_HELP_CHECK_UPDATE, true);
            break;
        case Command::Update:
            printHelpOf(CLI_HELP_UPDATE, true);
            break;
        case Command::Countries:
            printHelpOf(CLI_HELP_COUNTRIES, false);
            break;
        case Command::Providers:
            printHelpOf(CLI_HELP_PROVIDERS, false);
            break;
    }
}

}  // namespace cli
