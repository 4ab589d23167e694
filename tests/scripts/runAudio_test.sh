#!/usr/bin/env bash
# run.sh's choice of where the sound goes (scripts/run-audio.sh), over faked machines: ALSA cards,
# PulseAudio and PipeWire sockets that answer or refuse, and neither. Writes Google Test style results
# to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/run-audio.sh
work=$(mktemp -d)
servers=()
cleanup() { for p in "${servers[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

# listen PATH: a Unix socket that accepts connections until the test ends.
listen() {
  mkdir -p "$(dirname "$1")"
  python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM); s.bind(sys.argv[1]); s.listen(8)
while True:
    c, _ = s.accept(); c.close()' "$1" &
  servers+=($!)
  for _ in $(seq 50); do [ -S "$1" ] && return; sleep 0.1; done
}
# dead PATH: a socket file that nobody listens on (a crashed server leaves one).
dead() {
  mkdir -p "$(dirname "$1")"
  python3 -c 'import socket, sys; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1])' "$1"
}

passed=0; failed=0; cases=()
check() {   # check NAME EXPECTED_CHOICE EXPECT_NOTE(0|1) PROC RUNTIME
  local got note=0
  got=$(MORVANE_PROC_ASOUND=$4 XDG_RUNTIME_DIR=$5 bash -c 'source scripts/run-audio.sh; c=$(morvane_audio_choice); morvane_audio_choice >/dev/null; echo "$c"; [ -n "$MORVANE_AUDIO_NOTE" ] && echo note')
  [ "$(sed -n 2p <<<"$got")" = note ] && note=1
  got=$(head -1 <<<"$got")
  if [ "$got" = "$2" ] && [ "$note" = "$3" ]; then
    passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"RunAudioChoice\"/>")
    echo "[       OK ] $1"
  else
    failed=$((failed + 1))
    cases+=("<testcase name=\"$1\" classname=\"RunAudioChoice\"><failure message=\"got $got (note $note), want $2 (note $3)\"/></testcase>")
    echo "[  FAILED  ] $1: got $got (note $note), want $2 (note $3)"
  fi
}

mkdir -p "$work/none/proc" "$work/none/run" "$work/cards/proc/card0" "$work/cards/run"
check NeitherCardNorServerUsesTheFile file 0 "$work/none/proc" "$work/none/run"
check AnAlsaCardUsesAlsa card 0 "$work/cards/proc" "$work/cards/run"
mkdir -p "$work/pulse/proc"; listen "$work/pulse/run/pulse/native"
check APulseServerUsesPulse server 0 "$work/pulse/proc" "$work/pulse/run"
mkdir -p "$work/pw/proc"; listen "$work/pw/run/pipewire-0"
check APipeWireServerAloneUsesAlsaDefault card 0 "$work/pw/proc" "$work/pw/run"
mkdir -p "$work/refused/proc"; dead "$work/refused/run/pulse/native"
check ARefusingServerFallsBackToTheFileAndSaysSo file 1 "$work/refused/proc" "$work/refused/run"
mkdir -p "$work/refusedcard/proc/card1"; dead "$work/refusedcard/run/pipewire-0"
check ARefusingServerWithACardUsesTheCard card 1 "$work/refusedcard/proc" "$work/refusedcard/run"

if [ -n "${1:-}" ]; then
  mkdir -p "$(dirname "$1")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"runAudio\">"
    echo "<testsuite name=\"RunAudioChoice\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$1"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
