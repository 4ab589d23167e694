// "Ringmod" oscillator: per unison voice wave A times a mix of a constant and wave B,
// A x ((1 - balance) + balance x B). Plain waves only; wave B runs from where it stopped, without a
// phase offset.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

void oscRenderRingmod(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || channel < 0 || channel >= engineChannels || frames < 1 || frames > engineBlockMax)
    return;
  float weights[256];
  std::memcpy(weights, oscFractionRamp, sizeof weights);
  int voices = record->numVoices;
  voices = voices < 1 ? 1 : (voices > oscUnisonMax ? oscUnisonMax : voices);
  const float scale = 2.0f / static_cast<float>(voices + 1);
  const int unit = oscRecordUnit(record, channel);
  const double t = oscSpreadRatio(record);
  const float* tableA = waveGet(engine, static_cast<std::int16_t>(record->waveA))->samples;
  const float* tableB = waveGet(engine, static_cast<std::int16_t>(record->waveB))->samples;
  const int n = frames;

  engine->voiceCursor = -1;
  std::int16_t v;
  while ((v = engineNextActiveVoice(engine)) >= 0) {
    float* out = engine->voiceBuffers[channel][v];
    if (!out) continue;
    if (oscVoiceSilent(engine, record, v)) {
      oscClearVoiceBuffer(engine, channel, v, frames);
      continue;
    }
    OscVoiceState* state = engineGetOscVoiceState(engine, channel, v);
    state->voiceIndex = v;
    const float* mod = engine->modMultipliers[unit][v];
    std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(n));

    const double incA = oscVoicePitch(engine, record, state);
    const double incB = oscVoicePitchB(engine, record, state);
    const double depth = static_cast<double>(record->randTrans) * mod[36];
    const double shiftA = 2048.0 * mod[3] + record->phaseA - 1024.0;

    // Dry level from 1 - previous balance to 1 - balance (limited to 0..1); ring level from the
    // previous balance to the balance.
    const double b = oscDoubleBalance(engine, state, unit, record->balanceRingmod);
    const double bPrev = oscDoubleLimitBalance(state->mixValue);
    double dryEnd = 1.0 - b;
    dryEnd = !(dryEnd >= 1e-24) ? 0.0 : (dryEnd > 1.0 ? 1.0 : dryEnd);
    const float dry0 = static_cast<float>(1.0 - bPrev);
    const float ring0 = static_cast<float>(bPrev);
    const float dryStep = static_cast<float>((dryEnd - dry0) / n);
    const float ringStep = static_cast<float>((b - ring0) / n);

    for (int k = 0; k < voices; ++k) {
      const double f = oscDoubleDetune(state, k, t, depth);
      const double phaseA = oscWrapPhase(shiftA + state->unisonPhaseA[k]);
      const double phaseB = oscWrapPhase(state->unisonPhaseB[k]);
      const OscWaveRamp a = oscDoubleRamp(&state->unisonIncA[k], f * incA, n, phaseA, 0);
      const OscWaveRamp w = oscDoubleRamp(&state->unisonIncB[k], f * incB, n, phaseB, 0);
      float dry = dry0, ring = ring0;
      std::uint32_t pa = a.phase, pb = w.phase;
      std::int32_t ia = a.inc, ib = w.inc;
      for (int j = 0; j < n; ++j) {
        dry += dryStep;
        ring += ringStep;
        const float x = oscDoubleRead(tableA, pa, weights);
        out[j] += oscDoubleRead(tableB, pb, weights) * x * ring + x * dry;
        pa = (pa + static_cast<std::uint32_t>(ia)) & 0x3FFFFFFu;
        ia += a.step;
        pb = (pb + static_cast<std::uint32_t>(ib)) & 0x3FFFFFFu;
        ib += w.step;
      }
      state->unisonPhaseA[k] = oscWrapPhase(pa / 65536.0 - shiftA);
      state->unisonPhaseB[k] = static_cast<float>(pb / 65536.0);
    }
    state->mixValue = static_cast<float>(b);
    oscApplyAmplitude(engine, record, state, scale, out, frames);
  }
}
