#!/bin/sh
# Runs one Windows program under Wine (64-bit, or 32-bit under WoW64) on a private X server, in a throw-away
# copy of a template prefix, and passes its exit code through.
#
#   wine-run.sh --template DIR [--keep-prefix DIR] PROGRAM [ARGS...]
#
# The template is made once (wineboot) under a lock, so that parallel tests
# share the cost. Only processes this script started are stopped: the prefix's
# own wineserver (wineserver -k with WINEPREFIX set) and the Xvfb it launched.
# AZ_WINE_PREFIX_OUT, when set, names a folder into which the prefix is
# moved after the run instead of being deleted (for inspection by a caller).
set -u

template=""
while [ $# -gt 0 ]; do
  case "$1" in
    --template) template=$2; shift 2 ;;
    *) break ;;
  esac
done
[ -n "$template" ] && [ $# -gt 0 ] || {
  echo "usage: wine-run.sh --template DIR PROGRAM [ARGS...]" >&2
  exit 125
}

here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-common.sh"

# A 32-bit program on a machine that cannot run one is not a failure of the
# program: ctest reports it as skipped, with the reason.
if [ "$(wine_pe_bits "$1")" = 32 ]; then
  reason=$(wine_32bit_unusable)
  if [ -n "$reason" ]; then
    echo "SKIPPED: $reason" >&2
    exit $AZ_SKIP_CODE
  fi
fi

wine_ensure_template "$template" || exit 125
prefix=$(mktemp -d "${TMPDIR:-/tmp}/azwine.XXXXXX") || exit 125
wine_copy_prefix "$template" "$prefix" || { rm -rf "$prefix"; exit 125; }

xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX="$prefix" "$WINESERVER" -w >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ -n "${AZ_WINE_PREFIX_OUT:-}" ]; then
    rm -rf "$AZ_WINE_PREFIX_OUT" && mv "$prefix" "$AZ_WINE_PREFIX_OUT"
  else
    rm -rf "$prefix"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

xvfb_start || exit 125
WINEPREFIX="$prefix" DISPLAY=":$xvfb_display" "$WINE64" "$@"
rc=$?
exit $rc
