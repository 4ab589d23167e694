// Stand-in for the Main page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "app/mainWindowData.h"
#include "controls/winSlots.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"

void mainPageBuildEntry(std::uint16_t) {}

void mainPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageMain, on);
  if (!on) return;
  if (MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win)))
    winSetSize(static_cast<std::int16_t>(win), 650, 72 + data->mainPageHeight);
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t mainPageIsShown(std::uint16_t win) { return pagePaneShown(win, pageMain); }

void mainPageRefreshEntry(std::uint16_t) {}
void mainPageSelectPresetEntry(std::uint16_t, std::uint16_t) {}
void mainPageUpdateKeyboard(std::uint16_t) {}
void mainPageSustainEntry(std::uint16_t) {}
std::uint8_t mainPageStoreToActive(std::uint16_t) { return 0; }
void mainPageBlinkStoreTo(std::uint16_t) {}
void mainWinMarkRedraw(std::uint16_t) {}

std::uint8_t mainPageGetExpanded(std::uint16_t win) {
  MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win));
  return data ? data->mainPageExpanded : 0;
}

void mainPageSetExpandPending(std::uint16_t win, std::uint8_t flag) {
  if (MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win))) {
    data->mainPageExpandPending = flag ? 1 : 0;
    data->mainPageExpanded = data->mainPageExpandPending;  // no lower panel yet: taken at once
  }
}
