#!/usr/bin/env bash
# The start-up benchmark (bench/startup_bench.cpp), built and run in one go
# (Debian 12, as root): both programs built in Release beside their floors
# (empty programs of the same kind), a virtual X display, a session bus for
# the accessibility bus the Linux program is looked at through, and the
# simulated radio's Wine prefix. Prints one table per program.
#
#   bench/run-startup-bench.sh [runs, default 5]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${1:-5}
scripts/install-dependencies.sh
source bench/bench-setup.sh

echo "== building (Release)"
bench_build build/bench -- ondavox_startup_bench ondavox-utility ondavox_empty_qt_dialog
bench_build build/bench-windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -- \
    ondavox ondavox_drive ondavox_empty_dialog radio-drive ondavox-radio-driver

bench_start_display
bench_prepare_prefix

echo "== measuring"
export ONDAVOX_BENCH_LINUX_PROGRAM="$top/build/bench/ondavox-utility"
export ONDAVOX_BENCH_LINUX_FLOOR="$top/build/bench/bench/ondavox_empty_qt_dialog"
export ONDAVOX_BENCH_WINEPREFIX="$prefix"
export ONDAVOX_BENCH_WINDOWS_BUILD="$top/build/bench-windows"
export ONDAVOX_BENCH_WINDOWS_FLOOR="Z:${top//\//\\}\\build\\bench-windows\\bench\\ondavox_empty_dialog.exe"
dbus-run-session -- build/bench/bench/ondavox_startup_bench "$runs" 2> >(grep -v 'dbus-daemon\|SpiRegistry' >&2)
