# Sourced by run.sh (and its test): where a user's run of Morvane sends its sound.
#
# morvane_audio_choice prints one word:
#   server  a PulseAudio server answers for this user (Wine's PulseAudio driver, the user's default
#           output);
#   card    ALSA sees a sound card, or a PipeWire server answers without a PulseAudio socket (Wine's
#           ALSA driver on the machine's own ALSA configuration, so ALSA's default device);
#   file    neither: Wine's ALSA driver on the file device of scripts/asound-run.conf.
# A socket that refuses the connection counts as no server; MORVANE_AUDIO_NOTE then says so.
# The machine is read from /proc/asound and $XDG_RUNTIME_DIR (else /run/user/<uid>); a test fakes them
# with MORVANE_PROC_ASOUND and XDG_RUNTIME_DIR.

# morvane_socket_answers PATH: true when PATH is a Unix socket that accepts a connection.
morvane_socket_answers() {
  [ -S "$1" ] || return 1
  python3 - "$1" <<'PY' 2>/dev/null
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.settimeout(1.0)
try:
    s.connect(sys.argv[1])
except OSError:
    sys.exit(1)
PY
}

morvane_audio_choice() {
  local proc=${MORVANE_PROC_ASOUND:-/proc/asound}
  local run=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}
  local pulse=$run/pulse/native pipewire=$run/pipewire-0
  MORVANE_AUDIO_NOTE=
  if morvane_socket_answers "$pulse"; then echo server; return; fi
  if morvane_socket_answers "$pipewire"; then echo card; return; fi
  local s
  for s in "$pulse" "$pipewire"; do
    [ -S "$s" ] && MORVANE_AUDIO_NOTE="The sound server at $s refused the connection."
  done
  if compgen -G "$proc/card[0-9]*" >/dev/null; then echo card; return; fi
  echo file
}
