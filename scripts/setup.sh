#!/bin/sh
# Installs, as root on Debian 12, every package that the builds and tests need.
# Quiet, and quick when everything is already there.
#
# Wine comes in both halves: wine64 for the x86_64 build and wine32 (i386
# architecture) for the i686 shipping build, which runs under WoW64 in the
# same 64-bit prefixes. A kernel that cannot run 32-bit code still gets the
# packages; the win32 tests then report themselves as skipped.
set -eu

packages="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 wine32:i386 xvfb xauth liblnk-utils python3-pefile nsis osslsigncode
  cmake g++ make zlib1g-dev libgtest-dev googletest clang libclang-rt-14-dev"

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
case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
  *" i386 "*) ;;
  *) dpkg --add-architecture i386 ;;
esac
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
