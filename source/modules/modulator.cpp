#include "modules/modulator.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/lanes.h"
#include "engine/lfoRuntime.h"
#include "engine/numeric.h"
#include "modules/hilbertCoefs.h"
#include "oscillators/oscFrame.h"
#include "preset/wave.h"

namespace {

ModulatorKernel modulatorRenderTable[3];  // 0 empty, 1 Ringmod, 2 Freq Shift

// Freq Shift over `count` lanes (at most 8) on the lane set chosen at engine set-up.
void freqShiftGroup(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                    int count, std::int16_t frames);

const std::uint32_t phaseMask = (1u << 26) - 1u;  // 1024 samples in 16.16 fixed point

inline int laneCount(Engine* engine, std::int16_t channel) {
  const int n = engineGetVoiceBufferCount(engine, channel);
  return numClamp(n, 1, engineLanesMax);
}

inline std::int16_t validVoice(std::int32_t v) {
  return static_cast<std::int16_t>(numIndexOrZero<std::int32_t>(v, engineMaxVoices));
}

inline std::int16_t validChannel(std::int32_t c) { return static_cast<std::int16_t>(numIndexOrZero(c, 3)); }

// Increment limited for the kernels: at most 504 (and, so that it converts to fixed point, at least
// -504; a non-number counts as 0).
inline float kernelIncrement(double inc) {
  if (!(inc == inc)) return 0.0f;
  if (inc > modulatorIncrementMax) return modulatorIncrementMax;
  if (inc < -modulatorIncrementMax) return -modulatorIncrementMax;
  return static_cast<float>(inc);
}

inline std::int32_t toFixed(float inc) { return static_cast<std::int32_t>(inc * 65536.0f); }

// The stored phase in fixed point. The phase is brought into 0..1024 by a floor-based wrap (any
// finite value in one step; a non-number restarts at 0).
inline std::uint32_t phaseToFixed(float phase) {
  double p = phase;
  if (!std::isfinite(p)) return 0;
  if (p < 0.0 || p >= 1024.0) p -= 1024.0 * std::floor(p / 1024.0);
  if (!(p >= 0.0 && p < 1024.0)) p = 0.0;  // rounding of a huge value
  std::uint32_t f = static_cast<std::uint32_t>(p * 65536.0);
  return f & phaseMask;
}

inline float phaseFromFixed(std::uint32_t p) { return static_cast<float>(p & phaseMask) * (1.0f / 65536.0f); }

// The wave at a fixed-point phase, interpolated with the shared fraction weights.
inline float waveAt(const float* w, std::uint32_t p, std::uint32_t offset = 0) {
  const std::uint32_t i = ((p >> 16) + offset) & 1023u;
  const float weight = oscFractionRamp[(p & 0xFFFFu) >> 8];
  return w[i] + (w[(i + 1) & 1023u] - w[i]) * weight;
}

}  // namespace

void modulatorInstallRoutines() {
  lanesChoose();
  modulatorRenderTable[0] = nullptr;
  modulatorRenderTable[modulatorRingmod] = modulatorProcessRingmod;
  modulatorRenderTable[modulatorFreqShift] = modulatorProcessFreqShift;
  hilbertCoefsForRate(engineSampleRate());
}

ModulatorKernel modulatorKernelFor(std::int32_t type) {
  if (type < 0 || type > 2) return nullptr;
  return modulatorRenderTable[type];
}

double modulatorIncrement(Engine* engine, const ModulatorRecord* record, const ModulatorVoiceState* state,
                          std::int16_t voice) {
  const std::int16_t v = validVoice(voice);
  const double m = engine->modMultipliers[validChannel(record->channel)][v][13];
  double inc;
  if (record->freqMode == 0 || record->freqMode == 1) {
    inc = static_cast<double>(engine->voices[v].pitch) * record->ratio * m * engine->controllers.pitchFactor;
    for (const float* link : state->lfoPitchLinks)
      if (link) inc *= *link;
  } else {
    inc = static_cast<double>(record->increment) * m;
  }
  return inc * engineRateFactor();
}

void modulatorRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  engine->channelCursor = -1;
  for (std::int16_t c = engineNextActiveChannel(engine); c >= 0; c = engineNextActiveChannel(engine)) {
    if (c >= engineChannels || !engine->modulatorActive[c]) continue;
    ModulatorRecord* record = &engine->modulators[c];
    const ModulatorKernel kernel = modulatorKernelFor(record->type);
    if (!kernel) continue;  // a type without a kernel leaves the signal as it is
    const int n = laneCount(engine, c);
    const bool grouped = kernel == modulatorProcessFreqShift;
    ModulatorVoiceState* pending[8];  // Freq Shift lanes waiting for a full group of vectors
    float* pendingLanes[8];
    const int group = lanesActive == laneSetAvx ? 8 : 4;
    int waiting = 0;
    engine->voiceCursor = -1;
    for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
      if (v >= engineMaxVoices) break;
      float* buffer = engine->voiceBuffers[c][v];
      if (!buffer) continue;
      for (int s = 0; s < n; ++s) {
        ModulatorVoiceState* state = &engine->modulatorStates[c][v][s];
        state->voice = v;
        float* lane = buffer + s * frames;
        if (!grouped) {
          kernel(engine, record, state, lane, c, frames);
          continue;
        }
        pending[waiting] = state;
        pendingLanes[waiting] = lane;
        if (++waiting == group) {
          freqShiftGroup(engine, record, pending, pendingLanes, waiting, frames);
          waiting = 0;
        }
      }
    }
    if (waiting > 0) freqShiftGroup(engine, record, pending, pendingLanes, waiting, frames);
  }
}

void modulatorProcessRingmod(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* x,
                             std::int16_t, std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  const float* w = waveGet(engine, record->wave)->samples;
  const std::int16_t v = validVoice(state->voice);

  const float oldInc = kernelIncrement(state->prevIncrement);
  const float newInc = kernelIncrement(modulatorIncrement(engine, record, state, v));
  state->prevIncrement = newInc;
  std::int32_t inc = toFixed(oldInc);
  const std::int32_t incStep = static_cast<std::int32_t>(65536.0f * (newInc - oldInc) / N);

  float balanceTarget = record->balance * engine->modMultipliers[validChannel(record->channel)][v][14];
  if (!std::isfinite(balanceTarget)) balanceTarget = 1.0f;
  float b = numFiniteOr(state->balance, 0.0f);
  const float bStep = (balanceTarget - b) / N;

  std::uint32_t p = phaseToFixed(state->phase);
  for (int n = 0; n < N; ++n) {
    p = (p + static_cast<std::uint32_t>(inc)) & phaseMask;
    inc += incStep;
    const float m = waveAt(w, p);
    const float in = x[n];
    const float y = in * m * b + in * (1.0f - b);
    x[n] = std::fabs(y) < 1e-30f ? 0.0f : y;  // a nearly silent product is not left denormal
    b += bStep;
  }
  state->phase = phaseFromFixed(p);
  state->balance = balanceTarget;
}

namespace {

// The Freq Shift kernel, written once over a lane type L (Lanes<float, W>) for P x W lanes side by
// side (W = 1 the plain scalar form): with feedback every lane's samples wait on a long chain of
// allpass sections, so lanes side by side keep the processor busy. Each lane gets exactly the
// operations it would get alone, in the same order, so the results are the same bit for bit whatever
// the width; only the wave reads are lane by lane.
template <int P, class L>
LANES_INLINE void freqShiftLanes(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states,
                                 float* const* xs, std::int16_t frames) {
  typedef typename L::Value Vec;
  const int W = L::width;
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  const float* w = waveGet(engine, record->wave)->samples;
  // The quadrature wave is read a quarter (switch 1) or three quarters (switch 0) of the table ahead.
  const std::uint32_t offset = record->shiftSwitch ? 256u : 768u;
  float fb = record->feedback;
  fb = numClamp(fb, 0.0f, 0.5f);
  float h[12];
  for (int k = 0; k < 12; ++k) h[k] = hilbertCoefs[k];

  std::int32_t inc[P * W];
  std::uint32_t ph[P * W];
  Vec y[P]{}, aDelayed[P]{}, aIn[P][6]{}, aOut[P][6]{}, bIn[P][6]{}, bOut[P][6]{};
  float* lane[P * W];
  for (int p = 0; p < P; ++p) {
    for (int l = 0; l < W; ++l) {
      const int j = W * p + l;
      ModulatorVoiceState* state = states[j];
      const std::int16_t v = validVoice(state->voice);
      // The block runs on the previous block's increment; the new one takes effect with the next block.
      inc[j] = toFixed(kernelIncrement(state->prevIncrement));
      state->prevIncrement = kernelIncrement(modulatorIncrement(engine, record, state, v));
      L::set(y[p], l, numFiniteOr(state->prevOutput, 0.0f));
      const float* mem = state->hilbert;
      for (int k = 0; k < 6; ++k) {
        L::set(aIn[p][k], l, mem[modulatorHilbertAIn + k]);
        L::set(aOut[p][k], l, mem[modulatorHilbertAOut + k]);
        L::set(bIn[p][k], l, mem[modulatorHilbertBIn + k]);
        L::set(bOut[p][k], l, mem[modulatorHilbertBOut + k]);
      }
      L::set(aDelayed[p], l, mem[modulatorHilbertADelayed]);
      ph[j] = phaseToFixed(state->phase);
      lane[j] = xs[j];
    }
  }

  for (int n = 0; n < N; ++n) {
    // 1e-10 on every 20th input keeps the allpass memory out of the denormal range in silence.
    const float guard = n % 20 == 0 ? 1e-10f : 0.0f;
#pragma GCC unroll 4
    for (int p = 0; p < P; ++p) {
      Vec x;
      L::gather(x, lane + W * p, n);
      const Vec u = x + fb * y[p] + guard;
      // First-order allpass sections: out = (in - previous out) x h + previous in, arranged as
      // in x h + (previous in - h x previous out) so that only one multiply-add waits for the input.
      Vec bv = u;
      for (int k = 0; k < 6; ++k) {
        const Vec out = bv * h[6 + k] + (bIn[p][k] - h[6 + k] * bOut[p][k]);
        bIn[p][k] = bv;
        bOut[p][k] = out;
        bv = out;
      }
      Vec w1{}, w2{};
      for (int l = 0; l < W; ++l) {
        const int j = W * p + l;
        ph[j] = (ph[j] + static_cast<std::uint32_t>(inc[j])) & phaseMask;
        L::set(w1, l, waveAt(w, ph[j]));
        L::set(w2, l, waveAt(w, ph[j], offset));
      }
      y[p] = w1 * bv + w2 * aDelayed[p];
      L::scatter(y[p], lane + W * p, n);
      Vec av = u;
      for (int k = 0; k < 6; ++k) {
        const Vec out = av * h[k] + (aIn[p][k] - h[k] * aOut[p][k]);
        aIn[p][k] = av;
        aOut[p][k] = out;
        av = out;
      }
      aDelayed[p] = av;
    }
  }

  for (int p = 0; p < P; ++p) {
    for (int l = 0; l < W; ++l) {
      const int j = W * p + l;
      ModulatorVoiceState* state = states[j];
      float* mem = state->hilbert;
      float yl = L::get(y[p], l);
      // A non-number that came in from upstream does not stay in the memory.
      bool finite = std::isfinite(yl) && std::isfinite(L::get(aDelayed[p], l));
      for (int k = 0; k < 6; ++k)
        finite = finite && std::isfinite(L::get(aOut[p][k], l)) && std::isfinite(L::get(bOut[p][k], l)) &&
                 std::isfinite(L::get(aIn[p][k], l)) && std::isfinite(L::get(bIn[p][k], l));
      if (!finite) {
        std::memset(mem, 0, sizeof(float) * modulatorHilbertFloats);
        yl = 0.0f;
      } else {
        for (int k = 0; k < 6; ++k) {
          mem[modulatorHilbertAIn + k] = L::get(aIn[p][k], l);
          mem[modulatorHilbertAOut + k] = L::get(aOut[p][k], l);
          mem[modulatorHilbertBIn + k] = L::get(bIn[p][k], l);
          mem[modulatorHilbertBOut + k] = L::get(bOut[p][k], l);
        }
        mem[modulatorHilbertADelayed] = L::get(aDelayed[p], l);
      }
      state->prevOutput = yl;
      state->phase = phaseFromFixed(ph[j]);
    }
  }
}

// One instance per lane set: whole vectors while enough lanes are left, then two scalar lanes side by
// side, then one.
template <int Set>
LANES_INLINE void freqShiftSet(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states,
                               float* const* xs, int count, std::int16_t frames) {
  typedef typename LaneSetTypes<Set>::Floats L;
  typedef Lanes<float, 1> One;
  const int W = L::width;
  int i = 0;
  if (W > 1)
    for (; i + W <= count; i += W) freqShiftLanes<1, L>(engine, record, states + i, xs + i, frames);
  if (W > 4 && i + 4 <= count) {  // the rest of an AVX group: four lanes in SSE vectors
    freqShiftLanes<1, Lanes<float, 4>>(engine, record, states + i, xs + i, frames);
    i += 4;
  }
  for (; i + 2 <= count; i += 2) freqShiftLanes<2, One>(engine, record, states + i, xs + i, frames);
  for (; i < count; ++i) freqShiftLanes<1, One>(engine, record, states + i, xs + i, frames);
}

void freqShiftScalar(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                     int count, std::int16_t frames) {
  freqShiftSet<laneSetScalar>(engine, record, states, xs, count, frames);
}

void freqShiftSse2(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                   int count, std::int16_t frames) {
  freqShiftSet<laneSetSse2>(engine, record, states, xs, count, frames);
}

#if LANES_AVX
LANES_TARGET_AVX void freqShiftAvx(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states,
                                   float* const* xs, int count, std::int16_t frames) {
  freqShiftSet<laneSetAvx>(engine, record, states, xs, count, frames);
}
#endif

void freqShiftGroup(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                    int count, std::int16_t frames) {
  switch (lanesActive) {
    case laneSetScalar: freqShiftScalar(engine, record, states, xs, count, frames); break;
#if LANES_AVX
    case laneSetAvx: freqShiftAvx(engine, record, states, xs, count, frames); break;
#endif
    default: freqShiftSse2(engine, record, states, xs, count, frames); break;
  }
}

}  // namespace

void modulatorProcessFreqShift(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* x,
                               std::int16_t, std::int16_t frames) {
  freqShiftLanes<1, Lanes<float, 1>>(engine, record, &state, &x, frames);
}

void modulatorVoiceInit(Engine*, ModulatorVoiceState* state, std::uint16_t voice) {
  if (!state) return;
  std::memset(static_cast<void*>(state), 0, sizeof *state);
  state->voice = static_cast<std::int16_t>(voice < engineMaxVoices ? voice : 0);
  state->phase = 0.0f;
  state->balance = 0.0f;
  state->prevIncrement = 1.0f;
  state->prevOutput = 0.0f;
  for (const float*& link : state->lfoPitchLinks) link = &lfoLinkOne;
}

// The voice's three LFO pitch links, looked up once and given to every lane.
static void bindVoiceLinks(Engine* engine, std::int16_t channel, std::int16_t voice) {
  const float* links[3];
  for (std::int16_t i = 0; i < 3; ++i) {
    const float* link = lfoModulatorPitchLink(engine, i, channel, voice);
    links[i] = link ? link : &lfoLinkOne;
  }
  for (int s = 0; s < engineLanesMax; ++s) {
    ModulatorVoiceState& st = engine->modulatorStates[channel][voice][s];
    for (int i = 0; i < 3; ++i) st.lfoPitchLinks[i] = links[i];
  }
}

void modulatorBindLinks(Engine* engine) {
  if (!engine) return;
  for (std::int16_t c = 0; c < engineChannels; ++c)
    for (std::int16_t v = 0; v < engineMaxVoices; ++v) bindVoiceLinks(engine, c, v);
}

void modulatorVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t, std::uint8_t legato) {
  if (!engine || channel < 0 || channel > 2 || voice < 0 || voice >= engineMaxVoices) return;
  ModulatorRecord* record = &engine->modulators[channel];
  ModulatorVoiceState* s0 = &engine->modulatorStates[channel][voice][0];
  s0->voice = voice;
  bindVoiceLinks(engine, channel, voice);

  // The first block starts on the note's increment, without a glide.
  double inc = modulatorIncrement(engine, record, s0, voice);
  if (!(inc == inc)) inc = 0.0;
  if (inc > modulatorStartIncrementMax) inc = modulatorStartIncrementMax;
  s0->prevIncrement = static_cast<float>(inc);

  const Voice& v = engine->voices[voice];
  const bool keepPhase =
      (engine->polyphony == 1 && v.state <= voiceStateFree) || legato || v.state == voiceStateMonoReleased;
  if (!keepPhase) s0->phase = 0.0f;
  if (!legato) {
    if (record->type == modulatorRingmod)
      s0->balance = record->balance;  // no fade at the note start
    else if (record->type == modulatorFreqShift)
      std::memset(s0->hilbert, 0, sizeof s0->hilbert);
  }

  const int n = laneCount(engine, channel);
  for (int s = 1; s < n; ++s) engine->modulatorStates[channel][voice][s] = *s0;
}
