#!/bin/sh
# Throughput of `azpack build` at one thread and at all cores, next to a plain
# single-threaded zlib level-9 compression of the same bytes, all measured in
# this run on the benchmark tree (bench/bench_tree.py: about 2,000 files,
# 200 MB of text-like, already compressed and binary content, a few files of
# tens of MB). Not a test: it asserts nothing about speed.
#
# Then the installers' size and build time with zlib (levels 9 and 6, an
# azpack built without libdeflate in WORK_DIR/build-zlib) and with
# libdeflate (levels 6, 9, 10, 12) beside makensis (zlib and solid LZMA) on
# the same tree (bench/size_table.py).
#
#   bench/azpack-bench.sh [AZPACK] [WORK_DIR] [TREE]
#
# AZPACK defaults to build/host/tools/azpack/azpack; WORK_DIR to bench/out/azpack
# (the generated tree is kept there for the next run); TREE, when given, is
# measured instead of the generated tree (a small one for a quick check).
# The stub is build/win32's. The full comparison with a peer installer at
# install time is bench/install-bench.sh.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
azpack=${1:-$here/build/host/tools/azpack/azpack}
work=${2:-$here/bench/out/azpack}
[ -x "$azpack" ] || { echo "azpack-bench: no azpack at $azpack (build the host preset first)" >&2; exit 1; }
mkdir -p "$work"

tree=${3:-}
if [ -z "$tree" ]; then
  python3 "$here/bench/bench_tree.py" "$work/tree"
  tree=$work/tree/files
fi
stub=$here/build/win32/src/app/azsetup.exe
[ -f "$stub" ] || { echo "azpack-bench: no stub at $stub (build the win32 preset first)" >&2; exit 1; }
c++ -O2 -o "$work/zlib9" "$here/bench/zlib9.cpp" -lz
python3 "$here/bench/builder_rate.py" "$azpack" "$work/zlib9" "$tree" "$work/run" 3
echo "azpack-bench: building an azpack without libdeflate" >&2
cmake -S "$here" -B "$work/build-zlib" -DCMAKE_BUILD_TYPE=Release -DAZPACK_USE_LIBDEFLATE=OFF \
  >"$work/build-zlib.log" 2>&1 &&
  cmake --build "$work/build-zlib" --target azpack -j "$(nproc)" >>"$work/build-zlib.log" 2>&1 ||
  { tail -n 30 "$work/build-zlib.log" >&2; exit 1; }
python3 "$here/bench/size_table.py" "$azpack" "$work/build-zlib/tools/azpack/azpack" "$stub" \
  "$tree" "$work/sizes" 3
