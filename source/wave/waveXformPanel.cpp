// The transform panel's frame: building pane paneWaveXform, opening and closing it (page tabs locked while it is
// open, one wave undo step around it), the page switch that loads a page's controls and runs its
// transform at once, OK and Cancel, the apply and revert steps and the three wave popups.
#include "wave/waveXformPanel.h"
#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/stepRules.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "preset/waveMenu.h"
#include "wave/waveEditState.h"
#include "wave/waveHarmonics.h"
#include "wave/waveHarmonicsView.h"
#include "wave/wavePage.h"
#include "wave/waveTransformPanel.h"
#include "wave/waveTransforms.h"

#include "engine/numeric.h"

namespace {

// The sound and the wave the panel opened on: the only wave it writes.
struct OpenedOn {
  std::uint32_t sound;
  std::int16_t wave;
};
OpenedOn g_openedOn = {0, -1};

bool ownsWave(WinId win) {
  Engine* e = waveEngineOf(win);
  return e && e->soundSerial == g_openedOn.sound && waveEditBuffers()->currentWave == g_openedOn.wave;
}

void cancelHeld(std::int16_t win) { waveXformCancel(win); }

const int kBoxWidth = 64;
const int kArrowSections = 3;
// The Mix page's left column of boxes: 6 px right of 73 so that "Phase offset B" clears the panel's edge.
const int kMixLeftColumn = 79;

void selectOwnPort(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  winSetCurrent(win);
  winSelectPort(win, &slot->ownPort);
}

// A page: its picture (the panel background again, the page's controls its children) and its title.
struct PageInfo {
  std::uint16_t picture;
  const char* title;
};
const PageInfo kPages[9] = {{xformItemPhasePage, ""},
                            {xformItemPhasePage, "Phase Offset Waveform"},
                            {xformItemMixPage, "Mix Waveforms"},
                            {xformItemFractalPage, "Fractalize Waveform"},
                            {xformItemFilterPage, "Filter Waveform"},
                            {xformItemFmPage, "Frequency Modulate Waveform"},
                            {xformItemLoadPage, "Load Waveform"},
                            {xformItemShiftPage, "Shift Harmonics"},
                            {xformItemLoadPage, "Load Waveform"}};

void groupPicture(WinId win, std::uint16_t id) { pictureCreate(win, id, 0, 0, 0, 0, 0, xformBmpPanel, nullptr); }

void box(WinId win, std::uint16_t id, int x, int y, std::uint16_t decimals, double value, double lo, double hi,
         ValueStepRule rule, NumboxChanged changed, const char* label) {
  numboxCreate(win, id, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), kBoxWidth, kArrowSections, decimals,
               value, lo, hi, rule, changed, label);
}

void wavePopup(WinId win, std::uint16_t id, int x, int y, const char* label, SelectorChosen chosen) {
  selectorCreate(win, id, x, y, 110, 0, 0, xformBmpSelector, label, 1, chosen);
  waveMenusSetup(win, id, true);
}

void boxSet(WinId win, std::uint16_t id, double value) { numboxSetValue(win, id, static_cast<float>(value)); }

void labelPopup(WinId win, std::uint16_t id) {
  waveMenusFill(win, id);
  waveMenuSetLabel(win, id, waveXformSettings().xformWave);
}

// The Load pages: the wave in `xformWave` is written at once (as the transforms write: finite, within
// -1..1); page 8 shows its harmonics.
void loadPicked(WinId win, std::uint16_t page) {
  Engine* e = waveEngineOf(win);
  if (!e) return;
  const WaveRecord* w = waveGet(e, waveXformSettings().xformWave);
  float* work = waveEditWorkBuffer();
  for (int n = 0; n < waveLength; ++n) work[n] = waveBoundSample(waveReadSample(w->samples[n]));
  waveXformApply(win);
  if (page == waveXformPageLoadHarmonics) {
    wavePageSelectPane(win);
    harmonicsAnalyzeEntry(win, waveItemHarmDisplay);
    harmonicsDrawBarsEntry(win, waveItemHarmDisplay);
    waveXformSelectPane(win);
  }
}

}  // namespace

void waveXformSelectPane(WinId win) {
  if (!win) return;
  pageSetDrawDefaults();
  winSetCurrent(win);
  winSelectPane(win, waveXformPaneId);
}

bool waveXformPanelIsOpen(WinId win) {
  selectOwnPort(win);
  ControlItem* pane = ctrlFind(win, waveXformPaneId);
  return pane && pane->visible;
}

void waveXformPanelBuild(WinId win) {
  if (!winSlot(win)) return;
  // The pages' default colours (dark text): the panel's background is a light panel of the skin, on
  // which white labels would not read.
  waveXformSelectPane(win);
  const CtrlRgb black = {0, 0, 0}, white = {255, 255, 255};
  selectorSetDefaultColors(&black, &black, &white, &white);  // dark labels, white choices on the dark fields
  selectorSetDefaultStyle(9);
  ctrlSetAutoGroup(0, 1);
  const std::int16_t w = win;
  pictureCreate(w, xformItemFrame, 0, 0, 0, 0, 0, xformBmpPanel, nullptr);
  buttonPlace(w, xformItemCancel, 82, 139, 0, xformBmpCancel, "", 1, 0, 1, waveXformButton);
  buttonPlace(w, xformItemOk, 171, 137, 0, xformBmpOk, "", 1, 0, 1, waveXformButton);
  displayCreate(w, xformItemTitle, 0, 10, 319, "", 0, 0, 1, nullptr, nullptr);

  const WaveXformSettings& s = waveXformSettings();
  groupPicture(win, xformItemPhasePage);
  box(win, xformItemPhaseOffset, 159, 60, 4, s.phaseOffset, -1, 1, valueStepHundredths, waveXformPhaseChanged,
      "Phase offset");
  groupPicture(win, xformItemMixPage);
  wavePopup(win, xformItemWaveB, 105, 30, "Wave B", waveXformMixWaveChanged);
  buttonPlace(w, xformItemInvertB, 230, 30, buttonToggle, xformBmpInvert, "", 1, s.invertB, 1, waveXformInvertChanged);
  box(win, xformItemGainA, kMixLeftColumn, 60, 2, gainToDb6(s.gainA), -103, 0, valueStepTenths, waveXformGainAChanged,
      "dB Wave A");
  box(win, xformItemGainB, 235, 60, 2, gainToDb6(s.gainB), -103, 0, valueStepTenths, waveXformGainBChanged,
      "dB Wave B");
  box(win, xformItemPhaseB, kMixLeftColumn, 90, 4, s.phaseB, -1, 1, valueStepHundredths, waveXformPhaseBChanged,
      "Phase offset B");
  box(win, xformItemRatioB, 235, 90, 0, s.ratioB, 1, 32, valueStepUnits, waveXformRatioBChanged, "Freq ratio B");
  groupPicture(win, xformItemFractalPage);
  box(win, xformItemIterations, 159, 30, 0, s.iterations, 2, 8, valueStepUnits, waveXformIterationsChanged,
      "Iterations");
  box(win, xformItemDisplacement, 159, 60, 4, s.displacement, 0, 1, valueStepHundredths, waveXformDisplacementChanged,
      "Displacement");
  box(win, xformItemAmpSlope, 159, 90, 2, gainToDb6(s.ampSlope), -103, 0, valueStepTenths, waveXformAmpSlopeChanged,
      "Amp slope dB");
  groupPicture(win, xformItemFilterPage);
  selectorCreate(w, xformItemFilterMode, 159, 60, 135, 0, 0, xformBmpSelector, "Filter mode", 1,
                 waveXformFilterModeChanged);
  box(win, xformItemFilterFreq, 159, 90, 2, s.filterFreq, 0.001, 1, valueStepHundredths, waveXformFilterFreqChanged,
      "Frequency");
  groupPicture(win, xformItemFmPage);
  wavePopup(win, xformItemModWave, 159, 30, "Mod Wave", waveXformFmWaveChanged);
  box(win, xformItemModRatio, 159, 50, 0, s.modRatio, 1, 32, valueStepUnits, waveXformFmModRatioChanged,
      "Mod freq ratio");
  box(win, xformItemCarrierRatio, 159, 70, 0, s.carrierRatio, 1, 32, valueStepUnits, waveXformFmCarrierRatioChanged,
      "Carrier freq ratio");
  box(win, xformItemFmIndex, 159, 90, 3, s.fmIndex, 0, 32, valueStepTenths, waveXformFmIndexChanged, "FM index");
  box(win, xformItemModPhase, 159, 110, 4, s.modPhase, -1, 1, valueStepHundredths, waveXformFmModPhaseChanged,
      "Mod phase offset");
  groupPicture(win, xformItemLoadPage);
  wavePopup(win, xformItemLoadWave, 159, 60, "Wave", waveXformLoadPicked);
  groupPicture(win, xformItemShiftPage);
  box(win, xformItemShift, 159, 60, 0, 0, -64, 64, numboxStepDefault, waveXformShiftChanged, "Shift");

  menuAppendItem(w, xformItemFilterMode, xformFilterLow1, 1, "Lowpass 1st order", 0);
  menuAppendItem(w, xformItemFilterMode, xformFilterLow2, 1, "Lowpass 2nd order", 0);
  menuAppendItem(w, xformItemFilterMode, xformFilterHigh1, 1, "Highpass 1st order", 0);
  selectorSelect(w, xformItemFilterMode, s.filterMode);
  for (std::uint16_t p = xformItemPhasePage; p <= xformItemShiftPage; ++p) pictureAddChild(w, xformItemFrame, p);
  ctrlSetAutoGroup(0, 0);
  pageSetDrawDefaults();
  waveXformPanelShow(win, 0, 0);
}

void waveXformPanelShow(WinId win, std::uint8_t show, std::uint16_t page) {
  if (!winSlot(win)) return;
  if (show) {
    mainWindowHoldSound(win, cancelHeld);
    const Engine* e = waveEngineOf(win);
    g_openedOn = {e ? e->soundSerial : 0, waveEditBuffers()->currentWave};
  } else if (mainWindowSoundHeld(win)) {
    mainWindowReleaseSound(win, true);  // closed keeping its result (Cancel lets go first)
  } else {
    mainWindowEnablePageTabs(win, true);
  }
  selectOwnPort(win);
  ctrlShowInWindow(win, waveXformPaneId, show ? 1 : 0);
  if (!show) return;
  paneSetSecondPort(win, waveXformPaneId);
  waveXformSelectPane(win);
  // The frame shown again now that its pane draws: its picture is loaded and its children follow.
  ctrlShow(win, xformItemFrame, 1);
  waveUndoCapture(win);
  waveEditLoadSource(win);
  waveXformPanelSetPage(win, page);
}

void waveXformPanelSetPage(WinId win, std::uint16_t page) {
  WaveXformSettings& s = waveXformSettings();
  s.page = page;
  waveXformSelectPane(win);
  const std::int16_t w = win;
  const bool known = page >= waveXformPageOffsetPhase && page <= waveXformPageLoadHarmonics;
  if (known) displaySetText(w, xformItemTitle, kPages[page].title);
  switch (page) {
    case waveXformPageOffsetPhase:
      boxSet(win, xformItemPhaseOffset, s.phaseOffset);
      waveXformPhaseRun(win);
      break;
    case waveXformPageMix:
      boxSet(win, xformItemGainA, gainToDb6(s.gainA));
      boxSet(win, xformItemGainB, gainToDb6(s.gainB));
      boxSet(win, xformItemPhaseB, s.phaseB);
      boxSet(win, xformItemRatioB, s.ratioB);
      recButtonSetPressed(w, xformItemInvertB, s.invertB ? 1 : 0);
      labelPopup(win, xformItemWaveB);
      waveXformMixRun(win);
      break;
    case waveXformPageFractalize:
      boxSet(win, xformItemIterations, s.iterations);
      boxSet(win, xformItemDisplacement, s.displacement);
      boxSet(win, xformItemAmpSlope, gainToDb6(s.ampSlope));
      waveXformFractalizeRun(win);
      break;
    case waveXformPageFilter:
      selectorSelect(w, xformItemFilterMode, s.filterMode);
      boxSet(win, xformItemFilterFreq, s.filterFreq);
      waveXformSelectPane(win);
      waveXformFilterRun(win);
      break;
    case waveXformPageFm:
      labelPopup(win, xformItemModWave);
      boxSet(win, xformItemFmIndex, s.fmIndex);
      boxSet(win, xformItemModRatio, s.modRatio);
      boxSet(win, xformItemModPhase, s.modPhase);
      boxSet(win, xformItemCarrierRatio, s.carrierRatio);
      waveXformFmRun(win);
      break;
    case waveXformPageLoad:
    case waveXformPageLoadHarmonics:
      labelPopup(win, xformItemLoadWave);
      loadPicked(win, page);
      break;
    case waveXformPageShift:
      waveXformSelectPane(win);
      boxSet(win, xformItemShift, 0);
      harmonicsShift(win, 0);
      waveXformSelectPane(win);
      break;
    default: break;
  }
  waveXformSelectPane(win);
  const std::uint16_t shown = known ? kPages[page].picture : static_cast<std::uint16_t>(xformItemPhasePage);
  for (std::uint16_t p = xformItemPhasePage; p <= xformItemShiftPage; ++p)
    if (p != shown) ctrlShow(w, p, 0);
  ctrlShow(w, shown, 1);
  paneActivate(w, waveXformPaneId);
}

void waveXformApply(WinId win) {
  if (!ownsWave(win)) return;
  waveEditStoreWork(win);
  wavePageSelectPane(win);
  waveDisplayRedraw(win);
  waveEditNotify(win);
  waveXformSelectPane(win);
}

void waveXformRevert(WinId win) {
  if (!ownsWave(win)) return;
  waveEditStoreSource(win);
  wavePageSelectPane(win);
  waveDisplayRedraw(win);
  waveEditNotify(win);
  waveXformSelectPane(win);
}

void waveXformButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  if (item->id == xformItemOk) {
    // The undo step belongs to the wave the panel opened on, or to none.
    if (ownsWave(win))
      waveUndoFinish(win);
    else
      waveEditForgetUndo();
    waveXformPanelShow(win, 0, 0);
    waveEditShowLevel(win);
    wavePageSelectPane(win);
  } else if (item->id == xformItemCancel) {
    waveXformCancel(win);
  }
}

void waveXformCancel(WinId win) {
  if (!waveXformPanelIsOpen(win)) return;
  waveXformRevert(win);
  waveEditForgetUndo();
  mainWindowReleaseSound(win, false);
  waveXformPanelShow(win, 0, 0);
  waveEditShowLevel(win);
  wavePageSelectPane(win);
  const std::uint16_t page = waveXformSettings().page;
  if (page == waveXformPageShift || page == waveXformPageLoadHarmonics) {
    harmonicsAnalyzeEntry(win, waveItemHarmDisplay);
    harmonicsDrawBarsEntry(win, waveItemHarmDisplay);
  }
}

void waveXformPickWave(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  if (menu != 0 && menu == waveMenuPresetHandle() && entry == 1) return;  // "New..." makes no wave here
  WaveXformSettings& s = waveXformSettings();
  s.xformWave = waveMenuItemToWave(entry, menu);
  waveMenuSetLabel(ctrlItemWin(item), item->id, s.xformWave);
}

void waveXformLoadPicked(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  waveXformPickWave(item, menu, entry);
  loadPicked(item->windowId, waveXformSettings().page);
}

void waveXformShiftChanged(ControlItem* item, double value) {
  if (!item || !(value == value) || !ownsWave(item->windowId)) return;
  value = numClamp(value, -64.0, 64.0);
  harmonicsShift(item->windowId, static_cast<std::int16_t>(value));
}
