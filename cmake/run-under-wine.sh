#!/usr/bin/env bash
# The Windows flavour's emulator for CTest: runs a Windows program under Wine
# (in the WINEPREFIX of the caller's environment) and hands its standard
# output on with Linux line ends, so CTest reads the test list and the
# results as it reads a native program's. The program's exit status is kept.
set -o pipefail
wine "$@" | tr -d '\r'
