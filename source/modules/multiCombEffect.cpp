#include "modules/multiCombEffect.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

static bool combIndexOk(std::int16_t i) { return i >= 0 && i < effectCombCount; }

void effectCombRecompute(Engine* engine) {
  if (!engine) return;
  EffectRuntime* rt = effectRuntime(engine);
  for (int i = 0; i < effectCombCount; ++i) {
    EffectCombState& c = rt->combs[i];
    c.readOffset = engine->effectComb.delayFactor[i];
    c.writePos = 0;
    c.y = 0.0f;
  }
}

void effectCombClampRecord(EffectCombRecord* r) {
  if (!r) return;
  static const float pans[effectCombCount] = {0.1f, 0.9f, 0.2f, 0.8f, 0.3f, 0.7f};
  const FieldRange* F = combFields;
  r->delay = effectFieldClamp(F[combFieldDelay], r->delay);
  r->time = effectFieldClamp(effectFields[effectFieldTime], r->time);
  r->feedback = effectFieldClamp(F[combFieldFeedback], r->feedback);
  r->filterIndex = effectFieldClamp(F[combFieldFilterIndex], r->filterIndex);
  for (int i = 0; i < effectCombCount; ++i) {
    r->combOn[i] = r->combOn[i] ? 1 : 0;
    r->delayFactor[i] = effectFieldClamp(F[combFieldDelayFactor], r->delayFactor[i]);
    r->feedbackFactor[i] = effectFieldClamp(F[combFieldFeedbackFactor], r->feedbackFactor[i]);
    r->level[i] = effectFieldClamp(F[combFieldLevel], r->level[i]);
    r->modAmount[i] = effectFieldClamp(F[combFieldModAmount], r->modAmount[i]);
    r->pan[i] = effectFieldClamp(effectFields[effectFieldPan], r->pan[i], pans[i]);
    r->filterFactor[i] = effectFieldClamp(F[combFieldFilterFactor], r->filterFactor[i]);
  }
}

void effectCombProcess(Engine* engine, std::int16_t i, const float* input, float* sum, std::int16_t frames) {
  if (!engine || !combIndexOk(i) || !input || !sum || frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  float* line = rt->lines[i];
  if (!line) return;
  const EffectCombRecord& r = engine->effectComb;
  const float* mod = effectModRow(engine);
  EffectCombState& cs = rt->combs[i];
  const int n = frames;

  // Delay: never scaled by the tempo ratio and not limited, except through the read offset.
  const double m = effectTimeModFactor(engine, r.modAmount[i], r.modInvert[i], false);
  const double base = r.header.timeUnit == effectUnitBeats ? r.time * tempoGetSamplesPerBeat(engine) : r.delay;
  const double delay = static_cast<double>(engineRateRatio()) * r.delayFactor[i] * m * base;
  // Reading at w + R is a delay of 32,768 - R samples: R within 1..32,767 keeps it on the line.
  const double target = effectClampd(32767.0 - delay, 1.0, 32767.0, 32767.0);
  double offset = effectClampd(cs.readOffset, 0.0, 32767.0, target);
  const double step = (target - offset) / n;

  double g = static_cast<double>(r.feedbackFactor[i]) * r.feedback * mod[effectModFeedback];
  if (std::fabs(g) < 0.001) g = 0.0;
  // The loop gain stays below one whatever the feedback modulation asks, so the loop cannot run away.
  g = effectClampd(g, -0.999, 0.999, 0.0);

  const int k =
      effectFilterTableIndex(static_cast<float>(std::trunc(r.filterIndex * r.filterFactor[i])), mod[effectModFilter]);
  const double c1 = onePoleLowTable[k];
  const double c2 = onePoleFeedbackTable[k];

  const bool first = rt->firstComb != 0;
  rt->firstComb = 0;
  std::uint32_t w = cs.writePos & effectLineMask;
  double y = cs.y;
  for (int j = 0; j < n; ++j) {
    // The read offset held to 1/65,536 of a sample (it stays within 0..32,767, so truncation is
    // the floor).
    const std::int64_t held = static_cast<std::int64_t>(offset * 65536.0);
    const double t = static_cast<double>(held & 0xFFFF) * (1.0 / 65536.0);
    const std::uint32_t p = (w + static_cast<std::uint32_t>(held >> 16)) & effectLineMask;
    const double a = line[p];
    const double s = a + (line[(p + 1) & effectLineMask] - a) * t;
    y = y * c2 + s * c1 + 1e-24;
    line[w] = static_cast<float>(y * g + input[j]);
    sum[j] = first ? static_cast<float>(y) : static_cast<float>(sum[j] + y);
    offset += step;
    w = (w + 1) & effectLineMask;
  }
  // The running sum (this comb and every comb before it) at this comb's place and level.
  effectMixToOutput(engine, static_cast<std::uint16_t>(i), r.pan[i], r.level[i] * r.levelA, sum,
                    static_cast<std::uint16_t>(n));
  cs.readOffset = offset;
  cs.writePos = static_cast<std::uint16_t>(w);
  cs.y = static_cast<float>(y);
}

void effectCombRoutine(Engine* engine, std::int16_t frames) {
  if (!engine || engineIsShuttingDown() || engine->effectType != effectComb) return;
  if (frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  const EffectCombRecord& r = engine->effectComb;
  const float* mod = effectModRow(engine);
  const int n = frames;
  const float dry = r.levelB * mod[effectModDry];
  effectTakeInputSum(engine, rt->block1, n);
  effectScaleDry(engine, dry, n);
  for (int j = 0; j < n; j += 17) rt->block1[j] += 1e-10f;
  rt->firstComb = 1;
  for (std::int16_t i = 0; i < effectCombCount; ++i)
    if (r.combOn[i]) effectCombProcess(engine, i, rt->block1, rt->block2, frames);
  effectFlushBuses(engine, n);
  rt->prevWet = mod[effectModWet];
}

// ---- parameters

double effectCombGetDelay(Engine* engine) { return engine ? engine->effectComb.delay * (1.0 / 44100.0) : 0.0; }
void effectCombSetDelay(Engine* engine, double seconds) {
  EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb);
  if (!r) return;
  r->delay = effectFieldSet(combFields[combFieldDelay], seconds * 44100.0, r->delay);
  effectEditCommit(engine);
}

double effectCombGetFeedback(Engine* engine) { return engine ? engine->effectComb.feedback : 0.0; }
void effectCombSetFeedback(Engine* engine, double value) {
  EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb);
  if (!r) return;
  r->feedback = effectFieldSet(combFields[combFieldFeedback], value, r->feedback);
  effectEditCommit(engine);
}

double effectCombGetFilterFreq(Engine* engine) { return engine ? dspIndexToFreq(engine->effectComb.filterIndex) : 0.0; }
void effectCombSetFilterFreq(Engine* engine, double hz) {
  EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb);
  if (!r) return;
  r->filterIndex = static_cast<float>(dspFreqToIndex(effectClampd(hz, 30.0, 22000.0, 8000.0)));
  effectEditCommit(engine);
}

std::uint8_t effectCombGetOn(Engine* engine, std::int16_t i) {
  return engine && combIndexOk(i) ? engine->effectComb.combOn[i] : 0;
}
void effectCombSetOnDirect(Engine* engine, std::int16_t i, std::uint8_t on) {
  if (engine && combIndexOk(i)) engine->effectComb.combOn[i] = on;
}

std::uint8_t effectCombGetModInvert(Engine* engine, std::int16_t i) {
  return engine && combIndexOk(i) ? engine->effectComb.modInvert[i] : 0;
}
void effectCombSetModInvert(Engine* engine, std::int16_t i, std::uint8_t value) {
  if (!combIndexOk(i)) return;
  EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb);
  if (!r) return;
  r->modInvert[i] = value;
  effectEditCommit(engine);
}

// Getter and setter of one clamped per-comb float.
#define COMB_FLOAT(Name, field, row)                                            \
  double effectCombGet##Name(Engine* engine, std::int16_t i) {                  \
    return engine && combIndexOk(i) ? engine->effectComb.field[i] : 1.0;        \
  }                                                                             \
  void effectCombSet##Name(Engine* engine, std::int16_t i, double value) {      \
    if (!combIndexOk(i)) return;                                                \
    EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb); \
    if (!r) return;                                                             \
    r->field[i] = effectFieldSet(row, value, r->field[i]);                      \
    effectEditCommit(engine);                                                   \
  }
COMB_FLOAT(DelayFactor, delayFactor, combFields[combFieldDelayFactor])
COMB_FLOAT(FeedbackFactor, feedbackFactor, combFields[combFieldFeedbackFactor])
COMB_FLOAT(ModAmount, modAmount, combFields[combFieldModAmount])
COMB_FLOAT(Pan, pan, effectFields[effectFieldPan])
COMB_FLOAT(FilterFactor, filterFactor, combFields[combFieldFilterFactor])
#undef COMB_FLOAT

double effectCombGetLevel(Engine* engine, std::int16_t i) {
  return engine && combIndexOk(i) ? gainToDb6(engine->effectComb.level[i]) : 0.0;
}
void effectCombSetLevel(Engine* engine, std::int16_t i, double db) {
  if (!combIndexOk(i)) return;
  EffectCombRecord* r = effectEditCopy<EffectCombRecord>(engine, effectComb);
  if (!r) return;
  r->level[i] = effectFieldSet(combFields[combFieldLevel], db6ToGain(db), r->level[i]);
  effectEditCommit(engine);
}
