// The transform panel (pane paneWaveXform of the main window, at (158, 1)): one page per transform with its
// settings; each change recomputes the result from the wave as it was when the panel opened
// (`sourceWave`) and writes it into the edited wave at once. OK keeps the result as one undo step,
// Cancel writes the source back. While it is open it holds the sound (mainWindowHoldSound: the page
// tabs disabled, nothing replaces the sound under it), and it writes only into the wave of the sound
// it opened on.
// The page numbers and waveXformPanelShow: wave/waveTransformPanel.h.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

enum { waveXformPaneId = paneWaveXform };

// Items of pane paneWaveXform.
enum WaveXformItem {
  xformItemFrame = 1,      // picture of the panel background, parent of pictures 2..8 and 9..11
  xformItemPhasePage = 2,  // one picture per page; the page's controls are its children
  xformItemMixPage = 3,
  xformItemFractalPage = 4,
  xformItemFilterPage = 5,
  xformItemFmPage = 6,
  xformItemLoadPage = 7,
  xformItemShiftPage = 8,
  xformItemOk = 9,
  xformItemCancel = 10,
  xformItemTitle = 11,
  xformItemPhaseOffset = 12,   // "Phase offset"
  xformItemGainA = 13,         // "dB Wave A"
  xformItemGainB = 14,         // "dB Wave B"
  xformItemWaveB = 15,         // wave popup "Wave B"
  xformItemInvertB = 16,       // invert wave B
  xformItemPhaseB = 17,        // "Phase offset B"
  xformItemRatioB = 18,        // "Freq ratio B"
  xformItemIterations = 19,    // "Iterations"
  xformItemDisplacement = 20,  // "Displacement"
  xformItemAmpSlope = 21,      // "Amp slope dB"
  xformItemFilterMode = 22,    // "Filter mode"
  xformItemFilterFreq = 23,    // "Frequency"
  xformItemModWave = 24,       // wave popup "Mod Wave"
  xformItemFmIndex = 25,       // "FM index"
  xformItemModRatio = 26,      // "Mod freq ratio"
  xformItemModPhase = 27,      // "Mod phase offset"
  xformItemCarrierRatio = 28,  // "Carrier freq ratio"
  xformItemLoadWave = 29,      // wave popup "Wave"
  xformItemShift = 30          // "Shift"
};

// Pictures of the panel.
enum WaveXformPicture {
  xformBmpPanel = 2200,    // 326 x 166
  xformBmpCancel = 1632,   // 73 x 16
  xformBmpOk = 1624,       // 77 x 20
  xformBmpInvert = 616,    // 14 x 14, two states
  xformBmpSelector = 1100  // the program's popup selector frame (left, middle, right; then open)
};

enum { xformPanelX = 158, xformPanelY = 1, xformPanelItems = 31 };

// Filter modes of selector 22.
enum { xformFilterLow1 = 1, xformFilterLow2 = 2, xformFilterHigh1 = 3 };

void waveXformPanelSetPage(WinId win, std::uint16_t page);
// The common last step of a transform: workWave into the edited wave, the waveform display redrawn,
// the oscillators told, pane paneWaveXform selected again. Nothing without an engine.
void waveXformApply(WinId win);
// sourceWave back into the edited wave, shown and told likewise.
void waveXformRevert(WinId win);
void waveXformButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
// Cancel: the source back into the wave, no undo step, the panel closed (the sound's edited state as
// before it opened); nothing while the panel is closed.
void waveXformCancel(WinId win);
void waveXformSelectPane(WinId win);
// The first step of the three wave popups: the chosen wave becomes `xformWave` ("New..." is ignored).
void waveXformPickWave(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveXformLoadPicked(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveXformShiftChanged(ControlItem* item, double value);
// Whether the panel is open (pane paneWaveXform shown).
bool waveXformPanelIsOpen(WinId win);

// The pages' transforms and the change callbacks of their controls.
void waveXformPhaseRun(WinId win);
void waveXformMixRun(WinId win);
void waveXformFractalizeRun(WinId win);
void waveXformFilterRun(WinId win);
void waveXformFmRun(WinId win);
void waveXformPhaseChanged(ControlItem* item, double value);
void waveXformGainAChanged(ControlItem* item, double level);
void waveXformGainBChanged(ControlItem* item, double level);
void waveXformPhaseBChanged(ControlItem* item, double value);
void waveXformRatioBChanged(ControlItem* item, double value);
void waveXformMixWaveChanged(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveXformInvertChanged(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void waveXformIterationsChanged(ControlItem* item, double value);
void waveXformDisplacementChanged(ControlItem* item, double value);
void waveXformAmpSlopeChanged(ControlItem* item, double level);
void waveXformFilterModeChanged(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveXformFilterFreqChanged(ControlItem* item, double value);
void waveXformFmIndexChanged(ControlItem* item, double value);
void waveXformFmModRatioChanged(ControlItem* item, double value);
void waveXformFmModPhaseChanged(ControlItem* item, double value);
void waveXformFmCarrierRatioChanged(ControlItem* item, double value);
void waveXformFmWaveChanged(ControlItem* item, std::int16_t menu, std::int16_t entry);
