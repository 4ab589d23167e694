#include "engine/lfo.h"

#include <cstring>

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
  lfo->depth = 1.0f;
  lfo->depthAmount = 0.0f;
  lfo->holdRateRange = 1.0f;
  lfo->holdRateFactor = 1.0f;
  lfo->rateFactor = 1.0f;
  lfo->rateRange = 1.0f;
  lfo->ampDepth = 0.0f;
  lfo->pitchDepth = 0.0f;
  lfo->fieldDepth = 0.0f;
  lfo->filterRange = 1.0f;
  lfo->channelDepth = 0.0f;
  lfo->percentSetting = 0.0f;
  lfo->waveId = 0;
  lfo->periodSeconds = 1.0f;
  lfo->startPhase = 0.0f;
  lfo->holdSeconds = 0.125f;
  lfo->displayValue = 0.0f;
  lfo->periodSync = 0;
  lfo->holdSync = 0;
  lfo->periodBeats = 0.5;
  lfo->holdBeats = 0.25;
  lfo->period = 1.0;
  lfo->holdPeriod = 0.125;
}

void lfoVoiceStateDefaults(LfoVoiceState* state, std::uint16_t lfo, std::uint16_t voice) {
  if (!state) return;
  std::memset(state, 0, sizeof *state);
  state->voice = voice;
  state->lfo = lfo;
  state->ampMultiplier = state->pitchFactor = state->filterFactor = 1.0f;
  state->filterIndexOffset = 1.0f;   // until the first evaluation
  state->channelMultiplier = 1.0f;
  // The field position starts at the centre: a held (sample-and-hold) LFO may not be evaluated for a
  // while, and the voice must not sit off-centre until it is.
  state->fieldX = state->fieldY = 0.0f;
  state->holdTimer = 1.0;
}
