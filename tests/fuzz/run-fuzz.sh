#!/bin/sh
# Builds the payload fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time on one core.
#
#   sh tests/fuzz/run-fuzz.sh [SECONDS] [FOLDER]
#
# SECONDS defaults to 60; FOLDER (default build/fuzz in the checkout) holds
# the programs, the seeds, the growing corpus and any finding (findings/).
# Exits non-zero on any finding (crash, leak, timeout, memory limit).
# A long run: sh tests/fuzz/run-fuzz.sh 3600
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${2:-$root/build/fuzz}
cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for candidate in clang++-14 clang++; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
  done
fi
[ -n "$cxx" ] || { echo "run-fuzz: no clang++ found" >&2; exit 2; }

mkdir -p "$out/seeds" "$out/corpus" "$out/findings"
target="$out/payload_fuzz"
seeder="$out/make_seeds"
base_sources=$(ls "$root"/src/base/*.cpp)
payload_sources="chunk.cpp entry_index.cpp extract.cpp index_cursor.cpp index_file.cpp
  page_cache.cpp page_io.cpp payload_checksum.cpp payload_reader.cpp resource_copy_none.cpp"
sources="$base_sources"
for f in $payload_sources; do sources="$sources $root/src/payload/$f"; done

# Rebuilt only when a source or header changed since the last build.
stale() {
  [ ! -x "$1" ] && return 0
  [ -n "$(find "$root/src" "$root/tests/fuzz" "$root/tests/payload" -newer "$1" \
        \( -name '*.cpp' -o -name '*.h' \) | head -1)" ]
}
if stale "$target"; then
  echo "run-fuzz: building $target"
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/src" $sources "$root/tests/fuzz/payload_fuzz.cpp" -lz -o "$target"
fi
if stale "$seeder"; then
  "$cxx" -std=c++17 -O1 -I"$root/src" -I"$root/tests/payload" \
    "$root/tests/fuzz/make_seeds.cpp" "$root/tests/payload/payload_builder.cpp" -lz -o "$seeder"
fi
"$seeder" "$out/seeds"

# Scratch files go to memory when it can be had.
scratch_base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_base=/dev/shm
scratch=$(mktemp -d "$scratch_base/azfuzz-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
TMPDIR=$scratch \
ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
"$target" -max_total_time="$seconds" -max_len=32768 -timeout=10 -rss_limit_mb=4096 \
  -artifact_prefix="$out/findings/" -print_final_stats=1 \
  "$out/corpus" "$out/seeds" || status=$?
[ $status -eq 0 ] || echo "run-fuzz: FINDING (exit $status), see $out/findings/" >&2
exit $status
