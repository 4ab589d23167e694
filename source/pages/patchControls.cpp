// What the Patch page's controls do: the popup lists and their codes, the type and switch edits made
// inside the engine's stop and restart handshake, the value boxes, the level faders with automatic
// balance, the sound-field pads and the show routines the page refresh shares with the callbacks.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/mainWindowData.h"
#include "app/pageShell.h"
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
#include "engine/numeric.h"
#include "engine/surround.h"
#include "engine/valueFormat.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "oscillators/oscGranular.h"
#include "pages/moduleMenu.h"
#include "pages/patchHandshake.h"
#include "pages/patchPage.h"
#include "pages/waveChoice.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"
#include "preset/waveMenu.h"
#include "skinBitmaps.h"

namespace {

uint32_t g_inertCalls = 0;
PatchHandshakeSpy g_spy = nullptr;
void* g_spyContext = nullptr;

uint16_t cid(int16_t channel, int k) { return static_cast<uint16_t>(patchChannelIdBase(channel) + k); }
// A filter's item: the master strip's for filter 3, else control k of the channel.
uint16_t filterItem(int16_t filter, uint16_t masterId, int k) { return filter == 3 ? masterId : cid(filter, k); }
void active(WinId win, uint16_t id, bool on) { winNotifyItemsOfType2(win, id, on ? 1 : 0); }

void stopAudio(Engine* e, uint8_t fade) {
  if (g_spy) g_spy(g_spyContext, "stop", e);
  engineStopAudio(e, fade);
}
void applyChange(Engine* e, uint8_t reinit) {
  if (g_spy) g_spy(g_spyContext, "apply", e);
  engineApplyPatchChange(e, reinit);
}

const char* const kOscNames[] = {"Single", "Double", "FM",       "Ringmod", "Fractalize",
                                 "-",      "Sample", "Granular", "-",       "Audio In"};
const int16_t kOscCodes[] = {0, 1, 2, 3, 6, -1, 4, 5, -1, 7};
const char* const kFilterNames[] = {"LPF 2 pole", "LPF 4 pole", "LPF 8 pole", "Allpass 2", "Allpass 4",
                                    "Allpass 8",  "LPF -6dB",   "LPF -12dB",  "LPF -24dB", "HPF -6dB",
                                    "HPF -12dB",  "BPF",        "Notch",      "Comb"};
const int16_t kFilterCodes[] = {14, 15, 17, 11, 12, 13, 1, 2, 3, 4, 5, 6, 9, 10};
const char* const kFreqNames[] = {"Trans", "Ratio", "Hz", "Note"};
const int16_t kFreqCodes[] = {0, 1, 3, 2};

bool isMasterId(int id) {
  return id == patchIdShaperOn || id == patchIdMasterFilterOn || id == patchIdEffectOn || id == patchIdSurround ||
         (id >= patchIdShaperInGain && id <= patchIdEffectEdit);
}

// An oscillator level as the mixer keeps it: 1/65536 .. 65535/65536 (NaN gives the low end).
double clampLevel(double level) { return numClamp(level, 1.0 / 65536.0, 65535.0 / 65536.0); }

int channelsOn(Engine* e) {
  int n = 0;
  for (int16_t c = 0; c < patchChannelCount; ++c) n += oscIsOn(e, c) ? 1 : 0;
  return n;
}

void setLevelShown(WinId win, Engine* e, int16_t c, double level) {
  knobSetValueAndRedraw(win, cid(c, patchKLevel), std::sqrt(level));
  patchLevelShow(win, c, level);
  oscSetLevel(e, c, static_cast<float>(level));
}

void selectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, patchPaneId);
}

void waveChosen(WinId win, Engine* e, int id, int16_t menu, int16_t entry) {
  int16_t wave = 0;
  bool made = false;
  if (!waveChoiceFromMenu(e, menu, entry, &wave, &made)) return;
  const int16_t c = patchChannelOfId(id);
  const int k = id - patchChannelIdBase(c);
  if (id == patchIdShaperWave)
    waveshaperSetWave(e, wave);
  else if (k == patchKWaveA)
    oscSetWaveA(e, c, wave);
  else if (k == patchKWaveB)
    oscSetWaveB(e, c, wave);
  else if (k == patchKModWave)
    modulatorSetWave(e, c, wave);
  selectPane(win);
  waveChoiceShow(win, static_cast<uint16_t>(id), wave, made);
}

void filterSecond(Engine* e, int16_t index, int16_t type, double value) {
  if (!filterTakesResonance(type)) return;
  filterSetResonance(e, index, value);
}

void filterThird(Engine* e, int16_t index, int16_t type, double value) {
  if (filterHasWidth(type))
    filterSetWidth(e, index, value);
  else if (filterHasGain(type))
    filterSetGainDb(e, index, value);
}

void autoBalanceAfterSwitch(WinId win, Engine* e) {
  float* weight = patchBalanceWeights(win);
  const int n = channelsOn(e);
  if (!mainWinGetAutoBalance(win) || n == 0) return;
  double sum = 0;
  for (int16_t c = 0; c < patchChannelCount; ++c)
    if (oscIsOn(e, c)) sum += weight[c];
  if (sum < 1.0) sum = 1.0;
  for (int16_t c = 0; c < patchChannelCount; ++c)
    if (oscIsOn(e, c)) setLevelShown(win, e, c, clampLevel(weight[c] * (1.0 / sum)));
}

void levelMoved(WinId win, Engine* e, int16_t c, double position) {
  float* weight = patchBalanceWeights(win);
  const double level = patchLevelOfPosition(position);
  oscSetLevel(e, c, static_cast<float>(level));
  patchLevelShow(win, c, level);
  if (!mainWinGetAutoBalance(win)) return;
  const int n = channelsOn(e);
  double sum = 0;
  int others = 0;
  for (int16_t o = 0; o < patchChannelCount; ++o) {
    if (o == c || !oscIsOn(e, o)) continue;
    sum += oscGetLevel(e, o);
    ++others;
  }
  if (others > 0 && sum != 0.0) {
    const double factor = (1.0 - level) / sum;
    for (int16_t o = 0; o < patchChannelCount; ++o) {
      if (o == c || !oscIsOn(e, o)) continue;
      const double next = clampLevel(oscGetLevel(e, o) * factor);
      setLevelShown(win, e, o, next);
      weight[o] = static_cast<float>(n * next);
    }
  }
  // The moved channel's weight is its level times the channels on, as the others' are.
  weight[c] = static_cast<float>(n * level);
}

void masterButton(WinId win, Engine* e, int id, uint8_t on) {
  switch (id) {
    case patchIdShaperOn:
      ctrlRedraw(win, patchIdSurround);
      waveshaperSetOn(e, on);
      patchWaveshaperShow(win);
      applyChange(e, 0);
      break;
    case patchIdMasterFilterOn:
      filterSetOn(e, 3, on);
      patchMasterFilterShow(win);
      applyChange(e, 0);
      break;
    case patchIdEffectOn:
      stopAudio(e, 1);
      effectSetOn(e, on);
      effectReset(e);
      engineUpdateChannelFlags(e);
      if (g_spy) g_spy(g_spyContext, "restart", e);
      engineRestartAudio(e);
      patchEffectShow(win);
      break;
    case patchIdSurround:
      patchPanShow(win, on);
      stopAudio(e, 0);
      engineSetVoiceBufferCount(e, 3, on ? 3 : 1);
      applyChange(e, 0);
      break;
    case patchIdShaperPostMix:
      stopAudio(e, 0);
      waveshaperSetPostMix(e, on);
      if (on) filterSetPostMix(e, 3, 1);
      patchPostMixShow(win);
      applyChange(e, 0);
      break;
    case patchIdMasterFilterPostMix:
      stopAudio(e, 0);
      filterSetPostMix(e, 3, on);
      applyChange(e, 0);
      break;
    case patchIdEffectEdit: mainWindowShowPage(win, pageEffect); break;
    default: break;
  }
}

}  // namespace

void patchSetHandshakeSpy(PatchHandshakeSpy spy, void* context) {
  g_spy = spy;
  g_spyContext = context;
}
void patchStopAudio(Engine* engine, uint8_t fade) { stopAudio(engine, fade); }
void patchApplyChange(Engine* engine, uint8_t reinit) { applyChange(engine, reinit); }

uint32_t patchInertBoxCalls() { return g_inertCalls; }

// ---- popup lists

void patchFreqModeMenuFill(ControlItem* item, int32_t build) {
  if (!build || !item) return;
  const WinId win = item->windowId;
  for (int i = 0; i < 4; ++i)
    menuAppendItem(win, item->id, i + 1, 1, kFreqNames[i], bmpFrequencyModeMenuEntryTrans + i);
}

void patchOscTypeMenuFill(ControlItem* item, int32_t build) {
  if (!build || !item) return;
  const WinId win = item->windowId;
  for (int i = 0; i < 10; ++i) menuAppendItem(win, item->id, i + 1, kOscCodes[i] >= 0, kOscNames[i], 0);
}

void patchFilterTypeMenuFill(ControlItem* item, int32_t build) {
  if (!build || !item) return;
  const WinId win = item->windowId;
  for (int i = 0; i < 14; ++i) menuAppendItem(win, item->id, i + 1, 1, kFilterNames[i], 0);
}

void patchAudioInputMenu(ControlItem* item, int32_t build) {
  if (!item) return;
  const WinId win = item->windowId;
  const uint16_t id = item->id;
  if (build) {
    menuAppendItem(win, id, 1, 1, "None", 0);
    menuAppendItem(win, id, 2, 0, "-", 0);
    char text[16];
    for (int i = 0; i < 6; ++i) {
      std::snprintf(text, sizeof(text), "Input %d", i + 1);
      menuAppendItem(win, id, 3 + i, 1, text, 0);
    }
  }
  const int count = engineGetInputCount(patchEngineOf(win));
  for (int i = 0; i < 6; ++i) menuEnableItem(win, id, 3 + i, i < count);
}

void patchLoopModeMenu(ControlItem* item, int32_t build) {
  if (!build || !item) return;
  const WinId win = item->windowId;
  static const char* names[] = {"No Loop", "Loop All", "Loop Edit"};
  for (int i = 0; i < 3; ++i) menuAppendItem(win, item->id, i + 1, 1, names[i], 0);
}

void patchModTypeMenu(ControlItem* item, int32_t build) {
  if (!build || !item) return;
  const WinId win = item->windowId;
  menuAppendItem(win, item->id, 1, 1, "Ringmod", 0);
  menuAppendItem(win, item->id, 2, 1, "Freq Shift", 0);
}

int16_t patchOscTypeOfItem(int16_t item) { return item >= 1 && item <= 10 ? kOscCodes[item - 1] : -1; }
int16_t patchOscItemOfType(int16_t type) {
  for (int i = 0; i < 10; ++i)
    if (kOscCodes[i] == type && type >= 0) return static_cast<int16_t>(i + 1);
  return 0;
}
int16_t patchFilterTypeOfItem(int16_t item) { return item >= 1 && item <= 14 ? kFilterCodes[item - 1] : 0; }
int16_t patchFilterItemOfType(int16_t type) {
  for (int i = 0; i < 14; ++i)
    if (kFilterCodes[i] == type) return static_cast<int16_t>(i + 1);
  return 0;
}
int16_t patchFreqModeOfItem(int16_t item) { return item >= 1 && item <= 4 ? kFreqCodes[item - 1] : 0; }
int16_t patchFreqItemOfMode(int16_t mode) {
  for (int i = 0; i < 4; ++i)
    if (kFreqCodes[i] == mode) return static_cast<int16_t>(i + 1);
  return 1;
}

// ---- show routines

void patchFilterShowType(WinId win, int16_t filter, int16_t type) {
  Engine* e = patchEngineOf(win);
  if (!e || filter < 0 || filter > 3) return;
  const uint16_t sel = filterItem(filter, patchIdMasterFilterType, patchKFilterType);
  const uint16_t freq = filterItem(filter, patchIdMasterFilterFreq, patchKFilterFreq);
  const uint16_t second = filterItem(filter, patchIdMasterFilterQ, patchKFilterSecond);
  const uint16_t third = filterItem(filter, patchIdMasterFilterThird, patchKFilterThird);
  const int16_t item = patchFilterItemOfType(type);
  selectorSelect(win, sel, item);
  selectorSetLabel(win, sel, item ? kFilterNames[item - 1] : "");
  if (filterTypeIsVacant(type)) return;
  numboxSetValue(win, freq, static_cast<float>(filterGetFrequency(e, filter)));
  const bool showSecond = filterTakesResonance(type);
  const bool showThird = filterHasWidth(type) || filterHasGain(type);
  active(win, freq, true);
  active(win, second, showSecond);
  active(win, third, showThird);
  if (showSecond) numboxSetValue(win, second, static_cast<float>(filterGetResonance(e, filter)));
  if (showThird)
    numboxSetValue(win, third,
                   static_cast<float>(filterHasWidth(type) ? filterGetWidth(e, filter) : filterGetGainDb(e, filter)));
}

void patchPitchBoxSetMode(WinId win, uint16_t box, int16_t mode, double value) {
  static const float lo[4] = {-128.0f, 0.0001f, 0.0f, 0.0001f};
  static const float hi[4] = {64.0f, 32.0f, 128.0f, 22000.0f};
  if (mode < 0 || mode > 3) mode = 0;
  NumboxData* d = numboxFind(win, box);
  if (!d) return;
  numboxConfigure(win, box, d->label, d->step, lo[mode], hi[mode], static_cast<float>(value));
}

void patchOscPitchShow(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  patchPitchBoxSetMode(win, cid(c, patchKPitch), oscGetFreqMode(e, c), oscGetPitch(e, c));
  if (oscGetType(e, c) != oscTypeFractalize)
    patchPitchBoxSetMode(win, cid(c, patchKPitchB), oscGetFreqModeB(e, c), oscGetPitchB(e, c));
  selectorSelect(win, cid(c, patchKFreqMode), patchFreqItemOfMode(oscGetFreqMode(e, c)));
  selectorSetLabel(win, cid(c, patchKFreqMode), kFreqNames[patchFreqItemOfMode(oscGetFreqMode(e, c)) - 1]);
  selectorSelect(win, cid(c, patchKFreqModeB), patchFreqItemOfMode(oscGetFreqModeB(e, c)));
  selectorSetLabel(win, cid(c, patchKFreqModeB), kFreqNames[patchFreqItemOfMode(oscGetFreqModeB(e, c)) - 1]);
}

void patchModFreqShow(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int16_t mode = modulatorGetFreqMode(e, c);
  patchPitchBoxSetMode(win, cid(c, patchKModFreq), mode, modulatorGetFrequency(e, c));
  selectorSelect(win, cid(c, patchKModFreqMode), patchFreqItemOfMode(mode));
  selectorSetLabel(win, cid(c, patchKModFreqMode), kFreqNames[patchFreqItemOfMode(mode) - 1]);
}

void patchModShowType(WinId win, int16_t c, int16_t type) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  if (type == modulatorFreqShift) {
    numboxConfigure(win, cid(c, patchKModBalance), "Feedback", stepHundredth, 0.0f, 0.5f,
                    static_cast<float>(modulatorGetFeedback(e, c)));
    selectorSelect(win, cid(c, patchKModType), 2);
    selectorSetLabel(win, cid(c, patchKModType), "Freq Shift");
  } else {
    numboxConfigure(win, cid(c, patchKModBalance), "Balance", stepHundredth, 0.0f, 1.0f,
                    static_cast<float>(modulatorGetBalance(e, c)));
    selectorSelect(win, cid(c, patchKModType), 1);
    selectorSetLabel(win, cid(c, patchKModType), "Ringmod");
  }
  patchButtonSetOn(win, cid(c, patchKModShift), modulatorGetShiftFlag(e, c) != 0);
}

void patchOscTypeShow(WinId win, int16_t c) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int16_t item = patchOscItemOfType(oscGetType(e, c));
  selectorSelect(win, cid(c, patchKOscType), item);
  selectorSetLabel(win, cid(c, patchKOscType), item ? kOscNames[item - 1] : "");
}

namespace {
void masterShow(WinId win, uint16_t button, uint16_t group, bool on) {
  Engine* e = patchEngineOf(win);
  const bool any = engineAnyChannelOn(e);
  patchButtonSetOn(win, button, on);
  patchButtonSetActive(win, button, any);
  ctrlShow(win, group, any && on);
}
}  // namespace

void patchWaveshaperShow(WinId win) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const bool on = waveshaperIsOn(e) != 0, any = engineAnyChannelOn(e);
  masterShow(win, patchIdShaperOn, 10, on);
  framePictureSetFrame(win, patchIdRouteMaster, any ? (on ? 1 : 0) : (on ? 3 : 2));
  ctrlRedraw(win, patchIdSurround);
  patchPostMixShow(win);
}

void patchMasterFilterShow(WinId win) {
  if (Engine* e = patchEngineOf(win)) masterShow(win, patchIdMasterFilterOn, 11, filterIsOn(e, 3) != 0);
}

void patchEffectShow(WinId win) {
  if (Engine* e = patchEngineOf(win)) masterShow(win, patchIdEffectOn, 12, effectIsOn(e) != 0);
}

void patchPostMixShow(WinId win) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  if (waveshaperIsPostMix(e) && waveshaperIsOn(e) && engineAnyChannelOn(e)) {
    patchButtonSetOn(win, patchIdMasterFilterPostMix, true);
    active(win, patchIdMasterFilterPostMix, false);
  } else {
    patchButtonSetOn(win, patchIdMasterFilterPostMix, filterIsPostMix(e, 3) != 0);
    active(win, patchIdMasterFilterPostMix, true);
  }
}

void patchPanShow(WinId win, uint8_t surroundOn) {
  Engine* e = patchEngineOf(win);
  if (!e) return;
  for (int16_t c = 0; c < patchChannelCount; ++c) {
    knobSetValue(win, cid(c, patchKPad), 0.5 + 0.5 * surroundGetChannelPair(e, c, 0),
                 0.5 + 0.5 * surroundGetChannelPair(e, c, 1));
    active(win, cid(c, patchKPad), surroundOn && oscIsOn(e, c));
  }
  ctrlRedraw(win, patchIdSurround);
}

void patchLevelText(double level, char* out, int capacity) {
  if (!(level > 0)) level = 1.0 / 65536.0;
  if (capacity > 0) formatDb(out, static_cast<size_t>(capacity), dbSnapWhole(6.0 * std::log2(level)));
}

void patchLevelShow(WinId win, int16_t c, double level) {
  char text[32];
  patchLevelText(level, text, sizeof(text));
  displaySetText(win, cid(c, patchKLevelText), text);
}

double patchLevelOfPosition(double position) {
  if (!std::isfinite(position)) position = 0.0;
  return clampLevel(position * position);
}

void patchBalanceLevels(WinId window) {
  const WinId win = window;
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int n = channelsOn(e);
  if (n == 0) return;
  bool changed = false;
  for (int16_t c = 0; c < patchChannelCount; ++c) {
    if (!oscIsOn(e, c)) continue;
    const float before = oscGetLevel(e, c);
    oscSetLevel(e, c, 1.0f / static_cast<float>(n));
    changed = changed || oscGetLevel(e, c) != before;
  }
  // An edit of the levels like a fader's (which its press marks); levels already balanced are none.
  if (changed) mainWindowMarkEdited(win);
  patchPageRefresh(win);
}

std::uint8_t mainWinGetAutoBalance(WinId win) {
  MainWindowData* data = mainWindowData(win);
  return data ? data->autoBalance : patchPageState()->autoBalance;
}

void mainWinSetAutoBalance(WinId win, std::uint8_t flag) {
  if (MainWindowData* data = mainWindowData(win))
    data->autoBalance = flag ? 1 : 0;
  else
    patchPageState()->autoBalance = flag ? 1 : 0;
}

// ---- callbacks

void patchSelectorChosen(ControlItem* item, int16_t menu, int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int id = item->id;
  const int16_t c = patchChannelOfId(id);
  if (id == patchIdShaperWave) return waveChosen(win, e, id, menu, entry);
  if (id == patchIdMasterFilterType) {
    const int16_t code = patchFilterTypeOfItem(entry);
    if (!code) return;
    filterSetType(e, 3, code);
    applyChange(e, 0);
    selectPane(win);
    patchFilterShowType(win, 3, filterGetType(e, 3));
    return;
  }
  switch (id - patchChannelIdBase(c)) {
    case patchKWaveA:
    case patchKWaveB:
    case patchKModWave: return waveChosen(win, e, id, menu, entry);
    case patchKFreqMode:
    case patchKFreqModeB:
    case patchKModFreqMode: {
      if (entry < 1 || entry > 4) return;
      const int16_t mode = patchFreqModeOfItem(entry);
      const int k = id - patchChannelIdBase(c);
      if (k == patchKFreqMode)
        oscSetFreqMode(e, c, mode);
      else if (k == patchKFreqModeB)
        oscSetFreqModeB(e, c, mode);
      else
        modulatorSetFreqMode(e, c, mode);
      selectPane(win);
      if (k == patchKModFreqMode)
        patchModFreqShow(win, c);
      else
        patchOscPitchShow(win, c);
      return;
    }
    case patchKOscType: {
      const int16_t type = patchOscTypeOfItem(entry);
      if (type < 0) return;
      stopAudio(e, 0);
      if (entry >= 1 && entry <= 5) engineSetVoiceBufferCount(e, c, 1);
      oscSetType(e, static_cast<uint16_t>(c), static_cast<uint16_t>(type));
      applyChange(e, 0);
      selectPane(win);
      patchRefreshChannelControls(win, c, type, oscIsOn(e, c));
      selectPane(win);
      return;
    }
    case patchKLoopMode: {
      const int32_t mode = entry == 2 ? 1 : entry == 3 ? 2 : 0;
      sampleSetLoopMode(e, c, mode);
      selectPane(win);
      patchRefreshSampleLoop(win, c);
      return;
    }
    case patchKInput1:
    case patchKInput2: {
      const int16_t input = audioInputOfItem(0, entry);
      if (entry != 1 && input < 0) return;
      selectorSelect(win, static_cast<uint16_t>(id), entry);
      oscSetAudioInput(e, c, static_cast<int16_t>(id - patchChannelIdBase(c) - patchKInput1), input);
      selectPane(win);
      return;
    }
    case patchKFilterType: {
      const int16_t code = patchFilterTypeOfItem(entry);
      if (!code) return;
      filterSetType(e, c, code);
      applyChange(e, 0);
      selectPane(win);
      patchFilterShowType(win, c, filterGetType(e, c));
      return;
    }
    case patchKModType: {
      stopAudio(e, 0);
      const int16_t type = entry == 1 ? modulatorRingmod : entry == 2 ? modulatorFreqShift : 0;
      patchModShowType(win, c, type);
      modulatorSetType(e, c, static_cast<uint16_t>(type));
      applyChange(e, 0);
      selectPane(win);
      return;
    }
    default: return;
  }
}

void patchNumboxChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = patchEngineOf(win);
  if (!e || !std::isfinite(value)) return;
  const int id = item->id;
  switch (id) {
    case patchIdShaperInGain: waveshaperSetInGainDb(e, value); return;
    case patchIdShaperOutGain: waveshaperSetOutGainDb(e, value); return;
    case patchIdShaperPhase: waveshaperSetPhase(e, value); return;
    case patchIdMasterFilterInert: ++g_inertCalls; return;  // no role: never edits a filter
    case patchIdMasterFilterFreq:
      filterSetFrequency(e, 3, value);
      selectPane(win);
      return;
    case patchIdMasterFilterQ: filterSecond(e, 3, filterGetType(e, 3), value); return;
    case patchIdMasterFilterThird: filterThird(e, 3, filterGetType(e, 3), value); return;
    default: break;
  }
  const int16_t c = patchChannelOfId(id);
  const int16_t type = oscGetType(e, c);
  ChannelOscRecord* live = engineGetChannel(e, c);
  switch (id - patchChannelIdBase(c)) {
    case patchKPitch:
      oscSetPitch(e, c, static_cast<float>(value));
      selectPane(win);
      return;
    case patchKPhase: oscSetPhaseA(e, c, static_cast<float>(value)); return;
    case patchKBalance:
      if (oscTypeHasBalance(type))
        oscSetBalance(e, c, static_cast<float>(value));
      else if (type == oscTypeFm)
        oscSetFmIndex(e, c, static_cast<float>(value));
      selectPane(win);
      return;
    case patchKPitchB:
      if (type != oscTypeFractalize) oscSetPitchB(e, c, static_cast<float>(value));
      selectPane(win);
      return;
    case patchKPhaseB:
      if (oscTypeHasSecondPhase(type)) oscSetPhaseB(e, c, static_cast<float>(value));
      return;
    case patchKVoices: oscSetNumVoices(e, c, static_cast<int16_t>(value + 0.1)); return;
    case patchKTrans: oscSetTrans(e, c, value); return;
    case patchKRandTrans: oscSetRandTrans(e, c, value); return;
    case patchKIterations: {
      // The box offers 2..8, the oscillator takes 1..7: a refused value does not stay on screen.
      const int n = static_cast<int>(value);
      if (live && n >= 1 && n <= 7) live->iterations = n;
      if (live) numboxSetValue(win, static_cast<uint16_t>(id), static_cast<float>(live->iterations));
      return;
    }
    case patchKAmount: {
      const double a = value * 0.01;
      if (live && a >= 0.0 && a < 1.0) live->amount = static_cast<float>(a);
      if (live) numboxSetValue(win, static_cast<uint16_t>(id), live->amount * 100.0f);
      selectPane(win);
      return;
    }
    case patchKDisplacement: {
      const double d = value * 0.01;
      if (live && d > 0.0 && d < 1.0) live->displacement = static_cast<float>(d);
      if (live) numboxSetValue(win, static_cast<uint16_t>(id), live->displacement * 100.0f);
      selectPane(win);
      return;
    }
    case patchKSampleStart: oscSetSampleParam(e, c, 1, value * 0.01); return;
    case patchKGrainTime: oscPageCompute(e, c, 4, value); return;
    case patchKGrainDensity: oscPageCompute(e, c, 3, value); return;
    case patchKGrainSize: oscPageCompute(e, c, 1, value); return;
    case patchKGrainRandAmp: oscPageCompute(e, c, 7, value); return;
    case patchKGrainRandFreq: oscPageCompute(e, c, 6, value); return;
    case patchKGrainRandTime: oscPageCompute(e, c, 5, value); return;
    case patchKLoopStart:
    case patchKLoopEnd: {
      const int32_t frames = static_cast<int32_t>(std::lround(value));
      if (id - patchChannelIdBase(c) == patchKLoopStart)
        sampleSetLoopStart(e, c, frames);
      else
        sampleSetLoopEnd(e, c, frames);
      // While the drag goes on the boxes keep their ranges; once the button is up they follow.
      if (!inputIsButtonDown()) {
        selectPane(win);
        patchRefreshSampleLoop(win, c);
      }
      return;
    }
    case patchKInputGain: oscSetInputGain(e, c, static_cast<float>(std::exp2(value / 6.0))); return;
    case patchKFilterFreq:
      filterSetFrequency(e, c, value);
      selectPane(win);
      return;
    case patchKFilterSecond: filterSecond(e, c, filterGetType(e, c), value); return;
    case patchKFilterThird: filterThird(e, c, filterGetType(e, c), value); return;
    case patchKModFreq:
      modulatorSetFrequency(e, c, value);
      selectPane(win);
      return;
    case patchKModBalance:
      if (modulatorGetType(e, c) == modulatorFreqShift)
        modulatorSetFeedback(e, c, value);
      else
        modulatorSetBalance(e, c, value);
      selectPane(win);
      return;
    default: return;
  }
}

void patchButtonAction(ControlItem* item, uint8_t pressed, int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int id = item->id;
  const uint8_t on = pressed ? 1 : 0;
  const int16_t c = patchChannelOfId(id);
  const int k = id - patchChannelIdBase(c);
  // On a module's area a right click, a double click or a click with Alt opens the module's menu
  // and leaves the switch as it was.
  const bool master = id >= patchIdShaperOn && id <= patchIdEffectOn;
  const bool area = master || (!isMasterId(id) && (k == patchKOn || k == patchKFilterOn || k == patchKModOn));
  if (area && (inputIsRightButton() || winIsDoubleClick() || inputIsAlt())) {
    patchButtonSetOn(win, static_cast<uint16_t>(id), !on);
    static const int16_t masterKinds[] = {moduleMenuWaveshape, moduleMenuFilter, moduleMenuEffect};
    static const int16_t channelKinds[] = {moduleMenuOscil, moduleMenuFilter, moduleMenuMod};
    const int16_t kind = master ? masterKinds[id - patchIdShaperOn]
                                : channelKinds[k == patchKOn         ? 0
                                               : k == patchKFilterOn ? 1
                                                                     : 2];
    moduleMenuOpen(win, e, kind, master ? 3 : c);
    return;
  }
  if (isMasterId(id)) return masterButton(win, e, id, on);
  if (id == patchIdRouteLight2 || id == patchIdRouteLight3) {
    // The routing lights only show channels 2 and 3: a click leaves them as the engine says.
    patchButtonSetOn(win, static_cast<uint16_t>(id), oscIsOn(e, static_cast<int16_t>(id - patchIdRouteLine1)) != 0);
    return;
  }
  switch (id - patchChannelIdBase(c)) {
    case patchKOn:
      stopAudio(e, 0);
      oscSetOn(e, c, on);
      oscRelinkVoices(e, c);
      applyChange(e, 0);
      selectPane(win);
      patchPageRefresh(win);
      autoBalanceAfterSwitch(win, e);
      patchRefreshMixSection(win);
      return;
    case patchKTabMain:
    case patchKTabSecond:
    case patchKTabVoices:
      patchChannelSelectSection(win, c, static_cast<uint16_t>(id - patchChannelIdBase(c) - patchKTabMain));
      return;
    case patchKFilterOn:
      stopAudio(e, 0);
      filterSetOn(e, c, on);
      patchRefreshFilterPanel(win, c);
      applyChange(e, 0);
      return;
    case patchKModOn:
      stopAudio(e, 0);
      modulatorSetOn(e, c, on);
      patchRefreshModPanel(win, c);
      applyChange(e, 0);
      return;
    case patchKAuxSwitch: oscSetAuxSwitch(e, c, on); return;
    case patchKBandLimit:
      stopAudio(e, 0);
      oscSetBandLimited(e, c, on);
      applyChange(e, 0);
      return;
    case patchKSampleFile:
      sampleLoadForChannel(0, e, c);
      selectPane(win);
      {
        char name[65] = {0};
        sampleGetFileName(e, c, name, sizeof(name));
        buttonSetText(win, static_cast<uint16_t>(id), name);
      }
      return;
    case patchKStereo: {
      stopAudio(e, 0);
      const int16_t type = oscGetType(e, c);
      if (oscTypeIsSampled(type)) {
        oscSetSampleParam(e, c, 2, on ? 0.0 : 1.0);
        sampleLoad(e, c, nullptr);
      } else if (type == oscTypeAudioIn) {
        engineSetVoiceBufferCount(e, c, on ? 2 : 1);
        if (on) engineSetVoiceBufferCount(e, 3, 3);
      }
      applyChange(e, 0);
      selectPane(win);
      patchPageRefresh(win);
      return;
    }
    case patchKPhaseMode: patchSetPhaseMode(win, c, on); return;
    case patchKModShift: modulatorSetShiftFlag(e, c, on); return;
    default: return;
  }
}

void patchKnobChanged(ControlItem* item, double x, double y) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = patchEngineOf(win);
  if (!e) return;
  const int16_t c = patchChannelOfId(item->id);
  const int k = item->id - patchChannelIdBase(c);
  if (k == patchKLevel) return levelMoved(win, e, c, x);
  if (k != patchKPad) return;
  if (inputIsCtrl()) {
    inputReset();
    surroundSetChannelPair(e, c, 0.0f, 0.0f);
    knobSetValueRaw(win, item->id, 0.5, 0.5);
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  surroundSetChannelPair(e, c, static_cast<float>(2 * x - 1), static_cast<float>(2 * y - 1));
}

void patchPageMouse(ControlItem* background) {
  if (!background) return;
  const WinId win = background->windowId;
  Engine* e = patchEngineOf(win);
  if (!e) return;
  // A right click, a double click or a click with Alt opens a module's menu.
  if (inputButtonState() != inputPressed) return;
  if (!(inputIsRightButton() || winIsDoubleClick() || inputIsAlt())) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  struct Target {
    int k;
    bool channel;
    int16_t kind;
  };
  static const Target targets[] = {
      {patchKOn, true, moduleMenuOscil}, {patchKFilterOn, true, moduleMenuFilter}, {patchKModOn, true, moduleMenuMod}};
  for (const Target& t : targets) {
    for (int16_t c = 0; c < patchChannelCount; ++c) {
      CtrlRect r;
      if (ctrlGetRect(win, cid(c, t.k), &r) && p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) {
        moduleMenuOpen(win, e, t.kind, c);
        patchPageRefresh(win);
        return;
      }
    }
  }
  static const struct {
    uint16_t id;
    int16_t kind;
  } masters[] = {{19, 21}, {20, 19}, {21, 22}};
  for (const auto& m : masters) {
    CtrlRect r;
    if (ctrlGetRect(win, m.id, &r) && p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) {
      moduleMenuOpen(win, e, m.kind, 3);
      patchPageRefresh(win);
      return;
    }
  }
}
