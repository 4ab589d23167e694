// Stand-in for the Effect page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "pages/clipKinds.h"
#include "pages/pages.h"

void fxPageBuildEntry(std::uint16_t) {}

void fxPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageEffect, on);
  if (!on) return;
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t fxPageIsShown(std::uint16_t win) { return pagePaneShown(win, pageEffect); }

void fxPageRefreshEntry(std::uint16_t) {}
std::uint8_t fxPageIsShownType1(std::uint16_t) { return 0; }
void fxPipeGraphPaint(std::uint16_t) {}
