#pragma once
// The command-line program's exit codes: few and stable, since scripts branch
// on them. docs/cli.md and the manual page list them.

namespace cli {

enum ExitCode : int {
    EXIT_DONE = 0,
    EXIT_BAD_ARGUMENT = 2,        // the command line, or a value the radio's file cannot take
    EXIT_NO_RADIO = 3,            // no radio within the wait, or not the one --radio names
    EXIT_NOT_WRITABLE = 4,        // the radio did not come back writable
    EXIT_FILE_NOT_WRITTEN = 5,    // the radio's files could not be read, or the file was refused or not written
    EXIT_SERVER_UNREACHABLE = 6,  // the update server gave no version
    EXIT_DOWNLOAD_FAILED = 7,
    EXIT_VERIFICATION_FAILED = 8,
    EXIT_INSTALL_FAILED = 9,
    // A signal ends the program only after the write under way: 128 + the
    // signal's number, as shells report it (Ctrl+C on Windows gives 130 too).
    EXIT_INTERRUPTED = 130,
    EXIT_TERMINATED = 143,
};

}  // namespace cli
