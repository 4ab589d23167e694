// Stand-in for the Lfo page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "pages/clipKinds.h"
#include "pages/pages.h"

void lfoPageBuildEntry(std::uint16_t) {}

void lfoPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageLfo, on);
  if (!on) return;
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t lfoPageIsShown(std::uint16_t win) { return pagePaneShown(win, pageLfo); }

void lfoPageRefreshEntry(std::uint16_t) {}
