// "Fractalize" oscillator. Each layer walks the note cycle (its cycle phase, at the note's rate)
// segment by segment; inside a segment the table phase runs 1 / width times faster, so every
// segment holds one pass of wave A. Segments of zero width are skipped, and a layer that cannot
// make progress in three segment changes rests for the rest of the block, so every block ends.
#include "oscillators/oscFractal.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscHalfband.h"
#include "oscillators/oscSingle.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

const double runIncMax = 512.0;  // table increments above this are held for the run
const double amountMax = 4.0;    // layer gain ratio held here against hostile modulation

double lfoFactor(const OscVoiceState* state) {
  double p = 1.0;
  for (int i = 0; i < 3; ++i) p *= state->lfoFmIndex[i] ? *state->lfoFmIndex[i] : 1.0f;
  return p;
}

struct LayerContext {
  Engine* engine;
  const ChannelOscRecord* record;
  const float* plain;        // wave A
  FractalSegment* segments;  // the level's segment table inside the voice state
  int count;                 // segments of the level, 2^k
  float* target;             // voice buffer or oversampling area
  int frames;
  bool bandLimited;
  double inc;       // the block's increment (per frame)
  double step;      // its change per frame
  double rho;       // detune of the layer
  double cycleInc;  // inc x rho and step x rho: the layer's cycle increment and its change
  double cycleStep;
  const float* bandTables;  // the unit's eight band-limited levels of wave A (oscPickTable's choice)
  double gain;              // a^k
};

// x modulo count for x >= 0; counts are powers of two in the render (a mask instead of a division).
inline int segmentModulo(int x, int count) { return (count & (count - 1)) == 0 ? x & (count - 1) : x % count; }

// The cycle walk of fractAdvancePhase inside a segment ending at end: the count of frames, the new
// cycle phase (wrapped) and whether the walk passed the end of the cycle.
// `steady` (t is +-0): i + t is i but for a zero i, and the phase moves by +-0 either way, so the
// increment is left as it is.
template <bool steady = false>
inline int fractWalk(float& cyclePhase, double i, double t, int limit, double end, bool& turned) {
  double phase = cyclePhase;
  int n = 0;
  while (n < limit && phase < end) {
    if (!steady) i += t;
    phase += i;
    ++n;
  }
  turned = phase >= 1024.0;
  cyclePhase = oscWrapPhase(phase);
  return n;
}

// The weights f / 256 of the interpolation (bits 8..15 of the phase), as oscTableRead computes them:
// a load costs less than the conversion and product in a short run.
struct FractWeights {
  float w[256];
  constexpr FractWeights() : w() {
    for (int k = 0; k < 256; ++k) w[k] = static_cast<float>(k) * 0.00390625f;
  }
};
constexpr FractWeights fractWeights;

inline float fractTableRead(const float* table, std::uint32_t p) {
  const std::uint32_t i = (p >> 16) & 1023u;
  const float a = table[i];
  return a + (table[(i + 1) & 1023u] - a) * fractWeights.w[(p >> 8) & 0xFFu];
}

// Adds one run of wave A: the 16.16 ramp from the run's float phase, increment and change; the
// level from its float start, moving by levelStep each rendered sample. Left to itself the compiler
// may keep it a call, whose saved registers cost more than a short run (a high note starts a run
// every frame or two): it is always inlined.
__attribute__((always_inline)) inline void fractRenderRun(const float* table, float* out, int count, float phase,
                                                          float runInc, float runStep, float level, float levelStep) {
  OscPhaseRamp r{static_cast<std::uint32_t>(phase * 65536.0f) & oscPhaseMask,
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(runInc * 65536.0f)),
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(runStep * 65536.0f))};
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  // Two samples (one frame at twice the rate, most runs of the upper layers), in two lanes when
  // neither reads the table's last sample.
  if (count == 2) {
    const std::uint32_t p1 = (r.p + r.inc) & oscPhaseMask;
    const std::uint32_t i0 = r.p >> 16, i1 = p1 >> 16;
    if (i0 != 1023u && i1 != 1023u) {
      const __m128 q0 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + i0)));
      const __m128 q1 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + i1)));
      const __m128 a = _mm_unpacklo_ps(q0, q1);  // table[i0], table[i1], table[i0 + 1], table[i1 + 1]
      const __m128 b = _mm_movehl_ps(a, a);
      const __m128 w = _mm_unpacklo_ps(_mm_load_ss(&fractWeights.w[(r.p >> 8) & 0xFFu]),
                                       _mm_load_ss(&fractWeights.w[(p1 >> 8) & 0xFFu]));
      const __m128 g = _mm_unpacklo_ps(_mm_set_ss(level), _mm_set_ss(level + levelStep));
      const __m128 v = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), w));
      const __m128 o = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(out)));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_castps_si128(_mm_add_ps(o, _mm_mul_ps(v, g))));
      return;
    }
  }
  // A level that does not move (the usual case once the layer has reached its gain) is a constant;
  // a moving one is first laid out sample by sample, summed exactly as the plain loop does. A
  // constant -0 is left to the plain loop: its first step turns it into +0.
  if (count >= 8) {  // shorter runs: the set-up of four lanes costs more than it saves
    float levels[2 * engineBlockMax];
    const bool still = levelStep == 0.0f && !(level == 0.0f && std::signbit(level));
    if (!still) {
      float l = level;
      for (int i = 0; i < count; ++i) {
        levels[i] = l;
        l += levelStep;
      }
    }
    OscPhaseRamp4 r4(r);
    if (still) {
      const __m128 held = _mm_set1_ps(level);
      for (; j + 4 <= count; j += 4) {
        _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), _mm_mul_ps(oscTableRead4(table, r4.p), held)));
        r4.advance();
      }
    } else {
      for (; j + 4 <= count; j += 4) {
        const __m128 g = _mm_loadu_ps(levels + j);
        _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), _mm_mul_ps(oscTableRead4(table, r4.p), g)));
        r4.advance();
      }
    }
    if (j == count) return;
    r = r4.scalar(r.step);
    level = still ? level : levels[j];
  }
#endif
  for (; j < count; ++j) {
    out[j] += fractTableRead(table, r.next()) * level;
    level += levelStep;
  }
}

// One layer through the block: each run stays inside one segment. A segment that ends (or a walk
// past the end of the cycle) moves the layer on to the next segment with a width above zero; an
// empty segment is skipped; a layer that makes no progress in three tries rests for the rest of the
// block. The layer's state is worked on in locals and stored back at the end.
// `usable`: every segment of the level has a width above 0 and a finite inverse above 0 (the caller
// checks once per block), so the skip of empty segments and its tests drop out of the run loop.
// `steady`: the block's increment does not change (c.step is 0), so neither does a run's: its change
// is 0 x (finite inverse width and detune) = +-0, and every test of it keeps a zero change.
template <bool bandLimited, bool usable, bool steady>
void fractRenderLayer(FractalLevel& level, const LayerContext& c) {
  const int count = c.count;  // 2^k
  const FractalSegment* segments = c.segments;
  const int frames = c.frames;
  float cyclePhase = level.cyclePhase;
  int current = level.currentSegment;
  bool ended = level.segmentEnded != 0;
  float layerGain = level.layerGain;
  // The level at the start of each run: the gain the previous run ended with. Only the first run
  // can meet a stored gain out of range (later ones start from a level within it, or from a^k).
  double startLevel = layerGain;
  if (!(std::fabs(startLevel) <= 1e12)) startLevel = c.gain;
  int pos = 0;
  while (pos < frames) {
    const int remaining = frames - pos;
    double local = 0.0, inverse = 0.0;
    // One try at a run: on to the next segment when the last one ended, then the walk inside it
    // (inlined at each use: as a call its shared locals would live in memory).
    auto attempt = [&]() __attribute__((always_inline)) {
      if (ended) {
        if (usable) {
          current = (current + 1) & (count - 1);
        } else {
          for (int tries = 0; tries < count; ++tries) {
            current = (current + 1) & (count - 1);
            if (segments[current].width > 0.0f) break;
          }
        }
        ended = false;
        if (cyclePhase >= 1024.0f) cyclePhase = oscWrapPhase(cyclePhase);
      }
      if (current >= count) current = 0;
      const FractalSegment& seg = segments[current];
      const float inverseWidth = seg.inverseWidth;  // above 0 and finite, or the segment is skipped
      if (!usable && (!(seg.width > 0.0f) || !(inverseWidth > 0.0f && inverseWidth <= FLT_MAX))) {  // empty: skip it
        ended = true;
        return 0;
      }
      inverse = inverseWidth;
      double d = static_cast<double>(cyclePhase) - seg.start;
      if (d < 0.0) d = oscWrapPhase(d);
      local = oscWrapPhase(d * inverse);
      bool turned;
      const int n = fractWalk<steady>(cyclePhase, c.cycleInc, c.cycleStep, remaining, seg.end, turned);
      if (turned || n < remaining) ended = true;
      return n;
    };
    // Three tries; a try without progress is rare (a segment passed whole in the last walk).
    int m = attempt();
    if (__builtin_expect(m == 0, 0)) {
      m = attempt();
      if (m == 0) m = attempt();
      if (m == 0) break;
    }

    // The layer gain ramps to a^k only in the run that completes the block.
    const int completes = pos + m >= frames ? 1 : 0;  // (pos + m) / frames, as pos + m <= frames
    // A run that does not complete the block adds 0 x (finite difference) = +-0: a level other
    // than zero stays exactly as it is (a zero may change its sign, so it takes the sum).
    const double endLevel =
        completes == 0 && startLevel != 0.0 ? startLevel : startLevel + completes * (c.gain - startLevel);
    layerGain = static_cast<float>(endLevel);

    double inc = c.inc * inverse * c.rho;
    double step = steady ? 0.0 : c.step * inverse * c.rho;
    int n = m;
    float* out = c.target + pos;
    const float* table = c.plain;
    if (bandLimited) {
      // Twice the rate: half the increment, a quarter of its change per rendered sample.
      inc *= 0.5;
      step *= 0.25;
      n = 2 * m;
      out = c.target + 2 * pos;
    }
    inc = numClamp(inc, 0.0, runIncMax);
    if (!steady) {
      if (!(std::fabs(step) * n <= 1024.0)) step = 0.0;
      // With local < 1024, inc <= 512 and |n x step| <= 1024 the phase stays below 2048 + 512 n: the
      // test can only catch runs of more than 123 samples.
      if (n > 123 && local + n * inc + n * step >= 65536.0) step = 0.0;
    }
    if (bandLimited) {
      // oscPickTable's choice without its call: the plain wave up to 1.0, then the level that suits.
      const int band = oscPickLevel(static_cast<float>(inc));
      if (band >= 0) table = c.bandTables + band * oscTableLength;
    }
    const double levelChange = endLevel - startLevel;
    const float levelStep = levelChange == 0.0 ? 0.0f : static_cast<float>(levelChange / n);  // 0 / n is +0
    fractRenderRun(table, out, n, static_cast<float>(local), static_cast<float>(inc), static_cast<float>(step),
                   static_cast<float>(startLevel), levelStep);
    startLevel = layerGain;
    pos += m;
  }
  level.cyclePhase = cyclePhase;
  level.currentSegment = static_cast<std::uint16_t>(current);
  level.segmentEnded = ended ? 1 : 0;
  level.layerGain = layerGain;
}

// True when every segment of a level has a width above 0 and an inverse above 0 and at most the
// largest float, the segments the run loop takes without testing them.
bool fractLevelUsable(const FractalSegment* segments, int count) {
  int j = 0;
  bool usable = true;
#ifdef OSC_TABLE_READ_SSE2
  // Width and inverse lie side by side: two segments a step, every lane above 0 and at most the
  // largest float (at most infinity for a width, which the loop never divides by).
  const __m128 zero = _mm_setzero_ps();
  const __m128 top = _mm_setr_ps(INFINITY, FLT_MAX, INFINITY, FLT_MAX);
  __m128 ok = _mm_cmpeq_ps(zero, zero);
  for (; j + 2 <= count; j += 2) {
    const __m128 v =
        _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&segments[j].width))),
                     reinterpret_cast<const __m64*>(&segments[j + 1].width));
    ok = _mm_and_ps(ok, _mm_and_ps(_mm_cmpgt_ps(v, zero), _mm_cmple_ps(v, top)));
  }
  usable = _mm_movemask_ps(ok) == 15;
#endif
  for (; j < count; ++j) {
    const FractalSegment& seg = segments[j];
    usable = usable && seg.width > 0.0f && seg.inverseWidth > 0.0f && seg.inverseWidth <= FLT_MAX;
  }
  return usable;
}

// The layer routine by band limiting, usable segments and steady increment.
void (*const fractLayerRoutines[2][2][2])(FractalLevel&, const LayerContext&) = {
    {{fractRenderLayer<false, false, false>, fractRenderLayer<false, false, true>},
     {fractRenderLayer<false, true, false>, fractRenderLayer<false, true, true>}},
    {{fractRenderLayer<true, false, false>, fractRenderLayer<true, false, true>},
     {fractRenderLayer<true, true, false>, fractRenderLayer<true, true, true>}},
};

}  // namespace

double fractDetuneRatio(double r, double t) {
  const double e = (2.0 * r - 1.0) * t / 12.0;
  return e == 0.0 ? 1.0 : numFiniteOr<double>(std::pow(2.0, e), 1.0);
}

int fractAdvancePhase(FractalLevel* level, double i, double t, int limit) {
  const int count = level->segmentCount > 0 && level->segmentCount <= 64 ? level->segmentCount : 1;
  const double end = level->segments ? level->segments[segmentModulo(level->currentSegment, count)].end : 1024.0;
  bool turned;
  const int n = t == 0.0 ? fractWalk<true>(level->cyclePhase, i, t, limit, end, turned)
                         : fractWalk(level->cyclePhase, i, t, limit, end, turned);
  if (turned) level->segmentEnded = 1;
  return n;
}

void oscRenderFractalize(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || channel < 0 || channel >= engineChannels || frames < 1 || frames > engineBlockMax) return;
  const int unit = oscRecordUnit(record, channel);
  const bool bandLimited = record->bandLimited != 0;
  const double t = oscSpreadRatio(record);
  const int layers = numClamp<std::int32_t>(record->iterations, 0, oscFractalLevels);
  LayerContext c;
  c.engine = engine;
  c.record = record;
  c.plain = waveGet(engine, static_cast<std::int16_t>(record->waveA))->samples;
  c.bandTables = engine->wavetables[oscRecordUnit(record, 0)].waveA[0];
  c.frames = frames;
  c.bandLimited = bandLimited;

  engine->voiceCursor = -1;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, channel, frames, true, &v, &buffer)) {
    const float* mod = engine->modMultipliers[unit][v];

    // Displacement, pulled toward 0.5 as the pitch rises.
    double d = static_cast<double>(record->displacement) * mod[modRowFractDisplacement] * state->velocityParam *
               lfoFactor(state) * ccMapFmFactor(engine, static_cast<std::int16_t>(unit));
    d = numFiniteOr<double>(d, 0.5);
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

    double a = static_cast<double>(record->amount) * mod[modRowFractAmount] * state->velocityParam;
    a = !(a >= 0.0) ? 0.0 : (a > amountMax ? amountMax : a);
    double previous = state->incA;
    previous = !(previous >= 0.0) ? 0.0 : (previous > oscIncrementMax ? oscIncrementMax : previous);
    c.inc = inc;
    c.step = (inc - previous) / frames;
    state->incA = static_cast<float>(inc);
    const double depth = static_cast<double>(record->randTrans) * mod[modRowUnisonRandTrans];

    double sum = 0.0, g = 1.0;
    int first = 0;
    for (int k = 0; k < layers; ++k) {
      FractalLevel& level = state->fractalLevels[k];
      level.segmentCount = static_cast<std::int16_t>(1 << k);
      level.segments = state->fractalSegments + first;
      c.segments = level.segments;
      c.count = 1 << k;
      first += c.count;
      c.rho = numFiniteOr<double>(oscUnisonSpread(k, t) * fractDetuneRatio(state->unisonRandom[k], depth), 1.0);
      c.cycleInc = c.inc * c.rho;
      c.cycleStep = c.step * c.rho;
      c.gain = g;
      fractLayerRoutines[bandLimited][fractLevelUsable(c.segments, c.count)][c.step == 0.0](level, c);
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
