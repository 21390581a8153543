#!/bin/bash
# Prepares the machine (scripts/bootstrap.sh), builds the native, fuzz, win32 and win64
# builds and runs every test. Exits non-zero when the bootstrap, a build or any test
# fails, and names what failed at the end. Run as root on Debian 12.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo" || exit 1
presets=(native fuzz win32 win64)
logs=$repo/build/test-logs
failed=()

# Runs one step and reports its time; returns the step's status. (Callers test that
# status explicitly: a function called on the left of || runs with errexit off, so the
# script relies on no errexit anywhere.)
stage() {  # name command...
  local name=$1 start=$SECONDS status=0
  shift
  echo "== $name"
  "$@" || status=$?
  if (( status )); then
    echo "== $name FAILED (status $status) after $((SECONDS - start)) s"
  else
    echo "== $name done in $((SECONDS - start)) s"
  fi
  return $status
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

# ctest's output is kept per preset; its closing summary is repeated at the end.
run_tests() {
  ctest --preset "$1" 2>&1 | tee "$logs/$1.log"
}

if ! stage bootstrap scripts/bootstrap.sh; then
  echo "FAILED: bootstrap"
  exit 1
fi
mkdir -p "$logs"

built=()
for preset in "${presets[@]}"; do
  if stage "build $preset" build "$preset"; then built+=("$preset"); else failed+=("build $preset"); fi
done
for preset in "${built[@]}"; do
  stage "test $preset" run_tests "$preset" || failed+=("tests $preset")
done

echo
echo "== summary"
for preset in "${built[@]}"; do
  summary=$(grep -E 'tests passed|tests failed' "$logs/$preset.log" | tail -1)
  echo "$preset: ${summary:-no ctest summary}"
done
if (( ${#failed[@]} )); then
  (IFS=,; echo "FAILED: ${failed[*]}")
  exit 1
fi
echo "all tests passed"
