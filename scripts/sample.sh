#!/bin/sh
# The main job on the embedded sample: sets up the machine, builds the host
# build and the i686 shipping build (no tests are run), makes the sample
# installer from samples/product with azpack, runs it in a fresh Wine prefix
# and prints what it installed and where: files, shortcuts, registry entry,
# uninstall profile.
#
#   sh scripts/sample.sh            the i686 stub (what users get), under WoW64
#   sh scripts/sample.sh win64      the x86_64 stub
set -eu
cd "$(dirname "$0")/.."
windows=${1:-win32}
case "$windows" in
  win32 | win64) ;;
  *) echo "usage: sh scripts/sample.sh [win32|win64]" >&2; exit 2 ;;
esac

sh scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows"
echo
exec /usr/bin/python3 -B tests/e2e/run_sample.py \
  --host-build build/host --windows-build "build/$windows" --out build/sample
