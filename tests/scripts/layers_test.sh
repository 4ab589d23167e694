#!/usr/bin/env bash
# The layer map (README.md's layers block, scripts/check-layers.py): the tree's own includes follow it
# and the libraries' follow their links; includes that run against them are caught, over small made-up
# trees and planted in copies of this one. Writes Google Test style results to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=$(python3 -c 'import sys; print(sys.executable)')  # once: a version manager's shim is slow to start

passed=0; failed=0; cases=(); wants=()
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
  out=$("$python" "$root/scripts/check-layers.py" "$2" 2>&1); rc=$?
  if [ "$rc" != "$3" ]; then record "$1" 0 "exit $rc, want $3: $out"
  elif [ -n "${4:-}" ] && ! grep -qF -- "$4" <<<"$out"; then record "$1" 0 "no \"$4\" in: $out"
  else record "$1" 1 ""; fi
}

# tree NAME: a small tree with a core, a control kit, the shell's headers for pages, pages and a shell,
# every include allowed.
tree() {
  local t=$work/$1
  mkdir -p "$t/source"/{os,preset,controls,pages,midi,app} "$t/uia/src" "$t/gp/src"
  cat >"$t/README.md" <<'MAP'
# A tree
```layers
os        os                 libs: gp-win32
core      preset             libs: gp-win32
          midi/midiNames.cpp
controls  controls           libs: uia
shell     app/pageShell.h    libs: uia
pages     pages midi         libs: uia
app       app                libs: gp uia
```
MAP
  echo 'set(MORVANE_CORE_EDITOR_FILES midi/midiNames.cpp)' >"$t/source/CMakeLists.txt"
  echo 'add_library(gp STATIC x.cpp)' >"$t/gp/CMakeLists.txt"
  printf 'add_library(uia STATIC x.cpp)\ntarget_link_libraries(uia PUBLIC gp)\n' >"$t/uia/CMakeLists.txt"
  touch "$t/uia/src/UIAWindow.h" "$t/gp/src/GPRegistryKey.h" "$t/source/app/pageShell.h"
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

# copy NAME: a copy of this tree's map, sources and libraries.
copy() {
  local t=$work/$1 d
  mkdir -p "$t"
  cp -r README.md source "$t/"
  for d in */src; do
    mkdir -p "$t/${d%/src}"
    cp -r "$d" "${d%/src}/CMakeLists.txt" "$t/${d%/src}/"
  done
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
# One platform-free header of a library named in the map: the core includes it from any file, and only it;
# the header itself may include nothing but the standard library.
onehdr() {
  local t
  t=$(tree "$1")
  sed -i 's|^core      preset             libs: gp-win32$|& gp/GPClamp.h|' "$t/README.md"
  printf '#include <cstdint>\n' >"$t/gp/src/GPClamp.h"
  printf '#include "GPClamp.h"\n' >>"$t/source/preset/bank.cpp"
  echo "$t"
}
expect TheCoreIncludesTheLibraryHeaderTheMapNames "$(onehdr named)" 0
t=$(onehdr namedother); printf '#include "GPRegistryKey.h"\n' >>"$t/source/preset/bank.cpp"
expect TheNamedHeaderOpensNoOtherOfItsLibrary "$t" 1 "source/preset/bank.cpp:3: GPRegistryKey.h"
t=$(onehdr namedplatform); printf '#include <windows.h>\n' >>"$t/gp/src/GPClamp.h"
expect TheNamedHeaderIncludesOnlyTheStandardLibrary "$t" 1 "gp/src/GPClamp.h:2: <windows.h>: the layer map"
t=$(onehdr namedmissing); rm "$t/gp/src/GPClamp.h"
expect ANamedHeaderThatDoesNotExistFails "$t" 1 "layer core names gp/GPClamp.h, which does not exist"
t=$(tree unmapped); mkdir "$t/source/extra"
expect AFolderMissingFromTheMapFails "$t" 1 "source/extra: folder missing"
t=$(tree nomap); printf '# A tree\n' >"$t/README.md"
expect AMissingMapIsAnError "$t" 2 "no \`\`\`layers block"


# Wrong includes planted in one copy of this tree, each at the end of a file: the case, the file, what it
# includes, and what the checker says of it.
t=$(copy planted)
expect TheCopyFollowsTheMap "$t" 0  # so each fault below is a planted one
while IFS='|' read -r name file include says; do
  [ -n "$name" ] || continue
  n=$(($(wc -l <"$t/$file") + 1))
  printf '#include %s\n' "$include" >>"$t/$file"
  shown=${include#\"}; shown=${shown%\"}
  wants+=("$name|$file:$n: $shown: $says")
done <<'PLANTED'
ARelativePathFromAPageToTheMainWindow|source/pages/lfoPage.cpp|"../app/mainWindow.h"|layer pages may not include layer app
AnAngleBracketAudioHostHeaderInAPage|source/pages/lfoPage.cpp|<ABAudioClient.h>|layer pages may not include the ab library
AnAngleBracketControlKitHeaderInTheEngine|source/engine/engine.cpp|<controls/ctrlKit.h>|layer core may not include layer controls
ASignalLibraryHeaderInTheShell|source/app/audioClient.cpp|"SampleRateConverter.h"|layer app may not include the dsp library
WindowsHInTheEngine|source/engine/engine.cpp|<windows.h>|layer core is platform-free
AGeneratedSkinHeaderInThePresetModel|source/preset/bank.cpp|"skinPalette.h"|layer core is platform-free
TheControlKitInTheEngine|source/engine/engine.cpp|"controls/ctrlKit.h"|layer core may not include layer controls
ACoreFileOfTheMidiFolderIncludingItsPage|source/midi/midiSlot.cpp|"midi/midiPage.h"|layer core may not include layer pages
TheControlKitIncludingTheShellsPageHeader|source/controls/ctrlKit.h|"app/pageShell.h"|layer controls may not include layer shell
TheShellsPageHeaderIncludingAPage|source/app/pageShell.h|"pages/lfoPage.h"|layer shell may not include layer pages
ThePlatformLibraryIncludingTheAudioHost|gp/src/Common/GPError.cpp|"ABAudioClient.h"|library gp may not include the ab library
TheUiFrameworkIncludingTheFormLibrary|uia/src/UIAWindow.cpp|<NGLForm.h>|library uia may not include the ngl library
TheSignalLibraryIncludingTheUiFramework|dsp/src/SampleRateConverter.cpp|"UIAWindow.h"|library dsp may not include the uia library
TheAudioHostIncludingTheEngine|ab/src/ABAudioEngine.cpp|"engine/engine.h"|library ab may not include the program's source
PLANTED
out=$("$python" "$root/scripts/check-layers.py" "$t" 2>&1); rc=$?
for want in "${wants[@]}"; do
  name=${want%%|*}; line=${want#*|}
  if [ "$rc" != 1 ]; then record "$name" 0 "exit $rc, want 1: $out"
  elif ! grep -qF -- "$line" <<<"$out"; then record "$name" 0 "no \"$line\" in: $out"
  else record "$name" 1 ""; fi
done

# The sound core's files in the editors' folders: the build's list and the map's agree, and each exists.
t=$(copy corelist); sed -i 's| midi/noteCurveClip.cpp||' "$t/README.md"
expect ACoreFileTheMapLeavesOutFails "$t" 1 \
  "source/CMakeLists.txt: the sound core builds midi/noteCurveClip.cpp, which the layer map leaves out of core"
t=$(copy corefile); rm "$t/source/envelope/envView.cpp"
expect AMissingFileOfTheMapFails "$t" 1 "layer core names source/envelope/envView.cpp, which does not exist"
t=$(copy nodsp); sed -i 's|libs: gp uia ngl ab$|libs: gp uia ngl ab dps|' "$t/README.md"
expect AnUnknownLibraryInTheMapIsAnError "$t" 2 "unknown library dps in layer app"

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
