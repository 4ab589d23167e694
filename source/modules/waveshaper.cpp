#include "modules/waveshaper.h"

#include <cmath>

#include "engine/engine.h"
#include "preset/wave.h"

namespace {

inline int masterLaneCount(Engine* engine) {
  const int n = engineGetVoiceBufferCount(engine, 3);
  return n < 1 ? 1 : (n > engineLanesMax ? engineLanesMax : n);
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

void waveshaperProcess(Engine* engine, WaveshaperRecord* record, WaveshaperVoiceState* state, float* x,
                       std::int16_t frames, std::uint8_t post) {
  const int N = frames;
  if (!engine || !record || !state || !x || N < 1 || N > engineBlockMax) return;
  if (engine->paused.load(std::memory_order_relaxed)) return;
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
  out = std::isfinite(out) ? (out > 1e6 ? 1e6 : (out < -1e6 ? -1e6 : out)) : 0.0;
  in = std::isfinite(in) ? (in > 1e6 ? 1e6 : (in < -1e6 ? -1e6 : in)) : 0.0;

  // Linear ramps over the block.
  double g = std::isfinite(state->outGain) ? state->outGain : out;
  const double gStep = (out - g) / N;
  double s = 512.0 * (std::isfinite(state->inGain) ? state->inGain : in);
  const double sStep = (512.0 * in - s) / N;

  const double c1 = wrapPosition(M[12] * -512.0 + static_cast<double>(record->phase) * 512.0, 511.0);
  double c = (state->offset < -5000.0f || !std::isfinite(state->offset)) ? c1 : state->offset;
  const double cStep = (c1 - c) / N;

  const double k1 = w[static_cast<int>(c1) & 1023];
  double k = k1, kStep = 0.0;
  if (state->compensation >= -5000.0f && std::isfinite(state->compensation)) {
    k = state->compensation;
    kStep = (k1 - k) / N;
    if (kStep > -1e-24 && kStep < 1e-24) kStep = 0.0;   // keeps k0 for the whole block
  }

  for (int n = 0; n < N; ++n) {
    const double pos = wrapPosition((static_cast<double>(x[n]) + 1e-24) * s + c, c);
    s += sStep;
    c += cStep;
    const std::uint32_t fixed = static_cast<std::uint32_t>(pos * 65536.0);   // fraction in 1/65536
    const std::uint32_t i = (fixed >> 16) & 1023u;
    const float f = static_cast<float>(fixed & 0xFFFFu) * (1.0f / 65536.0f);
    const double value = w[i] + (w[(i + 1) & 1023u] - w[i]) * f - k;
    k += kStep;
    x[n] = static_cast<float>(value * g);
    g += gStep;
  }

  state->outGain = static_cast<float>(g);
  state->inGain = static_cast<float>(s / 512.0);
  state->offset = static_cast<float>(c);
  state->compensation = static_cast<float>(k);
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
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    if (v >= engineMaxVoices) break;
    float* buffer = engine->masterBuffers[v];
    if (!buffer) continue;
    for (int s = 0; s < n; ++s) {
      WaveshaperVoiceState* state = &engine->waveshaperStates[v][s];
      state->voice = static_cast<std::uint16_t>(v);
      waveshaperProcess(engine, record, state, buffer + s * frames, frames, 0);
    }
  }
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
