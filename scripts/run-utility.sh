#!/usr/bin/env bash
# The run command. Installs what it needs (Debian 12, as root), builds the
# Windows program and starts it under Wine. With a display ($DISPLAY) the
# dialog opens there; without one it runs on a virtual display and a
# screenshot of each thing the dialog shows is saved to a folder this prints.
set -euo pipefail

usage() {
    cat <<'TEXT'
Usage: scripts/run-utility.sh [--headless] [--help]

Builds the Brelvan Ondavox configuration utility (the Windows program) and
starts it under Wine.

  --headless   run on a virtual display even when $DISPLAY is set, and save
               screenshots instead of showing the window
  --help       this text

Without a display the program runs on a virtual X display; every change of
what the dialog shows is saved as a PNG screenshot in build/run/screenshots/,
and the run ends when the dialog closes (or after 60 seconds of waiting for a
radio, when it is closed with its Cancel button).
TEXT
}

headless=0
for argument in "$@"; do
    case "$argument" in
    --headless) headless=1 ;;
    --help | -h) usage; exit 0 ;;
    *) echo "unknown option: $argument" >&2; usage >&2; exit 2 ;;
    esac
done
[ -z "${DISPLAY:-}" ] && headless=1

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-dependencies.sh

echo "== building the Windows program"
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" >build/run-configure.log 2>&1 ||
    { tail -n 40 build/run-configure.log; exit 1; }
cmake --build build/windows -j "$(nproc)" --target ondavox ondavox_watch >build/run-build.log 2>&1 ||
    { tail -n 60 build/run-build.log; exit 1; }
echo "   build/windows/ondavox.exe ($(stat -c %s build/windows/ondavox.exe) bytes)"

run="$top/build/run"
mkdir -p "$run"
export WINEPREFIX="$run/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== preparing a Wine prefix (first run only, about 20 seconds)"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
fi

xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ "$headless" -eq 0 ]; then
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1 || true
    echo "== starting the utility on $DISPLAY"
    wine build/windows/ondavox.exe
    exit 0
fi

# A virtual display just the size of Wine's own desktop window, which draws
# the dialog's caption and frame (there is no window manager). Every program
# of the prefix runs inside that desktop, the watcher too.
width=560 height=800
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${width}x${height}" /f </dev/null >/dev/null 2>&1
wineserver -w
ready="$run/display-number"
rm -f "$ready"
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$ready" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$ready")"

shots="$run/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
echo "== starting the utility on a virtual display; screenshots go to $shots"
wine build/windows/ondavox.exe </dev/null >/dev/null 2>&1 &

number=0
screenshot() {
    number=$((number + 1))
    local file
    file="$shots/$(printf '%02d' "$number")-$1.png"
    xwd -root -display "$DISPLAY" | xwdtopnm 2>/dev/null | pnmtopng >"$file" 2>/dev/null
    echo "   screenshot: $file"
}

# One line per change of what the dialog shows; a screenshot of each.
waited=0
while IFS= read -r line; do
    line=${line%$'\r'}
    echo "   dialog: $line"
    case "$line" in
    closed | timeout | "no dialog") break ;;
    info:*) sleep 0.3; screenshot info ;;
    form*) sleep 0.3; screenshot form ;;
    esac
    if [ "$waited" -eq 0 ] && [[ "$line" == "info: Waiting for"* ]]; then
        waited=1
        # Nothing more happens without a radio: close the dialog after a while.
        ( sleep 60; wine build/windows/tools/ondavox_watch.exe --cancel </dev/null >/dev/null 2>&1 || true ) &
    fi
done < <(wine build/windows/tools/ondavox_watch.exe 600 </dev/null 2>/dev/null)
echo "== done; screenshots in $shots"
