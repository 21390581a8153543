#!/bin/bash
# Plays the listening program's phases on a private null sink, records what comes out
# and checks the recording against the phases the program reports.
#
#   listen_test.sh DIR PLAYER_COMMAND...
#
# Exit code 77 (a skipped test) when no audio server can be started here.
set -uo pipefail

(( $# >= 2 )) || { echo "usage: listen_test.sh DIR PLAYER_COMMAND..." >&2; exit 2; }
dir=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
session=$dir/session

"$here/../../scripts/audio-session.sh" --dir "$session" --record "$session/recording.raw" \
  --output "$session/phases.txt" -- "$@"
status=$?
if (( status != 0 )); then
  (( status == 77 )) || echo "the player failed (exit code $status)" >&2
  exit $status
fi
# Debian's python3 with numpy, whichever python3 comes first on PATH.
exec /usr/bin/python3 "$here/analyse_recording.py" "$session/recording.raw" "$session/phases.txt"
