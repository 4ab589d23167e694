// "FM" oscillator: per unison voice wave B (the modulator, 16.16 fixed point) scaled by the FM index
// is added to the phase of wave A (the carrier, floating point). The index is a peak deviation in
// table samples (1024 / 2 pi per radian). A modulated phase far outside the table (a huge index) is
// reduced modulo 1024 before its integer part is taken.
#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/lanes.h"
#include "engine/numeric.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

const double tiny = 1e-24;          // keeps ramps and output off exact zero
const double modulatorMax = 504.0;  // highest modulator increment
const double indexMax = 1e12;       // index values beyond this are held (phase units)
const int chunk = 64;               // the carrier phase is reduced modulo 1024 this often

double limitIndex(double x) { return numClampOr(x, -indexMax, indexMax, 0.0); }

// The carrier of one unison voice: its phase c and increment ci (floating point) and the modulator
// term y of every sample (the modulator's reading times the index).
struct Carrier {
  float c;
  float ci;
  float step;
  const float* y;
};

// Each lane's table sample at its index (0..1023) and the next one (wrapping): lane by lane, or for
// four lanes with the shared four-lane read (two neighbours in one 64-bit load).
template <class L>
struct TableGather {
  static LANES_INLINE void pairs(const float* table, const typename L::Ints& i, typename L::Value& a,
                                 typename L::Value& b) {
    for (int l = 0; l < L::width; ++l) {
      const std::int32_t k = L::getInt(i, l);
      L::set(a, l, table[k]);
      L::set(b, l, table[(k + 1) & 1023]);
    }
  }
};
#ifdef OSC_TABLE_READ_SSE2
template <>
struct TableGather<Lanes<float, 4>> {
  static LANES_INLINE void pairs(const float* table, const Lanes<float, 4>::Ints& i, Lanes<float, 4>::Value& a,
                                 Lanes<float, 4>::Value& b) {
    __m128 va, vb;
    oscTableGather4(table, reinterpret_cast<const __m128i&>(i), va, vb);
    a = va;
    b = vb;
  }
};
#endif

// The carrier values of one sample for W unison voices side by side, one per lane (L = Lanes<float,
// W>; W = 1 the plain scalar form); moves the carriers on. Every lane gets the same single-precision
// steps in the same order, whatever the width. A lane far outside the table is reduced lane by lane.
// (The values come back through `value`: a 32-byte vector returned by value from code compiled without
// AVX would change the calling convention.)
template <class L>
LANES_INLINE void carrierSample(typename L::Value& c, typename L::Value& ci, const typename L::Value& step,
                                const typename L::Value& y, const float* tableA, typename L::Value& value) {
  typedef typename L::Value Vec;
  typedef typename L::Ints Ints;
  const int W = L::width;
  c = c >= 1024.0f ? c - 1024.0f : c;
  Vec p = y + c;
  c += ci;
  ci += step;
  if (!L::all((p > -32768.0f) & (p < 32768.0f))) {  // far outside the table: reduce first
    for (int l = 0; l < W; ++l) {
      float q = L::get(p, l);
      if (!(q > -32768.0f && q < 32768.0f)) {
        q = q - 1024.0f * std::floor(q / 1024.0f);
        if (!(q >= 0.0f && q < 1024.0f)) q = 0.0f;
        L::set(p, l, q);
      }
    }
  }
  Ints whole;
  Vec fraction;
  L::floorSplit(p, whole, fraction);
  const Ints i = whole & 1023;
  Vec a{}, b{};
  TableGather<L>::pairs(tableA, i, a, b);
  value = static_cast<float>(tiny) + a + (b - a) * fraction;
}

// Adds P x W unison voices into out, in voice order for each sample (the order of the plain sum):
// their phase recursions run side by side, W voices in the lanes of each of P vectors. The carriers
// are worked on in local copies: the stores into out could otherwise alias them and hold their
// recursions up. Every 64 samples each phase is reduced modulo 1024.
template <int P, class L>
LANES_INLINE void addCarriers(Carrier* carriers, const float* tableA, float* out, int n) {
  typedef typename L::Value Vec;
  const int W = L::width;
  Vec c[P]{}, ci[P]{}, step[P]{};
  const float* y[P * W];
  for (int q = 0; q < P; ++q)
    for (int l = 0; l < W; ++l) {
      const Carrier& k = carriers[W * q + l];
      L::set(c[q], l, k.c);
      L::set(ci[q], l, k.ci);
      L::set(step[q], l, k.step);
      y[W * q + l] = k.y;
    }
  for (int j0 = 0; j0 < n; j0 += chunk) {
    const int j1 = j0 + chunk < n ? j0 + chunk : n;
    for (int j = j0; j < j1; ++j) {
      Vec v[P];
      for (int q = 0; q < P; ++q) {
        Vec t;
        L::gather(t, y + W * q, j);
        carrierSample<L>(c[q], ci[q], step[q], t, tableA, v[q]);
      }
      float o = out[j];
      for (int q = 0; q < P; ++q)
        for (int l = 0; l < W; ++l) o += L::get(v[q], l);
      out[j] = o;
    }
    for (int q = 0; q < P; ++q)
      for (int l = 0; l < W; ++l) L::set(c[q], l, std::fmod(L::get(c[q], l), 1024.0f));
  }
  for (int q = 0; q < P; ++q)
    for (int l = 0; l < W; ++l) {
      carriers[W * q + l].c = L::get(c[q], l);
      carriers[W * q + l].ci = L::get(ci[q], l);
    }
}

// Adds `count` unison voices (at most 8) into out on the lane set chosen at engine set-up: whole
// vectors while enough voices are left, then two voices side by side in plain code, then one.
template <int Set>
LANES_INLINE void addCarriersSet(Carrier* carriers, int count, const float* tableA, float* out, int n) {
  typedef typename LaneSetTypes<Set>::Floats L;
  typedef Lanes<float, 1> One;
  const int W = L::width;
  int k = 0;
  if (W > 1)
    for (; k + W <= count; k += W) addCarriers<1, L>(carriers + k, tableA, out, n);
  if (W > 4 && k + 4 <= count) {  // the rest of an AVX group: four voices in SSE vectors
    addCarriers<1, Lanes<float, 4>>(carriers + k, tableA, out, n);
    k += 4;
  }
  for (; k + 2 <= count; k += 2) addCarriers<2, One>(carriers + k, tableA, out, n);
  for (; k < count; ++k) addCarriers<1, One>(carriers + k, tableA, out, n);
}

void addCarriersScalar(Carrier* carriers, int count, const float* tableA, float* out, int n) {
  addCarriersSet<laneSetScalar>(carriers, count, tableA, out, n);
}

void addCarriersSse2(Carrier* carriers, int count, const float* tableA, float* out, int n) {
  addCarriersSet<laneSetSse2>(carriers, count, tableA, out, n);
}

#if LANES_AVX
// The 32-bit build has eight vector registers only: there eight carrier lanes spill more than they
// gain (FM x8 under Wine took about a quarter longer than on four lanes), so its AVX form runs four lanes.
LANES_TARGET_AVX void addCarriersAvx(Carrier* carriers, int count, const float* tableA, float* out, int n) {
#if defined(__i386__)
  addCarriersSet<laneSetSse2>(carriers, count, tableA, out, n);
#else
  addCarriersSet<laneSetAvx>(carriers, count, tableA, out, n);
#endif
}
#endif

void addCarriersAll(Carrier* carriers, int count, const float* tableA, float* out, int n) {
  switch (lanesActive) {
    case laneSetScalar: addCarriersScalar(carriers, count, tableA, out, n); break;
#if LANES_AVX
    case laneSetAvx: addCarriersAvx(carriers, count, tableA, out, n); break;
#endif
    default: addCarriersSse2(carriers, count, tableA, out, n); break;
  }
}

// The modulator term of every sample: wave B along its ramp times the index curve.
void modulatorTerms(const float* tableB, OscPhaseRamp& m, const float* index, float* y, int n) {
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  if (n >= 4) {
    OscPhaseRamp4 m4(m);
    for (; j + 4 <= n; j += 4) {
      _mm_storeu_ps(y + j, _mm_mul_ps(oscTableRead4(tableB, m4.p), _mm_loadu_ps(index + j)));
      m4.advance();
    }
    m = m4.scalar(m.step);
  }
#endif
  for (; j < n; ++j) y[j] = oscTableRead(tableB, m.next()) * index[j];
}

}  // namespace

void oscRenderFm(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  OscUnisonBlock block;
  if (!oscUnisonBegin(&block, engine, record, channel, frames, false)) return;
  const float* tableA = block.plainA;
  const float* tableB = block.plainB;
  const int n = frames;
  float index[engineBlockMax];
  float terms[oscUnisonMax][engineBlockMax];

  OscUnisonVoice voice;
  while (oscUnisonNextVoice(&block, &voice)) {
    OscVoiceState* state = voice.state;
    const float* mod = voice.mod;
    float* out = voice.out;
    const double shiftA = voice.shiftA;

    double target = (record->fmIndex * state->velocityParam * mod[modRowOscIndex] + tiny);
    for (int i = 0; i < 3; ++i) target *= state->lfoFmIndex[i] ? *state->lfoFmIndex[i] : 1.0f;
    target = limitIndex(target * ccMapFmFactor(engine, static_cast<std::int16_t>(block.unit)));
    const float index0 = static_cast<float>(limitIndex(state->fmIndex));
    const float indexStep = static_cast<float>((target + tiny - index0) / n);
    // The index curve: the same for every unison voice.
    float x = index0;
    for (int j = 0; j < n; ++j) {
      index[j] = x;
      x += indexStep;
    }
    const float indexEnd = x;

    Carrier carriers[oscUnisonMax];
    OscPhaseRamp modulators[oscUnisonMax];
    for (int k = 0; k < block.unison; ++k) {
      const double f = voice.detune[k];
      // Carrier: floating-point phase and increment.
      const float c = oscWrapPhase(shiftA + state->unisonPhaseA[k]);
      const OscWaveRamp car = oscDoubleRamp(&state->unisonIncA[k], f * voice.incA + tiny, n, c, 0);
      carriers[k] = Carrier{c, car.start, car.stepValue, terms[k]};
      // Modulator: 16.16 fixed point, increment at most 504.
      double mi = f * voice.incB;
      if (!(mi <= modulatorMax)) mi = mi > modulatorMax ? modulatorMax : 0.0;
      const double phaseB = oscWrapPhase(static_cast<double>(record->phaseB) + state->unisonPhaseB[k]) + tiny;
      modulators[k] = oscWaveRampPhase(oscDoubleRamp(&state->unisonIncB[k], mi + tiny, n, phaseB, 0));
      modulatorTerms(tableB, modulators[k], index, terms[k], n);
    }
    addCarriersAll(carriers, block.unison, tableA, out, n);
    for (int k = 0; k < block.unison; ++k) {
      state->unisonPhaseA[k] = oscWrapPhase(carriers[k].c - shiftA);
      state->unisonPhaseB[k] = oscWrapPhase(modulators[k].p / 65536.0 - record->phaseB);
      state->incA = carriers[k].ci;
    }
    state->fmIndex = std::isfinite(indexEnd) ? indexEnd : 0.0f;
    oscApplyAmplitude(engine, record, state, block.scale, out, frames);
  }
}
