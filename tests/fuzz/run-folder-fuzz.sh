#!/bin/sh
# Builds the folder template fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a bounded
# time on one core.
#
#   sh tests/fuzz/run-folder-fuzz.sh [SECONDS] [FOLDER] [-- LIBFUZZER OPTIONS]
#
# SECONDS defaults to 30; FOLDER (default build/fuzz in the checkout) holds
# the program, the growing corpus (folder_corpus/) and any finding
# (folder_findings/). Exits non-zero on any finding.
set -eu

seconds=${1:-30}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${2:-$root/build/fuzz}
[ $# -ge 2 ] && shift 2 || shift $#
[ "${1:-}" = "--" ] && shift
cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for candidate in clang++-14 clang++; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
  done
fi
[ -n "$cxx" ] || { echo "run-folder-fuzz: no clang++ found" >&2; exit 2; }

mkdir -p "$out/folder_corpus" "$out/folder_findings"
target="$out/folder_template_fuzz"
sources=$(ls "$root"/src/base/*.cpp)
for f in folders/folder_path.cpp folders/folder_template.cpp shell/link_name.cpp; do
  sources="$sources $root/src/system/$f"
done

# Rebuilt only when a source or header changed since the last build.
if [ ! -x "$target" ] || [ -n "$(find "$root/src/base" "$root/src/system" "$root/tests/fuzz" \
     -newer "$target" \( -name '*.cpp' -o -name '*.h' \) | head -1)" ]; then
  echo "run-folder-fuzz: building $target"
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/src" $sources "$root/tests/fuzz/folder_template_fuzz.cpp" -o "$target"
fi

status=0
ASAN_OPTIONS=detect_leaks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
"$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/tests/fuzz/folder_template.dict" \
  -artifact_prefix="$out/folder_findings/" -print_final_stats=1 "$@" \
  "$out/folder_corpus" || status=$?
[ $status -eq 0 ] || echo "run-folder-fuzz: FINDING (exit $status), see $out/folder_findings/" >&2
exit $status
