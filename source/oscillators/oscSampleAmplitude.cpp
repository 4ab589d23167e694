// Amplitude stage of the "Sample" and "Granular" oscillators: the voice's gain ramps linearly from
// the value reached at the end of the previous block toward the amplitude target over the samples
// left in the envelope's current segment; where that segment ends inside the block the envelope is
// evaluated there and the ramp turns toward the new level for the rest of the block.
#include <cmath>

#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/numeric.h"
#include "oscillators/oscAmpEnvelope.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscSample.h"
#include "preset/oscRecord.h"

namespace {

const float sampleLimit = 8.0f;

inline float limited(float x, bool limit) {
  if (!limit) return x;
  return numClampPassNaN(x, -sampleLimit, sampleLimit);
}

}  // namespace

void sampleApplyAmplitudeLanes(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* buffer,
                               std::int16_t frames, int lanes, bool limitSamples) {
  if (!engine || !record || !state || !buffer || frames < 1 || frames > engineBlockMax) return;
  const int n = frames;
  const OscAmpEnvelope env = oscAmpEnvelopeOf(engine, record, state, n);
  EnvelopeSlot* slot = env.slot;
  EnvelopeInstance* inst = env.inst;
  int segState = env.segState;
  int ramp = env.ramp;
  const double a = oscVoiceGain(engine, record, state) + oscGainGuard;
  double target = engine->modMultipliers[env.unit][env.voice][modRowOscAmp] * a + oscGainGuard;
  if (!(target <= 1.0)) target = target > 1.0 ? 1.0 : 0.0;  // also a target that is not a number
  double g = static_cast<double>(state->gain) + oscGainGuard;
  if (!std::isfinite(g)) g = oscGainGuard;
  double step = ramp == 0 ? 0.0 : (target - g) / ramp;
  float* lane1 = lanes > 1 ? buffer + n : nullptr;

  if (ramp >= n) {
    for (int i = 0; i < n; ++i) {
      const double gi = g + step * i;
      if (std::fabs(gi) < oscSilentGain) {
        buffer[i] = 0.0f;
        if (lane1) lane1[i] = 0.0f;
      } else {
        buffer[i] = static_cast<float>(limited(buffer[i], limitSamples) * gi);
        if (lane1) lane1[i] = static_cast<float>(limited(lane1[i], limitSamples) * gi);
      }
    }
    g += step * n;
  } else {
    int c = 0;
    for (int i = 0; i < n; ++i) {
      if (c >= ramp) {
        if (segState == 1 || segState == 3) {
          const double level =
              envGenRenderAlt(engine, slot, inst, static_cast<std::int16_t>(i), static_cast<std::int16_t>(n));
          const double d = level * a - g;
          step = d != 0.0 ? d / (n - i) : 0.0;
          segState = inst->state;
          ramp = oscWholeRamp(inst->rampLength, n);
          c = 0;
        } else if (segState == 2) {  // holding: keep the gain
          ramp = n;
          step = 0.0;
          c = 0;
        } else {  // ended: silent to the end of the block
          g = 0.0;
          step = 0.0;
          ramp = n;
          c = n;
        }
      }
      if (std::fabs(g) < oscSilentGain) {
        buffer[i] = 0.0f;
        if (lane1) lane1[i] = 0.0f;
      } else {
        buffer[i] = static_cast<float>(limited(buffer[i], limitSamples) * g);
        if (lane1) lane1[i] = static_cast<float>(limited(lane1[i], limitSamples) * g);
      }
      g += step;
      ++c;
    }
  }
  state->gain = std::isfinite(g) ? static_cast<float>(g) : 0.0f;
}

void sampleApplyAmplitudeStereo(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* left,
                                std::int16_t frames) {
  sampleApplyAmplitudeLanes(engine, record, state, left, frames, 2, true);
}
