#!/bin/sh
# Sets up the machine, builds the three targets and runs every test: the host
# build's, then the x86_64 build's under wine64, then the i686 shipping
# build's under Wine's WoW64. All three are built before any test runs, since
# the mixed-bitness scenarios of each Windows build use the other's helpers.
# Fails when any build or test fails; prints each ctest summary.
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh
status=0
for preset in host win64 win32; do
  { cmake --preset $preset >/dev/null && cmake --build --preset $preset; } || {
    echo "test-all: the $preset build FAILED" >&2
    status=1
  }
done
reason=$(sh -c '. cmake/wine-common.sh; wine_32bit_unusable')
if [ -n "$reason" ]; then
  echo "test-all: the win32 tests will be reported as skipped: $reason" >&2
fi
for preset in host win64 win32; do
  ctest --preset $preset || status=1
done
if [ $status -ne 0 ]; then
  echo "test-all: FAILED" >&2
  exit 1
fi
echo "test-all: all builds and tests passed"
