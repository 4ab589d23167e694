// Stand-in for the Envelope page until its builder lands: the page protocol's entries show and hide the
// empty pane and grey Copy and Paste; the page's own code replaces this file.
#include "app/mainWindowData.h"
#include "controls/winSlots.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"

void envPageBuildEntry(std::uint16_t) {}

void envPageShow(std::uint16_t win, std::uint8_t on) {
  pageShowPane(win, pageEnvelope, on);
  if (!on) return;
  if (MainWindowData* data = mainWindowData(static_cast<std::int16_t>(win)))
    winSetSize(static_cast<std::int16_t>(win), data->envPageWidth, data->envPageHeight);
  clipEnablePaste(0);
  clipSetCopyKind(0);
}

std::uint8_t envPageIsShown(std::uint16_t win) { return pagePaneShown(win, pageEnvelope); }

void envPageUpdateEntry(std::uint16_t) {}
void envPageIdleUpdate(std::uint16_t) {}
void envPageSelect(std::uint16_t) {}
void envPageLayoutEntry(std::uint16_t) {}
void envClipCopy(std::uint16_t) {}
void envClipPaste(std::uint16_t) {}
void envAddWindowCreate(std::uint16_t) {}
void envToolsPanelCreate(std::uint16_t) {}
