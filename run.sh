#!/usr/bin/env bash
# Builds Morvane's shipped 32-bit Windows build and starts it under 32-bit Wine (on an Xvfb display
# when none is given).
# Installs what is missing first (Debian 12, as root).
set -euo pipefail
cd "$(dirname "$0")"
SRC_DIR=$PWD
scripts/deps.sh
export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
mkdir -p build
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release -DMINGW_ARCH=i686 \
  -DCMAKE_TOOLCHAIN_FILE="$SRC_DIR/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build build/win32 -j"$(nproc)"
exe=build/win32/source/app/Morvane.exe
if [ ! -f "$exe" ]; then
  echo "The build did not make $exe." >&2
  exit 1
fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "Morvane is built ($exe), but 32-bit Wine (wine32:i386) is not installed here: see the message"
  echo "of scripts/deps.sh above."
  exit 1
fi
BUILD_DIR=$SRC_DIR/build/win32
source scripts/wine-env.sh
source scripts/start-xvfb.sh
source scripts/prefix-init.sh
[ -n "${XVFB_PID:-}" ] && echo "Morvane is running on the virtual display $DISPLAY"
status=0
wine "$exe" || status=$?
source scripts/prefix-stop.sh
[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
exit "$status"
