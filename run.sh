#!/usr/bin/env bash
# Builds Morvane's shipped 32-bit Windows build and starts it under 32-bit Wine; on a machine that
# cannot run 32-bit programs (scripts/machine-32bit.sh tries one), the 64-bit build under 64-bit Wine.
#   ./run.sh               sound through the machine's own sound card or sound server when it has one,
#                          else into a file (said when it starts)
#   ./run.sh --audio-file  always into the file
#   ./run.sh --no-build    start the build that is there (the tests' way in)
# Without a display it runs on a virtual one. Ctrl+C (or TERM) closes Morvane as its close box does:
# its settings are saved and its audio closed before the script ends. Should Morvane ask something
# first (Save changes?), a line here says what and waits for the answer; Ctrl+C again closes it
# without saving, and a third time stops it at once. Before Morvane runs, Ctrl+C stops the start.
# Installs what is missing first (Debian 12, as root). The run keeps its own Wine folder and settings
# in build/run/, apart from the tests'.
set -euo pipefail
cd "$(dirname "$0")"
SRC_DIR=$PWD

# Ctrl+C and TERM are counted from the first moment and acted on where the script waits (wait_any).
# A terminal's Ctrl+C reaches its whole process group: every program the script waits for runs in a
# session of its own, and what it reads it reads with the shell's own commands, so that only the
# script gets it and nothing it prints is cut short.
# A command of the start that fails ends it (set -e), never silently.
started=0
trap 'on_error $? $LINENO' ERR
on_error() {
  if [ "$started" = 0 ]; then
    echo "The start failed: run.sh line $2 ended with status $1; Morvane was not started." >&2
  else
    echo "run.sh: its line $2 ended with status $1." >&2
  fi
}
signals=0
signal_name=
trap 'signals=$((signals + 1)); signal_name=Ctrl+C' INT
trap 'signals=$((signals + 1)); signal_name=TERM' TERM
ticker_pid=
# wait_any PID...: waits until one of these jobs ends (done_pid, its status in code) or a signal comes
# (done_pid empty). A short job of its own ends every half second: a signal whose trap ran between a
# caller's look at $signals and this wait is then seen within half a second, not lost until a job ends.
# A job that ended before the wait may be one `wait -n` no longer knows (the shell forgets ended jobs
# when it starts another): each is looked at after the wait and its status taken by its process id.
wait_any() {
  [ -n "$ticker_pid" ] || { sleep 0.5 8<&- 9>&- & ticker_pid=$!; }
  unset done_pid
  wait -n -p done_pid "$@" "$ticker_pid" 2>/dev/null && code=0 || code=$?
  done_pid=${done_pid:-}   # (none when a signal ended the wait)
  if [ -n "$ticker_pid" ] && { [ "$done_pid" = "$ticker_pid" ] || ! kill -0 "$ticker_pid" 2>/dev/null; }; then
    [ "$done_pid" = "$ticker_pid" ] && done_pid=
    ticker_pid=
  fi
  local pid
  if [ -z "$done_pid" ]; then
    for pid in "$@"; do
      if ! kill -0 "$pid" 2>/dev/null; then
        done_pid=$pid
        wait "$pid" 2>/dev/null && code=0 || code=$?
        break
      fi
    done
  fi
  return 0
}
# A start stopped by Ctrl+C or TERM before Morvane runs: one line, and the status of a stopped command.
where='before Morvane was started'
undo_prefix=0
stop_start() {
  if [ "$undo_prefix" = 1 ]; then end_server; rm -rf "$WINEPREFIX"; fi
  echo
  echo "The start is stopped ($signal_name $where): Morvane was not started."
  [ "$signal_name" = TERM ] && exit 143
  exit 130
}
check_stop() { if [ "$signals" -gt 0 ]; then stop_start; fi; }
# step [-q|-n] COMMAND...: runs a command of the start in a session of its own and waits for it;
# Ctrl+C or TERM meanwhile ends it and the start. Its status as the command's would be (set -e). -q: it
# runs quietly, without input and without the run lock; -n: its output is not shown, its errors are.
step() {
  case $1 in
    -q) shift; setsid "$@" </dev/null >/dev/null 2>&1 9>&- & ;;
    -n) shift; setsid "$@" >/dev/null & ;;
    *) setsid "$@" & ;;
  esac
  local pid=$!
  while :; do
    check_stop_step "$pid"
    wait_any "$pid"
    [ "$done_pid" = "$pid" ] && return "$code"
  done
}
check_stop_step() {
  [ "$signals" -gt 0 ] || return 0
  kill -TERM -- "-$1" 2>/dev/null || true
  local i
  for i in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -KILL -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  stop_start
}

audio_file=0
build_first=1
for arg in "$@"; do
  case $arg in
    --audio-file) audio_file=1 ;;
    --no-build) build_first=0 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option '$arg' (see ./run.sh --help)" >&2; exit 2 ;;
  esac
done

source scripts/machine-32bit.sh
morvane_32bit_decide
build_dir=build/$(morvane_run_build)
check_stop
if [ "$build_dir" = build/win64 ]; then
  echo "Morvane starts its 64-bit build under 64-bit Wine: $MORVANE_32BIT_NOTE."
  arch=x86_64
else
  arch=i686
fi
if [ "$build_first" = 1 ]; then
  where='during the build'
  step scripts/deps.sh
  export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
  mkdir -p build
  step -n cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMINGW_ARCH="$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$SRC_DIR/cmake/toolchain-mingw64.cmake"
  step cmake --build "$build_dir" -j"$(nproc)" --target Morvane MorvaneClose
  where='before Morvane was started'
fi
check_stop
exe=$build_dir/source/app/Morvane.exe
closer=$build_dir/source/app/MorvaneClose.exe
if [ ! -f "$exe" ]; then
  echo "The build did not make $exe." >&2
  exit 1
fi
if [ "$arch" = i686 ] && ! morvane_wine32_installed; then
  echo "Morvane is built ($exe), but 32-bit Wine (wine32:i386) is not installed here: see the message"
  echo "of scripts/deps.sh above."
  exit 1
fi

RUN_DIR=${MORVANE_RUN_DIR:-$SRC_DIR/build/run}   # the run's Wine folder, settings and sound file
mkdir -p "$RUN_DIR"
# One run at a time per Wine folder: a second one would share its settings and its Wine server.
exec 9>"$RUN_DIR/run.lock"
if ! flock -n 9; then
  echo "Morvane is already running from this folder (process $(cat "$RUN_DIR/run.pid" 2>/dev/null || echo '?'))." >&2
  echo "Close it first, or press Ctrl+C in its terminal." >&2
  exit 1
fi
echo $$ >"$RUN_DIR/run.pid"

export WINEPREFIX=$RUN_DIR/wineprefix WINEARCH=win64 WINEDEBUG=-all
# Wine's own programs run quietly and without the run lock (the Wine server and its services outlive
# the commands that start them).
quiet_wine() { step -q wine "$@"; }
export WINEDLLOVERRIDES="mscoree,mshtml="           # no Mono or Gecko installer prompts

# Where the sound goes.
source scripts/run-audio.sh
# (Its helper ignores Ctrl+C: the script decides what Ctrl+C does.)
if [ "$audio_file" = 1 ]; then mode=file; MORVANE_AUDIO_NOTE=; else mode=$(trap '' INT; morvane_audio_choice); fi
check_stop
case $mode in
  server) wine_audio=pulse; unset ALSA_CONFIG_PATH ;;
  card)   wine_audio=alsa;  unset ALSA_CONFIG_PATH ;;
  file)
    wine_audio=alsa
    audio_dir=$RUN_DIR/audio
    if ! mkdir -p "$audio_dir" 2>/dev/null || [ ! -w "$audio_dir" ]; then
      echo "run.sh: cannot write the audio folder $audio_dir; check its permissions." >&2
      exit 1
    fi
    export ALSA_CONFIG_PATH=$SRC_DIR/scripts/asound-run.conf
    export MORVANE_AUDIO_SINK="|exec python3 '$SRC_DIR/scripts/audio-sink.py' %r %c %f '$audio_dir'"
    [ -n "${MORVANE_AUDIO_NOTE:-}" ] && echo "$MORVANE_AUDIO_NOTE"
    echo "No sound card or sound server here: Morvane's sound goes to $audio_dir/out-*.raw (the last 2 to 4 minutes)."
    ;;
esac

# The display.
XVFB_PID=
closer_pid=
reader_pid=
server_up=0
finish() {   # whatever way the script ends: no virtual display, helper, Wine server or run marker left behind
  end_closer
  end_reader
  if [ -n "$ticker_pid" ]; then kill "$ticker_pid" 2>/dev/null || true; fi
  if [ "$server_up" = 1 ]; then end_server; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -f "$RUN_DIR/run.pid"
}
# The Wine server of the run's folder ends (it writes the settings to disk as it does), with every
# Windows program of the folder.
end_server() {
  setsid wineserver -k </dev/null >/dev/null 2>&1 9>&- || true
  setsid wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
  server_up=0
}
# (A kill may find the job ended already: that is no fault, set -e or not.)
end_closer() { if [ -n "$closer_pid" ]; then kill "$closer_pid" 2>/dev/null || true; closer_pid=; fi; }
end_reader() { if [ -n "$reader_pid" ]; then kill "$reader_pid" 2>/dev/null || true; reader_pid=; fi; }
trap finish EXIT
if [ -z "${DISPLAY:-}" ]; then
  XVFB_SESSION=own source scripts/start-xvfb.sh 9>&-   # (its own session: Ctrl+C here is for Morvane)
  check_stop
  echo "No display here: Morvane runs on a virtual display ($DISPLAY) that nothing shows."
  echo "  To see it, point a VNC server at it (for example: x11vnc -display $DISPLAY); Ctrl+C here closes Morvane."
  managed=N      # no window manager on the virtual display
else
  managed=Y
fi

# The Wine folder: made once (Wine takes 10 to 30 s for that), then its audio driver and window
# handling set for this run. A set-up stopped half way is undone, so the next start makes it anew.
new_prefix=0
[ -d "$WINEPREFIX" ] || new_prefix=1
mkdir -p "$WINEPREFIX"
# A Wine server of the folder that runs already (one that lingers a few seconds after a Wine command of
# the folder) keeps the desktop it made for another display, or none, where Morvane could make no
# window and would end at once: it ends first, and the run starts its own.
end_server
server_up=1
setsid wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
check_stop
if [ ! -f "$WINEPREFIX/.morvane-ready" ]; then
  echo "First start: Wine is setting up its folder $WINEPREFIX (10 to 30 seconds, once)."
  where='while Wine set up its folder'
  undo_prefix=$new_prefix
  step -q wineboot -i
  undo_prefix=0
  where='before Morvane was started'
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  touch "$WINEPREFIX/.morvane-ready"
fi
# Drive Z: is the whole Unix file system; its "device" is /dev/null, so the file dialogs read no volume
# label from the disk itself (a user may not read it, and Wine would say so after every dialog).
[ -e "$WINEPREFIX/dosdevices/z::" ] || ln -s /dev/null "$WINEPREFIX/dosdevices/z::"
quiet_wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$wine_audio" /f
quiet_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f
settings='HKCU\Software\Veltrano\Morvane'
if [ "$mode" = file ] && ! quiet_wine reg query "$settings" /v "AB AudioDevice"; then
  # Into the file, MultiMedia with 100 ms buffers keeps the pitch exact; a first start there uses it.
  quiet_wine reg add "$settings" /v "AB AudioDevice" /d "MME Out: default" /f
  quiet_wine reg add "$settings" /v "AB SampleRate" /t REG_DWORD /d 44100 /f
  quiet_wine reg add "$settings" /v "AB Latency" /t REG_DWORD /d 100 /f
  quiet_wine reg add "$settings" /v "AB OutputChannel 0" /t REG_DWORD /d 0 /f
  quiet_wine reg add "$settings" /v "AB OutputChannel 1" /t REG_DWORD /d 1 /f
fi

if [ "$wine_audio" = alsa ] && [ ! -e /dev/snd/seq ]; then
  echo "No MIDI sequencer here (/dev/snd/seq): Morvane finds no MIDI ports, and ALSA says so in one line below."
fi

# Morvane and the helpers run in sessions of their own, so Ctrl+C reaches only this script, which
# then asks Morvane to close as its close box does. MorvaneClose.exe takes each step of that close and
# says what Morvane asks meanwhile (source/app/closeRequest.cpp); the loop below waits for Morvane, the
# step under way, an answer typed here, and Ctrl+C or TERM, whichever comes first.
close_out=$RUN_DIR/close.out
closing=          # once asked to close: asking, unasked (the second Ctrl+C) or stopped (the third)
stopped=0         # Morvane was stopped (killed): what was lost is said already
view=()           # where Morvane's questions are answered
if [ "$managed" = N ]; then
  view=(--unseen "$DISPLAY")
  # Nobody sees the virtual display: a question is answered by typing here (a terminal or a pipe).
  if [ -t 0 ] || [ -p /dev/stdin ]; then view+=(--typed); exec 8<&0; fi
fi
start_closer() {
  setsid wine "$closer" "$@" </dev/null >"$close_out" 2>/dev/null 8<&- 9>&- &
  closer_pid=$!
}
start_reader() {   # one line typed here, into $RUN_DIR/typed
  if [ -n "$reader_pid" ] || [[ " ${view[*]} " != *" --typed "* ]]; then return 0; fi
  { IFS= read -r line <&8 && printf '%s\n' "$line" >"$RUN_DIR/typed"; } 9>&- &
  reader_pid=$!
}
# say_from FILE: the lines a step of the close wrote for the user (not those starting with #). The
# shell reads them itself: no helper program that a Ctrl+C could end half way.
say_from() {
  local line
  while IFS= read -r line || [ -n "$line" ]; do [[ $line == '#'* ]] || printf '%s\n' "$line"; done <"$1"
}
told_window() {   # told: the window the last step told the user of (its line "#told WINDOW")
  local line
  told=
  while IFS= read -r line; do [[ $line == '#told '* ]] && told=${line#'#told '}; done <"$close_out"
  return 0
}
kill_morvane() {
  stopped=1
  kill -TERM -- "-$wine_pid" 2>/dev/null || true
}
stop_morvane() {   # the step under way and the reader end; Morvane is stopped
  closing=stopped
  end_closer
  end_reader
  kill_morvane
}
# The third Ctrl+C: Morvane is stopped at once, and a line says what is lost with it (MorvaneClose
# --stopping asks Morvane, 10 s at most, less when Ctrl+C comes again).
stop_at_once() {
  closing=stopped
  end_closer
  end_reader
  : >"$RUN_DIR/stop.out"
  setsid wine "$closer" --stopping </dev/null >"$RUN_DIR/stop.out" 2>/dev/null 8<&- 9>&- &
  local pid=$! seen=$signals i
  for ((i = 0; i < 40; i++)); do
    wait_any "$pid"
    [ "$done_pid" = "$pid" ] && break
    [ "$signals" -gt "$seen" ] && break
  done
  [ "$done_pid" = "$pid" ] || kill -KILL -- "-$pid" 2>/dev/null || true
  local line=
  IFS= read -r line <"$RUN_DIR/stop.out" || true
  echo "${line:-Morvane is stopped at once: its settings are not saved.}"
  kill_morvane
}
on_signal() {
  case $closing in
    '') closing=asking; echo; echo "Closing Morvane as its close box does..."; start_closer "${view[@]}" ;;
    asking) closing=unasked; echo; end_closer; end_reader; start_closer --unasked ;;
    unasked) echo; stop_at_once ;;
    *) ;;   # stopped already
  esac
}
on_step() {   # a step of the close has ended with status $1: what it said, then what comes next
  say_from "$close_out"
  case $1 in
    0) ;;   # Morvane has ended
    2) start_reader; told_window; start_closer --answered "$told" "${view[@]}" ;;
    3) closing=; end_reader; echo "The close was answered Cancel: Morvane keeps running. Ctrl+C asks again to close it." ;;
    5) echo "Morvane has saved its settings but has not ended for 40 seconds: it is stopped; its settings are saved."
       stop_morvane ;;
    *) echo "Morvane has neither closed nor asked anything for 40 seconds: it is stopped; its settings are not saved."
       stop_morvane ;;
  esac
}
on_typed() {   # the reader has ended with status $1
  if [ "$1" != 0 ]; then view=("${view[@]:0:2}"); return; fi   # no more input: nothing is typed
  local typed=
  IFS= read -r typed <"$RUN_DIR/typed" || true
  setsid wine "$closer" --answer "$typed" </dev/null >"$RUN_DIR/answer.out" 2>/dev/null 8<&- 9>&- || true
  say_from "$RUN_DIR/answer.out"
  [ "$closing" = asking ] && start_reader
  return 0
}
check_stop
setsid wine "$exe" </dev/null 8<&- 9>&- &
wine_pid=$!
started=1
handled=$signals
status=
while [ -z "$status" ]; do
  wait_any "$wine_pid" $closer_pid $reader_pid
  if [ "$done_pid" = "$wine_pid" ]; then
    status=$code
  elif [ -n "$done_pid" ] && [ "$done_pid" = "$closer_pid" ]; then
    closer_pid=
    on_step "$code"
  elif [ -n "$done_pid" ] && [ "$done_pid" = "$reader_pid" ]; then
    reader_pid=
    on_typed "$code"
  fi
  while [ "$handled" -lt "$signals" ]; do
    handled=$((handled + 1))
    [ -z "$status" ] && on_signal
  done
done
while [ -n "$closer_pid" ]; do   # the step under way ends with Morvane: what it said
  wait_any "$closer_pid"
  if [ "$done_pid" = "$closer_pid" ]; then
    closer_pid=
    say_from "$close_out"
  fi
done
end_reader
# The Wine server writes the settings to disk as it ends. (A Ctrl+C meanwhile waits for it.)
end_server
if [ "$stopped" = 1 ]; then exit 1; fi
if [ -n "$closing" ] && [ "$status" = 0 ]; then echo "Morvane has closed; its settings are saved."; fi
# Ended by itself, not as a close ends (Wine could not start it, or it failed): never silently.
if [ "$status" != 0 ]; then echo "Morvane has ended with status $status (a failure of Wine or of Morvane); its settings may not be saved." >&2; fi
exit "$status"
