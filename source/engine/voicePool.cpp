// The voice pool: four first-in-first-out lists (free, released, sustained, sounding), the stealing
// order, the hand-over of a stolen voice through the 16 pending-start entries, release, the sustain
// pedal moves and all-notes-off. Audio thread, except the set-up calls (engine paused).
//
// A voice's list follows from its state: 0 and 6 free, 1 released, 2 sustained, 3 sounding; -1 and
// -2 are held by a pending-start entry; 4 and 5 only exist inside a mono note-on.
#include <cstring>
#include <initializer_list>

#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "engine/voice.h"

namespace {

const int listEntries = 65;

bool validVoice(int v) { return v >= 0 && v < engineMaxVoices; }

int listLimit(const Engine* engine) {
  const int p = engine->polyphony;
  return numClamp(p, 0, engineMaxVoices);
}

int clampCount(int n) { return numClamp<int>(n, 0, engineMaxVoices); }

}  // namespace

// ---- list primitives ----

VoiceList* voiceListForState(VoicePool* pool, std::int32_t state) {
  if (!pool) return nullptr;
  switch (state) {
    case voiceStateFree:
    case voiceStateEnded: return &pool->freeList;
    case voiceStateReleased: return &pool->released;
    case voiceStateSustained: return &pool->sustained;
    case voiceStateSounding: return &pool->sounding;
    default: return nullptr;
  }
}

void voiceListRemove(Engine* engine, VoiceList* list, std::int16_t voice) {
  if (!engine || !list || !validVoice(voice)) return;
  VoicePool& pool = engine->voicePool;
  const int n = clampCount(list->count);
  int at = pool.position[voice];
  if (at < 0 || at >= n || list->entries[at] != voice) {
    // The recorded position does not hold the voice (it is on another list or none): look it up.
    at = -1;
    for (int i = 0; i < n; ++i)
      if (list->entries[i] == voice) {
        at = i;
        break;
      }
    if (at < 0) return;
  }
  for (int i = at + 1; i < n; ++i) {
    const std::int16_t moved = list->entries[i];
    list->entries[i - 1] = moved;
    if (validVoice(moved)) pool.position[moved] = static_cast<std::int16_t>(i - 1);
  }
  list->entries[n - 1] = -1;
  list->count = static_cast<std::int16_t>(n - 1);
}

static void appendRaw(Engine* engine, VoiceList* list, std::int16_t voice) {
  const int n = clampCount(list->count);
  list->entries[n] = voice;
  engine->voicePool.position[voice] = static_cast<std::int16_t>(n);
  list->count = static_cast<std::int16_t>(n + 1);
}

void voiceListAppend(Engine* engine, VoiceList* list, std::int16_t voice) {
  if (!engine || !list || !validVoice(voice)) return;
  const int limit = listLimit(engine);
  if (clampCount(list->count) < limit) {
    appendRaw(engine, list, voice);
    return;
  }
  // The list is full: rather than leave the voice on no list, hand it back to the free list.
  VoiceList* freeList = &engine->voicePool.freeList;
  if (list != freeList && clampCount(freeList->count) < limit) {
    Voice& v = engine->voices[voice];
    v.state = v.active ? 6 : 0;
    v.keyVelocity = 0;
    appendRaw(engine, freeList, voice);
  }
}

std::int16_t voiceListTakeHead(Engine* engine, VoiceList* list) {
  if (!engine || !list) return -1;
  int n = clampCount(list->count);
  const int limit = listLimit(engine);
  if (n > limit) n = limit;
  if (n <= 0) {
    list->count = 0;
    return -1;
  }
  const std::int16_t head = list->entries[0];
  for (int i = 1; i <= n && i < listEntries; ++i) {
    const std::int16_t moved = list->entries[i];
    list->entries[i - 1] = moved;
    if (validVoice(moved)) engine->voicePool.position[moved] = static_cast<std::int16_t>(i - 1);
  }
  list->entries[n] = -1;
  list->count = static_cast<std::int16_t>(n - 1);
  return head;
}

// ---- set-up ----

void voiceInit(Engine*, Voice* voice) {
  if (!voice) return;
  voice->state = voiceStateFree;
  voice->note = 0;
  voice->keyVelocity = 0;
  voice->velocity = 0;
  voice->pendingEntry = 0;
  voice->pitch = static_cast<float>(pitchNoteToInc(57.0));
  voice->age = 0;
  voice->retriggerClock = 0.0;
  voice->fadeCounter = 0;
  voice->fadeGain = 1.0f;
  voice->glideRatio = 1.0f;
  voice->active = 0;
}

void voiceListsInit(Engine* engine) {
  if (!engine) return;
  VoicePool& pool = engine->voicePool;
  for (VoiceList* list : {&pool.freeList, &pool.released, &pool.sustained, &pool.sounding}) {
    list->count = 0;
    for (auto& e : list->entries) e = -1;
  }
  for (auto& p : pool.position) p = 0;
  const int limit = listLimit(engine);
  for (int v = 0; v < limit; ++v) appendRaw(engine, &pool.freeList, static_cast<std::int16_t>(v));
  for (auto& e : pool.pendingStart) e = -1;
}

void voicePoolInit(Engine* engine) {
  if (!engine) return;
  for (auto& v : engine->voices) voiceInit(engine, &v);
  voiceListsInit(engine);
}

// ---- allocation and the pending hand-over ----

std::int16_t voiceAllocate(Engine* engine) {
  if (!engine) return -1;
  VoicePool& pool = engine->voicePool;
  if (pool.freeList.count > 0) {
    const std::int16_t v = voiceListTakeHead(engine, &pool.freeList);
    if (validVoice(v)) {
      engine->voices[v].state = voiceStateSounding;
      return v;
    }
    return -1;
  }
  const bool mono = engine->polyphony == 1;
  VoiceList* order[3] = {&pool.released, &pool.sustained, &pool.sounding};
  for (int k = 0; k < 3; ++k) {
    if (order[k]->count <= 0) continue;
    const std::int16_t v = voiceListTakeHead(engine, order[k]);
    if (!validVoice(v)) return -1;
    engine->voices[v].state = mono ? (k == 0 ? 5 : 4) : -2;
    return v;
  }
  for (int i = 0; i < voicePendingEntries; ++i) {
    const std::int16_t v = pool.pendingStart[i];
    if (!validVoice(v)) continue;
    engine->voices[v].state = voiceStateStolen;
    return v;
  }
  return -1;
}

void voicePark(Engine* engine, std::int16_t voice, std::uint16_t note, std::uint16_t velocity) {
  if (!engine || !validVoice(voice)) return;
  VoicePool& pool = engine->voicePool;
  Voice& v = engine->voices[voice];
  // A voice parked already keeps its entry, so it never sits in two.
  int entry = -1;
  if (v.pendingEntry >= 0 && v.pendingEntry < voicePendingEntries && pool.pendingStart[v.pendingEntry] == voice)
    entry = v.pendingEntry;
  for (int i = 0; entry < 0 && i < voicePendingEntries; ++i)
    if (pool.pendingStart[i] == -1 || pool.pendingStart[i] == voice) entry = i;
  if (entry < 0) {
    // No entry to wait in: the new note is not played, and the voice goes back to the free list
    // (fading out what it played) instead of being lost until the pool is set up again.
    v.state = voiceStateEnded;
    v.keyVelocity = 0;
    voiceListAppend(engine, &pool.freeList, voice);
    return;
  }
  v.fadeGain = 1.0f;
  v.fadeCounter = 0;
  v.pendingEntry = static_cast<std::int16_t>(entry);
  v.note = static_cast<std::int16_t>(note > 127 ? 127 : note);
  v.keyVelocity = velocity;
  v.active = 1;
  pool.pendingStart[entry] = voice;
}

void voiceStartPending(Engine* engine) {
  if (!engine) return;
  VoicePool& pool = engine->voicePool;
  for (int i = 0; i < voicePendingEntries; ++i) {
    const std::int16_t voice = pool.pendingStart[i];
    if (!validVoice(voice)) continue;
    Voice& v = engine->voices[voice];
    if (v.pendingEntry != i || v.state != voiceStatePending) continue;
    if (v.keyVelocity != 0) {
      voiceNoteOn(engine, voice, static_cast<std::uint16_t>(v.note < 0 ? 0 : v.note),
                  static_cast<std::int16_t>(v.keyVelocity), 0);
      pool.pendingStart[i] = -1;
    } else {
      // The key went up while the voice waited: it never sounds.
      pool.pendingStart[i] = -1;
      v.pendingEntry = -1;
      v.state = voiceStateFree;
      voiceListAppend(engine, &pool.freeList, voice);
    }
  }
}

void voiceClearPending(Engine* engine, std::int16_t voice) {
  if (!engine || !validVoice(voice)) return;
  const int e = engine->voices[voice].pendingEntry;
  // Only an entry that holds this voice: a voice's entry number may be stale (a new voice records 0).
  if (e >= 0 && e < voicePendingEntries && engine->voicePool.pendingStart[e] == voice)
    engine->voicePool.pendingStart[e] = -1;
}

void voiceSetSounding(Engine* engine, std::int16_t voice) {
  if (!engine || !validVoice(voice)) return;
  Voice& v = engine->voices[voice];
  v.state = voiceStateSounding;
  v.pendingEntry = -1;
  v.active = 1;
  v.age = 0;
  voiceListAppend(engine, &engine->voicePool.sounding, voice);
}

// ---- key up, pedal, all notes off ----

void voiceRelease(Engine* engine, std::int16_t voice) {
  if (!engine || !validVoice(voice)) return;
  Voice& v = engine->voices[voice];
  v.keyVelocity = 0;
  if (engine->midi.sustain >= 1) return;
  VoicePool& pool = engine->voicePool;
  if (v.state == voiceStateSounding)
    voiceListRemove(engine, &pool.sounding, voice);
  else if (v.state == voiceStateSustained)
    voiceListRemove(engine, &pool.sustained, voice);
  else
    return;
  v.state = voiceStateReleased;
  voiceListAppend(engine, &pool.released, voice);
  envReleaseVoice(engine, voice, 0);
}

void voiceSustain(Engine* engine, std::int16_t voice) {
  if (!engine || !validVoice(voice)) return;
  Voice& v = engine->voices[voice];
  if (v.state != voiceStateSounding) return;
  voiceListRemove(engine, &engine->voicePool.sounding, voice);
  v.state = voiceStateSustained;
  voiceListAppend(engine, &engine->voicePool.sustained, voice);
}

void voiceAllNotesOff(Engine* engine) {
  if (!engine) return;
  for (std::int16_t i = 0; i < engineMaxVoices; ++i) {
    Voice& v = engine->voices[i];
    if (v.state < voiceStateSustained) continue;
    v.keyVelocity = 0;
    if (engine->midi.sustain <= 0 && (v.state == voiceStateSounding || v.state == voiceStateSustained))
      voiceRelease(engine, i);
  }
}

std::int16_t voiceHeldCount(Engine* engine) {
  if (!engine) return 0;
  return static_cast<std::int16_t>(clampCount(engine->voicePool.sustained.count) +
                                   clampCount(engine->voicePool.sounding.count));
}

// ---- pitch ----

double voiceNotePitch(Engine* engine, std::int16_t note) {
  if (!engine) return 0.0;
  const int n = numClamp<int>(note, 0, 127);
  return engine->noteFreq[n] * static_cast<double>(engine->header.transpose);
}

void voiceUpdateFrequencies(Engine* engine) {
  if (!engine) return;
  const int limit = listLimit(engine);
  for (int i = 0; i < limit; ++i) {
    Voice& v = engine->voices[i];
    if (v.note >= 0 && v.note <= 127) v.pitch = static_cast<float>(voiceNotePitch(engine, v.note));
  }
}
