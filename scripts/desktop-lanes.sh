# Sourced after wine-env.sh (BUILD_DIR, SRC_DIR, WINEPREFIX set): the desktop lanes of one Windows
# build folder. Lane 0 is the build folder's own display ($DISPLAY) and prefix ($WINEPREFIX); lane K>0
# has an Xvfb display of its own and the prefix $BUILD_DIR/lanes/K/wineprefix (a copy of lane 0's made
# once, as lane 0's is booted once), each with its own Wine server and keepalive desktop window. ctest
# hands the lanes out from the ctest resource file $LANES_SPEC (--resource-spec-file), scripts/wine-run.sh.in
# puts a program on its lane. The ALSA file devices and artifacts stay the build folder's, shared by
# the lanes (the alsa_files lock still guards them).

lanes_create() {   # lanes_create N: lane 0's prefix and lanes 1..N-1 ready; leaves no Wine server running when it had to make any
  local n=$1 k p missing=0
  for ((k = 1; k < n; k++)); do [ -f "$BUILD_DIR/lanes/$k/wineprefix/.morvane-ready" ] || missing=1; done
  [ -f "$WINEPREFIX/.morvane-ready" ] && ((missing == 0)) && return 0
  source "$SRC_DIR/scripts/prefix-create.sh"
  # A copy is taken of a prefix at rest: its server ended, its registry written to disk.
  wineserver -k </dev/null >/dev/null 2>&1; wineserver -w </dev/null >/dev/null 2>&1
  for ((k = 1; k < n; k++)); do
    p=$BUILD_DIR/lanes/$k/wineprefix
    [ -f "$p/.morvane-ready" ] && continue
    rm -rf "$p" "$p.part"; mkdir -p "${p%/*}"
    cp -a "$WINEPREFIX" "$p.part" && rm -rf "$p.part/drive_c/users/"*/Temp/* && mv "$p.part" "$p" || return 1
  done
}

# lanes_start N: lanes 1..N-1 running (lane 0 is the caller's); sets LANES_SPEC (with RUN_SCRIPT_SLOTS
# run.sh test entries at once, 1 when unset) and MORVANE_LANE_DISPLAYS
lanes_start() {
  local n=$1 k d0=$DISPLAY x0=${XVFB_PID:-} pids=()
  # Only lanes whose prefix is ready are used (lanes_create made them): fewer lanes, never a half-made one.
  for ((k = 1; k < n; k++)); do
    [ -f "$BUILD_DIR/lanes/$k/wineprefix/.morvane-ready" ] || { echo "desktop lane $k has no prefix: $k lanes"; n=$k; break; }
  done
  MORVANE_LANE_DISPLAYS=$DISPLAY; LANE_XVFB_PIDS=
  for ((k = 1; k < n; k++)); do
    unset DISPLAY; source "$SRC_DIR/scripts/start-xvfb.sh"
    MORVANE_LANE_DISPLAYS+=" $DISPLAY"; LANE_XVFB_PIDS+=" $XVFB_PID"
    (
      export WINEPREFIX=$BUILD_DIR/lanes/$k/wineprefix KEEPALIVE_READY=$BUILD_DIR/lanes/$k/keepalive.ready
      source "$SRC_DIR/scripts/prefix-init.sh"
    ) & pids+=($!)
  done
  export DISPLAY=$d0; XVFB_PID=$x0
  export MORVANE_LANE_DISPLAYS; LANES_RUNNING=$n
  ((${#pids[@]})) && wait "${pids[@]}"
  LANES_SPEC=$BUILD_DIR/desktop-lanes.json
  {
    printf '{"version": {"major": 1, "minor": 0},\n "local": [{"desktop": ['
    for ((k = 0; k < n; k++)); do printf '%s{"id": "%d", "slots": 1}' "$( ((k)) && echo ', ')" "$k"; done
    printf '],\n   "run_script": [{"id": "0", "slots": %d}]}]}\n' "${RUN_SCRIPT_SLOTS:-1}"
  } >"$LANES_SPEC"
}

lanes_stop() {   # lanes_stop: ends the Wine servers and displays of the lanes lanes_start started (not lane 0)
  local k pid pids=()
  for ((k = 1; k < ${LANES_RUNNING:-1}; k++)); do
    ( export WINEPREFIX=$BUILD_DIR/lanes/$k/wineprefix; source "$SRC_DIR/scripts/prefix-stop.sh" ) & pids+=($!)
  done
  ((${#pids[@]})) && wait "${pids[@]}"
  for pid in ${LANE_XVFB_PIDS:-}; do kill "$pid" 2>/dev/null; done
  LANE_XVFB_PIDS=; LANES_RUNNING=1
}
