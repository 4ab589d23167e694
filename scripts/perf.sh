#!/usr/bin/env bash
# The performance budget: builds the benchmark configuration, runs the budget benchmark
# (tests/bench/budget_bench.cpp) natively and, when the Windows x86_64 build holds morvane_bench.exe,
# under Wine, then the callgrind instruction check (scripts/callgrind-check.sh).
# Goals, printed as a verdict per line: the typical voice at most 40 ns per voice per sample at 64
# voices; the worst case under half of the block's 2.9025 ms. Timings depend on the machine's load,
# so only a failed build, a failed benchmark run or the instruction check make the script fail.
# Usage: scripts/perf.sh            (PERF_BUILD: benchmark build folder, default build/bench;
#                                    PERF_WIN64: Windows build folder, default build/win64;
#                                    PERF_MIN_TIME: seconds per benchmark case, default 0.3)
set -uo pipefail
cd "$(dirname "$0")/.."
SRC_DIR=$PWD
build=${PERF_BUILD:-build/bench}
win64=${PERF_WIN64:-build/win64}
min_time=${PERF_MIN_TIME:-0.3}
export CCACHE_BASEDIR="$SRC_DIR" CCACHE_NOHASHDIR=1
status=0

mkdir -p "$(dirname "$build")"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_SANITIZE=OFF -DMORVANE_BENCHMARKS=ON \
  >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j"$(nproc)" --target morvane_bench callgrindTypical || exit 1

# Prints the goal verdicts from benchmark output lines (key=value counters, with Google Benchmark's
# k/m/u suffixes).
verdict() {
  awk '
    function num(s) {
      m = 1
      if (s ~ /k$/) m = 1e3; else if (s ~ /M$/) m = 1e6; else if (s ~ /m$/) m = 1e-3; else if (s ~ /u$/) m = 1e-6
      sub(/[kMmu]$/, "", s)
      return s * m
    }
    /BM_BudgetTypical\/64 |BM_BudgetWorstCase / {
      for (i = 1; i <= NF; ++i) {
        split($i, kv, "=")
        if (kv[1] == "ns_per_voice_sample") ns = num(kv[2])
        if (kv[1] == "budget_fraction") bf = num(kv[2])
      }
      if ($1 ~ /Typical/) printf "  typical voice, 64 voices: %.1f ns per voice per sample (goal 40): %s\n", ns, ns <= 40 ? "met" : "MISSED"
      else printf "  worst case: %.3f of the block budget, %.0f ns per voice per sample (goal under 0.5): %s\n", bf, ns, bf < 0.5 ? "met" : "MISSED"
    }'
}

echo "== budget benchmark, native"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if "$build/tests/morvane_bench" --benchmark_filter=BM_Budget --benchmark_min_time="$min_time" | tee "$log"; then
  verdict <"$log"
  grep -q "ERROR" "$log" && { echo "perf: a native benchmark case reported an error"; status=1; }
else
  echo "perf: the native benchmark failed"; status=1
fi

if [ -f "$win64/tests/morvane_bench.exe" ]; then
  echo "== budget benchmark, Windows x86_64 under Wine"
  BUILD_DIR=$SRC_DIR/$win64
  source scripts/wine-env.sh
  source scripts/prefix-init.sh
  if MORVANE_BENCH_MIN_TIME=$min_time wine "$win64/tests/morvane_bench.exe" --benchmark_filter=BM_Budget | tee "$log"; then
    verdict <"$log"
    grep -q "ERROR" "$log" && { echo "perf: a benchmark case under Wine reported an error"; status=1; }
  else
    echo "perf: the benchmark under Wine failed"; status=1
  fi
  source scripts/prefix-stop.sh
else
  echo "== (no $win64/tests/morvane_bench.exe: the Wine run is left out)"
fi

echo "== instruction count"
scripts/callgrind-check.sh "$build" || status=1
exit $status
