// A voice's state follows its channels' amplitude envelopes (slots 0..2): released when the highest
// of them is released, ended (6, back to the free list) when all have ended; a holding envelope
// leaves the state alone. The voice moves between the pool's lists accordingly.
#include "engine/envGenShared.h"
#include "engine/envNote.h"

using namespace envgen;

namespace {

VoiceList* listOf(VoicePool* pool, int state) {
  switch (state) {
    case 0:
    case 6: return &pool->freeList;
    case 1: return &pool->released;
    case 2: return &pool->sustained;
    case 3: return &pool->sounding;
    default: return nullptr;
  }
}

const int listMax = engineMaxVoices;   // entries 0..64 exist; a count never passes 64

void removeFrom(VoicePool* pool, VoiceList* list, int voice) {
  int n = list->count;
  if (n < 0) n = 0;
  if (n > listMax) n = listMax;
  list->count = static_cast<std::int16_t>(n > 0 ? n - 1 : 0);
  const int pos = clampIndex(pool->position[voice], listMax);
  for (int i = pos + 1; i < n; ++i) {
    const std::int16_t moved = list->entries[i];
    list->entries[i - 1] = moved;
    if (moved >= 0 && moved < engineMaxVoices) pool->position[moved] = static_cast<std::int16_t>(i - 1);
  }
}

void appendTo(Engine* engine, VoicePool* pool, VoiceList* list, int voice) {
  int n = list->count;
  if (n < 0) n = 0;
  if (n > listMax) n = listMax;
  list->entries[n] = static_cast<std::int16_t>(voice);
  pool->position[voice] = static_cast<std::int16_t>(n);
  const int limit = engine->polyphony < listMax ? engine->polyphony : listMax;
  list->count = static_cast<std::int16_t>(n < limit ? n + 1 : n);
}

}  // namespace

void voiceSetStateFromEnvelopes(Engine* engine, std::int16_t voice) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  Voice& v = engine->voices[voice];
  if (v.state == -2) return;
  const int old = v.state;
  int hi = 0;
  for (int s = 0; s < engineChannels; ++s) {
    if (!engine->envSlots[s].inUse) continue;
    const int st = engine->envInstances[s][voice].state;
    if (st > hi) hi = st;
  }
  if (hi == 2) return;
  if (old == 2 && hi == 3) return;
  if (hi == 0) hi = 6;
  v.state = hi;
  if (old == hi) return;

  VoicePool* pool = &engine->voicePool;
  if (VoiceList* from = listOf(pool, old)) removeFrom(pool, from, voice);
  VoiceList* to = hi == 6 ? &pool->freeList : (hi == 1 ? &pool->released : (hi == 3 ? &pool->sounding : nullptr));
  if (hi == 6) v.note = -1;
  if (to) appendTo(engine, pool, to, voice);
}
