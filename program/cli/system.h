#pragma once
// What the command-line program needs of the operating system beyond the
// platform layer: its console and its signals. One file per system.

namespace cli {

// Whether standard error is a terminal (a progress bar), not a file or pipe
// (a line per step).
bool standardErrorIsTerminal();

// From now on SIGINT and SIGTERM (Ctrl+C, Ctrl+Break and closing the console
// on Windows) end the program only once a write to the radio under way is
// over (device::endDeviceWrites), with EXIT_INTERRUPTED or EXIT_TERMINATED.
void endOnInterruptAfterDeviceWrites();

// Whether two paths name the same radio root, ignoring a trailing separator
// (and, on Windows, the case of the drive letter).
bool sameRootPath(const char* left, const char* right);

// Standard input and output in binary mode: a secret read from standard
// input keeps its bytes, and output lines end in LF on every system, so
// scripts and --dry-run see the same bytes everywhere.
void useBinaryStandardStreams();

}  // namespace cli
