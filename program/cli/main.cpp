// ondavox-cli: the command-line front end over the same engine as the dialogs.

#include <cstdio>

#include "ondavox_version.h"
#include "platform/language.h"
#include "program/cli/commands.h"
#include "program/cli/exit_codes.h"
#include "program/cli/messages.h"
#include "program/cli/options.h"
#include "program/cli/system.h"

int main(int argc, char** argv) {
    // Every text for people from here on is in the user's language, the
    // interrupt's line too, which is made now so a signal only writes it.
    platform::selectUserLanguage();
    static char interruptedLine[cli::MESSAGE_LINE_CAPACITY];
    cli::formatMessageLine(interruptedLine, cli::CLI_INTERRUPTED);
    // Before any other thread starts: they all inherit the blocked signals.
    cli::endOnInterruptAfterDeviceWrites(interruptedLine);
    cli::useBinaryStandardStreams();

    static cli::Options options;
    char message[cli::MESSAGE_CAPACITY];
    if (!cli::readOptions(argc, argv, options, message)) {
        cli::sayErrorText(message);
        return cli::EXIT_BAD_ARGUMENT;
    }
    if (options.help) {
        cli::printHelp(options.command);
        return cli::EXIT_DONE;
    }
    if (options.version) {
        std::printf("ondavox-cli %s\n", ONDAVOX_VERSION_TEXT);
        return cli::EXIT_DONE;
    }
    switch (options.command) {
        case cli::Command::Status:
            return cli::runStatus(options);
        case cli::Command::Set:
            return cli::runSet(options);
        case cli::Command::CheckUpdate:
            return cli::runCheckUpdate(options);
        case cli::Command::Update:
            return cli::runUpdate(options);
        case cli::Command::Countries:
            return cli::runCountries(options);
        case cli::Command::Providers:
            return cli::runProviders(options);
        case cli::Command::None:
            break;
    }
    return cli::EXIT_BAD_ARGUMENT;
}
