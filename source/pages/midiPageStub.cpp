// Stand-in for the Midi page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "pages/clipKinds.h"
#include "pages/pages.h"

void midiPageBuildEntry(std::uint16_t) {}

void midiPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageMidi, on);
  if (!on) return;
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t midiPageIsShown(std::uint16_t win) { return pagePaneShown(win, pageMidi); }

void midiPageRefreshEntry(std::uint16_t) {}
void midiPagePeriodicRefresh(std::uint16_t) {}
