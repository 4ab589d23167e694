// A voice's state follows its channels' amplitude envelopes (slots 0..2): released when the highest
// of them is released, ended (6, back to the free list) when all have ended; a holding envelope
// leaves the state alone. The voice moves between the pool's lists accordingly.
#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/voice.h"

void voiceSetStateFromEnvelopes(Engine* engine, std::int16_t voice) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  Voice& v = engine->voices[voice];
  if (v.state == voiceStateStolen) return;
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

  // The voice pool's list moves: a list that is already full hands the voice to the free list
  // instead, so no voice falls off every list.
  VoicePool* pool = &engine->voicePool;
  if (VoiceList* from = voiceListForState(pool, old)) voiceListRemove(engine, from, voice);
  if (hi == 6) v.note = -1;
  if (hi == 6 || hi == 1 || hi == 3) voiceListAppend(engine, voiceListForState(pool, hi), voice);
}
