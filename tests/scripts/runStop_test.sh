#!/usr/bin/env bash
# run.sh as a user meets it on a machine without display or sound card, one case a ctest entry (each
# with its own limit and its own run folder below BUILD/run-tests/, so that a slow case fails alone):
# - stop: run.sh says that Morvane runs on a virtual display, sends the sound to the bounded file,
#   refuses a second run of the same folder, and Ctrl+C (INT to the whole job, as a terminal sends it)
#   or TERM closes Morvane as its close box does: the quit-time settings are in the Wine registry
#   afterwards, the terminal says so once they are, the virtual display is gone and run.sh exits 0;
#   a killed run.sh or supervisor leaves nothing that the next start does not end.
# - questions: Morvane has unsaved work when it is asked to close; run.sh says in one line what Morvane
#   asks and waits for the answer, given in Morvane's window or typed into run.sh's input on the
#   virtual display: Yes saves the bank file, No and Cancel leave it, Cancel keeps Morvane running and
#   the next Ctrl+C asks again, and a second Ctrl+C or TERM closes without saving and says what was not
#   saved, a third stops it at once and says what is lost.
# - early: Ctrl+C or TERM before Morvane runs (during the build, while Wine sets up its folder, before
#   Morvane is started) stops the start and says so in one line; nothing of the start is left.
# - launch: Ctrl+C or TERM while Morvane starts closes it once it has started.
# - slow: a close that saved the settings and then hangs is stopped, and said so.
#
#   runStop_test.sh --list                 the entries: NAME LIMIT NEEDS (NEEDS: folder, a Wine folder
#                                          set up by the entry "Folder"; made, the entry that sets it up)
#   runStop_test.sh RESULTS BUILD NAME     runs entry NAME; Google Test style results go to RESULTS
#   runStop_test.sh --sweep BUILD          ends and removes what any entry left (a case that ran out of
#                                          its time limit is killed without its own clean-up)
# Registered in both Windows builds (BUILD, the build folder); an entry runs in the one run.sh starts
# on this machine (scripts/machine-32bit.sh: the i686 build where 32-bit programs run, else the
# x86_64 one) and needs that build's Morvane.exe, MorvaneClose.exe and tests/morvane_runinput.exe; in
# the other it runs no case. Waits scale with MORVANE_TIMEOUT_SCALE, as the entries' limits do.
set -uo pipefail
cd "$(dirname "$0")/../.."
SRC_DIR=$PWD

# Each entry, its time limit (seconds on a quiet machine, at least five times what it takes there) and
# what it needs. "Folder" sets up the Wine folder that the others copy (a first start costs 10 to 40 s).
list_entries() {
  cat <<'LIST'
Folder 300 made
IntClosesAsTheCloseBoxDoes 240 folder
TermClosesAsTheCloseBoxDoes 240 folder
TwoQuickCtrlCCloseWithoutAskingOnce 240 folder
AStartRightAfterAWineCommandOfItsFolderPlays 240 folder
KillingRunShClosesMorvaneAsTermDoes 240 folder
TheNextStartEndsWhatAKilledRunLeft 300 folder
IntDuringTheBuildStopsTheStart 120 none
TermDuringTheBuildStopsTheStart 120 none
TwoCtrlCDuringASlowBuildStopTheStartOnce 120 none
ThreeCtrlCDuringASlowBuildStopTheStartOnce 120 none
TwoTermDuringASlowBuildStopTheStartOnce 120 none
TwoCtrlCDuringASlowWineSetUpUndoIt 120 none
ThreeSignalsDuringASlowWineSetUpUndoIt 120 none
TwoCtrlCJustBeforeTheLaunchStopTheStartOnce 120 none
ThreeTermJustBeforeTheLaunchStopTheStartOnce 120 none
AFailingConfigureIsSaid 120 none
AFailingWineSetUpIsSaidAndUndone 120 none
AFailingWineCommandIsSaid 120 none
CtrlCAt0_1SecondsStopsTheStart 120 none
CtrlCAt0_3SecondsStopsTheStart 120 none
CtrlCAt0_8SecondsStopsTheStart 120 none
CtrlCWhileWineSetsUpStopsTheStart 180 none
CtrlCBeforeMorvaneStartsStopsTheStart 180 none
IntAt0_1SecondsAfterTheLaunchClosesOnceStarted 240 folder
TermAt0_5SecondsAfterTheLaunchClosesOnceStarted 240 folder
IntAt1SecondsAfterTheLaunchClosesOnceStarted 240 folder
IntAt2SecondsAfterTheLaunchClosesOnceStarted 240 folder
TermAt2_5SecondsAfterTheLaunchClosesOnceStarted 240 folder
AHangingCloseAfterTheSettingsSaysTheyAreSaved 480 folder
TermTwiceClosesWithoutSaving 360 folder
TypedYesStoresAndSavesTheBank 360 folder
CancelKeepsRunningAndNoLeavesTheBank 360 folder
SecondCtrlCClosesWithoutSaving 360 folder
ThirdCtrlCNamesWhatIsLost 360 folder
LIST
}
if [ "${1:-}" = --list ]; then list_entries; exit 0; fi

scale=${MORVANE_TIMEOUT_SCALE:-1}
[[ $scale =~ ^[1-9][0-9]*$ ]] || scale=1
ticks() { echo $(($1 * 10 * scale)); }   # ticks SECONDS: that wait, scaled, in tenths of a second

# ---- The run folders, and what a killed case leaves in them

# end_leftovers DIR: ends what a run in DIR left running (its supervisor's session, its virtual
# display, the test's own display, its Wine server and what it ran, its sound sink); prints what it ended.
end_leftovers() {
  local dir=$1 pid what=()
  for pid in $(sed -n 's/^supervisor //p' "$dir/run.state" 2>/dev/null); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = python3 ] && kill -KILL -- "-$pid" 2>/dev/null && what+=("its supervisor")
  done
  for pid in $(sed -n 's/^xvfb //p' "$dir/run.state" 2>/dev/null) $(cat "$dir/test.xvfb" 2>/dev/null); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] && kill "$pid" 2>/dev/null && what+=("a virtual display")
  done
  if [ -d "$dir/wineprefix" ] && WINEPREFIX=$dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1; then
    WINEPREFIX=$dir/wineprefix wineserver -w </dev/null >/dev/null 2>&1
    what+=("its Wine server")
  fi
  pkill -KILL -f -- "$dir/" 2>/dev/null && what+=("its sound sink")
  [ ${#what[@]} = 0 ] || (IFS=,; echo "${dir##*/}: ended what it left: ${what[*]}" | sed 's/,/, /g')
}
if [ "${1:-}" = --sweep ]; then
  for dir in "$2"/run-tests/*/; do
    [ -d "$dir" ] || continue
    end_leftovers "${dir%/}"
    rm -rf "${dir%/}"
  done
  rmdir "$2/run-tests" 2>/dev/null
  exit 0
fi

results=$1
entry=$3
source scripts/machine-32bit.sh
morvane_32bit_decide
if [ "$(cd "$2" && pwd)" != "$SRC_DIR/build/$(morvane_run_build)" ]; then
  echo "run.sh starts build/$(morvane_run_build) on this machine, not $2: no case runs here"
  mkdir -p "$(dirname "$results")" &&
    echo '<testsuites tests="0" failures="0" disabled="0" errors="0" name="runStop"></testsuites>' >"$results"
  exit 0
fi
read -r _ _ needs < <(list_entries | grep "^$entry ") || { echo "runStop_test.sh: no entry '$entry'" >&2; exit 2; }
build_dir=$SRC_DIR/build/$(morvane_run_build)
runs=$build_dir/run-tests
template=$runs/Folder
run_dir=$runs/$entry
XVFB_PID=
display=   # the display of the run under way (its virtual one, or the test's own)
end_leftovers "$run_dir"   # an earlier run of this entry that was killed
rm -rf "$run_dir"; mkdir -p "$run_dir"
# Whatever happened, nothing this test started outlives it: the run's persistent Wine server included.
finish() {
  [ -n "${run_pid:-}" ] && end_case
  [ -n "${held_sink:-}" ] && kill -CONT "$held_sink" 2>/dev/null
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$run_dir/wineprefix wineserver -w </dev/null >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  [ "$entry" = Folder ] && [ -n "$folder_ready" ] || rm -rf "$run_dir"
}
folder_ready=
trap finish EXIT
trap '' PIPE   # a run.sh that ended before its input was typed into fails its case, not the test
# own_display: a display of the test's own (noted for --sweep), its name in $seen; DISPLAY stays unset
own_display() {
  unset DISPLAY
  source scripts/start-xvfb.sh
  echo "$XVFB_PID" >"$run_dir/test.xvfb"
  seen=$DISPLAY
  unset DISPLAY
}
# take_folder: the run's Wine folder, a copy of the one "Folder" set up. Wine's own libraries and fonts
# (nine tenths of it, never written) are linked, not copied; every other file is the run's own.
take_folder() {
  [ -f "$template/.folder-ready" ] || return 1
  cp -al "$template/wineprefix" "$run_dir/wineprefix" || return 1
  find "$run_dir/wineprefix" -type f ! -path '*/system32/*' ! -path '*/syswow64/*' ! -path '*/winsxs/*' \
    ! -path '*/Fonts/*' -exec sh -c 'for f; do cp -p "$f" "$f.own" && mv -f "$f.own" "$f"; done' sh {} +
}
passed=0; failed=0; cases=()
verdict() {   # verdict NAME OK(0|1) MESSAGE
  if [ "$2" = 1 ]; then passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"RunScript\"/>"); echo "[       OK ] $1"
  else failed=$((failed + 1)); cases+=("<testcase name=\"$1\" classname=\"RunScript\"><failure message=\"$3\"/></testcase>"); echo "[  FAILED  ] $1: $3"; fi
}
tail_of() { tail -4 "$1" | tr '"<>&\n' "'...|"; }   # a log's end, fit for a failure message

# launch_run LOG [DISPLAY]: starts run.sh in a job of its own (so it gets INT as a terminal's Ctrl+C
# would give it), without a display or on DISPLAY, its input a pipe the test types into (fd 7).
# run_options (--no-build) and run_env (none) are passed to it.
run_options=(--no-build)
run_env=()
launch_run() {
  exec 7>&-
  rm -rf "$run_dir/audio" "$run_dir/input"
  mkfifo "$run_dir/input"
  local display=(-u DISPLAY)
  [ -n "${2:-}" ] && display=(DISPLAY="$2")
  set -m
  # run.sh decides on its own whether the machine runs 32-bit programs, as it does for a user; INT and
  # PIPE reach it as a terminal's job, whatever started the test (a job a script starts in the
  # background ignores INT; this test ignores PIPE).
  python3 -c 'import os, signal as s, sys; [s.signal(n, s.SIG_DFL) for n in (s.SIGINT, s.SIGPIPE)]; os.execvp("env", ["env"] + sys.argv[1:])' \
    -u MORVANE_RUNS_32BIT -u MORVANE_32BIT_NOTE "${display[@]}" MORVANE_RUN_DIR="$run_dir" "${run_env[@]}" \
    ./run.sh "${run_options[@]}" --audio-file <"$run_dir/input" >"$1" 2>&1 &
  run_pid=$!
  set +m
  exec 7>"$run_dir/input"
  watch_run
}
# While run.sh runs, the processes of its run (its supervisor, its virtual display) are noted in
# $run_dir/seen, so that a case can tell afterwards that none of them is left.
watch_run() {
  : >"$run_dir/seen"
  (while kill -0 "$run_pid" 2>/dev/null; do state_of supervisor; state_of xvfb; sleep 0.02; done >>"$run_dir/seen") &
  watcher=$!
}
# nothing_left [PID...]: no process of the run is left (its supervisor, its virtual display, the PIDs
# named) and no Wine server of its folder.
nothing_left() {
  wait "$watcher" 2>/dev/null
  local pid
  for pid in $(sort -u "$run_dir/seen") "$@"; do gone "$pid" || return 1; done
  ! WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
}
# start_run LOG [DISPLAY]: launch_run, then waits until Morvane plays into the sound file.
start_run() {
  launch_run "$@"
  local i
  for i in $(seq "$(ticks 60)"); do
    compgen -G "$run_dir/audio/out-*.raw" >/dev/null && [ -n "$(find "$run_dir/audio" -name 'out-*.raw' -size +8k)" ] && return 0
    kill -0 "$run_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
signal_run() {   # signal_run INT|TERM: Ctrl+C reaches the whole job, TERM run.sh alone (as kill sends it)
  if [ "$1" = INT ]; then kill -INT -- "-$run_pid"; else kill "-$1" "$run_pid"; fi 2>/dev/null
}
type_line() { echo "$1" >&7; } 2>/dev/null   # type_line TEXT: typed into run.sh's input
end_run() {   # end_run: the status of run.sh, or 124 when it did not end within 60 s
  local i
  for i in $(seq "$(ticks 60)"); do kill -0 "$run_pid" 2>/dev/null || { exec 7>&-; wait "$run_pid"; return $?; }; sleep 0.1; done
  kill -KILL -- "-$run_pid" 2>/dev/null; exec 7>&-; return 124
}
stop_run() { signal_run "$1"; end_run; }   # stop_run SIGNAL
# end_case: after a case, nothing of its run is left (run.sh, its Morvane, its virtual display), also
# when run.sh did not end.
end_case() {
  local sup xvfb
  sup=$(state_of supervisor); xvfb=$(state_of xvfb)
  kill -0 "$run_pid" 2>/dev/null || [ -n "$sup" ] || return 0
  kill -KILL -- "-$run_pid" 2>/dev/null
  [ -n "$sup" ] && kill -KILL -- "-$sup" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  rm -f "$run_dir/run.state"
  return 0
}
# state_of supervisor|xvfb: a process of the run under way (run.sh's supervisor keeps them in run.state).
state_of() { sed -n "s/^$1 //p" "$run_dir/run.state" 2>/dev/null | head -1; }
# said LOG PATTERN [COUNT]: waits (60 s at most, while run.sh runs) until COUNT (1) lines match.
said() {
  local i
  for i in $(seq "$(ticks 60)"); do
    [ "$(grep -cE -- "$2" "$1")" -ge "${3:-1}" ] && return 0
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(grep -cE -- "$2" "$1")" -ge "${3:-1}" ]
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

closed_line='^Morvane has closed; its settings are saved\.$'
# The settings are said to be saved once, as the last line, after they are.
settings_said() { [ "$(grep -c 'settings are saved' "$1")" = 1 ] && tail -1 "$1" | grep -qE "$closed_line"; }

# ---- Ctrl+C or TERM before Morvane runs

# Stand-ins on PATH for the commands of the start, each as MORVANE_TEST_MODE says (every package
# counts as installed): the build runs until it is ended, or ends 1.5 s after TERM (slow); the configure
# fails (configure-fails); Wine's set-up fails (setup-fails) or ends slowly (setup-slow); Wine's
# registry commands fail (reg-fails) or end slowly (reg-slow). Each notes its process id in
# $run_dir/NAME.pid; other Wine commands go to the real Wine.
fake_tools() {
  mkdir -p "$run_dir/bin"
  cat >"$run_dir/bin/cmake" <<'END'
#!/bin/sh
case " $* " in
  *" --build "*) echo $$ >"$MORVANE_TEST_DIR/build.pid"
    [ "$MORVANE_TEST_MODE" = slow ] || exec sleep 300
    trap 'sleep 1.5; exit 143' TERM; sleep 300 & wait; exit ;;
esac
[ "$MORVANE_TEST_MODE" != configure-fails ]
END
  stand_in wineboot setup 3
  stand_in wine reg 5 reg
  printf '#!/bin/sh\nprintf "install ok installed"\n' >"$run_dir/bin/dpkg-query"
  chmod +x "$run_dir/bin/"*
}
# stand_in COMMAND KIND STATUS [FIRST]: COMMAND (with FIRST as its first argument, when named) notes
# its process id in KIND.pid and, as the mode says, fails with STATUS (KIND-fails) or ends slowly
# (KIND-slow); otherwise the real COMMAND runs.
stand_in() {
  cat >"$run_dir/bin/$1" <<END
#!/bin/sh
if [ -z "${4:-}" ] || [ "\$1" = "${4:-}" ]; then
  echo \$\$ >"\$MORVANE_TEST_DIR/$2.pid"
  case \$MORVANE_TEST_MODE in
    $2-fails) exit $3 ;;
    $2-slow) trap 'sleep 1.5; exit 143' TERM; sleep 300 & wait; exit ;;
  esac
fi
PATH=\${PATH#*:} exec $1 "\$@"
END
}
# with_tools MODE [build]: the next run takes the stand-ins in MODE (with the build, or --no-build).
with_tools() {
  run_env=(PATH="$run_dir/bin:$PATH" MORVANE_TEST_DIR="$run_dir" MORVANE_TEST_MODE="$1")
  if [ "${2:-}" = build ]; then run_options=(); else run_options=(--no-build); fi
  rm -f "$run_dir"/{build,setup,reg}.pid
}
# a Wine folder that counts as set up (no real Wine needed until Morvane starts)
ready_prefix() { mkdir -p "$run_dir/wineprefix/dosdevices"; touch "$run_dir/wineprefix/.morvane-ready"; }
# waits (60 s at most) until FILE exists
appears() { local i; for i in $(seq "$(ticks 60)"); do [ -e "$1" ] && return 0; kill -0 "$run_pid" 2>/dev/null || break; sleep 0.1; done; [ -e "$1" ]; }
stopped_line() { echo "^The start is stopped \(${1//+/\\+} $2\): Morvane was not started\.$"; }
failed_line() { echo "^The start failed: $1; Morvane was not started\.$"; }
no_sound() { ! compgen -G "$run_dir/audio/out-*.raw" >/dev/null; }
gone() { gone_within 10 "$1"; }
gone_within() { local i; for i in $(seq "$(ticks "$1")"); do kill -0 "$2" 2>/dev/null || return 0; sleep 0.1; done; return 1; }
last_line_is() { tail -1 "$log" | grep -qE -- "$1"; }
no_half_made_prefix() { [ ! -e "$run_dir/wineprefix" ] || [ -e "$run_dir/wineprefix/.morvane-ready" ]; }
# the start stopped (or failed): run.sh ended with STATUS, its last line LINE, no sound played, nothing
# of the run left (PIDs: the stand-ins it ran)
stopped_with() {
  check "no end with status $1" ends_with_status "$1"
  check "not said last that the start is stopped" last_line_is "$2"
  check "Morvane played" no_sound
  check "a process of the run is left" nothing_left "${@:3}"
}
# waits (10 s at most) until run.sh runs (its launcher has become the shell that runs it)
running_run_sh() {
  local i
  for i in $(seq $((1000 * scale))); do
    [ "$(tr '\0' '\n' <"/proc/$run_pid/cmdline" 2>/dev/null | sed -n 2p)" = ./run.sh ] && return 0
    sleep 0.01
  done
  return 1
}
signal_name() { if [ "$1" = INT ]; then echo Ctrl+C; else echo TERM; fi; }
status_of() { if [ "$1" = INT ]; then echo 130; else echo 143; fi; }
# burst SIGNALS GAP: each signal (INT or TERM), GAP seconds apart
burst() { local sig first=1; for sig in $1; do ((first)) || sleep "$2"; first=0; signal_run "$sig"; done; }

# ---- Ctrl+C or TERM while Morvane starts (its window made, the start-up splash up, or not yet)

# the wine process of Morvane that run.sh's supervisor started (waits 60 s at most)
launched() {
  local i sup pid
  for i in $(seq "$(ticks 60)"); do
    sup=$(state_of supervisor)
    pid=${sup:+$(pgrep -P "$sup" -f 'Morvane\.exe' | head -1)}
    [ -n "$pid" ] && return 0
    kill -0 "$run_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# ---- Morvane asks before it closes

run_wine() {   # a Windows program in the run's Wine folder, on the run's display
  DISPLAY=$display WINEPREFIX=$run_dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine "$@" \
    </dev/null 2>/dev/null
}
input() { run_wine "$build_dir/tests/morvane_runinput.exe" "$@" >/dev/null; }
# The sound edited as the user does: the Effect page (Window > Effect), a click on its on switch (21..67
# x 46..59 on the page, the page 72 pixels below the top of the window). A switch flipped always differs
# from the preset, whatever an earlier case stored into it (a tab clicked would not, once stored).
edit_sound() { input command 20009 && input click 44 124; }
open_bank() { input command 20016; }   # File > the first recent file: the test's bank
in_window() { run_wine "$build_dir/source/app/MorvaneClose.exe" --answer "$1" >/dev/null; }   # a click on that button
bank=$run_dir/banks/test.glo
bank_sum() { md5sum <"$bank"; }
not_said() { ! grep -qE -- "$2" "$1"; }
said_once() { [ "$(grep -cE -- "$2" "$1")" = 1 ]; }
store_question='^Morvane asks: "The sound .* has edits that are not stored in its preset [0-9]+\. Store them into preset [0-9]+\? No discards them\."'
save_question='^Morvane asks: "Save changes to test(\.glo)?\?"'
typed_here=' Its window is on the virtual display :[0-9]+, which nobody sees: type y \(Yes\), n \(No\) or c \(Cancel\) and Enter to answer here, or press Ctrl\+C again to close Morvane without saving\.$'
in_its_window=' Answer it in Morvane.s window \(Yes, No or Cancel\); Ctrl\+C again closes Morvane without saving\.$'

# question_run NAME LOG [DISPLAY] [bank]: writes the test's bank and starts run.sh, which opens it,
# when asked to, and edits the sound; false (the case failed) when any of it did not happen.
question_run() {
  if [ "${4:-}" = bank ] && ! write_bank; then
    verdict "$1" 0 "no bank file $bank"
    return 1
  fi
  if ! start_run "$2" "${3:-}"; then
    verdict "$1" 0 "no sound in $run_dir/audio: $(tail_of "$2")"
    return 1
  fi
  display=${3:-$(display_of "$2")}
  if { [ "${4:-}" = bank ] && ! open_bank; } || ! edit_sound; then
    verdict "$1" 0 "the bank could not be opened or the sound edited"
    return 1
  fi
  plant enablePgm; plant oneWindow
}

# check WHAT COMMAND...: runs the command; when it fails, WHAT joins the case's list of faults ($why).
check() { "${@:2}" || why+="${why:+; }$1"; }
bank_is() { [ "$(bank_sum)" "$1" "$2" ]; }
ends_with_status() { end_run; status=$?; [ "$status" = "$1" ]; }
case_verdict() { [ -z "$why" ]; verdict "$1" $((! $?)) "$why (status ${status:-none}): $(tail_of "$2")"; }


# ---- The entries

# The Wine folder the other entries copy: a first start sets it up and plays, and Ctrl+C closes it.
case_Folder() {
  local log=$run_dir/run-first.log why= status=
  if start_run "$log"; then
    signal_run INT
    check "no end with status 0" ends_with_status 0
    check "not said once, last, that the settings are saved" settings_said "$log"
  else
    why="no sound in $run_dir/audio"
  fi
  case_verdict FirstStartSetsUpItsFolderAndPlays "$log"
  end_case
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$run_dir/wineprefix wineserver -w </dev/null >/dev/null 2>&1
  if [ -z "$why" ]; then
    rm -rf "$run_dir/audio" "$run_dir"/*.log "$run_dir/input"
    touch "$run_dir/.folder-ready"; folder_ready=1
  fi
}

# INT or TERM: Morvane closes as its close box does, saves its settings, says so and ends its display.
close_case() {   # close_case INT|TERM
  local sig=$1 log=$run_dir/run-$1.log display status xvfb second code
  if ! start_run "$log"; then
    verdict "${sig}StartsAndPlaysIntoTheFile" 0 "no sound in $run_dir/audio: $(tail_of "$log")"
    return
  fi
  verdict "${sig}StartsAndPlaysIntoTheFile" 1 ""
  if [ "$sig" = INT ]; then
    grep -q "No display here: Morvane runs on a virtual display" "$log"; verdict SaysItRunsOnAVirtualDisplay $((! $?)) "no display note"
    grep -q "sound goes to $run_dir/audio/out-\*.raw" "$log"; verdict SaysWhereTheSoundGoes $((! $?)) "no sound-file note"
    if [ "$(morvane_run_build)" = win64 ]; then
      grep -q "^Morvane starts its 64-bit build under 64-bit Wine: this machine cannot run 32-bit programs" "$log"
      verdict SaysItStartsThe64BitBuild $((! $?)) "no line on the 64-bit build"
    fi
    second=$(env -u DISPLAY MORVANE_RUN_DIR="$run_dir" timeout $((30 * scale)) ./run.sh --no-build --audio-file 2>&1 </dev/null); code=$?
    [ "$code" = 1 ] && grep -q "already running" <<<"$second"; verdict ASecondRunOfTheSameFolderIsRefused $((! $?)) "status $code: $second"
  fi
  plant enablePgm; plant oneWindow
  display=$(display_of "$log")
  xvfb=$(state_of xvfb)
  stop_run "$sig"; status=$?
  [ "$status" = 0 ]; verdict "${sig}EndsRunShWithStatusZero" $((! $?)) "run.sh status $status: $(tail_of "$log")"
  settings_saved; verdict "${sig}SavesTheQuitTimeSettings" $((! $?)) "enablePgm or oneWindow not written at the close"
  ! grep -q "^Morvane asks" "$log" && settings_said "$log"
  verdict "${sig}ClosesAtOnceAndSaysTheSettingsAreSaved" $((! $?)) "$(tail_of "$log")"
  # The virtual display's server is gone (its display number may serve another program soon after).
  [ -n "$xvfb" ] && gone_within 30 "$xvfb"
  verdict "${sig}EndsTheVirtualDisplay" $((! $?)) "the server of display $display (process ${xvfb:-none found}) still there"
}
case_IntClosesAsTheCloseBoxDoes() { close_case INT; }
case_TermClosesAsTheCloseBoxDoes() { close_case TERM; }

# Two Ctrl+C at once: the first starts the close as the close box does, the second closes without
# asking; each is said at most once, nothing is asked, and the settings are saved.
case_TwoQuickCtrlCCloseWithoutAskingOnce() {
  local log=$run_dir/run-int-int-quick.log status
  if start_run "$log"; then
    plant enablePgm; plant oneWindow
    signal_run INT; sleep 0.1; signal_run INT
    end_run; status=$?
    # (While Morvane still starts, its own close may end it before the second step has looked: that
    # step then has nothing to say.)
    [ "$status" = 0 ] && [ "$(grep -c '^Closing Morvane as its close box does\.\.\.$' "$log")" = 1 ] &&
      [ "$(grep -c '^Closing Morvane without asking: it has nothing unsaved\.$' "$log")" -le 1 ] &&
      ! grep -qE '^(Morvane (asks|says|shows)|Closing Morvane without saving)' "$log" &&
      settings_saved && settings_said "$log"
    verdict TwoQuickCtrlCCloseWithoutAskingOnce $((! $?)) "status $status: $(tail_of "$log")"
  else
    verdict TwoQuickCtrlCCloseWithoutAskingOnce 0 "no sound in $run_dir/audio: $(tail_of "$log")"
  fi
}

# A start right after a Wine command of its folder (whose server lingers a few seconds, with a desktop
# made for no display): Morvane's window opens on the run's display and it plays.
case_AStartRightAfterAWineCommandOfItsFolderPlays() {
  local log=$run_dir/run-after-wine-command.log
  plant enablePgm
  if start_run "$log"; then
    verdict AStartRightAfterAWineCommandOfItsFolderPlays 1 ""
    stop_run INT >/dev/null
  else
    verdict AStartRightAfterAWineCommandOfItsFolderPlays 0 "no sound in $run_dir/audio: $(tail_of "$log")"
  fi
}

# run.sh killed outright (no trap runs): its supervisor, left without it, closes Morvane as TERM
# does, and nothing of the run is left.
case_KillingRunShClosesMorvaneAsTermDoes() {
  local log=$run_dir/run-killed.log why= status= sup
  if start_run "$log"; then
    plant enablePgm; plant oneWindow
    sup=$(state_of supervisor)
    kill -KILL "$run_pid"
    check "the supervisor did not end" gone_within 60 "$sup"
    check "not said that Morvane has closed" said "$log" "$closed_line"
    check "settings not saved" settings_saved
    check "a process of the run is left" nothing_left
  else
    why="no sound in $run_dir/audio"
  fi
  case_verdict KillingRunShClosesMorvaneAsTermDoes "$log"
}

# The supervisor killed outright as well: what it left running (Morvane, its Wine server, its virtual
# display) is ended by the next start, which says so and plays.
case_TheNextStartEndsWhatAKilledRunLeft() {
  local log=$run_dir/run-orphaned.log why= status= sup xvfb
  if start_run "$log"; then
    sup=$(state_of supervisor); xvfb=$(state_of xvfb)
    kill -KILL "$run_pid" "$sup"
    log=$run_dir/run-after-orphaned.log
    if start_run "$log"; then
      check "not said what the killed run left" said "$log" \
        '^An earlier run of this folder was stopped outright and left its Wine server and the Morvane it ran and its virtual display running: ended now\.$'
      check "the earlier virtual display is left" gone "$xvfb"
      stop_run INT >/dev/null
      check "the second run did not close" settings_said "$log"
    else
      why="the next start did not play"
    fi
  else
    why="no sound in $run_dir/audio"
  fi
  case_verdict TheNextStartEndsWhatAKilledRunLeft "$log"
}

# During the build: Ctrl+C or TERM ends the build and the start.
build_stop_case() {   # build_stop_case INT|TERM
  local sig=$1 name log=$run_dir/run-build-$1.log why= status= build
  name=$(signal_name "$sig")
  fake_tools
  with_tools build build
  launch_run "$log"
  if appears "$run_dir/build.pid"; then
    build=$(cat "$run_dir/build.pid")
    signal_run "$sig"
    stopped_with "$(status_of "$sig")" "$(stopped_line "$name" 'during the build')" "$build"
  else
    why="the build never started"
  fi
  case_verdict "${sig}DuringTheBuildStopsTheStart" "$log"
}
case_IntDuringTheBuildStopsTheStart() { build_stop_case INT; }
case_TermDuringTheBuildStopsTheStart() { build_stop_case TERM; }

# Two and three signals close together while a command of the start is being ended, and it takes its
# time to end (1.5 s after TERM): during the build, during Wine's set-up of its folder and in the last
# moment before the launch (Wine's registry commands). The first signal's stop is said once, last; the
# command and everything else of the run are gone, a half-made Wine folder too.
burst_case() {   # burst_case NAME MODE PIDFILE WHERE SIGNALS GAP
  local name=$1 mode=$2 file=$3 where=$4 signals=$5 gap=$6 log=$run_dir/run-$1.log why= status= build sig
  fake_tools
  [ "$mode" = reg-slow ] && ready_prefix
  if [ "$mode" = slow ]; then with_tools slow build; else with_tools "$mode"; fi
  launch_run "$log"
  if appears "$run_dir/$file.pid"; then
    build=$(cat "$run_dir/$file.pid")
    sig=${signals%%,*}
    burst "${signals//,/ }" "$gap"
    stopped_with "$(status_of "$sig")" "$(stopped_line "$(signal_name "$sig")" "${where//_/ }")" "$build"
    check "said more than once that the start is stopped" said_once "$log" '^The start is stopped'
    check "the half-made Wine folder is left" no_half_made_prefix
  else
    why="the command never started"
  fi
  case_verdict "$name" "$log"
}
case_TwoCtrlCDuringASlowBuildStopTheStartOnce() { burst_case "$entry" slow build during_the_build INT,INT 0.3; }
case_ThreeCtrlCDuringASlowBuildStopTheStartOnce() { burst_case "$entry" slow build during_the_build INT,INT,INT 0.1; }
case_TwoTermDuringASlowBuildStopTheStartOnce() { burst_case "$entry" slow build during_the_build TERM,TERM 0.5; }
case_TwoCtrlCDuringASlowWineSetUpUndoIt() { burst_case "$entry" setup-slow setup while_Wine_set_up_its_folder INT,INT 0.2; }
case_ThreeSignalsDuringASlowWineSetUpUndoIt() { burst_case "$entry" setup-slow setup while_Wine_set_up_its_folder INT,TERM,INT 0.1; }
case_TwoCtrlCJustBeforeTheLaunchStopTheStartOnce() { burst_case "$entry" reg-slow reg before_Morvane_was_started INT,INT 0.3; }
case_ThreeTermJustBeforeTheLaunchStopTheStartOnce() { burst_case "$entry" reg-slow reg before_Morvane_was_started TERM,TERM,TERM 0.1; }

# A command of the start that fails ends it with one line that names it, at every level: the build's
# configuration, Wine's set-up of its folder (which is undone), a Wine command of the set-up.
failing_case() {   # failing_case NAME MODE STATUS LINE
  local name=$1 mode=$2 code=$3 line=$4 log=$run_dir/run-$1.log why= status=
  fake_tools
  [ "$mode" = reg-fails ] && ready_prefix
  if [ "$mode" = configure-fails ]; then with_tools "$mode" build; else with_tools "$mode"; fi
  launch_run "$log"
  stopped_with 1 "$(failed_line "${line//_/ } ended with status $code")"
  check "the half-made Wine folder is left" no_half_made_prefix
  case_verdict "$name" "$log"
}
case_AFailingConfigureIsSaid() { failing_case "$entry" configure-fails 1 "the_build's_configuration_\(cmake\)"; }
case_AFailingWineSetUpIsSaidAndUndone() { failing_case "$entry" setup-fails 3 "Wine's_set-up_of_its_folder_\(wineboot_-i\)"; }
case_AFailingWineCommandIsSaid() { failing_case "$entry" reg-fails 5 "the_Wine_command_'wine_reg_add_[^']*'"; }

# Ctrl+C in the first moments of a first start (the supervisor starting, the 32-bit check, the
# virtual display, Wine's set-up): wherever it lands, the start is stopped and says so.
first_moments_case() {   # first_moments_case DELAY
  local delay=$1 log=$run_dir/run-at-$1.log why= status=
  launch_run "$log"
  check "run.sh did not start" running_run_sh
  sleep "$delay"
  signal_run INT
  stopped_with 130 "$(stopped_line Ctrl+C '(before Morvane was started|while Wine set up its folder)')"
  check "the half-made Wine folder is left" no_half_made_prefix
  case_verdict "CtrlCAt${delay/./_}SecondsStopsTheStart" "$log"
}
case_CtrlCAt0_1SecondsStopsTheStart() { first_moments_case 0.1; }
case_CtrlCAt0_3SecondsStopsTheStart() { first_moments_case 0.3; }
case_CtrlCAt0_8SecondsStopsTheStart() { first_moments_case 0.8; }

# While Wine sets up its folder (the first start): the set-up is undone, nothing of it is left.
case_CtrlCWhileWineSetsUpStopsTheStart() {
  local log=$run_dir/run-setup.log why= status= xvfb
  launch_run "$log"
  if said "$log" '^First start: Wine is setting up its folder'; then
    sleep 2
    xvfb=$(state_of xvfb)
    signal_run INT
    stopped_with 130 "$(stopped_line Ctrl+C 'while Wine set up its folder')"
    check "the half-made Wine folder is left" eval '[ ! -e "$run_dir/wineprefix" ]'
    check "the virtual display is left" eval '[ -n "$xvfb" ] && gone "$xvfb"'
  else
    why="no set-up said"
  fi
  case_verdict CtrlCWhileWineSetsUpStopsTheStart "$log"
}

# Before Morvane is started (on a display, after the sound's line, while Wine's commands set the
# folder up for the run: a folder marked ready that Wine still makes, so that this lasts).
case_CtrlCBeforeMorvaneStartsStopsTheStart() {
  local log=$run_dir/run-before.log why= status= seen
  own_display
  ready_prefix
  launch_run "$log" "$seen"
  if said "$log" '^No sound card or sound server here'; then
    sleep 1
    signal_run INT
    stopped_with 130 "$(stopped_line Ctrl+C 'before Morvane was started')"
  else
    why="no line on the sound"
  fi
  case_verdict CtrlCBeforeMorvaneStartsStopsTheStart "$log"
}

# Ctrl+C or TERM while Morvane starts (its window made, the start-up splash up, or not yet): it closes
# once started, saves its settings, asks nothing, and nothing of the run is left.
launch_case() {   # launch_case INT|TERM DELAY
  local sig=$1 delay=$2 log=$run_dir/run-launch-$1-$2.log why= status=
  plant enablePgm; plant oneWindow
  launch_run "$log"
  if launched; then
    sleep "$delay"
    signal_run "$sig"
    check "no end with status 0" ends_with_status 0
    check "not said once, last, that the settings are saved" settings_said "$log"
    check "asked or showed something" not_said "$log" '^Morvane (asks|says|shows)'
    check "settings not saved" settings_saved
    check "a process of the run is left" nothing_left
  else
    why="Morvane was not launched"
  fi
  case_verdict "${sig}At${delay/./_}SecondsAfterTheLaunchClosesOnceStarted" "$log"
}
case_IntAt0_1SecondsAfterTheLaunchClosesOnceStarted() { launch_case INT 0.1; }
case_TermAt0_5SecondsAfterTheLaunchClosesOnceStarted() { launch_case TERM 0.5; }
case_IntAt1SecondsAfterTheLaunchClosesOnceStarted() { launch_case INT 1; }
case_IntAt2SecondsAfterTheLaunchClosesOnceStarted() { launch_case INT 2; }
case_TermAt2_5SecondsAfterTheLaunchClosesOnceStarted() { launch_case TERM 2.5; }

# Morvane's sound into the file is held (its sink stopped): its close saves the settings, then waits
# on its audio. After 40 s run.sh stops it and says that its settings are saved, which they are.
case_AHangingCloseAfterTheSettingsSaysTheyAreSaved() {
  local log=$run_dir/run-slow.log why= status= sink
  if start_run "$log"; then
    plant enablePgm; plant oneWindow
    sink=$(pgrep -f "audio-sink\.py .*$run_dir/audio" | head -1)
    if [ -n "$sink" ]; then
      kill -STOP "$sink"; held_sink=$sink
      signal_run INT
      check "no end with status 1" ends_with_status 1
      check "not said last that the settings are saved" last_line_is \
        '^Morvane has saved its settings but has not ended for 40 seconds: it is stopped; its settings are saved\.$'
      check "settings not saved" settings_saved
      kill -CONT "$sink"; held_sink=
      check "a process of the run is left" nothing_left "$sink"
    else
      why="no sound sink found"
    fi
  else
    why="no sound in $run_dir/audio"
  fi
  case_verdict AHangingCloseAfterTheSettingsSaysTheyAreSaved "$log"
}

# TERM, and TERM again while Morvane asks: it closes without saving, and says that the sound's edits
# are lost.
case_TermTwiceClosesWithoutSaving() {
  local log=$run_dir/run-term-term.log why= status=
  question_run TermTwiceClosesWithoutSaving "$log" || return
  signal_run TERM
  check "no question" said "$log" "$store_question$typed_here"
  signal_run TERM
  check "no words on what is lost" \
    said "$log" '^Closing Morvane without saving\. Not saved: the edits of its sound that were not stored into its preset\.$'
  check "no end with status 0" ends_with_status 0
  check "settings not saved" settings_saved
  check "not said once, last, that the settings are saved" settings_said "$log"
  case_verdict TermTwiceClosesWithoutSaving "$log"
}

# The test's bank: written by Morvane's own code into a file of the run, and named as the first
# recent file, so that the File menu opens it.
write_bank() {
  mkdir -p "$(dirname "$bank")"
  input bank "Z:${bank//\//\\}"
  WINEPREFIX=$run_dir/wineprefix WINEDEBUG=-all wine reg add 'HKCU\Software\Veltrano\Morvane' /v "bankPath 0" \
    /d "Z:${bank//\//\\}" /f </dev/null >/dev/null 2>&1
  [ -s "$bank" ]
}

# Ctrl+C: Morvane asks whether to store the edits, then whether to save the bank; y typed into run.sh's
# input answers each, and the bank file is written.
case_TypedYesStoresAndSavesTheBank() {
  local log=$run_dir/run-yes.log why= status= before
  question_run TypedYesStoresAndSavesTheBank "$log" "" bank || return
  before=$(bank_sum)
  signal_run INT
  check "no store question" said "$log" "$store_question$typed_here"
  type_line y
  check "no save question" said "$log" "$save_question$typed_here"
  type_line y
  check "no end with status 0" ends_with_status 0
  check "the bank file unchanged" bank_is != "$before"
  check "not said once, last, that the settings are saved" settings_said "$log"
  case_verdict TypedYesStoresAndSavesTheBank "$log"
}

# On a display: the question is answered in Morvane's window. Cancel keeps Morvane running and the
# next Ctrl+C asks again; No then closes it with the bank file as it was.
case_CancelKeepsRunningAndNoLeavesTheBank() {
  local log=$run_dir/run-cancel-no.log why= status= before seen
  own_display
  question_run CancelKeepsRunningAndNoLeavesTheBank "$log" "$seen" bank || return
  before=$(bank_sum)
  signal_run INT
  check "no store question" said "$log" "$store_question$in_its_window"
  in_window c
  check "not said that Morvane keeps running" said "$log" "Morvane keeps running"
  check "run.sh ended at Cancel" kill -0 "$run_pid"
  signal_run INT
  check "not asked again" said "$log" "$store_question$in_its_window" 2
  in_window n
  check "no end with status 0" ends_with_status 0
  check "the bank file changed" bank_is = "$before"
  check "asked to save the bank" not_said "$log" "$save_question"
  check "settings not saved" settings_saved
  check "not said once, last, that the settings are saved" settings_said "$log"
  case_verdict CancelKeepsRunningAndNoLeavesTheBank "$log"
}

# The edits stored (y), then Ctrl+C again while Morvane asks to save the bank: it closes without
# saving, says that the bank's changes are lost, and the file is as it was.
case_SecondCtrlCClosesWithoutSaving() {
  local log=$run_dir/run-int-int.log why= status= before
  question_run SecondCtrlCClosesWithoutSaving "$log" "" bank || return
  before=$(bank_sum)
  signal_run INT
  check "no store question" said "$log" "$store_question$typed_here"
  type_line y
  check "no save question" said "$log" "$save_question$typed_here"
  signal_run INT
  check "no words on what is lost" \
    said "$log" '^Closing Morvane without saving\. Not saved: the changes to its bank since it was last saved\.$'
  check "no end with status 0" ends_with_status 0
  check "the bank file changed" bank_is = "$before"
  check "settings not saved" settings_saved
  check "not said once, last, that the settings are saved" settings_said "$log"
  case_verdict SecondCtrlCClosesWithoutSaving "$log"
}

# Three Ctrl+C at once: Morvane is stopped, and the line says what is lost: the sound's edits, and its
# settings unless its close had saved them already (a busy machine may let it get so far meanwhile).
case_ThirdCtrlCNamesWhatIsLost() {
  local log=$run_dir/run-int-3.log why= status=
  question_run ThirdCtrlCNamesWhatIsLost "$log" || return
  signal_run INT; sleep 0.2; signal_run INT; sleep 0.2; signal_run INT
  check "no end with status 1" ends_with_status 1
  check "not said once what is lost" said_once "$log" \
    '^Morvane is stopped at once(\. Not saved: its settings; |; its settings were saved already\. Not saved: )the edits of its sound that were not stored into its preset\.$'
  check "said that the settings are saved as a close saves them" not_said "$log" 'settings are saved'
  if grep -q 'settings were saved already' "$log"; then
    check "the settings not saved" settings_saved
  else
    check "the settings saved" eval '! settings_saved'
  fi
  case_verdict ThirdCtrlCNamesWhatIsLost "$log"
}

# ---- One entry

if [ "$needs" = folder ] && ! take_folder; then
  verdict "$entry" 0 "no Wine folder to start from: the entry Folder did not set one up"
else
  "case_$entry"
  end_case
fi

if [ -n "$results" ]; then
  mkdir -p "$(dirname "$results")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"runStop_$entry\">"
    echo "<testsuite name=\"RunScript\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$results"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
