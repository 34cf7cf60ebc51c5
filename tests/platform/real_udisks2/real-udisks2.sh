#!/usr/bin/env bash
# The real UDisks2 service for the Linux discovery tests, on this computer's
# kernel but on a private system bus: Debian's system bus configuration with
# a socket of its own, udevd, a udev rule that makes loop devices over the
# test's images removable flash media with a serial of their own, udisksd,
# and a test-only mount.vfat helper (fusefat where the kernel has no vfat;
# it fails as mount does while the folder holds "refuse-mounts").
#
#   real-udisks2.sh start FOLDER          prints the bus address; needs root
#   real-udisks2.sh image FOLDER NAME     a FAT32 image with the radio's serial and a sample radio's files
#   real-udisks2.sh attach FOLDER NAME [ro] [LOOP]   prints the loop device
#   real-udisks2.sh detach FOLDER LOOP    the medium leaves; the loop's block device stays
#   real-udisks2.sh mount FOLDER LOOP     mounted through the service (as a desktop would)
#   real-udisks2.sh refuse FOLDER on|off  the helper refuses every mount, or mounts again
#   real-udisks2.sh release FOLDER        unmounts and detaches the test's loops, mounts allowed again
#   real-udisks2.sh stop FOLDER           release, then ends every process started, removes rule and helper
#
# FOLDER holds every file and the PIDs; stop may be called after a partial
# start.
set -uo pipefail

command=${1:?command}
folder=${2:?folder}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
source_root=$(cd "$here/../../.." && pwd)
helper=/usr/sbin/mount.vfat
helper_mark="# ondavox test-only mount helper"
rule=/run/udev/rules.d/90-ondavox-test-$(basename "$folder").rules

fail() { echo "real-udisks2: $*" >&2; exit 1; }

wait_for() {  # seconds, command...
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

block_path() { echo "/org/freedesktop/UDisks2/block_devices/$(basename "$1")"; }

has_vfat() {  # the service knows the loop's file system
    busctl --system get-property org.freedesktop.UDisks2 "$(block_path "$1")" \
        org.freedesktop.UDisks2.Block IdType 2>/dev/null | grep -q '"vfat"'
}

start() {
    [ "$(id -u)" = 0 ] || fail "needs root (loop devices, udevd, udisksd)"
    for tool in /lib/systemd/systemd-udevd /usr/libexec/udisks2/udisksd fusefat mkfs.vfat mcopy losetup busctl; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-dependencies.sh)"
    done
    if [ -e "$helper" ] && ! grep -q "$helper_mark" "$helper"; then
        fail "$helper is there already and is not the test's"
    fi
    pgrep -x systemd-udevd >/dev/null && fail "a udevd runs already; the test starts its own"
    mkdir -p "$folder"

    # The bus: Debian's system configuration with a socket of its own.
    sed -e '/<user>/d' -e '/<fork\/>/d' -e '/<standard_system_servicedirs\/>/d' \
        -e '/<servicehelper>/d' -e '/<pidfile>/d' -e '/<syslog\/>/d' \
        -e "s|<listen>.*</listen>|<listen>unix:path=$folder/system_bus_socket</listen>|" \
        -e 's|<includedir>system.d</includedir>|<includedir>/usr/share/dbus-1/system.d</includedir>|' \
        /usr/share/dbus-1/system.conf >"$folder/system-bus.conf"
    dbus-daemon --config-file="$folder/system-bus.conf" --nofork --nopidfile >"$folder/bus.log" 2>&1 &
    echo $! >"$folder/bus.pid"
    wait_for 10 test -S "$folder/system_bus_socket" || fail "the bus did not start: $(cat "$folder/bus.log")"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system_bus_socket"

    # udev with the rule for the test's loop devices.
    mkdir -p "$(dirname "$rule")"
    printf 'SUBSYSTEM=="block", KERNEL=="loop*", ATTR{loop/backing_file}=="%s/*", ENV{ID_SERIAL}="ONDAVOX_TEST_%%k", ENV{ID_DRIVE_FLASH_SD}="1"\n' \
        "$folder" >"$rule"
    /lib/systemd/systemd-udevd >"$folder/udevd.log" 2>&1 &
    echo $! >"$folder/udevd.pid"
    wait_for 10 udevadm control --ping || fail "udevd did not start: $(cat "$folder/udevd.log")"
    udevadm control --reload

    # The helper: fusefat where the kernel has no vfat, the kernel's vfat otherwise.
    cat >"$helper" <<HELPER
#!/bin/sh
$helper_mark: installed and removed by tests/platform/real_udisks2/real-udisks2.sh
device=\$1
mount_point=\$2
if [ -e "$folder/refuse-mounts" ]; then
    echo "mount: \$mount_point: permission denied." >&2
    exit 32
fi
shift 2
if grep -qw vfat /proc/filesystems; then
    exec mount -i -t vfat "\$@" "\$device" "\$mount_point"
fi
mode=rw+
[ "\$(blockdev --getro "\$device")" = 1 ] && mode=ro
exec fusefat -o "blkdev,fsname=\$device,\$mode" "\$device" "\$mount_point"
HELPER
    chmod 755 "$helper"

    /usr/libexec/udisks2/udisksd --no-sigint >"$folder/udisksd.log" 2>&1 &
    echo $! >"$folder/udisksd.pid"
    wait_for 20 busctl --system status org.freedesktop.UDisks2 || fail "udisksd did not start: $(cat "$folder/udisksd.log")"
    echo "$DBUS_SYSTEM_BUS_ADDRESS"
}

image() {
    local name=${1:?name}
    local path="$folder/$name.img"
    truncate -s 64M "$path" &&
        mkfs.vfat -F 32 -i ECE22CF8 -n ONDAVOX "$path" >/dev/null &&
        MTOOLS_SKIP_CHECK=1 mcopy -s -i "$path" "$source_root"/simulator/radios/hxa-v2/* ::/ ||
        fail "cannot make $path"
}

attach() {
    local name=${1:?name} mode=${2:-rw} loop=${3:-}
    local options=(--show)
    [ "$mode" = ro ] && options+=(-r)
    if [ -n "$loop" ]; then
        losetup "${options[@]}" "$loop" "$folder/$name.img" >/dev/null || fail "cannot attach to $loop"
    else
        loop=$(losetup --find "${options[@]}" "$folder/$name.img") || fail "cannot attach $name"
    fi
    echo "$loop" >>"$folder/loops"
    # udisksd makes a drive only on an add event; attaching sends a change.
    udevadm trigger --action=add --sysname-match="$(basename "$loop")" && udevadm settle
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system_bus_socket" wait_for 10 has_vfat "$loop" ||
        fail "udisksd does not show the file system on $loop"
    echo "$loop"
}

detach() {
    local loop=${1:?loop}
    losetup -d "$loop" && udevadm settle
}

mount_by_service() {
    local loop=${1:?loop}
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system_bus_socket" busctl --system call org.freedesktop.UDisks2 \
        "$(block_path "$loop")" org.freedesktop.UDisks2.Filesystem Mount 'a{sv}' 0
}

stop_pid() {
    local file="$folder/$1.pid"
    [ -f "$file" ] || return 0
    local pid
    pid=$(cat "$file")
    kill "$pid" 2>/dev/null && wait_for 10 sh -c "! kill -0 $pid 2>/dev/null"
    kill -9 "$pid" 2>/dev/null
    rm -f "$file"
}

release() {
    # Unmount what the service mounted from the test's loops, then let the loops go.
    rm -f "$folder/refuse-mounts"
    if [ -f "$folder/loops" ]; then
        for loop in $(sort -u "$folder/loops"); do
            # Through the service first, so it forgets the mount and its folder.
            DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system_bus_socket" busctl --system call \
                org.freedesktop.UDisks2 "$(block_path "$loop")" org.freedesktop.UDisks2.Filesystem Unmount \
                'a{sv}' 1 force b true >/dev/null 2>&1
            grep "^$loop " /proc/mounts | while read -r _ mount_point _; do
                umount "$mount_point" 2>/dev/null || umount -l "$mount_point" 2>/dev/null
                rmdir "$mount_point" 2>/dev/null
            done
            losetup "$loop" 2>/dev/null | grep -q "$folder/" && losetup -d "$loop"
        done
        rm -f "$folder/loops"
    fi
    udevadm settle 2>/dev/null
    return 0
}

stop() {
    release
    stop_pid udisksd
    stop_pid udevd
    stop_pid bus
    rm -f "$rule"
    if [ -e "$helper" ] && grep -q "$helper_mark" "$helper"; then
        rm -f "$helper"
    fi
    return 0
}

case $command in
    start) start ;;
    image) image "$@" ;;
    attach) attach "$@" ;;
    detach) detach "$@" ;;
    mount) mount_by_service "$@" ;;
    refuse) if [ "${1:?on or off}" = on ]; then touch "$folder/refuse-mounts"; else rm -f "$folder/refuse-mounts"; fi ;;
    release) release ;;
    stop) stop ;;
    *) fail "unknown command $command" ;;
esac
