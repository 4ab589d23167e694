#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (as root), only when missing.
set -euo pipefail
packages=(cmake ninja-build ccache g++ clang libclang-rt-14-dev googletest libbenchmark-dev
          libboost-dev wine wine64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          xvfb xauth fonts-wine imagemagick x11-apps python3 valgrind
          python3-pil fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  # The archive's i386 security index can make 'apt-get update' exit non-zero; amd64 lists still update.
  apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
