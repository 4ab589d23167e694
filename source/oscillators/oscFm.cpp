// "FM" oscillator: per unison voice wave B (the modulator, 16.16 fixed point) scaled by the FM index
// is added to the phase of wave A (the carrier, floating point). The index is a peak deviation in
// table samples (1024 / 2 pi per radian). A modulated phase far outside the table (a huge index) is
// reduced modulo 1024 before its integer part is taken.
#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

const double tiny = 1e-24;               // keeps ramps and output off exact zero
const double modulatorMax = 504.0;       // highest modulator increment
const double indexMax = 1e12;            // index values beyond this are held (phase units)
const int chunk = 64;                    // the carrier phase is reduced modulo 1024 this often

double limitIndex(double x) {
  if (!(x >= -indexMax)) return x != x ? 0.0 : -indexMax;
  return x > indexMax ? indexMax : x;
}

// The carrier of one unison voice: its phase c and increment ci (floating point) and the modulator
// term y of every sample (the modulator's reading times the index).
struct Carrier {
  float c;
  float ci;
  float step;
  const float* y;
};

// The carrier value of one sample; moves the carrier on.
__attribute__((always_inline)) inline float carrierSample(Carrier& k, const float* tableA, int j) {
  if (k.c >= 1024.0f) k.c -= 1024.0f;
  float p = k.y[j] + k.c;
  k.c += k.ci;
  k.ci += k.step;
  if (!(p > -32768.0f && p < 32768.0f)) {   // far outside the table: reduce first
    p = p - 1024.0f * std::floor(p / 1024.0f);
    if (!(p >= 0.0f && p < 1024.0f)) p = 0.0f;
  }
  int whole = static_cast<int>(p);   // floor: truncation, one less for negative fractions
  whole -= p < static_cast<float>(whole);
  const float fraction = p - static_cast<float>(whole);
  const int i = whole & 1023;
  const float a = tableA[i];
  return static_cast<float>(tiny) + a + (tableA[(i + 1) & 1023] - a) * fraction;
}

// Adds one unison voice into out. The carrier is worked on in a local copy: the stores into out
// could otherwise alias it and hold its recursion up.
void addCarrier(Carrier& carrier, const float* tableA, float* out, int n) {
  Carrier a = carrier;
  for (int j0 = 0; j0 < n; j0 += chunk) {
    const int j1 = j0 + chunk < n ? j0 + chunk : n;
    for (int j = j0; j < j1; ++j) out[j] += carrierSample(a, tableA, j);
    a.c = std::fmod(a.c, 1024.0f);
  }
  carrier = a;
}

// Adds two unison voices into out, the first and then the second for each sample (the order of the
// plain sum); their two independent phase recursions are in flight together.
void addCarrierPair(Carrier& first, Carrier& second, const float* tableA, float* out, int n) {
  Carrier a = first, b = second;
  for (int j0 = 0; j0 < n; j0 += chunk) {
    const int j1 = j0 + chunk < n ? j0 + chunk : n;
    for (int j = j0; j < j1; ++j) {
      const float va = carrierSample(a, tableA, j);
      const float vb = carrierSample(b, tableA, j);
      out[j] += va;
      out[j] += vb;
    }
    a.c = std::fmod(a.c, 1024.0f);
    b.c = std::fmod(b.c, 1024.0f);
  }
  first = a;
  second = b;
}

#ifdef OSC_TABLE_READ_SSE2
// The carrier values of one sample for four unison voices, one per lane: carrierSample's steps in
// the same order and precision, lane by lane. A lane far outside the table is reduced in plain code.
inline __m128 carrierSample4(__m128& c, __m128& ci, __m128 step, __m128 y, const float* tableA) {
  const __m128 turn = _mm_set1_ps(1024.0f);
  c = _mm_sub_ps(c, _mm_and_ps(_mm_cmpge_ps(c, turn), turn));   // c - 0 is c
  __m128 p = _mm_add_ps(y, c);
  c = _mm_add_ps(c, ci);
  ci = _mm_add_ps(ci, step);
  const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(p, _mm_set1_ps(-32768.0f)), _mm_cmplt_ps(p, _mm_set1_ps(32768.0f)));
  if (_mm_movemask_ps(inside) != 15) {
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, p);
    for (float& q : lanes) {
      if (!(q > -32768.0f && q < 32768.0f)) {
        q = q - 1024.0f * std::floor(q / 1024.0f);
        if (!(q >= 0.0f && q < 1024.0f)) q = 0.0f;
      }
    }
    p = _mm_load_ps(lanes);
  }
  __m128i whole = _mm_cvttps_epi32(p);   // truncation, then one less where that rounded up
  whole = _mm_add_epi32(whole, _mm_castps_si128(_mm_cmplt_ps(p, _mm_cvtepi32_ps(whole))));
  const __m128 fraction = _mm_sub_ps(p, _mm_cvtepi32_ps(whole));
  __m128 a, b;
  oscTableGather4(tableA, _mm_and_si128(whole, _mm_set1_epi32(1023)), a, b);
  return _mm_add_ps(_mm_add_ps(_mm_set1_ps(static_cast<float>(tiny)), a), _mm_mul_ps(_mm_sub_ps(b, a), fraction));
}

// Adds four unison voices into out, in voice order for each sample (the order of the plain sum);
// their four phase recursions run side by side in the lanes.
void addCarrierQuad(Carrier* carriers, const float* tableA, float* out, int n) {
  __m128 c = _mm_setr_ps(carriers[0].c, carriers[1].c, carriers[2].c, carriers[3].c);
  __m128 ci = _mm_setr_ps(carriers[0].ci, carriers[1].ci, carriers[2].ci, carriers[3].ci);
  const __m128 step = _mm_setr_ps(carriers[0].step, carriers[1].step, carriers[2].step, carriers[3].step);
  const float* y0 = carriers[0].y;
  const float* y1 = carriers[1].y;
  const float* y2 = carriers[2].y;
  const float* y3 = carriers[3].y;
  for (int j0 = 0; j0 < n; j0 += chunk) {
    const int j1 = j0 + chunk < n ? j0 + chunk : n;
    int j = j0;
    for (; j + 4 <= j1; j += 4) {
      __m128 t0 = _mm_loadu_ps(y0 + j), t1 = _mm_loadu_ps(y1 + j), t2 = _mm_loadu_ps(y2 + j),
             t3 = _mm_loadu_ps(y3 + j);
      _MM_TRANSPOSE4_PS(t0, t1, t2, t3);   // now sample by sample, voices in the lanes
      __m128 v0 = carrierSample4(c, ci, step, t0, tableA);
      __m128 v1 = carrierSample4(c, ci, step, t1, tableA);
      __m128 v2 = carrierSample4(c, ci, step, t2, tableA);
      __m128 v3 = carrierSample4(c, ci, step, t3, tableA);
      _MM_TRANSPOSE4_PS(v0, v1, v2, v3);   // back to voice by voice, samples in the lanes
      __m128 o = _mm_loadu_ps(out + j);
      o = _mm_add_ps(o, v0);
      o = _mm_add_ps(o, v1);
      o = _mm_add_ps(o, v2);
      o = _mm_add_ps(o, v3);
      _mm_storeu_ps(out + j, o);
    }
    for (; j < j1; ++j) {
      alignas(16) float v[4];
      _mm_store_ps(v, carrierSample4(c, ci, step, _mm_setr_ps(y0[j], y1[j], y2[j], y3[j]), tableA));
      float o = out[j];
      o += v[0];
      o += v[1];
      o += v[2];
      o += v[3];
      out[j] = o;
    }
    alignas(16) float phases[4];
    _mm_store_ps(phases, c);
    for (float& q : phases) q = std::fmod(q, 1024.0f);
    c = _mm_load_ps(phases);
  }
  alignas(16) float phases[4], increments[4];
  _mm_store_ps(phases, c);
  _mm_store_ps(increments, ci);
  for (int l = 0; l < 4; ++l) {
    carriers[l].c = phases[l];
    carriers[l].ci = increments[l];
  }
}
#endif

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
  float terms[4][engineBlockMax];

  OscUnisonVoice voice;
  while (oscUnisonNextVoice(&block, &voice)) {
    OscVoiceState* state = voice.state;
    const float* mod = voice.mod;
    float* out = voice.out;
    const double shiftA = voice.shiftA;

    double target = (record->fmIndex * state->velocityParam * mod[7] + tiny);
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

#ifdef OSC_TABLE_READ_SSE2
    const int widest = 4;
#else
    const int widest = 2;
#endif
    int lanes = 1;
    for (int k0 = 0; k0 < block.unison; k0 += lanes) {
      const int left = block.unison - k0;
      lanes = left >= widest ? widest : (left >= 2 ? 2 : 1);
      Carrier carriers[4];
      OscPhaseRamp modulators[4];
      for (int l = 0; l < lanes; ++l) {
        const int k = k0 + l;
        const double f = voice.detune[k];
        // Carrier: floating-point phase and increment.
        const float c = oscWrapPhase(shiftA + state->unisonPhaseA[k]);
        const OscWaveRamp car = oscDoubleRamp(&state->unisonIncA[k], f * voice.incA + tiny, n, c, 0);
        carriers[l] = Carrier{c, car.start, car.stepValue, terms[l]};
        // Modulator: 16.16 fixed point, increment at most 504.
        double mi = f * voice.incB;
        if (!(mi <= modulatorMax)) mi = mi > modulatorMax ? modulatorMax : 0.0;
        const double phaseB = oscWrapPhase(static_cast<double>(record->phaseB) + state->unisonPhaseB[k]) + tiny;
        modulators[l] = oscWaveRampPhase(oscDoubleRamp(&state->unisonIncB[k], mi + tiny, n, phaseB, 0));
        modulatorTerms(tableB, modulators[l], index, terms[l], n);
      }
#ifdef OSC_TABLE_READ_SSE2
      if (lanes == 4) addCarrierQuad(carriers, tableA, out, n);
      else
#endif
      if (lanes == 2) addCarrierPair(carriers[0], carriers[1], tableA, out, n);
      else addCarrier(carriers[0], tableA, out, n);
      for (int l = 0; l < lanes; ++l) {
        const int k = k0 + l;
        state->unisonPhaseA[k] = oscWrapPhase(carriers[l].c - shiftA);
        state->unisonPhaseB[k] = oscWrapPhase(modulators[l].p / 65536.0 - record->phaseB);
        state->incA = carriers[l].ci;
      }
    }
    state->fmIndex = std::isfinite(indexEnd) ? indexEnd : 0.0f;
    oscApplyAmplitude(engine, record, state, block.scale, out, frames);
  }
}
