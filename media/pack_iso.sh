#!/bin/bash
# Packs a laid-out medium as an ISO 9660 image: Joliet keeps the long mixed-case names
# for Windows, Rock Ridge serves Unix readers. With SOURCE_DATE_EPOCH set, every date in
# the image is that time, so the same medium always gives the same image.
#   pack_iso.sh MEDIUM_DIR IMAGE
set -euo pipefail
medium=$1
image=$2
dates=()
if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
  dates=(--set_all_file_dates "$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" +%Y%m%d%H%M%S00)")
fi
rm -f "$image"
xorriso -as mkisofs -quiet -J -R -V KOLTA "${dates[@]}" -o "$image" "$medium"
