#!/bin/sh
# Installs, as root on Debian 12, every package that the builds and tests need.
# Quiet, and quick when everything is already there.
#
# Wine comes in both halves: wine64 for the x86_64 build and wine32 (i386
# architecture) for the i686 shipping build, which runs under WoW64 in the
# same 64-bit prefixes. A kernel that cannot run 32-bit code still gets the
# packages; the win32 tests then report themselves as skipped.
#
# Mirrors are sometimes caught mid-sync: an index that fails to download is
# retried, then left out (named in one line), and the rest is installed from
# the indexes that did arrive. When the i386 half cannot be had that way
# either, setup says so and succeeds: the 32-bit tests skip with that reason.
set -eu

i386_packages="wine32:i386"
packages="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth liblnk-utils python3-pefile nsis osslsigncode
  cmake g++ make zlib1g-dev libgtest-dev googletest clang libclang-rt-14-dev
  openssl dpkg-dev libdeflate-dev"

missing_of() {
  for p in "$@"; do
    case "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)" in
      ii*) ;;
      *) printf ' %s' "$p" ;;
    esac
  done
}

# shellcheck disable=SC2086
missing=$(missing_of $packages)
# shellcheck disable=SC2086
missing_i386=$(missing_of $i386_packages)
[ -z "$missing$missing_i386" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root:$missing$missing_i386" >&2
  exit 1
fi
echo "setup: installing$missing$missing_i386" >&2
export DEBIAN_FRONTEND=noninteractive
case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
  *" i386 "*) ;;
  *) dpkg --add-architecture i386 ;;
esac

# A half-finished earlier run must not block this one.
dpkg --configure -a >/dev/null 2>&1 || true

update_log=$(mktemp)
trap 'rm -f "$update_log"' EXIT
attempt=1
while :; do
  if apt-get update -qq >"$update_log" 2>&1; then
    break
  fi
  if [ $attempt -ge "${AZ_SETUP_UPDATE_TRIES:-3}" ]; then
    failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$update_log" | tr '\n' ' ')
    echo "setup: going on without the package indexes that failed to download: ${failed:-$(tail -n 1 "$update_log")}" >&2
    break
  fi
  sleep $((attempt * 5))
  attempt=$((attempt + 1))
done

apt_install() {
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

if [ -n "$missing" ]; then
  # shellcheck disable=SC2086
  apt_install $missing
fi
[ -z "$missing_i386" ] && exit 0

# shellcheck disable=SC2086
if apt_install $missing_i386 2>/dev/null; then
  exit 0
fi

# A Multi-Arch: same library must stand at one version in both
# architectures. When the index holding the newer i386 builds is the one
# that failed, the amd64 twins are brought to the version that both
# architectures offer, and the i386 half is installed beside them.
candidate() {
  apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p'
}
aligned=""
# shellcheck disable=SC2086
for dep in $(apt-cache depends --recurse --no-recommends --no-suggests \
  --no-conflicts --no-breaks --no-replaces --no-enhances $missing_i386 2>/dev/null |
  sed -n 's/^\([a-z0-9][^ <>]*\):i386$/\1/p' | sort -u); do
  case "$(dpkg-query -W -f='${db:Status-Abbrev}' "$dep:amd64" 2>/dev/null || true)" in
    ii*) have=$(dpkg-query -W -f='${Version}' "$dep:amd64") ;;
    *) continue ;;
  esac
  want=$(candidate "$dep:i386")
  [ -n "$want" ] && [ "$want" != "(none)" ] && [ "$want" != "$have" ] || continue
  if apt-cache show "$dep:amd64=$want" >/dev/null 2>&1; then
    aligned="$aligned $dep:amd64=$want"
  fi
done

# shellcheck disable=SC2086
if [ -n "$aligned" ] &&
  apt_install --allow-downgrades $missing_i386 $aligned 2>/dev/null; then
  echo "setup: installed$missing_i386 with its amd64 twins at the version both architectures offer:$aligned" >&2
  exit 0
fi
echo "setup: could not install$missing_i386 from the indexes at hand; the 32-bit (win32) tests will report themselves skipped" >&2
exit 0
