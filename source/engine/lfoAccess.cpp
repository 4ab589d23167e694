// LFO record copy and the field accessors of the LFO page. Setters change the edit copy and commit
// it (editKindLfo, the LFO's index), so the audio thread sees a whole record between two blocks.
#include <cmath>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/numeric.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

void lfoCopy(const Lfo* source, Lfo* target) {
  if (source && target && source != target) *target = *source;
}

namespace {

const Lfo* live(Engine* engine, std::int16_t lfo) {
  return engine && lfo >= 0 && lfo < lfoCount ? &engine->lfos[lfo] : nullptr;
}

template <typename F>
void edit(Engine* engine, std::int16_t lfo, F change) {
  Lfo* copy = editBeginLfo(engine, lfo);
  if (!copy) return;
  change(copy);
  editCommit(engine, editKindLfo, lfo);
}

std::int16_t clampChannel(std::int16_t c, std::int16_t count) { return numIndexOrZero(c, count); }

// Values are stored as given within the field's row (kept finite; periods at least lfoMinSeconds).
void setField(Lfo* r, int field, double value) {
  if (float* f = lfoFloatFieldOf(r, field))
    *f = fieldSetFloat(lfoFields[field], value, *f);
  else if (double* d = lfoDoubleFieldOf(r, field))
    *d = fieldSetValue(lfoFields[field], value, *d);
}

}  // namespace

#define LFO_BYTE(Name, field)                                               \
  std::uint8_t lfoGet##Name(Engine* engine, std::int16_t lfo) {             \
    const Lfo* r = live(engine, lfo);                                       \
    return r ? r->field : 0;                                                \
  }                                                                         \
  void lfoSet##Name(Engine* engine, std::int16_t lfo, std::uint8_t value) { \
    edit(engine, lfo, [&](Lfo* r) { r->field = value; });                   \
  }

LFO_BYTE(On, on)
LFO_BYTE(PerVoice, perVoice)
LFO_BYTE(SampleHold, sampleHold)
LFO_BYTE(PitchPolarity, pitchPolarity)
LFO_BYTE(AmpPolarity, ampPolarity)
LFO_BYTE(FilterPolarity, filterPolarity)
LFO_BYTE(ChannelPolarity, channelPolarity)
#undef LFO_BYTE

std::uint8_t lfoGetRetrigger(Engine* engine, std::int16_t lfo) {
  const Lfo* r = live(engine, lfo);
  return r && (r->retrigger & 0xFF) ? 1 : 0;
}
void lfoSetRetrigger(Engine* engine, std::int16_t lfo, std::uint8_t value) {
  edit(engine, lfo, [&](Lfo* r) { r->retrigger = static_cast<std::int16_t>((r->retrigger & ~0xFF) | value); });
}

#define LFO_TARGET(Name, field, count)                                                      \
  std::uint8_t lfoGet##Name(Engine* engine, std::int16_t lfo, std::int16_t c) {             \
    const Lfo* r = live(engine, lfo);                                                       \
    return r ? r->field[clampChannel(c, count)] : 0;                                        \
  }                                                                                         \
  void lfoSet##Name(Engine* engine, std::int16_t lfo, std::int16_t c, std::uint8_t value) { \
    edit(engine, lfo, [&](Lfo* r) { r->field[clampChannel(c, count)] = value; });           \
  }

LFO_TARGET(PitchTarget, pitchTarget, 3)
LFO_TARGET(AmpTarget, ampTarget, 3)
LFO_TARGET(FilterTarget, filterTarget, 4)
LFO_TARGET(ChannelTarget, channelTarget, 3)
#undef LFO_TARGET

#define LFO_FLOAT(Name, field, row)                                   \
  double lfoGet##Name(Engine* engine, std::int16_t lfo) {             \
    const Lfo* r = live(engine, lfo);                                 \
    return r ? static_cast<double>(r->field) : 0.0;                   \
  }                                                                   \
  void lfoSet##Name(Engine* engine, std::int16_t lfo, double value) { \
    edit(engine, lfo, [&](Lfo* r) { setField(r, row, value); });      \
  }

LFO_FLOAT(PitchDepth, pitchDepth, lfoFieldPitchDepth)
LFO_FLOAT(AmpDepth, ampDepth, lfoFieldAmpDepth)
LFO_FLOAT(FieldDepth, fieldDepth, lfoFieldFieldDepth)
LFO_FLOAT(FilterRange, filterRange, lfoFieldFilterRange)
LFO_FLOAT(ChannelDepth, channelDepth, lfoFieldChannelDepth)
LFO_FLOAT(PercentSetting, percentSetting, lfoFieldPercentSetting)
LFO_FLOAT(PeriodSeconds, periodSeconds, lfoFieldPeriodSeconds)
LFO_FLOAT(StartPhase, startPhase, lfoFieldStartPhase)
LFO_FLOAT(HoldSeconds, holdSeconds, lfoFieldHoldSeconds)
LFO_FLOAT(RateRange, rateRange, lfoFieldRateRange)
LFO_FLOAT(DepthAmount, depthAmount, lfoFieldDepthAmount)
LFO_FLOAT(HoldRateRange, holdRateRange, lfoFieldHoldRateRange)
LFO_FLOAT(PeriodBeats, periodBeats, lfoFieldPeriodBeats)
LFO_FLOAT(HoldBeats, holdBeats, lfoFieldHoldBeats)
#undef LFO_FLOAT

std::int16_t lfoGetWaveId(Engine* engine, std::int16_t lfo) {
  const Lfo* r = live(engine, lfo);
  return r ? r->waveId : 0;
}
void lfoSetWaveId(Engine* engine, std::int16_t lfo, std::int16_t value) {
  edit(engine, lfo, [&](Lfo* r) { r->waveId = value; });
}

static std::int16_t* controllerField(Lfo* r, std::int16_t k) {
  switch (k) {
    case 0: return &r->depthController;
    case 1: return &r->rateController;
    case 2: return &r->holdRateController;
    case 3: return &r->retriggerController;
    default: return nullptr;
  }
}

std::int16_t lfoGetControllerSource(Engine* engine, std::int16_t lfo, std::int16_t k) {
  const Lfo* r = live(engine, lfo);
  if (!r) return 0;
  const std::int16_t* f = controllerField(const_cast<Lfo*>(r), k);
  return f ? *f : 0;
}
void lfoSetControllerSource(Engine* engine, std::int16_t lfo, std::int16_t k, std::int16_t source) {
  if (source < -1 || source > 127 || k < 0 || k > 3) return;
  edit(engine, lfo, [&](Lfo* r) { *controllerField(r, k) = source; });
}

std::int16_t lfoGetPeriodSync(Engine* engine, std::int16_t lfo) {
  const Lfo* r = live(engine, lfo);
  return r ? static_cast<std::int16_t>(r->periodSync) : 0;
}
void lfoSetPeriodSync(Engine* engine, std::int16_t lfo, std::int16_t value) {
  edit(engine, lfo, [&](Lfo* r) {
    if (value == 0 || value == 1) r->periodSync = static_cast<std::uint32_t>(value);
  });
}
std::int16_t lfoGetHoldSync(Engine* engine, std::int16_t lfo) {
  const Lfo* r = live(engine, lfo);
  return r ? static_cast<std::int16_t>(r->holdSync) : 0;
}
void lfoSetHoldSync(Engine* engine, std::int16_t lfo, std::int16_t value) {
  edit(engine, lfo, [&](Lfo* r) {
    if (value == 0 || value == 1) r->holdSync = static_cast<std::uint32_t>(value);
  });
}
