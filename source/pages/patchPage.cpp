// The Patch page: building the master strip and the three channel panels once, showing and hiding
// the page, and the refresh that reads every control's value from the engine again.
#include "pages/patchPage.h"

#include <cmath>
#include <cstring>

#include "app/mainWindowData.h"
#include "app/pageShell.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/surround.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "oscillators/oscGranular.h"
#include "pages/clipKinds.h"
#include "pages/moduleMenu.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"
#include "preset/undo.h"
#include "preset/waveMenu.h"
#include "skinBitmaps.h"

namespace {

PatchPageState g_state = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0, 0, 0, {1.0f, 1.0f, 1.0f}, 0};

const CtrlRgb kSelA = {198, 198, 198}, kSelB = {22, 16, 49}, kSelC = {250, 250, 215}, kSelD = {66, 85, 92};

uint16_t cid(int16_t channel, int k) { return static_cast<uint16_t>(patchChannelIdBase(channel) + k); }

void active(WinId win, uint16_t id, bool on) { winNotifyItemsOfType2(win, id, on ? 1 : 0); }

// A channel's switchable panel (filter, modulator): its switch lit when on and drawn in its inactive
// look, taking no input, while the oscillator is off; the panel shown only when both are on.
void showChannelPanel(WinId win, int16_t c, int button, int panel, bool osc, bool on) {
  patchButtonSetOn(win, cid(c, button), on);
  patchButtonSetActive(win, cid(c, button), osc);
  pictureShowChild(win, cid(c, patchKPanel), cid(c, panel), osc && on);
  ctrlShow(win, cid(c, panel), osc && on);
}

// A number box value clamped into the box's range (the box does that) and shown when on screen.
void boxSet(WinId win, uint16_t id, double value) {
  if (!std::isfinite(value)) value = 0.0;
  numboxSetValue(win, id, static_cast<float>(value));
}

void frame(WinId win, uint16_t id, int f) { framePictureSetFrame(win, id, f); }

// Oscillator buttons, section tabs and boxes active by type: one row per control of the enable table.
// Columns: Single, Double, FM, Ringmod, Fractalize, Sample, Granular, Audio In (types 0, 1, 2, 3, 6,
// 4, 5, 7). 'o' active when the oscillator is on, 'y' always, '-' never.
struct EnableRow {
  int k;
  const char* cols;
};
const EnableRow kEnable[] = {
    {patchKAuxSwitch, "yyyyy---"},     {patchKPhase, "yyyyy---"},        {patchKPitch, "yyyyyyy-"},
    {patchKBalance, "-yyy----"},       {patchKPitchB, "-yyy----"},       {patchKPhaseB, "-yy-----"},
    {patchKWaveA, "ooooo---"},         {patchKFreqMode, "ooooooo-"},     {patchKWaveB, "oooo----"},
    {patchKFreqModeB, "oooo----"},     {patchKIterations, "----y---"},   {patchKAmount, "----y---"},
    {patchKDisplacement, "----y---"},  {patchKBandLimit, "ooooo---"},    {patchKSampleFile, "-----oo-"},
    {patchKSampleStart, "-----oo-"},   {patchKGrainTime, "------y-"},    {patchKGrainDensity, "------y-"},
    {patchKGrainSize, "------y-"},     {patchKGrainRandAmp, "------y-"}, {patchKGrainRandFreq, "------y-"},
    {patchKGrainRandTime, "------y-"}, {patchKStereo, "-----ooo"},       {patchKLoopMode, "-----y--"},
    {patchKInput1, "-------o"},        {patchKInputGain, "-------o"},    {patchKPhaseMode, "yyyyy---"},
};

int enableColumn(int16_t type) {
  static const int columns[oscTypeCount] = {0, 1, 2, 3, 5, 6, 4, 7};  // by type code 0..7
  return type >= 0 && type < oscTypeCount ? columns[type] : 0;
}

void applyEnableSet(WinId win, int16_t channel, int16_t type, bool on) {
  Engine* e = patchEngineOf(win);
  const int col = enableColumn(type);
  for (const EnableRow& row : kEnable) {
    const char c = row.cols[col];
    active(win, cid(channel, row.k), c == 'y' || (c == 'o' && on));
  }
  active(win, cid(channel, patchKInert), false);
  const bool loopEdit = type == oscTypeSample && sampleGetLoopMode(e, channel) == 2;
  active(win, cid(channel, patchKLoopStart), loopEdit);
  active(win, cid(channel, patchKLoopEnd), loopEdit);
  active(win, cid(channel, patchKInput2), type == oscTypeAudioIn && on && engineGetVoiceBufferCount(e, channel) >= 2);
}

void refreshOscPanel(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  patchButtonSetOn(win, cid(c, patchKAuxSwitch), oscGetAuxSwitch(e, c) != 0);
  waveMenuSetLabel(win, cid(c, patchKWaveA), oscGetWaveA(e, c));
  waveMenuSetLabel(win, cid(c, patchKWaveB), oscGetWaveB(e, c));
  patchButtonSetOn(win, cid(c, patchKBandLimit), oscGetBandLimited(e, c) != 0);
  patchButtonSetOn(win, cid(c, patchKStereo), engineGetVoiceBufferCount(e, c) >= 2);
  char name[65] = {0};
  sampleGetFileName(e, c, name, sizeof(name));
  buttonSetText(win, cid(c, patchKSampleFile), name);
  patchOscTypeShow(win, c);
  patchRefreshChannelControls(win, c, oscGetType(e, c), oscIsOn(e, c));
}

void refreshChannel(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  const bool on = oscIsOn(e, c) != 0;
  if (buttonIsPressed(win, cid(c, patchKOn)) != (on ? 1 : 0)) patchButtonSetOn(win, cid(c, patchKOn), on);
  pictureShowChild(win, cid(c, patchKPanel), cid(c, patchKOscArea), on);
  ctrlShow(win, cid(c, patchKOscArea), on);
  refreshOscPanel(win, c);
  patchRefreshFilterPanel(win, c);
  patchRefreshModPanel(win, c);
  g_state.oscOnShown[c] = on ? 1 : 0;
}

void refreshRouting(WinId win) {
  Engine* e = patchEngineOf(win);
  const bool c1 = oscIsOn(e, 0) != 0, c2 = oscIsOn(e, 1) != 0, c3 = oscIsOn(e, 2) != 0;
  frame(win, patchIdRouteLine1, c1 ? 1 : 0);
  patchButtonSetOn(win, patchIdRouteLight2, c2);
  patchButtonSetOn(win, patchIdRouteLight3, c3);
  frame(win, patchIdRouteLine23, (c2 || c3) ? 1 : 0);
  frame(win, patchIdRouteLine3, c3 ? 1 : 0);
  frame(win, patchIdRouteJunction1, c1 ? ((c2 || c3) ? 0 : 1) : ((c2 || c3) ? 2 : 3));
  frame(win, patchIdRouteJunction23, c2 ? (c3 ? 0 : 1) : (c3 ? 2 : 3));
}

void refreshWaveshaper(WinId win) {
  Engine* e = patchEngineOf(win);
  waveMenuSetLabel(win, patchIdShaperWave, static_cast<int32_t>(waveshaperGetWave(e)));
  boxSet(win, patchIdShaperInGain, waveshaperGetInGainDb(e));
  boxSet(win, patchIdShaperOutGain, waveshaperGetOutGainDb(e));
  boxSet(win, patchIdShaperPhase, waveshaperGetPhase(e));
  patchButtonSetOn(win, patchIdShaperPostMix, waveshaperIsPostMix(e) != 0);
}

void fullRefresh(WinId win) {
  Engine* e = patchEngineOf(win);
  for (int16_t c = 0; c < patchChannelCount; ++c) refreshChannel(win, c);
  patchRefreshMixSection(win);
  refreshRouting(win);
  patchWaveshaperShow(win);
  refreshWaveshaper(win);
  patchMasterFilterShow(win);
  patchFilterShowType(win, 3, filterGetType(e, 3));
  patchPostMixShow(win);
  patchEffectShow(win);
  g_state.anyChannelOn = engineAnyChannelOn(e) ? 1 : 0;
  g_state.masterStereo = engineGetVoiceBufferCount(e, 3) >= 2 ? 1 : 0;
}

ControlItem* button(WinId win, uint16_t id, int x, int y, uint32_t style, int bitmap, const char* text = "") {
  return buttonPlace(win, id, x, y, style, bitmap, text, 1, 0, 1, patchButtonAction);
}

// A module switch cut from the page background; its lit look comes from the state bitmap, cut at the
// same place.
void areaButton(WinId win, uint16_t id, int x, int y, int w, int h, int srcX, int srcY, int stateBitmap) {
  ControlItem* item = buttonCreate(win, id, x, y, w, h, srcX, srcY, buttonActOnPress | buttonToggle,
                                   bmpPatchPageBackground, "", 1, 0, 1, patchButtonAction);
  ButtonData* d = item && item->kind == kindButton ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
  if (!d || !d->pictures) return;
  bitmapAcquire(stateBitmap);
  if (!bitmapGetHandle(stateBitmap)) return;
  d->pictures[1] = static_cast<uint16_t>(stateBitmap);
  bitmapAcquire(stateBitmap);
  d->pictures[3] = static_cast<uint16_t>(stateBitmap);
}

ControlItem* box(WinId win, uint16_t id, int x, int y, int w, uint16_t mode, uint16_t decimals, double lo, double hi,
                 ValueStepRule rule, const char* label, double value = 0.0) {
  return numboxCreate(win, id, static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(w), mode,
                      decimals, value, lo, hi, rule, patchNumboxChanged, label);
}

ControlItem* selector(WinId win, uint16_t id, int x, int y, int w, uint32_t style, int bitmap, const char* label,
                      SelectorOpening fill) {
  ControlItem* item = selectorCreate(win, id, x, y, w, 0, style, bitmap, label, 1, patchSelectorChosen);
  if (fill) selectorSetOpeningCallback(win, id, fill);
  return item;
}

void wireWaveSelector(WinId win, uint16_t id) { waveMenusSetup(win, id, true); }

void emptyPicture(WinId win, uint16_t id, int x = 0, int y = 0, int w = 0, int h = 0) {
  pictureCreate(win, id, x, y, x + w, y + h, pictureOwnRect, 0, nullptr);
}

}  // namespace

PatchPageState* patchPageState() { return &g_state; }

int16_t patchChannelIdBase(int16_t channel) {
  return channel == 1 || channel == 2 ? static_cast<int16_t>(patchChannelIdStride * channel) : 0;
}

int16_t patchChannelOfId(int32_t id) {
  if (id < patchChannelIdStride) return 0;
  if (id < 2 * patchChannelIdStride) return 1;
  if (id < 3 * patchChannelIdStride) return 2;
  return 0;
}

Engine* patchEngineOf(WinId win) {
  void* data = winGetUserData(win);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

bool patchControlIsActive(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return false;
  ControlItem* parent = item->parentPicture ? ctrlFind(win, item->parentPicture) : nullptr;
  PictureData* d = parent && parent->kind == kindPicture ? static_cast<PictureData*>(parent->k.kindData) : nullptr;
  if (!d) return item->visible != 0;
  for (int i = 0; i < pictureMaxChildren; ++i)
    if (d->children[i].inUse && d->children[i].id == id) return d->children[i].shown != 0;
  return item->visible != 0;
}

void patchButtonSetOn(WinId win, uint16_t id, bool on) {
  ControlItem* item = ctrlFindKind(win, id, kindButton);
  ButtonData* d = item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
  if (!d || !d->pictures) return;
  if ((d->pressed != 0) == on) return;
  d->pressed = on ? 1 : 0;
  const int32_t look = d->state * 8 + d->pressed + (item->drawable ? 0 : 2);
  if (d->pictures[look]) d->picture = static_cast<int16_t>(d->pictures[look]);
  // Painted with everything over it (the routing lights and the modulator switches lie under the
  // edge of the level strips): drawn alone, the button would end on top of them.
  itemInvalidate(item);
}

void patchButtonSetActive(WinId win, uint16_t id, bool on) {
  ControlItem* item = ctrlFindKind(win, id, kindButton);
  ButtonData* d = item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
  if (!d || !d->pictures || (item->drawable != 0) == on) return;
  item->drawable = on ? 1 : 0;
  const int32_t look = d->state * 8 + d->pressed + (on ? 0 : 2);
  if (d->pictures[look]) d->picture = static_cast<int16_t>(d->pictures[look]);
  itemInvalidate(item);
}

void patchPageSelectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, patchPaneId);
}

void patchPageShow(WinId window, std::uint8_t on) {
  const WinId win = window;
  Engine* e = patchEngineOf(win);
  WinSlot* slot = winSlot(win);
  if (!e || !slot) return;
  if (on) {
    winSelectPort(win, &slot->ownPort);
    if (paneGetOption(win, patchPaneId) == 0) {
      patchPageBuild(win);
      // The pictures of a pane built while it is shown take their bitmaps now.
      winSelectPort(win, &slot->ownPort);
      portReloadPictures(panePort(ctrlFind(win, patchPaneId)));
    }
    patchPageSelectPane(win);
    winSetSize(win, 650 + inputGetOriginX(), 638 + winGetOriginY(win));
    undoSetEnabled(undoGetKind() == undoKindPatch ? 1 : 0);
    clipEnablePaste(0);
    clipSetCopyKind(clipKindNone);
  }
  winSelectPort(win, &slot->ownPort);
  ctrlShowInWindow(win, patchPaneId, on);
  if (on) patchPageRefresh(win);
}

std::uint8_t patchPageIsShown(WinId window) {
  const WinId win = window;
  if (win == 0) return 0;
  winSetCurrent(win);
  WinSlot* slot = winSlot(win);
  if (!slot) return 0;
  ItemPort* saved = slot->currentPort;
  winSelectPort(win, &slot->ownPort);
  const bool shown = ctrlIsShown(win, patchPaneId) != 0;
  winSelectPort(win, saved);
  return shown ? 1 : 0;
}

void patchPageBuildEntry(WinId win) { patchPageBuild(win); }
void patchPageRefreshEntry(WinId win) { patchPageRefresh(win); }

float* patchBalanceWeights(WinId win) {
  MainWindowData* data = mainWindowData(win);
  return data ? data->balanceWeights : g_state.balanceWeight;
}

bool patchPageRefresh(WinId win) {
  Engine* e = patchEngineOf(win);
  WinSlot* slot = winSlot(win);
  if (!e || !slot) return false;
  winSetCurrent(win);
  winSelectPort(win, &slot->ownPort);
  if (!ctrlIsShown(win, patchPaneId)) return false;
  winSelectPane(win, patchPaneId);
  g_state.refreshFlag = 0;
  fullRefresh(win);
  winSelectPort(win, &slot->ownPort);
  paneActivate(win, patchPaneId);
  winSelectPane(win, patchPaneId);
  return true;
}

void patchPageBuild(WinId win) {
  Engine* e = patchEngineOf(win);
  WinSlot* slot = winSlot(win);
  if (!e || !slot) return;
  pageSetDrawDefaults();
  winSelectPort(win, &slot->ownPort);
  paneSetOption(win, patchPaneId, 1);
  patchPageSelectPane(win);
  moduleClipboardInitOnce();
  ctrlSetGroupMode(0, 1);
  knobSetDefaultParamA(1.0f);
  knobSetDefaultParamB(2.0f);
  static const CtrlRgb white = {255, 255, 255}, black = {0, 0, 0};
  displaySetDefaultColors(&white, &black);
  selectorSetDefaultColors(&kSelA, &kSelB, &kSelC, &kSelD);
  selectorSetDefaultFontSize(9);

  pictureCreate(win, patchIdPage, 0, 0, 0, 0, 0, bmpPatchPageBackground, patchPageMouse);
  areaButton(win, patchIdShaperOn, 33, 427, 187, 119, 33, 427, bmpPatchPageWaveshaperSwitchedOn);
  areaButton(win, patchIdMasterFilterOn, 219, 427, 201, 119, 219, 427, bmpPatchPageMasterFilterSwitchedOn);
  areaButton(win, patchIdEffectOn, 419, 415, 218, 131, 419, 415, bmpPatchPageEffectSwitchedOn);
  framePictureCreate(win, patchIdRouteLine1, 26, 349, 0, bmpRoutingLineChannel1Frame0, 2, nullptr);
  button(win, patchIdRouteLight2, 140, 349, 16, bmpRoutingLightChannel2);
  button(win, patchIdRouteLight3, 343, 349, 16, bmpRoutingLightChannel3);
  framePictureCreate(win, patchIdRouteLine23, 36, 416, 0, bmpRoutingLineChannels2And3Frame0, 2, nullptr);
  framePictureCreate(win, patchIdRouteLine3, 170, 416, 0, bmpRoutingLineChannel3Frame0, 2, nullptr);
  framePictureCreate(win, patchIdRouteJunction1, 26, 416, 0, bmpRoutingJunctionChannel1Frame0, 4, nullptr);
  framePictureCreate(win, patchIdRouteJunction23, 118, 416, 0, bmpRoutingJunctionChannels2And3Frame0, 4, nullptr);
  framePictureCreate(win, patchIdRouteMaster, 26, 425, 0, bmpRoutingLineToTheMasterStripFrame0, 4, nullptr);
  button(win, patchIdSurround, 14, 496, 16, bmpSurroundSwitch);
  emptyPicture(win, patchIdShaperPanel);
  selector(win, patchIdShaperWave, 112, 452, 78, 64, bmpPatchPageSelector, "Wave", waveSelectorOpening);
  wireWaveSelector(win, patchIdShaperWave);
  button(win, patchIdShaperPostMix, 66, 451, 16, bmpWaveshaperAfterTheMix);
  box(win, patchIdShaperInGain, 112, 470, 68, 2, 2, -48, 12, stepTenth, "In dB");
  box(win, patchIdShaperOutGain, 112, 488, 68, 2, 2, -48, 12, stepTenth, "Out dB");
  box(win, patchIdShaperPhase, 112, 506, 68, 2, 4, -1, 1, stepHundredth, "Phase");
  emptyPicture(win, patchIdMasterFilterPanel);
  button(win, patchIdMasterFilterPostMix, 267, 451, 16, bmpMasterFilterAfterTheMix);
  selector(win, patchIdMasterFilterType, 313, 452, 78, 64, bmpPatchPageSelector, "Mode", patchFilterTypeMenuFill);
  box(win, patchIdMasterFilterInert, 313, 452, 68, 3, 4, -64, 64, nullptr, "");
  box(win, patchIdMasterFilterFreq, 313, 470, 68, 3, 3, 20, 22000, stepSemitoneRatio, "Hz");
  box(win, patchIdMasterFilterQ, 313, 488, 68, 3, 4, -64, 64, nullptr, "Q");
  box(win, patchIdMasterFilterThird, 313, 506, 68, 2, 4, -64, 64, nullptr, "");
  // Box 91 sits under the type selector and has no role: it stays hidden and takes no input.
  active(win, patchIdMasterFilterInert, false);
  emptyPicture(win, patchIdEffectPanel);
  button(win, patchIdEffectEdit, 472, 451, 0, bmpPatchPageEffectEditButton);

  for (int16_t c = 0; c < patchChannelCount; ++c) patchBuildChannel(win, c);
  patchPageRefresh(win);
  patchPageSelectPane(win);
  knobSetDefaultParamB(1.0f);
}

void patchBuildChannel(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  const int base = patchChannelIdBase(c);
  auto id = [base](int k) { return static_cast<uint16_t>(base + k); };
  emptyPicture(win, id(patchKPanel), 0, 0, 0, 0);
  areaButton(win, id(patchKOn), 26, 6, 192, 126, 26 + 201 * c, 6, bmpPatchPageChannelSwitchedOn);
  areaButton(win, id(patchKFilterOn), 26, 131, 192, 109, 26 + 201 * c, 131, bmpPatchPageFilterSwitchedOn);
  areaButton(win, id(patchKModOn), 26, 240, 192, 109, 26 + 201 * c, 240, bmpPatchPageModulatorSwitchedOn);
  buttonCreate(win, id(patchKTabMain), 108, 32, 28, 12, 0, 0, buttonActOnPress | buttonRadio,
               bmpPatchPageChannel1SectionTabs + 8 * c, "", 1, 0, 1, patchButtonAction);
  buttonCreate(win, id(patchKTabSecond), 137, 32, 27, 12, 29, 0, buttonActOnPress | buttonRadio,
               bmpPatchPageChannel1SectionTabs + 8 * c, "", 1, 0, 1, patchButtonAction);
  buttonCreate(win, id(patchKTabVoices), 166, 32, 23, 12, 58, 0, buttonActOnPress | buttonRadio,
               bmpPatchPageChannel1SectionTabs + 8 * c, "", 1, 0, 1, patchButtonAction);
  pictureAddChild(win, patchIdPage, id(patchKPanel));

  emptyPicture(win, id(patchKOscArea), 27, 16, 190, 104);
  emptyPicture(win, id(patchKSectionMain));
  button(win, id(patchKBandLimit), 69, 49, 16, bmpOscillatorBandLimitSwitch);
  button(win, id(patchKSampleFile), 112, 66, 0, bmpSampleFileButton);
  button(win, id(patchKStereo), 63, 66, 16, bmpStereoSwitch);
  selector(win, id(patchKOscType), 112, 48, 78, 64, bmpPatchPageSelector, "Mode", patchOscTypeMenuFill);
  box(win, id(patchKSampleStart), 112, 102, 68, 3, 4, 0, 100, nullptr, "Start %");
  selector(win, id(patchKWaveA), 112, 66, 78, 64, bmpPatchPageSelector, "Wave", waveSelectorOpening);
  wireWaveSelector(win, id(patchKWaveA));
  selector(win, id(patchKFreqMode), 62, 84, 46, 66, bmpFrequencyModeSelector, "", patchFreqModeMenuFill);
  buttonCreate(win, id(patchKAuxSwitch), 67, 100, 16, 16, 112, 0, buttonToggle, bmpOscillatorFlagSwitchStrip, "", 1, 0,
               1, patchButtonAction);
  button(win, id(patchKPhaseMode), 89, 102, 16, bmpPhaseModeButton, "phase");
  box(win, id(patchKPitch), 112, 84, 68, 3, 4, -64, 64, nullptr, "");
  box(win, id(patchKPhase), 128, 102, 52, 2, 3, -1, 1, stepHundredth, "");
  selector(win, id(patchKInput1), 112, 66, 78, 64, bmpPatchPageSelector, "In 1", patchAudioInputMenu);
  selector(win, id(patchKInput2), 112, 84, 78, 64, bmpPatchPageSelector, "In 2", patchAudioInputMenu);
  active(win, id(patchKInput1), false);
  active(win, id(patchKInput2), false);
  box(win, id(patchKInputGain), 112, 102, 68, 1, 1, -103, 12, stepTenth, "dB");

  emptyPicture(win, id(patchKSectionSecond));
  selector(win, id(patchKWaveB), 112, 66, 78, 64, bmpPatchPageSelector, "Wave", waveSelectorOpening);
  wireWaveSelector(win, id(patchKWaveB));
  selector(win, id(patchKFreqModeB), 62, 84, 46, 66, bmpFrequencyModeSelector, "", patchFreqModeMenuFill);
  box(win, id(patchKBalance), 112, 48, 68, 3, 4, -64, 64, nullptr, "Balance");
  box(win, id(patchKInert), 112, 66, 68, 3, 4, -64, 64, nullptr, "");
  box(win, id(patchKPitchB), 112, 84, 68, 3, 4, -64, 64, nullptr, "");
  box(win, id(patchKPhaseB), 112, 102, 68, 3, 4, -64, 64, nullptr, "Balance");
  // The iterations box offers the range the oscillator takes.
  box(win, id(patchKIterations), 124, 48, 56, 1, 0, 1, 7, stepCount, "Iterations");
  box(win, id(patchKAmount), 124, 66, 56, 3, 3, 0, 100, nullptr, "Amount");
  box(win, id(patchKDisplacement), 124, 84, 56, 3, 4, 0, 100, nullptr, "Displacement");
  selector(win, id(patchKLoopMode), 112, 48, 78, 64, bmpPatchPageSelector, "Play Mode", patchLoopModeMenu);
  box(win, id(patchKLoopStart), 112, 66, 68, 3, 0, 0, 999999, stepThousand, "Loopstart");
  box(win, id(patchKLoopEnd), 112, 84, 68, 3, 0, 0, 999999, stepThousand, "Loopend");
  box(win, id(patchKGrainTime), 112, 48, 68, 3, 3, 0, 9999.99, nullptr, "Time %");
  box(win, id(patchKGrainDensity), 93, 66, 32, 1, 0, 1, 8, nullptr, "Dens", 4);
  box(win, id(patchKGrainRandFreq), 93, 84, 32, 1, 0, 0, 100, nullptr, "R Freq");
  box(win, id(patchKGrainSize), 157, 66, 40, 1, 0, 128, 10000, stepSemitoneRatio, "Size", 1024);
  box(win, id(patchKGrainRandTime), 169, 84, 28, 1, 0, 0, 100, nullptr, "R Time");
  box(win, id(patchKGrainRandAmp), 134, 102, 32, 1, 0, 0, 100, nullptr, "R Amp");

  emptyPicture(win, id(patchKSectionVoices));
  box(win, id(patchKVoices), 112, 48, 32, 1, 0, 1, 8, nullptr, "Num voices", 1);
  box(win, id(patchKTrans), 112, 66, 68, 3, 4, 0, 24, stepUnit, "Trans");
  box(win, id(patchKRandTrans), 112, 84, 68, 3, 4, 0, 72, stepUnit, "Rand trans");
  ctrlShow(win, id(patchKSectionVoices), 0);
  pictureAddChild(win, id(patchKOscArea), id(patchKSectionMain));
  pictureAddChild(win, id(patchKOscArea), id(patchKSectionSecond));
  pictureAddChild(win, id(patchKOscArea), id(patchKSectionVoices));
  patchChannelSelectSection(win, c, 0);

  pictureCreate(win, id(patchKLevelStrip), 42, 348, 214, 377, 0, bmpChannelLevelStrip, nullptr);
  // Until the mix refresh writes a channel that is on, its fader and its text both show half the
  // level (-6 dB), the thumb where the text says.
  const double startLevel = 0.5;
  knobSetDefaultParamB(2.0f);
  knobCreateItem(win, id(patchKLevel), 47, 353, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 bmpChannelLevelFaderTrack, 1, patchKnobChanged, static_cast<float>(std::sqrt(startLevel)), 0.0f);
  knobSetDefaultParamB(3.0f);
  knobCreateItem(win, id(patchKPad), 104, 369, 0, bmpSoundFieldPad, 1, patchKnobChanged, 0.5f, 0.5f);
  knobSetDefaultParamB(1.0f);
  displaySetDefaultFontSize(9);
  char startText[32];
  patchLevelText(startLevel, startText, sizeof startText);
  displayCreate(win, id(patchKLevelText), 152, 367, 54, startText, 0, 0, 0, nullptr, nullptr);
  pictureAddChild(win, id(patchKPanel), id(patchKOscArea));
  pictureAddChild(win, id(patchKPanel), id(patchKLevelStrip));

  emptyPicture(win, id(patchKFilterPanel), 27, 120, 190, 107);
  selector(win, id(patchKFilterType), 112, 152, 78, 64, bmpPatchPageSelector, "Mode", patchFilterTypeMenuFill);
  box(win, id(patchKFilterFreq), 112, 170, 68, 3, 3, 20, 22000, stepSemitoneRatio, "Hz");
  box(win, id(patchKFilterSecond), 112, 188, 68, 3, 4, -64, 64, nullptr, "Feedback");
  box(win, id(patchKFilterThird), 112, 206, 68, 2, 4, -64, 64, nullptr, "");
  pictureAddChild(win, id(patchKPanel), id(patchKFilterPanel));

  emptyPicture(win, id(patchKModPanel), 27, 227, 190, 107);
  selector(win, id(patchKModType), 112, 261, 78, 64, bmpPatchPageSelector, "Mode", patchModTypeMenu);
  button(win, id(patchKModShift), 66, 261, 16, bmpModulatorShiftSwitch);
  selector(win, id(patchKModWave), 112, 279, 78, 64, bmpPatchPageSelector, "Wave", waveSelectorOpening);
  wireWaveSelector(win, id(patchKModWave));
  selector(win, id(patchKModFreqMode), 62, 297, 46, 66, bmpFrequencyModeSelector, "", patchFreqModeMenuFill);
  box(win, id(patchKModFreq), 112, 297, 68, 3, 4, -64, 64, nullptr, "");
  box(win, id(patchKModBalance), 112, 315, 68, 2, 3, 0, 1, stepHundredth, "Balance");
  pictureAddChild(win, id(patchKPanel), id(patchKModPanel));

  refreshOscPanel(win, c);
  patchRefreshFilterPanel(win, c);
  patchRefreshModPanel(win, c);
  ctrlMoveBy(win, id(patchKPanel), 201 * c, 0);
}

void patchChannelSelectSection(WinId win, int16_t c, uint16_t s) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount || s > 2) return;
  const bool on = oscIsOn(e, c) != 0;
  const int16_t type = oscGetType(e, c);
  active(win, cid(c, patchKTabMain), on);
  active(win, cid(c, patchKTabSecond), on && type != oscTypeSingle && type != oscTypeAudioIn);
  active(win, cid(c, patchKTabVoices), on && type != oscTypeAudioIn && !oscTypeIsSampled(type));
  for (int k = 0; k < 3; ++k) {
    const bool lit = s == k;
    if ((buttonIsPressed(win, cid(c, patchKTabMain + k)) != 0) != lit)
      patchButtonSetOn(win, cid(c, patchKTabMain + k), lit);
  }
  if (s != 0) pictureShowChild(win, cid(c, patchKOscArea), cid(c, patchKSectionMain), 0);
  for (int k = 0; k < 3; ++k) {
    const bool show = on && s == k;
    pictureShowChild(win, cid(c, patchKOscArea), cid(c, patchKSectionMain + k), show);
    ctrlShow(win, cid(c, patchKSectionMain + k), show);
  }
  g_state.section[c] = s;
}

void patchRefreshChannelControls(WinId win, int16_t c, int16_t type, uint8_t on) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  uint16_t section = g_state.section[c];
  patchOscTypeShow(win, c);
  const bool pitched = oscTypeIsPitched(type);
  if (oscTypeHasSecondPhase(type)) {
    if (type == oscTypeDouble)
      numboxConfigure(win, cid(c, patchKBalance), "Balance", stepHundredth, 0.0f, 1.0f,
                      static_cast<float>(engineGetChannel(e, c) ? engineGetChannel(e, c)->balanceDouble : 0));
    else
      numboxConfigure(win, cid(c, patchKBalance), "FM index", stepTenth, 0.0f, 32.0f,
                      static_cast<float>(oscGetFmIndex(e, c)));
    numboxConfigure(win, cid(c, patchKPhaseB), "Phase", stepHundredth, -1.0f, 1.0f,
                    static_cast<float>(oscGetPhaseB(e, c)));
    numboxConfigure(win, cid(c, patchKPitchB), "", stepUnit, -128.0f, 64.0f, static_cast<float>(oscGetPitchB(e, c)));
  } else if (type == oscTypeRingmod) {
    numboxConfigure(win, cid(c, patchKBalance), "Balance", stepHundredth, 0.0f, 1.0f,
                    static_cast<float>(engineGetChannel(e, c) ? engineGetChannel(e, c)->balanceRingmod : 0));
    numboxConfigure(win, cid(c, patchKPitchB), "", stepUnit, -128.0f, 64.0f, static_cast<float>(oscGetPitchB(e, c)));
  }
  if (pitched) {
    patchOscPitchShow(win, c);
    boxSet(win, cid(c, patchKPhase), oscGetPhaseA(e, c));
  }
  if (type == oscTypeFractalize) {
    const ChannelOscRecord* r = engineGetChannel(e, c);
    if (r) {
      boxSet(win, cid(c, patchKIterations), r->iterations);
      boxSet(win, cid(c, patchKAmount), r->amount * 100.0);
      boxSet(win, cid(c, patchKDisplacement), r->displacement * 100.0);
    }
  }
  if (oscTypeIsSampled(type)) {
    patchRefreshSampleLoop(win, c);
    const ChannelOscRecord* r = engineGetChannel(e, c);
    boxSet(win, cid(c, patchKSampleStart), r ? r->sampleInfo.startPosition * 100.0 : 0.0);
  }
  if (type == oscTypeGranular) {
    static const struct {
      int k;
      int16_t sel;
    } granular[] = {{patchKGrainTime, 4},    {patchKGrainDensity, 3},  {patchKGrainSize, 1},
                    {patchKGrainRandAmp, 7}, {patchKGrainRandFreq, 6}, {patchKGrainRandTime, 5}};
    for (const auto& g : granular) boxSet(win, cid(c, g.k), oscGrainParamGet(e, c, g.sel));
  }
  if (type == oscTypeAudioIn) {
    const ChannelOscRecord* r = engineGetChannel(e, c);
    for (int k = 0; k < 2; ++k) {
      const int16_t item = audioInputItemOf(win, r ? r->inputs[k] : -1);
      selectorSelect(win, cid(c, patchKInput1 + k), item);
    }
    boxSet(win, cid(c, patchKInputGain), r && r->inputGain > 0 ? 6.0 * std::log2(r->inputGain) : -103.0);
  }
  // The sections a type has no use for fall back to section 0.
  if ((type == oscTypeSingle && section == 1) || (oscTypeIsSampled(type) && section == 2) || type == oscTypeAudioIn)
    section = 0;
  patchChannelSelectSection(win, c, section);
  applyEnableSet(win, c, type, on != 0);
  if (pitched) patchSetPhaseMode(win, c, oscGetPhaseReset(e, c) == 0 ? 1 : 0);
  boxSet(win, cid(c, patchKVoices), oscGetNumVoices(e, c));
  boxSet(win, cid(c, patchKTrans), oscGetTrans(e, c));
  boxSet(win, cid(c, patchKRandTrans), oscGetRandTrans(e, c));
}

void patchSetPhaseMode(WinId win, int16_t c, uint8_t free) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  oscSetPhaseReset(e, c, free ? 0 : 1);
  buttonSetText(win, cid(c, patchKPhaseMode), free ? "Free" : "Phase");
  patchButtonSetOn(win, cid(c, patchKPhaseMode), free != 0);
  active(win, cid(c, patchKPhase), !free);
}

void patchRefreshFilterPanel(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  showChannelPanel(win, c, patchKFilterOn, patchKFilterPanel, oscIsOn(e, c) != 0, filterIsOn(e, c) != 0);
  patchFilterShowType(win, c, filterGetType(e, c));
}

void patchRefreshModPanel(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  showChannelPanel(win, c, patchKModOn, patchKModPanel, oscIsOn(e, c) != 0, modulatorIsOn(e, c) != 0);
  waveMenuSetLabel(win, cid(c, patchKModWave), modulatorGetWave(e, c));
  patchModFreqShow(win, c);
  patchModShowType(win, c, static_cast<int16_t>(modulatorGetType(e, c)));
}

void patchRefreshMixSection(WinId win) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  int n = 0;
  for (int16_t c = 0; c < patchChannelCount; ++c) n += oscIsOn(e, c) ? 1 : 0;
  for (int16_t c = 0; c < patchChannelCount; ++c) {
    if (oscIsOn(e, c)) {
      const float level = oscGetLevel(e, c);
      knobSetValue(win, cid(c, patchKLevel), std::sqrt(level > 0 ? level : 0.0f), knobGetY(win, cid(c, patchKLevel)));
      patchLevelShow(win, c, level);
      const float mixed = level * static_cast<float>(n);
      g_state.mixLevel[c] = mixed > 1.0f ? 1.0f : mixed;
    }
    knobSetValue(win, cid(c, patchKPad), 0.5 + 0.5 * surroundGetChannelPair(e, c, 0),
                 0.5 + 0.5 * surroundGetChannelPair(e, c, 1));
  }
}

void patchRefreshSampleLoop(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e || c < 0 || c >= patchChannelCount) return;
  const int32_t mode = sampleGetLoopMode(e, c);
  const int16_t item = mode == 1 ? 2 : mode == 2 ? 3 : 1;
  selectorSelect(win, cid(c, patchKLoopMode), item);
  static const char* names[] = {"No Loop", "Loop All", "Loop Edit"};
  selectorSetLabel(win, cid(c, patchKLoopMode), names[item - 1]);
  const int32_t s = sampleGetLoopStart(e, c), end = sampleGetLoopEnd(e, c);
  if (NumboxData* d = numboxFind(win, cid(c, patchKLoopStart))) d->maximum = end - 64 > 0 ? end - 64 : 0;
  boxSet(win, cid(c, patchKLoopStart), s);
  if (NumboxData* d = numboxFind(win, cid(c, patchKLoopEnd))) d->minimum = s + 64;
  boxSet(win, cid(c, patchKLoopEnd), end);
  active(win, cid(c, patchKLoopStart), oscGetType(e, c) == oscTypeSample && mode == 2);
  active(win, cid(c, patchKLoopEnd), oscGetType(e, c) == oscTypeSample && mode == 2);
}

int16_t audioInputItemOf(WinId, int16_t input) {
  return input >= 0 && input <= 5 ? static_cast<int16_t>(input + 3) : 1;
}

int16_t audioInputOfItem(uint32_t, int16_t item) {
  return item >= 3 && item <= 8 ? static_cast<int16_t>(item - 3) : -1;
}
