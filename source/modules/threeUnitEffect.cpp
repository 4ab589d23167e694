#include "modules/threeUnitEffect.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/pitchIndex.h"
#include "preset/fieldTables.h"

static EffectRevRecord* revRecord(Engine* engine) { return engine ? &engine->effectRev : nullptr; }
static bool unitOk(int u) { return u >= 0 && u < 3; }

// Target length of a line for a time in seconds: samples at 44.1 kHz, at least one, and below the
// ring's last index.
static void revSetTarget(DelayLine* line, double seconds) {
  double l = seconds * 44100.0;
  if (!std::isfinite(l) || l < 1.0) l = 1.0;
  if (line->lastIndex > 1 && l >= line->lastIndex) l = line->lastIndex - 1;
  line->targetDelay = l;
}

static void revLaneClear(EffectRevUnit* unit) {
  for (int k = 0; k < 3; ++k) {
    EffectRevLane& lane = unit->lanes[k];
    delayLineReset(&lane.delay);
    dspState2Reset(&lane.state2);
    dspState3Reset(&lane.highPass);
    dspState2Reset(&unit->laneLowPass[k]);
    dspState3Reset(&unit->laneStatesA[k]);
    dspState6Reset(&unit->laneStatesB[k]);
    dspState10Reset(&unit->laneStatesC[k]);
    std::memset(unit->laneBuffers[k], 0, sizeof unit->laneBuffers[k]);
  }
  mix3Clear(&unit->laneMix);
}

int effectRevUnitInit(Engine* engine, EffectRevUnit* unit, double t) {
  if (!engine || !unit) return 0;
  static const float factors[3] = {1.0f, 0.618f, 0.38215f};
  for (int k = 0; k < 3; ++k) unit->laneDelayFactor[k] = factors[k];
  unit->delayTime = t;
  unit->word = 2;
  for (int k = 0; k < 3; ++k) {
    EffectRevLane& lane = unit->lanes[k];
    float* ring = effectMemoryTake(engine, revLineFloats);
    if (!ring) return 0;
    if (!delayLineInit(&lane.delay, static_cast<float>(t * engineSampleRate()), ring, revLineFloats)) return 0;
    dspState2Init(&lane.state2, 8000.0f);
    dspState3Init(&lane.highPass, 40.0f);
    dspState2Init(&unit->laneLowPass[k], 22000.0f);
    dspState3Init(&unit->laneStatesA[k], 15000.0f);
    dspState6Init(&unit->laneStatesB[k], 15000.0f, 0.0f);
    dspState10Init(&unit->laneStatesC[k], 15000.0f, 0.0f);
    unit->laneFilterFactor[k] = 1.0f;
  }
  effectRevSelectRoutine(unit, revModeRaw);
  mix3Init(&unit->laneMix);
  for (int k = 0; k < 3; ++k) revSetTarget(&unit->lanes[k].delay, t);
  revLaneClear(unit);
  return 1;
}

int effectRevInit(Engine* engine, EffectRevRecord* r) {
  if (!engine || !r) return 0;
  static const double scales[3] = {1.0, 0.6182, 0.38217124};
  effectHeaderInit(&r->header, effectRevRecordSize, effectRev, 1, 5, 1);
  const FieldRange* F = revFields;
  r->levelA = r->levelB = static_cast<float>(effectFields[effectFieldLevel].def);
  r->feedback = static_cast<float>(F[revFieldFeedback].def);
  r->brightness = F[revFieldBrightness].def;
  effectMemoryRewind(engine);
  for (EffectRevUnit& unit : r->units)
    if (!effectRevUnitInit(engine, &unit, revSizeSeconds)) return 0;
  r->spareSwitch = 1;
  r->preDelay = F[revFieldPreDelay].def;
  r->jitter = static_cast<float>(F[revFieldJitter].def);
  float* ring = effectMemoryTake(engine, revLineFloats);
  if (!ring) return 0;
  if (!delayLineInit(&r->preDelayLine, static_cast<float>(engineSampleRate() * r->preDelay), ring, revLineFloats))
    return 0;
  r->earlyTapsOn = 0;
  MultiTap* taps[3] = {&r->earlyA, &r->earlyB, &r->earlyC};
  static const std::int16_t counts[3] = {5, 3, 3};
  static const std::uint32_t lengths[3] = {3573, 1530, 1307};
  for (int i = 0; i < 3; ++i) {
    float* tapRing = effectMemoryTake(engine, revEarlyFloats);
    if (!tapRing || !multiTapInit(taps[i], counts[i], tapRing, lengths[i])) return 0;
  }
  for (DspState3& f : r->outputFilters) dspState3Init(&f, 20000.0f);
  for (int u = 0; u < 3; ++u) {
    r->timeModDepth[u] = F[revFieldTimeModDepth].def;
    r->brightModDepth[u] = F[revFieldBrightModDepth].def;
    r->timeModInvert[u] = 0;
    r->brightModInvert[u] = 0;
    r->mode[u] = revModeResonant;
    effectRevSelectRoutine(&r->units[u], static_cast<std::uint16_t>(r->mode[u]));
  }
  for (int u = 0; u < 3; ++u) {
    r->unitOn[u] = u == 0 ? 1 : 0;
    r->unitScale[u] = scales[u];
    r->laneSpread[u] = F[revFieldLaneSpread].def;
    r->unitBrightness[u] = scales[u];
    r->laneBrightSpread[u] = F[revFieldLaneBrightSpread].def;
  }
  mix3Init(&r->outputMix);
  effectRevRecomputeSize(r, 0.1);
  effectRevRecomputeBrightness(r);
  effectRevReset(r);
  return 1;
}

void effectRevCopyParams(const EffectRevRecord* s, EffectRevRecord* d) {
  if (!s || !d || s == d) return;
  d->header = s->header;
  d->on = s->on;
  d->levelA = s->levelA;
  d->levelB = s->levelB;
  d->size = s->size;
  d->feedback = s->feedback;
  d->brightness = s->brightness;
  for (int u = 0; u < 3; ++u) {
    d->unitScale[u] = s->unitScale[u];
    d->laneSpread[u] = s->laneSpread[u];
    d->timeModDepth[u] = s->timeModDepth[u];
    d->timeModInvert[u] = s->timeModInvert[u];
    d->unitBrightness[u] = s->unitBrightness[u];
    d->laneBrightSpread[u] = s->laneBrightSpread[u];
    d->brightModDepth[u] = s->brightModDepth[u];
    d->brightModInvert[u] = s->brightModInvert[u];
    d->unitOn[u] = s->unitOn[u];
    d->mode[u] = s->mode[u];
  }
  d->spareSwitch = s->spareSwitch;
  d->earlyTapsOn = s->earlyTapsOn;
  d->jitter = s->jitter;
  d->preDelay = s->preDelay;
}

void effectRevClampParams(EffectRevRecord* r) {
  if (!r) return;
  auto flag = [](std::uint8_t& v) { v = v ? 1 : 0; };
  const FieldRange* F = revFields;
  flag(r->on);
  r->levelA = effectFieldClamp(effectFields[effectFieldLevel], r->levelA);
  r->levelB = effectFieldClamp(effectFields[effectFieldLevel], r->levelB);
  r->size = effectFieldClamp(F[revFieldSize], r->size);
  r->feedback = effectFieldClamp(F[revFieldFeedback], r->feedback);
  r->brightness = effectFieldClamp(F[revFieldBrightness], r->brightness);
  flag(r->spareSwitch);
  flag(r->earlyTapsOn);
  r->preDelay = effectFieldClamp(F[revFieldPreDelay], r->preDelay);
  r->jitter = effectFieldClamp(F[revFieldJitter], r->jitter);
  for (int u = 0; u < 3; ++u) {
    r->unitScale[u] = effectFieldClamp(F[revFieldUnitScale], r->unitScale[u]);
    r->laneSpread[u] = effectFieldClamp(F[revFieldLaneSpread], r->laneSpread[u]);
    r->timeModDepth[u] = effectFieldClamp(F[revFieldTimeModDepth], r->timeModDepth[u]);
    flag(r->timeModInvert[u]);
    r->unitBrightness[u] = effectFieldClamp(F[revFieldUnitBrightness], r->unitBrightness[u]);
    r->laneBrightSpread[u] = effectFieldClamp(F[revFieldLaneBrightSpread], r->laneBrightSpread[u]);
    r->brightModDepth[u] = effectFieldClamp(F[revFieldBrightModDepth], r->brightModDepth[u]);
    flag(r->brightModInvert[u]);
    flag(r->unitOn[u]);
    if (r->mode[u] > revModeSynthetic) r->mode[u] = revModeRaw;
  }
}

void effectRevSelectRoutine(EffectRevUnit* unit, std::uint16_t mode) {
  if (!unit) return;
  switch (mode) {
    case revModeNatural: unit->routine = effectRevUnitNatural; break;
    case revModeResonant: unit->routine = effectRevUnitResonant; break;
    case revModeSynthetic: unit->routine = effectRevUnitSynthetic; break;
    default: unit->routine = effectRevUnitRaw; break;
  }
}
void effectRevSelectRoutineThunk(EffectRevUnit* unit, std::uint16_t mode) { effectRevSelectRoutine(unit, mode); }

// Pre-delay length, lane delay factors and lane lengths from the size, unit scales and spreads.
static void revSizeSteps(EffectRevRecord* r) {
  revSetTarget(&r->preDelayLine, r->preDelay);
  for (int u = 0; u < 3; ++u) {
    EffectRevUnit& unit = r->units[u];
    const double g = r->laneSpread[u];
    const double a1 = 1.0 - 0.381962864721485 * g;
    unit.laneDelayFactor[0] = 1.0f;
    unit.laneDelayFactor[1] = static_cast<float>(a1);
    unit.laneDelayFactor[2] = static_cast<float>(1.0 - g * (1.0 - 0.618037135278515 * a1));
    unit.delayTime = effectClampd(r->size * r->unitScale[u], 0.001, revMaxUnitTime, 0.001);
    for (EffectRevLane& lane : unit.lanes) revSetTarget(&lane.delay, unit.delayTime);
  }
}

void effectRevRecomputeSize(EffectRevRecord* r, double seconds) {
  if (!r) return;
  r->size = seconds;
  revSizeSteps(r);
}
void effectRevSetSizeAt(EffectRevRecord* r, double seconds) { effectRevRecomputeSize(r, seconds); }

void effectRevRecomputeBrightness(EffectRevRecord* r) {
  if (!r) return;
  for (int u = 0; u < 3; ++u) {
    EffectRevUnit& unit = r->units[u];
    const double s = r->laneBrightSpread[u];
    unit.laneFilterFactor[0] = 1.0f;
    unit.laneFilterFactor[1] = static_cast<float>(1.0 - 0.6182 * s);
    unit.laneFilterFactor[2] = static_cast<float>(1.0 - 0.6182 * 0.6182 * s);
    const double f0 = r->unitBrightness[u] * r->brightness * 20000.0;
    for (int k = 0; k < 3; ++k) {
      const double fk = unit.laneFilterFactor[k] * f0;
      dspSetFreqIndex(&unit.laneLowPass[k].pitchIndex, f0);
      dspSetFreqIndex(&unit.laneStatesA[k].pitchIndex, fk);
      dspSetFreqIndex(&unit.laneStatesB[k].pitchIndex, fk);
      dspSetFreqIndex(&unit.laneStatesC[k].pitchIndex, fk);
    }
  }
}

void effectRevReset(EffectRevRecord* r) {
  if (!r) return;
  for (EffectRevUnit& unit : r->units) revLaneClear(&unit);
  for (DspState3& f : r->outputFilters) dspState3Reset(&f);
  std::memset(r->work, 0, sizeof r->work);
  std::memset(r->spare, 0, sizeof r->spare);
  mix3Clear(&r->outputMix);
  delayLineReset(&r->preDelayLine);
  multiTapReset(&r->earlyA);
  multiTapReset(&r->earlyB);
  multiTapReset(&r->earlyC);
  for (int u = 0; u < 3; ++u)
    effectRevSelectRoutine(&r->units[u], r->mode[u] <= revModeSynthetic ? static_cast<std::uint16_t>(r->mode[u]) : 0);
  revSizeSteps(r);
  effectRevRecomputeBrightness(r);
  // The lanes start at their (new) lengths rather than gliding there from the old ones.
  for (EffectRevUnit& unit : r->units)
    for (EffectRevLane& lane : unit.lanes) lane.delay.currentDelay = lane.delay.targetDelay;
  r->preDelayLine.currentDelay = r->preDelayLine.targetDelay;
}
void effectRevResetThunk(EffectRevRecord* r) { effectRevReset(r); }

// ---- parameters

// A percent setter's value as the field stores it (x 0.01), held within the field's row; NaN leaves
// the field as it is.
static double revPercent(int field, double percent, double current) {
  return effectFieldSet(revFields[field], percent * 0.01, current);
}
static float revPercent(int field, double percent, float current) {
  return effectFieldSet(revFields[field], percent * 0.01, current);
}

double effectRevGetSize(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->size * 1.4285714285714286 * 100.0 : 100.0;
}
void effectRevSetSize(Engine* engine, double percent) {
  EffectRevRecord* r = revRecord(engine);
  if (!r) return;
  effectRevRecomputeSize(r, effectFieldSet(revFields[revFieldSize], percent * 0.01 * revSizeSeconds, r->size));
}

double effectRevGetBrightness(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->brightness * 100.0 : 100.0;
}
void effectRevSetBrightness(Engine* engine, double percent) {
  EffectRevRecord* r = revRecord(engine);
  if (!r) return;
  r->brightness = revPercent(revFieldBrightness, percent, r->brightness);
  effectRevRecomputeBrightness(r);
}

double effectRevGetFeedback(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->feedback * 100.0 : 100.0;
}
void effectRevSetFeedback(Engine* engine, double percent) {
  EffectRevRecord* r = revRecord(engine);
  if (r) r->feedback = revPercent(revFieldFeedback, percent, r->feedback);
}

double effectRevGetPreDelay(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->preDelay * 1000.0 : 0.0;
}
void effectRevSetPreDelay(Engine* engine, double ms) {
  EffectRevRecord* r = revRecord(engine);
  if (!r) return;
  r->preDelay = effectFieldSet(revFields[revFieldPreDelay], ms * 0.001, r->preDelay);
  revSetTarget(&r->preDelayLine, r->preDelay);
}

double effectRevGetJitter(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->jitter * 100.0 : 0.0;
}
void effectRevSetJitter(Engine* engine, double percent) {
  EffectRevRecord* r = revRecord(engine);
  if (r) r->jitter = revPercent(revFieldJitter, percent, r->jitter);
}

std::uint8_t effectRevGetEarlyTapsOn(Engine* engine) {
  EffectRevRecord* r = revRecord(engine);
  return r ? r->earlyTapsOn : 0;
}
void effectRevSetEarlyTapsOn(Engine* engine, std::uint8_t on) {
  EffectRevRecord* r = revRecord(engine);
  if (r) r->earlyTapsOn = on;
}

std::uint32_t effectRevGetUnitMode(Engine* engine, int u) {
  EffectRevRecord* r = revRecord(engine);
  return r && unitOk(u) ? r->mode[u] : 0;
}
void effectRevSetUnitMode(Engine* engine, int u, std::uint32_t mode) {
  EffectRevRecord* r = revRecord(engine);
  if (!r || !unitOk(u) || mode > revModeSynthetic) return;
  effectRevSelectRoutine(&r->units[u], static_cast<std::uint16_t>(mode));
  r->mode[u] = mode;
}

// The lane brightness spread setter keeps the spread at 0.01 % or more (a record's 0 stays 0).
const double revLaneBrightSpreadFloor = 0.0001;

// Percent parameters of a unit: x 0.01, held within the row (and the floor), store, then the named
// recompute.
#define REV_UNIT_PERCENT(Name, field, row, floor, recompute)       \
  double effectRevGet##Name(Engine* engine, int u) {               \
    EffectRevRecord* r = revRecord(engine);                        \
    return r && unitOk(u) ? r->field[u] * 100.0 : 100.0;           \
  }                                                                \
  void effectRevSet##Name(Engine* engine, int u, double percent) { \
    EffectRevRecord* r = revRecord(engine);                        \
    if (!r || !unitOk(u)) return;                                  \
    const double v = revPercent(row, percent, r->field[u]);        \
    r->field[u] = v < (floor) ? (floor) : v;                       \
    recompute;                                                     \
  }
REV_UNIT_PERCENT(UnitScale, unitScale, revFieldUnitScale, 0.0, revSizeSteps(r))
REV_UNIT_PERCENT(LaneSpread, laneSpread, revFieldLaneSpread, 0.0, revSizeSteps(r))
REV_UNIT_PERCENT(UnitBrightness, unitBrightness, revFieldUnitBrightness, 0.0, effectRevRecomputeBrightness(r))
REV_UNIT_PERCENT(LaneBrightSpread, laneBrightSpread, revFieldLaneBrightSpread, revLaneBrightSpreadFloor,
                 effectRevRecomputeBrightness(r))
#undef REV_UNIT_PERCENT

#define REV_UNIT_VALUE(Name, field, Type)                  \
  Type effectRevGet##Name(Engine* engine, int u) {         \
    EffectRevRecord* r = revRecord(engine);                \
    return r && unitOk(u) ? r->field[u] : Type(0);         \
  }                                                        \
  void effectRevSet##Name(Engine* engine, int u, Type v) { \
    EffectRevRecord* r = revRecord(engine);                \
    if (r && unitOk(u)) r->field[u] = v;                   \
  }
REV_UNIT_VALUE(UnitOn, unitOn, std::uint8_t)
REV_UNIT_VALUE(TimeModInvert, timeModInvert, std::uint8_t)
REV_UNIT_VALUE(BrightModInvert, brightModInvert, std::uint8_t)
#undef REV_UNIT_VALUE

// The modulation depths are stored as the page gives them, kept finite within their rows (NaN leaves
// the depth as it is).
#define REV_UNIT_DEPTH(Name, field, row)                                              \
  double effectRevGet##Name(Engine* engine, int u) {                                  \
    EffectRevRecord* r = revRecord(engine);                                           \
    return r && unitOk(u) ? r->field[u] : 0.0;                                        \
  }                                                                                   \
  void effectRevSet##Name(Engine* engine, int u, double v) {                          \
    EffectRevRecord* r = revRecord(engine);                                           \
    if (r && unitOk(u)) r->field[u] = effectFieldSet(revFields[row], v, r->field[u]); \
  }
REV_UNIT_DEPTH(TimeModDepth, timeModDepth, revFieldTimeModDepth)
REV_UNIT_DEPTH(BrightModDepth, brightModDepth, revFieldBrightModDepth)
#undef REV_UNIT_DEPTH
