# Sourced: starts Xvfb on a free display unless DISPLAY is set; sets XVFB_PID (empty when none started).
# XVFB_SESSION=own (from a script without job control): the server runs in a session of its own, out of
# reach of the terminal's Ctrl+C; the script ends it itself.
XVFB_PID=
if [ -z "${DISPLAY:-}" ]; then
  _fifo=$(mktemp -u); mkfifo "$_fifo"
  ${XVFB_SESSION:+setsid} Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$_fifo" </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r _disp < "$_fifo"; rm -f "$_fifo"
  export DISPLAY=":$_disp"
fi
