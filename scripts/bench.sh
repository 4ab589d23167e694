#!/usr/bin/env bash
# Builds the benchmarks without sanitizers and runs them natively and under Wine.
# Usage: scripts/bench.sh [filter]   (MORVANE_BENCH_MIN_TIME sets the Wine run's seconds per case)
set -uo pipefail
cd "$(dirname "$0")/.."
SRC_DIR=$PWD
filter=${1:-}
export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_SANITIZE=OFF -DMORVANE_BENCHMARKS=ON >/dev/null || exit 1
cmake --build build/bench -j"$(nproc)" --target morvane_bench || exit 1
echo "== native"
build/bench/tests/morvane_bench ${filter:+--benchmark_filter=$filter}
if [ -f build/win64/tests/morvane_bench.exe ]; then
  echo "== Windows x86_64 under Wine"
  BUILD_DIR=$SRC_DIR/build/win64
  source scripts/wine-env.sh
  source scripts/prefix-init.sh
  wine build/win64/tests/morvane_bench.exe ${filter:+--benchmark_filter=$filter}
  source scripts/prefix-stop.sh
fi
