#include "modules/multiTapEffect.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

static bool tapIndexOk(std::int16_t t) { return t >= 0 && t < effectTapCount; }

void effectTapRecompute(Engine* engine) {
  if (!engine) return;
  EffectTapState& s = effectRuntime(engine)->tap;
  for (int t = 0; t < effectTapCount; ++t) s.positions[t] = engine->effectTap.tapTimeFactor[t];
  s.writeIndex = 0;
  s.y = 0.0f;
}

void effectTapClampRecord(EffectTapRecord* r) {
  if (!r) return;
  static const float factors[effectTapCount] = {1.0f, 0.48f, 0.73f};
  static const float pans[effectTapCount] = {0.1f, 0.9f, 0.5f};
  const FieldRange* F = tapFields;
  if (r->ringLength > effectTapMaxRing) r->ringLength = effectTapMaxRing;
  if (r->ringLength < 1) r->ringLength = 441000;
  r->feedback = effectFieldClamp(F[tapFieldFeedback], r->feedback);
  r->filterIndex = effectFieldClamp(F[tapFieldFilterIndex], r->filterIndex);
  r->secondIndex = effectFieldClamp(F[tapFieldSecondIndex], r->secondIndex);
  r->time = effectFieldClamp(effectFields[effectFieldTapTime], r->time);
  r->beatTime = effectFieldClamp(effectFields[effectFieldTime], r->beatTime, 1.0);  // the multi-tap's own default
  // All eight slots of the record; those past the taps in use fall back to 0.
  for (int t = 0; t < 8; ++t) {
    const bool used = t < effectTapCount;
    r->tapModDepth[t] = effectFieldClamp(F[tapFieldModDepth], r->tapModDepth[t], used ? 1.0f : 0.0f);
    r->tapTimeFactor[t] = effectFieldClamp(F[tapFieldTimeFactor], r->tapTimeFactor[t], used ? factors[t] : 0.0f);
    r->tapLevel[t] = effectFieldClamp(F[tapFieldLevel], r->tapLevel[t], used ? 0.5f : 0.0f);
    r->tapPan[t] = effectFieldClamp(effectFields[effectFieldPan], r->tapPan[t], used ? pans[t] : 0.0f);
  }
}

void effectTapRender(Engine* engine, std::int16_t frames) {
  if (!engine || engine->effectType != effectTap || frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  float* ring = rt->lines[0];
  if (!ring || !rt->base) return;
  // The ring is the whole delay memory from where it starts.
  const std::int64_t size = rt->capacity - (ring - rt->base);
  if (size < 2) return;
  const EffectTapRecord& r = engine->effectTap;
  EffectTapState& st = rt->tap;
  const float* mod = effectModRow(engine);
  const int n = frames;

  for (int j = 0; j < n; j += 21) ring[j] += 1e-10f;
  float* input = rt->block4;
  effectTakeInputSum(engine, input, n);
  effectScaleDry(engine, r.levelB * mod[effectModDry], n);

  // Each tap's target read position and its glide across the block.
  const bool seconds = r.header.timeUnit != effectUnitBeats;
  const double base = seconds ? r.time : r.beatTime * tempoGetSamplesPerBeat(engine);
  double pos[effectTapCount], step[effectTapCount], level[effectTapCount];
  for (int t = 0; t < effectTapCount; ++t) {
    double f = effectTimeModFactor(engine, r.tapModDepth[t], r.tapInvert[t], seconds);
    f *= engineRateRatio();
    const double delay = base * r.tapTimeFactor[t] * f;
    const double target =
        effectClampd(static_cast<double>(size) - delay, 1.0, static_cast<double>(size), static_cast<double>(size));
    pos[t] = effectClampd(st.positions[t], 1.0, static_cast<double>(size), target);
    step[t] = (target - pos[t]) / n;
    level[t] = effectClampd(r.tapLevel[t], 0.0, 1.0, 0.0);
    if (level[t] < 1e-24) level[t] = 0.0;
  }
  double wet = effectClampd(static_cast<double>(r.levelA) * rt->prevWet, 0.0, 1.0, 0.0);
  if (wet < 1e-24) wet = 0.0;

  double fb = r.feedback;
  if (std::fabs(fb) < 0.001) fb = 0.0;
  fb *= mod[effectModFeedback];
  // The loop gain stays below one whatever the feedback modulation asks, so the loop cannot run away.
  fb = effectClampd(fb, -0.999, 0.999, 0.0);
  const int k = effectFilterTableIndex(r.filterIndex, mod[effectModFilter]);
  const double g = onePoleLowTable[k];
  const double p = onePoleFeedbackTable[k];

  std::int64_t w = st.writeIndex;
  if (w < 0 || w >= size) w = 0;
  double y = st.y;
  float* out[effectTapCount] = {rt->tapBlocks[0], rt->tapBlocks[1], rt->tapBlocks[2]};
  auto readTap = [&](double position) {
    const double whole = std::trunc(position);
    const std::int64_t i = (static_cast<std::int64_t>(whole) + w) % size;
    const double fr = position - whole;
    const double a = ring[i] + 1e-24;
    const double b = ring[i + 1 == size ? 0 : i + 1];
    return a + (b - a) * fr + 1e-24;
  };
  for (int j = 0; j < n; ++j) {
    const double x = input[j];
    // Tap 0 is read before the write and is the only one fed back.
    const double r0 = readTap(pos[0]);
    out[0][j] = static_cast<float>((r0 * level[0] + 1e-24) * wet);
    y = y * p + (x + r0 * fb) * g + 1e-24;
    ring[w] = static_cast<float>(y);
    for (int t = 1; t < effectTapCount; ++t) out[t][j] = static_cast<float>((readTap(pos[t]) * level[t] + 1e-24) * wet);
    for (int t = 0; t < effectTapCount; ++t) pos[t] += step[t];
    w = w + 1 == size ? 0 : w + 1;
  }
  for (int t = 0; t < effectTapCount; ++t) st.positions[t] = static_cast<float>(pos[t]);
  st.writeIndex = static_cast<std::int32_t>(w);
  st.y = static_cast<float>(y);
  rt->prevWet = mod[effectModWet];

  for (int t = 0; t < effectTapCount; ++t)
    effectPlaceConstant(engine, static_cast<std::uint16_t>(t), r.tapPan[t], mod[effectModWet], out[t], n);
  effectFlushBuses(engine, n);
}

// ---- parameters

double effectTapGetFeedback(Engine* engine) { return engine ? engine->effectTap.feedback : 0.0; }
void effectTapSetFeedback(Engine* engine, double value) {
  EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap);
  if (!r) return;
  r->feedback = effectFieldSet(tapFields[tapFieldFeedback], value, r->feedback);
  effectEditCommit(engine);
}

double effectTapGetFilterFreq(Engine* engine) { return engine ? dspIndexToFreq(engine->effectTap.filterIndex) : 0.0; }
void effectTapSetFilterFreq(Engine* engine, double hz) {
  EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap);
  if (!r) return;
  r->filterIndex = static_cast<float>(dspFreqToIndex(effectClampd(hz, 30.0, 22000.0, 8000.0)));
  effectEditCommit(engine);
}

double effectTapGetTime(Engine* engine) { return engine ? engine->effectTap.time * (1.0 / 44100.0) : 0.0; }
void effectTapSetTime(Engine* engine, double seconds) {
  EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap);
  if (!r) return;
  if (std::isfinite(seconds))
    r->time = effectFieldSet(effectFields[effectFieldTapTime], std::fmax(seconds, 0.00001) * 44100.0, r->time);
  effectEditCommit(engine);
}

std::uint8_t effectTapGetModInvert(Engine* engine, std::int16_t t) {
  return engine && tapIndexOk(t) ? engine->effectTap.tapInvert[t] : 0;
}
void effectTapSetModInvert(Engine* engine, std::int16_t t, std::uint8_t value) {
  if (!tapIndexOk(t)) return;
  EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap);
  if (!r) return;
  r->tapInvert[t] = value;
  effectEditCommit(engine);
}

#define TAP_FLOAT(Name, field, row)                                          \
  double effectTapGet##Name(Engine* engine, std::int16_t t) {                \
    return engine && tapIndexOk(t) ? engine->effectTap.field[t] : 0.0;       \
  }                                                                          \
  void effectTapSet##Name(Engine* engine, std::int16_t t, double value) {    \
    if (!tapIndexOk(t)) return;                                              \
    EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap); \
    if (!r) return;                                                          \
    r->field[t] = effectFieldSet(row, value, r->field[t]);                   \
    effectEditCommit(engine);                                                \
  }
TAP_FLOAT(ModAmount, tapModDepth, tapFields[tapFieldModDepth])
TAP_FLOAT(TimeFactor, tapTimeFactor, tapFields[tapFieldTimeFactor])
TAP_FLOAT(Pan, tapPan, effectFields[effectFieldPan])
#undef TAP_FLOAT

double effectTapGetLevel(Engine* engine, std::int16_t t) {
  return engine && tapIndexOk(t) ? gainToDb6(engine->effectTap.tapLevel[t]) : 0.0;
}
void effectTapSetLevel(Engine* engine, std::int16_t t, double db) {
  if (!tapIndexOk(t)) return;
  EffectTapRecord* r = effectEditCopy<EffectTapRecord>(engine, effectTap);
  if (!r) return;
  r->tapLevel[t] = effectFieldSet(tapFields[tapFieldLevel], db6ToGain(db), r->tapLevel[t]);
  effectEditCommit(engine);
}
