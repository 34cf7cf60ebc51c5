#pragma once
// What the command-line program needs of the operating system beyond the
// platform layer: its console and its signals. One file per system.

#include <cstdio>

namespace cli {

// Whether standard error is a terminal (a progress bar), not a file or pipe
// (a line per step).
bool standardErrorIsTerminal();

// From now on SIGINT and SIGTERM (Ctrl+C, Ctrl+Break and closing the console
// on Windows) end the program only once a write to the radio under way is
// over (device::endDeviceWrites), with EXIT_INTERRUPTED or EXIT_TERMINATED.
// The line, said on standard error when one comes, must stay as it is for
// the rest of the run: it is made before, so nothing is looked up or
// formatted then.
void endOnInterruptAfterDeviceWrites(const char* interruptedLine);

// Writes UTF-8 text for people (messages, progress, help) to standard error
// or output. A file or pipe gets the bytes as they are; a console on Windows
// gets the characters (WriteConsoleW), so every script shows whatever code page
// the console has; a byte that is not UTF-8 shows as its Latin-1 letter.
void writeForPeople(std::FILE* stream, const char* text);

// Whether two paths name the same radio root, ignoring a trailing separator
// (and, on Windows, the case of the drive letter).
bool sameRootPath(const char* left, const char* right);

// Standard input and output in binary mode: a secret read from standard
// input keeps its bytes, and output lines end in LF on every system, so
// scripts and --dry-run see the same bytes everywhere.
void useBinaryStandardStreams();

}  // namespace cli
