#!/bin/bash
# Builds both Windows builds (the i686 shipping set and x86_64) with their demo media and
# runs the installer of the shipping (i686) medium under the test Wine (Debian 12, as
# root: the bootstrap installs what is missing, the test Wine's root included).
#
# With a display ($DISPLAY set) the installer simply starts on it. Without one it runs in
# Xvfb, is clicked through every screen (logo, destination, progress, success) and leaves
# a screenshot of each in build/win32/demo-screenshots/, whose path it prints at the end.
# The exit code is the installer's (0 after a finished or cancelled setup).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
build=$repo/build/win32

scripts/bootstrap.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

if [[ -n ${DISPLAY:-} ]]; then
  exec scripts/wine-run.sh --root "$build/demo-wine" --name demo "$build/medium/K_SETUP.exe"
fi

shots=$build/demo-screenshots
/usr/bin/python3 -B tests/e2e/demo_walkthrough.py --build "$build" --shots "$shots"
echo "Screenshots of every screen: $shots"
