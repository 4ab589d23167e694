// "Fractalize" oscillator. Each layer walks the note cycle (its cycle phase, at the note's rate)
// segment by segment; inside a segment the table phase runs 1 / width times faster, so every
// segment holds one pass of wave A. Segments of zero width are skipped, and a layer that cannot
// make progress in three segment changes rests for the rest of the block, so every block ends.
#include "oscillators/oscFractal.h"

#include <cmath>
#include <cstring>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscHalfband.h"
#include "oscillators/oscSingle.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

const double runIncMax = 512.0;   // table increments above this are held for the run
const double amountMax = 4.0;     // layer gain ratio held here against hostile modulation

double lfoFactor(const OscVoiceState* state) {
  double p = 1.0;
  for (int i = 0; i < 3; ++i) p *= state->lfoFmIndex[i] ? *state->lfoFmIndex[i] : 1.0f;
  return p;
}

double finiteOr(double x, double fallback) { return std::isfinite(x) ? x : fallback; }

struct LayerContext {
  Engine* engine;
  const ChannelOscRecord* record;
  const float* plain;          // wave A
  FractalSegment* segments;    // the level's segment table inside the voice state
  int count;                   // segments of the level, 2^k
  float* target;               // voice buffer or oversampling area
  int frames;
  bool bandLimited;
  double inc;                  // the block's increment (per frame)
  double step;                 // its change per frame
  double rho;                  // detune of the layer
  double cycleInc;             // inc x rho and step x rho: the layer's cycle increment and its change
  double cycleStep;
  const float* bandTables;     // the unit's eight band-limited levels of wave A (oscPickTable's choice)
  double gain;                 // a^k
};

// The next segment of the level with a width above zero (at most one full turn of the table).
// x modulo count for x >= 0; counts are powers of two in the render (a mask instead of a division).
inline int segmentModulo(int x, int count) { return (count & (count - 1)) == 0 ? x & (count - 1) : x % count; }

void nextSegment(FractalLevel& level, const LayerContext& c) {
  for (int tries = 0; tries < c.count; ++tries) {
    level.currentSegment = static_cast<std::uint16_t>(segmentModulo(level.currentSegment + 1, c.count));
    if (c.segments[level.currentSegment].width > 0.0f) break;
  }
}

// Finds the next run of the layer from frame pos; false when the layer renders nothing more in
// this block.
bool fractNextRun(FractalLevel& level, const LayerContext& c, int& pos, FractalRun& run) {
  if (pos >= c.frames) return false;
  const int remaining = c.frames - pos;
  int m = 0;
  double local = 0.0, inverse = 0.0;
  for (int attempt = 0; attempt < 3 && m == 0; ++attempt) {
    if (level.segmentEnded) {
      nextSegment(level, c);
      level.segmentEnded = 0;
      if (level.cyclePhase >= 1024.0f) level.cyclePhase = oscWrapPhase(level.cyclePhase);
    }
    if (level.currentSegment >= c.count) level.currentSegment = 0;
    const FractalSegment& seg = c.segments[level.currentSegment];
    inverse = seg.inverseWidth;
    if (!(seg.width > 0.0f) || !(inverse > 0.0) || !std::isfinite(inverse)) {   // empty: skip it
      level.segmentEnded = 1;
      continue;
    }
    double d = static_cast<double>(level.cyclePhase) - seg.start;
    if (d < 0.0) d = oscWrapPhase(d);
    local = oscWrapPhase(d * inverse);
    m = fractAdvancePhase(&level, c.cycleInc, c.cycleStep, remaining);
    if (m < remaining) level.segmentEnded = 1;
  }
  if (m == 0) return false;

  // The layer gain ramps to a^k only in the run that completes the block.
  double startLevel = level.layerGain;
  if (!(std::fabs(startLevel) <= 1e12)) startLevel = c.gain;
  const int completes = pos + m >= c.frames ? 1 : 0;   // (pos + m) / frames, as pos + m <= frames
  const double endLevel = startLevel + completes * (c.gain - startLevel);
  level.layerGain = static_cast<float>(endLevel);

  double inc = c.inc * inverse * c.rho;
  double step = c.step * inverse * c.rho;
  int count = m;
  float* out = c.target + pos;
  const float* table = c.plain;
  if (c.bandLimited) {
    // Twice the rate: half the increment, a quarter of its change per rendered sample.
    inc *= 0.5;
    step *= 0.25;
    count = 2 * m;
    out = c.target + 2 * pos;
  }
  if (!(inc >= 0.0)) inc = 0.0;
  if (inc > runIncMax) inc = runIncMax;
  if (!(std::fabs(step) * count <= 1024.0)) step = 0.0;
  if (local + count * inc + count * step >= 65536.0) step = 0.0;
  if (c.bandLimited) {
    // oscPickTable's choice without its call: the plain wave up to 1.0, then the level that suits.
    const int band = oscPickLevel(static_cast<float>(inc));
    if (band >= 0) table = c.bandTables + band * oscTableLength;
  }

  run.phase = static_cast<float>(local);
  run.inc = static_cast<float>(inc);
  run.step = static_cast<float>(step);
  run.out = out;
  run.table = table;
  run.level = static_cast<float>(startLevel);
  const double levelChange = endLevel - startLevel;
  run.levelStep = levelChange == 0.0 ? 0.0f : static_cast<float>(levelChange / count);   // 0 / count is +0
  run.count = static_cast<std::int16_t>(count);
  pos += m;
  return true;
}

void fractRenderRun(const FractalRun& run) {
  OscPhaseRamp r{static_cast<std::uint32_t>(run.phase * 65536.0f) & oscPhaseMask,
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(run.inc * 65536.0f)),
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(run.step * 65536.0f))};
  float* out = run.out;
  const int count = run.count;
  float level = run.level;
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  // A level that does not move (the usual case once the layer has reached its gain) is a constant;
  // a moving one is first laid out sample by sample, summed exactly as the plain loop does. A
  // constant -0 is left to the plain loop: its first step turns it into +0.
  if (count >= 4) {
    float levels[2 * engineBlockMax];
    const bool still = run.levelStep == 0.0f && !(level == 0.0f && std::signbit(level));
    if (!still) {
      float l = level;
      for (int i = 0; i < count; ++i) {
        levels[i] = l;
        l += run.levelStep;
      }
    }
    const __m128 held = _mm_set1_ps(level);
    OscPhaseRamp4 r4(r);
    for (; j + 4 <= count; j += 4) {
      const __m128 g = still ? held : _mm_loadu_ps(levels + j);
      _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), _mm_mul_ps(oscTableRead4(run.table, r4.p), g)));
      r4.advance();
    }
    r = r4.scalar(r.step);
    if (j < count) level = still ? level : levels[j];
  }
#endif
  for (; j < count; ++j) {
    out[j] += oscTableRead(run.table, r.next()) * level;
    level += run.levelStep;
  }
}

}  // namespace

double fractDetuneRatio(double r, double t) {
  const double e = (2.0 * r - 1.0) * t / 12.0;
  return e == 0.0 ? 1.0 : finiteOr(std::pow(2.0, e), 1.0);
}

int fractAdvancePhase(FractalLevel* level, double i, double t, int limit) {
  const int count = level->segmentCount > 0 && level->segmentCount <= 64 ? level->segmentCount : 1;
  const double end = level->segments ? level->segments[segmentModulo(level->currentSegment, count)].end : 1024.0;
  double phase = level->cyclePhase;
  int n = 0;
  while (n < limit && phase < end) {
    i += t;
    phase += i;
    ++n;
  }
  if (phase >= 1024.0) level->segmentEnded = 1;
  level->cyclePhase = oscWrapPhase(phase);
  return n;
}

void oscRenderFractalize(Engine* engine, ChannelOscRecord* record, std::int16_t channel,
                         std::int16_t frames) {
  if (!engine || !record || channel < 0 || channel >= engineChannels || frames < 1 || frames > engineBlockMax)
    return;
  const int unit = oscRecordUnit(record, channel);
  const bool bandLimited = record->bandLimited != 0;
  const double t = oscSpreadRatio(record);
  const int layers = record->iterations < 0 ? 0 : (record->iterations > oscFractalLevels ? oscFractalLevels
                                                                                         : record->iterations);
  LayerContext c;
  c.engine = engine;
  c.record = record;
  c.plain = waveGet(engine, static_cast<std::int16_t>(record->waveA))->samples;
  c.bandTables = engine->wavetables[oscRecordUnit(record, 0)].waveA[0];
  c.frames = frames;
  c.bandLimited = bandLimited;

  engine->voiceCursor = -1;
  std::int16_t v;
  while ((v = engineNextActiveVoice(engine)) >= 0) {
    float* buffer = engine->voiceBuffers[channel][v];
    if (!buffer) continue;
    if (oscVoiceSilent(engine, record, v)) {
      oscClearVoiceBuffer(engine, channel, v, frames);
      continue;
    }
    OscVoiceState* state = engineGetOscVoiceState(engine, channel, v);
    state->voiceIndex = v;
    const float* mod = engine->modMultipliers[unit][v];

    // Displacement, pulled toward 0.5 as the pitch rises.
    double d = static_cast<double>(record->displacement) * mod[32] * state->velocityParam * lfoFactor(state) *
               ccMapFmFactor(engine, static_cast<std::int16_t>(unit));
    d = finiteOr(d, 0.5);
    const double inc = oscVoicePitch(engine, record, state);
    double x = inc * record->iterations / 1024.0;
    x = !(x > 0.0) ? 0.0 : (x > 1.0 ? 1.0 : x);
    const double w = std::pow(x, 0.2);
    double pulled = d + w * (0.5 - d);
    pulled = !(pulled >= 0.0) ? 0.0 : (pulled > 1.0 ? 1.0 : pulled);
    const float split = static_cast<float>(pulled);
    state->fractalSplit[1] = split;
    if (split != state->fractalSplit[0]) {
      fractBuildTree(state, split);
      state->fractalSplit[0] = split;
    }

    c.target = bandLimited ? engine->wavetables[unit].oversample : buffer;
    std::memset(c.target, 0, sizeof(float) * static_cast<std::size_t>(bandLimited ? 2 * frames : frames));

    double a = static_cast<double>(record->amount) * mod[34] * state->velocityParam;
    a = !(a >= 0.0) ? 0.0 : (a > amountMax ? amountMax : a);
    double previous = state->incA;
    previous = !(previous >= 0.0) ? 0.0 : (previous > oscIncrementMax ? oscIncrementMax : previous);
    c.inc = inc;
    c.step = (inc - previous) / frames;
    state->incA = static_cast<float>(inc);
    const double depth = static_cast<double>(record->randTrans) * mod[36];

    double sum = 0.0, g = 1.0;
    int first = 0;
    for (int k = 0; k < layers; ++k) {
      FractalLevel& level = state->fractalLevels[k];
      level.segmentCount = static_cast<std::int16_t>(1 << k);
      level.segments = state->fractalSegments + first;
      c.segments = level.segments;
      c.count = 1 << k;
      first += c.count;
      c.rho = finiteOr(oscUnisonSpread(k, t) * fractDetuneRatio(state->unisonRandom[k], depth), 1.0);
      c.cycleInc = c.inc * c.rho;
      c.cycleStep = c.step * c.rho;
      c.gain = g;
      int pos = 0;
      FractalRun run;
      while (fractNextRun(level, c, pos, run)) fractRenderRun(run);
      sum += g;
      g *= a;
    }
    if (bandLimited) oscDownsampleVoice(engine, record, state, buffer, frames);
    const float scale = sum >= 1.0 && std::isfinite(sum) ? static_cast<float>(1.0 / sum) : 1.0f;
    oscApplyAmplitude(engine, record, state, scale, buffer, frames);
  }
}

void fractBuildTree(OscVoiceState* state, float x) {
  if (!(x >= 0.0f)) x = x != x ? 0.5f : 0.0f;
  if (x > 1.0f) x = 1.0f;
  FractalSegment* seg = state->fractalSegments;
  seg[0] = FractalSegment{1.0f, 1.0f, 1024.0f, 1024.0f, 0.0f};
  int parent = 0;
  int first = 1;
  for (int level = 1; level < oscFractalLevels; ++level) {
    const int count = 1 << level;
    float start = 0.0f;
    for (int j = 0; j < count; ++j) {
      const float f = seg[parent + j / 2].width * ((j & 1) ? 1.0f - x : x);
      FractalSegment& s = seg[first + j];
      s.width = f;
      s.inverseWidth = f > 0.0f ? 1.0f / f : 0.0f;
      if (!std::isfinite(s.inverseWidth)) s.inverseWidth = 0.0f;
      s.length = f * 1024.0f;
      s.start = start;
      s.end = j == count - 1 ? 1024.0f : start + s.length;
      start = s.end;
    }
    parent = first;
    first += count;
  }
}
