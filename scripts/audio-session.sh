#!/bin/bash
# Runs a command with a private PulseAudio server whose only sink is a null sink, so that
# DirectSound and MCI under Wine have a sound device and what they play can be recorded.
#
#   audio-session.sh --dir DIR [--record FILE] [--output FILE] -- COMMAND [ARGS...]
#
# DIR (emptied first) keeps the server's log and settings; the server's socket lies in a
# short private runtime folder (XDG_RUNTIME_DIR, also used by the command) that is removed
# at the end, so a deep build tree cannot exceed the length of a socket path. With
# --record, the null sink's monitor is recorded while the command runs, as raw 16-bit
# stereo samples at 44100 Hz. With --output, the command's standard output is also kept
# in a file. The command's exit code is passed through; 77 (a skipped test) means that
# no audio server could be started here.
set -euo pipefail

readonly SKIP=77
dir="" record="" output=""
while (( $# )); do
  case $1 in
    --dir) dir=$2; shift 2 ;;
    --record) record=$2; shift 2 ;;
    --output) output=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "audio-session: unknown option $1" >&2; exit 2 ;;
  esac
done
[[ -n $dir && $# -gt 0 ]] || { echo "usage: audio-session.sh --dir DIR [--record FILE] [--output FILE] -- COMMAND..." >&2; exit 2; }

for tool in pulseaudio parec pactl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed; no audio server" >&2; exit $SKIP; }
done

rm -rf "$dir"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
runtime=$(mktemp -d "${TMPDIR:-/tmp}/audio.XXXXXX")
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
# The server and its clients keep their settings and cookie here, not in the user's home.
export HOME=$dir
unset PULSE_SERVER PULSE_SINK

server_pid="" recorder_pid=""
cleanup() {
  if [[ -n $recorder_pid ]]; then kill -INT "$recorder_pid" 2>/dev/null || true; wait "$recorder_pid" 2>/dev/null || true; fi
  if [[ -n $server_pid ]]; then
    kill "$server_pid" 2>/dev/null || true
    # The socket folder goes once the server has let go of it.
    for _ in $(seq 50); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT

pulseaudio --daemonize=yes --exit-idle-time=-1 -n --log-target=file:"$dir/pulseaudio.log" \
  --load="module-null-sink sink_name=nullsink rate=44100 channels=2" \
  --load="module-native-protocol-unix auth-anonymous=1" 2>>"$dir/pulseaudio.log" || true
server_pid=$(cat "$runtime/pulse/pid" 2>/dev/null || true)
for _ in $(seq 50); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if [[ -z $server_pid ]] || ! pactl info >/dev/null 2>&1; then
  echo "SKIP: no PulseAudio server could be started here (see $dir/pulseaudio.log)" >&2
  exit $SKIP
fi
pactl set-default-sink nullsink

if [[ -n $record ]]; then
  parec -d nullsink.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=5 --raw >"$record" &
  recorder_pid=$!
fi

set +e
if [[ -n $output ]]; then
  "$@" | tee "$output"
  status=${PIPESTATUS[0]}
else
  "$@"
  status=$?
fi
set -e
# Let the last samples reach the recording before it stops.
if [[ -n $record ]]; then sleep 0.3; fi
exit $status
