#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs each for a
# bounded time (FUZZ_SECONDS, 30 by default) over a copy of its seed corpus and regression inputs
# (tests/fuzz/corpus/<name>/, tests/fuzz/regressions/<name>/; copied so the run never changes the tree),
# with its dictionary (tests/fuzz/<name>.dict, else the chunk ids of tests/fuzz/chunkIds.dict).
# The targets run side by side, each on one core. --build-only builds them; --no-build runs what is built.
# A crash, sanitizer report, hang (10 s), leak or out-of-memory fails the run; the input is kept in
# build/fuzz/crashes/ to be turned into a regression case (tests/fuzz/regressions/<name>/).
set -uo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-30}
shopt -s nullglob
sources=(tests/fuzz/*_fuzz.cpp)
((${#sources[@]})) || { echo "no fuzz targets"; exit 0; }
targets=()
for s in "${sources[@]}"; do targets+=("$(basename "$s" .cpp)"); done
phase=${1:-all}
if [ "$phase" != --no-build ]; then
  mkdir -p build
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_FUZZ=ON \
    >build/fuzz.configure.log 2>&1 || { cat build/fuzz.configure.log; exit 1; }
  cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]}" || exit 1
fi
[ "$phase" = --build-only ] && exit 0
# Undefined behaviour is an error, not a note in the log.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
status=0
mkdir -p build/fuzz/crashes
fuzz_one() {   # fuzz_one TARGET: one bounded run; its log in build/fuzz/TARGET.log
  local t=$1 work=build/fuzz/corpus-$1 d dict dictArg=()
  rm -rf "$work"; mkdir -p "$work"
  for d in "tests/fuzz/corpus/$t" "tests/fuzz/regressions/$t"; do
    [ -d "$d" ] && find "$d" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$work/" \;
  done
  dict=tests/fuzz/$t.dict
  [ -f "$dict" ] || dict=tests/fuzz/chunkIds.dict
  [ -f "$dict" ] && dictArg=(-dict="$dict")
  "build/fuzz/tests/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    "${dictArg[@]}" -artifact_prefix="build/fuzz/crashes/$t-" "$work" >"build/fuzz/$t.log" 2>&1
}
pids=()
for t in "${targets[@]}"; do
  echo "fuzzing $t for ${SECONDS_EACH}s"
  fuzz_one "$t" & pids+=($!)
done
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if ! wait "${pids[$i]}"; then
    echo "FUZZ FAILURE in $t:"; tail -40 "build/fuzz/$t.log"; status=1
  else
    echo "$t: $(tail -1 "build/fuzz/$t.log")"
  fi
done
exit $status
