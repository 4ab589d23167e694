// The Wave page's three mouse read-outs under the displays, and the level and offset knobs with their
// texts. The knobs scale or shift the wave from the copy taken at their press, so a drag back and
// forth never accumulates; a knob gesture is one step of the wave undo, and the oscillators rebuild
// their tables when it ends: at the release, or when the drag is cut short without one.
#include <cmath>
#include <cstdio>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "wave/waveEditState.h"
#include "wave/waveHarmonics.h"
#include "wave/wavePage.h"

namespace {

void setText(WinId win, std::uint16_t id, const char* format, double value) {
  char text[40];
  std::snprintf(text, sizeof text, format, value);
  textDropMinusZero(text);
  displaySetText(win, id, text);
}

void levelText(WinId win, double gain) {
  char text[40];
  formatDb(text, sizeof text, numClamp<double>(gainToDb6(gain), -96.0, 0.0));
  displaySetText(win, waveItemLevelText, text);
}

// The largest peak that counts as silence for the level knob. Every copy of a wave (the undo copy, a
// preset's store and load) adds the 1e-24 denormal guard to each sample, so a silent wave's undo copy
// holds a few of those and nothing else; scaling that up would turn silence into a constant.
const float kSilentPeak = 1e-20f;

// A knob written sample: within -1..1, nothing below 1e-24 in magnitude.
float knobSample(double x) {
  x = numClamp<double>(x, -1.0, 1.0);
  return x > -1e-24 && x < 1e-24 ? 0.0f : static_cast<float>(x);
}

// The knob gesture in progress: 0 none, else the knob's id; centred: a double click on the offset
// knob already did its work for this press.
std::uint16_t g_knobGesture = 0;
bool g_centred = false;

// The gesture's start: the wave undo (the engine's undo copy is the knobs' source from here on).
void beginGesture(WinId win, std::uint16_t id) {
  waveUndoCapture(win);
  g_knobGesture = id;
}

// The gesture's end: the oscillators take the new wave, the undo gets its redo copy.
void endGesture(WinId win) {
  g_knobGesture = 0;
  waveEditNotify(win);
  waveUndoFinish(win);
}

void shiftBy(WinId win, Engine* e, double d) {
  const float* undo = waveUndoRecord(e)->samples;
  float* s = waveEditSamples(win);
  for (int i = 0; i < waveLength; ++i) s[i] = knobSample(undo[i] + d);
}

void centre(WinId win, Engine* e) {
  WaveEditBuffers* b = waveEditBuffers();
  const double d = numClamp<double>(0.0 - b->waveOffset, b->offsetRoomDown, b->offsetRoomUp);
  shiftBy(win, e, d);
  waveDisplayRedraw(win);
  waveEditShowLevel(win);
}

}  // namespace

void waveEditMouseReadout(WinId win) {
  const std::int16_t w = win;
  if (!waveEngineOf(w)) return;
  wavePageSelectPane(win);
  WaveEditBuffers* b = waveEditBuffers();
  CtrlRect r;
  if (!ctrlGetRect(w, waveItemDisplay, &r) && !ctrlGetRect(w, waveItemHarmDisplay, &r)) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (b->sliderDragging) return;
  if (p.x == b->lastMouse.x && p.y == b->lastMouse.y) return;
  const bool inside = p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
  if (inside)
    waveEditReadout(win, b->view);
  else if (b->view == waveViewWaveform)
    waveEditReadout(win, waveReadoutLeft);
  b->lastMouse.x = p.x;
  b->lastMouse.y = p.y;
}

void wavePageStartupCheck(WinId win) { waveEditMouseReadout(win); }

void waveEditReadout(WinId win, std::int32_t mode) {
  const std::int16_t w = win;
  if (!waveEngineOf(w)) return;
  wavePageSelectPane(win);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(w, waveItemDisplay, &r);
  CtrlPoint p;
  inputGetMousePos(&p);
  switch (mode) {
    case waveReadoutWaveform: {
      const double x = numClamp<double>(p.x - r.left, 0, waveDisplayWidth),
                   y = numClamp<double>(r.bottom - p.y, 0, waveDisplayHeight);
      setText(w, waveItemReadoutH, "h = %2.4f", x / 512.0);
      setText(w, waveItemReadoutV, "v = %2.4f", numClamp<double>(y / 128.0 - 1.0, -1.0, 1.0));
      displaySetText(w, waveItemReadoutExtra, "");
      break;
    }
    case waveReadoutHarmonics: {
      std::int16_t k = harmonicsGetReadoutHarmonic();
      if (k <= 0) k = static_cast<std::int16_t>(numClamp<double>(1 + (p.x - r.left) / 8, 1, waveHarmonicCount));
      char text[40];
      std::snprintf(text, sizeof text, "harmonic = %d", k);
      displaySetText(w, waveItemReadoutH, text);
      setText(w, waveItemReadoutV, "amp = %2.4f", harmonicsGetAmp(win, k));
      setText(w, waveItemReadoutExtra, "phase = %2.4f", harmonicsGetPhase(win, k));
      if (inputButtonState() == inputNone) harmonicsHighlight(win, k);
      break;
    }
    case waveReadoutPosition:
      setText(w, waveItemReadoutH, "h = %2.4f", waveDisplayGetPosition() / 1024.0);
      displaySetText(w, waveItemReadoutV, "");
      displaySetText(w, waveItemReadoutExtra, "");
      break;
    case waveReadoutLeft:
      displaySetText(w, waveItemReadoutH, "");
      displaySetText(w, waveItemReadoutV, "");
      displaySetText(w, waveItemReadoutExtra, "");
      break;
    default: break;
  }
}

void waveEditShowLevel(WinId win) {
  const std::int16_t w = win;
  const float* s = waveEditSamples(win);
  knobSetDrawable(w, waveItemLevelKnob, s ? 1 : 0);
  knobSetDrawable(w, waveItemOffsetKnob, s ? 1 : 0);
  if (!s) return;
  float peak = 0.0f;
  for (int i = 0; i < waveLength; ++i) peak = std::fabs(s[i]) > peak ? std::fabs(s[i]) : peak;
  knobSetValueAndRedraw(w, waveItemLevelKnob, peak);
  levelText(w, peak);
  waveEditShowOffset(win);
}

void waveEditShowOffset(WinId win) {
  const std::int16_t w = win;
  const float* s = waveEditSamples(win);
  if (!s) return;
  WaveEditBuffers* b = waveEditBuffers();
  float hi = -1.0f, lo = 1.0f;
  for (int i = 0; i < waveLength; ++i) {
    if (s[i] > hi) hi = s[i];
    if (s[i] < lo) lo = s[i];
  }
  b->offsetRoomUp = 1.0f - hi;
  b->offsetRoomDown = -1.0f - lo;
  float o = (std::fabs(-1.0f - lo) - (1.0f - hi)) * 0.5f;
  if (std::fabs(o) < 0.02f) o = 0.0f;
  b->waveOffset = o;
  knobSetValueAndRedraw(w, waveItemOffsetKnob, o * 0.5 + 0.5);
  setText(w, waveItemOffsetText, "%2.2f", o);
}

void waveEditLevelKnob(ControlItem* item, double value, double) {
  if (!item || (item->id != waveItemLevelKnob && item->id != waveItemOffsetKnob)) return;
  const WinId win = item->windowId;
  const std::int16_t w = win;
  Engine* e = waveEngineOf(w);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->currentWave < 0 || !std::isfinite(value)) return;
  wavePageSelectPane(win);
  const std::int16_t state = inputButtonState();
  const std::uint16_t id = item->id;
  // A set without a press (no gesture of this knob under way) is a gesture of its own.
  const bool single = state == inputNone && g_knobGesture != id;

  if (id == waveItemOffsetKnob && g_centred) {
    // The rest of a double click's press: nothing more to do; its release shows the wave again.
    if (state == inputNone) {
      g_centred = false;
      waveEditShowLevel(win);
    }
    return;
  }
  if (id == waveItemOffsetKnob && state == inputPressed && inputGetQuickPress()) {
    // A double click centres the wave between its extremes.
    beginGesture(win, id);
    centre(win, e);
    endGesture(win);
    waveEditShowLevel(win);
    g_centred = true;
    return;
  }
  if (state == inputPressed || single) beginGesture(win, id);

  if (id == waveItemLevelKnob) {
    levelText(w, value);
    const double t = numClamp<double>(value, 1e-05, 1.0);
    const float* undo = waveUndoRecord(e)->samples;
    float peak = 0.0f;
    for (int i = 0; i < waveLength; ++i) peak = std::fabs(undo[i]) > peak ? std::fabs(undo[i]) : peak;
    if (peak > kSilentPeak) {
      float* s = waveEditSamples(win);
      const double scale = (1.0 / peak) * t;
      for (int i = 0; i < waveLength; ++i) s[i] = knobSample(undo[i] * scale);
    }
  } else {
    double o = 2.0 * value - 1.0;
    if (std::fabs(o) < 0.01) o = 0.0;
    setText(w, waveItemOffsetText, "%6.2f", o);
    o = numClamp<double>(o, -1.0, 1.0);
    shiftBy(win, e, numClamp<double>(o - b->waveOffset, b->offsetRoomDown, b->offsetRoomUp));
  }
  waveDisplayRedraw(win);
  if (state == inputNone) {
    waveEditShowLevel(win);
    endGesture(win);
  }
}

void waveEditKnobCutShort(ControlItem* item) {
  if (!item || !waveEngineOf(ctrlItemWin(item))) return;
  const WinId win = item->windowId;
  const std::uint16_t id = item->id;
  if (id == waveItemOffsetKnob && g_centred) {
    // The double click already ended its gesture; only its release was still to come.
    g_centred = false;
    wavePageSelectPane(win);
    waveEditShowLevel(win);
    return;
  }
  if (g_knobGesture != id) return;
  wavePageSelectPane(win);
  waveEditShowLevel(win);
  endGesture(win);
}
