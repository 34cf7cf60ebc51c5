#!/usr/bin/env bash
# The release's checks, run by the test command (scripts/run-tests.sh). Each
# check prints "== release: <what>: passed" or "... failed" with its reasons;
# the last line is "release: N passed, N failed".
#
#   tests/release/check-release.sh build <folder>
#       Runs the release command on this tree into <folder>/release and checks
#       what it wrote: SHA256SUMS verifies the folder; the archive holds the
#       program, the README for users and the licence texts, with fixed dates
#       and permissions; the build record names the commit and the carrier
#       table's share. Then runs the release command once more on a copy of the
#       tree at another path and compares the program and the archive byte for
#       byte.
#
#   tests/release/check-release.sh start <folder> <ondavox_drive.exe>
#       After "build": the program from the archive starts under Wine and
#       shows its dialog (WINEPREFIX and DISPLAY set by the caller), driven
#       through the command server of tools/program_driver.
set -uo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"
mode=${1:-}
folder=${2:-}
[ -n "$mode" ] && [ -n "$folder" ] || { echo "usage: $0 build|start <folder> [ondavox_drive.exe]" >&2; exit 2; }
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)

passed=0
failed=0
problems=()
problem() { problems+=("$*"); }
verdict() {  # what was checked; passes when no problem was noted since the last verdict
    if [ ${#problems[@]} -eq 0 ]; then
        echo "== release: $1: passed"
        passed=$((passed + 1))
    else
        echo "== release: $1: failed"
        printf '   %s\n' "${problems[@]}"
        failed=$((failed + 1))
    fi
    problems=()
}
finish() {
    echo "release: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

version=$(sed -n 's/^project(.* VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
name="ondavox-utility-$version-windows-x64"
release="$folder/release"
zip="$release/$name.zip"

if [ "$mode" = build ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
    rm -rf "$release"
    if ! scripts/make-release.sh "$release" >"$folder/make-release.log" 2>&1; then
        tail -n 40 "$folder/make-release.log"
        problem "scripts/make-release.sh failed (log: $folder/make-release.log)"
        verdict "the release command writes a folder that SHA256SUMS verifies"
        finish
    fi

    # The folder: exactly the archive, the build record and SHA256SUMS, and
    # the sums verify every other file.
    listing=$(cd "$release" && find . -type f -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
    expected="SHA256SUMS $name-build-record.txt $name.zip "
    [ "$listing" = "$expected" ] || problem "the folder holds '$listing', expected '$expected'"
    ( cd "$release" && sha256sum --check --strict --quiet SHA256SUMS ) || problem "sha256sum -c SHA256SUMS fails"
    summed=$(awk '{print $2}' "$release/SHA256SUMS" | LC_ALL=C sort | tr '\n' ' ')
    [ "$summed" = "$name-build-record.txt $name.zip " ] || problem "SHA256SUMS covers '$summed'"
    record="$release/$name-build-record.txt"
    grep -q "^commit: *$(git rev-parse HEAD)" "$record" || problem "the build record does not name the commit"
    grep -q "^  ONDAVOX_UPDATE_HOST: *updates.ondavox.invalid$" "$record" || problem "the build record does not name the update host"
    grep -Eq "^  [0-9]+ bytes: [0-9.]+ % of the file, [0-9.]+ % of \.rdata$" "$record" ||
        problem "the build record has no carrier table share"
    grep -qF "$top" "$record" && problem "the build record names the path of the tree"
    verdict "the release command writes a folder that SHA256SUMS verifies"

    # The archive: one folder with the program, the README and the licence
    # texts, every entry dated at the commit with fixed permissions; the
    # README names this build's version and addresses.
    entries=$(unzip -Z1 "$zip" 2>/dev/null | tr '\n' ' ')
    expected="$name/README.txt $name/licenses/GPL-3.txt $name/licenses/README.txt"
    expected+=" $name/licenses/gcc-mingw-w64-copyright.txt $name/licenses/mingw-w64-copyright.txt"
    expected+=" $name/licenses/mobile-broadband-provider-info-copyright.txt $name/ondavox-cli.exe $name/ondavox.exe "
    [ "$entries" = "$expected" ] || problem "the archive holds '$entries', expected '$expected'"
    stamps=$(/usr/bin/python3 - "$zip" <<'PYTHON'
import os, sys, time, zipfile
# A zip entry's time counts in steps of two seconds.
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))
wanted = stamp[:5] + (stamp.tm_sec - stamp.tm_sec % 2,)
for entry in zipfile.ZipFile(sys.argv[1]).infolist():
    mode = entry.external_attr >> 16
    want = 0o100755 if entry.filename.endswith(".exe") else 0o100644
    if entry.date_time != wanted or mode != want:
        print(f"{entry.filename}: {entry.date_time} {oct(mode)}")
PYTHON
    )
    [ -z "$stamps" ] || problem "entries with other dates or permissions: $stamps"
    unzip -p "$zip" "$name/ondavox.exe" | cmp -s - build/release-windows/ondavox.exe ||
        problem "the archive's ondavox.exe is not the one built"
    unzip -p "$zip" "$name/ondavox-cli.exe" | cmp -s - build/release-windows/ondavox-cli.exe ||
        problem "the archive's ondavox-cli.exe is not the one built"
    readme=$(unzip -p "$zip" "$name/README.txt" 2>/dev/null)
    for text in "Utility $version for Windows" "Update server:     updates.ondavox.invalid" \
        "Maker's address:   www.ondavox.example" "certutil -hashfile $name.zip SHA256"; do
        grep -qF "$text" <<<"$readme" || problem "README.txt lacks '$text'"
    done
    grep -qF "GCC RUNTIME LIBRARY EXCEPTION" <<<"$(unzip -p "$zip" "$name/licenses/gcc-mingw-w64-copyright.txt")" ||
        problem "the GCC runtime library exception is not in the archive"
    grep -qF "mingw-w64-libraries/winpthreads" <<<"$(unzip -p "$zip" "$name/licenses/mingw-w64-copyright.txt")" ||
        problem "the winpthreads licence is not in the archive"
    grep -qF "License: public-domain" <<<"$(unzip -p "$zip" "$name/licenses/mobile-broadband-provider-info-copyright.txt")" ||
        problem "the carrier data's public-domain dedication is not in the archive"
    verdict "the archive holds the program, the command-line program, its README and the licence texts, dated at the commit"

    # The same tree at another path (a copy of the files as they are now,
    # committed or not) and with another build folder's history: the program
    # and the archive must come out the same.
    copy=$(mktemp -d /tmp/ondavox-release-copy.XXXXXX)
    elsewhere="$copy/a/longer/path/to/the/tree"
    mkdir -p "$elsewhere"
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null -T - -cf - | tar -xf - -C "$elsewhere"
    if ! "$elsewhere/scripts/make-release.sh" "$copy/release" >"$folder/make-release-copy.log" 2>&1; then
        tail -n 40 "$folder/make-release-copy.log"
        problem "scripts/make-release.sh failed in the copy (log: $folder/make-release-copy.log)"
    elif ! cmp "$elsewhere/build/release-windows/ondavox.exe" build/release-windows/ondavox.exe; then
        problem "ondavox.exe differs between $top and $elsewhere"
    elif ! cmp "$elsewhere/build/release-windows/ondavox-cli.exe" build/release-windows/ondavox-cli.exe; then
        problem "ondavox-cli.exe differs between $top and $elsewhere"
    fi
    verdict "the same tree at another path builds the same ondavox.exe"
    if [ -f "$copy/release/$name.zip" ] && ! cmp "$copy/release/$name.zip" "$zip"; then
        problem "the archive differs between $top and $elsewhere"
    elif [ ! -f "$copy/release/$name.zip" ]; then
        problem "no archive from the copy"
    fi
    verdict "the same tree at another path packs the same archive"
    rm -rf "$copy"
    finish
fi

if [ "$mode" = start ]; then
    driver=${3:?the command server ondavox_drive.exe}
    unpacked="$folder/unpacked"
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    if ! unzip -q "$zip" -d "$unpacked"; then
        problem "cannot unpack $zip (did 'build' run?)"
        verdict "the archive's program starts under Wine and shows its dialog"
        finish
    fi
    exe=$(winepath -w "$unpacked/$name/ondavox.exe" 2>/dev/null)
    coproc DRIVER { exec wine "$driver" 2>/dev/null; }
    # One command, its answer (CR dropped) compared with what is expected.
    ask() {  # command, expected answer
        local reply=
        echo "$1" >&"${DRIVER[1]}"
        IFS= read -r -t 90 reply <&"${DRIVER[0]}"
        reply=${reply%$'\r'}
        [ "$reply" = "$2" ] || { problem "'$1' answered '$reply', expected '$2'"; return 1; }
    }
    ask "start $exe" ok &&
        ask "wait-dialog 30000" ok &&
        ask "wait -1 15000 contains Waiting for Brelvan Ondavox device" ok &&
        ask "wait 1032 5000 text v3.2g" ok &&
        ask "click 1015" ok &&
        ask "wait-exit 15000" "ok 0"
    exec {DRIVER[1]}>&-
    wait "$DRIVER_PID" 2>/dev/null
    verdict "the archive's program starts under Wine and shows its dialog"
    # The command-line program runs from the same folder, with no console
    # window of its own needed.
    cli_version=$(wine "$unpacked/$name/ondavox-cli.exe" --version 2>/dev/null | tr -d '\r')
    [ "$cli_version" = "ondavox-cli $version" ] ||
        problem "the archive's ondavox-cli.exe --version printed '$cli_version', expected 'ondavox-cli $version'"
    verdict "the archive's command-line program runs under Wine"
    finish
fi

echo "unknown mode: $mode" >&2
exit 2
