#pragma once
// The commands, one procedure each; each returns the program's exit code.

#include "program/cli/options.h"

namespace cli {

int runStatus(const Options& options);
int runSet(const Options& options);
int runCheckUpdate(const Options& options);
int runUpdate(const Options& options);
int runCountries(const Options& options);
int runProviders(const Options& options);

// The help of a command (or of the program for Command::None) on standard output.
void printHelp(Command command);

}  // namespace cli
