# Shared by the Wine runners: locating Wine, making and copying prefixes,
# starting a private Xvfb. Sourced, not run.

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts: the programs under test need neither.
# No menu entries or icons written into the real home folder either, and no
# debugger that would hang a crashed test instead of letting it fail.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

# wine_pe_bits FILE: 32 or 64 for a Windows program, by its PE machine field;
# empty when FILE is not one.
wine_pe_bits() {
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 0
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo 32 ;;
    8664) echo 64 ;;
  esac
}

# wine_32bit_unusable: empty when this machine runs 32-bit Windows programs
# (Wine's 32-bit loader installed, and a kernel that runs i386 code);
# otherwise the reason.
wine_32bit_unusable() {
  loader=${WINE32:-/usr/lib/wine/wine}
  if [ ! -x "$loader" ]; then
    echo "Wine's 32-bit half is not installed ($loader; Debian package wine32:i386)"
  elif ! "$loader" --version >/dev/null 2>&1; then
    echo "this kernel cannot run 32-bit code ($loader --version fails)"
  fi
}

# Exit code by which a test tells ctest that it did not run (SKIP_RETURN_CODE).
AZ_SKIP_CODE=77

# Bumped whenever the template's making changes, so old templates are remade.
AZ_TEMPLATE_VERSION=4

# wine_ensure_template DIR: creates the template prefix once, under a lock.
wine_ensure_template() {
  tpl=$1
  mkdir -p "$(dirname "$tpl")" || return 1
  (
    flock 9
    if [ "$(cat "$tpl/.az-ready" 2>/dev/null)" != "$AZ_TEMPLATE_VERSION" ]; then
      rm -rf "$tpl"
      WINEPREFIX="$tpl" "$WINE64" wineboot -i >/dev/null 2>&1
      # Unmanaged windows start much faster on a bare X server.
      WINEPREFIX="$tpl" "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' \
        /v Managed /d N /f >/dev/null 2>&1
      WINEPREFIX="$tpl" "$WINESERVER" -w >/dev/null 2>&1
      [ -f "$tpl/system.reg" ] || exit 1
      # Wine links Desktop, Documents and the like to the real home folder;
      # a test must never write there, so they become folders of the prefix.
      find "$tpl/drive_c/users" -type l | while read -r link; do
        rm -f "$link" && mkdir -p "$link"
      done
      echo "$AZ_TEMPLATE_VERSION" >"$tpl/.az-ready"
    fi
  ) 9>"$tpl.lock"
}

# wine_copy_prefix TEMPLATE DEST: the large read-only system folders are hard
# linked, everything Wine or a test may change (registry, profiles, ini files)
# is copied.
wine_copy_prefix() {
  src=$1 dst=$2
  mkdir -p "$dst" || return 1
  for entry in "$src"/* "$src"/.update-timestamp; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=$(basename "$entry")
    [ "$name" = drive_c ] && continue
    cp -a "$entry" "$dst/" || return 1
  done
  mkdir -p "$dst/drive_c" || return 1
  for entry in "$src"/drive_c/*; do
    name=$(basename "$entry")
    [ "$name" = windows ] && continue
    cp -a "$entry" "$dst/drive_c/" || return 1
  done
  mkdir -p "$dst/drive_c/windows" || return 1
  for entry in "$src"/drive_c/windows/*; do
    name=$(basename "$entry")
    case "$name" in
      system32 | syswow64 | winsxs) cp -al "$entry" "$dst/drive_c/windows/" || return 1 ;;
      *) cp -a "$entry" "$dst/drive_c/windows/" || return 1 ;;
    esac
  done
  rm -f "$dst/.az-ready"
}

# xvfb_start: starts a private X server and sets xvfb_pid and xvfb_display.
# The server picks a free display number itself (-displayfd), so parallel
# runs never race for one.
xvfb_start() {
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/azxvfb.XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  xvfb_display=$(head -n 1 "$fifo")
  rm -f "$fifo"
  [ -n "$xvfb_display" ]
}
