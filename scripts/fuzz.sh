#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer) and runs each for a bounded time over its seed
# corpus (tests/fuzz/corpus/<name>/, copied so the run never changes the tree). A crash fails the run;
# the crashing input is kept in build/fuzz/crashes/ to be turned into a regression case.
set -uo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-30}
shopt -s nullglob
sources=(tests/fuzz/*_fuzz.cpp)
((${#sources[@]})) || { echo "no fuzz targets"; exit 0; }
targets=()
for s in "${sources[@]}"; do targets+=("$(basename "$s" .cpp)"); done
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_FUZZ=ON \
  >build/fuzz.configure.log 2>&1 || { cat build/fuzz.configure.log; exit 1; }
cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]}" || exit 1
status=0
mkdir -p build/fuzz/crashes
for t in "${targets[@]}"; do
  work=build/fuzz/corpus-$t
  rm -rf "$work"; mkdir -p "$work"
  [ -d "tests/fuzz/corpus/$t" ] && cp -r "tests/fuzz/corpus/$t/." "$work/"
  echo "fuzzing $t for ${SECONDS_EACH}s"
  if ! "build/fuzz/tests/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build/fuzz/crashes/$t-" "$work" >"build/fuzz/$t.log" 2>&1; then
    echo "FUZZ FAILURE in $t:"; tail -40 "build/fuzz/$t.log"; status=1
  else
    tail -1 "build/fuzz/$t.log"
  fi
done
exit $status
