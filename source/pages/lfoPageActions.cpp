// What the LFO page's controls do: the switches (those that change the engine's routing end with a
// rebuild of the patch), the value boxes with the units the page shows them in, the wave choice and
// the controller choice made in the "Select MIDI Source" window.
#include <cmath>

#include "app/pageShell.h"
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "midi/midiNames.h"
#include "midi/midiSourceWindow.h"
#include "pages/lfoPage.h"
#include "pages/mainPage.h"
#include "pages/patchHandshake.h"
#include "pages/waveChoice.h"
#include "preset/waveMenu.h"

namespace {

// The controller choice that is open: the button that opened it, its field and its LFO.
struct SourceChoice {
  uint16_t button;
  int16_t field;
  int16_t lfo;
};
SourceChoice g_choice = {0, 0, 0};

// A value as the box holds it: inside the box's range (a value that is not a number gives the minimum).
double inBox(ControlItem* item, double v) {
  const NumboxData* d = numboxData(item);
  if (!d) return std::isfinite(v) ? v : 0.0;
  if (!(v >= d->minimum)) return d->minimum;
  return v > d->maximum ? d->maximum : v;
}

void openSourceChoice(WinId win, Engine* e, uint16_t button, int16_t c, int16_t field) {
  g_choice = {button, field, c};
  midiSourcePopupOpen(win, lfoSourceChosen, lfoGetControllerSource(e, c, field), 0);
}

}  // namespace

void lfoButtonAction(ControlItem* item, uint8_t pressed, int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = lfoEngineOf(win);
  if (!e) return;
  const int id = item->id;
  const int16_t c = lfoFromControlId(id);
  const int k = id - lfoColumnBase(c);
  const uint8_t on = pressed ? 1 : 0;
  switch (k) {
    case lfoKOn:
      lfoSetOn(e, c, on);
      lfoPageSelect(win);
      lfoColumnShow(win, c, on);
      patchApplyChange(e, 0);
      return;
    case lfoKVoiceMode:
      lfoSetPerVoice(e, c, static_cast<uint8_t>(1 - on));
      patchApplyChange(e, 0);
      return;
    case lfoKRateUnit:
      lfoPageSelect(win);
      lfoShowTimeUnit(win, c, 0, on);
      lfoSetPeriodSync(e, c, on);
      return;
    case lfoKHoldUnit:
      lfoPageSelect(win);
      lfoShowTimeUnit(win, c, 1, on);
      lfoSetHoldSync(e, c, on);
      return;
    case lfoKHold:
      lfoSetSampleHold(e, c, on);
      lfoPageSelect(win);
      lfoShowSampleHold(win, c, on);
      return;
    case lfoKRetrigger:
      lfoSetRetrigger(e, c, on);
      lfoPageSelect(win);
      lfoShowRetrigger(win, c, on);
      return;
    case lfoKPitchPolarity: lfoSetPitchPolarity(e, c, static_cast<uint8_t>(1 - on)); return;
    case lfoKAmpPolarity: lfoSetAmpPolarity(e, c, static_cast<uint8_t>(1 - on)); return;
    case lfoKFmPolarity: lfoSetChannelPolarity(e, c, static_cast<uint8_t>(1 - on)); return;
    case lfoKFilterPolarity: lfoSetFilterPolarity(e, c, static_cast<uint8_t>(1 - on)); return;
    case lfoKFilterMaster:
      lfoSetFilterTarget(e, c, 3, on);
      patchApplyChange(e, 0);
      return;
    case lfoKDepthSource: return openSourceChoice(win, e, static_cast<uint16_t>(id), c, 0);
    case lfoKRateSource: return openSourceChoice(win, e, static_cast<uint16_t>(id), c, 1);
    case lfoKHoldRateSource: return openSourceChoice(win, e, static_cast<uint16_t>(id), c, 2);
    case lfoKRetriggerSource: return openSourceChoice(win, e, static_cast<uint16_t>(id), c, 3);
    default: break;
  }
  const int16_t j = static_cast<int16_t>(k >= lfoKFilterChannel ? k - lfoKFilterChannel
                                         : k >= lfoKFmChannel   ? k - lfoKFmChannel
                                         : k >= lfoKAmpChannel  ? k - lfoKAmpChannel
                                                                : k - lfoKPitchChannel);
  if (k >= lfoKPitchChannel && k < lfoKAmpChannel)
    lfoSetPitchTarget(e, c, j, on);
  else if (k >= lfoKAmpChannel && k < lfoKFmChannel)
    lfoSetAmpTarget(e, c, j, on);
  else if (k >= lfoKFmChannel && k < lfoKFilterChannel)
    lfoSetChannelTarget(e, c, j, on);
  else if (k >= lfoKFilterChannel && k < lfoKFilterMaster)
    lfoSetFilterTarget(e, c, j, on);
  else
    return;
  patchApplyChange(e, 0);
}

void lfoNumboxChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = lfoEngineOf(win);
  if (!e) return;
  const double v = inBox(item, value);
  const int16_t c = lfoFromControlId(item->id);
  switch (item->id - lfoColumnBase(c)) {
    case lfoKPhase: lfoSetStartPhase(e, c, 1024.0 * v); break;
    case lfoKSeconds: lfoSetPeriodSeconds(e, c, v); break;
    case lfoKBeats: lfoSetPeriodBeats(e, c, v); break;
    case lfoKHoldSeconds: lfoSetHoldSeconds(e, c, v); break;
    case lfoKHoldBeats: lfoSetHoldBeats(e, c, v); break;
    case lfoKPitchDepth: lfoSetPitchDepth(e, c, v / 12.0); break;
    case lfoKAmpDepth: lfoSetAmpDepth(e, c, 0.01 * v); break;
    case lfoKFmDepth: lfoSetChannelDepth(e, c, 0.01 * v); break;
    case lfoKFilterDepth: lfoSetFilterRange(e, c, 1.0 - 0.01 * v); break;
    case lfoKEffectDepth: lfoSetPercentSetting(e, c, 0.01 * v); break;
    case lfoKPanDepth: lfoSetFieldDepth(e, c, 0.01 * v); break;
    case lfoKDepthAmount:
      lfoSetDepthAmount(e, c, 0.01 * v);
      mainPageMarkChanged(win);
      break;
    case lfoKRateAmount:
      lfoSetRateRange(e, c, 1.0 - 0.01 * v);
      mainPageMarkChanged(win);
      break;
    case lfoKHoldRateAmount:
      lfoSetHoldRateRange(e, c, 1.0 - 0.01 * v);
      mainPageMarkChanged(win);
      break;
    default: break;
  }
}

void lfoWaveChosen(ControlItem* item, int16_t menu, int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = lfoEngineOf(win);
  if (!e) return;
  const uint16_t id = item->id;
  const int16_t c = lfoFromControlId(id);
  int16_t wave = 0;
  bool made = false;
  if (!waveChoiceFromMenu(e, menu, entry, &wave, &made)) return;
  lfoSetWaveId(e, c, wave);
  lfoPageSelect(win);
  waveChoiceShow(win, id, wave, made);
}

void lfoSourceChosen(WinId window, int16_t source) {
  const WinId win = window;
  Engine* e = lfoEngineOf(win);
  // Only aftertouch and the controllers scale an LFO: pitch bend, velocity, note and random do not.
  if (!e || g_choice.button == 0 || source < -1 || source > 127) return;
  lfoPageSelect(win);
  char name[midiSourceNameBytes];
  midiSourceNameEntry(source, name);
  buttonSetText(win, g_choice.button, name);
  lfoSetControllerSource(e, g_choice.lfo, g_choice.field, source);
  mainPageMarkChanged(window);
}
