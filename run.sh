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
# without saving.
# Installs what is missing first (Debian 12, as root). The run keeps its own Wine folder and settings
# in build/run/, apart from the tests'.
set -euo pipefail
cd "$(dirname "$0")"
SRC_DIR=$PWD

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
if [ "$build_dir" = build/win64 ]; then
  echo "Morvane starts its 64-bit build under 64-bit Wine: $MORVANE_32BIT_NOTE."
  arch=x86_64
else
  arch=i686
fi
if [ "$build_first" = 1 ]; then
  scripts/deps.sh
  export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
  mkdir -p build
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMINGW_ARCH="$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$SRC_DIR/cmake/toolchain-mingw64.cmake" >/dev/null
  cmake --build "$build_dir" -j"$(nproc)" --target Morvane MorvaneClose
fi
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
quiet_wine() { wine "$@" </dev/null >/dev/null 2>&1 9>&-; }
export WINEDLLOVERRIDES="mscoree,mshtml="           # no Mono or Gecko installer prompts

# Where the sound goes.
source scripts/run-audio.sh
if [ "$audio_file" = 1 ]; then mode=file; MORVANE_AUDIO_NOTE=; else mode=$(morvane_audio_choice); fi
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
finish() {   # whatever way the script ends: no virtual display, helper or run marker left behind
  end_closer
  end_reader
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -f "$RUN_DIR/run.pid"
}
end_closer() { if [ -n "$closer_pid" ]; then kill "$closer_pid" 2>/dev/null; closer_pid=; fi; }
end_reader() { if [ -n "$reader_pid" ]; then kill "$reader_pid" 2>/dev/null; reader_pid=; fi; }
trap finish EXIT
if [ -z "${DISPLAY:-}" ]; then
  XVFB_SESSION=own source scripts/start-xvfb.sh 9>&-   # (its own session: Ctrl+C here is for Morvane)
  echo "No display here: Morvane runs on a virtual display ($DISPLAY) that nothing shows."
  echo "  To see it, point a VNC server at it (for example: x11vnc -display $DISPLAY); Ctrl+C here closes Morvane."
  managed=N      # no window manager on the virtual display
else
  managed=Y
fi

# The Wine folder: made once (Wine takes about 20 s for that), then its audio driver and window
# handling set for this run.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 9>&- || true   # (fails when a server of the folder runs already)
if [ ! -f "$WINEPREFIX/.morvane-ready" ]; then
  echo "First start: Wine is setting up its folder $WINEPREFIX (about 20 seconds, once)."
  wineboot -i </dev/null >/dev/null 2>&1 9>&-
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
closing=          # once asked to close: asking, unasked (the second Ctrl+C) or stopped
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
stop_morvane() {
  closing=stopped
  end_closer
  end_reader
  kill -TERM -- "-$wine_pid" 2>/dev/null || true
}
on_signal() {
  case $closing in
    '') closing=asking; echo; echo "Closing Morvane as its close box does..."; start_closer "${view[@]}" ;;
    asking) closing=unasked; echo; end_closer; end_reader; start_closer --unasked ;;
    *) echo; echo "Morvane is stopped at once: its settings are not saved."; stop_morvane ;;
  esac
}
on_step() {   # a step of the close has ended with status $1: what it said, then what comes next
  grep -v '^#' "$close_out" || true
  case $1 in
    0) ;;   # Morvane has ended
    2) start_reader; start_closer --answered "$(sed -n 's/^#told //p' "$close_out")" "${view[@]}" ;;
    3) closing=; end_reader; echo "The close was answered Cancel: Morvane keeps running. Ctrl+C asks again to close it." ;;
    *) echo "Morvane has neither closed nor asked anything for 40 seconds: it is stopped; its settings are not saved."
       stop_morvane ;;
  esac
}
on_typed() {   # the reader has ended with status $1
  if [ "$1" != 0 ]; then view=("${view[@]:0:2}"); return; fi   # no more input: nothing is typed
  setsid wine "$closer" --answer "$(cat "$RUN_DIR/typed")" </dev/null 2>/dev/null 8<&- 9>&- | grep -v '^#' || true
  [ "$closing" = asking ] && start_reader
  return 0
}
signals=0
handled=0
trap 'signals=$((signals + 1))' INT TERM
setsid wine "$exe" </dev/null 8<&- 9>&- &
wine_pid=$!
status=
while [ -z "$status" ]; do
  wait -n -p done_pid "$wine_pid" $closer_pid $reader_pid && code=0 || code=$?
  done_pid=${done_pid:-}   # (none when a signal ended the wait)
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
if [ -n "$closer_pid" ]; then   # the step under way ends with Morvane: what it said
  wait "$closer_pid" && code=0 || code=$?
  closer_pid=
  grep -v '^#' "$close_out" || true
fi
trap - INT TERM
end_reader
# The Wine server writes the settings to disk as it ends.
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
case $closing in
  asking|unasked) [ "$status" = 0 ] && echo "Morvane has closed; its settings are saved." ;;
  stopped) exit 1 ;;
esac
exit "$status"
