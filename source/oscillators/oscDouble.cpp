// "Double" oscillator: per unison voice wave A and wave B, each at its own pitch and phase,
// crossfaded by "Balance" (0 wave A alone, 1 wave B alone). With the polarity switch the second
// level is the negative of the first, so the sum is level A x (A - B). Band-limited: both waves read
// the level that suits their pitch at twice the rate, then a 2:1 decimator.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscSingle.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

double limitLevel(double x) {
  if (!(x >= 1e-24)) return 0.0;
  return x > 1.0 ? 1.0 : x;
}

}  // namespace

void oscRenderDouble(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || channel < 0 || channel >= engineChannels || frames < 1 || frames > engineBlockMax)
    return;
  float weights[256];
  std::memcpy(weights, oscFractionRamp, sizeof weights);
  int voices = record->numVoices;
  voices = voices < 1 ? 1 : (voices > oscUnisonMax ? oscUnisonMax : voices);
  const float scale = 2.0f / static_cast<float>(voices + 1);
  const int unit = oscRecordUnit(record, channel);
  const bool bandLimited = record->bandLimited != 0;
  const bool invert = record->auxSwitch != 0;
  const double t = oscSpreadRatio(record);
  const std::int16_t idA = static_cast<std::int16_t>(record->waveA);
  const std::int16_t idB = static_cast<std::int16_t>(record->waveB);
  const float* plainA = waveGet(engine, idA)->samples;
  const float* plainB = waveGet(engine, idB)->samples;
  const int n = bandLimited ? 2 * frames : frames;

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
    float* out = bandLimited ? engine->wavetables[unit].oversample : buffer;
    std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(n));

    const double incA = oscVoicePitch(engine, record, state);
    const double incB = oscVoicePitchB(engine, record, state);
    const double depth = static_cast<double>(record->randTrans) * mod[36];
    const double shiftA = 2048.0 * mod[3] + record->phaseA - 1024.0;

    // Levels: A from 1 - previous balance to 1 - balance, B from the previous balance to the balance.
    const double b = oscDoubleBalance(engine, state, unit, record->balanceDouble);
    const double bPrev = oscDoubleLimitBalance(state->mixValue);
    const float levelA0 = static_cast<float>(1.0 - bPrev);
    const float stepA = static_cast<float>((limitLevel(1.0 - b) - levelA0) / n);
    float levelB0, stepB;
    if (invert) {
      levelB0 = -levelA0;
      stepB = -stepA;
    } else {
      levelB0 = static_cast<float>(limitLevel(bPrev));
      stepB = static_cast<float>((b - levelB0) / n);
    }

    for (int k = 0; k < voices; ++k) {
      const double f = oscDoubleDetune(state, k, t, depth);
      const double phaseA = oscWrapPhase(shiftA + state->unisonPhaseA[k]);
      const double phaseB = oscWrapPhase(static_cast<double>(record->phaseB) + state->unisonPhaseB[k]);
      OscWaveRamp a = oscDoubleRamp(&state->unisonIncA[k], f * incA, n, phaseA, bandLimited);
      OscWaveRamp w = oscDoubleRamp(&state->unisonIncB[k], f * incB, n, phaseB, bandLimited);
      const float* tableA = bandLimited ? oscPickTable(engine, record, a.start, idA, 0) : plainA;
      const float* tableB = bandLimited ? oscPickTable(engine, record, w.start, idB, 1) : plainB;

      float la = levelA0, lb = levelB0;
      std::uint32_t pa = a.phase, pb = w.phase;
      std::int32_t ia = a.inc, ib = w.inc;
      for (int j = 0; j < n; ++j) {
        la += stepA;
        lb += stepB;
        out[j] += oscDoubleRead(tableB, pb, weights) * lb + oscDoubleRead(tableA, pa, weights) * la;
        pa = (pa + static_cast<std::uint32_t>(ia)) & 0x3FFFFFFu;
        ia += a.step;
        pb = (pb + static_cast<std::uint32_t>(ib)) & 0x3FFFFFFu;
        ib += w.step;
      }
      state->unisonPhaseA[k] = oscWrapPhase(pa / 65536.0 - shiftA);
      state->unisonPhaseB[k] = oscWrapPhase(pb / 65536.0 - record->phaseB);
    }
    state->mixValue = static_cast<float>(b);
    if (bandLimited) oscDownsampleVoice(engine, record, state, buffer, frames);
    oscApplyAmplitude(engine, record, state, scale, buffer, frames);
  }
}
