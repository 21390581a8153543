#!/bin/bash
# Installs everything the builds and tests need on a Debian 12 machine (run as root),
# builds libpng and libjpeg-turbo for both MinGW targets into .cache/thirdparty, and
# makes the test Wine's root (scripts/wine-root.sh; kept machine-wide in
# /var/cache/kolta-wine). Idempotent: on a ready machine it only checks and returns.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache="$repo/.cache/thirdparty"
export DEBIAN_FRONTEND=noninteractive

packages=(
  # build tools and the MinGW cross toolchains
  build-essential cmake ninja-build pkg-config git dpkg-dev nasm
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64 libz-mingw-w64-dev
  # native libraries, tests and fuzzing
  googletest libgtest-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev clang libclang-rt-14-dev
  # the test Wine's root (Wine itself lives there, not on the host), fonts for the skin
  debootstrap fonts-liberation locales
  # display, screenshots and input
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  # peers and media tools
  mscompress liblnk-utils pulseaudio pulseaudio-utils sox python3 python3-numpy python3-pil
  ffmpeg libstb-dev nsis xorriso
)

missing_packages() {
  local status
  for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f '${db:Status-Status}' "$p" 2>/dev/null || true)
    [[ $status == installed ]] || echo "$p"
  done
}

apt_updated=0
apt_update() {
  if (( ! apt_updated )); then apt-get update -qq; apt_updated=1; fi
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [[ -z $missing ]] && return 0
  echo "bootstrap: installing $(echo $missing | wc -w) packages"
  apt_update
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# The zh_CN locales let tests run Wine with a double-byte ANSI code page (936).
ensure_locales() {
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    sed -i -e 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' -e 's/^# *\(zh_CN GB2312\)/\1/' \
           -e 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
  fi
}

# deb-src entries for the main suite only (security sources are not mirrored everywhere),
# made from the machine's own apt sources so that no host name is written anywhere but
# in the machine's own configuration.
ensure_deb_src() {
  local dir=/etc/apt/sources.list.d
  if [[ ! -f $dir/kolta-src.sources && ! -f $dir/kolta-src.list ]]; then
    if [[ -f $dir/debian.sources ]]; then
      # First stanza that is not the security archive, with its first suite.
      awk 'BEGIN { RS = "" }
           !done && !/security/ {
             n = split($0, line, "\n")
             for (i = 1; i <= n; i++) {
               if (line[i] ~ /^Types:/) line[i] = "Types: deb-src"
               else if (line[i] ~ /^Suites:/) { split(line[i], word, " "); line[i] = "Suites: " word[2] }
               print line[i]
             }
             done = 1
           }' $dir/debian.sources > $dir/kolta-src.sources
    else
      awk '$1 == "deb" && $0 !~ /security/ { $1 = "deb-src"; print; exit }' \
        /etc/apt/sources.list > $dir/kolta-src.list
    fi
    apt_updated=0
  fi
  if ! apt-cache showsrc libpng1.6 2>/dev/null | grep -q '^Version:'; then apt_update; fi
}

# The newest version of a source package that the main suite offers.
source_version() {
  apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -1
}

strip_epoch() { echo "${1#*:}"; }

# Unpacks a Debian source package (with Debian's patches applied) into $work/<name>.
fetch_source() {
  local srcpkg=$1 version=$2 work=$3
  # apt verified the files against the signed archive index; dpkg-source has no keyring
  # for the upload signature and only warns about it.
  (cd "$work" && quietly apt-get source -qq --download-only "$srcpkg=$version")
  quietly dpkg-source -q -x "$work/${srcpkg}_$(strip_epoch "$version").dsc" "$work/$srcpkg"
}

toolchain_file() { echo "$repo/cmake/toolchain-$1.cmake"; }

# Runs a command with its output kept back unless it fails.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2; rm -f "$log"
    echo "bootstrap: failed: $*" >&2
    return 1
  fi
  rm -f "$log"
}

build_cmake_package() {
  local srcdir=$1 target=$2 prefix=$3; shift 3
  quietly cmake -S "$srcdir" -B "$srcdir/build-$target" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$target")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  quietly cmake --build "$srcdir/build-$target"
  quietly cmake --install "$srcdir/build-$target"
}

# Builds one library for both targets unless the cache already holds that version.
build_thirdparty() {
  local name=$1 srcpkg=$2; shift 2
  local version targets=(i686-w64-mingw32 x86_64-w64-mingw32) todo=()
  version=$(source_version "$srcpkg")
  local dir="$name-$(strip_epoch "$version")"
  for t in "${targets[@]}"; do
    [[ -f $cache/$t/$dir/.done ]] || todo+=("$t")
  done
  if (( ${#todo[@]} )); then
    echo "bootstrap: building $name $version for ${todo[*]}"
    local work
    work=$(mktemp -d)
    chmod 755 "$work"   # apt's download user must reach it
    fetch_source "$srcpkg" "$version" "$work"
    for t in "${todo[@]}"; do
      rm -rf "${cache:?}/$t/$dir"
      build_cmake_package "$work/$srcpkg" "$t" "$cache/$t/$dir" "$@"
      touch "$cache/$t/$dir/.done"
    done
    rm -rf "$work"
  fi
  for t in "${targets[@]}"; do
    echo "$cache/$t/$dir" >> "$cache/$t/prefixes.new"
  done
}

build_all_thirdparty() {
  ensure_deb_src
  mkdir -p "$cache/i686-w64-mingw32" "$cache/x86_64-w64-mingw32"
  rm -f "$cache"/*/prefixes.new
  build_thirdparty libpng libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF
  build_thirdparty libjpeg-turbo libjpeg-turbo -DENABLE_SHARED=OFF \
    -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
  # The toolchain files read this list of current prefixes.
  for t in i686-w64-mingw32 x86_64-w64-mingw32; do
    mv "$cache/$t/prefixes.new" "$cache/$t/prefixes"
  done
}

install_packages
ensure_locales
build_all_thirdparty
"$repo/scripts/wine-root.sh" --ensure >/dev/null
echo "bootstrap: ready"
