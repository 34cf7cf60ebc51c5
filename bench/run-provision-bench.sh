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
logs="$top/build/bench-logs"
mkdir -p "$logs"

build() {  # folder, cmake arguments..., -- targets...
    local folder=$1
    shift
    local arguments=()
    while [ "$1" != -- ]; do arguments+=("$1"); shift; done
    shift
    { cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONDAVOX_BENCHMARKS=ON -DONDAVOX_TESTS=OFF \
        "${arguments[@]}" && cmake --build "$folder" -j "$(nproc)" --target "$@"; } \
        >"$logs/build-$(basename "$folder").log" 2>&1 ||
        { tail -n 40 "$logs/build-$(basename "$folder").log"; exit 1; }
}
echo "== building (Release)"
build build/bench -- ondavox_provision_bench ondavox-cli
build build/bench-windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -- \
    ondavox ondavox-cli ondavox_drive radio-drive ondavox-radio-driver

display_ready="$logs/display-number"
rm -f "$display_ready"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_ready" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$display_ready" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_ready")"

prefix="$top/build/bench-wine-prefix"
echo "== preparing the Wine prefix"
simulator/prepare-prefix.sh "$prefix" --driver build/bench-windows/simulator/ondavox-radio.sys \
    >"$logs/prefix.log" 2>&1 || { cat "$logs/prefix.log"; exit 1; }

echo "== provisioning $radios radios each way"
export ONDAVOX_BENCH_CLI="$top/build/bench/ondavox-cli"
export ONDAVOX_BENCH_WINEPREFIX="$prefix"
export ONDAVOX_BENCH_WINDOWS_BUILD="$top/build/bench-windows"
build/bench/bench/ondavox_provision_bench "$radios"
