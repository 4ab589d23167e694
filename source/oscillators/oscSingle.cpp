// "Single" oscillator. Each unison voice glides its increment linearly over the block from the value
// it ended the previous block with, in 16.16 fixed point. Unison increments are always kept in
// output-rate terms; the band-limited path halves them for its double-rate rendering and ramps over
// its 2 x frames samples, so a note starts at its pitch and the glide ends with the block.
#include "oscillators/oscSingle.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace {

const double rampStartMax = 512.0;  // increments above this are held (about 22 kHz and up)

inline double clampRamp(double inc) { return numClamp(inc, 0.0, rampStartMax); }

}  // namespace

void singleRenderUnison(SingleRenderBlock* block, int first, const float*) {
  OscPhaseRamp r{static_cast<std::uint32_t>(block->phase * 65536.0f),
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(block->inc * 65536.0f)),
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(block->step * 65536.0f))};
  const float* table = block->table;
  float* out = block->out;
  const int count = block->count;
  int j = 0;
#ifdef OSC_TABLE_READ_SSE2
  if (count >= 4) {
    OscPhaseRamp4 r4(r);
    if (first) {
      for (; j + 4 <= count; j += 4) {
        _mm_storeu_ps(out + j, oscTableRead4(table, r4.p));
        r4.advance();
      }
    } else {
      for (; j + 4 <= count; j += 4) {
        _mm_storeu_ps(out + j, _mm_add_ps(_mm_loadu_ps(out + j), oscTableRead4(table, r4.p)));
        r4.advance();
      }
    }
    r = r4.scalar(r.step);
  }
#endif
  if (first) {
    for (; j < count; ++j) out[j] = oscTableRead(table, r.next());
  } else {
    for (; j < count; ++j) out[j] += oscTableRead(table, r.next());
  }
  block->phase = oscWrapPhase(static_cast<double>(r.p) / 65536.0 - block->offset);
}

void oscHalfbandDownsample(float* state, const float* input, float* output, std::int16_t frames) {
  // Polyphase form of the half-band: branch A (one all-pass section in z^-2) sees the odd input
  // samples, branch B the even ones; y[m] = 0.5 (A(x[2m + 1]) + B(x[2m])).
  // State: [0] A input, [1] A output, [2] B input, [3] B output of the previous pair.
  const float ca = 0.236471027135849f;
  const float cb = 0.7145421504974365f;
  float ax = state[0], ay = state[1], bx = state[2], by = state[3];
  for (int m = 0; m < frames; ++m) {
    const float even = input[2 * m];
    const float odd = input[2 * m + 1];
    const float a = ca * (odd - ay) + ax;
    const float b = cb * (even - by) + bx;
    ax = odd;
    ay = a;
    bx = even;
    by = b;
    output[m] = 0.5f * (a + b);
  }
  // Keep the recursion out of the denormal range once the input has gone quiet.
  const float tiny = 1e-20f;
  state[0] = std::fabs(ax) < tiny ? 0.0f : ax;
  state[1] = std::fabs(ay) < tiny ? 0.0f : ay;
  state[2] = std::fabs(bx) < tiny ? 0.0f : bx;
  state[3] = std::fabs(by) < tiny ? 0.0f : by;
}

void oscDownsampleVoice(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* buffer,
                        std::int16_t frames) {
  const int unit = oscRecordUnit(record, 0);
  oscHalfbandDownsample(state->decimator, engine->wavetables[unit].oversample, buffer, frames);
}

void singleRender(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || frames < 1 || frames > engineBlockMax) return;
  int n = record->numVoices;
  n = numClamp(n, 1, oscUnisonMax);
  const float scale = 2.0f / static_cast<float>(n + 1);
  const int unit = oscRecordUnit(record, channel);
  const bool bandLimited = record->bandLimited != 0;
  const double spreadT = oscSpreadRatio(record);
  const std::int16_t waveA = static_cast<std::int16_t>(record->waveA);

  engine->voiceCursor = -1;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, channel, frames, true, &v, &buffer)) {
    const float* mod = engine->modMultipliers[unit][v];
    const double off = static_cast<double>(mod[modRowOscPhaseA]) * 2048.0 - 1024.0;
    const double startPhase = record->phaseA;

    const double newInc = oscVoicePitch(engine, record, state);
    const double oldInc = state->incA;
    state->incA = static_cast<float>(newInc);
    const double start = clampRamp(oldInc);

    float* out = bandLimited ? engine->wavetables[unit].oversample : buffer;
    const int count = bandLimited ? 2 * frames : frames;
    const float* plain = waveGet(engine, waveA)->samples;
    const double depth = static_cast<double>(record->randTrans) * mod[modRowUnisonRandTrans] * (1.0 / 12.0);

    for (int k = 0; k < n; ++k) {
      const double r = state->unisonRandom[k];
      const double d = depth * (2.0 * r - 1.0);
      const double target = (d == 0.0 ? 1.0 : std::pow(2.0, d)) * oscUnisonSpread(k, spreadT) * start;
      const double oldK = state->unisonIncA[k];
      state->unisonIncA[k] = static_cast<float>(target);
      // Ramp ends limited alike, so the glide always lands on its (limited) target.
      const double a = clampRamp(oldK);
      const double b = clampRamp(target);
      double stepK = (b - a) / frames;
      if (frames * a + state->unisonPhaseA[k] + frames * stepK >= 65536.0) stepK = 0.0;

      SingleRenderBlock block;
      block.offset = static_cast<float>(off + startPhase);
      block.phase = oscWrapPhase(off + startPhase + state->unisonPhaseA[k]);
      block.out = out;
      block.count = static_cast<std::int16_t>(count);
      block.unison = static_cast<std::int16_t>(k);
      if (bandLimited) {
        block.inc = static_cast<float>(a * 0.5);
        block.step = static_cast<float>(stepK * 0.25);  // half the increment change over 2 x frames
        block.table = oscPickTable(engine, record, block.inc, waveA, 0);
      } else {
        block.inc = static_cast<float>(a);
        block.step = static_cast<float>(stepK);
        block.table = plain;
      }
      singleRenderUnison(&block, k == 0, oscFractionRamp);
      state->unisonPhaseA[k] = block.phase;
    }
    if (bandLimited) oscDownsampleVoice(engine, record, state, buffer, frames);
    oscApplyAmplitude(engine, record, state, scale, buffer, frames);
  }
}
