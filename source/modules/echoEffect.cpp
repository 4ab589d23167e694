#include "modules/echoEffect.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/pitchIndex.h"
#include "preset/fieldTables.h"

static EffectEchoRecord* echoRecord(Engine* engine) { return engine ? &engine->effectEcho : nullptr; }
static bool lineOk(int line) { return line >= 0 && line < 3; }

// The delay target of one line for a time in samples at 44.1 kHz: at least one sample, and below
// the ring's last index (a record without a ring is limited as the engine's own line would be).
static void echoSetTarget(EchoLine* line, double samples) {
  const std::int32_t last =
      line->delay.lastIndex > 1 ? line->delay.lastIndex : static_cast<std::int32_t>(echoLineLength) - 1;
  double d = std::isfinite(samples) ? samples : 1.0;
  if (d < 1.0) d = 1.0;
  if (d >= last) d = last - 1;
  line->delay.targetDelay = d;
}

void effectEchoDeriveTimes(EffectEchoRecord* r) {
  if (!r) return;
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    line.lineTime = r->baseTime * r->lineTimeFactor[l];
    echoSetTarget(&line, line.lineTime * 44100.0);
  }
}

int effectEchoInit(Engine* engine, EffectEchoRecord* r) {
  if (!engine || !r) return 0;
  effectEchoParamDefaults(r);
  effectMemoryRewind(engine);
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    line.owner = r;
    line.bufferSize = echoBufferFloats;
    float* buffer = effectMemoryTake(engine, echoBufferFloats);
    if (!buffer) return 0;
    // A line set up before keeps its ring (the memory is cut the same way every time).
    if (line.delay.initialised && line.delay.buffer != buffer) delayLineRelease(&line.delay);
    line.buffer = buffer;
    if (!delayLineInit(&line.delay, 0.25f * engineSampleRate(), buffer, echoLineLength)) return 0;
    dspState2Init(&line.lowPass, 5000.0f);
    dspState3Init(&line.highPass, 200.0f);
    dspState10Init(&line.allpass, 2000.0f, 0.0f);
  }
  for (int l = 0; l < 3; ++l) {
    r->workBlocks[l] = effectMemoryTake(engine, echoWorkFloats);
    if (!r->workBlocks[l]) return 0;
    std::memset(r->workBlocks[l], 0, sizeof(float) * echoWorkFloats);
  }
  effectEchoDeriveTimes(r);
  effectEchoReset(r);
  return 1;
}

void effectEchoReset(EffectEchoRecord* r) {
  if (!r) return;
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    delayLineReset(&line.delay);
    dspState2Reset(&line.lowPass);
    dspState3Reset(&line.highPass);
    dspState10Reset(&line.allpass);
    if (r->workBlocks[l]) r->workBlocks[l][0] = r->workBlocks[l][1] = r->workBlocks[l][2] = 0.0f;
  }
}

void effectEchoClampParams(EffectEchoRecord* r) {
  if (!r) return;
  if (r->header.timeUnit != effectUnitSeconds && r->header.timeUnit != effectUnitBeats)
    r->header.timeUnit = effectUnitBeats;
  numClampFlag(r->on);
  r->levelA = effectFieldClamp(effectFields[effectFieldLevel], r->levelA);
  r->levelB = effectFieldClamp(effectFields[effectFieldLevel], r->levelB);
  fieldLoad(echoFields[echoFieldBaseTime], r->baseTime);
  fieldLoad(echoFields[echoFieldBeatTime], r->beatTime);
  fieldLoad(echoFields[echoFieldFeedback], r->feedback);
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    fieldLoad(echoFields[echoFieldLineTimeFactor], r->lineTimeFactor[l]);
    fieldLoad(echoFields[echoFieldLineModDepth], r->lineModDepth[l]);
    numClampFlag(r->lineInvert[l]);
    fieldLoad(echoFields[echoFieldLineLevel], r->lineLevel[l]);
    fieldLoad(echoFields[echoFieldLinePan], r->linePan[l]);
    fieldLoad(echoFields[echoFieldLineFeedback], r->lineFeedback[l]);
    numClampFlag(line.lineOn);
    numClampFlag(line.lowPassOn);
    numClampFlag(line.highPassOn);
    numClampFlag(line.allpassOn);
    fieldLoad(echoFields[echoFieldLowPassFreq], line.lowPassFreq);
    fieldLoad(echoFields[echoFieldHighPassFreq], line.highPassFreq);
    fieldLoad(echoFields[echoFieldAllpassFreq], line.allpassFreq);
  }
}

// A setter's value by the field's row (a value that is not a number leaves the field as it is).
static double setValue(int field, double v, double current) { return fieldSetValue(echoFields[field], v, current); }
static float setFloat(int field, double v, float current) { return fieldSetFloat(echoFields[field], v, current); }

void effectEchoCopy(const EffectEchoRecord* s, EffectEchoRecord* d) {
  if (!s || !d || s == d) return;
  d->header = s->header;
  d->on = s->on;
  d->levelA = s->levelA;
  d->levelB = s->levelB;
  d->baseTime = s->baseTime;
  d->beatTime = s->beatTime;
  d->feedback = s->feedback;
  for (int l = 0; l < 3; ++l) {
    d->lineTimeFactor[l] = s->lineTimeFactor[l];
    d->lineModDepth[l] = s->lineModDepth[l];
    d->lineInvert[l] = s->lineInvert[l];
    d->lineLevel[l] = s->lineLevel[l];
    d->linePan[l] = s->linePan[l];
    d->lineFeedback[l] = s->lineFeedback[l];
    const EchoLine& a = s->lines[l];
    EchoLine& b = d->lines[l];
    b.lineOn = a.lineOn;
    b.lowPassOn = a.lowPassOn;
    b.highPassOn = a.highPassOn;
    b.allpassOn = a.allpassOn;
    b.lowPassFreq = a.lowPassFreq;
    b.highPassFreq = a.highPassFreq;
    b.allpassFreq = a.allpassFreq;
    b.lowPass.pitchIndex = static_cast<float>(dspFreqToIndex(b.lowPassFreq));
    b.highPass.pitchIndex = static_cast<float>(dspFreqToIndex(b.highPassFreq));
    b.allpass.pitchIndex = static_cast<float>(dspFreqToIndex(b.allpassFreq));
  }
  effectEchoDeriveTimes(d);
}

// ---- parameters

double effectEchoGetBaseTime(Engine* engine) {
  EffectEchoRecord* r = echoRecord(engine);
  return r ? r->baseTime : 0.25;
}
void effectEchoSetBaseTime(Engine* engine, double seconds) {
  EffectEchoRecord* r = echoRecord(engine);
  if (!r) return;
  r->baseTime = setValue(echoFieldBaseTime, seconds, r->baseTime);
  effectEchoDeriveTimes(r);
}

double effectEchoGetBeatTime(Engine* engine) {
  EffectEchoRecord* r = echoRecord(engine);
  return r ? r->beatTime : 0.5;
}
void effectEchoSetBeatTime(Engine* engine, double beats) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r) r->beatTime = setValue(echoFieldBeatTime, beats, r->beatTime);
}

std::int16_t effectEchoGetTimeUnit(Engine* engine) {
  EffectEchoRecord* r = echoRecord(engine);
  return r ? static_cast<std::int16_t>(r->header.timeUnit) : 2;
}
void effectEchoSetSync(Engine* engine, std::uint16_t unit) {
  EffectEchoRecord* r = echoRecord(engine);
  if (!r) return;
  if (unit == effectUnitBeats) r->header.timeUnit = effectUnitBeats;
  if (unit == effectUnitSeconds) {
    r->header.timeUnit = effectUnitSeconds;
    effectEchoDeriveTimes(r);
  }
}

double effectEchoGetLineTimeFactor(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? r->lineTimeFactor[line] : 1.0;
}
void effectEchoSetLineTimeFactor(Engine* engine, int line, double factor) {
  EffectEchoRecord* r = echoRecord(engine);
  if (!r || !lineOk(line)) return;
  r->lineTimeFactor[line] = setValue(echoFieldLineTimeFactor, factor, r->lineTimeFactor[line]);
  effectEchoDeriveTimes(r);
}

double effectEchoGetLineModAmount(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? r->lineModDepth[line] : 0.0;
}
void effectEchoSetLineModAmount(Engine* engine, int line, double amount) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r && lineOk(line)) r->lineModDepth[line] = setValue(echoFieldLineModDepth, amount, r->lineModDepth[line]);
}

std::uint8_t effectEchoGetLineModInvert(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? r->lineInvert[line] : 0;
}
void effectEchoSetLineModInvert(Engine* engine, int line, std::uint8_t invert) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r && lineOk(line)) r->lineInvert[line] = invert;
}

double effectEchoGetLineLevel(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? gainToDb6(r->lineLevel[line]) : -6.0;
}
void effectEchoSetLineLevel(Engine* engine, int line, double db) {
  EffectEchoRecord* r = echoRecord(engine);
  if (!r || !lineOk(line)) return;
  const double g = db6ToGain(db);
  if (std::isfinite(g)) r->lineLevel[line] = setFloat(echoFieldLineLevel, g, r->lineLevel[line]);  // overflow: refused
}

float effectEchoGetLinePan(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? r->linePan[line] : 0.5f;
}
void effectEchoSetLinePan(Engine* engine, int line, float pan) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r && lineOk(line)) r->linePan[line] = setFloat(echoFieldLinePan, pan, r->linePan[line]);
}

float effectEchoGetFeedback(Engine* engine) {
  EffectEchoRecord* r = echoRecord(engine);
  return r ? r->feedback : 0.0f;
}
void effectEchoSetFeedback(Engine* engine, float feedback) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r) r->feedback = setFloat(echoFieldFeedback, feedback, r->feedback);
}

float effectEchoGetLineFeedback(Engine* engine, int line) {
  EffectEchoRecord* r = echoRecord(engine);
  return r && lineOk(line) ? r->lineFeedback[line] : 0.0f;
}
void effectEchoSetLineFeedback(Engine* engine, int line, float feedback) {
  EffectEchoRecord* r = echoRecord(engine);
  if (r && lineOk(line)) r->lineFeedback[line] = setFloat(echoFieldLineFeedback, feedback, r->lineFeedback[line]);
}

// Filter frequencies are stored in Hz within their row; their pitch index is limited by
// dspFreqToIndex. A value that is not a positive number has no pitch and is refused.
#define ECHO_FREQ(Name, field, state, fallback, row)                         \
  double effectEchoGet##Name(Engine* engine, int line) {                     \
    EffectEchoRecord* r = echoRecord(engine);                                \
    return r && lineOk(line) ? r->lines[line].field : fallback;              \
  }                                                                          \
  void effectEchoSet##Name(Engine* engine, int line, double hz) {            \
    EffectEchoRecord* r = echoRecord(engine);                                \
    if (!r || !lineOk(line) || !std::isfinite(hz) || !(hz > 0.0)) return;    \
    r->lines[line].field = setValue(row, hz, r->lines[line].field);          \
    dspSetFreqIndex(&r->lines[line].state.pitchIndex, r->lines[line].field); \
  }
ECHO_FREQ(LowPassFreq, lowPassFreq, lowPass, 5000.0, echoFieldLowPassFreq)
ECHO_FREQ(HighPassFreq, highPassFreq, highPass, 200.0, echoFieldHighPassFreq)
ECHO_FREQ(AllpassFreq, allpassFreq, allpass, 2000.0, echoFieldAllpassFreq)
#undef ECHO_FREQ

#define ECHO_SWITCH(Name, field)                                        \
  std::uint8_t effectEchoGet##Name(Engine* engine, int line) {          \
    EffectEchoRecord* r = echoRecord(engine);                           \
    return r && lineOk(line) ? r->lines[line].field : 0;                \
  }                                                                     \
  void effectEchoSet##Name(Engine* engine, int line, std::uint8_t on) { \
    EffectEchoRecord* r = echoRecord(engine);                           \
    if (r && lineOk(line)) r->lines[line].field = on;                   \
  }
ECHO_SWITCH(LowPassOn, lowPassOn)
ECHO_SWITCH(HighPassOn, highPassOn)
ECHO_SWITCH(AllpassOn, allpassOn)
ECHO_SWITCH(LineOn, lineOn)
#undef ECHO_SWITCH
