#include "modules/delayLine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

int delayLineInit(DelayLine* line, float initialDelay, float* buffer, std::uint32_t length) {
  if (!line) return 0;
  if (line->initialised) return 1;
  if (length > delayLineMaxLength) length = delayLineMaxLength;
  // A ring needs two slots at least (it wraps at length - 1); a shorter one is refused.
  if (length < 2) return 0;
  line->owned = 0;
  if (!buffer) {
    line->buffer = nullptr;
    buffer = static_cast<float*>(std::malloc(sizeof(float) * length));
    if (!buffer) return 0;
    line->owned = 1;
  }
  line->writePosition = 0.0;
  line->targetDelay = initialDelay;
  line->currentDelay = initialDelay;
  line->lastOutput = 0.0f;
  line->buffer = buffer;
  line->lastIndex = static_cast<std::int32_t>(length) - 1;
  std::memset(buffer, 0, sizeof(float) * length);
  line->initialised = 1;
  return 1;
}

void delayLineReset(DelayLine* line) {
  if (!line) return;
  line->writePosition = 0.0;
  line->lastOutput = 0.0f;
  line->currentDelay = line->targetDelay;
}

void delayLineRelease(DelayLine* line) {
  if (!line) return;
  if (line->owned) std::free(line->buffer);
  line->buffer = nullptr;
  line->owned = 0;
  line->initialised = 0;
}

// Keeps a delay value usable as a ring offset: finite and within a generous range, so the integer
// part below cannot overflow (the modulo then folds it onto the ring).
static double delaySane(double d, double fallback) {
  if (!std::isfinite(d)) return fallback;
  if (d < -1.0e6) return -1.0e6;
  if (d > 1.0e6) return 1.0e6;
  return d;
}

void delayLineProcess(DelayLine* line, float* samples, std::int16_t frames, float factor) {
  if (!line || !line->buffer || !samples || frames <= 0 || line->lastIndex < 1) return;
  float* ring = line->buffer;
  const std::int64_t n = line->lastIndex;  // the ring modulus
  std::int64_t w = static_cast<std::int64_t>(delaySane(line->writePosition, 0.0));
  w %= n;
  if (w < 0) w += n;

  double current = delaySane(line->currentDelay, 0.0);
  const double target = delaySane(line->targetDelay * static_cast<double>(factor), current);
  const double step = (1.0 / frames) * (target - current) * 0.65;

  float out = line->lastOutput;
  for (int i = 0; i < frames; ++i) {
    ring[w] = samples[i];
    // Integer and fractional part of the delay held to 1/65,536 of a sample.
    // (The offset keeps the argument positive, so truncation is the floor; |current| <= 1e6.)
    const std::int64_t fixed = static_cast<std::int64_t>(current * 65536.0 + 0.5 + 68719476736.0) - 68719476736LL;
    const std::int64_t whole = fixed >> 16;  // arithmetic shift: floor for negative delays too
    const double frac = current - static_cast<double>(whole);
    std::int64_t r = w - whole;
    if (r < 0 || r >= n) {  // fold onto the ring (one step for any delay up to a turn)
      r %= n;
      if (r < 0) r += n;
    }
    current += step;
    const float a = ring[r];
    const float b = ring[r + 1 == n ? 0 : r + 1];
    out = static_cast<float>(a + (b - a) * (1.0 - frac));
    samples[i] = out;
    w = w + 1 == n ? 0 : w + 1;
  }
  line->currentDelay = current;
  line->writePosition = static_cast<double>(w);
  line->lastOutput = out;
}
