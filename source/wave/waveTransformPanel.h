// The wave transform panel (pane paneWaveXform of the main window): the settings of one transform with its
// result written live into the edited wave. The Wave page's menus open it at a page:
// 1 "Offset Phase...", 2 "Mix...", 3 "Fractalize...", 4 "Filter...", 5 "FM...", 6 "Load Wave...",
// 7 "Shift Harmonics...", 8 "Load Wave..." of the harmonics menu. The panel fills these in.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

enum {
  waveXformPageOffsetPhase = 1,
  waveXformPageMix = 2,
  waveXformPageFractalize = 3,
  waveXformPageFilter = 4,
  waveXformPageFm = 5,
  waveXformPageLoad = 6,
  waveXformPageShift = 7,
  waveXformPageLoadHarmonics = 8
};

// waveXformPanelBuild(win): pages/pages.h (the main window's builder calls it).
void waveXformPanelShow(WinId win, std::uint8_t show, std::uint16_t page);
