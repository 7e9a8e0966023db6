#!/bin/sh
# Throughput of `azpack build` at one thread and at all cores, next to a plain
# single-threaded zlib level-9 compression of the same bytes, all measured in
# this run on a generated tree of about 200 MB (text-like, random, binary and
# a few files of tens of MB). Not a test: it asserts nothing about speed.
#
#   bench/azpack-bench.sh [AZPACK] [WORK_DIR]
#
# AZPACK defaults to build/host/tools/azpack/azpack; WORK_DIR to a fresh
# temporary folder, removed at the end unless given.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
azpack=${1:-$here/build/host/tools/azpack/azpack}
[ -x "$azpack" ] || { echo "azpack-bench: no azpack at $azpack (build the host preset first)" >&2; exit 1; }
if [ $# -ge 2 ]; then
  work=$2
  mkdir -p "$work"
  keep=1
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/azpack-bench.XXXXXX")
  keep=0
fi
cleanup() { [ "$keep" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT
cores=$(nproc)

echo "azpack-bench: generating the tree in $work/tree" >&2
rm -rf "$work/tree"
python3 - "$work/tree" <<'EOF'
import os, random, struct, sys

root = sys.argv[1]
rng = random.Random(20240607)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 11)))
         for _ in range(5000)]
weights = [1.0 / (rank + 1) for rank in range(len(words))]  # Zipf-like, as in prose

def text(size, seed):
    r = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        line = r.choices(words, weights, k=r.randint(6, 16))
        out += b" ".join(line) + (b".\n" if r.random() < 0.3 else b",\n")
    return bytes(out[:size])

names = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz_") for _ in range(rng.randint(3, 14)))
         for _ in range(300)]

def binary(size, seed):
    # Table rows: a counter, a small integer, a float, a padded name, a tail.
    r = random.Random(seed)
    out = bytearray()
    row = r.randint(0, 1 << 20)
    while len(out) < size:
        row += 1
        out += struct.pack("<IIf", row, r.getrandbits(20), r.random() * 1000.0)
        out += r.choice(names).ljust(16, b"\0") + r.randbytes(r.randint(0, 6))
    return bytes(out[:size])

def noise(size, seed):
    return random.Random(seed).randbytes(size)

def put(name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)

total = 0
for i in range(400):  # 80 MB of text in files of 50-350 KB
    size = 50_000 + (i * 7919) % 300_000
    put("docs/chapter%03d/page%04d.txt" % (i % 40, i), text(size, i))
    total += size
for i in range(40):  # 40 MB already compressed (random)
    put("media/clip%02d.jpg" % i, noise(1_000_000, 1000 + i))
for i in range(20):  # 40 MB structured binary
    put("data/table%02d.bin" % i, binary(2_000_000, 2000 + i))
# A few large files: tens of MB.
put("big/manual.txt", text(20_000_000, 3000))
put("big/database.bin", binary(15_000_000, 3001))
put("big/archive.zip", noise(10_000_000, 3002))
EOF

cat > "$work/zlib9.cpp" <<'EOF'
// Single-threaded zlib level 9 over the files named on standard input, each
// compressed whole with compress2 as one stream. Prints the input bytes, the
// output bytes, and the wall and CPU seconds spent compressing (reading
// excluded).
#include <zlib.h>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>
int main() {
    std::string path;
    unsigned long long in = 0, out = 0;
    double seconds = 0, cpu = 0;
    while (std::getline(std::cin, path)) {
        std::ifstream file(path, std::ios::binary);
        std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        std::vector<unsigned char> packed(compressBound(data.size()));
        uLongf length = packed.size();
        auto start = std::chrono::steady_clock::now();
        std::clock_t ticks = std::clock();
        if (compress2(packed.data(), &length, data.data(), data.size(), 9) != Z_OK) return 1;
        cpu += double(std::clock() - ticks) / CLOCKS_PER_SEC;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        in += data.size();
        out += length;
    }
    std::printf("%llu %llu %.3f %.3f\n", in, out, seconds, cpu);
    return 0;
}
EOF
c++ -O2 -o "$work/zlib9" "$work/zlib9.cpp" -lz

echo "azpack-bench: timing zlib -9 (one thread), azpack -j1 and azpack -j$cores" >&2
find "$work/tree" -type f | sort > "$work/files.txt"
python3 - "$azpack" "$work" "$cores" <<'EOF'
import os, resource, subprocess, sys, time

azpack, work, cores = sys.argv[1], sys.argv[2], int(sys.argv[3])


def measure(command, **kwargs):
    """Wall seconds, CPU seconds (user + system) and standard output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    done = subprocess.run(command, stdout=subprocess.PIPE, check=True, **kwargs)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout


def place(name):
    return os.path.join(work, name)


with open(place("files.txt"), "rb") as names:
    _, _, printed = measure([place("zlib9")], stdin=names)
size, zlib_out, zlib_seconds, zlib_cpu = printed.split()
size, zlib_out = int(size), int(zlib_out)
zlib_seconds, zlib_cpu = float(zlib_seconds), float(zlib_cpu)
one_wall, one_cpu, _ = measure([azpack, "build", place("tree"), "-o", place("one.az"), "-j1"])
all_wall, all_cpu, _ = measure([azpack, "build", place("tree"), "-o", place("all.az"),
                                "-j%d" % cores])
with open(place("one.az"), "rb") as a, open(place("all.az"), "rb") as b:
    if a.read() != b.read():
        sys.exit("azpack-bench: -j1 and -j%d payloads differ" % cores)
subprocess.run([azpack, "verify", place("all.az")], stdout=subprocess.DEVNULL, check=True)
payload = os.path.getsize(place("one.az"))
files = sum(1 for _ in open(place("files.txt"), "rb"))
mb = size / 1e6
zlib_rate = mb / zlib_seconds
print("tree: %d files, %.1f MB; %d cores; load average %.1f"
      % (files, mb, cores, os.getloadavg()[0]))
print("%-31s %7s %7s %7s %9s %8s %8s"
      % ("", "wall s", "cpu s", "MB/s", "MB/cpu-s", "out/in", "vs zlib"))
rows = [("zlib -9, one thread (compress)", zlib_seconds, zlib_cpu, zlib_out),
        ("azpack build -j1", one_wall, one_cpu, payload),
        ("azpack build -j%d" % cores, all_wall, all_cpu, payload)]
for label, wall, cpu, out in rows:
    print("%-31s %7.2f %7.2f %7.1f %9.1f %8.4f %8.2f"
          % (label, wall, cpu, mb / wall, mb / cpu, out / size, (mb / wall) / zlib_rate))
print("payload size / zlib output: %.4f; -j%d over -j1: %.2fx faster (wall)"
      % (payload / zlib_out, cores, one_wall / all_wall))
EOF
