#!/usr/bin/env bash
# Installs the packages the build and the tests need (Debian 12, as root).
# clang with its runtime libraries (libFuzzer, sanitizers) builds the fuzz
# targets; llvm brings llvm-symbolizer for readable sanitizer reports.
# libproxy-dev gives the Linux HTTP client the desktop's proxy settings; its
# GNOME plugin lets the test set them through GSettings.
# libsystemd-dev (sd-bus) lets the Linux volumes group ask UDisks2;
# dbus-daemon, python3-dbus and python3-gi run the scripted UDisks2 service
# of its tests; udisks2 and udev run the real service for them, with the radio
# a FAT32 image (dosfstools, mtools) mounted through fusefat where the kernel
# has no vfat.
# qt6-base-dev builds the Linux program and its tests (Qt's offscreen platform
# comes with it); a font lets Qt lay out and draw text.
# python3-pyatspi and at-spi2-core let the tests and the run command drive the
# Linux program over the accessibility bus, as a screen reader does; the
# session bus they need comes with dbus-daemon and its session configuration.
# python3 packs the release archive, unzip lets the test command look into it,
# and mobile-broadband-provider-info brings the copyright file of the carrier
# table's source for the release (and the database its generator reads).
# fonts-wine gives Wine its Tahoma, the font "MS Shell Dlg" is drawn in, and
# fonts-wqy-microhei the Chinese and Japanese letters, so the translated
# dialogs show whole and the tests measure what users see; locales has the
# locale sources that the tests compile (localedef) to start a program in
# another language; gettext's msgfmt checks the translations as translators'
# tools read them.
# Does nothing when every package is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    g++-mingw-w64-x86-64-posix
    googletest
    libcurl4-openssl-dev libssl-dev libproxy-dev libproxy1-plugin-gsettings
    qt6-base-dev fonts-dejavu-core
    wine wine64 dosfstools
    xvfb x11-apps netpbm
    clang libclang-rt-14-dev llvm
    dpkg-dev lintian
    libsystemd-dev dbus-daemon python3-dbus python3-gi
    udisks2 udev mtools fusefat
    python3-pyatspi at-spi2-core dbus-session-bus-common
    python3 unzip mobile-broadband-provider-info
    fonts-wine fonts-wqy-microhei locales gettext
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
