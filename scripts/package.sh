#!/bin/sh
# Makes the Debian package build/host/package/azsetup_<version>_amd64.deb:
# azpack from the host build, the stubs and uninstallers from the win32 and
# win64 builds (all three built here first).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
for preset in host win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
cd build/host
cpack -G DEB
