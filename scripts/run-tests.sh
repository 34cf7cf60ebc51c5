#!/usr/bin/env bash
# The test command. Installs what it needs (Debian 12, as root), builds the
# native flavour with sanitizers and the Windows flavour with mingw-w64, runs
# every test program's cases through ctest (the Windows ones under Wine, in a
# fresh prefix of their own; results counted from ctest's JUnit files) and
# each fuzz target for 10 s, checks the release (the release
# command's folder, the same program and archive from the tree at another
# path, the archive's program started under Wine), and ends with one line:
# "total: N passed, N failed, N skipped".
# Exits non-zero when anything failed.
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/install-dependencies.sh || { echo "total: 0 passed, 1 failed"; exit 1; }

jobs=$(nproc)
logs="$top/build/test-logs"
mkdir -p "$logs"

# Wine gets a prefix of its own, made while the programs build.
wine_prefix=$(mktemp -d /tmp/ondavox-wine.XXXXXX)
export WINEPREFIX="$wine_prefix/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
( wineboot -i </dev/null >/dev/null 2>&1; wineserver -w ) &
wine_boot=$!
# The simulated radio gets a prefix of its own too: its session stays up
# while the radio's drive letters come and go.
sim_prefix="$wine_prefix/simulator"
( WINEPREFIX="$sim_prefix" wineboot -i </dev/null >/dev/null 2>&1; WINEPREFIX="$sim_prefix" wineserver -w ) &
sim_boot=$!
cleanup() {
    WINEPREFIX="$wine_prefix/prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$sim_prefix" wineserver -k >/dev/null 2>&1
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$wine_prefix"
}
trap cleanup EXIT

passed=0
failed=0
skipped=0

build() {  # name, cmake arguments... (only_target, when set, builds that target alone)
    local name=$1
    shift
    echo "== building $name"
    if ! { cmake -S . -B "build/$name" -G Ninja "$@" &&
        cmake --build "build/$name" -j "$jobs" ${only_target:+--target "$only_target"}; } \
        >"$logs/build-$name.log" 2>&1; then
        tail -n 60 "$logs/build-$name.log"
        echo "== $name: build failed"
        failed=$((failed + 1))
        return 1
    fi
}

# Counts one group's results from the JUnit file ctest writes: passed,
# failed, and skipped (a case that said so, or a disabled one). A case ctest
# could not run (no program, say) counts as failed.
junit_counts() {  # JUnit file
    python3 - "$1" <<'EOF_PY'
import sys
import xml.etree.ElementTree as tree
passed = failed = skipped = 0
try:
    cases = tree.parse(sys.argv[1]).getroot().iter("testcase")
except (OSError, tree.ParseError):
    cases = []
for case in cases:
    status = case.get("status")
    skip = case.find("skipped")
    if status == "run" and case.find("failure") is None:
        passed += 1
    elif status == "disabled" or (
            status == "notrun" and skip is not None and skip.get("message") == "SKIP_REGULAR_EXPRESSION_MATCHED"):
        skipped += 1
    else:
        failed += 1
print(passed, failed, skipped)
EOF_PY
}

# Runs one group of test cases through ctest: the cases of a build folder
# that the selection picks (-L a program's label, -R case names), with the
# command before ctest (env, dbus-run-session ...) around it, so what the
# group needs from its surroundings reaches every case.
run_tests() {  # name, build folder, ctest selection, command around ctest...
    local name=$1 folder=$2 selection
    read -ra selection <<<"$3"
    shift 3
    local log="$logs/$name.log" junit="$logs/$name.xml"
    # Native cases run side by side; the Windows ones one at a time, since a
    # case under Wine once failed to start, without a word, while another
    # started in the same prefix.
    local parallel=$jobs
    [ "$folder" = build/windows ] && parallel=1
    echo "== running $name tests"
    rm -f "$junit"
    timeout 3600 "$@" ctest --test-dir "$folder" "${selection[@]}" --no-tests=error -j "$parallel" \
        --output-on-failure --output-junit "$junit" </dev/null >"$log" 2>&1
    local status=$?
    local p f s
    read -r p f s < <(junit_counts "$junit")
    if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
        f=1  # no case ran, a program could not list its cases, or ctest was stopped
    fi
    if [ "$f" -ne 0 ]; then
        tr -d '\r' <"$log" | grep -E '^\[  FAILED  \]|Failure|error|ERROR|Sanitizer|\((Failed|Timeout|Not Run)\)' | head -n 80
        tail -n 40 "$log"
    fi
    echo "== $name: $p passed, $f failed, $s skipped (log: build/test-logs/$name.log)"
    passed=$((passed + p))
    failed=$((failed + f))
    skipped=$((skipped + s))
}

# Sets up the Wine prefix for the Windows test programs:
# - windows without a display, through Wine's null graphics driver, so real
#   controls can be made and driven in-process;
# - a drive E: that looks like the device to the real volume calls: removable,
#   FAT32, the device's serial (from a boot sector made by mkfs.vfat inside the
#   drive's folder, where Wine looks for it).
prepare_wine_prefix() {
    local drive="$wine_prefix/drive-e"
    mkdir -p "$drive/.wine-sb" &&
        truncate -s 40M "$wine_prefix/boot.img" &&
        mkfs.vfat -F 32 -i ECE22CF8 -n RADIO "$wine_prefix/boot.img" >/dev/null &&
        head -c 2048 "$wine_prefix/boot.img" >"$drive/.wine-sb/sb.img" &&
        rm -f "$wine_prefix/boot.img" &&
        ln -sfn "$drive" "$WINEPREFIX/dosdevices/e:" &&
        ln -sfn "$drive/.wine-sb/sb.img" "$WINEPREFIX/dosdevices/e::" &&
        wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f /reg:64 </dev/null >/dev/null 2>&1 &&
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 &&
        wineserver -w
}

if build native -DONDAVOX_SANITIZE=ON; then
    run_tests native build/native '-L ^ondavox_tests$'
    # The message catalogue's generator refusing faulty translations.
    run_tests catalogue build/native '-L ^ondavox_catalogue_tests$'
    run_tests simulator build/native '-L ^ondavox_simulator_tests$'
    run_tests linux-volumes build/native '-L ^ondavox_linux_volume_tests$'
    # The same against the real UDisks2 service with udevd, over loop devices
    # (as root; the test starts and ends every daemon it needs).
    run_tests real-udisks2 build/native '-L ^ondavox_real_udisks2_tests$'
    # The command-line program against the simulated radio on its scripted
    # UDisks2 service and the local update server.
    run_tests cli build/native '-L ^ondavox_cli_tests$ -E /Windows$'
    # The Linux program and the dialog services on Qt, without a display.
    run_tests qt build/native '-L ^ondavox_qt_tests$' env QT_QPA_PLATFORM=offscreen
    native_built=1
fi

# The tests where threads meet, once more under ThreadSanitizer: a race that
# happens not to corrupt anything in one run still shows up here.
if only_target=ondavox_tests build thread-sanitizer -DONDAVOX_THREAD_SANITIZER=ON; then
    run_tests thread-sanitizer build/thread-sanitizer '-L ^ondavox_tests$ -R ^ondavox_tests:(Threads\.|.*/ProgramEnd\.)' \
        env TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
fi

# The Linux package as a user meets it: built in Release, checked by lintian
# (no errors), installed with dpkg and started as a normal user (in English
# and, for the command-line program's help, in German). Two tests.
package_test() {  # name, command...
    local name=$1
    shift
    if "$@" >>"$logs/package.log" 2>&1; then
        passed=$((passed + 1))
        echo "== package: $name: passed"
    else
        failed=$((failed + 1))
        tail -n 30 "$logs/package.log"
        echo "== package: $name: failed (log: build/test-logs/package.log)"
    fi
}
if [ "${native_built:-0}" = 1 ] && grep -q 'add_executable(ondavox-utility' program/linux/CMakeLists.txt 2>/dev/null; then
    echo "== building the Linux package"
    : >"$logs/package.log"
    package_test "built, lintian shows no errors" sh -c 'scripts/make-deb.sh >"$0"' "$logs/package-path"
    deb=$(tail -n 1 "$logs/package-path" 2>/dev/null)
    package_test "installs and starts as a normal user" sh -c '
        dpkg -i "$0" &&
        test -f /usr/share/applications/ondavox-utility.desktop &&
        test -f /usr/share/icons/hicolor/128x128/apps/ondavox-utility.png &&
        runuser -u nobody -- ondavox-utility --version | tee /dev/stderr | grep -q "^ondavox-utility 3\.2\.7" &&
        test -f /usr/share/man/man1/ondavox-cli.1.gz &&
        runuser -u nobody -- ondavox-cli --version | tee /dev/stderr | grep -q "^ondavox-cli 3\.2\.7" &&
        runuser -u nobody -- env LANG=de_DE.UTF-8 ondavox-cli --help | grep -q "^Aufruf: ondavox-cli BEFEHL"' "$deb"
fi

# A virtual X display for the programs that show real windows: sets DISPLAY
# once the server is ready.
start_display() {
    [ -n "$xvfb_pid" ] && return 0
    local ready="$wine_prefix/display-number"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        if [ -s "$ready" ]; then
            export DISPLAY=":$(cat "$ready")"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
xvfb_pid=
stop_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; }

# The installed Linux program as a user meets it, against the simulated radio
# on a scripted UDisks2 bus and the local update server, driven over the
# accessibility bus of a session of its own: the end-to-end cases the Windows
# program runs too.
if [ "${native_built:-0}" = 1 ] && [ -x /usr/bin/ondavox-utility ]; then
    if start_display; then
        run_tests end-to-end-linux build/native '-L ^ondavox_e2e_tests$ -R /Linux$' \
            env ONDAVOX_E2E_LINUX_PROGRAM=/usr/bin/ondavox-utility dbus-run-session --
    else
        echo "== could not start a virtual display"
        failed=$((failed + 1))
    fi
fi

# Every fuzz target for a short while (clang, ASan and UBSan); each counts as
# one test, passed when it found nothing. scripts/run-fuzz.sh runs them longer.
echo "== building and running the fuzz targets"
scripts/run-fuzz.sh 10 >"$logs/fuzz.log" 2>&1
grep -E '^== fuzz|ERROR|check failed|runtime error|SUMMARY|Test unit written' "$logs/fuzz.log"
fuzz_summary=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$logs/fuzz.log" | tail -n 1)
if [ -n "$fuzz_summary" ]; then
    passed=$((passed + ${fuzz_summary% *}))
    failed=$((failed + ${fuzz_summary#* }))
else
    tail -n 40 "$logs/fuzz.log"
    failed=$((failed + 1))
fi

# The release (tests/release/check-release.sh): what the release command
# writes, and the same tree at another path giving the same program and
# archive; later, under Wine, the archive's program starting. Each check
# counts as one test.
release_check() {  # mode, arguments...
    local log="$logs/release-$1.log"
    tests/release/check-release.sh "$@" >"$log" 2>&1
    local summary
    summary=$(sed -n 's/^release: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log" | tail -n 1)
    if [ -n "$summary" ]; then
        if [ "${summary#* }" -eq 0 ]; then grep '^== release' "$log"; else tail -n 60 "$log"; fi
        passed=$((passed + ${summary% *}))
        failed=$((failed + ${summary#* }))
    else
        tail -n 40 "$log"
        failed=$((failed + 1))
    fi
}
echo "== building and checking the release"
release_check build "$top/build/test-release"

if build windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"; then
    wait "$wine_boot"
    if prepare_wine_prefix; then
        export 'ONDAVOX_TEST_DEVICE_ROOT=E:\'
        # Each case is a Wine process of its own: a server that stays up
        # between them keeps Wine's services running, so a case starts in
        # about 0.1 s instead of a whole Wine session's start (1-3 s).
        wineserver -p
        for program in build/windows/tests/*.exe; do
            case "$program" in *_ui_tests.exe) continue ;; esac
            program=$(basename "$program" .exe)
            run_tests "windows-$program" build/windows "-L ^$program\$"
        done
    else
        echo "== could not prepare the Wine prefix"
        failed=$((failed + 1))
    fi

    # What a user meets: the simulator's prefix on a virtual X display, where
    # the simulated radio comes and goes and the built program is started and
    # driven from another process.
    wait "$sim_boot"
    if [ "${native_built:-0}" != 1 ]; then
        echo "== no native build: the simulated radio cannot run"
        failed=$((failed + 1))
    elif ! start_display; then
        echo "== could not start a virtual display"
        failed=$((failed + 1))
    elif ! simulator/prepare-prefix.sh "$sim_prefix" --driver build/windows/simulator/ondavox-radio.sys \
        >"$logs/simulator-prefix.log" 2>&1; then
        cat "$logs/simulator-prefix.log"
        echo "== could not prepare the simulator's Wine prefix"
        failed=$((failed + 1))
    else
        run_tests radio-on-wine build/native '-L ^ondavox_radio_wine_tests$' env ONDAVOX_SIM_WINEPREFIX="$sim_prefix" \
            ONDAVOX_SIM_WINDOWS_TOOLS="$top/build/windows/simulator"
        for program in build/windows/tests/*_ui_tests.exe; do
            program=$(basename "$program" .exe)
            run_tests "windows-$program" build/windows "-L ^$program\$" env WINEPREFIX="$sim_prefix"
        done
        # The Windows command-line program, under Wine, against the radio's
        # drive letters.
        run_tests cli-windows build/native '-L ^ondavox_cli_tests$ -R /Windows$' \
            env ONDAVOX_CLI_WINEPREFIX="$sim_prefix" ONDAVOX_CLI_WINDOWS_BUILD="$top/build/windows"
        if [ -x build/native/tests/ondavox_e2e_tests ]; then
            run_tests end-to-end-windows build/native '-L ^ondavox_e2e_tests$ -R /Windows$' \
                env ONDAVOX_E2E_WINEPREFIX="$sim_prefix" ONDAVOX_E2E_WINDOWS_BUILD="$top/build/windows"
        fi
        WINEPREFIX="$sim_prefix" release_check start "$top/build/test-release" \
            "$top/build/windows/tools/ondavox_drive.exe"
    fi
fi
stop_display

echo "total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
