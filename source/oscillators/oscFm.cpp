// "FM" oscillator: per unison voice wave B (the modulator, 16.16 fixed point) scaled by the FM index
// is added to the phase of wave A (the carrier, floating point). The index is a peak deviation in
// table samples (1024 / 2 pi per radian). A modulated phase far outside the table (a huge index) is
// reduced modulo 1024 before its integer part is taken.
#include <cmath>
#include <cstring>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
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

}  // namespace

void oscRenderFm(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  OscUnisonBlock block;
  if (!oscUnisonBegin(&block, engine, record, channel, frames, false)) return;
  const float* tableA = block.plainA;
  const float* tableB = block.plainB;
  const int n = frames;
  float weights[256];
  std::memcpy(weights, oscFractionRamp, sizeof weights);

  OscUnisonVoice voice;
  while (oscUnisonNextVoice(&block, &voice)) {
    OscVoiceState* state = voice.state;
    const float* mod = voice.mod;
    float* out = voice.out;
    const double shiftA = voice.shiftA;

    double index = (record->fmIndex * state->velocityParam * mod[7] + tiny);
    for (int i = 0; i < 3; ++i) index *= state->lfoFmIndex[i] ? *state->lfoFmIndex[i] : 1.0f;
    index = limitIndex(index * ccMapFmFactor(engine, static_cast<std::int16_t>(block.unit)));
    const float index0 = static_cast<float>(limitIndex(state->fmIndex));
    const float indexStep = static_cast<float>((index + tiny - index0) / n);
    float indexEnd = index0;

    for (int k = 0; k < block.unison; ++k) {
      const double f = voice.detune[k];
      // Carrier: floating-point phase and increment.
      float c = oscWrapPhase(shiftA + state->unisonPhaseA[k]);
      const OscWaveRamp car = oscDoubleRamp(&state->unisonIncA[k], f * voice.incA + tiny, n, c, 0);
      float ci = car.start;
      const float carrierStep = car.stepValue;
      // Modulator: 16.16 fixed point, increment at most 504.
      double mi = f * voice.incB;
      if (!(mi <= modulatorMax)) mi = mi > modulatorMax ? modulatorMax : 0.0;
      const double phaseB = oscWrapPhase(static_cast<double>(record->phaseB) + state->unisonPhaseB[k]) + tiny;
      const OscWaveRamp m = oscDoubleRamp(&state->unisonIncB[k], mi + tiny, n, phaseB, 0);

      std::uint32_t pm = m.phase;
      std::int32_t im = m.inc;

      float x = index0;
      for (int j0 = 0; j0 < n; j0 += chunk) {
        const int j1 = j0 + chunk < n ? j0 + chunk : n;
        for (int j = j0; j < j1; ++j) {
          const float y = oscDoubleRead(tableB, pm, weights) * x;
          x += indexStep;
          pm = (pm + static_cast<std::uint32_t>(im)) & 0x3FFFFFFu;
          im += m.step;
          if (c >= 1024.0f) c -= 1024.0f;
          float p = y + c;
          c += ci;
          ci += carrierStep;
          if (!(p > -32768.0f && p < 32768.0f)) {   // far outside the table: reduce first
            p = p - 1024.0f * std::floor(p / 1024.0f);
            if (!(p >= 0.0f && p < 1024.0f)) p = 0.0f;
          }
          int whole = static_cast<int>(p);   // floor: truncation, one less for negative fractions
          whole -= p < static_cast<float>(whole);
          const float fraction = p - static_cast<float>(whole);
          const int i = whole & 1023;
          const float a = tableA[i];
          out[j] += static_cast<float>(tiny) + a + (tableA[(i + 1) & 1023] - a) * fraction;
        }
        c = std::fmod(c, 1024.0f);
      }
      indexEnd = x;
      state->unisonPhaseA[k] = oscWrapPhase(c - shiftA);
      state->unisonPhaseB[k] = oscWrapPhase(pm / 65536.0 - record->phaseB);
      state->incA = ci;
    }
    state->fmIndex = std::isfinite(indexEnd) ? indexEnd : 0.0f;
    oscApplyAmplitude(engine, record, state, block.scale, out, frames);
  }
}
