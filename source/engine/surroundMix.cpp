// The surround decode: each speaker of the layout hears (cos(angle) x B0 + sin(angle) x B1 + B2) x 0.5
// x gain on the device output its channel-map slot names; the LFE output carries B2 x LFE gain x gain.
#include <cstring>

#include "engine/engine.h"
#include "engine/surround.h"
#include "preset/wave.h"

void surroundMix(Engine* engine, SurroundSettings* s, const float* buses, float* const* outputs, int outputCount,
                 int offset, float gain, std::int16_t n) {
  if (!s || !buses || !outputs || n < 1 || offset < 0 || outputCount < 0) return;
  if (s->outputsUsed > outputCount) s->outputsUsed = static_cast<std::uint16_t>(outputCount);
  const int k = outputCount < surroundMaxOutputs ? outputCount : surroundMaxOutputs;
  if (s->outputsUsed < k)
    for (int o = 0; o < k; ++o)
      if (outputs[o]) std::memset(outputs[o] + offset, 0, sizeof(float) * static_cast<std::size_t>(n));

  const float* b0 = buses;
  const float* b1 = buses + n;
  const float* b2 = buses + 2 * n;
  float* peaks = engine ? engine->speakerPeaks : nullptr;
  const SpeakerLayout* layout = surroundGetLayout(s->layout);
  if (layout) {
    const float* wave0 = waveGet(engine, 0)->samples;
    const int speakers = layout->speakers < k ? layout->speakers : k;
    for (int sp = 0; sp < speakers; ++sp) {
      const int target = s->channelMap[sp] < k ? s->channelMap[sp] : 0;
      float* out = outputs[target];
      if (!out) continue;
      out += offset;
      const unsigned a = layout->angles[sp];
      const float sn = wave0[a & 1023u];
      const float cs = wave0[(a + 256u) & 1023u];
      const float g = 0.5f * gain;
      float peak = peaks ? peaks[sp] : 0.0f;
      for (int i = 0; i < n; ++i) {
        const float o = (cs * b0[i] + sn * b1[i] + b2[i]) * g;
        out[i] = o;
        if (o > peak) peak = o;
      }
      if (peaks) peaks[sp] = peak;
    }
  }

  // The LFE needs an output of its own: a layout of eight speakers leaves none.
  const bool roomForLfe = layout ? layout->speakers < surroundMaxOutputs : s->outputsUsed < surroundMaxOutputs;
  if (s->lfeOn && s->lfeSlot < k && roomForLfe) {
    const int target = s->channelMap[s->lfeSlot] < k ? s->channelMap[s->lfeSlot] : 0;
    float* out = outputs[target];
    if (!out) return;
    out += offset;
    const float g = s->lfeGain * gain;
    float peak = peaks ? peaks[s->lfeSlot] : 0.0f;
    for (int i = 0; i < n; ++i) {
      const float v = b2[i] * g;
      out[i] = v;
      if (v > peak) peak = v;
    }
    if (peaks) peaks[s->lfeSlot] = peak;
  }
}
