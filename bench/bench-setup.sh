# The steps the benchmark scripts share (bench/run-startup-bench.sh and
# bench/run-provision-bench.sh), sourced by them once they stand in the
# checkout's top folder ($top): builds in Release with the benchmarks on and
# the tests off, each logged under build/bench-logs; a virtual X display; the
# simulated radio's Wine prefix.

logs="$top/build/bench-logs"
mkdir -p "$logs"
prefix="$top/build/bench-wine-prefix"

bench_build() {  # folder, cmake arguments..., -- targets...
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

# Starts Xvfb and exports its DISPLAY; it and the prefix's wineserver end
# with the script.
bench_start_display() {
    local display_ready="$logs/display-number"
    rm -f "$display_ready"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_ready" >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null; WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT
    for _ in $(seq 100); do [ -s "$display_ready" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$display_ready")"
}

# The simulated radio's prefix ($prefix), with the test-only driver of the
# Windows build in build/bench-windows.
bench_prepare_prefix() {
    echo "== preparing the Wine prefix"
    simulator/prepare-prefix.sh "$prefix" --driver build/bench-windows/simulator/ondavox-radio.sys \
        >"$logs/prefix.log" 2>&1 || { cat "$logs/prefix.log"; exit 1; }
}
