#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (as root), only when missing.
# 32-bit Wine (wine32:i386, for the shipped i686 build's tests) comes last and on its own, and only on
# a machine that runs 32-bit programs (scripts/machine-32bit.sh): elsewhere it could run nothing and
# would stand in the way of the 64-bit loader. Should the i386 package index be broken on a machine,
# that is said loudly and the rest stays installed; test.sh then reports the i686 tests as not run.
set -euo pipefail
source "$(dirname "$0")/machine-32bit.sh"
morvane_32bit_decide
packages=(cmake ninja-build ccache g++ clang clang-format libclang-rt-14-dev googletest libbenchmark-dev
          libboost-dev wine wine64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          xvfb xauth fonts-wine imagemagick x11-apps python3 valgrind
          python3-pil fonts-dejavu-core fonts-dejavu-extra)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
updated=0
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  # A broken i386 index can make 'apt-get update' exit non-zero; the amd64 lists still update.
  apt-get update -qq || true
  updated=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$MORVANE_RUNS_32BIT" = 0 ]; then
  installed wine32:i386 || echo "deps: 32-bit Wine (wine32:i386) is not installed: $MORVANE_32BIT_NOTE."
elif ! installed wine32:i386; then
  echo "Installing 32-bit Wine (wine32:i386)"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
  ((updated)) || apt-get update -qq || echo "deps: 'apt-get update' reported errors (the i386 index may be broken)" >&2
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; then
    cat >&2 <<'END'
deps: ************************************************************************************
deps: 32-bit Wine (wine32:i386) could not be installed. The i686 build's tests cannot run on
deps: this machine; everything else is installed and test.sh goes on without them.
deps: ************************************************************************************
END
  fi
fi
