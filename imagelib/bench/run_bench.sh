#!/bin/bash
# Runs the image library's decode benchmark beside the independent decoders, on one core:
#   1. installs what it needs from Debian (the peers' development packages libgif-dev,
#      libtiff-dev, libstb-dev, libpng-dev and libjpeg62-turbo-dev; Pillow, numpy and
#      ImageMagick for the files; the build tools);
#   2. writes the synthetic files (make_bench_files.py) into SCRATCH/synthetic;
#   3. gathers real files from Debian 12 packages into SCRATCH/real, fetched with
#      `apt-get download` and unpacked with `dpkg-deb -x` (nothing is installed, nothing
#      committed); the packages and what they hold:
#        python3-skimage    photos and scans as PNG and JPEG, a small animated GIF, TIFF
#        qtbase5-examples   PNG, JPEG (textures up to 1024x1024), a 34-frame animated GIF
#        perl-tk, tk8.6-doc GIF (a 4-frame animation), PNG
#        imagemagick-6-doc  PNG, JPEG, GIF
#        dokuwiki           GIF (an animated throbber), PNG icons
#        crack-attack       TGA textures, JPEG
#        allegro5-doc       BMP, PCX, TGA, PNG, JPEG of the examples
#        python3-pygame     BMP
#        r-cran-tiff        TIFF
#        tango-icon-theme   PNG icons (the 32x32 ones)
#   4. converts a few of those photos with ImageMagick into the formats that few packages
#      ship (24-bit BMP, TIFF plain and PackBits, TGA with run-length packets, PCX, PSD)
#      into SCRATCH/converted;
#   5. builds the Release benchmark in BUILD and runs it on the three sets, pinned to one
#      core, printing every figure and the goals' ratios (also kept in SCRATCH/results.txt;
#      the decoders' warnings about odd files go to SCRATCH/warnings.txt).
#
# Usage: imagelib/bench/run_bench.sh [BUILD [SCRATCH]]   (as root for the installs)
#   BUILD defaults to build/bench, SCRATCH to BUILD/files. Timings are figures, not tests.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${1:-$repo/build/bench}")
scratch=$(realpath -m "${2:-$build/files}")
export DEBIAN_FRONTEND=noninteractive

tools=(cmake ninja-build g++ pkg-config python3 python3-pil python3-numpy imagemagick
       util-linux zlib1g-dev libgif-dev libtiff-dev libstb-dev libpng-dev libjpeg62-turbo-dev)
file_packages=(python3-skimage qtbase5-examples perl-tk tk8.6-doc imagemagick-6-doc dokuwiki
               crack-attack allegro5-doc python3-pygame r-cran-tiff tango-icon-theme)

missing=()
for package in "${tools[@]}"; do
  dpkg-query -W -f '${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

mkdir -p "$scratch"
if [[ ! -f $scratch/synthetic/photo_animation.gif ]]; then
  /usr/bin/python3 "$repo/imagelib/bench/make_bench_files.py" "$scratch/synthetic"
fi

# Real files: every picture of the packages (the icon theme's 32x32 ones only), renamed
# after their package and path.
if [[ ! -d $scratch/real ]]; then
  debs=$scratch/debs
  mkdir -p "$debs" "$scratch/unpacked"
  (cd "$debs" && apt-get download -q "${file_packages[@]}")
  for deb in "$debs"/*.deb; do
    package=$(dpkg-deb -f "$deb" Package)
    dpkg-deb -x "$deb" "$scratch/unpacked/$package"
  done
  mkdir -p "$scratch/real.tmp"
  for tree in "$scratch/unpacked"/*; do
    package=$(basename "$tree")
    find "$tree" -type f -size +0 \
      -iregex '.*\.\(png\|jpe?g\|gif\|tiff?\|bmp\|tga\|pcx\|psd\)' \
      -not -path '*/tests/*' |
      while read -r file; do
        relative=${file#"$tree"/}
        if [[ $package == tango-icon-theme && $relative != */32x32/* ]]; then continue; fi
        mkdir -p "$scratch/real.tmp/$package"
        cp "$file" "$scratch/real.tmp/$package/${relative//\//_}"
      done
  done
  rm -rf "$scratch/unpacked"
  mv "$scratch/real.tmp" "$scratch/real"
fi

# Real photos in the formats few packages ship.
if [[ ! -d $scratch/converted ]]; then
  mkdir -p "$scratch/converted.tmp"
  skimage=$scratch/real/python3-skimage
  for photo in "$skimage"/*astronaut.png "$skimage"/*coffee.png "$skimage"/*chelsea.png \
               "$skimage"/*motorcycle_left.png "$scratch"/real/qtbase5-examples/*composition_flower.jpg; do
    name=$(basename "${photo%.*}")
    out=$scratch/converted.tmp/$name
    convert "$photo" -alpha off -type TrueColor "BMP3:$out.bmp"
    convert "$photo" -alpha off -compress None "$out.tif"
    convert "$photo" -alpha off -compress RLE "${out}_packbits.tif"  # PackBits
    convert "$photo" -alpha off -compress RLE "$out.tga"
    convert "$photo" -alpha off "$out.pcx"
    convert "$photo" -alpha off -compress RLE "$out.psd"
  done
  mv "$scratch/converted.tmp" "$scratch/converted"
fi

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target image_bench -j2
# The decoders' warnings about odd files go to SCRATCH/warnings.txt.
taskset -c 0 "$build/bin/image_bench" "$scratch/synthetic" "$scratch/real" "$scratch/converted" \
  2> "$scratch/warnings.txt" | tee "$scratch/results.txt"
