#pragma once
// Reaching the radio for a command: wait for it, pick it among several,
// switch it writable and read its files, as the dialog's start does.

#include "program/cli/options.h"

namespace cli {

// How long the radio may take to leave after its trigger file was read, and
// to come back writable: the radio needs a few seconds for both.
constexpr int SWITCH_LEAVE_SECONDS = 20;
constexpr int SWITCH_RETURN_SECONDS = 60;

// Finds the radio (waiting up to options.waitSeconds, the one at
// options.radio when given), makes it writable and reads its files into the
// device records (deviceRoot, deviceSettings, the status). EXIT_DONE, or the
// exit code of the failure after saying why on standard error.
int openRadio(const Options& options);

}  // namespace cli
