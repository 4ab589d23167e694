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

namespace {

// One unison voice: A x (B x ring + dry) summed into out with the block's level curves.
void addUnison(float* out, int n, const float* tableA, const float* tableB, OscPhaseRamp& a, OscPhaseRamp& b,
               const float* ring, const float* dry) {
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  if (n >= 4) {
    OscPhaseRamp4 a4(a), b4(b);
    for (; j + 4 <= n; j += 4) {
      const __m128 x = oscTableRead4(tableA, a4.p);
      const __m128 y = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(oscTableRead4(tableB, b4.p), x), _mm_loadu_ps(ring + j)),
                                  _mm_mul_ps(x, _mm_loadu_ps(dry + j)));
      _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), y));
      a4.advance();
      b4.advance();
    }
    a = a4.scalar(a.step);
    b = b4.scalar(b.step);
  }
#endif
  for (; j < n; ++j) {
    const float x = oscTableRead(tableA, a.next());
    out[j] += oscTableRead(tableB, b.next()) * x * ring[j] + x * dry[j];
  }
}

}  // namespace

void oscRenderRingmod(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  OscUnisonBlock block;
  if (!oscUnisonBegin(&block, engine, record, channel, frames, false)) return;
  const int n = frames;
  float dry[engineBlockMax], ring[engineBlockMax];

  OscUnisonVoice voice;
  while (oscUnisonNextVoice(&block, &voice)) {
    OscVoiceState* state = voice.state;
    // Dry level from 1 - previous balance to 1 - balance (limited to 0..1); ring level from the
    // previous balance to the balance; the same curves for every unison voice.
    const double b = oscDoubleBalance(engine, state, block.unit, record->balanceRingmod);
    const double bPrev = oscDoubleLimitBalance(state->mixValue);
    double dryEnd = 1.0 - b;
    dryEnd = !(dryEnd >= 1e-24) ? 0.0 : (dryEnd > 1.0 ? 1.0 : dryEnd);
    const float dry0 = static_cast<float>(1.0 - bPrev);
    const float ring0 = static_cast<float>(bPrev);
    const float dryStep = static_cast<float>((dryEnd - dry0) / n);
    const float ringStep = static_cast<float>((b - ring0) / n);
    oscLevelRamps(dry, dry0, dryStep, ring, ring0, ringStep, n);

    for (int k = 0; k < block.unison; ++k) {
      const double f = voice.detune[k];
      const double phaseA = oscWrapPhase(voice.shiftA + state->unisonPhaseA[k]);
      const double phaseB = oscWrapPhase(state->unisonPhaseB[k]);
      const OscWaveRamp a = oscDoubleRamp(&state->unisonIncA[k], f * voice.incA, n, phaseA, 0);
      const OscWaveRamp w = oscDoubleRamp(&state->unisonIncB[k], f * voice.incB, n, phaseB, 0);
      OscPhaseRamp ra = oscWaveRampPhase(a), rb = oscWaveRampPhase(w);
      addUnison(voice.out, n, block.plainA, block.plainB, ra, rb, ring, dry);
      state->unisonPhaseA[k] = oscWrapPhase(ra.p / 65536.0 - voice.shiftA);
      state->unisonPhaseB[k] = static_cast<float>(rb.p / 65536.0);
    }
    state->mixValue = static_cast<float>(b);
    oscApplyAmplitude(engine, record, state, block.scale, voice.out, frames);
  }
}
