#!/usr/bin/env bash
# run.sh as a user meets it on a machine without display or sound card: it says that Morvane runs on
# a virtual display, sends the sound to the bounded file, refuses a second run of the same folder, and
# Ctrl+C (INT to the whole job, as a terminal sends it) or TERM closes Morvane as its close box does:
# the quit-time settings are in the Wine registry afterwards, the terminal says so once they are, the
# virtual display is gone and run.sh exits 0 (group "stop"). Group "questions": Morvane has unsaved work
# when it is asked to close; run.sh says in one line what Morvane asks and waits for the answer, given
# in Morvane's window or typed into run.sh's input on the virtual display: Yes saves the bank file, No
# and Cancel leave it, Cancel keeps Morvane running and the next Ctrl+C asks again, and a second Ctrl+C
# or TERM closes without saving and says what was not saved, a third stops it at once and says what is
# lost. Group "early": Ctrl+C or TERM before Morvane runs (during the build, while Wine sets up its
# folder, before Morvane is started) stops the start and says so in one line; nothing of the start is
# left. Results (Google Test style) go to $1.
# Registered in both Windows builds ($2, the build folder; $3 the group); it runs in the one run.sh
# starts on this machine (scripts/machine-32bit.sh: the i686 build where 32-bit programs run, else the
# x86_64 one) and needs that build's Morvane.exe, MorvaneClose.exe and tests/morvane_runinput.exe; in
# the other it runs no case.
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
group=${3:-stop}
build_dir=$SRC_DIR/build/$(morvane_run_build)
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/morvane-run-test.XXXXXX")
XVFB_PID=
# Whatever happened, nothing this test started outlives it: the run's persistent Wine server included.
finish() {
  [ -n "${run_pid:-}" ] && end_case
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$run_dir/wineprefix wineserver -w </dev/null >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$run_dir"
}
trap finish EXIT
trap '' PIPE   # a run.sh that ended before its input was typed into fails its case, not the test
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
}
# start_run LOG [DISPLAY]: launch_run, then waits until Morvane plays into the sound file.
start_run() {
  launch_run "$@"
  local i
  for i in $(seq 600); do
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
  for i in $(seq 600); do kill -0 "$run_pid" 2>/dev/null || { exec 7>&-; wait "$run_pid"; return $?; }; sleep 0.1; done
  kill -KILL -- "-$run_pid" 2>/dev/null; exec 7>&-; return 124
}
stop_run() { signal_run "$1"; end_run; }   # stop_run SIGNAL
# end_case: after a case, nothing of its run is left (run.sh, its Morvane, its virtual display), also
# when run.sh did not end.
end_case() {
  kill -0 "$run_pid" 2>/dev/null || return 0
  local xvfb
  xvfb=$(pgrep -P "$run_pid" -x Xvfb)
  kill -KILL -- "-$run_pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  WINEPREFIX=$run_dir/wineprefix wineserver -k </dev/null >/dev/null 2>&1
  return 0
}
# said LOG PATTERN [COUNT]: waits (60 s at most, while run.sh runs) until COUNT (1) lines match.
said() {
  local i
  for i in $(seq 600); do
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

stop_cases() {
  local sig log display status xvfb
  for sig in INT TERM; do
    log=$run_dir/run-$sig.log
    if ! start_run "$log"; then
      verdict "${sig}StartsAndPlaysIntoTheFile" 0 "no sound in $run_dir/audio: $(tail_of "$log")"
      end_case
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
      second=$(env -u DISPLAY MORVANE_RUN_DIR="$run_dir" timeout 30 ./run.sh --no-build --audio-file 2>&1 </dev/null); code=$?
      [ "$code" = 1 ] && grep -q "already running" <<<"$second"; verdict ASecondRunOfTheSameFolderIsRefused $((! $?)) "status $code: $second"
    fi
    plant enablePgm; plant oneWindow
    display=$(display_of "$log")
    xvfb=$(pgrep -P "$run_pid" -x Xvfb)
    stop_run "$sig"; status=$?
    [ "$status" = 0 ]; verdict "${sig}EndsRunShWithStatusZero" $((! $?)) "run.sh status $status: $(tail_of "$log")"
    settings_saved; verdict "${sig}SavesTheQuitTimeSettings" $((! $?)) "enablePgm or oneWindow not written at the close"
    ! grep -q "^Morvane asks" "$log" && settings_said "$log"
    verdict "${sig}ClosesAtOnceAndSaysTheSettingsAreSaved" $((! $?)) "$(tail_of "$log")"
    # The virtual display's server is gone (its display number may serve another program soon after).
    for _ in $(seq 300); do kill -0 "$xvfb" 2>/dev/null || break; sleep 0.1; done
    [ -n "$xvfb" ] && ! kill -0 "$xvfb" 2>/dev/null
    verdict "${sig}EndsTheVirtualDisplay" $((! $?)) "the server of display $display (process ${xvfb:-none found}) still there"
  done

  # Two Ctrl+C at once: the first starts the close as the close box does, the second closes without
  # asking; each is said once, and the settings are saved.
  log=$run_dir/run-int-int-quick.log
  if start_run "$log"; then
    plant enablePgm; plant oneWindow
    signal_run INT; sleep 0.1; signal_run INT
    end_run; status=$?
    [ "$status" = 0 ] && [ "$(grep -c '^Closing Morvane as its close box does\.\.\.$' "$log")" = 1 ] &&
      [ "$(grep -c '^Closing Morvane without asking: it has nothing unsaved\.$' "$log")" = 1 ] &&
      settings_saved && settings_said "$log"
    verdict TwoQuickCtrlCCloseWithoutAskingOnce $((! $?)) "status $status: $(tail_of "$log")"
  else
    verdict TwoQuickCtrlCCloseWithoutAskingOnce 0 "no sound in $run_dir/audio: $(tail_of "$log")"
  fi
  end_case

  # A start right after a Wine command of its folder (whose server lingers a few seconds, with a
  # desktop made for no display): Morvane's window opens on the run's display and it plays.
  log=$run_dir/run-after-wine-command.log
  plant enablePgm
  if start_run "$log"; then
    verdict AStartRightAfterAWineCommandOfItsFolderPlays 1 ""
    stop_run INT >/dev/null
  else
    verdict AStartRightAfterAWineCommandOfItsFolderPlays 0 "no sound in $run_dir/audio: $(tail_of "$log")"
  fi
  end_case
}

# ---- Ctrl+C or TERM before Morvane runs

# Stand-ins on PATH for the build: the configure ends at once, the build runs until it is ended (its
# process id in $run_dir/build.pid); every package counts as installed.
fake_tools() {
  mkdir -p "$run_dir/bin"
  cat >"$run_dir/bin/cmake" <<'EOF'
#!/bin/sh
case " $* " in *" --build "*) echo $$ >"$MORVANE_TEST_DIR/build.pid"; exec sleep 300 ;; esac
exit 0
EOF
  printf '#!/bin/sh\nprintf "install ok installed"\n' >"$run_dir/bin/dpkg-query"
  chmod +x "$run_dir/bin/cmake" "$run_dir/bin/dpkg-query"
}
# waits (60 s at most) until FILE exists
appears() { local i; for i in $(seq 600); do [ -e "$1" ] && return 0; kill -0 "$run_pid" 2>/dev/null || break; sleep 0.1; done; [ -e "$1" ]; }
stopped_line() { echo "^The start is stopped \(${1//+/\\+} $2\): Morvane was not started\.$"; }
no_sound() { ! compgen -G "$run_dir/audio/out-*.raw" >/dev/null; }
gone() { local i; for i in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; return 1; }
last_line_is() { tail -1 "$log" | grep -qE -- "$1"; }
# the start stopped: run.sh ended with STATUS, its last line LINE, no sound played
stopped_with() {
  check "no end with status $1" ends_with_status "$1"
  check "not said last that the start is stopped" last_line_is "$2"
  check "Morvane played" no_sound
}

early_cases() {
  local log why status sig name build seen
  # During the build: Ctrl+C or TERM ends the build and the start.
  fake_tools
  for sig in INT TERM; do
    name=Ctrl+C; [ "$sig" = TERM ] && name=TERM
    log=$run_dir/run-build-$sig.log; why=; status=
    rm -f "$run_dir/build.pid"
    run_options=(); run_env=(PATH="$run_dir/bin:$PATH" MORVANE_TEST_DIR="$run_dir")
    launch_run "$log"
    if appears "$run_dir/build.pid"; then
      build=$(cat "$run_dir/build.pid")
      signal_run "$sig"
      stopped_with "$([ "$sig" = INT ] && echo 130 || echo 143)" "$(stopped_line "$name" 'during the build')"
      check "the build still runs" gone "$build"
      kill "$build" 2>/dev/null
    else
      why="the build never started"
    fi
    case_verdict "${sig}DuringTheBuildStopsTheStart" "$log"
    end_case
  done
  run_options=(--no-build); run_env=()

  # While Wine sets up its folder (the first start): the set-up is undone, nothing of it is left.
  log=$run_dir/run-setup.log; why=; status=
  launch_run "$log"
  if said "$log" '^First start: Wine is setting up its folder'; then
    sleep 2
    xvfb=$(pgrep -P "$run_pid" -x Xvfb)
    signal_run INT
    stopped_with 130 "$(stopped_line Ctrl+C 'while Wine set up its folder')"
    check "the half-made Wine folder is left" eval '[ ! -e "$run_dir/wineprefix" ]'
    check "the virtual display is left" eval '[ -n "$xvfb" ] && gone "$xvfb"'
  else
    why="no set-up said"
  fi
  case_verdict CtrlCWhileWineSetsUpStopsTheStart "$log"
  end_case

  # Before Morvane is started (on a display, after the sound's line, while Wine's commands set the
  # folder up for the run: a folder marked ready that Wine still makes, so that this lasts).
  unset DISPLAY
  source scripts/start-xvfb.sh
  seen=$DISPLAY
  unset DISPLAY
  mkdir -p "$run_dir/wineprefix/dosdevices"
  touch "$run_dir/wineprefix/.morvane-ready"
  log=$run_dir/run-before.log; why=; status=
  launch_run "$log" "$seen"
  if said "$log" '^No sound card or sound server here'; then
    sleep 1
    signal_run INT
    stopped_with 130 "$(stopped_line Ctrl+C 'before Morvane was started')"
  else
    why="no line on the sound"
  fi
  case_verdict CtrlCBeforeMorvaneStartsStopsTheStart "$log"
  end_case
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

# question_run NAME LOG [DISPLAY] [bank]: starts run.sh, opens the test's bank when asked to, edits the
# sound; false (the case failed) when any of it did not happen.
question_run() {
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

question_cases() {
  local log before seen why status
  # TERM, and TERM again while Morvane asks: it closes without saving, and says that the sound's edits
  # are lost. (The first run: it makes the Wine folder the test's bank is named in.)
  log=$run_dir/run-term-term.log; why=; status=
  if question_run TermTwiceClosesWithoutSaving "$log"; then
    signal_run TERM
    check "no question" said "$log" "$store_question$typed_here"
    signal_run TERM
    check "no words on what is lost" \
      said "$log" '^Closing Morvane without saving\. Not saved: the edits of its sound that were not stored into its preset\.$'
    check "no end with status 0" ends_with_status 0
    check "settings not saved" settings_saved
    check "not said once, last, that the settings are saved" settings_said "$log"
    case_verdict TermTwiceClosesWithoutSaving "$log"
  fi
  end_case

  mkdir -p "$(dirname "$bank")"
  input bank "Z:${bank//\//\\}"
  WINEPREFIX=$run_dir/wineprefix WINEDEBUG=-all wine reg add 'HKCU\Software\Veltrano\Morvane' /v "bankPath 0" \
    /d "Z:${bank//\//\\}" /f </dev/null >/dev/null 2>&1
  [ -s "$bank" ]; verdict TheTestBankIsWritten $((! $?)) "no bank file $bank"

  # Ctrl+C: Morvane asks whether to store the edits, then whether to save the bank; y typed into
  # run.sh's input answers each, and the bank file is written.
  log=$run_dir/run-yes.log; why=; status=
  if question_run TypedYesStoresAndSavesTheBank "$log" "" bank; then
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
  fi
  end_case

  # On a display: the question is answered in Morvane's window. Cancel keeps Morvane running and the
  # next Ctrl+C asks again; No then closes it with the bank file as it was.
  unset DISPLAY
  source scripts/start-xvfb.sh
  seen=$DISPLAY
  unset DISPLAY
  log=$run_dir/run-cancel-no.log; why=; status=
  if question_run CancelKeepsRunningAndNoLeavesTheBank "$log" "$seen" bank; then
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
  fi
  end_case

  # The edits stored (y), then Ctrl+C again while Morvane asks to save the bank: it closes without
  # saving, says that the bank's changes are lost, and the file is as it was.
  log=$run_dir/run-int-int.log; why=; status=
  if question_run SecondCtrlCClosesWithoutSaving "$log" "" bank; then
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
  fi
  end_case

  # Three Ctrl+C at once: Morvane is stopped, and the line says what is lost: the sound's edits, and its
  # settings unless its close had saved them already (a busy machine may let it get so far meanwhile).
  log=$run_dir/run-int-3.log; why=; status=
  if question_run ThirdCtrlCNamesWhatIsLost "$log"; then
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
  fi
  end_case
}

case $group in
  stop) stop_cases ;;
  questions) question_cases ;;
  early) early_cases ;;
  *) echo "runStop_test.sh: unknown group '$group'" >&2; exit 2 ;;
esac

if [ -n "$results" ]; then
  mkdir -p "$(dirname "$results")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"runStop_$group\">"
    echo "<testsuite name=\"RunScript\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$results"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
