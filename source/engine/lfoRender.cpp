// The LFO unit on the audio thread: per-block evaluation of the three LFOs, restarts by note-on and
// by a retrigger controller, and the summed sound-field position of a voice.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/numeric.h"
#include "modules/pitchIndex.h"
#include "preset/wave.h"

namespace {

// A controller source as a fraction 0..1: 0..127 a controller, -1 the channel pressure, else 0.
double sourceFraction(const Engine* engine, std::int16_t source) {
  int value = 0;
  if (source >= 0 && source <= 127)
    value = engine->midi.controllers[source];
  else if (source == -1)
    value = engine->midi.channelPressure;
  value = numClamp<int>(value, 0, 127);
  return value / 127.0;
}

// Base of a range factor (rateRange and the like): 0..1, anything else (NaN included) as the limit.
double rangeBase(float x) {
  if (!(x >= 0.0f)) return 0.0;
  return x > 1.0f ? 1.0 : static_cast<double>(x);
}

double limitSeconds(double s, double fallback) {
  if (!std::isfinite(s)) return fallback;
  return s < lfoMinSeconds ? lfoMinSeconds : s;
}

// A depth used as a fraction 0..1 (setters store what they are given).
double unit(double x) {
  if (!(x >= 0.0)) return 0.0;
  return x > 1.0 ? 1.0 : x;
}

// Hold step in force: the hold period over its factor, kept finite.
double holdStep(const Lfo* lfo) {
  const double factor = lfo->holdRateFactor;
  double step = factor > 1e-9 ? lfo->holdPeriod / factor : lfoMaxSeconds;
  if (!(step >= lfoMinSeconds)) step = lfoMinSeconds;
  return step > lfoMaxSeconds ? lfoMaxSeconds : step;
}

double wrapPhase(double phase) {
  if (!std::isfinite(phase)) return 0.0;
  const double x = phase - 1024.0 * std::floor(phase / 1024.0);
  return x >= 0.0 && x < 1024.0 ? x : 0.0;  // rounding of a tiny negative or a huge phase
}

}  // namespace

void lfoRetriggerCheck(const Lfo* record, LfoVoiceState* state) {
  if (!record || !state) return;
  if (!record->retrigger || !record->retriggerRequest) return;
  state->phase = wrapPhase(record->startPhase);
  if (record->sampleHold) state->holdTimer = holdStep(record);
}

void lfoRenderVoice(Engine* engine, Lfo* lfo, LfoVoiceState* state, std::int16_t voice, std::int16_t frames) {
  if (!engine || !lfo || !state) return;
  const double dt = frames / static_cast<double>(engineSampleRate());
  const double a = lfo->depth;

  lfoRetriggerCheck(lfo, state);
  const double period = limitSeconds(lfo->period, 1.0);
  state->phase = wrapPhase(state->phase + (1.0 / period) * 1024.0 * dt * lfo->rateFactor);

  if (lfo->sampleHold) {
    const double step = holdStep(lfo);
    double timer = numFiniteOr<double>(state->holdTimer, 0.0) + dt;
    if (timer < step) {
      state->holdTimer = timer;
      return;  // outputs keep their values until the next hold step
    }
    timer -= step;
    if (timer >= step) timer = std::fmod(timer, step);  // a step shorter than the block
    state->holdTimer = timer;
  }

  const WaveRecord* wave = waveGet(engine, lfo->waveId);
  const float* w = wave ? wave->samples : sineTable;
  const double x = state->phase;
  int k = static_cast<int>(x);
  if (k < 0 || k > 1023) k = 0;
  const double f = x - k;
  double s = (w[k] + (w[(k + 1) & 1023] - w[k]) * f) * a + 1e-24;
  s = numClampStrictLo(s, -0.99999, 0.99999);  // NaN too
  const int k2 = (k + 256) & 1023;
  double q = (w[k2] + (w[(k2 + 1) & 1023] - w[k2]) * f) * a;
  if (!std::isfinite(q)) q = 0.0;

  const double p = lfo->pitchPolarity ? s : -s;
  const double pitchDepth = numFiniteOr<double>(lfo->pitchDepth, 0.0);
  double exponent = p * pitchDepth * a;
  exponent = numClamp(exponent, -30.0, 30.0);
  state->pitchFactor = exponent == 0.0 ? 1.0f : static_cast<float>(1e-24 + std::exp2(exponent));

  const double u = 1.0 + 0.5 * s - 0.5 * a + 1e-24;
  const double n = 2.0 - u - a;
  const double fieldDepth = unit(lfo->fieldDepth);
  state->fieldX = static_cast<float>(s * fieldDepth);
  state->fieldY = static_cast<float>(q * fieldDepth);
  const double ampDepth = unit(lfo->ampDepth);
  state->ampMultiplier = static_cast<float>((lfo->ampPolarity ? u : n) * ampDepth + (1.0 - ampDepth));
  const double channelDepth = unit(lfo->channelDepth);
  state->channelMultiplier =
      static_cast<float>(1e-24 + (1.0 - channelDepth) + (lfo->channelPolarity ? u : n) * channelDepth);
  if (voice == 0) lfo->displayValue = static_cast<float>(u);

  const double base = rangeBase(lfo->filterRange);
  if (base == 1.0) {  // no filter modulation (the default): factor 1, offset 0, without pow and log
    state->filterFactor = 1.0f;
    state->filterIndexOffset = 0.0f;
    return;
  }
  const double t = lfo->filterPolarity ? u : n;
  const double filterFactor = 1e-24 + std::pow(base, 1.0 - t);
  state->filterFactor = static_cast<float>(filterFactor);
  double offset = 480.0;
  if (filterFactor > 1e-20) offset = dspRatioToIndex(static_cast<float>(1.0 / filterFactor));
  if (!(offset >= 0.0)) offset = 0.0;
  state->filterIndexOffset = static_cast<float>(offset > 480.0 ? 480.0 : offset);
}

void lfoRenderBlock(Engine* engine, std::int16_t i, std::int16_t frames) {
  if (!engine || i < 0 || i >= lfoCount || frames < 1) return;
  Lfo* lfo = &engine->lfos[i];
  if (!lfo->on) {
    lfo->retriggerRequest = 0;
    return;
  }
  const double amount = numFiniteOr<double>(lfo->depthAmount, 0.0);
  lfo->depth = static_cast<float>(unit(amount * sourceFraction(engine, lfo->depthController) + (1.0 - amount)));
  lfo->rateFactor =
      static_cast<float>(std::pow(rangeBase(lfo->rateRange), 1.0 - sourceFraction(engine, lfo->rateController)));
  if (lfo->sampleHold)
    lfo->holdRateFactor = static_cast<float>(
        std::pow(rangeBase(lfo->holdRateRange), 1.0 - sourceFraction(engine, lfo->holdRateController)));
  const double beat = tempoGetSecondsPerBeat(engine);
  lfo->period = limitSeconds(lfo->periodSync ? beat * lfo->periodBeats : lfo->periodSeconds, 1.0);
  lfo->holdPeriod = limitSeconds(lfo->holdSync ? beat * lfo->holdBeats : lfo->holdSeconds, 0.125);
  if (lfo->perVoice) {
    int voices = engine->polyphony;
    if (voices > engineMaxVoices) voices = engineMaxVoices;
    for (int v = 0; v < voices; ++v)
      lfoRenderVoice(engine, lfo, &engine->lfoStates[i][v], static_cast<std::int16_t>(v), frames);
  } else {
    lfoRenderVoice(engine, lfo, &engine->lfoStates[i][0], 0, frames);
  }
  lfo->retriggerRequest = 0;
}

void lfoRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine) return;
  for (std::int16_t i = 0; i < lfoCount; ++i) lfoRenderBlock(engine, i, frames);
}

void lfoNoteOn(Engine* engine, std::int16_t voice, bool legato) {
  if (!engine || legato || voice < 0 || voice >= engineMaxVoices) return;
  for (int i = 0; i < lfoCount; ++i) {
    const Lfo* lfo = &engine->lfos[i];
    if (!lfo->perVoice) continue;
    LfoVoiceState* state = &engine->lfoStates[i][voice];
    state->phase = wrapPhase(lfo->startPhase);
    if (lfo->sampleHold) state->holdTimer = holdStep(lfo);
  }
}

void lfoControllerTrigger(Engine* engine, std::int16_t controller, std::int16_t value) {
  if (!engine || value == 0) return;
  for (Lfo& lfo : engine->lfos)
    if (lfo.retrigger && lfo.retriggerController == controller) lfo.retriggerRequest = 1;
}

LfoVoiceState* lfoFollowedState(Engine* engine, std::int16_t lfo, std::int16_t voice) {
  if (!engine || lfo < 0 || lfo >= lfoCount || voice < 0 || voice >= engineMaxVoices) return nullptr;
  return &engine->lfoStates[lfo][engine->lfos[lfo].perVoice ? voice : 0];
}

static double fieldSum(Engine* engine, std::int16_t voice, bool y) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return 0.0;
  double sum = 0.0, depths = 0.0;
  for (std::int16_t i = 0; i < lfoCount; ++i) {
    const Lfo& lfo = engine->lfos[i];
    if (!lfo.on) continue;
    const LfoVoiceState* s = lfoFollowedState(engine, i, voice);
    sum += y ? s->fieldY : s->fieldX;
    depths += lfo.fieldDepth;
  }
  if (depths > 1.0) sum *= 1.0 / depths;
  return std::isfinite(sum) ? sum : 0.0;
}

double lfoSumFieldX(Engine* engine, std::int16_t voice) { return fieldSum(engine, voice, false); }
double lfoSumFieldY(Engine* engine, std::int16_t voice) { return fieldSum(engine, voice, true); }
