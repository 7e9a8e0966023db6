#!/bin/sh
# Throughput of `azpack build` at one thread and at all cores, next to a plain
# single-threaded zlib level-9 compression of the same bytes, all measured in
# this run on the benchmark tree (bench/bench_tree.py: about 2,000 files,
# 200 MB of text-like, already compressed and binary content, a few files of
# tens of MB). Not a test: it asserts nothing about speed.
#
#   bench/azpack-bench.sh [AZPACK] [WORK_DIR]
#
# AZPACK defaults to build/host/tools/azpack/azpack; WORK_DIR to bench/out/azpack
# (the generated tree is kept there for the next run). The full comparison
# with a peer installer is bench/install-bench.sh.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
azpack=${1:-$here/build/host/tools/azpack/azpack}
work=${2:-$here/bench/out/azpack}
[ -x "$azpack" ] || { echo "azpack-bench: no azpack at $azpack (build the host preset first)" >&2; exit 1; }
mkdir -p "$work"

python3 "$here/bench/bench_tree.py" "$work/tree"
c++ -O2 -o "$work/zlib9" "$here/bench/zlib9.cpp" -lz
exec python3 "$here/bench/builder_rate.py" "$azpack" "$work/zlib9" "$work/tree/files" "$work/run" 3
