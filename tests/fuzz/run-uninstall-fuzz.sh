#!/bin/sh
# Builds the uninstall profile fuzz target with clang (libFuzzer, ASan,
# UBSan) and runs it for a bounded time on one core.
#
#   sh tests/fuzz/run-uninstall-fuzz.sh [SECONDS] [FOLDER]
#
# A long run: sh tests/fuzz/run-uninstall-fuzz.sh 3600
set -eu

seconds=${1:-30}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${2:-$root/build/fuzz}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
cxx=${FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for candidate in clang++-14 clang++; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx=$candidate; break; fi
  done
fi
[ -n "$cxx" ] || { echo "run-uninstall-fuzz: no clang++ found" >&2; exit 2; }

mkdir -p "$out/uninstall_corpus" "$out/uninstall_findings"
target="$out/uninstall_profile_fuzz"
sources=$(ls "$root"/src/base/*.cpp)
for f in program/command_line.cpp program/outcome.cpp rules/folder_set.cpp rules/path_list.cpp \
         rules/path_rules.cpp rules/profile_reader.cpp rules/record_names.cpp \
         rules/removal_plan.cpp; do
  sources="$sources $root/src/uninstall/$f"
done
seed="$out/uninstall_corpus/installer_layout.ini"
[ -f "$seed" ] || printf '[FILES]\r\nC:\\Program Files\\P\\A.TXT=1\r\nC:\\users\\u\\Desktop\\P.LNK=1\r\n[HKLM]\r\nSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P=\r\n[DIRS]\r\nC:\\Program Files\\P=1\r\n' > "$seed"

if [ ! -x "$target" ] || [ -n "$(find "$root/src/base" "$root/src/uninstall" "$root/tests/fuzz" \
     -newer "$target" \( -name '*.cpp' -o -name '*.h' \) | head -1)" ]; then
  echo "run-uninstall-fuzz: building $target"
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/src" $sources "$root/tests/fuzz/uninstall_profile_fuzz.cpp" -o "$target"
fi

status=0
ASAN_OPTIONS=detect_leaks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
"$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/uninstall_findings/" -print_final_stats=1 "$@" \
  "$out/uninstall_corpus" || status=$?
[ $status -eq 0 ] || echo "run-uninstall-fuzz: FINDING (exit $status), see $out/uninstall_findings/" >&2
exit $status
