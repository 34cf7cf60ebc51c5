#!/usr/bin/env bash
# The Windows flavour's emulator for CTest: runs a Windows program under Wine
# (in the WINEPREFIX of the caller's environment) and hands its output on
# with Linux line ends, so CTest reads the test list and the results as it
# reads a native program's. The program's exit status is kept.
#
# The output goes through files, not CTest's pipes: the first program in a
# prefix starts Wine's services, which inherit its standard streams and
# outlive it (for good, under a server started with `wineserver -p`), so the
# pipes would not end when the program does.
output=$(mktemp) && errors=$(mktemp) || exit 1
trap 'rm -f "$output" "$errors"' EXIT
wine "$@" </dev/null >"$output" 2>"$errors"
status=$?
tr -d '\r' <"$output"
tr -d '\r' <"$errors" >&2
exit "$status"
