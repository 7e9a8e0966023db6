#!/bin/sh
# Install and build speed beside a peer installer, from nothing:
#
#   sh bench/install-bench.sh [--runs N] [--single-runs N] [--builder-rounds N]
#                             [--no-single] [--no-builder] [--tree DIR]
#   AZ_BENCH_BASELINE=STUB sh bench/install-bench.sh ...   before/after in one run
#
# Installs the packages (scripts/setup.sh), builds azpack and the floor tools
# for the host and the installer stub for win64 and i686 in build folders of
# its own (bench/out/build-*, Release; nothing else is built and no test is
# run), then runs bench/install_bench.py: a generated tree of about 2,000
# files and 200 MB packed by azpack and by NSIS (per-file and solid zlib),
# installed under Wine and Xvfb several times each, interleaved, beside the
# native floor, peak memory, the builder's throughput and the stub sizes, all
# in one table. Everything it makes stays in bench/out (AZ_BENCH_OUT to move
# it); trees, NSIS packages and the Wine template are reused by later runs.
# It asserts nothing about speed: it prints what it measured.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
out=${AZ_BENCH_OUT:-$here/bench/out}
mkdir -p "$out"

sh "$here/scripts/setup.sh"

build() {  # build NAME TARGETS [cmake arguments]
  name=$1 targets=$2
  shift 2
  dir="$out/build-$name"
  echo "install-bench: building $targets ($name)" >&2
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >"$out/build-$name.log" 2>&1 ||
    { cat "$out/build-$name.log" >&2; exit 1; }
  # shellcheck disable=SC2086
  cmake --build "$dir" --target $targets -j "$(nproc)" >>"$out/build-$name.log" 2>&1 ||
    { tail -n 40 "$out/build-$name.log" >&2; exit 1; }
}
build host "azpack az_payload az_base"
build win64 azsetup -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw-x86_64.cmake" \
  -DAZPACK_HOST="$out/build-host/tools/azpack/azpack"
build win32 azsetup -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw-i686.cmake"

c++ -O2 -std=c++17 -I "$here/src" -o "$out/native_floor" "$here/bench/native_floor.cpp" \
  "$out/build-host/src/payload/libaz_payload.a" "$out/build-host/src/base/libaz_base.a" -lz
c++ -O2 -o "$out/zlib9" "$here/bench/zlib9.cpp" -lz
cc -O2 -o "$out/run_timed" "$here/bench/run_timed.c"

exec python3 "$here/bench/install_bench.py" --out "$out" --host-build "$out/build-host" \
  --win64-build "$out/build-win64" --win32-build "$out/build-win32" "$@"
