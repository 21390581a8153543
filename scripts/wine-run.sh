#!/bin/bash
# Runs one Windows test program, i686 or x86_64, under the test Wine and passes its exit
# code through.
#
#   wine-run.sh --root DIR [--name NAME] [--screen WxHxD] [--locale LOCALE] PROGRAM [ARGS...]
#
# The test Wine (scripts/wine-exec.sh) is one WoW64 build that runs both architectures,
# so the program's own PE header decides how it runs; there is nothing to choose here.
# Every run is isolated: it gets its own Wine prefix below DIR/NAME (a copy of a template
# prefix made once below DIR), its own HOME, and, when DISPLAY is unset or --screen is
# given, its own Xvfb display. Wine keeps the screen size of the display its session
# started on, so a session never outlives the display it belongs to: the run stops its
# wineserver and its Xvfb when the program ends. (A sound device comes from running this
# script inside scripts/audio-session.sh.)
set -euo pipefail

root="" name="" screen="" locale=""
while (( $# )); do
  case $1 in
    --root) root=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --locale) locale=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "wine-run: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
(( $# )) || { echo "usage: wine-run.sh --root DIR [--name NAME] [--screen WxHxD] [--locale L] PROGRAM [ARGS...]" >&2; exit 2; }
[[ -n $root ]] || { echo "wine-run: --root is required" >&2; exit 2; }
program=$1; shift
[[ -n $name ]] || name=$(basename "$program" .exe)

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine() { "$here/wine-exec.sh" wine "$@"; }
wineserver() { "$here/wine-exec.sh" wineserver "$@"; }
# The template belongs to one Wine version: a new test Wine makes a new one.
wine_version=$(cat "$("$here/wine-root.sh" --path)/.kolta-ready")
mkdir -p "$root"
root=$(cd "$root" && pwd)

export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset WINEARCH

xvfb_pid=""
start_xvfb() {  # geometry
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 "$1" 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 display <"$fifo" || true
  rm -f "$fifo"
  [[ -n $display ]] || { echo "wine-run: Xvfb $1 did not start" >&2; exit 2; }
  export DISPLAY=":$display"
}

# User folders that a new prefix links to $HOME become plain folders of the prefix,
# so that nothing a test writes to its desktop leaves the build tree.
unlink_user_folders() {
  local link
  for link in "$1"/drive_c/users/*/*; do
    if [[ -L $link ]]; then rm -f "$link"; mkdir -p "$link"; fi
  done
}

# Wine's X11 driver waits about 2 s for a window manager whenever an activated top-level
# window closes; Xvfb has none. Unmanaged windows skip that wait, and Wine still does
# the activation and focus itself.
setup_template() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
}

make_template() {
  local template=$root/template
  exec 9>"$root/template.lock"
  flock 9
  if [[ $(cat "$template/.ready" 2>/dev/null) != "$wine_version" ]]; then
    rm -rf "$template"
    mkdir -p "$root/template-home"
    (
      export HOME="$root/template-home" WINEPREFIX="$template"
      wine wineboot -i && setup_template && wineserver -w
    ) >"$root/template.log" 2>&1 || { cat "$root/template.log" >&2; echo "wine-run: the template prefix failed" >&2; exit 2; }
    unlink_user_folders "$template"
    echo "$wine_version" >"$template/.ready"
  fi
  flock -u 9
}

# A prefix of its own for this run: hard links for the program files Wine never writes,
# real copies for everything else (registry, profiles, user folders).
make_prefix() {
  local prefix=$1 template=$root/template
  [[ -f $prefix/.ready && $prefix/.ready -nt $template/.ready ]] && return 0
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -al "$template" "$prefix"
  find "$prefix" -type f ! \( -name '*.dll' -o -name '*.exe' -o -name '*.nls' -o -name '*.sys' \
       -o -name '*.drv' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' -o -name '*.tlb' \
       -o -name '*.ds' -o -name '*.com' -o -name '*.msstyles' -o -name '*.icm' \) \
       -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
  touch "$prefix/.ready"
}

cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}

if [[ -n $screen ]]; then
  start_xvfb "$screen"
elif [[ -z ${DISPLAY:-} ]]; then
  start_xvfb 1024x768x24
fi

prefix=$root/$name/prefix
trap cleanup EXIT
make_template
make_prefix "$prefix"
mkdir -p "$root/$name/home"
export WINEPREFIX=$prefix HOME=$root/$name/home
# A session left over from an interrupted run may belong to a display that is gone.
wineserver -k 2>/dev/null || true

if [[ -n $locale ]]; then export LANG=$locale LC_ALL=$locale; fi

set +e
wine "$program" "$@"
status=$?
set -e
exit $status
