#include "engine/lfo.h"

#include <cstring>

#include "preset/fieldTables.h"

void lfoDefaults(Lfo* lfo, std::int16_t index) {
  if (!lfo) return;
  std::memset(lfo, 0, sizeof *lfo);
  lfo->on = 1;
  lfo->perVoice = 0;
  lfo->sampleHold = 0;
  for (auto& t : lfo->pitchTarget) t = 1;
  for (auto& t : lfo->ampTarget) t = 1;
  for (auto& t : lfo->filterTarget) t = 1;
  for (auto& t : lfo->channelTarget) t = 1;
  lfo->pitchPolarity = lfo->ampPolarity = lfo->spareSwitch = 1;
  lfo->filterPolarity = lfo->channelPolarity = 1;
  lfo->index = index;
  lfo->depthController = 1;
  lfo->rateController = 4;
  lfo->holdRateController = 4;
  lfo->retrigger = 1;
  lfo->retriggerController = 72;
  lfo->retriggerRequest = 0;
  for (int f = 0; f < lfoFieldCount; ++f) {
    if (float* x = lfoFloatFieldOf(lfo, f))
      *x = static_cast<float>(lfoFields[f].def);
    else
      *lfoDoubleFieldOf(lfo, f) = lfoFields[f].def;
  }
  lfo->waveId = 0;
  lfo->periodSync = 0;
  lfo->holdSync = 0;
  lfo->period = 1.0;
  lfo->holdPeriod = 0.125;
}

void lfoVoiceStateDefaults(LfoVoiceState* state, std::uint16_t lfo, std::uint16_t voice) {
  if (!state) return;
  std::memset(state, 0, sizeof *state);
  state->voice = voice;
  state->lfo = lfo;
  state->ampMultiplier = state->pitchFactor = state->filterFactor = 1.0f;
  state->filterIndexOffset = 1.0f;  // until the first evaluation
  state->channelMultiplier = 1.0f;
  // The field position starts at the centre: a held (sample-and-hold) LFO may not be evaluated for a
  // while, and the voice must not sit off-centre until it is.
  state->fieldX = state->fieldY = 0.0f;
  state->holdTimer = 1.0;
}
