#!/usr/bin/env bash
# Whether the machine runs 32-bit programs (scripts/machine-32bit.sh), over faked kernels: a program
# refused as a kernel without 32-bit support refuses the i386 one, and one that runs. Each answer is
# followed to what it decides: the Wine loader on PATH, the build run.sh starts and the reason
# test.sh gives for the i686 tests. Also: the i386 program written here is what the real check runs,
# and a decision already made is kept. Writes Google Test style results to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
SRC_DIR=$PWD
results=${1:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# refused: fails as a kernel without 32-bit support does (bash's own message, status 126).
printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$work/refused"
# runs: a program that does what the i386 one does where it runs.
printf '#!/bin/sh\nexit 42\n' >"$work/runs"
chmod +x "$work/refused" "$work/runs"

passed=0; failed=0; cases=()
verdict() {   # verdict NAME OK(0|1) MESSAGE
  if [ "$2" = 1 ]; then passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"Machine32Bit\"/>"); echo "[       OK ] $1"
  else failed=$((failed + 1)); cases+=("<testcase name=\"$1\" classname=\"Machine32Bit\"><failure message=\"$(tr '"<>&' "'..." <<<"$3")\"/></testcase>"); echo "[  FAILED  ] $1: $3"; fi
}
# decide PROBE: runs the decision in a clean shell; prints the decision, the note, the first PATH
# entry, where `wine` is found, run.sh's build and test.sh's i686 reason, a line each.
decide() {
  env -u MORVANE_RUNS_32BIT -u MORVANE_32BIT_NOTE MORVANE_32BIT_PROBE="$1" PATH=/usr/bin:/bin bash -c '
    set -euo pipefail   # as run.sh and deps.sh source it
    source scripts/machine-32bit.sh
    morvane_32bit_decide
    echo "$MORVANE_RUNS_32BIT"; echo "$MORVANE_32BIT_NOTE"; echo "${PATH%%:*}"
    command -v wine || echo "(no wine)"; morvane_run_build; morvane_i686_not_run; echo .'
}

out=$(decide "$work/refused")
line() { sed -n "$1p" <<<"$out"; }
[ "$(line 1)" = 0 ]; verdict RefusedProgramMeansNo32Bit $((! $?)) "decision '$(line 1)'"
[[ "$(line 2)" == "this machine cannot run 32-bit programs: $work/refused"*"status 126 (cannot execute binary file: Exec format error)" ]]
verdict TheNoteSaysWhatWasTriedAndWhatItAnswered $((! $?)) "note '$(line 2)'"
[ "$(line 3)" = "$SRC_DIR/scripts/wine64" ] && [ "$(line 4)" = "$SRC_DIR/scripts/wine64/wine" ]
verdict WithoutIt64BitLoaderComesFirst $((! $?)) "PATH starts '$(line 3)', wine is '$(line 4)'"
grep -q '^exec /usr/lib/wine/wine64 ' scripts/wine64/wine && [ "$(readlink scripts/wine64/wine-stable)" = wine ]
verdict TheWine64ShimStartsThe64BitLoader $((! $?)) "scripts/wine64 does not start /usr/lib/wine/wine64"
[ "$(line 5)" = win64 ]; verdict WithoutItRunShStartsThe64BitBuild $((! $?)) "run.sh build '$(line 5)'"
[ "$(line 6)" = "$(line 2)" ]; verdict WithoutItTestShSaysWhyI686IsNotRun $((! $?)) "i686 reason '$(line 6)'"

out=$(decide "$work/runs")
[ "$(line 1)" = 1 ] && [[ "$(line 2)" == "this machine runs 32-bit programs: "* ]]
verdict ProgramThatRunsMeans32Bit $((! $?)) "decision '$(line 1)', note '$(line 2)'"
[ "$(line 3)" = /usr/bin ]; verdict With32BitThePathIsUntouched $((! $?)) "PATH starts '$(line 3)'"
[ "$(line 5)" = win32 ]; verdict With32BitRunShStartsTheShippedBuild $((! $?)) "run.sh build '$(line 5)'"
source scripts/machine-32bit.sh
if morvane_wine32_installed; then want=.; else want="32-bit Wine (wine32:i386) is not installed*"; fi
[[ "$(line 6)" == $want ]]; verdict With32BitI686RunsWhereWine32Is $((! $?)) "i686 reason '$(line 6)'"

# The written program is a valid i386 executable that exits with 42: checked under an emulator where
# one is installed, else by its header against the kernel's own answer for it.
morvane_32bit_probe_write "$work/probe"
size=$(stat -c %s "$work/probe")
header=$(od -A n -t x1 -N 20 "$work/probe" | tr -d ' \n')
if command -v qemu-i386 >/dev/null; then
  qemu-i386 "$work/probe"; status=$?
  [ "$status" = 42 ] && [ "$size" = 95 ]; verdict TheI386ProgramExitsWith42 $((! $?)) "status $status under qemu-i386, $size bytes"
else
  [ "$header" = 7f454c4601010100000000000000000002000300 ] && [ "$size" = 95 ]
  verdict TheI386ProgramIsAnI386Executable $((! $?)) "header $header, $size bytes"
fi
out=$(decide "")
"$work/probe" 2>/dev/null; status=$?
{ [ "$status" = 42 ] && [ "$(line 1)" = 1 ]; } || { [ "$status" != 42 ] && [ "$(line 1)" = 0 ]; }
verdict TheRealCheckAgreesWithTheKernel $((! $?)) "probe status $status, decision '$(line 1)': $(line 2)"

# A decision in the environment is kept: the probe is not run again.
out=$(MORVANE_RUNS_32BIT=1 MORVANE_32BIT_NOTE=kept MORVANE_32BIT_PROBE="$work/refused" bash -c '
  source scripts/machine-32bit.sh; morvane_32bit_decide; echo "$MORVANE_RUNS_32BIT $MORVANE_32BIT_NOTE"')
[ "$out" = "1 kept" ]; verdict ADecisionAlreadyMadeIsKept $((! $?)) "got '$out'"

if [ -n "$results" ]; then
  mkdir -p "$(dirname "$results")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"machine32\">"
    echo "<testsuite name=\"Machine32Bit\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$results"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
