// Engine envelope slots: allocation, links and pairs, names, the handshake and the derived fields.
#include "preset/envelope.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/envCompile.h"
#include "os/osFile.h"

namespace {

// The envelope runtime's compile; replaceable (tests, tools).
EnvCompileFn g_compile = envCompileSlot;

// envInitSlot clears the whole record; a slot taken from the audio thread keeps its handshake word.
void initKeepingHandshake(EnvelopeSlot* s, std::int16_t index, EnvDestKind destination) {
  const std::int32_t word = envHandshakeLoad(s);
  envInitSlot(s, index, destination);
  envHandshakeStore(s, word);
}

bool idHeld(Engine* engine, std::int32_t id) {
  for (int i = 0; i < envSlotCount; ++i)
    if (engine->envSlots[i].id == id) return true;
  return false;
}

void makeIdUnique(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = &engine->envSlots[slot];
  bool clash = false;
  for (int i = 0; i < envSlotCount; ++i)
    if (i != slot && engine->envSlots[i].id == s->id) clash = true;
  if (!clash) return;
  for (int v = 0; v < envSlotCount; ++v) {
    if (!idHeld(engine, v)) {
      s->id = v;
      return;
    }
  }
  s->id = 0;
}

std::int16_t slotWithId(Engine* engine, std::int32_t id) {
  for (int i = 0; i < envSlotCount; ++i)
    if (engine->envSlots[i].id == id) return static_cast<std::int16_t>(i);
  return -1;
}

std::int16_t firstFreeSlot(Engine* engine) {
  for (int i = 3; i < envSlotCount; ++i)
    if (!engine->envSlots[i].allocated) return static_cast<std::int16_t>(i);
  return -1;
}

}  // namespace

EnvelopeSlot* envSlot(Engine* engine, std::int16_t slot) {
  if (!engine || slot < 0 || slot >= envSlotCount) return nullptr;
  return &engine->envSlots[slot];
}

void envSetDefaultsByDest(Engine* engine, std::int16_t slot, std::uint16_t owner, EnvDestKind destination) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return;
  initKeepingHandshake(s, slot, destination);
  envApplyDestDefaults(s, destination);
  s->inUse = 1;
  s->allocated = 1;
  s->destination = destination;
  s->owner = static_cast<std::int16_t>(owner);
  makeIdUnique(engine, slot);
}

std::int16_t envCreate(Engine* engine, std::int16_t owner, EnvDestKind destination) {
  if (!engine || destination < envDestOscAmp || destination > envDestLast) return -1;
  std::int16_t slot;
  if (destination == envDestOscAmp) {
    if (owner < 0 || owner > 2) return -1;
    slot = owner;
  } else {
    slot = firstFreeSlot(engine);
    if (slot < 0) return -1;
  }
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(slot));
  if (destination == envDestSurroundPan) {
    envSetDefaultsByDest(engine, slot, static_cast<std::uint16_t>(owner), envDestPanLr);
    const std::int16_t second = firstFreeSlot(engine);
    if (second >= 0) {
      envSlotWaitAudio(engine, static_cast<std::uint16_t>(second));
      envSetDefaultsByDest(engine, second, static_cast<std::uint16_t>(owner), envDestPanFb);
      envPairSlots(engine, static_cast<std::uint16_t>(slot), static_cast<std::uint16_t>(second));
      envSlotMarkPending(engine, second);
    }
  } else {
    envSetDefaultsByDest(engine, slot, static_cast<std::uint16_t>(owner), destination);
  }
  engineApplyPatchChange(engine, 0);
  envSlotMarkPending(engine, slot);
  return slot;
}

void envSlotClear(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return;
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* other = &engine->envSlots[i];
    if (other->linked && other->linkMasterSlot == slot) {
      other->linked = 0;
      other->linkMasterSlot = 0;
    }
  }
  initKeepingHandshake(s, slot, envDestNone);
}

void envPairSlots(Engine* engine, std::uint16_t a, std::uint16_t b) {
  EnvelopeSlot* sa = envSlot(engine, static_cast<std::int16_t>(a));
  EnvelopeSlot* sb = envSlot(engine, static_cast<std::int16_t>(b));
  if (!sa || !sb) return;
  sa->partnerId = sb->id;
  sb->partnerId = sa->id;
}

std::int16_t envFindPartner(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || (s->destination != envDestPanLr && s->destination != envDestPanFb)) return 0;
  if (s->partnerId == 0) return 0;
  const std::int16_t id16 = static_cast<std::int16_t>(s->partnerId);
  if (id16 < 0) return slot;
  const std::int16_t found = slotWithId(engine, id16);
  return found < 0 ? slot : found;
}

int envCountAllocated(Engine* engine) {
  if (!engine) return 0;
  int n = 3;
  for (int i = 3; i < envSlotCount; ++i)
    if (engine->envSlots[i].allocated) ++n;
  return n;
}

void envSyncChannelOn(Engine* engine) {
  if (!engine) return;
  for (int c = 0; c < 3; ++c) engine->envSlots[c].inUse = engineGetChannel(engine, c)->on ? 1 : 0;
}

void envBindChannelSlots(Engine* engine) {
  if (!engine) return;
  for (int c = 0; c < 3; ++c) {
    engine->envSlots[c].destination = envDestOscAmp;
    engine->envSlots[c].owner = static_cast<std::int16_t>(c);
  }
}

void envRefreshSlot(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s) return;
  s->global = 0;
  const std::int16_t master = static_cast<std::int16_t>(s->linkMaster);
  const std::int16_t found = master >= 0 ? slotWithId(engine, master) : -1;
  s->linkMasterSlot = found >= 0 ? found : slot;
  switch (s->destination) {
    case envDestFilterFreq:
    case envDestFilterRes:
    case envDestFilterBw: {
      const std::int16_t f = (s->owner >= 0 && s->owner <= 3) ? s->owner : 0;
      s->global = engine->filters[f].postMix ? 1 : 0;
      break;
    }
    case envDestShapeInGain:
    case envDestShapeOutGain: s->global = engine->waveshaper.postMix ? 1 : 0; break;
    case envDestShapePhase:
      s->global = engine->waveshaper.postMix ? 1 : 0;
      s->effectTarget = 1;
      break;
    case envDestEffectTime:
    case envDestEffectFeedback:
    case envDestEffectFilter:
    case envDestEffectWet:
    case envDestEffectDry:
      s->global = 1;
      s->effectTarget = 1;
      break;
    default: break;
  }
  s->pitchScale = envDestIsPitch(s->destination) ? 1 : 0;
}

void envRefreshUsedSlots(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < envSlotCount; ++i)
    if (engine->envSlots[i].inUse) envRefreshSlot(engine, static_cast<std::int16_t>(i));
}

void envInstanceInit(Engine* engine, std::int16_t slot, std::int16_t voice) {
  if (!engine || slot < 0 || slot >= envSlotCount || voice < 0 || voice >= engineMaxVoices) return;
  static const std::uint32_t zeroWord = 0;
  EnvelopeInstance* in = engineGetEnvelopeInstance(engine, slot, voice);
  std::memset(in, 0, sizeof *in);
  in->voice = voice;
  in->slot = slot;
  in->reserved = &zeroWord;
  in->releaseFactor = 1.0f;
  in->reserved2 = 1.0f;
  in->lfoPhase = 0.0;
  // Setting up the first instance starts the engine's Control driven records afresh.
  if (slot == 0 && voice == 0) envRuntimeReset(engine);
}

void envScaleTimes(Engine* engine, double oldTempo, double newTempo) {
  if (!engine || !std::isfinite(oldTempo) || !std::isfinite(newTempo)) return;
  const double factor = (oldTempo > 0.01 ? oldTempo : 0.01) / (newTempo > 0.01 ? newTempo : 0.01);
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    if (!s->allocated || !(s->mode == envModeRetrigger || s->tempoSync)) continue;
    int last = s->lastIndex;
    if (last > envBreakpointCount - 1) last = envBreakpointCount - 1;
    for (int b = 0; b <= last; ++b) s->breakpoints[b].time *= factor;
  }
}

void envGetName(Engine* engine, std::int16_t slot, char* buffer, EnvDestKind destination, std::int16_t owner) {
  if (!buffer || slot >= envSlotCount) return;
  std::memset(buffer, 0, envNameSize);
  if (!engine) return;
  int count = 0;
  bool partner = false;
  if (slot >= 0) {
    const EnvelopeSlot* s = &engine->envSlots[slot];
    destination = s->destination;
    owner = s->owner;
    for (int i = 0; i <= slot; ++i)
      if (engine->envSlots[i].destination == destination && engine->envSlots[i].owner == owner) ++count;
    partner = destination == envDestPanLr && s->partnerId != 0 && envFindPartner(engine, slot) != slot;
  } else {
    for (int i = 0; i < envSlotCount; ++i)
      if (engine->envSlots[i].destination == destination && engine->envSlots[i].owner == owner) ++count;
    ++count;
  }
  envFormatName(buffer, destination, owner, count, partner);
}

double envTotalSeconds(Engine* engine, std::int16_t slot) { return envSlotTotalSeconds(envSlot(engine, slot)); }

int envSlotWaitAudio(Engine* engine, std::uint16_t slot) {
  EnvelopeSlot* s = envSlot(engine, static_cast<std::int16_t>(slot));
  return s ? envSlotRecWaitAudioIf(s, engine->audioRunning.load() != 0) : 0;
}

void envSlotMarkPending(Engine* engine, std::int16_t slot) { envSlotRecMarkPending(envSlot(engine, slot)); }

void envSlotSyncStates(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    const std::int32_t w = envHandshakeLoad(s);
    if (w == envHandshakeRunning)
      envHandshakeStore(s, envHandshakeRequest);
    else if (w == envHandshakeResume)
      envHandshakeStore(s, envHandshakeAcked);
  }
  EnvelopeSlot* last = &engine->envSlots[envSlotCount - 1];
  if (!engine->audioRunning.load()) return;  // nobody to acknowledge
  for (int i = 0; i < 6 && envHandshakeLoad(last) >= envHandshakeRequest; ++i) osSleepMs(16);
}

void envSlotMarkAllPending(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < envSlotCount; ++i) envSlotRecMarkPending(&engine->envSlots[i]);
}

void envSetCompileRoutine(EnvCompileFn routine) { g_compile = routine; }

void envCompileIfControl(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (s && s->mode == envModeControl && g_compile) g_compile(engine, slot);
}
