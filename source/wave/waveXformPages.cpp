// The transform panel's pages: each run computes the whole result from `sourceWave` (and a second
// wave for Mix and FM) into `workWave` and applies it; each control's callback stores its setting
// and runs its page. Settings are kept for the whole run, shared by all waves.
#include <cmath>

#include "controls/numbox.h"
#include "controls/selector.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "preset/wave.h"
#include "wave/wavePage.h"
#include "wave/waveTransforms.h"
#include "wave/waveXformPanel.h"

namespace {

const float* secondWave(WinId win) {
  Engine* e = waveEngineOf(win);
  return e ? waveGet(e, waveXformSettings().xformWave)->samples : nullptr;
}

// The complementary gain of a typed level: the box typed keeps g, the other shows 1 - g.
void setGains(ControlItem* item, double level, bool typedA) {
  WaveXformSettings& s = waveXformSettings();
  const float g = static_cast<float>(numClamp<double>(db6ToGain(level), 0.0, 1.0));
  (typedA ? s.gainA : s.gainB) = g;
  (typedA ? s.gainB : s.gainA) = 1.0f - g;
  const WinId win = item->windowId;
  waveXformSelectPane(win);
  numboxSetValue(win, typedA ? xformItemGainB : xformItemGainA,
                 static_cast<float>(gainToDb6(typedA ? s.gainB : s.gainA)));
  waveXformMixRun(win);
}

}  // namespace

void waveXformPhaseRun(WinId win) {
  waveXformPhaseOffset(waveEditSourceBuffer(), waveXformSettings().phaseOffset, waveEditWorkBuffer());
  waveXformApply(win);
}

void waveXformMixRun(WinId win) {
  const float* b = secondWave(win);
  if (!b) return;
  waveXformMix(waveEditSourceBuffer(), b, waveXformSettings(), waveEditWorkBuffer());
  waveXformApply(win);
}

void waveXformFractalizeRun(WinId win) {
  waveFractalize(waveEditSourceBuffer(), waveEditWorkBuffer());
  waveXformApply(win);
}

void waveXformFilterRun(WinId win) {
  WaveXformSettings& s = waveXformSettings();
  if (s.filterMode >= xformFilterLow1 && s.filterMode <= xformFilterHigh1)
    s.filterFreq = waveXformFilter(waveEditSourceBuffer(), s.filterMode, s.filterFreq, waveEditWorkBuffer());
  waveXformApply(win);
}

void waveXformFmRun(WinId win) {
  const float* m = secondWave(win);
  if (!m) return;
  waveXformFm(waveEditSourceBuffer(), m, waveXformSettings(), waveEditWorkBuffer());
  waveXformApply(win);
}

void waveXformPhaseChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().phaseOffset = static_cast<float>(value);
  waveXformPhaseRun(item->windowId);
}

void waveXformGainAChanged(ControlItem* item, double level) {
  if (item) setGains(item, level, true);
}

void waveXformGainBChanged(ControlItem* item, double level) {
  if (item) setGains(item, level, false);
}

void waveXformPhaseBChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().phaseB = static_cast<float>(value);
  waveXformMixRun(item->windowId);
}

void waveXformRatioBChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().ratioB = static_cast<float>(numClamp<double>(value, 1.0, 32.0));
  waveXformMixRun(item->windowId);
}

void waveXformMixWaveChanged(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  waveXformPickWave(item, menu, entry);
  waveXformMixRun(item->windowId);
}

void waveXformInvertChanged(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  waveXformSettings().invertB = pressed ? 1 : 0;
  waveXformMixRun(item->windowId);
}

void waveXformIterationsChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().iterations = static_cast<std::int16_t>(numClamp<double>(std::trunc(value), 2.0, 8.0));
  waveXformFractalizeRun(item->windowId);
}

void waveXformDisplacementChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().displacement = static_cast<float>(numClamp<double>(value, 0.001, 1.0));
  waveXformFractalizeRun(item->windowId);
}

void waveXformAmpSlopeChanged(ControlItem* item, double level) {
  if (!item) return;
  waveXformSettings().ampSlope = numClamp<double>(db6ToGain(level), 0.0, 1.0);
  waveXformFractalizeRun(item->windowId);
}

void waveXformFilterModeChanged(ControlItem* item, std::int16_t, std::int16_t entry) {
  if (!item) return;
  waveXformSettings().filterMode = entry;
  waveXformSelectPane(item->windowId);
  selectorSelect(ctrlItemWin(item), xformItemFilterMode, entry);
  waveXformFilterRun(item->windowId);
}

void waveXformFilterFreqChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().filterFreq = static_cast<float>(value);
  waveXformFilterRun(item->windowId);
}

void waveXformFmIndexChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().fmIndex = static_cast<float>(value);
  waveXformFmRun(item->windowId);
}

void waveXformFmModRatioChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().modRatio = static_cast<float>(value);
  waveXformFmRun(item->windowId);
}

void waveXformFmModPhaseChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().modPhase = static_cast<float>(value);
  waveXformFmRun(item->windowId);
}

void waveXformFmCarrierRatioChanged(ControlItem* item, double value) {
  if (!item) return;
  waveXformSettings().carrierRatio = static_cast<float>(value);
  waveXformFmRun(item->windowId);
}

void waveXformFmWaveChanged(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  waveXformPickWave(item, menu, entry);
  waveXformFmRun(item->windowId);
}
