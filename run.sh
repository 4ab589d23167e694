#!/usr/bin/env bash
# Builds Morvane and starts it under Wine (on an Xvfb display when none is given).
# Installs what is missing first (Debian 12, as root).
set -euo pipefail
cd "$(dirname "$0")"
SRC_DIR=$PWD
scripts/deps.sh
export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
mkdir -p build
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$SRC_DIR/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build build/win64 -j"$(nproc)"
exe=build/win64/source/app/Morvane.exe
if [ ! -f "$exe" ]; then
  echo "Everything that exists so far is built, but Morvane cannot start yet: its application shell"
  echo "(main window, menus, audio connection) is not written yet."
  exit 0
fi
BUILD_DIR=$SRC_DIR/build/win64
source scripts/wine-env.sh
source scripts/start-xvfb.sh
source scripts/prefix-init.sh
[ -n "${XVFB_PID:-}" ] && echo "Morvane is running on the virtual display $DISPLAY"
wine "$exe"
source scripts/prefix-stop.sh
[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
