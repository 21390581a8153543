#!/bin/bash
# Makes the distribution: builds the i686 (shipping) and x86_64 Windows builds, lays out
# the demo medium of each and packs it as an ISO 9660 image with Joliet names:
#   dist/kolta-i686/      dist/kolta-i686.iso      the shipping set
#   dist/kolta-x86_64/    dist/kolta-x86_64.iso
# Run scripts/bootstrap.sh once before (it installs the compilers, Python's PIL, mscompress
# and xorriso). Every date in the images is the time of the last commit
# (SOURCE_DATE_EPOCH, see media/pack_iso.sh).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 0)
export SOURCE_DATE_EPOCH

rm -rf dist
mkdir -p dist
for build in win32:i686 win64:x86_64; do
  preset=${build%%:*}
  arch=${build#*:}
  echo "== $preset: build, medium, kolta-$arch.iso"
  cmake --preset "$preset" >/dev/null
  rm -f "build/$preset/kolta-$arch.iso"  # packed again, with this commit's time
  cmake --build --preset "$preset" --target medium medium_iso
  cp -a "build/$preset/medium" "dist/kolta-$arch"
  cp "build/$preset/kolta-$arch.iso" "dist/kolta-$arch.iso"
done

echo "== dist/"
for arch in i686 x86_64; do
  printf '%-22s %6d files  %s bytes\n' "kolta-$arch.iso" \
    "$(xorriso -indev "dist/kolta-$arch.iso" -find / -type f 2>/dev/null | wc -l)" \
    "$(stat -c %s "dist/kolta-$arch.iso")"
done
