#!/bin/sh
# Sets up the machine, builds the three targets and runs every test.
# Fails when any build or test fails; prints each ctest summary.
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh
status=0
cmake --workflow --preset host || status=1
cmake --workflow --preset win64 || status=1
cmake --workflow --preset win32 || status=1
if [ $status -ne 0 ]; then
  echo "test-all: FAILED" >&2
  exit 1
fi
echo "test-all: all builds and tests passed"
