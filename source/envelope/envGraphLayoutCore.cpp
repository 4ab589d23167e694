// The platform-free layout of a graph row (see envGraphLayoutCore.h).
#include "envelope/envGraphLayoutCore.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envView.h"
#include "preset/wave.h"

namespace {

struct Factors {
  double amp = 1.0, offset = 0.0, time = 1.0, slope = 1.0;
};

struct LayoutPass {
  const EnvelopeView* view;
  const EnvelopeSlot* slot;    // the slot shown (indices, mode, destination)
  const EnvelopeSlot* source;  // whose breakpoints are drawn (the master of a linked slot)
  const WaveRecord* wave;      // the LFO's wave, null when the LFO is off
  Factors f;
  const EnvGraphLayoutOut* out;
  EnvLayoutRect rect;
  int columns;
  int height;
};

void clearHit(GraphHit& h) { std::memset(&h, 0, sizeof h); }

// Registers a marker whose left edge is x (centre x + 3) at row y, with its sustain or loop mark.
void addPointHit(const LayoutPass& p, int bp, std::int32_t x, std::int32_t y) {
  const EnvGraphLayoutOut& o = *p.out;
  const std::int32_t xc = x + 3;
  if (xc >= p.rect.right || y < p.rect.top) return;
  GraphHit hit = {1, bp, xc - 3, y - 3, xc + 3, y + 3};
  if (bp < 0) {
    *o.startMark = hit;
  } else {
    if (*o.pointCount >= envGraphHitCount) return;
    o.pointHits[(*o.pointCount)++] = hit;
  }
  const GraphHit mark = {1, bp, xc + 4, y - 3, xc + 9, y + 3};
  if (bp == p.slot->sustainIndex)
    *o.sustainMark = mark;
  else if (p.slot->mode == envModeLoop && bp == p.slot->loopStart)
    *o.loopMark = mark;
}

// Fills the columns of segment i and answers the column where it ends (0 when it ends left of the view).
int sampleSegment(const LayoutPass& p, int i, double* phase) {
  if (i < 0 || i >= envBreakpointCount) return 0;
  const double zoom = p.view->pixelsPerSecond;
  const double offset = p.view->timeOffset;
  const Breakpoint* bps = p.source->breakpoints;
  double s = 0.0;
  for (int k = 0; k < i; ++k) s += p.f.time * bps[k].time / 44100.0;
  double d = p.f.time * bps[i].time / 44100.0;
  if (s + d <= offset) return 0;
  int col;
  double t0;
  if (s < offset) {
    col = 0;
    t0 = offset - s;
  } else {
    col = static_cast<int>((s - offset) * zoom);
    t0 = 0.0;
  }
  if ((d - t0) * zoom < 1.0) d = 1.0 / zoom;
  col = numClampHiWins<int>(col, 0, p.columns);
  const int startCol = col;

  const double prevLevel = i == 0 ? p.source->startLevel : bps[i - 1].level;
  const double pl = p.f.amp * prevLevel + p.f.offset;
  const double ql = p.f.amp * bps[i].level + p.f.offset;
  const bool step = bps[i].step != 0;
  const double span = p.height - 8;
  const double expo = bps[i].slope * p.f.slope;
  const double depth0 = i == 0 ? 0.0 : bps[i - 1].lfoDepth;
  const double depth1 = bps[i].lfoDepth;
  const double sec0 = i == 0 ? bps[0].lfoSeconds : bps[i - 1].lfoSeconds;
  const double sec1 = bps[i].lfoSeconds;
  const double dt = 1.0 / zoom;
  const double phaseStep = 1024.0 / zoom;
  std::int16_t* curve = p.out->curveY;
  std::int16_t* lfo = p.out->lfoCurveY;
  for (double t = t0; t <= d && col < p.columns; t += dt, ++col) {
    double shape, value;
    if (step) {
      shape = 0.0;
      value = pl;
    } else {
      shape = std::pow(t / d, expo);
      value = pl + (ql - pl) * shape;
    }
    curve[col] = static_cast<std::int16_t>(numClamp(value, 0.0, 1.0) * span + 2.0);
    if (p.wave) {
      const double depth = depth0 + (depth1 - depth0) * shape;
      const double w = p.wave->samples[static_cast<int>(*phase) & (waveLength - 1)];
      const double y = (value - 0.5 * depth * value + 0.5 * w * depth * value) * span + 4.0;
      lfo[col] = static_cast<std::int16_t>(numClampPassNaN(y, -32768.0, 32767.0));
      double sec = sec0 + (sec1 - sec0) * shape;
      if (!(sec >= 0.001)) sec = 0.001;
      // A far offset with a short period is millions of cycles: wrap once, never loop.
      *phase = std::fmod(*phase + phaseStep / sec, 1024.0);
      if (!(*phase >= 0.0)) *phase = 0.0;
    }
  }
  if (startCol < p.columns) curve[startCol] = static_cast<std::int16_t>(numClamp(pl, 0.0, 1.0) * span + 2.0);
  const double end = (s + d - offset) * zoom;
  return end > 1e9 ? 1000000000 : static_cast<int>(end);
}

}  // namespace

void envGraphLayoutCompute(const EnvelopeView* v, Engine* e, std::int32_t graphTop, const EnvLayoutRect& rect,
                           const EnvelopeSlot* slot, const EnvGraphLayoutOut& o) {
  if (!v || !e) return;
  if (rect.bottom <= graphTop) return;

  *o.pointCount = *o.handleCount = 0;
  clearHit(*o.startMark);
  clearHit(*o.loopMark);
  clearHit(*o.sustainMark);
  std::memset(o.pointHits, 0, sizeof(GraphHit) * envGraphHitCount);
  std::memset(o.handleHits, 0, sizeof(GraphHit) * envGraphHitCount);
  *o.loopStartX = 0;
  *o.sustainX = 9999;
  for (int i = 0; i < envGraphMaxColumns; ++i) o.curveY[i] = o.lfoCurveY[i] = -1;
  if (!slot) return;

  LayoutPass p;
  p.view = v;
  p.slot = slot;
  p.source = slot;
  p.out = &o;
  p.rect = rect;
  if (envGraphIsLinkedSlot(e, slot)) {
    p.source = engineGetEnvelopeSlot(e, static_cast<std::int16_t>(slot->linkMasterSlot));
    p.f.amp = slot->ampPercent;
    p.f.offset = slot->ampOffset;
    p.f.time = slot->timePercent;
    p.f.slope = slot->slopePercent;
  }
  p.wave = slot->lfoOn ? waveGet(e, static_cast<std::int16_t>(slot->lfoWave & 0xFFFF)) : nullptr;
  if (!(v->pixelsPerSecond > 0.0)) return;
  const Breakpoint* bps = p.source->breakpoints;

  int first = 0;
  if (v->timeOffset != 0.0) {
    double end = 0.0;
    first = -1;
    for (int i = 0; i < envBreakpointCount; ++i) {
      end += p.f.time * bps[i].time / 44100.0;
      if (end > v->timeOffset) {
        first = i;
        break;
      }
    }
    if (first < 0) return;
  }
  int last = p.source->lastIndex;
  last = numClamp(last, 0, envBreakpointCount - 1);
  p.columns = rect.right - rect.left;
  p.columns = numClamp<int>(p.columns, 0, envGraphMaxColumns);
  p.height = rect.bottom - rect.top;
  const double span = p.height - 8;
  const bool samplePos = slot->destination == envDestSampleJump;

  if (v->timeOffset == 0.0) {
    const double l = numClamp(p.f.amp * p.source->startLevel + p.f.offset, 0.0, 1.0);
    const std::int32_t y = samplePos ? rect.top + 3 : static_cast<std::int32_t>(rect.bottom - 5 - l * span);
    addPointHit(p, -1, rect.left, y);
  }

  *o.sustainX = -1;
  *o.loopStartX = slot->sustainIndex < first ? -1 : 0;
  double phase = 0.0;
  std::int32_t prevX = rect.left;
  bool pastSustain = false;
  for (int i = first; i <= last && prevX - rect.left < p.columns; ++i) {
    const std::int32_t x = rect.left + sampleSegment(p, i, &phase);
    const double level = numClamp(p.f.amp * bps[i].level + p.f.offset, 0.0, 1.0);
    std::int32_t y = static_cast<std::int32_t>(rect.bottom - 5 - level * span);
    if (rect.left <= x && x + 3 < rect.right) {
      if (samplePos) y = rect.top + 3;
      addPointHit(p, i, x, y);
    }
    if (slot->mode == envModeLoop && i < slot->loopStart) *o.loopStartX = static_cast<std::int16_t>(x - 1 - rect.left);
    if (!pastSustain && i > slot->sustainIndex) {
      pastSustain = true;
      *o.sustainX = static_cast<std::int16_t>(prevX - 1 - rect.left);
    }
    // Slope handle half way along the segment.
    const double hx = x - v->pixelsPerSecond * p.f.time * bps[i].time * 0.5 / 44100.0;
    const double prev = i == 0 ? p.source->startLevel : bps[i - 1].level;
    const double hv = numClamp(
        (prev + std::pow(0.5, p.f.slope * bps[i].slope) * (bps[i].level - prev)) * p.f.amp + p.f.offset, 0.0, 1.0);
    const double hy = rect.bottom - (hv * span + 2.0);
    if (!bps[i].step && rect.left < hx && hx < rect.right && !samplePos && hy >= rect.top &&
        *o.handleCount < envGraphHitCount) {
      const std::int32_t ix = static_cast<std::int32_t>(hx), iy = static_cast<std::int32_t>(hy);
      o.handleHits[(*o.handleCount)++] = {1, i, ix + 1, iy - 6, ix + 6, iy - 1};
    }
    prevX = x;
  }
  if (v->timeOffset == 0.0)
    o.curveY[0] =
        static_cast<std::int16_t>(numClamp(p.f.amp * p.source->startLevel + p.f.offset, 0.0, 1.0) * span + 2.0);
  else if (p.columns > 1)
    o.curveY[0] = o.curveY[1];
  if (*o.loopStartX == *o.sustainX) --*o.loopStartX;
}

bool envGraphIsLinkedSlot(Engine* engine, const EnvelopeSlot* slot) {
  if (!engine || !slot || !slot->linked) return false;
  const std::int32_t m = slot->linkMasterSlot;
  return m >= 0 && m < envSlotCount && engineGetEnvelopeSlot(engine, static_cast<std::int16_t>(m)) != slot;
}

EnvelopeSlot* envGraphSourceSlot(Engine* engine, EnvelopeSlot* slot) {
  if (!envGraphIsLinkedSlot(engine, slot)) return slot;
  return engineGetEnvelopeSlot(engine, static_cast<std::int16_t>(slot->linkMasterSlot));
}
