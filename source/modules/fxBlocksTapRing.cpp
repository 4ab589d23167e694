#include "modules/fxBlocksTapRing.h"

#include <cstring>

#include "engine/numeric.h"

int multiTapInit(MultiTap* tap, std::int16_t count, float* ring, std::uint32_t length) {
  if (!tap) return 0;
  if (length > multiTapMaxLength) length = multiTapMaxLength;
  if (!ring || length == 0) {
    tap->ring = nullptr;
    return 0;
  }
  tap->owned = 0;
  tap->ring = ring;
  tap->length = static_cast<std::int16_t>(length);
  std::memset(ring, 0, sizeof(float) * length);
  tap->position = 0;
  tap->lastSum = 0.0f;

  count = static_cast<std::int16_t>(numClamp<int>(count, 1, multiTapMaxTaps));
  tap->count = count;

  double s = 1.0;
  for (int i = 1; i <= count; ++i) s += 0.9 / i;
  tap->gain = static_cast<float>(0.9 * (1.0 / s));

  // Golden-section spacing; these two constants are the ones the stored sounds were made with.
  double shrink = 0.38196657869425116;
  for (int k = 0; k < multiTapMaxTaps; ++k) {
    tap->offsets[k] = k < count ? static_cast<std::uint16_t>((1.0 - shrink) * length) : 0;
    shrink *= 0.6180344478216818;
  }
  return 1;
}

void multiTapReset(MultiTap* tap) {
  if (!tap) return;
  tap->position = 0;
  tap->lastSum = 0.0f;
}

void multiTapProcess(MultiTap* tap, float* samples, std::int16_t frames) {
  if (!tap || !tap->ring || !samples || tap->length < 1) return;
  float* ring = tap->ring;
  const int length = tap->length;
  const int count = numClamp<int>(tap->count, 1, multiTapMaxTaps);
  int position = tap->position % length;
  int offsets[multiTapMaxTaps];
  for (int t = 0; t < count; ++t) offsets[t] = tap->offsets[t] % length;
  float sum = tap->lastSum;
  for (int n = 0; n < frames; ++n) {
    ring[position] = samples[n];
    sum = 0.0f;
    for (int t = 0; t < count; ++t) {
      int i = position - offsets[t];
      if (i < 0) i += length;
      sum += ring[i];
    }
    samples[n] = sum * tap->gain;
    position = position + 1 == length ? 0 : position + 1;
  }
  tap->position = static_cast<std::uint16_t>(position);
  tap->lastSum = sum;
}
