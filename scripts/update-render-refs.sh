#!/usr/bin/env bash
# Rewrites the render regression references (tests/render/refs/*.txt) and the render digests
# (tests/render/digests.txt) after a deliberate change of sound: builds the native configuration and
# runs render_tests with MORVANE_UPDATE_RENDER_REFS=1 and MORVANE_UPDATE_RENDER_DIGESTS=1, which write
# each case's features and digest instead of comparing them. Review the diff before committing;
# the win64 build under Wine must still pass against the new references.
#   scripts/update-render-refs.sh [build folder]     (default: build-native-refs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-native-refs}"
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j"${JOBS:-3}" --target render_tests
mkdir -p "$root/tests/render/refs"
MORVANE_UPDATE_RENDER_REFS=1 MORVANE_SOURCE_DIR="$root" "$build/tests/render_tests" --gtest_filter='Cases/RenderRegression.*' --gtest_brief=1
MORVANE_UPDATE_RENDER_DIGESTS=1 MORVANE_SOURCE_DIR="$root" "$build/tests/render_tests" --gtest_filter='Lanes/RenderDigestTest.*' --gtest_brief=1
# A second run compares against what was just written.
MORVANE_SOURCE_DIR="$root" "$build/tests/render_tests" --gtest_brief=1
git -C "$root" status --short -- tests/render/refs tests/render/digests.txt
