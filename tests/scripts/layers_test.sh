#!/usr/bin/env bash
# The layer map (README.md's layers block, scripts/check-layers.py): the tree's own includes follow it,
# and includes that run against it are caught, over small made-up trees. Writes Google Test style
# results to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0; failed=0; cases=()
record() {   # record NAME OK(0|1) MESSAGE
  if [ "$2" = 1 ]; then
    passed=$((passed + 1)); cases+=("<testcase name=\"$1\" classname=\"LayerMap\"/>")
    echo "[       OK ] $1"
  else
    failed=$((failed + 1))
    local message
    message=$(sed 's/&/\&amp;/g;s/"/\&quot;/g;s/</\&lt;/g' <<<"$3")
    cases+=("<testcase name=\"$1\" classname=\"LayerMap\"><failure message=\"$message\"/></testcase>")
    echo "[  FAILED  ] $1: $3"
  fi
}
# expect NAME TREE RC [TEXT]: the checker over TREE exits with RC and, when TEXT is given, prints it.
expect() {
  local out rc
  out=$(python3 "$root/scripts/check-layers.py" "$2" 2>&1); rc=$?
  if [ "$rc" != "$3" ]; then record "$1" 0 "exit $rc, want $3: $out"
  elif [ -n "${4:-}" ] && ! grep -qF -- "$4" <<<"$out"; then record "$1" 0 "no \"$4\" in: $out"
  else record "$1" 1 ""; fi
}

# tree NAME: a small tree with a core, a control kit, pages and a shell, every include allowed.
tree() {
  local t=$work/$1
  mkdir -p "$t/source"/{os,preset,controls,pages,midi,app} "$t/uia/src" "$t/gp/src"
  cat >"$t/README.md" <<'MAP'
# A tree
```layers
os        os                 libs: gp-win32
core      preset             libs: gp-win32
controls  controls           libs: uia
pages     pages midi         libs: uia
          + app/pageShell.h
app       app                libs: gp uia
```
MAP
  echo 'set(MORVANE_MIDI_CORE_NAMES midiNames.cpp)' >"$t/source/CMakeLists.txt"
  touch "$t/uia/src/UIAWindow.h" "$t/gp/src/GPRegistryKey.h"
  printf '#include "os/osFile.h"\n' >"$t/source/preset/bank.cpp"
  printf '#include "GPRegistryKey.h"\n#include "preset/bank.h"\n' >"$t/source/preset/settings_win32.cpp"
  printf '#include "preset/bank.h"\n#include "UIAWindow.h"\n' >"$t/source/controls/knob.cpp"
  printf '#include "app/pageShell.h"\n#include "controls/knob.h"\n#include "midi/midiPage.h"\n' \
    >"$t/source/pages/lfoPage.cpp"
  printf '#include "pages/lfoPage.h"\n' >"$t/source/midi/midiPage.cpp"
  printf '#include "midi/midiNames.h"\n#include "preset/bank.h"\n' >"$t/source/midi/midiNames.cpp"
  printf '#include "app/mainWindow.h"\n#include "pages/lfoPage.h"\n#include "midi/midiNames.h"\n' \
    >"$t/source/app/mainWindow.cpp"
  echo "$t"
}

expect TheTreeFollowsTheMap "$root" 0
expect AnAllowedTreePasses "$(tree clean)" 0
t=$(tree up); printf '#include "controls/knob.h"\n' >>"$t/source/preset/bank.cpp"
expect TheCoreIncludingTheControlKitFails "$t" 1 "source/preset/bank.cpp:2: controls/knob.h"
t=$(tree main); printf '#include "app/mainWindow.h"\n' >>"$t/source/midi/midiPage.cpp"
expect APageIncludingTheMainWindowFails "$t" 1 "source/midi/midiPage.cpp:2: app/mainWindow.h"
t=$(tree corefile); printf '#include "pages/lfoPage.h"\n' >>"$t/source/midi/midiNames.cpp"
expect ACoreFileInAnEditorFolderIsHeldToTheCore "$t" 1 "source/midi/midiNames.cpp:3: pages/lfoPage.h"
t=$(tree lib); printf '#include "GPRegistryKey.h"\n' >>"$t/source/preset/bank.cpp"
printf '#include "UIAWindow.h"\n' >>"$t/source/preset/settings_win32.cpp"
expect TheCoreIncludingALibraryOutsideItsWin32FilesFails "$t" 1 "source/preset/bank.cpp:2: GPRegistryKey.h"
expect TheCoreWin32FilesReachOnlyGp "$t" 1 "source/preset/settings_win32.cpp:3: UIAWindow.h"
t=$(tree unmapped); mkdir "$t/source/extra"
expect AFolderMissingFromTheMapFails "$t" 1 "source/extra: folder missing"
t=$(tree nomap); printf '# A tree\n' >"$t/README.md"
expect AMissingMapIsAnError "$t" 2 "no \`\`\`layers block"

if [ -n "${1:-}" ]; then
  mkdir -p "$(dirname "$1")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"layers\">"
    echo "<testsuite name=\"LayerMap\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$1"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
