#!/bin/sh
# Makes the Debian package build/host/package/azsetup_<version>_amd64.deb:
# azpack from the host build, the stubs and uninstallers from the win32 and
# win64 builds. Only what the package holds is built (no test programs):
# azpack, its manual page and installed README, and per Windows build the
# installer stub and the uninstaller.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target azsetup tavuuninstall
done
# CPack installs without building the whole tree first.
cmake --preset host -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build --preset host --target azpack azpack_man azpack_readme
cd build/host
cpack -G DEB
