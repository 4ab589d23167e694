#!/usr/bin/env bash
# Builds all three configurations and runs every test: the sound core natively under AddressSanitizer
# and UndefinedBehaviorSanitizer, everything for Windows x86_64 under 64-bit Wine and everything for
# Windows i686 (the shipped build) under 32-bit Wine (Xvfb display, a private prefix per build, ALSA
# file devices), then the performance budget and a bounded fuzzing run. Installs what is missing first
# (Debian 12, as root). Exits non-zero on any failure. On a machine that cannot run 32-bit programs
# (scripts/machine-32bit.sh tries one) the i686 build is still built, its tests and budget step are
# reported as not run with the reason, and the x86_64 build runs under the 64-bit loader; so too,
# should 32-bit Wine be missing.
set -uo pipefail
cd "$(dirname "$0")"
SRC_DIR=$PWD
source scripts/machine-32bit.sh
morvane_32bit_decide   # once for the whole run: deps.sh, the Wine scripts and ctest inherit it
echo "$MORVANE_32BIT_NOTE"
scripts/deps.sh || { echo "dependency installation failed"; exit 1; }

export CCACHE_BASEDIR="$SRC_DIR"          # cache hits across clones in other folders
export CCACHE_NOHASHDIR=1
JOBS=$(nproc)
TOOLCHAIN="-DCMAKE_TOOLCHAIN_FILE=$SRC_DIR/cmake/toolchain-mingw64.cmake"

T0=$(date +%s)
step() { printf '\n== %s (at %ss)\n' "$*" "$(( $(date +%s) - T0 ))"; }
build() {   # build DIR cmake-args...: configures and builds DIR, its output in DIR.build.log (BUILD_NICE: its priority)
  local dir=$1 t=$(date +%s); shift
  { cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" && nice -n "${BUILD_NICE:-10}" cmake --build "$dir" -j"$JOBS"; } \
    >"$dir.build.log" 2>&1
  local status=$?
  echo "  $dir: $( ((status == 0)) && echo built || echo FAILED ) in $(( $(date +%s) - t ))s"
  return $status
}
mkdir -p build
if [ "$JOBS" -ge 4 ]; then side=1; half=$((JOBS / 2)); else side=0; half=$JOBS; fi
# Desktop lanes per Windows build (scripts/desktop-lanes.sh): one for every two of its test jobs
# (rounded up), at most 3 (each lane is an Xvfb and a Wine server, 100-200 MB); MORVANE_DESKTOP_LANES
# sets another count.
lanes=${MORVANE_DESKTOP_LANES:-$(( (half + 1) / 2 > 3 ? 3 : (half + 1) / 2 ))}
[[ $lanes =~ ^[1-9][0-9]*$ ]] || { echo "MORVANE_DESKTOP_LANES: a count of 1 or more"; exit 2; }
[[ ${MORVANE_TIMEOUT_SCALE:-1} =~ ^[1-9][0-9]?$ ]] || { echo "MORVANE_TIMEOUT_SCALE: a whole number from 1 to 99"; exit 2; }
i686_note=$(morvane_i686_not_run)
run_i686=1
[ -z "$i686_note" ] || run_i686=0

passed=0; failed=0
count() {   # count CTEST_LOG RESULTS_DIR: adds the test cases of one ctest run to the totals
  local line cases=0 bad=0 f t want name scale
  # A program that ctest called passed but that wrote no results died without a failing exit code:
  # under Wine that is the X11 driver giving up on an X error (seen once in many runs, with parallel
  # GUI programs on one display). It runs once more on its own; the rerun is reported, and a program
  # that again writes nothing stays a failure below.
  while read -r want; do
    [ -f "$2/${want##*/}" ] && continue
    name=${want##*/}; name=${name%.xml}
    grep -qE "Test +#[0-9]+: $name \.+ +Passed" "$1" || continue
    echo "count: $name ended without writing results although ctest called it passed: running it again alone"
    scale=$(timeout_scale)
    MORVANE_TIMEOUT_SCALE=$scale ctest --test-dir "${2%/test-results}" -R "^$name\$" --output-on-failure \
      --timeout $((600 * scale)) 2>&1 | tail -n 30
    [ -f "$2/${want##*/}" ] && echo "count: RERUN $name (its first run wrote no results)"
  done < <(ctest --test-dir "${2%/test-results}" --show-only=json-v1 2>/dev/null |
           grep -o '"--gtest_output=xml:[^"]*"' | sed -E 's/^"--gtest_output=xml:(.*)"$/\1/')
  for x in "$2"/*.xml; do
    [ -f "$x" ] || continue
    t=$(grep -o -m1 '<testsuites tests="[0-9]*" failures="[0-9]*" disabled="[0-9]*" errors="[0-9]*"' "$x" |
        sed -E 's/.*tests="([0-9]+)" failures="([0-9]+)" disabled="([0-9]+)" errors="([0-9]+)"/\1 \2 \3 \4/')
    [ -n "$t" ] || continue
    local n fl dis err
    read -r n fl dis err <<<"$t"
    cases=$((cases + n - dis)); bad=$((bad + fl + err))
  done
  # Every program registered with a gtest XML output must have written it: one that died without
  # (ctest may still call it passed) is a failure. The list comes from ctest itself; tests without
  # --gtest_output (the fuzz replays) write no XML and are not expected to.
  local missing=0
  while read -r want; do
    [ -f "$2/${want##*/}" ] && continue
    echo "count: no test results from ${want##*/}: the program ended without writing them"
    missing=$((missing + 1))
  done < <(ctest --test-dir "${2%/test-results}" --show-only=json-v1 2>/dev/null |
           grep -o '"--gtest_output=xml:[^"]*"' | sed -E 's/^"--gtest_output=xml:(.*)"$/\1/')
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  f=$(sed -nE 's/.* ([0-9]+) tests? failed out of.*/\1/p' <<<"$line")
  [ -n "$line" ] || f=1
  # A failed program may have left no results: count it as one failure at least. Failures that are no
  # test case (a missing or broken program) are not taken off the cases that passed.
  if [ "${f:-0}" -gt "$((bad + missing))" ]; then missing=$((f - bad)); fi
  passed=$((passed + cases - bad)); failed=$((failed + bad + missing))
}

source scripts/start-xvfb.sh   # (a display for anything below that wants one; each Wine build has its own)
cleanup() { [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null; true; }
trap cleanup EXIT
# timeout_scale: the factor for every test's time limit (cmake/test-limits.cmake), from what the machine
# does as a build's tests start: its load per core, rounded up (1 on a quiet machine), twice that with
# fewer than 4 cores for the run; at most 99. A limit only guards against a hang: on a busy machine the
# tests take longer and their limits grow with them. MORVANE_TIMEOUT_SCALE set by the caller wins.
timeout_scale() {
  if [ -n "${MORVANE_TIMEOUT_SCALE:-}" ]; then echo "$MORVANE_TIMEOUT_SCALE"; return; fi
  local load
  read -r load _ </proc/loadavg
  awk -v load="$load" -v cores="$(getconf _NPROCESSORS_ONLN)" -v jobs="$JOBS" 'BEGIN {
    s = load / cores; s = (s > int(s)) ? int(s) + 1 : int(s)
    if (s < 1) s = 1
    if (jobs < 4) s *= 2
    print (s > 99) ? 99 : s }'
}
ctest_run() {   # ctest_run BUILD_FOLDER JOBS [CTEST_ARGS...]: its tests, the log in BUILD_FOLDER-ctest.log, the counts in BUILD_FOLDER.counts
  local t=$(date +%s) dir=$1 jobs=$2 scale
  shift 2
  rm -rf "$dir/test-results" "$dir/ctest-junit.xml"
  passed=0; failed=0
  scale=$(timeout_scale)
  echo "time limits x$scale (load $(cut -d' ' -f1 /proc/loadavg) on $(getconf _NPROCESSORS_ONLN) cores)" >"$dir-ctest.log"
  # ctest-junit.xml lands in the build folder (ctest takes the path from there); a failed program's
  # output is kept at both ends, since the summary at the end shows its last lines.
  MORVANE_TIMEOUT_SCALE=$scale ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout $((600 * scale)) \
    --test-output-truncation middle --output-junit ctest-junit.xml "$@" >>"$dir-ctest.log" 2>&1
  count "$dir-ctest.log" "$dir/test-results" >>"$dir-ctest.log" 2>&1
  echo "$passed $failed $(( $(date +%s) - t )) $((t - T0))" >"$dir.counts"
}
windows_env() {   # windows_env BUILD_FOLDER (in a subshell): a display, the build's Wine environment, the lane routines
  unset DISPLAY XVFB_PID
  source scripts/start-xvfb.sh
  BUILD_DIR=$SRC_DIR/$1
  source scripts/wine-env.sh
  source scripts/desktop-lanes.sh
}
windows_prepare() {   # windows_prepare BUILD_FOLDER LANES: its prefixes made (Wine's first boot takes ~20 s), nothing left running
  (
    windows_env "$1"
    lanes_create "$2"
    source scripts/prefix-stop.sh
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    true
  ) >"$1.lanes.log" 2>&1
}
windows_tests() {   # windows_tests BUILD_FOLDER JOBS LANES: its tests under Wine on desktop lanes of its own
  (
    windows_env "$1"
    lanes_create "$3" >>"$1.lanes.log" 2>&1 || echo "  $1: its desktop lanes could not be made (see $1.lanes.log)"
    source scripts/prefix-init.sh
    # run.sh's test entries, each a whole start of Morvane: a third of the build's test jobs at once (rounded up).
    RUN_SCRIPT_SLOTS=$(( ($2 + 2) / 3 )) lanes_start "$3" >>"$1.lanes.log" 2>&1
    ctest_run "$1" "$2" --resource-spec-file "$LANES_SPEC"
    lanes_stop
    source scripts/prefix-stop.sh   # ends this prefix's Wine server
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    true
  )
}

# The five builds run side by side: each alone leaves cores idle in its configure and link steps. Each
# build's tests start as soon as it is built, while the others still build: the native tests with every
# core, each Windows build's tests under Wine with half the cores and its desktop lanes (their prefixes
# made while it builds). The machine is never asked for more than the builds ask of it (a build that ends
# hands its jobs to its tests), and the builds run at a lower priority (nice 10) than the tests: audio
# through Wine's file device and the timing tests need their share, the builds take what is left.
# With fewer than 4 cores, all builds first, then the tests of one build after the other, one lane each.
step "builds, side by side: native (sanitizers), Windows x86_64, Windows i686, benchmarks, fuzz targets$( ((side)) && echo "; each build's tests as soon as it is built ($lanes desktop lanes per Windows build)")"
rm -f build/native.counts build/win64.counts build/win32.counts
pipeline() {   # pipeline CONFIG CMAKE_ARGS...: builds build/CONFIG, then (side by side with the rest) its tests
  local cfg=$1 p_prep=
  shift
  if ((side)) && [ "$cfg" != native ] && { [ "$cfg" = win64 ] || ((run_i686)); }; then
    windows_prepare "build/$cfg" "$lanes" & p_prep=$!
  fi
  # A build whose tests cannot run here (i686 on a machine without 32-bit support) yields to the
  # others: the x86_64 build's tests start sooner and it still finishes while they run.
  local nice_level=10
  [ "$cfg" = win32 ] && ! ((run_i686)) && nice_level=19
  BUILD_NICE=$nice_level build "build/$cfg" "$@"
  local status=$?
  [ -n "$p_prep" ] && wait "$p_prep"
  ((status == 0)) || return 1
  ((side)) || return 0
  case $cfg in
    native) ctest_run build/native "$JOBS" ;;
    win64) windows_tests build/win64 "$( ((run_i686)) && echo "$half" || echo "$JOBS")" "$lanes" ;;
    win32) ! ((run_i686)) || windows_tests build/win32 "$half" "$lanes" ;;
  esac
  return 0
}
pipeline native & p_native=$!
pipeline win64 "$TOOLCHAIN" & p_win64=$!
pipeline win32 "$TOOLCHAIN" -DMINGW_ARCH=i686 & p_win32=$!
p_bench=; p_fuzz=
if [ -x scripts/perf.sh ]; then nice -n 10 scripts/perf.sh --build-only >build/bench.build.log 2>&1 & p_bench=$!; fi
# The bounded fuzzing run starts once its targets are built and the native tests are done, beside the
# Windows builds' tail and tests (time-bounded, so a busy machine only gives it fewer runs); with fewer
# than 4 cores it runs after every test. Its status and output: build/fuzz.run.{status,log}.
fuzz_pipeline() {
  rm -f build/fuzz.run.status build/fuzz.run.log
  nice -n 10 scripts/fuzz.sh --build-only >build/fuzz.build.log 2>&1 || return 1
  ((side)) || return 0
  while [ ! -f build/native.counts ] && kill -0 "$p_native" 2>/dev/null; do sleep 2; done
  nice -n 10 scripts/fuzz.sh --no-build >build/fuzz.run.log 2>&1
  echo $? >build/fuzz.run.status
  return 0
}
if [ -x scripts/fuzz.sh ]; then fuzz_pipeline & p_fuzz=$!; fi
build_failed=0
for b in native:$p_native win64:$p_win64 win32:$p_win32; do
  wait "${b#*:}" && continue
  build_failed=1
  echo "build of build/${b%%:*} failed:"; grep -E 'error|FAILED' "build/${b%%:*}.build.log" | head -40
  tail -20 "build/${b%%:*}.build.log"
done
bench_built=1; fuzz_built=1
[ -n "$p_bench" ] && { wait "$p_bench" || { bench_built=0; echo "benchmark build failed:"; tail -30 build/bench.build.log; }; }
[ -n "$p_fuzz" ] && { wait "$p_fuzz" || { fuzz_built=0; echo "fuzz build failed:"; tail -30 build/fuzz.build.log; }; }
((build_failed)) && exit 1
if ! ((side)); then
  step "tests: native, Windows x86_64 under Wine, Windows i686 under Wine, one after the other"
  ctest_run build/native "$JOBS"
  windows_tests build/win64 "$JOBS" 1
  ((run_i686)) && windows_tests build/win32 "$JOBS" 1
fi
passed=0; failed=0
for b in native win64 win32; do
  [ "$b" = win32 ] && ! ((run_i686)) && continue
  dir=build/$b
  step "$b tests: their output"
  cat "$dir-ctest.log"
  if read -r p f secs from <"$dir.counts" 2>/dev/null; then
    echo "  $b: $p passed, $f failed in ${secs}s (from ${from}s to $((from + secs))s of the run)"
    passed=$((passed + p)); failed=$((failed + f))
  else
    echo "  $b: the test run ended without counts"; failed=$((failed + 1))
  fi
done
if ! ((run_i686)); then
  i686_programs=$(ctest --test-dir build/win32 -N 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
  i686_note="NOT RUN (${i686_programs:-?} test programs and the budget step): $i686_note"
  step "Windows i686 tests: $i686_note"
fi

if [ -x scripts/fuzz.sh ]; then
  step "fuzzing (bounded, the targets side by side$( ((side)) && echo '; run once the native tests were done'))"
  if ((fuzz_built)) && ! ((side)); then scripts/fuzz.sh --no-build >build/fuzz.run.log 2>&1; echo $? >build/fuzz.run.status; fi
  [ -f build/fuzz.run.log ] && cat build/fuzz.run.log
  if ((fuzz_built)) && [ "$(cat build/fuzz.run.status 2>/dev/null)" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

if [ -x scripts/perf.sh ]; then
  # Timings are reported against the real-time budget on a quiet machine (so last); the instruction
  # count of the typical voice is checked.
  step "performance budget (benchmarks natively and under Wine, callgrind instruction count)"
  if ((bench_built)) && PERF_MIN_TIME=0.2 scripts/perf.sh --no-build; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

if [ "$failed" -gt 0 ]; then
  # Repeated here because the output of a failed program above may be long or cut short.
  echo
  echo "failed test cases:"
  summary=()
  for b in native win64 win32; do
    [ "$b" = win32 ] && ! ((run_i686)) && continue
    summary+=("build/$b/test-results" "build/$b/ctest-junit.xml" "build/$b-ctest.log")
  done
  python3 scripts/test-summary.py "${summary[@]}"
fi
echo
echo "whole run: $(( $(date +%s) - T0 ))s"
echo "tests: $passed passed, $failed failed"
if [ -n "$i686_note" ]; then
  echo "**********************************************************************************************"
  echo "  Windows i686 (shipped build) tests $i686_note"
  echo "**********************************************************************************************"
fi
[ "$failed" -eq 0 ]
