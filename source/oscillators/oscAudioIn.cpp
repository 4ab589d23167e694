// "Audio In": lane i of each voice is a copy of the input that selector i names, or silence when
// that input does not exist or the device did not deliver it for this block.
#include "oscillators/oscAudioIn.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "oscillators/oscFrame.h"
#include "preset/oscRecord.h"

namespace {

// The input record a selector names, or null for "no input" and inputs missing from this block.
const AudioInput* selectedInput(const Engine* engine, std::int16_t selector) {
  if (selector < 0 || selector >= engineAudioInputs) return nullptr;
  const AudioInput& in = engine->inputs[selector];
  return in.filled ? &in : nullptr;
}

// Copies one block of input; values a device should never deliver (not finite, denormal) become 0.
void copyInput(const AudioInput* in, float* lane, int frames) {
  if (!in) {
    std::memset(lane, 0, sizeof(float) * static_cast<std::size_t>(frames));
    return;
  }
  for (int i = 0; i < frames; ++i) {
    const float x = in->samples[i];
    lane[i] = std::fabs(x) >= 1e-30f && std::fabs(x) <= 1e30f ? x : 0.0f;
  }
}

}  // namespace

void oscRenderAudioIn(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || frames < 1 || frames > engineBlockMax) return;
  const int lanes = engineGetVoiceBufferCount(engine, channel) >= 2 ? 2 : 1;
  const float gain = record->inputGain;
  engine->voiceCursor = -1;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, channel, frames, true, &v, &buffer)) {
    for (int lane = 0; lane < lanes; ++lane)
      copyInput(selectedInput(engine, record->inputs[lane]), buffer + lane * frames, frames);
    if (lanes == 2)
      oscApplyAmplitudeStereo(engine, record, state, gain, buffer, frames);
    else
      oscApplyAmplitude(engine, record, state, gain, buffer, frames);
  }
}
