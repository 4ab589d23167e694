#!/usr/bin/env bash
# Fails when a C or C++ source of the tree differs from what clang-format makes of it with the root's
# .clang-format (lists the files and the first differences). To mend: clang-format -i FILE...
set -uo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed (scripts/deps.sh installs it)"; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' '*.c')
else
  mapfile -d '' files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0)
fi
out=$(printf '%s\0' "${files[@]}" | xargs -0 -n 50 -P 4 clang-format --dry-run -Werror 2>&1)
if [ -n "$out" ]; then
  grep -oE '^[^:]+\.(cpp|h|c):' <<<"$out" | sort -u | sed 's/:$//; s/^/not formatted: /'
  head -n 40 <<<"$out"
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
