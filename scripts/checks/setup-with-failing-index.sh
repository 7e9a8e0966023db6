#!/bin/sh
# On demand, as root, never in CI (it changes this machine's apt sources and
# removes a package for a moment): shows that scripts/setup.sh still installs
# a missing package while one package index fails to download.
#
#   sh scripts/checks/setup-with-failing-index.sh [PACKAGE]   (default liblnk-utils)
#
# A local source whose Release file promises another Packages file makes
# `apt-get update` fail with "Hash Sum mismatch" and exit 100, as a mirror
# caught mid-sync does. The source is removed again on every way out.
set -eu
cd "$(dirname "$0")/../.."
package=${1:-liblnk-utils}
[ "$(id -u)" -eq 0 ] || { echo "check: needs root" >&2; exit 2; }

repo=$(mktemp -d)
list=/etc/apt/sources.list.d/az-failing-index.list
restore() {
  rm -f "$list"
  rm -rf "$repo"
  apt-get update -qq >/dev/null 2>&1 || true
}
trap restore EXIT
trap 'exit 130' INT TERM

mkdir -p "$repo/dists/bookworm/main/binary-amd64"
echo "Package: az-nothing" >"$repo/dists/bookworm/main/binary-amd64/Packages"
cat >"$repo/dists/bookworm/Release" <<RELEASE
Suite: bookworm
Codename: bookworm
Architectures: amd64
Components: main
SHA256:
 0000000000000000000000000000000000000000000000000000000000000000 999 main/binary-amd64/Packages
RELEASE
echo "deb [trusted=yes arch=amd64] file:$repo bookworm main" >"$list"

echo "check: removing $package, then running scripts/setup.sh with a failing index" >&2
dpkg -r "$package" >/dev/null
AZ_SETUP_UPDATE_TRIES=${AZ_SETUP_UPDATE_TRIES:-2} sh scripts/setup.sh
if dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii'; then
  echo "check: passed: $package is installed again"
else
  echo "check: FAILED: $package was not installed again" >&2
  exit 1
fi
