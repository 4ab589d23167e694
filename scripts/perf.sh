#!/usr/bin/env bash
# The performance budget: builds the benchmark configuration, runs the budget benchmark
# (tests/bench/budget_bench.cpp) natively and, where the Windows builds hold morvane_bench.exe, under
# 64-bit Wine (x86_64) and 32-bit Wine (i686, the shipped build), then the callgrind instruction check
# (scripts/callgrind-check.sh). Every run uses the widest lanes the processor has.
# Goals, printed as a verdict per line: the typical voice at 64 voices at most 15 ns per voice per
# sample natively and 25 ns in the Windows builds; the worst case under half of the block's 2.9025 ms.
# Timings depend on the machine's load, so only a failed build, a failed benchmark run or the
# instruction check make the script fail.
# Usage: scripts/perf.sh [--build-only | --no-build]
#                                   (PERF_BUILD: benchmark build folder, default build/bench;
#                                    PERF_WIN64, PERF_WIN32: Windows build folders, default build/win64
#                                    and build/win32; PERF_MIN_TIME: seconds per benchmark case, default 0.3)
set -uo pipefail
cd "$(dirname "$0")/.."
SRC_DIR=$PWD
build=${PERF_BUILD:-build/bench}
win64=${PERF_WIN64:-build/win64}
win32=${PERF_WIN32:-build/win32}
min_time=${PERF_MIN_TIME:-0.3}
export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
status=0
phase=${1:-all}   # all, --build-only (test.sh builds it beside the other builds) or --no-build

if [ "$phase" != --no-build ]; then
  mkdir -p "$(dirname "$build")"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_SANITIZE=OFF -DMORVANE_BENCHMARKS=ON \
    >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
  cmake --build "$build" -j"$(nproc)" --target morvane_bench callgrindTypical || exit 1
fi
[ "$phase" = --build-only ] && exit 0

# Prints the goal verdicts from benchmark output lines (key=value counters, with Google Benchmark's
# k/m/u suffixes).
verdict() {   # verdict GOAL_NS < benchmark output
  awk -v goal="$1" '
    function num(s) {
      m = 1
      if (s ~ /k$/) m = 1e3; else if (s ~ /M$/) m = 1e6; else if (s ~ /m$/) m = 1e-3; else if (s ~ /u$/) m = 1e-6
      sub(/[kMmu]$/, "", s)
      return s * m
    }
    /BM_BudgetTypical\/[0-9]+ |BM_BudgetWorstCase / {
      for (i = 1; i <= NF; ++i) {
        split($i, kv, "=")
        if (kv[1] == "ns_per_voice_sample") ns = num(kv[2])
        if (kv[1] == "budget_fraction") bf = num(kv[2])
      }
      if ($1 ~ /Typical\/64/) printf "  typical voice, 64 voices: %.1f ns per voice per sample (goal %d): %s\n", ns, goal, ns <= goal ? "met" : "MISSED"
      else if ($1 ~ /Typical/) { split($1, t, "/"); printf "  typical voice, %d voices: %.1f ns per voice per sample\n", t[2], ns }
      else printf "  worst case: %.3f of the block budget, %.0f ns per voice per sample (goal under 0.5): %s\n", bf, ns, bf < 0.5 ? "met" : "MISSED"
    }'
}

echo "== budget benchmark, native"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if "$build/tests/morvane_bench" --benchmark_filter=BM_Budget --benchmark_min_time="$min_time" | tee "$log"; then
  verdict 15 <"$log"
  grep -q "ERROR" "$log" && { echo "perf: a native benchmark case reported an error"; status=1; }
else
  echo "perf: the native benchmark failed"; status=1
fi

wine_bench() {   # wine_bench BUILD_FOLDER LABEL
  if [ ! -f "$1/tests/morvane_bench.exe" ]; then
    echo "== (no $1/tests/morvane_bench.exe: the $2 run is left out)"
    return
  fi
  echo "== budget benchmark, $2"
  BUILD_DIR=$SRC_DIR/$1
  source scripts/wine-env.sh
  source scripts/prefix-init.sh
  if MORVANE_BENCH_MIN_TIME=$min_time wine "$1/tests/morvane_bench.exe" --benchmark_filter=BM_Budget | tee "$log"; then
    verdict 25 <"$log"
    grep -q "ERROR" "$log" && { echo "perf: a benchmark case under Wine reported an error"; status=1; }
  else
    echo "perf: the benchmark under Wine ($2) failed"; status=1
  fi
  source scripts/prefix-stop.sh
}
source scripts/machine-32bit.sh
morvane_32bit_decide
wine_bench "$win64" "Windows x86_64 under 64-bit Wine"
i686_not_run=$(morvane_i686_not_run)
if [ -z "$i686_not_run" ]; then
  wine_bench "$win32" "Windows i686 (shipped build) under 32-bit Wine"
else
  echo "== budget benchmark, Windows i686: NOT RUN, $i686_not_run"
fi

echo "== instruction count"
scripts/callgrind-check.sh "$build" || status=1
exit $status
