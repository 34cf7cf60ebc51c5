#!/usr/bin/env bash
# Prepares a Wine prefix for the simulated radio and leaves its Wine session
# running, so that drive letters defined by the simulator stay while programs
# come and go:
# - a prefix (made with wineboot when PREFIX holds none yet);
# - a persistent wineserver and the session's services, started with their
#   output away from the caller's pipes;
# - the test-only kernel driver ondavox-radio.sys, installed as the service
#   OndavoxRadio and running (it gives the radio its read-only volume);
# - no crash dialog, so a crashing program cannot hold up a test;
# - Wine's Tahoma (fonts-wine) in the prefix's fonts, so "MS Shell Dlg" is
#   drawn as on Windows and not in a wider fallback font.
# Idempotent: on a prepared prefix with its session running it takes about
# two seconds. Stop the session with: WINEPREFIX=PREFIX wineserver -k
# The session keeps the display it starts with: export DISPLAY first when
# programs of this prefix are to show windows.
#
# usage: simulator/prepare-prefix.sh PREFIX [--driver PATH_TO_ondavox-radio.sys]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
driver="$top/build/windows/simulator/ondavox-radio.sys"

if [ $# -lt 1 ] || [ "${1:0:1}" = "-" ]; then
    echo "usage: $0 PREFIX [--driver PATH_TO_ondavox-radio.sys]" >&2
    exit 2
fi
prefix=$(realpath -m "$1")
shift
while [ $# -gt 0 ]; do
    case "$1" in
        --driver) driver=$(realpath -m "$2"); shift 2 ;;
        *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ ! -f "$driver" ]; then
    echo "$0: no driver at $driver (build the Windows flavour first)" >&2
    exit 1
fi

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's tools answer in the caller's language, and sc's answer is read
# below: they run in the C locale (a program started later in the session
# still takes its own language from its own environment).
export LC_ALL=C
unset LANGUAGE LC_MESSAGES
# Kernel services must be created by the 64-bit loader: a 32-bit sc.exe marks
# the driver as a 32-bit one, which then fails to load.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64 || command -v wine)
log="$prefix/prepare-prefix.log"

if [ ! -f "$prefix/system.reg" ]; then
    echo "making the prefix $prefix"
    mkdir -p "$prefix"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
fi
: >"$log"

# A persistent server keeps the session (and with it the drive manager's
# drive letters) alive between programs. It exits with 2 when a server runs.
wineserver -p >>"$log" 2>&1 || true
# The first program of a session starts the services, which keep its output
# open: it must not be a pipe of the caller.
wine cmd /c exit </dev/null >>"$log" 2>&1

# No crash dialog: a crash ends the program.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >>"$log" 2>&1

# Debian's Wine keeps Tahoma in its own folder, where it does not look for
# fonts; in the prefix's folder it is found at the session's next program.
for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
    [ -f "$font" ] && cp -u "$font" "$prefix/drive_c/windows/Fonts/"
done

installed="$prefix/drive_c/windows/system32/drivers/ondavox-radio.sys"
changed=0
if ! cmp -s "$driver" "$installed"; then
    cp "$driver" "$installed"
    changed=1
fi
if ! "$wine64" sc query OndavoxRadio </dev/null >>"$log" 2>&1; then
    "$wine64" sc create OndavoxRadio type= kernel start= demand \
        binPath= 'C:\windows\system32\drivers\ondavox-radio.sys' </dev/null >>"$log" 2>&1
elif [ "$changed" = 1 ]; then
    "$wine64" sc stop OndavoxRadio </dev/null >>"$log" 2>&1 || true
fi
"$wine64" sc start OndavoxRadio </dev/null >>"$log" 2>&1 || true  # 1056: already running
state=$("$wine64" sc query OndavoxRadio </dev/null 2>>"$log" | tr -d '\r' | sed -n 's/.*STATE *: *[0-9]* *//p')
if [ "$state" != "RUNNING" ]; then
    echo "$0: the OndavoxRadio driver does not run (state: ${state:-unknown}); see $log" >&2
    exit 1
fi
echo "prefix ready: $prefix (session running, OndavoxRadio driver running)"
