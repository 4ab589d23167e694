#include "modules/modulator.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "modules/hilbertCoefs.h"
#include "oscillators/oscFrame.h"
#include "preset/wave.h"

// The eight-lane Freq Shift loop is built for native x86 targets (the Windows builds keep to SSE: there
// the compiler cannot keep 32-byte vectors spilled to the stack aligned).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define MODULATOR_AVX 1
#else
#define MODULATOR_AVX 0
#endif

namespace {

ModulatorKernel modulatorRenderTable[3];
#if MODULATOR_AVX
bool modulatorAvx = false;   // set once by modulatorInstallRoutines, before any audio runs
void freqShiftOctet(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                    std::int16_t frames);
#endif   // 0 empty, 1 Ringmod, 2 Freq Shift

template <int K>
void freqShiftLanes(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                    std::int16_t frames);
void freqShiftQuad(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                   std::int16_t frames);

const std::uint32_t phaseMask = (1u << 26) - 1u;   // 1024 samples in 16.16 fixed point

inline int laneCount(Engine* engine, std::int16_t channel) {
  const int n = engineGetVoiceBufferCount(engine, channel);
  return n < 1 ? 1 : (n > engineLanesMax ? engineLanesMax : n);
}

inline std::int16_t validVoice(std::int32_t v) {
  return static_cast<std::int16_t>(v < 0 || v >= engineMaxVoices ? 0 : v);
}

inline std::int16_t validChannel(std::int32_t c) { return static_cast<std::int16_t>(c < 0 || c > 2 ? 0 : c); }

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
  if (!(p >= 0.0 && p < 1024.0)) p = 0.0;   // rounding of a huge value
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

inline float finiteOr0(float x) { return std::isfinite(x) ? x : 0.0f; }

// One first-order allpass section: out = (in - previous out) x h + previous in, arranged as
// in x h + (previous in - h x previous out) so that only one multiply-add waits for the input.
inline float allpass(float in, float& lastIn, float& lastOut, float h) {
  const float out = in * h + (lastIn - h * lastOut);
  lastIn = in;
  lastOut = out;
  return out;
}

}  // namespace

void modulatorInstallRoutines() {
#if MODULATOR_AVX
  __builtin_cpu_init();
  modulatorAvx = __builtin_cpu_supports("avx") != 0;
#endif
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
    if (!kernel) continue;   // a type without a kernel leaves the signal as it is
    const int n = laneCount(engine, c);
    const bool grouped = kernel == modulatorProcessFreqShift;
    ModulatorVoiceState* pending[8];   // Freq Shift lanes waiting for a group of four (eight with AVX)
    float* pendingLanes[8];
    int group = 4;
#if MODULATOR_AVX
    if (modulatorAvx) group = 8;
#endif
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
#if MODULATOR_AVX
          if (group == 8) freqShiftOctet(engine, record, pending, pendingLanes, frames);
          else
#endif
            freqShiftQuad(engine, record, pending, pendingLanes, frames);
          waiting = 0;
        }
      }
    }
    // The last lanes: four, a pair, then a single lane.
    int i = 0;
    if (waiting - i >= 4) {
      freqShiftQuad(engine, record, pending, pendingLanes, frames);
      i = 4;
    }
    if (waiting - i >= 2) {
      freqShiftLanes<2>(engine, record, pending + i, pendingLanes + i, frames);
      i += 2;
    }
    if (i < waiting) kernel(engine, record, pending[i], pendingLanes[i], c, frames);
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
  float b = finiteOr0(state->balance);
  const float bStep = (balanceTarget - b) / N;

  std::uint32_t p = phaseToFixed(state->phase);
  for (int n = 0; n < N; ++n) {
    p = (p + static_cast<std::uint32_t>(inc)) & phaseMask;
    inc += incStep;
    const float m = waveAt(w, p);
    const float in = x[n];
    const float y = in * m * b + in * (1.0f - b);
    x[n] = std::fabs(y) < 1e-30f ? 0.0f : y;   // a nearly silent product is not left denormal
    b += bStep;
  }
  state->phase = phaseFromFixed(p);
  state->balance = balanceTarget;
}

namespace {

// The Freq Shift kernel over K lanes at once (K = 1 is the lane kernel; the render runs the lanes of a
// block in pairs, which lets the processor overlap two lanes' serial allpass chains). Each lane gets
// exactly the operations it would get alone.
template <int K>
void freqShiftLanes(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                    std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  const float* w = waveGet(engine, record->wave)->samples;
  // The quadrature wave is read a quarter (switch 1) or three quarters (switch 0) of the table ahead.
  const std::uint32_t offset = record->shiftSwitch ? 256u : 768u;
  float fb = record->feedback;
  if (!(fb >= 0.0f)) fb = 0.0f;
  if (fb > 0.5f) fb = 0.5f;
  const float* h = hilbertCoefs;

  std::int32_t inc[K];
  std::uint32_t p[K];
  float y[K], aDelayed[K], aIn[K][6], aOut[K][6], bIn[K][6], bOut[K][6];
  for (int l = 0; l < K; ++l) {
    ModulatorVoiceState* state = states[l];
    const std::int16_t v = validVoice(state->voice);
    // The block runs on the previous block's increment; the new one takes effect with the next block.
    inc[l] = toFixed(kernelIncrement(state->prevIncrement));
    state->prevIncrement = kernelIncrement(modulatorIncrement(engine, record, state, v));
    y[l] = finiteOr0(state->prevOutput);
    const float* mem = state->hilbert;
    for (int k = 0; k < 6; ++k) {
      aIn[l][k] = mem[modulatorHilbertAIn + k];
      aOut[l][k] = mem[modulatorHilbertAOut + k];
      bIn[l][k] = mem[modulatorHilbertBIn + k];
      bOut[l][k] = mem[modulatorHilbertBOut + k];
    }
    aDelayed[l] = mem[modulatorHilbertADelayed];
    p[l] = phaseToFixed(state->phase);
  }

  for (int n = 0; n < N; ++n) {
    // 1e-10 on every 20th input keeps the allpass memory out of the denormal range in silence.
    const float guard = n % 20 == 0 ? 1e-10f : 0.0f;
    for (int l = 0; l < K; ++l) {
      const float u = xs[l][n] + fb * y[l] + guard;
      float bv = u;
      for (int k = 0; k < 6; ++k) bv = allpass(bv, bIn[l][k], bOut[l][k], h[6 + k]);
      p[l] = (p[l] + static_cast<std::uint32_t>(inc[l])) & phaseMask;
      const float w1 = waveAt(w, p[l]);
      const float w2 = waveAt(w, p[l], offset);
      y[l] = w1 * bv + w2 * aDelayed[l];
      xs[l][n] = y[l];
      float av = u;
      for (int k = 0; k < 6; ++k) av = allpass(av, aIn[l][k], aOut[l][k], h[k]);
      aDelayed[l] = av;
    }
  }

  for (int l = 0; l < K; ++l) {
    ModulatorVoiceState* state = states[l];
    float* mem = state->hilbert;
    // A non-number that came in from upstream does not stay in the memory.
    bool finite = std::isfinite(y[l]) && std::isfinite(aDelayed[l]);
    for (int k = 0; k < 6; ++k)
      finite = finite && std::isfinite(aOut[l][k]) && std::isfinite(bOut[l][k]) && std::isfinite(aIn[l][k]) &&
               std::isfinite(bIn[l][k]);
    if (!finite) {
      std::memset(mem, 0, sizeof(float) * modulatorHilbertFloats);
      y[l] = 0.0f;
    } else {
      for (int k = 0; k < 6; ++k) {
        mem[modulatorHilbertAIn + k] = aIn[l][k];
        mem[modulatorHilbertAOut + k] = aOut[l][k];
        mem[modulatorHilbertBIn + k] = bIn[l][k];
        mem[modulatorHilbertBOut + k] = bOut[l][k];
      }
      mem[modulatorHilbertADelayed] = aDelayed[l];
    }
    state->prevOutput = y[l];
    state->phase = phaseFromFixed(p[l]);
  }
}

// The Freq Shift kernel over W lanes in one vector of floats each (W = 4: SSE; W = 8: AVX where the
// processor has it): with feedback every lane's samples wait on a long chain of allpass sections, so
// lanes side by side keep the processor busy. Per lane the operations and their order are those of
// freqShiftLanes, so the results are the same bit for bit; only the wave reads stay scalar.
template <int W>
struct FloatVector;
template <>
struct FloatVector<4> {
  typedef float Value __attribute__((vector_size(16)));
};
template <>
struct FloatVector<8> {
  typedef float Value __attribute__((vector_size(32)));
};

template <int W>
inline __attribute__((always_inline)) void freqShiftVectors(Engine* engine, ModulatorRecord* record,
                                                            ModulatorVoiceState* const* states, float* const* xs,
                                                            std::int16_t frames) {
  typedef typename FloatVector<W>::Value Quad;
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  const float* w = waveGet(engine, record->wave)->samples;
  const std::uint32_t offset = record->shiftSwitch ? 256u : 768u;
  float fbScalar = record->feedback;
  if (!(fbScalar >= 0.0f)) fbScalar = 0.0f;
  if (fbScalar > 0.5f) fbScalar = 0.5f;
  const Quad zero = {};
  const Quad fb = zero + fbScalar;
  Quad h[12];
  for (int k = 0; k < 12; ++k) h[k] = zero + hilbertCoefs[k];

  std::int32_t inc[W];
  std::uint32_t p[W];
  Quad y, aDelayed, aIn[6], aOut[6], bIn[6], bOut[6];
  float* lane[W];
  for (int l = 0; l < W; ++l) {
    ModulatorVoiceState* state = states[l];
    const std::int16_t v = validVoice(state->voice);
    inc[l] = toFixed(kernelIncrement(state->prevIncrement));
    state->prevIncrement = kernelIncrement(modulatorIncrement(engine, record, state, v));
    y[l] = finiteOr0(state->prevOutput);
    const float* mem = state->hilbert;
    for (int k = 0; k < 6; ++k) {
      aIn[k][l] = mem[modulatorHilbertAIn + k];
      aOut[k][l] = mem[modulatorHilbertAOut + k];
      bIn[k][l] = mem[modulatorHilbertBIn + k];
      bOut[k][l] = mem[modulatorHilbertBOut + k];
    }
    aDelayed[l] = mem[modulatorHilbertADelayed];
    p[l] = phaseToFixed(state->phase);
    lane[l] = xs[l];
  }

  for (int n = 0; n < N; ++n) {
    const float guard = n % 20 == 0 ? 1e-10f : 0.0f;
    Quad x;
    for (int l = 0; l < W; ++l) x[l] = lane[l][n];
    const Quad u = x + fb * y + guard;
    Quad bv = u;
    for (int k = 0; k < 6; ++k) {
      const Quad out = bv * h[6 + k] + (bIn[k] - h[6 + k] * bOut[k]);
      bIn[k] = bv;
      bOut[k] = out;
      bv = out;
    }
    Quad w1, w2;
    for (int l = 0; l < W; ++l) {
      p[l] = (p[l] + static_cast<std::uint32_t>(inc[l])) & phaseMask;
      w1[l] = waveAt(w, p[l]);
      w2[l] = waveAt(w, p[l], offset);
    }
    y = w1 * bv + w2 * aDelayed;
    for (int l = 0; l < W; ++l) lane[l][n] = y[l];
    Quad av = u;
    for (int k = 0; k < 6; ++k) {
      const Quad out = av * h[k] + (aIn[k] - h[k] * aOut[k]);
      aIn[k] = av;
      aOut[k] = out;
      av = out;
    }
    aDelayed = av;
  }

  for (int l = 0; l < W; ++l) {
    ModulatorVoiceState* state = states[l];
    float* mem = state->hilbert;
    float yl = y[l];
    bool finite = std::isfinite(yl) && std::isfinite(aDelayed[l]);
    for (int k = 0; k < 6; ++k)
      finite = finite && std::isfinite(aOut[k][l]) && std::isfinite(bOut[k][l]) && std::isfinite(aIn[k][l]) &&
               std::isfinite(bIn[k][l]);
    if (!finite) {
      std::memset(mem, 0, sizeof(float) * modulatorHilbertFloats);
      yl = 0.0f;
    } else {
      for (int k = 0; k < 6; ++k) {
        mem[modulatorHilbertAIn + k] = aIn[k][l];
        mem[modulatorHilbertAOut + k] = aOut[k][l];
        mem[modulatorHilbertBIn + k] = bIn[k][l];
        mem[modulatorHilbertBOut + k] = bOut[k][l];
      }
      mem[modulatorHilbertADelayed] = aDelayed[l];
    }
    state->prevOutput = yl;
    state->phase = phaseFromFixed(p[l]);
  }
}

void freqShiftQuad(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* const* states, float* const* xs,
                   std::int16_t frames) {
  freqShiftVectors<4>(engine, record, states, xs, frames);
}

#if MODULATOR_AVX
__attribute__((target("avx"))) void freqShiftOctet(Engine* engine, ModulatorRecord* record,
                                                   ModulatorVoiceState* const* states, float* const* xs,
                                                   std::int16_t frames) {
  freqShiftVectors<8>(engine, record, states, xs, frames);
}
#endif

}  // namespace

void modulatorProcessFreqShift(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* x,
                               std::int16_t, std::int16_t frames) {
  freqShiftLanes<1>(engine, record, &state, &x, frames);
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

void modulatorVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t,
                         std::uint8_t legato) {
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
  const bool keepPhase = (engine->polyphony == 1 && v.state <= 0) || legato || v.state == 5;
  if (!keepPhase) s0->phase = 0.0f;
  if (!legato) {
    if (record->type == modulatorRingmod) s0->balance = record->balance;   // no fade at the note start
    else if (record->type == modulatorFreqShift) std::memset(s0->hilbert, 0, sizeof s0->hilbert);
  }

  const int n = laneCount(engine, channel);
  for (int s = 1; s < n; ++s) engine->modulatorStates[channel][voice][s] = *s0;
}
