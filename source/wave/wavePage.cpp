// The Wave page: building it once, showing and hiding it, the wave selector with its refresh, the
// view, tool and mode switches, and the small buffer operations the transform panel uses.
#include "wave/wavePage.h"

#include <windows.h>

#include <cstring>

#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "pages/clipKinds.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "wave/waveEditState.h"
#include "wave/waveHarmonics.h"

namespace {

WaveEditBuffers makeBuffers() {
  WaveEditBuffers b{};
  b.currentWave = -1;
  b.undoWave = -1;
  return b;
}

WaveEditBuffers g_buffers = makeBuffers();

const CtrlRgb kMessageText = {204, 214, 127};
const CtrlRgb kMessageBack = {43, 47, 54};
const CtrlRgb kSelectorText = {240, 240, 225};

bool allocated(Engine* e, int index) {
  return index >= 0 && index < waveLocalWaves &&
         waveGetState(e, static_cast<std::int16_t>(waveLocalIdBase + index)) != waveStateFree;
}

// A picture button cut from a strip bitmap, without hit masks (the whole rectangle takes the press).
// Radio and acting on the press: a press on the lit button changes nothing.
void stripButton(WinId win, std::uint16_t id, int x, int y, int w, int h, int srcX, int bitmap, ButtonAction action) {
  ControlItem* item =
      buttonCreate(win, id, x, y, w, h, srcX, 0, buttonRadio | buttonActOnPress, bitmap, "", 1, 0, 1, action);
  if (!item) return;
  buttonSetMask(win, id, 0);
  regionInit(&item->region, id);
  if (item->visible && item->drawable) regionSetFromRect(win, &item->region, 0, &item->rect, 0);
}

void lightOnly(WinId win, std::uint16_t first, std::uint16_t last, std::uint16_t lit) {
  for (std::uint16_t id = first; id <= last; ++id) recButtonSetPressed(win, id, id == lit ? 1 : 0);
}

// Steps 2 and 3 of the selector refresh: the selector lists the allocated waves; currentWave is kept
// only while it names one of them, else it becomes the first allocated wave (-1 when none).
int fillSelector(WinId win, Engine* e) {
  // Every entry goes, whatever its id (the ids of waves with gaps between them run past the count).
  if (SelectorData* d = selectorFind(win, waveItemSelector))
    while (d->menu && GetMenuItemCount(d->menu) > 0) RemoveMenu(d->menu, 0, MF_BYPOSITION);
  int found = 0, first = -1;
  for (int i = 0; i < waveLocalWaves; ++i) {
    if (!allocated(e, i)) continue;
    char name[waveNameSize + 1] = {};
    waveGetName(e, static_cast<std::int16_t>(waveLocalIdBase + i), name);
    menuAppendItem(win, waveItemSelector, i + 1, 1, name, 0);
    if (first < 0) first = i;
    ++found;
  }
  if (!found) {
    menuAppendItem(win, waveItemSelector, waveSelectorNoneEntry, 0, "None allocated", 0);
    menuEnableItem(win, waveItemSelector, waveSelectorNoneEntry, 0);
    selectorSelect(win, waveItemSelector, waveSelectorNoneEntry);
    g_buffers.currentWave = -1;
    return 0;
  }
  selectorSelect(win, waveItemSelector, first + 1);
  if (!allocated(e, g_buffers.currentWave)) g_buffers.currentWave = static_cast<std::int16_t>(first);
  return found;
}

void showMessages(WinId win) {
  const int on = g_buffers.currentWave < 0 ? 1 : 0;
  ctrlShow(win, waveItemNoWaves, on);
  ctrlShow(win, waveItemNoWavesHint, on);
}

// Copy and Paste of the Edit menu while the page is in front.
void setClipKinds() {
  const bool editing = g_buffers.currentWave >= 0;
  clipSetCopyKind(editing ? clipKindWave : clipKindNone);
  clipEnablePaste(editing && clipGetPasteKind() == clipKindWave ? 1 : 0);
}

void undoHandler(WinId window, std::uint8_t redo) { waveEditUndoRedo(window, redo); }

// The tool's own place: waveItemSlider for the line and cosine tools, waveItemRangeBar for the half-sine tool (while
// the waveform view is up).
void showToolPlace(WinId win) {
  const std::int16_t w = win;
  const bool up = g_buffers.view == waveViewWaveform;
  const bool range = g_buffers.toolButton == waveItemToolHalfSine;
  waveRangeBarShow(win, waveItemRangeBar, up && range ? 1 : 0);
  ctrlShow(w, waveItemSlider, up && !range ? 1 : 0);
}

void selectTool(WinId win, std::int32_t button) {
  const std::int16_t w = win;
  g_buffers.toolButton = button;
  waveDisplaySetTool(win, button);
  lightOnly(w, waveItemToolLine, waveItemToolHalfSine, static_cast<std::uint16_t>(button));
  waveDisplayInvalidate(win);
  showToolPlace(win);
}

void selectHarmMode(WinId win, std::int32_t button) {
  g_buffers.harmonicMode = button;
  harmonicsSetMode(win, button);
  lightOnly(win, waveItemHarmSingle, waveItemHarmSweep, static_cast<std::uint16_t>(button));
}

}  // namespace

WaveEditBuffers* waveEditBuffers() { return &g_buffers; }

Engine* waveEngineOf(WinId win) {
  void* data = winGetUserData(win);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

void wavePageSelectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, wavePaneId);
}

void wavePageBuildEntry(WinId win) { wavePageBuild(win); }

void wavePageBuild(WinId win) {
  const std::int16_t w = win;
  WinSlot* slot = winSlot(w);
  if (!slot || !waveEngineOf(w)) return;
  const std::uint8_t visible = slot->visible;
  slot->visible = 0;
  pageSetDrawDefaults();
  winSetCurrent(w);
  winSelectPort(w, &slot->ownPort);
  paneSetOption(w, wavePaneId, 1);
  wavePageSelectPane(win);

  g_buffers.currentWave = -1;
  g_buffers.undoWave = -1;
  g_buffers.editorActive = 0;
  g_buffers.waveOffset = g_buffers.offsetRoomDown = g_buffers.offsetRoomUp = 0.0f;
  g_buffers.view = waveViewWaveform;
  g_buffers.toolButton = 0;
  g_buffers.harmonicMode = 0;
  undoSetHandler(undoKindWaveform, undoHandler);

  ctrlSetGroupMode(0, 1);
  pictureCreate(w, waveItemBackground, 0, 68, 0, 0, 0, waveBmpBackground, nullptr);
  stripButton(w, waveItemWaveTab, 8, 6, 70, 22, 0, waveBmpWaveTab, waveTabClicked);
  stripButton(w, waveItemHarmTab, 79, 6, 70, 22, 0, waveBmpHarmTab, waveTabClicked);
  displaySetDefaultColors(&kMessageText, &kMessageBack);
  // Centred in the empty display rather than flush against its left border.
  displayCreate(w, waveItemNoWaves, 70, 199, 524, "No editable waveforms are allocated for this preset.", 0, 0,
                DT_CENTER, nullptr, nullptr);
  displayCreate(w, waveItemNoWavesHint, 70, 219, 524,
                "To create an editable waveform, do preset->new in a wave popup menu (in oscil, mod, lfo...).", 0, 0,
                DT_CENTER, nullptr, nullptr);
  pageSetDrawDefaults();
  // The selectors' fields are dark: light text on them.
  selectorSetDefaultColors(&kSelectorText, &kSelectorText, &kSelectorText, &kSelectorText);
  selectorCreate(w, waveItemSelector, 52, 46, 98, 0, 0, waveBmpSelector, "", 1, waveSelectorChosen);
  displaySetDefaultColors(colorWhite(), colorBlack());
  displayCreate(w, waveItemReadoutH, 75, 377, 82, "", 32, 0, 0, nullptr, nullptr);
  displayCreate(w, waveItemReadoutV, 159, 377, 82, "", 32, 0, 0, nullptr, nullptr);
  displayCreate(w, waveItemReadoutExtra, 243, 377, 82, "", 32, 0, 0, nullptr, nullptr);

  // The waveform view.
  pictureCreate(w, waveItemWavePanel, 0, 0, 0, 0, 0, waveBmpWavePanel, nullptr);
  waveDisplayCreate(win, waveItemDisplay, waveDisplayX, waveDisplayY);
  knobSetDefaultParamA(0.45f);
  knobCreateItem(w, waveItemLevelKnob, 423, 20, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 waveBmpLevelKnob, 1, waveEditLevelKnob, 1.0f, 0.0f);
  knobCreateItem(w, waveItemOffsetKnob, 423, 46, knobHorizontal | knobRedrawWhole | knobHideCursor | knobBipolar,
                 waveBmpOffsetKnob, 1, waveEditLevelKnob, 0.5f, 0.0f);
  knobSetCutShortCallback(w, waveItemLevelKnob, waveEditKnobCutShort);
  knobSetCutShortCallback(w, waveItemOffsetKnob, waveEditKnobCutShort);
  knobSetDefaultParamA(0.4f);
  knobCreateItem(w, waveItemSlider, 66, 96, knobHorizontal | knobRedrawWhole, waveBmpTrack, 1, waveSliderChanged, 0.0f,
                 0.0f);
  knobSetDefaultParamA(0.45f);
  waveRangeBarCreate(win, waveItemRangeBar, 66, 96);
  displayCreate(w, waveItemLevelText, 584, 20, 42, "0.0 dB", 32, 0, 2, nullptr, nullptr);
  displayCreate(w, waveItemOffsetText, 576, 46, 42, "0.00", 32, 0, 2, nullptr, nullptr);
  stripButton(w, waveItemToolLine, 220, 8, 23, 23, 0, waveBmpTools, waveToolClicked);
  stripButton(w, waveItemToolCosine, 243, 8, 23, 23, 23, waveBmpTools, waveToolClicked);
  stripButton(w, waveItemToolHalfSine, 266, 8, 23, 23, 46, waveBmpTools, waveToolClicked);
  selectorSetDefaultColors(&kSelectorText, &kSelectorText, &kSelectorText, &kSelectorText);
  selectorCreate(w, waveItemWaveMenu, 154, 46, 80, 0, selectorLabelInside, waveBmpSelector, "Transform", 1,
                 waveFormMenuCommand);
  selectorSetOpeningCallback(w, waveItemWaveMenu, waveFormMenuFill);

  // The harmonics view.
  pictureCreate(w, waveItemHarmPanel, 0, 0, 0, 0, 0, waveBmpHarmPanel, nullptr);
  harmonicsDisplayCreate(win, waveItemHarmDisplay, waveDisplayX, waveDisplayY);
  stripButton(w, waveItemHarmSingle, 220, 8, 23, 23, 0, waveBmpHarmModes, waveHarmModeClicked);
  stripButton(w, waveItemHarmSweep, 243, 8, 23, 23, 23, waveBmpHarmModes, waveHarmModeClicked);
  selectorCreate(w, waveItemHarmMenu, 154, 46, 80, 0, selectorLabelInside, waveBmpSelector, "Transform", 1,
                 waveHarmonicMenuCommand);
  selectorSetOpeningCallback(w, waveItemHarmMenu, waveHarmonicMenuFill);
  ctrlSetGroupMode(0, 0);
  pictureAddChild(w, waveItemBackground, waveItemWavePanel);
  pictureAddChild(w, waveItemBackground, waveItemHarmPanel);
  pageSetDrawDefaults();

  waveEditSetView(win, waveViewWaveform);
  selectTool(win, waveItemToolCosine);
  selectHarmMode(win, waveItemHarmSweep);
  waveEditSetActive(win, 0);
  showMessages(w);
  slot->visible = visible;
}

void wavePageShow(WinId win, std::uint8_t on) {
  const std::int16_t w = win;
  WinSlot* slot = winSlot(w);
  if (!slot) return;
  if (on) {
    winSetCurrent(w);
    winSelectPort(w, &slot->ownPort);
    if (paneGetOption(w, wavePaneId) == 0) {
      wavePageBuild(win);
      // The pictures of a pane built while it is shown take their bitmaps now.
      winSelectPort(w, &slot->ownPort);
      portReloadPictures(panePort(ctrlFind(w, wavePaneId)));
    }
    wavePageSelectPane(win);
    const std::uint16_t kind = undoGetKind();
    undoSetEnabled(kind == undoKindWaveform || kind == undoKindPatch ? 1 : 0);
  }
  ctrlShowInWindow(w, wavePaneId, on ? 1 : 0);
  if (!on) return;
  waveEditRefreshSelector(win);
  setClipKinds();
  wavePageSelectPane(win);
  winSetSize(w, wavePageWidth + inputGetOriginX(), wavePageHeight + winGetOriginY(w));
}

std::uint8_t wavePageIsShown(WinId win) { return pagePaneShown(win, pageWave); }

void waveEditRefreshSelector(WinId win) {
  const std::int16_t w = win;
  Engine* e = waveEngineOf(w);
  if (!e || !wavePageIsShown(win)) return;
  wavePageSelectPane(win);
  const int found = fillSelector(w, e);
  waveEditSetActive(win, found > 0 ? 1 : 0);
  waveDisplayInvalidate(win);
  if (g_buffers.currentWave >= 0) selectorSelect(w, waveItemSelector, g_buffers.currentWave + 1);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
  waveEditShowLevel(win);
  showMessages(w);
  waveEditSetActive(win, g_buffers.currentWave >= 0 ? 1 : 0);
  setClipKinds();
  paneActivate(w, wavePaneId);
  wavePageSelectPane(win);
}

void waveEditRefreshAll(WinId win, std::int16_t index) {
  const std::int16_t w = win;
  Engine* e = waveEngineOf(w);
  if (!e || index < 0 || index >= waveLocalWaves) return;
  wavePageSelectPane(win);
  const int found = fillSelector(w, e);
  waveEditSetActive(win, found > 0 ? 1 : 0);
  waveDisplayInvalidate(win);
  // Only an allocated wave is edited; the fill kept or chose one otherwise.
  if (allocated(e, index)) g_buffers.currentWave = index;
  if (g_buffers.currentWave >= 0) selectorSelect(w, waveItemSelector, g_buffers.currentWave + 1);
  showMessages(w);
  winSetFlag25(w, g_buffers.currentWave >= 0 ? 1 : 0);
  mainWindowShowPage(w, pageWave);
  wavePageSelectPane(win);
  waveDisplayInvalidate(win);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
  waveEditShowLevel(win);
  setClipKinds();
}

std::int16_t waveEditGetCurrentWave() { return g_buffers.currentWave; }

void waveEditSetActive(WinId win, std::uint8_t on) {
  const std::int16_t w = win;
  g_buffers.editorActive = on ? 1 : 0;
  customSetDrawable(w, waveItemDisplay, on);
  customSetDrawable(w, waveItemHarmDisplay, on);
  knobSetDrawable(w, waveItemLevelKnob, on);
  knobSetDrawable(w, waveItemOffsetKnob, on);
  // The wave selector stays up without waves: it shows "None allocated".
  ctrlShow(w, waveItemSelector, 1);
  ctrlShow(w, waveItemWaveMenu, on && g_buffers.view == waveViewWaveform ? 1 : 0);
  ctrlShow(w, waveItemHarmMenu, on && g_buffers.view == waveViewHarmonics ? 1 : 0);
}

void waveEditSetView(WinId win, std::int32_t view) {
  if (view != waveViewWaveform && view != waveViewHarmonics) return;
  const std::int16_t w = win;
  g_buffers.view = view;
  ctrlShow(w, waveItemWavePanel, view == waveViewWaveform ? 1 : 0);
  ctrlShow(w, waveItemHarmPanel, view == waveViewHarmonics ? 1 : 0);
  const bool on = g_buffers.editorActive != 0;
  ctrlShow(w, waveItemWaveMenu, on && view == waveViewWaveform ? 1 : 0);
  ctrlShow(w, waveItemHarmMenu, on && view == waveViewHarmonics ? 1 : 0);
  if (view == waveViewWaveform) showToolPlace(win);
  recButtonSetPressed(w, waveItemWaveTab, view == waveViewWaveform ? 1 : 0);
  recButtonSetPressed(w, waveItemHarmTab, view == waveViewHarmonics ? 1 : 0);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
}

float* waveEditSamples(WinId win) {
  WaveRecord* r = engineLocalWave(waveEngineOf(win), g_buffers.currentWave);
  return r ? r->samples : nullptr;
}

std::int16_t waveEditCurrentId() { return static_cast<std::int16_t>(waveLocalIdBase + g_buffers.currentWave); }

void waveEditNotify(WinId win) {
  Engine* e = waveEngineOf(win);
  if (e && g_buffers.currentWave >= 0) waveNotifyChanged(e, waveEditCurrentId());
}

float* waveEditWorkBuffer() { return g_buffers.workWave; }
float* waveEditSourceBuffer() { return g_buffers.sourceWave; }

void waveEditStoreWork(WinId win) {
  if (float* s = waveEditSamples(win)) std::memcpy(s, g_buffers.workWave, sizeof g_buffers.workWave);
}

void waveEditLoadSource(WinId win) {
  if (float* s = waveEditSamples(win)) std::memcpy(g_buffers.sourceWave, s, sizeof g_buffers.sourceWave);
}

void waveEditStoreSource(WinId win) {
  if (float* s = waveEditSamples(win)) std::memcpy(s, g_buffers.sourceWave, sizeof g_buffers.sourceWave);
}

void waveEditForgetUndo() {
  undoSetKind(undoKindNone);
  g_buffers.undoWave = -1;
}

std::int16_t uiDefaultFontSlot() { return 1; }

void waveTabClicked(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!waveEngineOf(win)) return;
  wavePageSelectPane(win);
  if (item->id == waveItemWaveTab) {
    waveEditShowLevel(win);
    waveEditSetView(win, waveViewWaveform);
  } else if (item->id == waveItemHarmTab) {
    waveEditSetView(win, waveViewHarmonics);
  }
}

void waveToolClicked(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item || item->id < waveItemToolLine || item->id > waveItemToolHalfSine) return;
  if (item->id == g_buffers.toolButton) return;
  wavePageSelectPane(item->windowId);
  selectTool(item->windowId, item->id);
}

void waveHarmModeClicked(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item || item->id < waveItemHarmSingle || item->id > waveItemHarmSweep) return;
  if (item->id == g_buffers.harmonicMode) return;
  wavePageSelectPane(item->windowId);
  selectHarmMode(item->windowId, item->id);
}

void waveSelectorChosen(ControlItem* item, std::int16_t, std::int16_t entry) {
  if (!item || entry < 1 || entry > waveLocalWaves) return;
  const WinId win = item->windowId;
  Engine* e = waveEngineOf(win);
  if (!e || !allocated(e, entry - 1)) return;
  wavePageSelectPane(win);
  waveEditForgetUndo();
  g_buffers.currentWave = static_cast<std::int16_t>(entry - 1);
  selectorSelect(win, waveItemSelector, entry);
  waveDisplayInvalidate(win);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
  waveEditShowLevel(win);
}

void wavePageResetForTest() { g_buffers = makeBuffers(); }
