#!/usr/bin/env bash
# The performance budget: builds the benchmark configuration, runs the budget benchmark
# (tests/bench/budget_bench.cpp) natively and, where the Windows builds hold morvane_bench.exe, under
# 64-bit Wine (x86_64) and 32-bit Wine (i686, the shipped build), then the callgrind instruction check
# (scripts/callgrind-check.sh). Every run uses the widest lanes the processor has.
# Goals, printed as a verdict per line: the typical voice at 64 voices at most 15 ns per voice per
# sample natively and 25 ns in the Windows builds; the worst case under half of the block's 2.9025 ms.
# Timings depend on the machine's load, so only a failed build, a failed benchmark run or the
# instruction check make the script fail. So that the figures are those of a quiet machine, each run
# first waits (a minute at most; after a Wine prefix starts, 20 s, or 3 s where the machine did not
# settle before) until less than half a core is busy (a test run's own Wine servers,
# displays and last programs winding down), the two goal cases are run several times and the best
# figure counts, and each verdict says what else the machine did while its figure was measured.
# Usage: scripts/perf.sh [--build-only | --no-build]
#                                   (PERF_BUILD: benchmark build folder, default build/bench;
#                                    PERF_WIN64, PERF_WIN32: Windows build folders, default build/win64
#                                    and build/win32; PERF_MIN_TIME: seconds per benchmark case, default 0.3;
#                                    PERF_RUNS: runs of the goal cases, the best counting, default 3;
#                                    PERF_SETTLE: seconds to wait at most for a quiet machine, default 60)
set -uo pipefail
cd "$(dirname "$0")/.."
SRC_DIR=$PWD
build=${PERF_BUILD:-build/bench}
win64=${PERF_WIN64:-build/win64}
win32=${PERF_WIN32:-build/win32}
min_time=${PERF_MIN_TIME:-0.3}
runs=${PERF_RUNS:-3}
settle_max=${PERF_SETTLE:-60}
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

# The CPU time of every process: "pid ticks name" lines (ticks: user and system, in clock ticks).
proc_ticks() {
  cat /proc/[0-9]*/stat 2>/dev/null | awk '{
    i = length($0); while (i > 0 && substr($0, i, 1) != ")") --i
    name = substr($0, index($0, "(") + 1, i - index($0, "(") - 1)
    split(substr($0, i + 2), f, " ")
    print $1, f[12] + f[13], name
  }'
}
# What the machine did between two moments: the busy cores, the processes that took at least a tenth
# of a core (the benchmark itself left out) and the 1-minute load average, as one line
# "cores=C busy=N names=A,B avg=L" on stdout. Call load_start first.
load_start() {
  load_t0=$(awk '/^cpu /{ print $2 + $3 + $4 + $7 + $8 + $9, $5 + $6 }' /proc/stat)
  load_p0=$(proc_ticks)
  load_s0=$(date +%s.%N)
}
load_end() {
  local t1 p1 s1
  t1=$(awk '/^cpu /{ print $2 + $3 + $4 + $7 + $8 + $9, $5 + $6 }' /proc/stat)
  p1=$(proc_ticks)
  s1=$(date +%s.%N)
  awk -v t0="$load_t0" -v t1="$t1" -v s0="$load_s0" -v s1="$s1" -v hz="$(getconf CLK_TCK)" \
      -v avg="$(cut -d' ' -f1 /proc/loadavg)" -v self="$$" '
    FNR == NR { before[$1] = $2; next }
    {
      name = $3; for (k = 4; k <= NF; ++k) name = name " " $k
      used = $2 - ($1 in before ? before[$1] : 0)
      if (name ~ /^morvane_bench/ || $1 == self) next
      gsub(/[ ,=]/, "_", name)
      if (used >= 0.1 * (s1 - s0) * hz) { ++busy; if (!(name in seen)) order[++kinds] = name; ++seen[name] }
    }
    END {
      split(t0, a, " "); split(t1, b, " ")
      work = b[1] - a[1]; idle = b[2] - a[2]
      for (k = 1; k <= kinds && k <= 5; ++k) names = names (k > 1 ? "," : "") order[k] (seen[order[k]] > 1 ? "_x" seen[order[k]] : "")
      if (kinds > 5) names = names ",..."
      printf "cores=%.1f busy=%d names=%s avg=%s\n", (work + idle > 0 ? work / (work + idle) * '"$(nproc)"' : 0), busy, (names == "" ? "-" : names), avg
    }' <(echo "$load_p0") <(echo "$p1")
}
unsettled=0
# Waits up to MAX seconds until the machine has been quiet (less than half a core busy) for a second,
# and says how long it waited and what it waited for.
settle() {   # settle MAX
  local start=$SECONDS last=
  while :; do
    load_start; sleep 1; last=$(load_end)
    awk -v l="$last" 'BEGIN { split(l, f, /[ =]/); exit !(f[2] < 0.5) }' && break
    ((SECONDS - start >= $1)) && { echo "(the machine did not settle in ${1}s: $last)"; unsettled=1; return; }
  done
  ((SECONDS - start > 1)) && echo "(waited $((SECONDS - start))s for a quiet machine)"
  true
}

# Prints the goal verdicts from benchmark output: runs of the benchmark, each after a "LOAD ..." line
# from load_end, with key=value counters (Google Benchmark's k/m/u suffixes). The best figure of a
# case over the runs counts; its verdict line says what the machine did during that run.
verdict() {   # verdict GOAL_NS < runs
  awk -v goal="$1" -v ncpu="$(nproc)" '
    function num(s) {
      m = 1
      if (s ~ /k$/) m = 1e3; else if (s ~ /M$/) m = 1e6; else if (s ~ /m$/) m = 1e-3; else if (s ~ /u$/) m = 1e-6
      sub(/[kMmu]$/, "", s)
      return s * m
    }
    /^LOAD / {
      split($0, f, /[ =]/)
      load = sprintf("%s of %d cores busy (the benchmark about 1), %d other process%s at work%s, load average %s", f[3], ncpu, f[5], (f[5] == 1 ? "" : "es"), (f[7] == "-" ? "" : " (" f[7] ")"), f[9])
      next
    }
    /BM_BudgetTypical\/[0-9]+ |BM_BudgetWorstCase / {
      ns = ""; bf = ""  # each line its own counters: one it lacks is no figure of the line before
      for (i = 1; i <= NF; ++i) {
        split($i, kv, "=")
        if (kv[1] == "ns_per_voice_sample") ns = num(kv[2])
        if (kv[1] == "budget_fraction") bf = num(kv[2])
      }
      key = $1
      fig = key ~ /WorstCase/ ? bf : ns
      if (!(key in count)) order[++cases] = key
      ++count[key]
      if (fig == "") next
      if (!(key in best) || fig < best[key]) { best[key] = fig; bestNs[key] = ns; bestLoad[key] = load }
    }
    END {
      for (c = 1; c <= cases; ++c) {
        key = order[c]; of = count[key] > 1 ? sprintf(", best of %d runs", count[key]) : ""
        if (!(key in best)) { printf "  %s: no figure in its output: MISSED\n", key; continue }
        if (key ~ /Typical\/64/)
          printf "  typical voice, 64 voices: %.1f ns per voice per sample (goal %d): %s%s; the machine: %s\n", best[key], goal, (best[key] <= goal ? "met" : "MISSED"), of, bestLoad[key]
        else if (key ~ /Typical/) { split(key, t, "/"); printf "  typical voice, %d voices: %.1f ns per voice per sample\n", t[2], best[key] }
        else printf "  worst case: %.3f of the block budget, %s ns per voice per sample (goal under 0.5): %s%s; the machine: %s\n", best[key], (bestNs[key] == "" ? "no figure of" : sprintf("%.0f", bestNs[key])), (best[key] < 0.5 ? "met" : "MISSED"), of, bestLoad[key]
      }
    }'
}

# Runs a benchmark command: once over every budget case, then PERF_RUNS - 1 more times over the two
# goal cases, each run's output after a LOAD line, into $log.
goal_cases='BM_BudgetTypical/64|BM_BudgetWorstCase'
bench_runs() {   # bench_runs COMMAND...: the command takes a filter as its last argument
  local r filter=BM_Budget out
  out=$(mktemp)
  : >"$log"
  for ((r = 0; r < runs; r++)); do
    load_start
    "$@" --benchmark_filter="$filter" >"$out" || { cat "$out"; rm -f "$out"; return 1; }
    echo "LOAD $(load_end)" >>"$log"
    cat "$out" >>"$log"
    filter=$goal_cases
  done
  rm -f "$out"
  grep -v '^LOAD ' "$log" | grep -E 'BM_Budget|ERROR' | grep -vE '_(mean|median|stddev|cv) '
}

echo "== budget benchmark, native"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
settle "$settle_max"
if bench_runs "$build/tests/morvane_bench" --benchmark_min_time="$min_time"; then
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
  # The prefix's services starting (briefly, where others' work kept the machine busy before).
  settle $((unsettled ? 3 : settle_max < 20 ? settle_max : 20))
  if MORVANE_BENCH_MIN_TIME=$min_time bench_runs wine "$1/tests/morvane_bench.exe"; then
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
