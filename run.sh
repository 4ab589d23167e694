#!/usr/bin/env bash
# Builds Morvane and starts it: the shipped 32-bit Windows build under 32-bit Wine, or, on a machine
# that cannot run 32-bit programs (scripts/machine-32bit.sh tries one), the 64-bit build under 64-bit
# Wine.
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
#
# This script only makes sure python3 is there and hands over to scripts/run_supervisor.py, which does
# the rest. Ctrl+C and TERM are counted here from the first line: the supervisor runs in a session of
# its own (no signal of the terminal reaches it or anything it starts), and every signal this script
# gets is passed on to it as the whole history so far ("ITI...": Ctrl+C, TERM), one line each time on
# a pipe, so that a repeated line costs nothing and none is lost, however close together they come.
signals=
channel=
pass_on() { [ -z "$channel" ] || printf '%s\n' "$signals" >&"$channel"; } 2>/dev/null
trap 'signals+=I; pass_on; end_install' INT
trap 'signals+=T; pass_on; end_install' TERM
trap '' PIPE   # (a supervisor that has ended reads no more; the script goes on to its end)
cd "$(dirname "$0")" || exit 1
for arg in "$@"; do
  case $arg in -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
done

# python3, where it is missing, is installed first (in a session of its own, ended by a signal).
install_pid=
end_install() { [ -z "$install_pid" ] || kill -TERM -- "-$install_pid" 2>/dev/null; }
python=/usr/bin/python3   # (the system's own: it starts at once, whatever else is on PATH)
[ -x "$python" ] || python=python3
if ! command -v "$python" >/dev/null; then
  echo "Installing python3, which runs Morvane's start"
  (trap '' INT TERM; exec setsid env --default-signal=INT,TERM \
    sh -c 'apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3 >/dev/null') &
  install_pid=$!
  [ -z "$signals" ] || end_install
  while kill -0 "$install_pid" 2>/dev/null; do wait "$install_pid"; done
  wait "$install_pid"; status=$?
  install_pid=
  if [ -n "$signals" ]; then
    name=Ctrl+C; [ "${signals:0:1}" = T ] && name=TERM
    echo
    echo "The start is stopped ($name during the build): Morvane was not started."
    [ "$name" = TERM ] && exit 143
    exit 130
  fi
  python=/usr/bin/python3
  if [ "$status" != 0 ] || [ ! -x "$python" ]; then
    echo "The start failed: the installation of python3 ended with status $status; Morvane was not started." >&2
    exit 1
  fi
fi

# The supervisor: the channel is its fd 5, the user's input its own. (It ignores INT and TERM until it
# has set up its own handling of them; it is in a session of its own by then, and what the terminal
# sends meanwhile reaches this script, which passes it on.)
exec 3<&0
exec 4> >(trap '' INT TERM; exec setsid "$python" scripts/run_supervisor.py --signals 5 --run-pid $$ "$@" \
  5<&0 <&3 3<&- 4>&-)
supervisor=$!
exec 3<&-
channel=4
pass_on
while kill -0 "$supervisor" 2>/dev/null; do wait "$supervisor"; done
wait "$supervisor"
status=$?
# The supervisor says how every run ends; a supervisor killed outright could not.
if [ "$status" -gt 128 ] && [ "$status" != 130 ] && [ "$status" != 143 ]; then
  echo "run.sh: its supervisor was killed (status $status); what it started may still run: the next ./run.sh ends it." >&2
fi
exit "$status"
