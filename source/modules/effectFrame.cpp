#include "modules/effectFrame.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "modules/echoEffect.h"
#include "modules/effectShared.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "modules/threeUnitEffect.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

// Routines by effect type. Slot 0 holds the pipe routine, which returns at once unless the live
// type is 1; the echo and three-unit kinds fill slots 4 and 5.
static EffectRoutine effectRoutineTable[6];

void effectInstallRoutines(EffectRuntime* memory) {
  effectRoutineTable[0] = effectPipeRoutine;
  effectRoutineTable[1] = effectPipeRoutine;
  effectRoutineTable[2] = effectCombRoutine;
  effectRoutineTable[3] = effectTapRender;
  effectRoutineTable[4] = effectEchoRender;
  effectRoutineTable[5] = effectRevRoutine;
  if (memory) {
    memory->capacity = 0;
    memory->base = nullptr;
  }
}

// ---- delay memory

int effectAllocMemory(EffectRuntime* memory, std::int32_t count) {
  if (!memory || memory->base || count <= 0) return 0;
  effectInstallRoutines(memory);
  float* base = static_cast<float*>(std::calloc(static_cast<std::size_t>(count), sizeof(float)));
  if (!base) return 0;
  memory->base = base;
  memory->capacity = count;
  memory->used = 0;
  return 1;
}

void effectFreeMemory(EffectRuntime* memory) {
  if (!memory) return;
  std::free(memory->base);
  memory->base = nullptr;
  memory->used = 0;
  for (float*& line : memory->lines) line = nullptr;
}

void effectMemoryRewind(Engine* engine) {
  if (engine) effectRuntime(engine)->used = 0;
}

float* effectMemoryTake(Engine* engine, std::int32_t n) {
  if (!engine) return nullptr;
  EffectRuntime* rt = effectRuntime(engine);
  if (!rt->base || n <= 0 || rt->used < 0) return nullptr;
  // 64-bit sum: a huge request must not wrap round and pass the test.
  if (static_cast<std::int64_t>(rt->used) + n >= rt->capacity) return nullptr;
  float* p = rt->base + rt->used;
  rt->used += n;
  return p;
}

// ---- type and switch

std::uint16_t effectGetType(Engine* engine) { return engine ? engine->effectType : 0; }

// Cuts the live type's lines front to back and resets the running state.
static void effectCarveMemory(Engine* engine, std::uint16_t type) {
  if (type < 1 || type > 5) type = 0;
  engine->effectType = type;
  EffectRuntime* rt = effectRuntime(engine);
  rt->used = 0;
  for (float*& line : rt->lines) line = nullptr;
  int count = 0;
  std::int32_t length = effectLineFloats;
  if (type == effectPipe) count = 2;
  if (type == effectComb) count = effectLineSlots;
  if (type == effectTap) {
    count = 1;
    length = engine->effectTap.ringLength;
  }
  for (int i = 0; i < count; ++i) rt->lines[i] = effectMemoryTake(engine, length);
  effectReset(engine);
}

void effectSetType(Engine* engine, std::uint16_t type) {
  if (engine) effectCarveMemory(engine, type);
}

void effectSetOn(Engine* engine, std::uint8_t on) {
  if (engine) effectRuntime(engine)->on = on;
}

std::uint8_t effectIsOn(Engine* engine) { return engine ? effectRuntime(engine)->on : 0; }

static void* effectRecordOfType(Engine* engine, std::uint16_t type);

void* effectActiveRecord(Engine* engine) { return engine ? effectRecordOfType(engine, engine->effectType) : nullptr; }

// ---- levels, time unit and time

// The common fields after the head, in any kind's record.
struct EffectCommon {
  std::uint8_t* on;
  float* levelA;
  float* levelB;
  EffectHeader* header;
};

static bool effectCommonOf(void* record, std::uint16_t type, EffectCommon* out) {
  if (!record) return false;
  switch (type) {
#define EFFECT_COMMON(T)                                 \
  {                                                      \
    T* r = static_cast<T*>(record);                      \
    *out = {&r->on, &r->levelA, &r->levelB, &r->header}; \
    return true;                                         \
  }
    case effectPipe: EFFECT_COMMON(EffectPipeRecord)
    case effectComb: EFFECT_COMMON(EffectCombRecord)
    case effectTap: EFFECT_COMMON(EffectTapRecord)
    case effectEcho: EFFECT_COMMON(EffectEchoRecord)
    case effectRev: EFFECT_COMMON(EffectRevRecord)
#undef EFFECT_COMMON
    default: return false;
  }
}

static float effectGetLevel(Engine* engine, bool wet) {
  EffectCommon c;
  if (!engine || !effectCommonOf(effectActiveRecord(engine), engine->effectType, &c)) return 1.0f;
  return wet ? *c.levelA : *c.levelB;
}

// Levels are held within 0..1 as a loaded record's are (not a number keeps the level in force), so the
// routines can trust them.
static void effectSetLevel(Engine* engine, bool wet, float level) {
  if (!engine) return;
  const std::uint16_t type = engine->effectType;
  if (type >= effectPipe && type <= effectTap) {
    EffectCommon c;
    if (!effectCommonOf(editBeginEffect(engine, static_cast<std::int16_t>(type)), type, &c)) return;
    float* slot = wet ? c.levelA : c.levelB;
    *slot = effectFieldSet(effectFields[effectFieldLevel], level, *slot);
    editCommit(engine, editKindEffect, 0);
  } else if (type == effectEcho || type == effectRev) {
    EffectCommon c;
    if (effectCommonOf(effectActiveRecord(engine), type, &c)) {
      float* slot = wet ? c.levelA : c.levelB;
      *slot = effectFieldSet(effectFields[effectFieldLevel], level, *slot);
    }
  }
}

float effectGetLevelA(Engine* engine) { return effectGetLevel(engine, true); }
float effectGetLevelB(Engine* engine) { return effectGetLevel(engine, false); }
void effectSetLevelA(Engine* engine, float level) { effectSetLevel(engine, true, level); }
void effectSetLevelB(Engine* engine, float level) { effectSetLevel(engine, false, level); }

static EffectHeader* effectHeaderOfType(Engine* engine, std::uint16_t type) {
  switch (type) {
    case effectPipe: return &engine->effectPipe.header;
    case effectComb: return &engine->effectComb.header;
    case effectTap: return &engine->effectTap.header;
    default: return nullptr;
  }
}

static double* effectTimeOfType(Engine* engine, std::uint16_t type) {
  switch (type) {
    case effectPipe: return &engine->effectPipe.time;
    case effectComb: return &engine->effectComb.time;
    case effectTap: return &engine->effectTap.beatTime;
    default: return nullptr;
  }
}

std::int16_t effectGetTimeUnit(Engine* engine, std::uint16_t type) {
  EffectHeader* h = engine ? effectHeaderOfType(engine, type) : nullptr;
  return h ? static_cast<std::int16_t>(h->timeUnit) : 0;
}

void effectSetTimeUnit(Engine* engine, std::uint16_t type, std::uint16_t unit) {
  EffectHeader* h = engine ? effectHeaderOfType(engine, type) : nullptr;
  // Only the two units the routines know; anything else would leave a kind without a delay.
  if (h && (unit == effectUnitSeconds || unit == effectUnitBeats)) h->timeUnit = unit;
}

double effectGetTime(Engine* engine, std::uint16_t type) {
  double* t = engine ? effectTimeOfType(engine, type) : nullptr;
  return t ? *t : 1.0;
}

void effectSetTime(Engine* engine, std::uint16_t type, double beats) {
  double* t = engine ? effectTimeOfType(engine, type) : nullptr;
  if (t) *t = effectFieldSet(effectFields[effectFieldTime], beats, *t);
}

// ---- running state

void effectReset(Engine* engine) {
  if (!engine) return;
  EffectRuntime* rt = effectRuntime(engine);
  rt->pipe.y = 0.0f;
  for (EffectCombState& c : rt->combs) c.y = 0.0f;
  rt->tap.writeIndex = 0;
  rt->tap.y = 0.0f;
  if (!rt->base) return;
  // The multi-tap runs over the whole memory. The echo and three-unit kinds keep the lines they
  // took when their records were set up, wherever those lie, so for them the whole memory is
  // cleared too: no kind may replay audio another kind left behind.
  const std::uint16_t type = engine->effectType;
  std::int32_t count = rt->used;
  if (type == effectTap || type == effectEcho || type == effectRev) count = rt->capacity;
  if (count > rt->capacity) count = rt->capacity;
  if (count > 0) std::memset(rt->base, 0, sizeof(float) * static_cast<std::size_t>(count));
  if (type == effectEcho) effectEchoReset(&engine->effectEcho);
  if (type == effectRev) effectRevResetThunk(&engine->effectRev);
}

void effectRecompute(Engine* engine) {
  if (!engine) return;
  EffectRuntime* rt = effectRuntime(engine);
  rt->on = 0;
  engine->effectType = effectComb;
  rt->prevWet = effectModRow(engine)[effectModWet];
  // The echo and three-unit records take their lines from the start of the memory, as the
  // multi-comb lines cut below do; only the live kind's lines are in use.
  effectEchoInit(engine, &engine->effectEcho);
  effectRevInit(engine, &engine->effectRev);
  effectPipeRecompute(engine);
  effectCombRecompute(engine);
  effectTapRecompute(engine);
  effectCarveMemory(engine, effectComb);
}

static void* effectRecordOfType(Engine* engine, std::uint16_t type) {
  switch (type) {
    case effectPipe: return &engine->effectPipe;
    case effectComb: return &engine->effectComb;
    case effectTap: return &engine->effectTap;
    case effectEcho: return &engine->effectEcho;
    case effectRev: return &engine->effectRev;
    default: return nullptr;
  }
}

// Levels and time unit of a record that came from outside (a preset or a file), limited so the
// routines can trust them; each kind limits its own fields.
static void effectClampCommon(EffectCommon c, std::uint16_t type) {
  c.header->tag = effectHeaderTag;
  c.header->type = type;
  c.header->size = effectStoredSize(type);
  *c.on = *c.on ? 1 : 0;
  *c.levelA = effectFieldClamp(effectFields[effectFieldLevel], *c.levelA);
  *c.levelB = effectFieldClamp(effectFields[effectFieldLevel], *c.levelB);
  if (c.header->timeUnit != effectUnitSeconds && c.header->timeUnit != effectUnitBeats)
    c.header->timeUnit = effectUnitSeconds;
}

// The engine's record of `type` takes the source record's values.
static void effectCopyIn(Engine* engine, const void* source, std::uint16_t type) {
  void* live = effectRecordOfType(engine, type);
  switch (type) {
    case effectPipe: std::memcpy(live, source, sizeof(EffectPipeRecord)); break;
    case effectComb: std::memcpy(live, source, sizeof(EffectCombRecord)); break;
    case effectTap: std::memcpy(live, source, sizeof(EffectTapRecord)); break;
    case effectEcho:
      // Parameters only: the lines and buffers belong to the engine's own set-up.
      effectEchoCopy(static_cast<const EffectEchoRecord*>(source), &engine->effectEcho);
      effectEchoClampParams(&engine->effectEcho);
      effectEchoDeriveTimes(&engine->effectEcho);
      break;
    case effectRev:
      effectRevCopyParams(static_cast<const EffectRevRecord*>(source), &engine->effectRev);
      effectRevClampParams(&engine->effectRev);
      break;
    default: {
      EffectCommon from, to;
      if (!effectCommonOf(const_cast<void*>(source), type, &from) || !effectCommonOf(live, type, &to)) return;
      *to.on = *from.on;
      *to.levelA = *from.levelA;
      *to.levelB = *from.levelB;
      to.header->timeUnit = from.header->timeUnit;
      break;
    }
  }
  EffectCommon c;
  if (effectCommonOf(live, type, &c)) effectClampCommon(c, type);
  if (type == effectPipe) effectPipeClampRecord(&engine->effectPipe);
  if (type == effectComb) effectCombClampRecord(&engine->effectComb);
  if (type == effectTap) effectTapClampRecord(&engine->effectTap);
}

// The engine's record of `type` into a preset's record of the same type.
static void effectCopyOut(Engine* engine, void* destination, std::uint16_t type) {
  void* live = effectRecordOfType(engine, type);
  EffectCommon c;
  if (!effectCommonOf(live, type, &c)) return;
  *c.on = effectRuntime(engine)->on;
  switch (type) {
    case effectPipe: std::memcpy(destination, live, sizeof(EffectPipeRecord)); break;
    case effectComb: std::memcpy(destination, live, sizeof(EffectCombRecord)); break;
    case effectTap: std::memcpy(destination, live, sizeof(EffectTapRecord)); break;
    case effectEcho: effectEchoCopy(&engine->effectEcho, static_cast<EffectEchoRecord*>(destination)); break;
    case effectRev: effectRevCopyParams(&engine->effectRev, static_cast<EffectRevRecord*>(destination)); break;
    default: {
      EffectCommon to;
      if (!effectCommonOf(destination, type, &to)) return;
      *to.header = *c.header;
      *to.on = *c.on;
      *to.levelA = *c.levelA;
      *to.levelB = *c.levelB;
      break;
    }
  }
}

void effectCopy(Engine* engine, const void* source, void* destination, std::uint8_t toEngine) {
  if (!engine || !source) return;
  // The type is the 16-bit field after the head's tag.
  std::uint16_t type;
  std::memcpy(&type, static_cast<const std::uint8_t*>(source) + 2, sizeof type);
  bool known = type >= effectPipe && type <= effectRev;
  // A head whose size does not belong to its type is not a record of that type: copying it as one
  // would read past the end of a smaller record.
  if (known && static_cast<const EffectHeader*>(source)->size != effectStoredSize(type)) known = false;
  if (toEngine) {
    EffectRuntime* rt = effectRuntime(engine);
    rt->on = 0;
    effectSetType(engine, 0);
    effectRecompute(engine);
    if (known) {
      effectCopyIn(engine, source, type);
      EffectCommon c;
      if (effectCommonOf(effectRecordOfType(engine, type), type, &c)) rt->on = *c.on;
    }
    effectSetType(engine, known ? type : 0);
    return;
  }
  if (destination && known) effectCopyOut(engine, destination, type);
}

void* effectAlloc(std::uint16_t type) {
  std::size_t bytes = 0;
  switch (type) {
    case effectPipe: bytes = sizeof(EffectPipeRecord); break;
    case effectComb: bytes = sizeof(EffectCombRecord); break;
    case effectTap: bytes = sizeof(EffectTapRecord); break;
    case effectEcho: bytes = sizeof(EffectEchoRecord); break;
    case effectRev: bytes = sizeof(EffectRevRecord); break;
    default: return nullptr;
  }
  void* record = std::calloc(1, bytes);
  if (!record) return nullptr;
  if (type == effectPipe) effectPipeInit(static_cast<EffectPipeRecord*>(record));
  if (type == effectComb) effectCombInit(static_cast<EffectCombRecord*>(record));
  if (type == effectTap) effectTapInit(static_cast<EffectTapRecord*>(record));
  return record;
}

// ---- audio thread

void effectRender(Engine* engine, std::int16_t frames) {
  if (!engine || !engine->effectOn || frames < 1 || frames > effectBlockFrames) return;
  const std::uint16_t type = engine->effectType;
  if (type < 6 && effectRoutineTable[type]) effectRoutineTable[type](engine, frames);
}

void effectMixToOutput(Engine* engine, std::uint16_t slot, float pan, float gain, float* buffer, std::uint16_t frames) {
  if (!engine || !buffer || frames == 0 || frames > effectBlockFrames) return;
  const float c = effectModRow(engine)[effectModWet];
  if (effectFieldLayout(engine)) {
    const float g = gain * c;
    for (int i = 0; i < frames; ++i) buffer[i] *= g;
    effectPlaceField(engine, slot, 2.0f * pan - 1.0f, buffer, frames);
    return;
  }
  const float p = effectRuntime(engine)->prevWet;
  float l, r;
  effectPanGains(engine, pan, &l, &r);
  l *= gain;
  r *= gain;
  float gl = l * p, gr = r * p;
  const float dl = (l * c - l * p) / frames, dr = (r * c - r * p) / frames;
  float* b0 = engine->buses[0];
  float* b1 = engine->buses[1];
  for (int i = 0; i < frames; ++i) {
    b0[i] += buffer[i] * gl;
    b1[i] += buffer[i] * gr;
    gl += dl;
    gr += dr;
  }
}

double effectMaxDelaySeconds() { return 1.0 / engineSampleRate() * 32767.0; }
