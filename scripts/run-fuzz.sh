#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan) in build/fuzz and runs
# each one for a given time. Usage:
#
#     scripts/run-fuzz.sh [seconds per target, default 60] [target ...]
#
# Targets: config_reader status_reader version_text checksum_text
# config_roundtrip (all by default). Each starts from its committed seeds in
# fuzz/corpus/<target>/, which stay untouched; what it finds goes to
# build/fuzz/corpus/<target>/ and is used again by the next run. An input that
# breaks a rule is kept as build/fuzz/artifacts/<target>-crash-<hash>; run the
# target on that file alone to see it again. Prints one line per target and
# ends with "fuzz: N passed, N failed"; exits non-zero when any failed.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(config_reader status_reader version_text checksum_text config_roundtrip)
fi

build="$top/build/fuzz"
mkdir -p "$build/artifacts" "$build/logs"

scripts/install-dependencies.sh >/dev/null || { echo "fuzz: 0 passed, 1 failed"; exit 1; }

echo "== building the fuzz targets"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DONDAVOX_FUZZ=ON -DONDAVOX_TESTS=OFF && cmake --build "$build" -j "$(nproc)"; } \
        >"$build/logs/build.log" 2>&1; then
    tail -n 40 "$build/logs/build.log"
    echo "fuzz: 0 passed, 1 failed"
    exit 1
fi

passed=0
failed=0
for target in "${targets[@]}"; do
    program="$build/fuzz/fuzz_$target"
    log="$build/logs/$target.log"
    if [ ! -x "$program" ] || [ ! -d "fuzz/corpus/$target" ]; then
        echo "== fuzz $target: no such target"
        failed=$((failed + 1))
        continue
    fi
    mkdir -p "$build/corpus/$target"
    # -timeout: one input taking longer than this counts as a hang.
    timeout $((seconds + 120)) "$program" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "fuzz/corpus/$target" </dev/null >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "== fuzz $target: passed, ${runs:-0} executions in $seconds s"
        passed=$((passed + 1))
    else
        grep -E 'ERROR|check failed|runtime error|SUMMARY|Test unit written' "$log" | head -n 20
        echo "== fuzz $target: FAILED after ${runs:-?} executions (log: build/fuzz/logs/$target.log)"
        failed=$((failed + 1))
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
