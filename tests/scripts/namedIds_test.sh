#!/usr/bin/env bash
# The named-number check (scripts/check_named_ids.py): this tree passes it, and a bare number of each
# kind it names (a style flag, an envelope destination kind in the engine and in the preset model, a
# clip or undo kind, a menu position), planted in a copy of the tree where the code now uses the name,
# fails it at that place. Writes Google Test style results to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=$(python3 -c 'import sys; print(sys.executable)')

passed=0; failed=0; cases=()
record() {   # record NAME OK(0|1) MESSAGE
  if [ "$2" = 1 ]; then
    passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"NamedIds\"/>")
    echo "[       OK ] $1"
  else
    failed=$((failed + 1))
    local message
    message=$(sed 's/&/\&amp;/g;s/"/\&quot;/g;s/</\&lt;/g' <<<"$3")
    cases+=("<testcase name=\"$1\" classname=\"NamedIds\"><failure message=\"$message\"/></testcase>")
    echo "[  FAILED  ] $1: $3"
  fi
}

out=$("$python" "$root/scripts/check_named_ids.py" "$root" 2>&1); rc=$?
if [ "$rc" = 0 ]; then record TheTreeNamesEveryNumber 1 ""; else record TheTreeNamesEveryNumber 0 "exit $rc: $out"; fi

# Bare numbers planted in one copy of the tree, each in place of a name on the first line of the file
# that holds it: the case, the file, the text with the name, the same text with the number, and what
# the checker says of it (the texts are plain: no character that sed reads as a pattern).
t=$work/planted
mkdir -p "$t"
cp -r source "$t/"
wants=()
while IFS='|' read -r name file named bare says; do
  [ -n "$name" ] || continue
  n=$(grep -nF -- "$named" "$t/$file" | head -1 | cut -d: -f1)
  if [ -z "$n" ]; then record "$name" 0 "no \"$named\" in $file to plant over"; continue; fi
  sed -i "${n}s/$named/$bare/" "$t/$file"
  wants+=("$name|$file:$n: $says")
done <<'PLANTED'
AStyleFlagInHex|source/midi/xyDialog.cpp|selectorOneBitmap|0x40|flags argument of selectorCreate 0x40
AButtonFlag|source/pages/mainPageKeys.cpp|buttonToggle|16|flags argument of buttonPlace 16
ADestinationKindInTheEngine|source/engine/envGenPass.cpp|destination == envDestSampleJump|destination == 18|destination kind compared 18
ADestinationKindInTheEditor|source/envelope/envBreakpointEdit.cpp|destination == envDestSampleJump|destination == 18|destination kind compared 18
ADestinationCaseInThePresetModel|source/preset/envelope.cpp|case envDestFilterRes:|case 15:|case label 15
ADestinationArgument|source/preset/envelope.cpp|(owner), envDestPanFb)|(owner), 37)|destination argument of envSetDefaultsByDest 37
AClipKindArgument|source/envelope/envBreakpointEdit.cpp|clipSetCopyKind(clipKindBreakpoints)|clipSetCopyKind(2)|kind argument of clipSetCopyKind 2
AClipKindCompared|source/envelope/envBreakpointEdit.cpp|kind == clipKindEnvelope|kind == 1|clip or undo kind compared 1
AnUndoKindCompared|source/envelope/envPage.cpp|kind == undoKindPatch|kind == 5|clip or undo kind compared 5
AMenuPositionCase|source/app/mainWindowPopups.cpp|case filePosOpen:|case 2:|case label of a menu, key or source 2
AModuleMenuPositionCase|source/pages/moduleMenu.cpp|case moduleMenuPosSave:|case 6:|case label of a menu, key or source 6
AnArrowKeyCase|source/app/mainWindow.cpp|case kKeyUp:|case 129:|case label of a menu, key or source 129
PLANTED
out=$("$python" "$root/scripts/check_named_ids.py" "$t" 2>&1); rc=$?
for want in "${wants[@]}"; do
  name=${want%%|*}; line=${want#*|}
  if [ "$rc" != 1 ]; then record "$name" 0 "exit $rc, want 1: $out"
  elif ! grep -qF -- "$line" <<<"$out"; then record "$name" 0 "no \"$line\" in: $out"
  else record "$name" 1 ""; fi
done

if [ -n "${1:-}" ]; then
  mkdir -p "$(dirname "$1")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"named_ids\">"
    echo "<testsuite name=\"NamedIds\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$1"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
