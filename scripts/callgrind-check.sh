#!/usr/bin/env bash
# Counts the instructions (Ir) of the fixed typical-voice workload (tests/perf/callgrindTypical.cpp)
# under callgrind and compares them with the budget stored in tests/perf/callgrind-budget.txt.
# Fails when the count exceeds the budget by more than the margin (5 %); a count far below the budget
# passes and suggests --update. Instruction counts, unlike timings, do not depend on the machine's
# load, but they do depend on the compiler: update the budget after a toolchain change.
# Usage: scripts/callgrind-check.sh [--update] [benchmark build folder, default build/bench]
set -uo pipefail
cd "$(dirname "$0")/.."
update=0
build=build/bench
for a in "$@"; do
  case $a in
    --update) update=1 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) build=$a ;;
  esac
done
prog=$build/tests/callgrindTypical
budget_file=tests/perf/callgrind-budget.txt
margin_percent=5

[ -x "$prog" ] || { echo "callgrind-check: $prog is not built (benchmark configuration)"; exit 1; }
command -v valgrind >/dev/null || { echo "callgrind-check: valgrind is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! valgrind --tool=callgrind --toggle-collect=callgrindTypicalWorkload \
      --callgrind-out-file="$work/callgrind.out" "$prog" >"$work/log" 2>&1; then
  cat "$work/log"
  echo "callgrind-check: the workload failed"
  exit 1
fi
ir=$(sed -nE 's/^summary: ([0-9]+).*/\1/p' "$work/callgrind.out" | head -1)
[ -n "$ir" ] && [ "$ir" -gt 0 ] || { echo "callgrind-check: no instruction count in the callgrind output"; exit 1; }
grep -m1 'typical workload' "$work/log"

# The workload runs on the SSE2 lanes whatever the processor (the path of a processor without AVX),
# so the count does not depend on the processor; the lane set it measured is stored with the budget.
lanes=$(sed -nE 's/.* ([a-z0-9]+) lanes,.*/\1/p' "$work/log" | head -1)
[ -n "$lanes" ] || { echo "callgrind-check: the workload did not say which lanes it ran"; exit 1; }

if [ "$update" = 1 ]; then
  cat >"$budget_file" <<END
# Instruction budget (callgrind Ir) of tests/perf/callgrindTypical (16 typical voices, 256 blocks),
# checked by scripts/callgrind-check.sh with a margin of $margin_percent %. Rewrite with --update.
# Measured with $(${CXX:-c++} --version 2>/dev/null | head -1) on $(date -u +%Y-%m-%d).
# lanes: $lanes
$ir
END
  echo "callgrind-check: budget set to $ir Ir ($budget_file)"
  exit 0
fi

[ -f "$budget_file" ] || { echo "callgrind-check: no budget file ($budget_file); run with --update"; exit 1; }
budget=$(grep -v '^#' "$budget_file" | grep -m1 -oE '[0-9]+')
[ -n "$budget" ] || { echo "callgrind-check: no budget in $budget_file"; exit 1; }
budget_lanes=$(sed -nE 's/^# lanes: ([a-z0-9]+).*/\1/p' "$budget_file" | head -1)
ratio=$(awk -v a="$ir" -v b="$budget" 'BEGIN { printf "%.4f", a / b }')
if [ "$budget_lanes" != "$lanes" ]; then
  echo "callgrind-check: FAILED, the budget was measured on the ${budget_lanes:-unknown} lanes, this count on the $lanes lanes; run with --update"
  exit 1
fi
echo "callgrind: $ir Ir ($lanes lanes), budget $budget Ir, ratio $ratio (limit $(awk -v m=$margin_percent 'BEGIN { printf "%.2f", 1 + m / 100 }'))"
if awk -v a="$ir" -v b="$budget" -v m=$margin_percent 'BEGIN { exit !(a > b * (1 + m / 100)) }'; then
  echo "callgrind-check: FAILED, the workload takes more than $margin_percent % over its instruction budget"
  exit 1
fi
if awk -v a="$ir" -v b="$budget" -v m=$margin_percent 'BEGIN { exit !(a < b * (1 - m / 100)) }'; then
  echo "callgrind-check: well under budget; consider scripts/callgrind-check.sh --update"
fi
echo "callgrind-check: ok"
