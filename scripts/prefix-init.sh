# Sourced after wine-env.sh: creates the private 64-bit prefix once, starts one persistent Wine server
# and the desktop with their output detached (services keep inherited pipes open otherwise), and keeps
# the desktop alive for the whole run (its ready file: $KEEPALIVE_READY, by default in the build folder).
source "${SRC_DIR:-.}/scripts/prefix-create.sh"
wine cmd /c exit </dev/null >/dev/null 2>&1
if [ -f "$BUILD_DIR/tests/keepalive.exe" ]; then
  _ready=${KEEPALIVE_READY:-$BUILD_DIR/keepalive.ready}
  rm -f "$_ready"
  wine "$BUILD_DIR/tests/keepalive.exe" "Z:$_ready" </dev/null >/dev/null 2>&1 &
  for _i in $(seq 100); do [ -f "$_ready" ] && break; sleep 0.1; done
fi
