#include "modules/waveshaper.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/lanes.h"
#include "engine/numeric.h"
#include "preset/wave.h"

namespace {

inline int masterLaneCount(Engine* engine) {
  const int n = engineGetVoiceBufferCount(engine, 3);
  return numClamp(n, 1, engineLanesMax);
}

// A table position brought into 0..1024: below 0 it moves up in steps of 1023 (not 1024: negative
// positions land one sample lower than a periodic wrap would put them), from 1024 on down in steps
// of 1024. Floor-based, so a huge value takes one step; a non-number takes `fallback`.
inline double wrapPosition(double pos, double fallback) {
  if (pos >= 0.0 && pos < 1024.0) return pos;
  if (!std::isfinite(pos)) return fallback;
  if (pos < 0.0) pos += 1023.0 * std::ceil(-pos / 1023.0);
  if (pos >= 1024.0) pos -= 1024.0 * std::floor(pos / 1024.0);
  // Rounding of very large values can leave the result just outside.
  if (!(pos >= 0.0)) return 0.0;
  return pos < 1024.0 ? pos : 1023.0;
}

}  // namespace

namespace {

// One lane's block, worked out before the loop: the wave and the four ramps (output gain, input
// scale, table centre, compensation), each a start and a per-frame step.
struct ShaperJob {
  WaveshaperVoiceState* state;
  float* x;
  const float* w;
  double g, gStep, s, sStep, c, cStep, k, kStep;
};

bool shaperPrepare(Engine* engine, WaveshaperRecord* record, WaveshaperVoiceState* state, float* x, int N,
                   std::uint8_t post, ShaperJob* job) {
  if (!engine || !record || !state || !x || N < 1 || N > engineBlockMax) return false;
  if (engine->paused.load(std::memory_order_relaxed)) return false;
  const float* w = waveGet(engine, static_cast<std::int16_t>(record->wave))->samples;
  const int unit = record->word <= 3 ? record->word : 3;
  const int voice = state->voice < engineMaxVoices ? state->voice : 0;
  const float* M = engine->modMultipliers[unit][voice];

  double out = static_cast<double>(record->outGain) * M[11];
  double in = static_cast<double>(record->inGain) * M[10];
  if (masterLaneCount(engine) > 1) {
    in *= 0.637281;
    out *= 1.569166505827;
  }
  if (post) {
    // The voice sum is brought down by the polyphony before the curve and back up after it.
    if (out == 0.0) out = 0.0001;
    if (in == 0.0) in = 0.0001;
    const double polyphony = engine->polyphony < 1 ? 1.0 : engine->polyphony;
    out *= polyphony;
    in *= 1.0 / polyphony;
  }
  // A record straight from a file may hold anything: gains beyond a million are cut there.
  out = std::isfinite(out) ? numClamp(out, -1e6, 1e6) : 0.0;
  in = std::isfinite(in) ? numClamp(in, -1e6, 1e6) : 0.0;

  // Linear ramps over the block.
  job->state = state;
  job->x = x;
  job->w = w;
  job->g = std::isfinite(state->outGain) ? state->outGain : out;
  job->gStep = (out - job->g) / N;
  job->s = 512.0 * (std::isfinite(state->inGain) ? state->inGain : in);
  job->sStep = (512.0 * in - job->s) / N;

  const double c1 = wrapPosition(M[12] * -512.0 + static_cast<double>(record->phase) * 512.0, 511.0);
  job->c = (state->offset < -5000.0f || !std::isfinite(state->offset)) ? c1 : state->offset;
  job->cStep = (c1 - job->c) / N;

  const double k1 = w[static_cast<int>(c1) & 1023];
  job->k = k1;
  job->kStep = 0.0;
  if (state->compensation >= -5000.0f && std::isfinite(state->compensation)) {
    job->k = state->compensation;
    job->kStep = (k1 - job->k) / N;
    if (job->kStep > -1e-24 && job->kStep < 1e-24) job->kStep = 0.0;  // keeps k0 for the whole block
  }
  return true;
}

void shaperFinish(const ShaperJob& job, double g, double s, double c, double k) {
  WaveshaperVoiceState* state = job.state;
  state->outGain = static_cast<float>(g);
  state->inGain = static_cast<float>(s / 512.0);
  state->offset = static_cast<float>(c);
  state->compensation = static_cast<float>(k);
}

// The per-frame loop, written once over a lane type L (Lanes<double, W>; W = 1 the plain scalar
// form): the ramps, the position and the gain are lane operations, the table reads lane by lane. Each
// lane gets the operations of the lane run alone, in the same order, so the results are the same bit
// for bit whatever the width. Every lane of a block reads the record's one wave.
template <class L>
LANES_INLINE void shaperRunLanes(const ShaperJob* jobs, int N) {
  typedef typename L::Value Vec;
  const int W = L::width;
  Vec g{}, gStep{}, s{}, sStep{}, c{}, cStep{}, k{}, kStep{};
  float* x[W];
  const float* w = jobs[0].w;
  for (int l = 0; l < W; ++l) {
    const ShaperJob& j = jobs[l];
    x[l] = j.x;
    L::set(g, l, j.g);
    L::set(gStep, l, j.gStep);
    L::set(s, l, j.s);
    L::set(sStep, l, j.sStep);
    L::set(c, l, j.c);
    L::set(cStep, l, j.cStep);
    L::set(k, l, j.k);
    L::set(kStep, l, j.kStep);
  }
  for (int n = 0; n < N; ++n) {
    Vec in;
    L::gather(in, x, n);
    Vec pos = (in + 1e-24) * s + c;
    if (!L::all((pos >= 0.0) & (pos < 1024.0)))
      for (int l = 0; l < W; ++l) L::set(pos, l, wrapPosition(L::get(pos, l), L::get(c, l)));
    s += sStep;
    c += cStep;
    // The curve at a table position 0..1024 (fraction in 1/65536), before the compensation.
    const Vec fixedPos = pos * 65536.0;
    Vec curve{};
    for (int l = 0; l < W; ++l) {
      const std::uint32_t fixed = static_cast<std::uint32_t>(L::get(fixedPos, l));
      const std::uint32_t i = (fixed >> 16) & 1023u;
      const float f = static_cast<float>(fixed & 0xFFFFu) * (1.0f / 65536.0f);
      L::set(curve, l, static_cast<double>(w[i] + (w[(i + 1) & 1023u] - w[i]) * f));
    }
    const Vec value = curve - k;
    k += kStep;
    const Vec out = value * g;
    L::scatter(out, x, n);
    g += gStep;
  }
  for (int l = 0; l < W; ++l) shaperFinish(jobs[l], L::get(g, l), L::get(s, l), L::get(c, l), L::get(k, l));
}

void shaperRunOne(const ShaperJob& job, int N) { shaperRunLanes<Lanes<double, 1>>(&job, N); }

// Where the processor has AVX, four lanes side by side in its vectors of doubles; otherwise one lane
// at a time (two lanes in SSE2 vectors measured slower than one at a time).
#if LANES_AVX
LANES_TARGET_AVX void shaperRunAvx(const ShaperJob* jobs, int count, int N) {
  int i = 0;
  for (; i + 4 <= count; i += 4) shaperRunLanes<Lanes<double, 4>>(jobs + i, N);
  for (; i < count; ++i) shaperRunLanes<Lanes<double, 1>>(jobs + i, N);
}
#endif

void shaperRunAll(const ShaperJob* jobs, int count, int N) {
#if LANES_AVX
  if (lanesActive == laneSetAvx) {
    shaperRunAvx(jobs, count, N);
    return;
  }
#endif
  for (int i = 0; i < count; ++i) shaperRunOne(jobs[i], N);
}

}  // namespace

void waveshaperSelectKernels() { lanesChoose(); }

void waveshaperProcess(Engine* engine, WaveshaperRecord* record, WaveshaperVoiceState* state, float* x,
                       std::int16_t frames, std::uint8_t post) {
  ShaperJob job;
  if (shaperPrepare(engine, record, state, x, frames, post, &job)) shaperRunOne(job, frames);
}

void waveshaperRender(Engine* engine, std::int16_t frames, int post) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  WaveshaperRecord* record = &engine->waveshaper;
  const int n = masterLaneCount(engine);
  if (post) {
    for (int s = 0; s < n; ++s) {
      WaveshaperVoiceState* state = &engine->waveshaperStates[0][s];
      state->voice = 0;
      waveshaperProcess(engine, record, state, engine->mixScratch + s * frames, frames, 1);
    }
    return;
  }
  // Every lane of every active voice prepared, then run side by side.
  ShaperJob jobs[engineMaxVoices * engineLanesMax];
  int count = 0;
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    if (v >= engineMaxVoices) break;
    float* buffer = engine->masterBuffers[v];
    if (!buffer) continue;
    for (int s = 0; s < n; ++s) {
      WaveshaperVoiceState* state = &engine->waveshaperStates[v][s];
      state->voice = static_cast<std::uint16_t>(v);
      if (shaperPrepare(engine, record, state, buffer + s * frames, frames, 0, &jobs[count])) ++count;
    }
  }
  shaperRunAll(jobs, count, frames);
}

void waveshaperVoiceInit(WaveshaperVoiceState* state, std::uint16_t voice) {
  if (!state) return;
  state->outGain = 1.0f;
  state->inGain = 1.0f;
  state->offset = 512.0f;
  state->compensation = 0.0f;
  state->voice = voice < engineMaxVoices ? voice : 0;
}

void waveshaperVoiceStart(Engine* engine, std::int16_t, std::int16_t voice, std::int16_t, std::uint8_t legato) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  const WaveshaperRecord& r = engine->waveshaper;
  if (legato || r.postMix) return;
  const int unit = r.word <= 3 ? r.word : 3;
  const float* M = engine->modMultipliers[unit][voice];
  WaveshaperVoiceState* s0 = &engine->waveshaperStates[voice][0];
  s0->voice = static_cast<std::uint16_t>(voice);
  s0->outGain = r.outGain * M[11];
  s0->inGain = r.inGain * M[10];
  // No centre and no compensation yet: the first block starts on its targets without a ramp.
  s0->offset = -99999.0f;
  s0->compensation = -99999.0f;
  const int n = masterLaneCount(engine);
  for (int s = 1; s < n; ++s) engine->waveshaperStates[voice][s] = *s0;
}
