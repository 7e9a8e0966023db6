#!/bin/sh
# Sets up the machine, builds the three targets and runs every test: the host
# build's, then the x86_64 build's under wine64, then the i686 shipping
# build's under Wine's WoW64. All three are built before any test runs, since
# the mixed-bitness scenarios of each Windows build use the other's helpers.
# Fails when any build or test fails (an end-to-end group that fails gets one
# more run, and one that passes then is named); prints each ctest summary,
# then one line per build: passed, skipped (with the reason) or failed, and
# the scenarios that skipped themselves inside a passing group.
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh
status=0
built=""
for preset in host win64 win32; do
  if cmake --preset $preset >/dev/null && cmake --build --preset $preset; then
    built="$built $preset"
  else
    echo "test-all: the $preset build FAILED" >&2
    status=1
  fi
done
reason=$(sh -c '. cmake/wine-common.sh; wine_32bit_unusable')
if [ -n "$reason" ]; then
  echo "test-all: the win32 tests will be reported as skipped: $reason" >&2
fi

summary=""
add_line() { summary="$summary
test-all: $1"; }
for preset in host win64 win32; do
  case " $built " in
    *" $preset "*) ;;
    *) add_line "$preset: FAILED (the build failed; no test ran)"; continue ;;
  esac
  log="build/$preset/test-all.log"
  last="build/$preset/Testing/Temporary/LastTest.log"
  ctest_status=0
  ctest --preset $preset >"$log" 2>&1 || ctest_status=$?
  cat "$log"
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  skipped=$(grep -c '(Skipped)$' "$log" || true)
  # An end-to-end group runs real programs under Wine and Xvfb on a shared
  # machine, where Wine itself now and then fails to start a process. A
  # group that failed gets one more run; one that then passes is named in
  # the summary with its first failure above. Any other failure stands.
  second=""
  failing=$(sed -n '/The following tests FAILED:/,$s/^[[:space:]]*[0-9]* - \([^ ]*\) (.*/\1/p' "$log")
  if [ $ctest_status -ne 0 ] && [ -n "$failing" ] && ! echo "$failing" | grep -qv '^e2e_'; then
    cp "$last" "$last.first" 2>/dev/null || true
    echo "test-all: $preset: running again: $(echo $failing)"
    if ctest --preset $preset --rerun-failed >"$log.second" 2>&1; then
      ctest_status=0
      second=$(echo $failing)
    fi
    cat "$log.second"
    [ -f "$last.first" ] && mv "$last.first" "$last"
  fi
  if [ $ctest_status -ne 0 ]; then
    status=1
    failed=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    add_line "$preset: FAILED (${failed:-?} of ${total:-?} tests failed)"
  elif [ "${total:-0}" -gt 0 ] && [ "$skipped" -eq "$total" ]; then
    add_line "$preset: skipped (all $total tests): ${reason:-see the tests' output}"
  else
    line="$preset: passed (${total:-?} tests"
    [ "$skipped" -gt 0 ] && line="$line, $skipped skipped"
    add_line "$line)"
    [ -n "$second" ] && add_line "  $preset: passed only when run again (first failure above): $second"
  fi
  # Scenarios that skipped themselves inside a group, with their reasons.
  if [ -f "$last" ]; then
    reasons=$(sed -n "s/.*\.\.\. skipped '\(.*\)'\$/\1/p" "$last" | sort | uniq -c |
      sed 's/^ *\([0-9]*\) \(.*\)/\1 scenario(s) skipped: \2/')
    [ -n "$reasons" ] && summary="$summary
$(echo "$reasons" | sed "s/^/test-all:   $preset: /")"
  fi
done
echo "$summary" | sed '/^$/d'
if [ $status -ne 0 ]; then
  echo "test-all: FAILED" >&2
  exit 1
fi
echo "test-all: all builds and tests passed"
