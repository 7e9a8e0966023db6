#!/bin/sh
# The main job on the embedded sample: sets up the machine, builds the host
# and win64 builds (no tests are run), makes the sample installer from
# samples/product with azpack, runs it in a fresh Wine prefix and prints what
# it installed and where: files, shortcuts, registry entry, uninstall profile.
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win64 >/dev/null
cmake --build --preset win64
echo
exec /usr/bin/python3 -B tests/e2e/run_sample.py \
  --host-build build/host --win64-build build/win64 --out build/sample
