#!/usr/bin/env bash
# run.sh as a user meets it on a machine without display or sound card: it says that Morvane runs on
# a virtual display, sends the sound to the bounded file, refuses a second run of the same folder, and
# Ctrl+C (INT) or TERM closes Morvane as its close box does: the quit-time settings are in the Wine
# registry afterwards, the virtual display is gone and run.sh exits 0. Results (Google Test style) go
# to $1. Registered in both Windows builds ($2, the build folder); it runs in the one run.sh starts on
# this machine (scripts/machine-32bit.sh: the i686 build where 32-bit programs run, else the x86_64
# one) and needs that build's Morvane.exe and MorvaneClose.exe; in the other it runs no case.
set -uo pipefail
cd "$(dirname "$0")/../.."
SRC_DIR=$PWD
results=${1:-}
source scripts/machine-32bit.sh
morvane_32bit_decide
if [ -n "${2:-}" ] && [ "$(cd "$2" && pwd)" != "$SRC_DIR/build/$(morvane_run_build)" ]; then
  echo "run.sh starts build/$(morvane_run_build) on this machine, not $2: no case runs here"
  [ -n "$results" ] && mkdir -p "$(dirname "$results")" &&
    echo '<testsuites tests="0" failures="0" disabled="0" errors="0" name="runStop"></testsuites>' >"$results"
  exit 0
fi
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/morvane-run-test.XXXXXX")
# Whatever happened, nothing this test started outlives it: the run's persistent Wine server included.
finish() {
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$run_dir/wineprefix wineserver -w </dev/null >/dev/null 2>&1
  rm -rf "$run_dir"
}
trap finish EXIT
passed=0; failed=0; cases=()
verdict() {   # verdict NAME OK(0|1) MESSAGE
  if [ "$2" = 1 ]; then passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"RunScript\"/>"); echo "[       OK ] $1"
  else failed=$((failed + 1)); cases+=("<testcase name=\"$1\" classname=\"RunScript\"><failure message=\"$3\"/></testcase>"); echo "[  FAILED  ] $1: $3"; fi
}

# start_run LOG: starts run.sh in a job of its own (so it gets INT as a terminal's Ctrl+C would give
# it) and waits until Morvane plays into the sound file.
start_run() {
  rm -rf "$run_dir/audio"
  set -m
  # run.sh decides on its own whether the machine runs 32-bit programs, as it does for a user.
  env -u DISPLAY -u MORVANE_RUNS_32BIT -u MORVANE_32BIT_NOTE MORVANE_RUN_DIR="$run_dir" \
    ./run.sh --no-build --audio-file >"$1" 2>&1 &
  run_pid=$!
  set +m
  local i
  for i in $(seq 600); do
    compgen -G "$run_dir/audio/out-*.raw" >/dev/null && [ -n "$(find "$run_dir/audio" -name 'out-*.raw' -size +8k)" ] && return 0
    kill -0 "$run_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
stop_run() {   # stop_run SIGNAL: the status of run.sh, or 124 when it did not end within 40 s
  kill "-$1" "$run_pid"
  local i
  for i in $(seq 400); do kill -0 "$run_pid" 2>/dev/null || { wait "$run_pid"; return $?; }; sleep 0.1; done
  kill -KILL -- "-$run_pid" 2>/dev/null; return 124
}
display_of() { sed -nE 's/.*virtual display \((:[0-9]+)\).*/\1/p' "$1" | head -1; }
# A value Morvane can never save stands in its settings while it runs; its close writes the real ones.
plant() {
  WINEPREFIX=$run_dir/wineprefix WINEDEBUG=-all wine reg add 'HKCU\Software\Veltrano\Morvane' /v "$1" \
    /t REG_DWORD /d 77 /f </dev/null >/dev/null 2>&1
}
settings_saved() {
  grep -qE '^"enablePgm"=dword:0000000[01]' "$run_dir/wineprefix/user.reg" 2>/dev/null &&
    grep -qE '^"oneWindow"=dword:0000000[01]' "$run_dir/wineprefix/user.reg"
}

for sig in INT TERM; do
  log=$run_dir/run-$sig.log
  if ! start_run "$log"; then
    verdict "${sig}StartsAndPlaysIntoTheFile" 0 "no sound in $run_dir/audio: $(tail -3 "$log" | tr '"<>&' "'...")"
    kill -KILL -- "-$run_pid" 2>/dev/null
    continue
  fi
  verdict "${sig}StartsAndPlaysIntoTheFile" 1 ""
  if [ "$sig" = INT ]; then
    grep -q "No display here: Morvane runs on a virtual display" "$log"; verdict SaysItRunsOnAVirtualDisplay $((! $?)) "no display note"
    grep -q "sound goes to $run_dir/audio/out-\*.raw" "$log"; verdict SaysWhereTheSoundGoes $((! $?)) "no sound-file note"
    if [ "$(morvane_run_build)" = win64 ]; then
      grep -q "^Morvane starts its 64-bit build under 64-bit Wine: this machine cannot run 32-bit programs" "$log"
      verdict SaysItStartsThe64BitBuild $((! $?)) "no line on the 64-bit build"
    fi
    second=$(env -u DISPLAY MORVANE_RUN_DIR="$run_dir" timeout 30 ./run.sh --no-build --audio-file 2>&1); code=$?
    [ "$code" = 1 ] && grep -q "already running" <<<"$second"; verdict ASecondRunOfTheSameFolderIsRefused $((! $?)) "status $code: $second"
  fi
  plant enablePgm; plant oneWindow
  display=$(display_of "$log")
  stop_run "$sig"; status=$?
  [ "$status" = 0 ]; verdict "${sig}EndsRunShWithStatusZero" $((! $?)) "run.sh status $status: $(tail -3 "$log" | tr '"<>&' "'...")"
  settings_saved; verdict "${sig}SavesTheQuitTimeSettings" $((! $?)) "enablePgm or oneWindow not written at the close"
  if [ -n "$display" ]; then
    for _ in $(seq 30); do [ -e "/tmp/.X11-unix/X${display#:}" ] || break; sleep 0.1; done
    ! [ -e "/tmp/.X11-unix/X${display#:}" ]; verdict "${sig}EndsTheVirtualDisplay" $((! $?)) "display $display still there"
  fi
done

if [ -n "$results" ]; then
  mkdir -p "$(dirname "$results")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"runStop\">"
    echo "<testsuite name=\"RunScript\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$results"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
