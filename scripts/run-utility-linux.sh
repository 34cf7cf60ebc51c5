# The run command's Linux part, sourced by scripts/run-utility.sh --native
# (options, build, update server, display and screenshot helpers come from
# there). The Linux program finds the simulated radio through a scripted
# UDisks2 service on a private system bus; without a display it runs on a
# virtual one, followed over the accessibility bus, with a screenshot of each
# stage.

use_language
echo "== building the Linux program and the simulator"
build build/run-native -DONDAVOX_TESTS=OFF -- ondavox-utility ondavox-cli ondavox-radio-sim ondavox-update-server
echo "   build/run-native/ondavox-utility: $(stat -c %s build/run-native/ondavox-utility) bytes"

start_update_server

rm -rf "$run/radio" "$run/radio-mounts" "$run/radio.log" "$run/bus-address"
radio_options=(--udisks2 --bus-address-file "$run/bus-address" --radio "simulator/radios/$radio"
    --work "$run/radio" --appear-after 3 --log "$run/radio.log" --quiet)
[ "$read_only" -eq 1 ] && radio_options+=(--read-only)
[ "$refuse_mount" -eq 1 ] && radio_options+=(--refuse-mount "Not authorized to perform operation")
build/run-native/simulator/ondavox-radio-sim "${radio_options[@]}" >/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$run/bus-address" ] && break; sleep 0.1; done
[ -s "$run/bus-address" ] || { echo "the simulated radio did not start (log: ${run#"$top"/}/radio.log)" >&2; exit 1; }
# The program asks this bus, not the machine's, for its drives.
export DBUS_SYSTEM_BUS_ADDRESS
DBUS_SYSTEM_BUS_ADDRESS=$(cat "$run/bus-address")
echo "== simulated radio: $radio$([ "$read_only" -eq 1 ] && echo ", read-only")$([ "$refuse_mount" -eq 1 ] &&
    echo ", its mount refused"), appearing in 3 seconds" \
    "(log: ${run#"$top"/}/radio.log)"

if [ "$headless" -eq 0 ]; then
    echo "== starting the utility on $DISPLAY"
    http_proxy=$proxy build/run-native/ondavox-utility
    echo "== the utility ended; the radio's files are in ${run#"$top"/}/radio/"
    exit 0
fi

width=560 height=800
start_virtual_display
# A session bus of the run's own, started once the display is known: the
# accessibility bus it starts on demand carries the dialog to the watcher.
session_bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null)
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$session_bus")
pids+=("$(sed -n 2p <<<"$session_bus")")

rm -rf "$shots"
mkdir -p "$shots"
echo "== starting the utility on a virtual display; screenshots go to $shots"
# The accessibility registry first, so the program finds it when it starts.
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); import pyatspi; pyatspi.Registry.getDesktop(0)' \
    >/dev/null 2>&1 || true
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 http_proxy=$proxy build/run-native/ondavox-utility </dev/null >/dev/null 2>&1 &
pids+=($!)

watch_command=(/usr/bin/python3 tools/atspi_driver/drive_program.py --watch 180)
click_command=(/usr/bin/python3 tools/atspi_driver/drive_program.py --click)
screenshot_each_stage
echo "== done; screenshots in $shots"
