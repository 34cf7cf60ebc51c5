#!/usr/bin/env bash
# The release command. Builds the Windows program in Release (static,
# stripped, without unused code, reproducible) and writes the release into one
# folder, build/release/ unless another is given:
#
#   ondavox-utility-<version>-windows-x64.zip            ondavox.exe, ondavox-cli.exe,
#                                                        README.txt for users,
#                                                        licenses/
#   ondavox-utility-<version>-windows-x64-build-record.txt
#                                                        commit, tools, settings,
#                                                        section sizes
#   linux/ondavox-utility_<version>_<arch>.deb           with --with-deb only
#   SHA256SUMS                                           every file above
#
# Debian 12, as root (installs what it needs). docs/release.md describes the
# release, how to check it and what makes it reproducible.
set -euo pipefail

usage() {
    cat <<'TEXT'
Usage: scripts/make-release.sh [options] [folder]

Builds the Windows program for release and writes the archive, its build
record and SHA256SUMS into folder (default: build/release/, emptied first; a
folder given here must be empty or not exist yet).

  --update-host HOST      the update server's host name built in
                          (CMake's ONDAVOX_UPDATE_HOST; default: its default)
  --maker-address ADDR    the maker's web address built in
                          (CMake's ONDAVOX_MAKER_ADDRESS; default: its default)
  --with-deb              also build the Linux package with scripts/make-deb.sh
                          and put it into folder/linux/
  --help                  this text

The archive's dates are the commit's time (SOURCE_DATE_EPOCH, taken from
git unless set).
TEXT
}

out= update_host= maker_address= with_deb=0
while [ $# -gt 0 ]; do
    case "$1" in
    --update-host) update_host=${2:?--update-host needs a host name}; shift ;;
    --maker-address) maker_address=${2:?--maker-address needs an address}; shift ;;
    --with-deb) with_deb=1 ;;
    --help | -h) usage; exit 0 ;;
    -*) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    *) [ -z "$out" ] || { echo "one folder only" >&2; exit 2; }; out=$1 ;;
    esac
    shift
done

top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "$out" ]; then
    out="$top/build/release"
    rm -rf "$out"
elif [ -e "$out" ] && { [ ! -d "$out" ] || [ -n "$(ls -A "$out")" ]; }; then
    echo "$out is not an empty folder" >&2
    exit 2
fi
# A folder given relative to where the command was started.
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$top"

scripts/install-dependencies.sh

# The commit and its time. Outside a git checkout (a copy of the tree) the
# time must be given.
commit="none (not a git checkout)"
if git -C "$top" rev-parse --verify -q HEAD >/dev/null 2>&1; then
    commit=$(git -C "$top" rev-parse HEAD)
    if [ -n "$(git -C "$top" status --porcelain --untracked-files=no)" ]; then
        commit="$commit with uncommitted changes"
        echo "warning: the tree has uncommitted changes; the build record says so" >&2
    fi
    : "${SOURCE_DATE_EPOCH:=$(git -C "$top" log -1 --format=%ct)}"
fi
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "not a git checkout: set SOURCE_DATE_EPOCH" >&2
    exit 2
fi
export SOURCE_DATE_EPOCH
# Everything below that sorts or formats does so the same way on every machine.
export LC_ALL=C TZ=UTC

# The build, in a folder of its own inside the tree (the program does not
# depend on where the tree is: ONDAVOX_RELEASE maps the paths away). A setting
# not given is taken out of the cache, so CMakeLists.txt's default applies.
build="$top/build/release-windows"
settings=()
if [ -n "$update_host" ]; then settings+=("-DONDAVOX_UPDATE_HOST=$update_host"); else settings+=(-UONDAVOX_UPDATE_HOST); fi
if [ -n "$maker_address" ]; then settings+=("-DONDAVOX_MAKER_ADDRESS=$maker_address"); else settings+=(-UONDAVOX_MAKER_ADDRESS); fi
echo "== building the Windows program for release in build/release-windows"
mkdir -p "$build"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DONDAVOX_RELEASE=ON -DONDAVOX_TESTS=OFF "${settings[@]}" &&
    cmake --build "$build" -j "$(nproc)" --target ondavox ondavox-cli; } >"$build/build.log" 2>&1; then
    tail -n 60 "$build/build.log"
    exit 1
fi

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(sed -n 's/^#define ONDAVOX_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/ondavox_version.h")
name="ondavox-utility-$version-windows-x64"

# The Linux package, built before anything is written, so that a failure
# leaves no half release.
deb=
if [ "$with_deb" -eq 1 ]; then
    echo "== building the Linux package (scripts/make-deb.sh)"
    if ! deb=$(scripts/make-deb.sh | tail -n 1) || [ ! -f "$deb" ]; then
        echo "the Linux package could not be built (scripts/make-deb.sh); no release written" >&2
        exit 1
    fi
    case "$(basename "$deb")" in
    "ondavox-utility_${version}_"*.deb) ;;
    *) echo "scripts/make-deb.sh made $deb, not version $version; no release written" >&2; exit 1 ;;
    esac
fi

# The archive's folder: the program, the command-line program, the README for users and the licence
# texts of what the program contains (licenses/README.txt says which is which).
stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage/$name/licenses"
cp "$build/ondavox.exe" "$build/ondavox-cli.exe" "$build/release/README.txt" "$stage/$name/"
cp "$build/release/licenses/README.txt" "$stage/$name/licenses/"
cp /usr/share/doc/mobile-broadband-provider-info/copyright "$stage/$name/licenses/mobile-broadband-provider-info-copyright.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/$name/licenses/gcc-mingw-w64-copyright.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/$name/licenses/GPL-3.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/$name/licenses/mingw-w64-copyright.txt"
/usr/bin/python3 packaging/windows/make_zip.py "$out/$name.zip" "$stage/$name"

# The build record: plain text, no path of this machine and no time but the
# commit's, so that it too comes out the same for the same commit.
package_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"; }
first_line() { "$@" 2>&1 | head -n 1; }
# One compilation's and the program's link flags as the build ran them, with
# this tree's path shown as <tree>.
ninja_value() {  # target output, variable
    awk -v target="build $1:" -v variable="  $2 = " '
        index($0, target) == 1 { inside = 1; next }
        inside && index($0, variable) == 1 { print substr($0, length(variable) + 1); exit }
        inside && !/^  / { inside = 0 }' "$build/build.ninja" | sed "s|$top|<tree>|g"
}
{
    echo "Build record: Brelvan Ondavox Utility $version for Windows x64"
    echo
    echo "commit:             $commit"
    echo "commit time:        $SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')), SOURCE_DATE_EPOCH"
    if [ -n "$deb" ]; then
        echo "Linux package:      linux/$(basename "$deb"), by scripts/make-deb.sh from the same tree"
    else
        echo "Linux package:      none (made with --with-deb only)"
    fi
    echo
    echo "Tools"
    echo "  compiler:         $(first_line x86_64-w64-mingw32-g++-posix --version)"
    echo "  linker:           $(first_line x86_64-w64-mingw32-ld --version)"
    echo "  resources:        $(first_line x86_64-w64-mingw32-windres --version)"
    echo "  build:            $(first_line cmake --version), ninja $(ninja --version)"
    echo "  archive:          $(/usr/bin/python3 -c 'import sys, zlib; print("Python", sys.version.split()[0], "zipfile, zlib", zlib.ZLIB_RUNTIME_VERSION)')"
    echo "  Debian packages:  g++-mingw-w64-x86-64-posix $(package_version g++-mingw-w64-x86-64-posix)," \
        "gcc-mingw-w64-x86-64-posix-runtime $(package_version gcc-mingw-w64-x86-64-posix-runtime)," \
        "mingw-w64-x86-64-dev $(package_version mingw-w64-x86-64-dev)," \
        "binutils-mingw-w64-x86-64 $(package_version binutils-mingw-w64-x86-64)"
    echo
    echo "Build settings"
    echo "  CMAKE_BUILD_TYPE:       $(cache CMAKE_BUILD_TYPE)"
    echo "  ONDAVOX_RELEASE:        $(cache ONDAVOX_RELEASE)"
    echo "  ONDAVOX_UPDATE_HOST:    $(cache ONDAVOX_UPDATE_HOST)"
    echo "  ONDAVOX_MAKER_ADDRESS:  $(cache ONDAVOX_MAKER_ADDRESS)"
    echo "  compile (carrier_data.cpp):"
    echo "    $(ninja_value carriers/CMakeFiles/ondavox_carriers.dir/carrier_data.cpp.obj FLAGS)"
    echo "  link (ondavox.exe):"
    echo "    $(ninja_value ondavox.exe LINK_FLAGS) $(ninja_value ondavox.exe LINK_LIBRARIES)"
    echo
    /usr/bin/python3 packaging/windows/size_report.py "$build/ondavox.exe" "$build/ondavox.map" "$out/$name.zip" x86_64-w64-mingw32-objdump
} >"$out/$name-build-record.txt"

if [ -n "$deb" ]; then
    mkdir -p "$out/linux"
    cp "$deb" "$out/linux/"
fi

( cd "$out" && find . -type f ! -name SHA256SUMS -printf '%P\n' | sort | xargs -d '\n' sha256sum >SHA256SUMS )
echo "== release $version in $out:"
( cd "$out" && find . -type f -printf '%P\n' | sort | xargs -d '\n' ls -l )
