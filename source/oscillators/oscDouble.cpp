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
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

#include "engine/numeric.h"

namespace {

double limitLevel(double x) { return numGate(x, 1e-24, 1.0); }

// One unison voice: both waves' ramps read and summed into out with the block's level curves.
void addUnison(float* out, int n, const float* tableA, const float* tableB, OscPhaseRamp& a, OscPhaseRamp& b,
               const float* levelA, const float* levelB) {
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  if (n >= 4) {
    OscPhaseRamp4 a4(a), b4(b);
    for (; j + 4 <= n; j += 4) {
      const __m128 x = _mm_add_ps(_mm_mul_ps(oscTableRead4(tableB, b4.p), _mm_loadu_ps(levelB + j)),
                                  _mm_mul_ps(oscTableRead4(tableA, a4.p), _mm_loadu_ps(levelA + j)));
      _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), x));
      a4.advance();
      b4.advance();
    }
    a = a4.scalar(a.step);
    b = b4.scalar(b.step);
  }
#endif
  for (; j < n; ++j) out[j] += oscTableRead(tableB, b.next()) * levelB[j] + oscTableRead(tableA, a.next()) * levelA[j];
}

}  // namespace

void oscRenderDouble(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  OscUnisonBlock block;
  if (!oscUnisonBegin(&block, engine, record, channel, frames, true)) return;
  const bool invert = record->auxSwitch != 0;
  const int n = block.count;
  float levelA[2 * engineBlockMax], levelB[2 * engineBlockMax];

  OscUnisonVoice voice;
  while (oscUnisonNextVoice(&block, &voice)) {
    OscVoiceState* state = voice.state;
    // Levels: A from 1 - previous balance to 1 - balance, B from the previous balance to the balance;
    // the same curves for every unison voice.
    const double b = oscDoubleBalance(engine, state, block.unit, record->balanceDouble);
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
    oscLevelRamps(levelA, levelA0, stepA, levelB, levelB0, stepB, n);

    for (int k = 0; k < block.unison; ++k) {
      const double f = voice.detune[k];
      const double phaseA = oscWrapPhase(voice.shiftA + state->unisonPhaseA[k]);
      const double phaseB = oscWrapPhase(static_cast<double>(record->phaseB) + state->unisonPhaseB[k]);
      const OscWaveRamp a = oscDoubleRamp(&state->unisonIncA[k], f * voice.incA, n, phaseA, block.bandLimited);
      const OscWaveRamp w = oscDoubleRamp(&state->unisonIncB[k], f * voice.incB, n, phaseB, block.bandLimited);
      const float* tableA = block.bandLimited ? oscPickTable(engine, record, a.start, block.waveA, 0) : block.plainA;
      const float* tableB = block.bandLimited ? oscPickTable(engine, record, w.start, block.waveB, 1) : block.plainB;

      OscPhaseRamp ra = oscWaveRampPhase(a), rb = oscWaveRampPhase(w);
      addUnison(voice.out, n, tableA, tableB, ra, rb, levelA, levelB);
      state->unisonPhaseA[k] = oscWrapPhase(ra.p / 65536.0 - voice.shiftA);
      state->unisonPhaseB[k] = oscWrapPhase(rb.p / 65536.0 - record->phaseB);
    }
    state->mixValue = static_cast<float>(b);
    if (block.bandLimited) oscDownsampleVoice(engine, record, state, voice.buffer, frames);
    oscApplyAmplitude(engine, record, state, block.scale, voice.buffer, frames);
  }
}
