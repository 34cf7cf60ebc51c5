#!/usr/bin/env bash
# Builds the Linux program and the command-line program in Release and packs
# them as a Debian package:
# build/package/ondavox-utility_<version>_<arch>.deb, then checks it with
# lintian. Debian 12, as root (installs what it needs). Prints the package's
# path last.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-dependencies.sh >&2

cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DONDAVOX_TESTS=OFF >&2
cmake --build build/package -j "$(nproc)" --target ondavox-utility ondavox-cli ondavox_package_changelog ondavox_package_manual >&2
( cd build/package && cpack -G DEB >&2 )
package=$(ls -t build/package/ondavox-utility_*.deb | head -n 1)
# Errors fail the build; warnings and notes are shown.
lintian --fail-on error --tag-display-limit 0 "$package" >&2
echo "$top/$package"
