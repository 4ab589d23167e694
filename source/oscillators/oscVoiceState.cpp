// Defaults of the per-voice oscillator state.
#include "oscillators/oscVoiceState.h"

#include <cstring>

#include "engine/engine.h"

void oscStateClear48(float* decimator) {
  if (decimator) std::memset(decimator, 0, 12 * sizeof(float));
}

void oscStateBlockClear(float* block) { oscStateClear48(block); }

void sampleVoiceInit(SampleVoice* record) {
  if (!record) return;
  record->position = 0.0;
  record->startOffset = 0.0;
  record->word = 0;
  record->jumpRequest = 0;
  record->jumpPending = 0;
  record->jumpTarget = 0.0;
  record->jumpValue = 0.0;
  record->fadeInPending = 0;
}

void oscGrainSlotDefaults(GrainSlot* slot) {
  if (!slot) return;
  // An idle grain (life 0): the integer defaults 0, 0.0, 512, 0, 0, 128, 384, 128 in field order,
  // pitch factor 1.0; everything else 0.
  std::memset(slot, 0, sizeof *slot);
  slot->envelopePosition = 512;
  slot->envelopeStage = 128;
  slot->attack = 384;
  slot->sustainEnd = 128;
  slot->pitchFactor = 1.0f;
}

void oscGrainDefaults(GrainBlock* block, std::int16_t channel) {
  if (!block) return;
  block->voice = static_cast<std::uint32_t>(channel);
  block->releasePosition = 0;
  block->endPosition = 0;
  for (GrainSlot& s : block->slots) oscGrainSlotDefaults(&s);
}

void oscVoiceInit(Engine* engine, OscVoiceState* state, std::int16_t voice) {
  if (!engine || !state) return;
  // The state's own voice, from its place in the engine when it lies there.
  for (int c = 0; c < engineChannels; ++c) {
    const OscVoiceState* first = engine->channelBlocks[c].voices;
    if (state >= first && state < first + engineMaxVoices) voice = static_cast<std::int16_t>(state - first);
  }
  if (voice < 0 || voice >= engineMaxVoices) voice = 0;
  std::memset(static_cast<void*>(state), 0, sizeof *state);
  state->spareFloat = 1.0f;
  state->fmIndex = 162.974655f;
  for (int i = 0; i < 3; ++i) {
    state->lfoPitch[i] = &oscLfoNeutral;
    state->lfoGain[i] = &oscLfoNeutral;
    state->lfoFmIndex[i] = &oscLfoNeutral;
  }
  state->voiceIndex = voice;
  for (int k = 0; k < oscUnisonMax; ++k) {
    state->unisonRandom[k] = 0.5f;
    state->unisonIncA[k] = 1.0f;
  }
  oscStateClear48(state->decimator);
  sampleVoiceInit(&state->sampleVoice);
  oscGrainDefaults(&state->grainBlock, voice);
  state->fractalLevelCount = oscFractalLevels;
  int first = 0;
  for (int level = 0; level < oscFractalLevels; ++level) {
    FractalLevel& l = state->fractalLevels[level];
    l.segmentCount = static_cast<std::int16_t>(1 << level);
    l.currentSegment = 0;
    l.cyclePhase = 0.0f;
    l.layerGain = 1.0f;
    l.segmentEnded = 0;
    l.segments = state->fractalSegments + first;
    first += 1 << level;
  }
  for (FractalSegment& s : state->fractalSegments) s = FractalSegment{0.5f, 2.0f, 512.0f, 512.0f, 0.0f};
  state->fractalSplit[0] = 0.381f;
  state->fractalSplit[1] = 0.382f;
}
