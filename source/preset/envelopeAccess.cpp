// Envelope header and breakpoint accessors with their range checks; the mode and loop-point rules.
#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "preset/envelope.h"
#include "preset/fieldTables.h"

namespace {

Breakpoint* bpAt(Engine* engine, std::int16_t slot, std::int16_t bp) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || bp < 0 || bp >= envBreakpointCount) return nullptr;
  return &s->breakpoints[bp];
}

}  // namespace

// ---- Header

void envSetMode(Engine* engine, std::int16_t slot, std::uint16_t mode) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return;
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(slot));
  if (mode >= envModeRelease && mode <= envModeControl) s->mode = mode;
  if (mode == envModeLoop && s->mode == envModeLoop && s->sustainIndex <= s->loopStart) {
    if (s->sustainIndex < 1) {
      s->sustainIndex = 1;
      s->loopStart = 0;
    } else {
      s->loopStart = static_cast<std::int16_t>(s->sustainIndex - 1);
    }
  }
  s->releaseIndex = s->sustainIndex;
  if (mode == envModeControl) envCompileIfControl(engine, slot);
  envSlotRecMarkPending(s);
}

std::uint16_t envGetMode(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? s->mode : static_cast<std::uint16_t>(envModeSustain);
}

void envSetSyncFlag(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->tempoSync = on;
}
std::uint8_t envGetSyncFlag(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? s->tempoSync : 0;
}

void envSetBypass(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->bypass = on;
}
bool envIsBypassed(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s && s->bypass != 0;
}

void envSetControlSource(Engine* engine, std::int16_t slot, std::int16_t source) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->controlSource = source;
}
std::int16_t envGetControlSource(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? static_cast<std::int16_t>(s->controlSource) : 0;
}

void envSetCcScaleOn(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->ccScaleOn = on;
}
bool envGetCcScaleOn(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s && s->ccScaleOn > 0;
}

void envSetLfoOn(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->lfoOn = on;
}
bool envGetLfoOn(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s && s->lfoOn != 0;
}

void envSetLfoFlag(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->sampleHoldOn = on;
}
bool envGetLfoFlag(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s && s->sampleHoldOn != 0;
}

void envSetLfoWave(Engine* engine, std::int16_t slot, std::int16_t waveId) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->lfoWave = waveId;
}
std::int16_t envGetLfoWave(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? static_cast<std::int16_t>(s->lfoWave) : 0;
}

void envSetLfoPhase(Engine* engine, std::int16_t slot, float phase) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || !std::isfinite(phase)) return;
  phase -= std::floor(phase);  // wraps any value in one step
  s->lfoPhase = phase < 1.0f ? phase : 0.0f;
}
float envGetLfoPhase(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? s->lfoPhase : 0.0f;
}

#define ENV_CLAMPED_FIELD(Name, field, row, neutral)                       \
  void envSet##Name(Engine* engine, std::int16_t slot, float value) {      \
    EnvelopeSlot* s = envSlot(engine, slot);                               \
    if (s) s->field = fieldSetFloat(envelopeFields[row], value, s->field); \
  }                                                                        \
  float envGet##Name(Engine* engine, std::int16_t slot) {                  \
    EnvelopeSlot* s = envSlot(engine, slot);                               \
    return s ? s->field : neutral;                                         \
  }
ENV_CLAMPED_FIELD(AmpPercent, ampPercent, envFieldAmpPercent, 1.0f)
ENV_CLAMPED_FIELD(AmpOffset, ampOffset, envFieldAmpOffset, 0.0f)
ENV_CLAMPED_FIELD(TimePercent, timePercent, envFieldTimePercent, 1.0f)
ENV_CLAMPED_FIELD(SlopePercent, slopePercent, envFieldSlopePercent, 1.0f)
#undef ENV_CLAMPED_FIELD

void envSetLinked(Engine* engine, std::int16_t slot, std::uint8_t on) {
  if (EnvelopeSlot* s = envSlot(engine, slot)) s->linked = on;
}
bool envIsLinked(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s && s->linked != 0;
}

void envSetLinkMaster(Engine* engine, std::int16_t slot, std::int16_t m) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return;
  if (m == slot) m = static_cast<std::int16_t>(m < envSlotCount - 1 ? m + 1 : m - 1);
  s->linkMaster = m;
  s->linkMasterSlot = slot;
  if (m >= 0) {
    for (int i = 0; i < envSlotCount; ++i) {
      if (engine->envSlots[i].id == m) {
        s->linkMasterSlot = i;
        break;
      }
    }
  }
}
std::int16_t envGetLinkMaster(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? static_cast<std::int16_t>(s->linkMaster) : 0;
}
std::int16_t envGetLinkMasterSlot(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  return s ? static_cast<std::int16_t>(s->linkMasterSlot) : 0;
}

bool envIsLinkedTo(Engine* engine, std::int16_t slot) {
  if (!envSlot(engine, slot)) return false;
  for (int j = 0; j < envSlotCount; ++j)
    if (j != slot && engine->envSlots[j].linked && engine->envSlots[j].linkMaster == slot) return true;
  return false;
}

void envClampLoopPoints(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* e = envSlot(engine, slot);
  if (!e) return;
  e->lastIndex = numClamp<std::int16_t>(e->lastIndex, 0, envBreakpointCount - 1);
  std::int16_t s = e->sustainIndex;
  if (s >= e->lastIndex) {
    s = static_cast<std::int16_t>(e->lastIndex - 1);
    e->sustainIndex = s;
  }
  if (s < 0) {
    s = e->releaseIndex >= 0 && e->releaseIndex <= e->lastIndex ? e->releaseIndex : 1;
    e->sustainIndex = s;
  }
  e->releaseIndex = s;
  if (s <= e->loopStart) {
    if (s > 0) {
      e->loopStart = static_cast<std::int16_t>(s - 1);
    } else if (e->lastIndex >= 2) {
      e->sustainIndex = e->releaseIndex = 1;
      e->loopStart = 0;
    }
  }
  if (e->mode != envModeSustain) return;
  std::int16_t next = static_cast<std::int16_t>(e->sustainIndex + 1);
  if (next > e->lastIndex) next = e->lastIndex;
  for (int v = 0; v < engineMaxVoices; ++v) {
    EnvelopeInstance* in = engineGetEnvelopeInstance(engine, slot, static_cast<std::int16_t>(v));
    if (in->state == envStateHolding && in->segmentStart != e->sustainIndex) {
      in->segmentStart = e->sustainIndex;
      in->segmentTarget = next;
    }
  }
}

// ---- Breakpoints

void envSetBpTime(Engine* engine, std::int16_t slot, std::int16_t bp, double samples) {
  Breakpoint* p = bpAt(engine, slot, bp);
  // A time below 0 (or no number) is refused; one beyond a day is held there, as a file's is.
  if (!p || !std::isfinite(samples) || samples < envelopeFields[envFieldBpTime].lo) return;
  p->time = fieldSetValue(envelopeFields[envFieldBpTime], samples, p->time);
  envCompileIfControl(engine, slot);
}
double envGetBpTime(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->time : 0.0;
}

void envSetBpLevel(Engine* engine, std::int16_t slot, std::int16_t bp, double level) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || !fieldAccepts(envelopeFields[envFieldBpLevel], level)) return;
  if (bp == -1)
    s->startLevel = static_cast<float>(level);
  else if (Breakpoint* p = bpAt(engine, slot, bp))
    p->level = static_cast<float>(level);
  else
    return;
  envCompileIfControl(engine, slot);
}
double envGetBpLevel(Engine* engine, std::int16_t slot, std::int16_t bp) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return 0.0;
  if (bp < 0) return s->startLevel;
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->level : 0.0;
}

void envSetBpSlope(Engine* engine, std::int16_t slot, std::int16_t bp, double slope) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (!p || !std::isfinite(slope) || slope < envelopeFields[envFieldBpSlope].lo) return;
  p->slope = fieldSetFloat(envelopeFields[envFieldBpSlope], slope, p->slope);
  envCompileIfControl(engine, slot);
}
double envGetBpSlope(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->slope : 1.0;
}

void envSetBpStepFlag(Engine* engine, std::int16_t slot, std::int16_t bp, std::uint32_t step) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p && step <= 1) p->step = step;
}
std::uint32_t envGetBpStepFlag(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->step : 0;
}

void envSetBpAmpScale(Engine* engine, std::int16_t slot, std::int16_t bp, double value) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p && fieldAccepts(envelopeFields[envFieldBpAmpScale], value)) p->ampScale = static_cast<float>(value);
}
double envGetBpAmpScale(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->ampScale : 0.0;
}

void envSetBpTimeScale(Engine* engine, std::int16_t slot, std::int16_t bp, double value) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p && fieldAccepts(envelopeFields[envFieldBpTimeScale], value)) p->timeScale = static_cast<float>(value);
}
double envGetBpTimeScale(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->timeScale : 0.0;
}

void envSetBpAmpCc(Engine* engine, std::int16_t slot, std::int16_t bp, std::int16_t source) {
  if (Breakpoint* p = bpAt(engine, slot, bp)) p->ampCc = source;
}
std::int16_t envGetBpAmpCc(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? static_cast<std::int16_t>(p->ampCc) : 0;
}

void envSetBpTimeCc(Engine* engine, std::int16_t slot, std::int16_t bp, std::int16_t source) {
  if (Breakpoint* p = bpAt(engine, slot, bp)) p->timeCc = source;
}
std::int16_t envGetBpTimeCc(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? static_cast<std::int16_t>(p->timeCc) : 0;
}

void envSetBpDepth(Engine* engine, std::int16_t slot, std::int16_t bp, float depth) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p) p->lfoDepth = fieldSetFloat(envelopeFields[envFieldBpLfoDepth], depth, p->lfoDepth);
}
float envGetBpDepth(Engine* engine, std::int16_t slot, std::int16_t bp) {
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->lfoDepth : 0.0f;
}

void envSetBpLfoSec(Engine* engine, std::int16_t slot, std::int16_t bp, float seconds) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p) p->lfoSeconds = fieldSetValue(envelopeFields[envFieldBpLfoSeconds], seconds, p->lfoSeconds);
}
double envGetBpLfoSec(Engine* engine, std::int16_t slot, std::int16_t bp) {
  if (bp == -1) return 0.0;
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->lfoSeconds : 1.0;
}

void envSetBpShSec(Engine* engine, std::int16_t slot, std::int16_t bp, float seconds) {
  Breakpoint* p = bpAt(engine, slot, bp);
  if (p) p->shSeconds = fieldSetValue(envelopeFields[envFieldBpShSeconds], seconds, p->shSeconds);
}
double envGetBpShSec(Engine* engine, std::int16_t slot, std::int16_t bp) {
  if (bp == -1) return 0.0;
  Breakpoint* p = bpAt(engine, slot, bp);
  return p ? p->shSeconds : 1.0;
}

// ---- Services of the Envelope page

bool envChooseMode(Engine* engine, std::int16_t slot, std::int16_t entry) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || entry < 1 || entry > 6) return false;
  if (entry <= envModeControl) {
    envSlotWaitAudio(engine, static_cast<std::uint16_t>(slot));
    s->linked = 0;
    envSetMode(engine, slot, static_cast<std::uint16_t>(entry));  // marks the slot pending itself
    return true;
  }
  if (envIsLinkedTo(engine, slot)) return false;
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(slot));
  envSetLinkMaster(engine, slot, 0);
  envSetLinked(engine, slot, 1);
  envSlotMarkPending(engine, slot);
  return true;
}

namespace {

void swapKeepingWord(EnvelopeSlot* live, EnvelopeSlot* saved) {
  const std::int32_t word = envHandshakeLoad(live);
  const EnvelopeSlot copy = *live;
  *live = *saved;
  *saved = copy;
  live->handshake = word;
}

}  // namespace

void envSwapWithSaved(Engine* engine, std::int16_t slot, EnvelopeSlot* saved) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || !saved) return;
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(slot));
  swapKeepingWord(s, saved);
  envCompileIfControl(engine, slot);
  envSlotMarkPending(engine, slot);
}

void envSwapAllWithSaved(Engine* engine, EnvelopeSlot* saved) {
  if (!engine || !saved) return;
  envSlotSyncStates(engine);
  for (int i = 0; i < envSlotCount; ++i) {
    swapKeepingWord(&engine->envSlots[i], &saved[i]);
    envCompileIfControl(engine, static_cast<std::int16_t>(i));
  }
  envSlotMarkAllPending(engine);
}
