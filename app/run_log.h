#pragma once
// The run's support log as the programs begin and end it.

namespace app {

// Opens the run's log with the program's name, version and build, where
// version is the program's version text. The run goes on without a log
// when none can be written.
void openRunLog(const char* programName, const char* version);

// The run's last line: how it ended, with the program's exit code.
void closeRunLog(int exitCode);

}  // namespace app
