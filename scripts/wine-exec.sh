#!/bin/bash
# Runs one of the test Wine's own programs (wine, wineserver) with the caller's
# environment and working folder.
#
#   wine-exec.sh wine PROGRAM.exe [ARGS...]
#   wine-exec.sh wineserver -k
#
# The test Wine is Debian's WoW64 build from the unstable suite, which runs i686 and
# x86_64 Windows programs alike; it lives in a root of its own that scripts/bootstrap.sh
# makes (scripts/wine-root.sh). Each call enters that root in a private mount namespace
# with the host's /proc, /dev, /sys and /tmp (X and PulseAudio sockets, scratch folders)
# and the repository bound at their own paths, so that Wine's Z: drive names the same
# files inside and out. The mounts belong to this one process tree and vanish with it:
# nothing stays mounted on the machine. The command's exit code is passed through.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ ${1:-} == --inside ]]; then
  # In the new mount namespace: --inside ROOT COUNT BIND... TOOL ARGS...
  root=$2 count=$3; shift 3
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --rbind /sys "$root/sys"
  mount --bind /tmp "$root/tmp"
  for (( i = 0; i < count; i++ )); do mount --bind "$1" "$root$1"; shift; done
  export KOLTA_WINE_CWD=$PWD
  exec chroot "$root" /bin/sh -c 'cd "$KOLTA_WINE_CWD" && exec "$@"' wine-exec "$@"
fi

(( $# )) || { echo "usage: wine-exec.sh wine|wineserver [ARGS...]" >&2; exit 2; }
case $1 in
  wine|wineserver) tool=/usr/lib/x86_64-linux-gnu/wine/$1; shift ;;
  *) echo "wine-exec: $1 is not a Wine program (wine, wineserver)" >&2; exit 2 ;;
esac
root=$("$here/wine-root.sh" --path)

# Bound at their own paths: the repository (and with it the build trees), the current
# folder when it lies elsewhere, and the folders of KOLTA_WINE_BINDS (colon-separated).
repo=$(dirname "$here")
binds=("$repo")
case $PWD in "$repo"|"$repo"/*|/tmp|/tmp/*) ;; *) binds+=("$PWD") ;; esac
IFS=: read -r -a extra <<<"${KOLTA_WINE_BINDS:-}"
for dir in "${extra[@]}"; do [[ -n $dir ]] && binds+=("$dir"); done
# Their mount points inside the root are made once and stay as empty folders.
for dir in "${binds[@]}"; do [[ -d $root$dir ]] || mkdir -p "$root$dir"; done

exec unshare --mount --propagation private -- "$here/wine-exec.sh" --inside "$root" \
  "${#binds[@]}" "${binds[@]}" "$tool" "$@"
