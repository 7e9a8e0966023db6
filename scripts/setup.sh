#!/bin/sh
# Installs, as root on Debian 12, every package that the builds and tests need.
# Quiet, and quick when everything is already there.
set -eu

packages="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth liblnk-utils python3-pefile nsis
  cmake g++ make zlib1g-dev libgtest-dev googletest clang libclang-rt-14-dev
  osslsigncode openssl dpkg-dev"

missing=""
for p in $packages; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  case "$status" in
    ii*) ;;
    *) missing="$missing $p" ;;
  esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root:$missing" >&2
  exit 1
fi
echo "setup: installing$missing" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
