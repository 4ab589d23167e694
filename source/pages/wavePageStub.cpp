// Stand-in for the Wave page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "pages/clipKinds.h"
#include "pages/pages.h"

void wavePageBuildEntry(std::uint16_t) {}

void wavePageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageWave, on);
  if (!on) return;
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t wavePageIsShown(std::uint16_t win) { return pagePaneShown(win, pageWave); }

void waveEditRefreshSelector(std::uint16_t) {}
void wavePageStartupCheck(std::uint16_t) {}
void waveXformPanelBuild(std::uint16_t) {}
void waveClipCopy(std::uint16_t) {}
void waveClipPaste(std::uint16_t) {}
