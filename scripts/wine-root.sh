#!/bin/bash
# The test Wine: Debian's WoW64 Wine from the unstable suite, which runs i686 and x86_64
# Windows programs alike, in a root of its own (it needs a newer C library than Debian
# 12 has). The root is made once per machine and kept in /var/cache/kolta-wine, keyed by
# the Wine version, so every clone on the machine shares it.
#
#   wine-root.sh --ensure   make the root unless a ready one exists; print its path
#   wine-root.sh --path     print the ready root's path (fails when there is none)
#   wine-root.sh --remove   delete every root this script made
#
# Made with debootstrap (minbase) from the mirror of the machine's own apt sources; the
# root keeps no apt sources or package lists afterwards, so no host name stays in it.
# Every mount it needs belongs to a private mount namespace and vanishes with it.
set -euo pipefail

readonly cache=${KOLTA_WINE_CACHE:-/var/cache/kolta-wine}
# The build first seen to run 32-bit programs (its changelog: "Enable native X86 PE32
# executables on amd64"); installed when offered, otherwise the newest, if it is WoW64.
readonly known_good=10.0~repack-12+b1
readonly packages=(
  wine wine64 libpulse0 locales fonts-wine fonts-liberation fonts-wqy-microhei
  libxrandr2 libxrender1 libxcursor1 libxi6 libxinerama1 libxcomposite1 libxfixes3
  libxxf86vm1 libxext6
  # host programs that tests start from inside Wine
  liblnk-utils
)

ready_root() {
  local dir
  for dir in "$cache"/wine-*/; do
    [[ -f $dir.kolta-ready ]] && { echo "${dir%/}"; return 0; }
  done
  return 1
}

# The first archive address of the machine's own apt sources that is not the security one.
mirror() {
  local dir=/etc/apt/sources.list.d
  if [[ -f $dir/debian.sources ]]; then
    awk 'BEGIN { RS = "" } !/security/' $dir/debian.sources | sed -n 's/^URIs: *\([^ ]*\).*/\1/p'
  fi
  if [[ -f /etc/apt/sources.list ]]; then
    awk '$1 == "deb" && !/security/ { print $2 }' /etc/apt/sources.list
  fi
}

# Runs a command inside the root being made, with /proc and /dev of a private namespace.
in_root() {  # root command...
  local root=$1; shift
  unshare --mount --propagation private -- /bin/sh -c \
    'root=$1; shift; mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && exec chroot "$root" "$@"' \
    in_root "$root" "$@"
}

# The root being made and its log; removed unless the root becomes ready.
making=""
discard_making() { [[ -z $making ]] || rm -rf "$making" "$making.log"; }

# Runs one step of making the root with its output in the log; on failure shows the
# log's end and says what failed.
step() {  # what command...
  local what=$1; shift
  "$@" >>"$making.log" 2>&1 && return 0
  tail -20 "$making.log" >&2
  echo "wine-root: $what failed" >&2
  return 1
}

make_root() {
  local url version wine_version=$known_good
  url=$(mirror | head -1)
  [[ -n $url ]] || { echo "wine-root: no Debian mirror in the machine's apt sources" >&2; return 1; }
  command -v debootstrap >/dev/null || { echo "wine-root: debootstrap is not installed" >&2; return 1; }
  unshare --mount --propagation private true 2>/dev/null || {
    echo "wine-root: no private mount namespace can be made here; in a chroot, make its root a" \
         "mount point first (mount --bind DIR DIR)" >&2
    return 1
  }
  making=$(mktemp -d "$cache/.making.XXXXXX")
  trap discard_making EXIT
  echo "wine-root: making the unstable suite's root in $cache (about 1.6 GB, a few minutes)" >&2
  step "debootstrap of the unstable suite" debootstrap --variant=minbase sid "$making" "$url"
  # A mirror that is a frozen copy of the archive serves an expired Release file for a
  # moving suite; the packages themselves are still signed and checked.
  step "apt-get update" in_root "$making" apt-get -o Acquire::Check-Valid-Until=false update -qq
  if ! in_root "$making" apt-cache madison wine64 | grep -q " $known_good "; then
    wine_version=$(in_root "$making" apt-cache policy wine64 | sed -n 's/^ *Candidate: //p')
    [[ -n $wine_version && $wine_version != "(none)" ]] ||
      { echo "wine-root: the unstable suite offers no wine64 package" >&2; return 1; }
  fi
  step "installing Wine $wine_version" in_root "$making" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${packages[@]/#wine64/wine64=$wine_version}"
  if [[ ! -d $making/usr/lib/x86_64-linux-gnu/wine/i386-windows ]]; then
    echo "wine-root: the unstable suite's Wine $wine_version has no i386-windows folder: it is not" \
         "a WoW64 build and cannot run 32-bit Windows programs on this machine" >&2
    return 1
  fi
  # Code page 936 for the double-byte tests; UTF-8 for everything else.
  printf '%s\n' 'en_US.UTF-8 UTF-8' 'zh_CN.UTF-8 UTF-8' 'zh_CN GB2312' >"$making/etc/locale.gen"
  step "locale-gen" in_root "$making" locale-gen
  step "apt-get clean" in_root "$making" apt-get clean
  rm -rf "$making"/var/lib/apt/lists/* "$making"/etc/apt/sources.list "$making"/etc/apt/sources.list.d/*
  version=$(in_root "$making" dpkg-query -W -f '${Version}' wine64)
  echo "$version" >"$making/.kolta-ready"
  local final="$cache/wine-$(echo "$version" | tr -c 'A-Za-z0-9.\n' -)"
  rm -rf "$final"
  mv "$making" "$final"
  echo "wine-root: Wine $version ready in $final" >&2
  echo "$final"
}

case ${1:-} in
  --path)
    ready_root || { echo "wine-root: no test Wine in $cache; run scripts/bootstrap.sh" >&2; exit 1; } ;;
  --ensure)
    ready_root && exit 0
    mkdir -p "$cache"
    exec 9>"$cache/.lock"
    flock 9
    if ! ready_root; then make_root; fi ;;
  --remove)
    rm -rf "$cache"; echo "wine-root: removed $cache" ;;
  *)
    echo "usage: wine-root.sh --ensure | --path | --remove" >&2; exit 2 ;;
esac
