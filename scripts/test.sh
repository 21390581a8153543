#!/bin/bash
# Prepares the machine (scripts/bootstrap.sh), builds the native, fuzz, win32 and win64
# builds and runs every test. Exits non-zero on any failure. Run as root on Debian 12.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
presets=(native fuzz win32 win64)

stage() {  # name command...
  local start=$SECONDS
  echo "== $1"
  shift
  "$@"
  echo "== done in $((SECONDS - start)) s"
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

stage bootstrap scripts/bootstrap.sh
for preset in "${presets[@]}"; do
  stage "build $preset" build "$preset"
done

failed=()
for preset in "${presets[@]}"; do
  stage "test $preset" ctest --preset "$preset" || failed+=("$preset")
done
if (( ${#failed[@]} )); then
  echo "FAILED: tests of ${failed[*]}"
  exit 1
fi
echo "all tests passed"
