#!/bin/sh
# Runs a command that runs Windows programs of the given bitness under Wine,
# or tells ctest that it is skipped (exit 77, with the reason) when this
# machine cannot run them.
#
#   wine-gate.sh 32|64 COMMAND [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-common.sh"
bits=$1
shift
if [ "$bits" = 32 ]; then
  reason=$(wine_32bit_unusable)
  if [ -n "$reason" ]; then
    echo "SKIPPED: $reason" >&2
    exit $AZ_SKIP_CODE
  fi
fi
exec "$@"
