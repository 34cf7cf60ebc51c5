#!/usr/bin/env bash
# The provisioning benchmark (bench/provision_bench.cpp), built and run in
# one go (Debian 12, as root): the command-line program natively and for
# Windows, the Windows program and its command server, all in Release; a
# virtual X display and the simulated radio's Wine prefix. Prints one table:
# seconds per radio for each way of provisioning it.
#
#   bench/run-provision-bench.sh [radios, default 10]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
radios=${1:-10}
scripts/install-dependencies.sh
source bench/bench-setup.sh

echo "== building (Release)"
bench_build build/bench -- ondavox_provision_bench ondavox-cli
bench_build build/bench-windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -- \
    ondavox ondavox-cli ondavox_drive radio-drive ondavox-radio-driver

bench_start_display
bench_prepare_prefix

echo "== provisioning $radios radios each way"
export ONDAVOX_BENCH_CLI="$top/build/bench/ondavox-cli"
export ONDAVOX_BENCH_WINEPREFIX="$prefix"
export ONDAVOX_BENCH_WINDOWS_BUILD="$top/build/bench-windows"
build/bench/bench/ondavox_provision_bench "$radios"
