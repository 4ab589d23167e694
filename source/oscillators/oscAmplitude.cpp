// Amplitude stage: the raw block of a voice times a gain that ramps linearly from the value reached
// at the end of the previous block toward the channel's amplitude envelope; when the envelope's
// segment ends inside the block, the envelope is evaluated at that sample and the ramp turns.
#include <cmath>

#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/lanes.h"
#include "oscillators/oscAmpEnvelope.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"

#if LANES_AVX
#include <immintrin.h>
#endif

namespace {

// buffer[i] x (v0 + i x s) for i = 0 .. frames - 1, each product formed in Real and rounded to float.
template <typename Real>
void rampBlock(float* buffer, int frames, Real v0, Real s) {
  for (int i = 0; i < frames; ++i) buffer[i] = static_cast<float>(buffer[i] * (v0 + i * s));
}

#if LANES_AVX
// The AVX form of the double ramp below: eight samples as two vectors of four doubles, the same
// conversions and operations per sample.
LANES_TARGET_AVX void rampBlockAvx(float* buffer, int frames, double v0, double s) {
  const __m256d base = _mm256_set1_pd(v0);
  const __m256d slope = _mm256_set1_pd(s);
  const __m256d eight = _mm256_set1_pd(8.0);
  __m256d index0 = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
  __m256d index1 = _mm256_setr_pd(4.0, 5.0, 6.0, 7.0);
  int i = 0;
  for (; i + 8 <= frames; i += 8) {
    const __m256d g0 = _mm256_add_pd(base, _mm256_mul_pd(index0, slope));
    const __m256d g1 = _mm256_add_pd(base, _mm256_mul_pd(index1, slope));
    const __m256d x0 = _mm256_cvtps_pd(_mm_loadu_ps(buffer + i));
    const __m256d x1 = _mm256_cvtps_pd(_mm_loadu_ps(buffer + i + 4));
    _mm_storeu_ps(buffer + i, _mm256_cvtpd_ps(_mm256_mul_pd(x0, g0)));
    _mm_storeu_ps(buffer + i + 4, _mm256_cvtpd_ps(_mm256_mul_pd(x1, g1)));
    index0 = _mm256_add_pd(index0, eight);
    index1 = _mm256_add_pd(index1, eight);
  }
  for (; i < frames; ++i) buffer[i] = static_cast<float>(buffer[i] * (v0 + i * s));
}
#endif

#ifdef OSC_TABLE_READ_SSE2
// The double form eight samples at a time: the same conversions and operations per sample (an
// optimising compiler does not always vectorise the plain loop itself, e.g. at -O2). Each pair of
// samples keeps its own index vector, so no addition chains from one pair to the next.
template <>
void rampBlock<double>(float* buffer, int frames, double v0, double s) {
#if LANES_AVX
  if (lanesActive == laneSetAvx) {
    rampBlockAvx(buffer, frames, v0, s);
    return;
  }
#endif
  const __m128d base = _mm_set1_pd(v0);
  const __m128d slope = _mm_set1_pd(s);
  const __m128d eight = _mm_set1_pd(8.0);
  __m128d index[4] = {_mm_setr_pd(0.0, 1.0), _mm_setr_pd(2.0, 3.0), _mm_setr_pd(4.0, 5.0), _mm_setr_pd(6.0, 7.0)};
  int i = 0;
  for (; i + 8 <= frames; i += 8) {
    for (int h = 0; h < 2; ++h) {
      const __m128 x = _mm_loadu_ps(buffer + i + 4 * h);
      const __m128d g0 = _mm_add_pd(base, _mm_mul_pd(index[2 * h], slope));
      const __m128d g1 = _mm_add_pd(base, _mm_mul_pd(index[2 * h + 1], slope));
      const __m128 lo = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(x), g0));
      const __m128 hi = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), g1));
      _mm_storeu_ps(buffer + i + 4 * h, _mm_movelh_ps(lo, hi));
    }
    for (auto& k : index) k = _mm_add_pd(k, eight);
  }
  for (; i < frames; ++i) buffer[i] = static_cast<float>(buffer[i] * (v0 + i * s));
}
#endif

// Walks one block; lanes 1 or 2 (lane 1 at buffer + frames). Returns the end value.
template <typename Real>
Real applyRamp(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, double scale, float* buffer,
               int frames, int lanes) {
  const OscAmpEnvelope env = oscAmpEnvelopeOf(engine, record, state, frames);
  EnvelopeSlot* slot = env.slot;
  EnvelopeInstance* inst = env.inst;
  int segState = env.segState;
  int n = env.ramp;
  const double g = oscVoiceGain(engine, record, state);
  double e = engine->modMultipliers[env.unit][env.voice][modRowOscAmp] * (oscGainGuard + g) + oscGainGuard;
  if (!(e <= 1.0)) e = e > 1.0 ? 1.0 : 0.0;
  const double target = e * scale;
  Real v = static_cast<Real>(state->gain + oscGainGuard);
  if (!std::isfinite(static_cast<double>(v))) v = 0;
  Real s = n == 0 ? Real(0) : static_cast<Real>((target - v) / n);
  const bool invert = record->auxSwitch != 0;
  if (invert) {
    v = -v;
    s = -s;
  }
  float* lane1 = lanes > 1 ? buffer + frames : nullptr;

  if (n >= frames) {
    const double end = static_cast<double>(v) + static_cast<double>(s) * frames;
    if (std::fabs(static_cast<double>(v)) < oscSilentGain && std::fabs(end) < oscSilentGain) {
      for (int i = 0; i < frames * lanes; ++i) buffer[i] = 0.0f;
    } else if (lane1) {
      for (int i = 0; i < frames; ++i) {
        buffer[i] = static_cast<float>(buffer[i] * v);
        lane1[i] = static_cast<float>(lane1[i] * v);
        v += s;
      }
    } else {
      // v + i x s rather than a running sum: no carried dependency, so the loop vectorises.
      const Real v0 = v;
      rampBlock(buffer, frames, v0, s);
      v = v0 + frames * s;
    }
    return v;
  }

  int c = 0;
  for (int i = 0; i < frames; ++i) {
    if (c >= n) {
      if (segState == 1 || segState == 3) {
        const double level =
            envGenRenderAlt(engine, slot, inst, static_cast<std::int16_t>(i), static_cast<std::int16_t>(frames));
        double t = level * (oscGainGuard + g);
        if (invert) t = -t;
        const double d = t * scale - static_cast<double>(v);
        s = d != 0.0 ? static_cast<Real>(d / (frames - i)) : Real(0);
        n = oscWholeRamp(inst->rampLength, frames);
        segState = inst->state;
        c = 0;
        if (segState == 0) {  // the envelope has ended here: silent from this sample on
          v = 0;
          s = 0;
          n = frames;
          c = frames;
        }
      } else if (segState == 2) {
        s = 0;
        n = frames;
        c = 0;
      } else {
        v = 0;
        s = 0;
        n = frames;
        c = frames;
      }
    }
    if (std::fabs(static_cast<double>(v)) < oscSilentGain) {  // no denormal products near silence
      buffer[i] = 0.0f;
      if (lane1) lane1[i] = 0.0f;
    } else {
      buffer[i] = static_cast<float>(buffer[i] * v);
      if (lane1) lane1[i] = static_cast<float>(lane1[i] * v);
    }
    v += s;
    ++c;
  }
  return v;
}

void store(OscVoiceState* state, const ChannelOscRecord* record, double v) {
  if (record->auxSwitch) v = -v;
  state->gain = std::isfinite(v) ? static_cast<float>(v) : 0.0f;
}

}  // namespace

void oscApplyAmplitude(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale, float* buffer,
                       std::int16_t frames) {
  if (!engine || !record || !state || !buffer || frames < 1 || frames > engineBlockMax) return;
  store(state, record, applyRamp<double>(engine, record, state, scale, buffer, frames, 1));
}

void oscApplyAmplitudeArgs(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale,
                           float* buffer, std::int16_t frames) {
  oscApplyAmplitude(engine, record, state, scale, buffer, frames);
}

void oscApplyAmplitudeStereo(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale,
                             float* buffer, std::int16_t frames) {
  if (!engine || !record || !state || !buffer || frames < 1 || frames > engineBlockMax) return;
  store(state, record, applyRamp<float>(engine, record, state, scale, buffer, frames, 2));
}
