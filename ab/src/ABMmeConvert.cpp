// Sample conversions of the MME driver.
#include "ABMmeConvert.h"

#include <cstring>

#include "ABSampleFormatConverter.h"

void mmeFloatToPcm16(const float* const* buffers, int channels, int frames, int16_t* pcm) {
  for (int c = 0; c < channels; ++c) {
    const float* in = buffers[c];
    int16_t* out = pcm + c;
    if (!in) {
      for (int f = 0; f < frames; ++f) out[f * channels] = 0;
      continue;
    }
    for (int f = 0; f < frames; ++f) out[f * channels] = pcm16FromFloat(in[f]);
  }
}

void mmePcm16ToFloat(const int16_t* pcm, int channels, int pcmFrames, float* const* buffers, int frames) {
  if (pcmFrames > frames) pcmFrames = frames;
  if (pcmFrames < 0) pcmFrames = 0;
  for (int c = 0; c < channels; ++c) {
    float* out = buffers[c];
    if (!out) continue;
    const int16_t* in = pcm + c;
    for (int f = 0; f < pcmFrames; ++f) out[f] = static_cast<float>(in[f * channels]) * 3.0517578125e-05f;
    if (frames > pcmFrames) std::memset(out + pcmFrames, 0, sizeof(float) * static_cast<size_t>(frames - pcmFrames));
  }
}
