#!/usr/bin/env bash
# Builds Morvane's shipped 32-bit Windows build and starts it under 32-bit Wine; on a machine that
# cannot run 32-bit programs (scripts/machine-32bit.sh tries one), the 64-bit build under 64-bit Wine.
#   ./run.sh               sound through the machine's own sound card or sound server when it has one,
#                          else into a file (said when it starts)
#   ./run.sh --audio-file  always into the file
#   ./run.sh --no-build    start the build that is there (the tests' way in)
# Without a display it runs on a virtual one. Ctrl+C (or TERM) closes Morvane as its close box does:
# its settings are saved and its audio closed before the script ends.
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
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
watchdog=
finish() {   # whatever way the script ends: no virtual display, watchdog or run marker left behind
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -f "$RUN_DIR/run.pid"
}
trap finish EXIT
if [ -z "${DISPLAY:-}" ]; then
  source scripts/start-xvfb.sh 9>&-
  echo "No display here: Morvane runs on a virtual display ($DISPLAY) that nothing shows."
  echo "  To see it, point a VNC server at it (for example: x11vnc -display $DISPLAY); Ctrl+C here closes Morvane."
  managed=N      # no window manager on the virtual display
else
  managed=Y
fi

# The Wine folder: made once (Wine takes about 20 s for that), then its audio driver and window
# handling set for this run.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 9>&-
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

# Morvane runs in a session of its own, so Ctrl+C reaches only this script, which then asks it to
# close as its close box does and waits for it.
setsid wine "$exe" </dev/null 9>&- &
wine_pid=$!
stopping=0
ask_to_close() {
  [ "$stopping" = 1 ] && return
  stopping=1
  echo
  echo "Closing Morvane (its settings are saved)..."
  quiet_wine "$closer" || true
  # Should it not end within 40 s (still starting, or a dialog it cannot close), it is stopped.
  ( sleep 40; kill -0 "$wine_pid" 2>/dev/null && kill -TERM -- "-$wine_pid" 2>/dev/null ) 9>&- &
  watchdog=$!
}
trap ask_to_close INT TERM
status=0
while kill -0 "$wine_pid" 2>/dev/null; do
  wait "$wine_pid" && status=0 || status=$?
done
trap - INT TERM
# The Wine server writes the settings to disk as it ends.
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
[ "$stopping" = 1 ] && exit 0
exit "$status"
