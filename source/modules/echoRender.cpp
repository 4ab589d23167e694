// One block of the echo: three lines, each a feedback loop of allpass chain, high-pass, low-pass
// and a gliding delay, mixed into the master buses at its pan.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/allpassTable.h"
#include "modules/echoEffect.h"
#include "modules/effectShared.h"
#include "modules/onePoleTables.h"

// Table index of a pitch index scaled by a modulation factor: truncated, within 0..last.
static int echoTableIndex(float pitchIndex, float factor, int last) {
  const double x = static_cast<double>(pitchIndex) * factor;
  if (!(x > 0.0)) return 0;
  return x >= last ? last : static_cast<int>(x);
}

static void echoAllpassChain(DspState10* s, float filterMod, float* x, int n) {
  for (int i = 0; i < n; i += 20) x[i] += 1e-10f;
  const double c = allpassTable[echoTableIndex(s->pitchIndex, filterMod, allpassTableSize - 1)];
  const double fb = std::isfinite(s->feedback) ? s->feedback : 0.0;
  double y[4], prev[4];
  for (int k = 0; k < 4; ++k) {
    y[k] = s->states[k];
    prev[k] = s->states[4 + k];
  }
  for (int t = 0; t < n; ++t) {
    double in = x[t] + fb * y[3];
    for (int k = 0; k < 4; ++k) {
      const double out = c * (in - y[k]) + prev[k];
      prev[k] = in;
      y[k] = out;
      in = out;
    }
    x[t] = static_cast<float>((x[t] + y[3]) * 0.5);
  }
  for (int k = 0; k < 4; ++k) {
    s->states[k] = static_cast<float>(y[k]);
    s->states[4 + k] = static_cast<float>(prev[k]);
  }
}

// echoAllpassChain on L lines side by side: each line's chain with its feedback is one long run of
// dependent operations, so lines interleaved overlap. Per line the operations and their order are
// echoAllpassChain's, so each line's results are the same bit for bit.
template <int L>
static void echoAllpassChains(DspState10* const* states, float filterMod, float* const* xs, int n) {
  double c[L], fb[L], y[L][4], prev[L][4];
  for (int l = 0; l < L; ++l) {
    DspState10* s = states[l];
    float* x = xs[l];
    for (int i = 0; i < n; i += 20) x[i] += 1e-10f;
    c[l] = allpassTable[echoTableIndex(s->pitchIndex, filterMod, allpassTableSize - 1)];
    fb[l] = std::isfinite(s->feedback) ? s->feedback : 0.0;
    for (int k = 0; k < 4; ++k) {
      y[l][k] = s->states[k];
      prev[l][k] = s->states[4 + k];
    }
  }
  for (int t = 0; t < n; ++t) {
    for (int l = 0; l < L; ++l) {
      float* x = xs[l];
      double in = x[t] + fb[l] * y[l][3];
      for (int k = 0; k < 4; ++k) {
        const double out = c[l] * (in - y[l][k]) + prev[l][k];
        prev[l][k] = in;
        y[l][k] = out;
        in = out;
      }
      x[t] = static_cast<float>((x[t] + y[l][3]) * 0.5);
    }
  }
  for (int l = 0; l < L; ++l)
    for (int k = 0; k < 4; ++k) {
      states[l]->states[k] = static_cast<float>(y[l][k]);
      states[l]->states[4 + k] = static_cast<float>(prev[l][k]);
    }
}

static void echoHighPass(DspState3* s, float filterMod, float* x, int n) {
  const int i = echoTableIndex(s->pitchIndex, filterMod, onePoleLastIndex);
  const double g = onePoleHighTable[i], p = onePoleFeedbackTable[i];
  double y = s->state1, tPrev = s->state2;
  for (int t = 0; t < n; ++t) {
    const double in = x[t] * g;
    y = y * p + 1e-24 - tPrev + in;
    tPrev = in;
    x[t] = static_cast<float>(y);
  }
  s->state1 = static_cast<float>(y);
  s->state2 = static_cast<float>(tPrev);
}

static void echoLowPass(DspState2* s, float filterMod, float* x, int n) {
  const int i = echoTableIndex(s->pitchIndex, filterMod, onePoleLastIndex);
  const double g = onePoleLowTable[i], p = onePoleFeedbackTable[i];
  double y = s->state;
  for (int t = 0; t < n; ++t) {
    y = y * p + 1e-24 + x[t] * g;
    x[t] = static_cast<float>(y);
  }
  s->state = static_cast<float>(y);
}

void effectEchoKernel(Engine* engine, EffectEchoRecord* r, const float* input, std::int16_t frames) {
  if (!engine || !r || !input || frames < 1 || frames > effectBlockFrames) return;
  const int n = frames;
  const float* mod = effectModRow(engine);

  // "Beat" mode: the lines follow the tempo clock every block.
  if (r->header.timeUnit == effectUnitBeats) {
    const double spb = tempoGetSamplesPerBeat(engine);
    for (int l = 0; l < 3; ++l) {
      EchoLine& line = r->lines[l];
      const std::int32_t last = line.delay.lastIndex;
      double d = r->beatTime * spb * r->lineTimeFactor[l];
      if (!std::isfinite(d) || d < 1.0) d = 1.0;
      if (last > 1 && d >= last) d = last - 1;
      line.delay.targetDelay = d;
    }
  }

  // The loop gain is kept below one whatever the feedback modulation asks, so the loop cannot run away.
  // Each line reads only its own work block, so the lines are independent: all take their feedback
  // first, the allpass chains then run side by side, then each line its filters and delay.
  double loop = static_cast<double>(r->feedback) * mod[effectModFeedback];
  const float filterMod = mod[effectModFilter];
  DspState10* chainStates[3];
  float* chainWork[3];
  int chains = 0;
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    float* work = r->workBlocks[l];
    if (!line.lineOn || !work) continue;
    double g = loop * r->lineFeedback[l];
    g = numClampOr(g, -0.9999, 0.9999, 0.0);
    for (int t = 0; t < n; ++t) work[t] = static_cast<float>(work[t] * g + input[t]);
    for (int t = 0; t < n; t += 37) work[t] += 1e-10f;
    if (line.allpassOn) {
      chainStates[chains] = &line.allpass;
      chainWork[chains] = work;
      ++chains;
    }
  }
  if (chains == 3)
    echoAllpassChains<3>(chainStates, filterMod, chainWork, n);
  else if (chains == 2)
    echoAllpassChains<2>(chainStates, filterMod, chainWork, n);
  else if (chains == 1)
    echoAllpassChain(chainStates[0], filterMod, chainWork[0], n);

  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    float* work = r->workBlocks[l];
    if (!line.lineOn || !work) continue;
    double m = effectTimeModFactor(engine, static_cast<float>(r->lineModDepth[l]), r->lineInvert[l], false);
    m *= engineRateRatio();
    if (!std::isfinite(m)) m = 1.0;
    if (line.highPassOn) echoHighPass(&line.highPass, filterMod, work, n);
    if (line.lowPassOn) echoLowPass(&line.lowPass, filterMod, work, n);
    delayLineProcess(&line.delay, work, frames, static_cast<float>(m));
  }

  EffectRuntime* rt = effectRuntime(engine);
  const float wetMod = mod[effectModWet];
  rt->prevWet = wetMod;
  for (int l = 0; l < 3; ++l) {
    const float* work = r->workBlocks[l];
    if (!r->lines[l].lineOn || !work) continue;
    const float gain = r->lineLevel[l] * r->levelA * wetMod;
    // A copy: the field placement scales its buffer, and the work block must keep the line output.
    std::memcpy(rt->block1, work, sizeof(float) * n);
    effectPlaceConstant(engine, static_cast<std::uint16_t>(l), r->linePan[l], gain, rt->block1, n);
  }
}

void effectEchoRender(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  effectTakeInputSum(engine, rt->block3, frames);
  effectScaleDry(engine, engine->effectEcho.levelB, frames);
  effectEchoKernel(engine, &engine->effectEcho, rt->block3, frames);
  effectFlushBuses(engine, frames);
}
