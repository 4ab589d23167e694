// Readers of the "Sample" oscillator: linear interpolation between neighbouring frames, the weight
// taken from the 256-step fraction table, 16.16 positions with an increment that changes by a fixed
// step per sample; and the short fades around a jump.
#include <cstring>

#include "oscillators/oscFrame.h"
#include "oscillators/oscSample.h"
#include "oscillators/oscVoiceState.h"
#include "preset/sample.h"
#include "preset/samplePool.h"

namespace {

const int fadeInLength = 16;
const int fadeOutLength = 32;

// The fade a run takes: a pending fade-in on its start, else the requested fade-out on its end.
void applyFades(SampleVoice* voice, std::uint8_t fadeOut, float* left, float* right, int count) {
  if (voice->fadeInPending) {
    const int n = count < fadeInLength ? count : fadeInLength;
    for (int i = 0; i < n; ++i) {
      const float f = static_cast<float>(i) / static_cast<float>(n);
      left[i] *= f;
      if (right) right[i] *= f;
    }
    voice->fadeInPending = 0;
  } else if (fadeOut) {
    const int n = count < fadeOutLength ? count : fadeOutLength;
    float* l = left + (count - n);
    float* r = right ? right + (count - n) : nullptr;
    for (int i = 0; i < n; ++i) {
      const float f = 1.0f - static_cast<float>(i) / static_cast<float>(n);
      l[i] *= f;
      if (r) r[i] *= f;
    }
    voice->fadeInPending = 1;
  }
}

}  // namespace

void sampleReadMono(const SampleRun* run, SampleVoice* voice, float* out, std::int16_t count) {
  const float* v = run->data;
  const float* weights = oscFractionRamp;
  std::uint32_t q = run->fraction;
  std::int32_t inc = run->increment;
  const std::int32_t step = run->step;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t k = q >> 16;
    const float w = weights[(q >> 8) & 0xFFu];
    const float a = v[k];
    out[i] = a + (v[k + 1] - a) * w;
    q += static_cast<std::uint32_t>(inc);
    inc += step;
  }
  applyFades(voice, run->fadeOut, out, nullptr, count);
}

void sampleReadMonoArgs(const float* data, std::uint32_t fraction, std::int32_t increment, std::int32_t step,
                        std::uint8_t fadeOut, SampleVoice* voice, float* out, std::int16_t count) {
  const SampleRun run{data, fraction, increment, step, fadeOut};
  sampleReadMono(&run, voice, out, count);
}

void sampleReadStereo(const SampleRun* run, SampleVoice* voice, float* left, float* right, std::int16_t count) {
  const float* v = run->data;
  const float* weights = oscFractionRamp;
  std::uint32_t q = run->fraction;
  std::int32_t inc = run->increment;
  const std::int32_t step = run->step;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t k = (q >> 16) * 2u;
    const float w = weights[(q >> 8) & 0xFFu];
    const float a = v[k];
    const float b = v[k + 1];
    left[i] = a + (v[k + 2] - a) * w;
    right[i] = b + (v[k + 3] - b) * w;
    q += static_cast<std::uint32_t>(inc);
    inc += step;
  }
  applyFades(voice, run->fadeOut, left, right, count);
}

void sampleReadStereoArgs(const float* data, std::uint32_t fraction, std::int32_t increment, std::int32_t step,
                          std::uint8_t fadeOut, SampleVoice* voice, float* left, float* right, std::int16_t count) {
  const SampleRun run{data, fraction, increment, step, fadeOut};
  sampleReadStereo(&run, voice, left, right, count);
}

bool sampleDataIsStereo(const SampleInfo* info) {
  if (!info || info->channels < 2 || info->readAsMono) return false;
  // A mono switch turned off after the load does not change the data: data decoded as mono holds
  // one value per frame until the file is read again.
  const SamplePoolEntry* entry = samplePoolEntry(info->poolIndex);
  if (entry && entry->data == info->data && entry->readAsMono) return false;
  return true;
}
