// Stand-in for the Patch page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "app/mainWindowData.h"
#include "controls/winSlots.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"

void patchPageBuildEntry(std::uint16_t) {}

void patchPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pagePatch, on);
  if (!on) return;
  winSetSize(static_cast<std::int16_t>(win), 650, 638);
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t patchPageIsShown(std::uint16_t win) { return pagePaneShown(win, pagePatch); }

void patchPageRefreshEntry(std::uint16_t) {}
void patchBalanceLevels(std::uint16_t) {}

std::uint8_t mainWinGetAutoBalance(std::uint16_t win) {
  MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win));
  return data ? data->autoBalance : 0;
}

void mainWinSetAutoBalance(std::uint16_t win, std::uint8_t flag) {
  if (MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win))) data->autoBalance = flag ? 1 : 0;
}
