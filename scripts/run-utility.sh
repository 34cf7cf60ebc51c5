#!/usr/bin/env bash
# The run command. Installs what it needs (Debian 12, as root), builds the
# Windows program, the simulated radio and the local update server, and starts
# all three: the utility under Wine finds the (simulated) radio, switches it,
# reads it and offers the newer firmware of the local server. With a display
# ($DISPLAY) the dialog opens there; without one it runs on a virtual display
# and a screenshot of each thing the dialog shows is saved to a folder this
# prints. With --native the same goes for the Linux program
# (scripts/run-utility-linux.sh); --refuse-mount shows that program's hint for
# a radio whose mount the system refuses.
set -euo pipefail

usage() {
    cat <<'TEXT'
Usage: scripts/run-utility.sh [options]

Builds and starts the Brelvan Ondavox configuration utility under Wine, with
a simulated radio (a folder shown to Wine as the radio's removable drive) and
a local update server on 127.0.0.1 that the utility reaches as its HTTP proxy.

  --native       the Linux program instead, built natively; the radio is a
                 folder that a scripted UDisks2 service on a private bus shows
                 as the radio's removable drive (mounted, and after the switch
                 mounted again elsewhere)

  --radio NAME   the sample radio: hxa-v2 (default), hxa-v1, hxb,
                 hxa-v2-no-slot (no update slot: a notice instead of an offer)
  --writable     the radio comes up writable (default: read-only, so the
                 utility switches it through start.html and finds it again
                 under another drive letter)
  --no-newer     the server offers no newer firmware: straight to the form
  --no-server    no update server at all: the check fails quietly, the form
  --headless     a virtual display even when $DISPLAY is set
  --accept-update  the server offers a 24 MiB image, sent at 4 MiB/s, and the
                 run without a display answers "Yes!" to the offer, so the
                 download's progress bar can be seen (and its screenshot taken)
  --language CODE  the program in another language of translations/ (de, fr,
                 es, it, pt_BR, nl, pl, tr, ru, zh_CN, ja, ar; default: the
                 one of your locale); Wine is started in that locale, the Linux
                 program with LANGUAGE and LANG set to it
  --refuse-mount the Linux program (implies --native): the radio comes
                 unmounted and the system refuses to mount it ("Not
                 authorized to perform operation"), so the dialog keeps
                 waiting and, after 3 seconds, says why below the waiting
                 line; without a display the run ends after that screenshot
  --help         this text

The radio appears 3 seconds after the start. Its files are in
build/run/radio/ (changed in place by "Save and Quit" or an update); the
radio's log is build/run/radio.log and the server's build/run/server.log.
(With --native: build/run-linux/ instead of build/run/.)
Without a display every change of the dialog is saved as a PNG screenshot in
build/run/screenshots/; the run then answers "No, Thanks!" to an offer (or
"OK" to a notice) to show the form, and quits without saving.
TEXT
}

radio=hxa-v2 read_only=1 tree=server headless=0 native=0 accept_update=0 refuse_mount=0 language=
while [ $# -gt 0 ]; do
    case "$1" in
    --radio) radio=${2:-}; shift ;;
    --writable) read_only=0 ;;
    --no-newer) tree=server-current ;;
    --no-server) tree= ;;
    --headless) headless=1 ;;
    --native) native=1 ;;
    --accept-update) accept_update=1 ;;
    --language) language=${2:-}; shift ;;
    # Only the Linux program asks the system to mount the radio; under Wine
    # the drive letter is simply there, so there is nothing to refuse.
    --refuse-mount) refuse_mount=1 native=1 ;;
    --help | -h) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done
[ -z "${DISPLAY:-}" ] && headless=1

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
[ -d "simulator/radios/$radio" ] || { echo "no sample radio '$radio'" >&2; exit 2; }
[ -z "$language" ] || [ -f "translations/$language.po" ] ||
    { echo "no language '$language' (translations/ has: $(cd translations && ls -- *.po | sed 's/\.po$//' | xargs))" >&2; exit 2; }
scripts/install-dependencies.sh

run="$top/build/run"
[ "$native" -eq 1 ] && run="$top/build/run-linux"
mkdir -p "$run"
build() {  # folder, cmake arguments..., -- targets...
    local folder=$1
    shift
    local arguments=() targets=()
    while [ "$1" != -- ]; do arguments+=("$1"); shift; done
    shift
    targets=("$@")
    { cmake -S . -B "$folder" -G Ninja "${arguments[@]}" && cmake --build "$folder" -j "$(nproc)" --target "${targets[@]}"; } \
        >"$run/build.log" 2>&1 || { tail -n 60 "$run/build.log"; exit 1; }
}
pids=()
xvfb_pid=
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    # Only these: a bare wait would wait for the virtual display too.
    [ ${#pids[@]} -eq 0 ] || wait "${pids[@]}" 2>/dev/null || true
    [ "$native" -eq 1 ] || wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# The local update server on a free port; sets proxy (empty without one).
# With --accept-update it serves a copy of the tree whose image is 24 MiB,
# sent at 4 MiB/s.
start_update_server() {
    proxy=
    [ -n "$tree" ] || return 0
    rm -f "$run/server.log"
    local root="simulator/$tree" rate=()
    if [ "$accept_update" -eq 1 ]; then
        root="$run/server-large"
        rm -rf "$root"
        cp -r "simulator/$tree" "$root"
        head -c $((24 << 20)) /dev/urandom >"$root/firmware/latest/Ondavox_update.bvn"
        md5sum "$root/firmware/latest/Ondavox_update.bvn" | cut -d' ' -f1 >"$root/firmware/latest/Ondavox_update.md5"
        rate=(--rate 4M)
    fi
    coproc SERVER { exec build/run-native/simulator/ondavox-update-server --root "$root" --port 0 \
        --log "$run/server.log" --quiet "${rate[@]}"; }
    pids+=("$SERVER_PID")
    read -r first_line <&"${SERVER[0]}"
    port=$(grep -o '[0-9]\+' <<<"$first_line" | tail -n 1)
    proxy="http://127.0.0.1:$port"
    echo "== update server: simulator/$tree on $proxy (log: ${run#"$top"/}/server.log)"
}
# A virtual X display of width x height; sets DISPLAY.
start_virtual_display() {
    local ready="$run/display-number"
    rm -f "$ready"
    Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$ready" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$ready")"
}

shots="$run/screenshots"
number=0
# A PNG of the whole virtual display, named after the stage.
screenshot() {
    number=$((number + 1))
    local file
    file="$shots/$(printf '%02d' "$number")-$1.png"
    xwd -root -display "$DISPLAY" | xwdtopnm 2>/dev/null | pnmtopng >"$file" 2>/dev/null
    echo "   screenshot: $file"
}

# The locale a language runs in (a language named with its region stands as
# it is), compiled into the run's folder: Wine takes the user interface
# language from LC_ALL only where that locale exists.
locale_of() {  # language code
    case "$1" in
    *_*) echo "$1" ;;
    ja) echo ja_JP ;;
    ar) echo ar_EG ;;
    *) echo "${1}_$(tr '[:lower:]' '[:upper:]' <<<"$1")" ;;
    esac
}
use_language() {
    [ -n "$language" ] || return 0
    local locale
    locale=$(locale_of "$language")
    mkdir -p "$run/locales"
    [ -d "$run/locales/$locale.UTF-8" ] || localedef -i "$locale" -f UTF-8 "$run/locales/$locale.UTF-8" 2>/dev/null ||
        [ -d "$run/locales/$locale.UTF-8" ] || { echo "cannot make the locale $locale.UTF-8" >&2; exit 1; }
    export LOCPATH="$run/locales"
    export LC_ALL="$locale.UTF-8" LANG="$locale.UTF-8" LANGUAGE="$language"
    echo "== language: $language ($locale.UTF-8)"
}

# What the dialog shows at the stages the screenshots are taken, in the run's
# language.
stage_texts() {
    local texts
    mapfile -t texts < <(python3 tools/catalogue/catalogue_text.py "${language:-en}" IDS_YES IDS_NO_THANKS IDS_OK \
        IDS_WAITING_FOR_DEVICE IDS_DOWNLOADING_IMAGE)
    text_yes=${texts[0]} text_no_thanks=${texts[1]} text_ok=${texts[2]}
    text_waiting=${texts[3]} text_downloading=${texts[4]}
}

# Follows the dialog through watch_command (one line per change of what it
# shows) and saves a screenshot of each stage; then takes the way out with
# click_command ID: the offer declined (or the notice taken) to show the
# form, and the form left without saving.
screenshot_each_stage() {
    local form_seen=0 accepted=0 line
    stage_texts
    while IFS= read -r line; do
        line=${line%$'\r'}
        echo "   dialog: $line"
        case "$line" in
        closed | timeout | "no dialog") break ;;
        info:*"[$text_yes] [$text_no_thanks]"*)
            sleep 0.3
            screenshot offer
            # "No, Thanks!"; with --accept-update "Yes!", once: the offer may
            # be reported twice as its text settles, and a second press would
            # land on the running update.
            if [ "$accept_update" -eq 0 ]; then
                click_later 2 2
            elif [ "$accepted" -eq 0 ]; then
                accepted=1
                click_later 2 1
            fi
            ;;
        info:*"$text_waiting"'\n\n'*)
            # The waiting line with the hint below it. With --refuse-mount the
            # radio never opens: the run ends here.
            sleep 0.3
            screenshot hint
            if [ "$refuse_mount" -eq 1 ]; then break; fi
            ;;
        info:*"$text_downloading ["*)
            # The bar climbs under the download's line.
            sleep 2.5
            screenshot download
            ;;
        info:*"[$text_ok]"*) sleep 0.3; screenshot notice; click_later 2 1015 ;;
        info:*) sleep 0.3; screenshot progress ;;
        form*)
            # Once: after the Quit press the closing dialog may still report
            # itself for a moment, which is nothing worth a picture.
            if [ "$form_seen" -eq 0 ]; then
                form_seen=1
                sleep 0.5
                screenshot form
                click_later 2 2
            fi
            ;;
        esac
    done < <("${watch_command[@]}" </dev/null 2>/dev/null)
}
click_later() {  # seconds, button id
    ( sleep "$1"; "${click_command[@]}" "$2" </dev/null >/dev/null 2>&1 || true ) &
}

if [ "$native" -eq 1 ]; then
    . scripts/run-utility-linux.sh
    exit 0
fi

use_language
echo "== building the Windows program and the simulator"
build build/windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -- \
    ondavox ondavox_watch radio-drive ondavox-radio-driver
build build/run-native -DONDAVOX_TESTS=OFF -- ondavox-radio-sim ondavox-update-server
echo "   build/windows/ondavox.exe: $(stat -c %s build/windows/ondavox.exe) bytes"

export WINEPREFIX="$run/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k >/dev/null 2>&1 || true  # a session left by an earlier run
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== preparing a Wine prefix (first run only, about 20 seconds)"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
fi

width=560 height=800
if [ "$headless" -eq 1 ]; then
    # Wine's own desktop window draws the dialog's caption and frame (there
    # is no window manager); every program of the prefix runs inside it.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${width}x${height}" /f </dev/null >/dev/null 2>&1
    wineserver -w
    start_virtual_display
else
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1 || true
    wineserver -w
fi
simulator/prepare-prefix.sh "$WINEPREFIX" --driver build/windows/simulator/ondavox-radio.sys >"$run/prefix.log" 2>&1 ||
    { cat "$run/prefix.log"; exit 1; }

start_update_server

rm -rf "$run/radio" "$run/radio.log"
radio_options=(--prefix "$WINEPREFIX" --radio "simulator/radios/$radio" --work "$run/radio"
    --windows-tools build/windows/simulator
    --appear-after 3 --log "$run/radio.log" --quiet)
[ "$read_only" -eq 1 ] && radio_options+=(--read-only)
build/run-native/simulator/ondavox-radio-sim "${radio_options[@]}" &
pids+=($!)
echo "== simulated radio: $radio$([ "$read_only" -eq 1 ] && echo ", read-only"), appearing in 3 seconds (log: build/run/radio.log)"

if [ "$headless" -eq 0 ]; then
    echo "== starting the utility on $DISPLAY"
    http_proxy=$proxy wine build/windows/ondavox.exe
    echo "== the utility ended; the radio's files are in build/run/radio/"
    exit 0
fi

rm -rf "$shots"
mkdir -p "$shots"
echo "== starting the utility on a virtual display; screenshots go to $shots"
http_proxy=$proxy wine build/windows/ondavox.exe </dev/null >/dev/null 2>&1 &

watch_command=(wine build/windows/tools/ondavox_watch.exe 180)
click_command=(wine build/windows/tools/ondavox_watch.exe --click)
screenshot_each_stage
echo "== done; screenshots in $shots"
