#include "pages/pages.h"

#include "controls/ctrlItems.h"
#include "controls/pane.h"
#include "controls/winSlots.h"

namespace {

const PageEntry kProgramPages[7] = {
    {mainPageBuildEntry, mainPageShow, mainPageIsShown, mainPageRefreshEntry},
    {patchPageBuildEntry, patchPageShow, patchPageIsShown, patchPageRefreshEntry},
    {wavePageBuildEntry, wavePageShow, wavePageIsShown, waveEditRefreshSelector},
    {fxPageBuildEntry, fxPageShow, fxPageIsShown, fxPageRefreshEntry},
    {envPageBuildEntry, envPageShow, envPageIsShown, envPageUpdateEntry},
    {lfoPageBuildEntry, lfoPageShow, lfoPageIsShown, lfoPageRefreshEntry},
    {midiPageBuildEntry, midiPageShow, midiPageIsShown, midiPageRefreshEntry},
};

PageEntry g_pages[7] = {kProgramPages[0], kProgramPages[1], kProgramPages[2], kProgramPages[3],
                        kProgramPages[4], kProgramPages[5], kProgramPages[6]};

}  // namespace

const PageEntry* pageEntry(int page) {
  if (page < pageFirst || page > pageLast) return nullptr;
  return &g_pages[page - pageFirst];
}

void pageSetEntry(int page, const PageEntry& entry) {
  if (page < pageFirst || page > pageLast) return;
  g_pages[page - pageFirst] = entry;
}

void pageResetEntries() {
  for (int i = 0; i < 7; ++i) g_pages[i] = kProgramPages[i];
}

void pageShowPane(WinId win, int page, std::uint8_t on) {
  if (win == 0 || page < pageFirst || page > pageLast) return;
  winSetCurrent(win);
  ctrlShowInWindow(win, static_cast<std::uint16_t>(page), on ? 1 : 0);
}

std::uint8_t pagePaneShown(WinId win, int page) {
  if (win == 0 || page < pageFirst || page > pageLast) return 0;
  return ctrlIsVisible(win, static_cast<std::uint16_t>(page)) ? 1 : 0;
}
