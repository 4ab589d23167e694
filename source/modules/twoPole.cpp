#include "modules/twoPole.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/pitchIndex.h"
#include "modules/twoPoleTables.h"

// Memory A of a lane, by type (each history ordered newest first):
//   2: y[n-1..n-10] in 0..9, output level og in 10, resonance guard rg in 11
//   3: first section y[n-1], y[n-2] in 0, 1; second section z[n-1..n-8] in 2..9
//   5: y[n-1], y[n-2], w[n-1], w[n-2] in 0..3
//   9: low-pass a[n-1..n-9] in 0..8, high-pass b[n-1], b[n-2] in 9, 10, w[n-1], w[n-2] in 11, 12
//
// Segments: nseg = min(frames, 16) of L = frames / nseg samples, the last one shortened to what is left.
// Every segment moves the index (and for type 2 the guard) by the block's distance / the number of
// segments made, so the ramps end on their targets for any frame count (128 frames: 16 of 8).

namespace {

const TwoPoleTables& T = twoPoleTables;

// The resonance as the feedback uses it: the record's 0..1 times the lane's multiplier (entry 15),
// held within the record's range. Envelopes and LFOs can take the multiplier past one, and a
// feedback beyond the designed range makes the two-pole sections unstable.
inline double modulatedResonance(double res, double resMul) { return numClamp<double>(res * resMul, 0.0, 1.0); }

// Memory as the block finds it: another type's kernel may have left its own values in the lane (a type
// change through a record copy resets nothing), so they are brought within bounds a filter can run on.
const float memoryLimit = 1e4f;
inline float loaded(float x, float limit = memoryLimit) {
  if (!(x >= -limit)) return x != x ? 0.0f : -limit;
  return x > limit ? limit : x;
}

inline void denormalGuard(float* x, int n) {
  for (int i = 0; i < n; i += 20) x[i] += 1e-10f;
}

struct Segments {
  int length;  // L
  int count;   // segments made
};

inline Segments segmentsOf(int frames) {
  const int nseg = frames < 16 ? frames : 16;
  const int L = frames / nseg;
  return {L, (frames + L - 1) / L};
}

// Target of the block, or the lane's own index when the sum is not a number.
inline double targetOf(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  const double c = filterTargetIndex(engine, record, state);
  return std::isfinite(c) ? c : static_cast<double>(state->currentIndex);
}

}  // namespace

void twoPoleProcessLpf12dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t,
                           std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  denormalGuard(x, N);
  const double resMul = filterModMultiplier(engine, record, state, modRowFilterRes);
  const double res = record->resonance;
  const double r = numClamp<double>(2.0 * res * resMul, 0.001, 1.0);
  const double c = targetOf(engine, record, state);
  // The index whose distance from 1,100 Hz, in octaves, is twice that of the cutoff.
  const double h = dspIndexToFreq(c);
  const double c2 = dspFreqToIndex(h * h / 1100.0);
  const double t = numClamp<double>(c + (c2 - c) * r, 10.0, 479.5);
  double cur = numClamp<double>(state->currentIndex, 10.0, 479.5);

  // Resonance guard: a falling cutoff lowers the resonance for the block.
  double q = twoPoleLerp(T.g0, t) / twoPoleLerp(T.g0, cur);
  q = q <= 1.0 ? q * q * q : 1.0;
  if (!std::isfinite(q)) q = 1.0;

  float* m = state->memA;
  float og = loaded(m[10], 1e5f), rg = loaded(m[11], 1.0f);
  if (rg < 0.0f) rg = 0.0f;
  float hist[10 + engineBlockMax];  // hist[n] = y[n-10], hist[n+9] = y[n-1]
  for (int k = 0; k < 10; ++k) hist[9 - k] = loaded(m[k]);

  const Segments seg = segmentsOf(N);
  const double curStep = (t - cur) / seg.count;
  const float rgStep = static_cast<float>((q - rg) / seg.count);
  const float gain = record->gain;
  const float kRes = static_cast<float>(modulatedResonance(res, resMul));
  int n = 0;
  while (n < N) {
    const int len = N - n < seg.length ? N - n : seg.length;
    const float g0 = twoPoleLerp(T.g0, cur), a1 = twoPoleLerp(T.a1, cur), a2 = twoPoleLerp(T.a2, cur);
    const float k = twoPoleAt(T.r12, cur) * kRes * rg;
    const float d = (gain * (1.0f + twoPoleAt(T.l12, cur) * static_cast<float>(res)) - og) * rg / len;
    for (const int end = n + len; n < end; ++n) {
      const float y = g0 * ((x[n] + 1e-24f) - k * hist[n]) + a1 * hist[n + 9] + a2 * hist[n + 8] + 1e-24f;
      hist[n + 10] = y;
      x[n] = og * y + 1e-24f;
      og += d;
    }
    rg += rgStep;
    cur = numClamp<double>(cur + curStep, 80.0, 479.5);
  }

  for (int k = 0; k < 10; ++k) m[k] = numFiniteOr<float>(hist[N + 9 - k], 0.0f);
  m[10] = numFiniteOr<float>(og, 0.0f);
  m[11] = numFiniteOr<float>(rg, 0.0f);
  state->currentIndex = static_cast<float>(cur);
}

void twoPoleProcessLpf24dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t,
                           std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  denormalGuard(x, N);
  const double resMul = filterModMultiplier(engine, record, state, modRowFilterRes);
  const double res = record->resonance;
  const double r = numClamp<double>(2.0 * res * resMul, 0.001, 1.0);
  const double c = targetOf(engine, record, state);
  // The cutoff rises in proportion to its frequency in Hz and to the resonance.
  const double t = numClamp<double>(c + 0.0025 * 6.797 * dspIndexToFreq(c) * r, 80.0, 479.5);
  double cur = numClamp<double>(state->currentIndex, 80.0, 479.5);

  float* m = state->memA;
  float y1 = loaded(m[0]), y2 = loaded(m[1]);
  float hz[8 + engineBlockMax];  // hz[n] = z[n-8], hz[n+7] = z[n-1]
  for (int k = 0; k < 8; ++k) hz[7 - k] = loaded(m[2 + k]);

  const Segments seg = segmentsOf(N);
  const double curStep = (t - cur) / seg.count;
  const float gain = record->gain;
  const float kRes = static_cast<float>(modulatedResonance(res, resMul));
  int n = 0;
  while (n < N) {
    const int len = N - n < seg.length ? N - n : seg.length;
    const float g0 = twoPoleLerp(T.g0, cur), a1 = twoPoleLerp(T.a1, cur), a2 = twoPoleLerp(T.a2, cur);
    const float k = kRes * twoPoleAt(T.r24, cur);
    for (const int end = n + len; n < end; ++n) {
      const float y = g0 * ((x[n] + 1e-24f) - k * hz[n]) + a1 * y1 + a2 * y2 + 1e-24f;
      const float z = g0 * y + a1 * hz[n + 7] + a2 * hz[n + 6] + 1e-24f;
      y2 = y1;
      y1 = y;
      hz[n + 8] = z;
      x[n] = gain * z;
    }
    cur = numClamp<double>(cur + curStep, 80.0, 479.5);
  }

  m[0] = numFiniteOr<float>(y1, 0.0f);
  m[1] = numFiniteOr<float>(y2, 0.0f);
  for (int k = 0; k < 8; ++k) m[2 + k] = numFiniteOr<float>(hz[N + 7 - k], 0.0f);
  state->currentIndex = static_cast<float>(cur);
}

void twoPoleProcessHpf12dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t,
                           std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  const double resMul = filterModMultiplier(engine, record, state, modRowFilterRes);
  const float res = record->resonance;
  const float k = static_cast<float>(1.85 * modulatedResonance(res, resMul));
  const float outFactor = 1.0f - 0.66f * res;  // the record's gain is not read by this type
  const double t = numClamp<double>(targetOf(engine, record, state), 80.0, 479.5);
  double cur = numClamp<double>(state->currentIndex, 80.0, 479.5);

  float* m = state->memA;
  float y1 = loaded(m[0]) + 1e-24f, y2 = loaded(m[1]) + 1e-24f;
  float w1 = loaded(m[2]) + 1e-24f, w2 = loaded(m[3]) + 1e-24f;
  const Segments seg = segmentsOf(N);
  const double curStep = (t - cur) / seg.count;
  int n = 0;
  while (n < N) {
    const int len = N - n < seg.length ? N - n : seg.length;
    const float h0 = twoPoleLerp(T.h0, cur), a1 = twoPoleLerp(T.a1, cur), a2 = twoPoleLerp(T.a2, cur);
    for (const int end = n + len; n < end; ++n) {
      const float w = h0 * (x[n] + k * y2) + 1e-24f;  // the feedback enters two samples late
      const float y = w - 2.0f * w1 + w2 + a1 * y1 + a2 * y2 + 1e-24f;
      w2 = w1;
      w1 = w;
      y2 = y1;
      y1 = y;
      x[n] = outFactor * y;
    }
    cur = numClamp<double>(cur + curStep, 80.0, 479.5);
  }
  m[0] = numFiniteOr<float>(y1, 0.0f);
  m[1] = numFiniteOr<float>(y2, 0.0f);
  m[2] = numFiniteOr<float>(w1, 0.0f);
  m[3] = numFiniteOr<float>(w2, 0.0f);
  state->currentIndex = static_cast<float>(cur);
}

void twoPoleProcessNotch(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t,
                         std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  denormalGuard(x, N);
  const double resMul = filterModMultiplier(engine, record, state, modRowFilterRes);
  const double widthMul = filterModMultiplier(engine, record, state, modRowFilterWidth);
  const double res = record->resonance;
  const double s = 20.0 * record->width * widthMul;  // pitch-index steps each side of the cutoff
  float kHigh = static_cast<float>(1.85 * modulatedResonance(res, resMul));
  if (!(kHigh >= 0.001f)) kHigh = 0.001f;
  const float outFactor = static_cast<float>(1.0 - 0.66 * res);
  // The index itself is not limited (only the two section positions are); it is kept finite.
  const double c = numClamp<double>(targetOf(engine, record, state), -4096.0, 4096.0);
  double cur = numClamp<double>(state->currentIndex, -4096.0, 4096.0);

  float* m = state->memA;
  float ha[9 + engineBlockMax];  // ha[n] = a[n-9], ha[n+8] = a[n-1]
  for (int k = 0; k < 9; ++k) ha[8 - k] = loaded(m[k]);
  float b1 = loaded(m[9]), b2 = loaded(m[10]), w1 = loaded(m[11]), w2 = loaded(m[12]);

  const Segments seg = segmentsOf(N);
  const double curStep = (c - cur) / seg.count;
  const float kRes = static_cast<float>(modulatedResonance(res, resMul));
  int n = 0;
  while (n < N) {
    const int len = N - n < seg.length ? N - n : seg.length;
    const double pl = numClamp<double>(cur - s, 20.0, 479.5);
    const double ph = numClamp<double>(cur + s, 40.0, 475.0);
    const float g0 = twoPoleLerp(T.g0, pl), la1 = twoPoleLerp(T.a1, pl), la2 = twoPoleLerp(T.a2, pl);
    const float kLow = kRes * twoPoleAt(T.r12, pl);
    const float h0 = twoPoleLerp(T.h0, ph), ha1 = twoPoleLerp(T.a1, ph), ha2 = twoPoleLerp(T.a2, ph);
    for (const int end = n + len; n < end; ++n) {
      const float in = x[n];
      // The sum of the previous sample's two section outputs: the output lags by one sample.
      x[n] = ha[n + 8] + outFactor * b1 + 2e-24f;
      const float a = g0 * (in - kLow * ha[n]) + la1 * ha[n + 8] + la2 * ha[n + 7] + 2e-24f;
      const float w = h0 * (in + kHigh * b2) + 1e-24f;
      const float b = w - 2.0f * w1 + w2 + ha1 * b1 + ha2 * b2 + 1e-24f;
      ha[n + 9] = a;
      w2 = w1;
      w1 = w;
      b2 = b1;
      b1 = b;
    }
    cur += curStep;
  }

  for (int k = 0; k < 9; ++k) m[k] = numFiniteOr<float>(ha[N + 8 - k], 0.0f);
  m[9] = numFiniteOr<float>(b1, 0.0f);
  m[10] = numFiniteOr<float>(b2, 0.0f);
  m[11] = numFiniteOr<float>(w1, 0.0f);
  m[12] = numFiniteOr<float>(w2, 0.0f);
  state->currentIndex = static_cast<float>(cur);
}

void filterRenderLpf12dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, twoPoleProcessLpf12dB);
}
void filterRenderLpf24dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, twoPoleProcessLpf24dB);
}
void filterRenderHpf12dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, twoPoleProcessHpf12dB);
}
void filterRenderNotch(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, twoPoleProcessNotch);
}
