#!/bin/sh
# The main job on the embedded sample: sets up the machine, builds the host
# build and the i686 shipping build (no tests are run), makes the sample
# installer from samples/product with azpack, runs it in a fresh Wine prefix
# and prints what it installed and where: files, shortcuts, registry entry,
# uninstall profile.
#
#   sh scripts/sample.sh            the i686 stub (what users get), under WoW64;
#                                   the x86_64 stub where 32-bit code cannot run
#   sh scripts/sample.sh win32      the i686 stub, or one line saying why not
#   sh scripts/sample.sh win64      the x86_64 stub
set -eu
cd "$(dirname "$0")/.."
windows=${1:-}
case "$windows" in
  "" | win32 | win64) ;;
  *) echo "usage: sh scripts/sample.sh [win32|win64]" >&2; exit 2 ;;
esac

sh scripts/setup.sh
if [ "$windows" != win64 ]; then
  reason=$(sh -c '. cmake/wine-common.sh; wine_32bit_unusable')
  if [ -n "$reason" ]; then
    if [ "$windows" = win32 ]; then
      echo "sample: the i686 installer cannot run here: $reason" >&2
      exit 1
    fi
    echo "sample: $reason; running the sample with the x86_64 installer instead" >&2
    windows=win64
  fi
fi
windows=${windows:-win32}
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows"
echo
exec /usr/bin/python3 -B tests/e2e/run_sample.py \
  --host-build build/host --windows-build "build/$windows" --out build/sample
