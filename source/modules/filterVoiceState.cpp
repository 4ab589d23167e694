#include "modules/filterVoiceState.h"

const float filterLinkOne = 1.0f;
const float filterLinkZero = 0.0f;

void filterResetVoiceState(FilterVoiceState* state) {
  if (!state) return;
  state->resetMark = 1;
  state->kernelWord = 0;
  for (float& v : state->memA) v = 0.0f;
  state->gainRampStart = 0.0f;
  for (float& v : state->memB) v = 0.0f;
}

void filterVoiceInit(FilterVoiceState* state, std::int16_t voice) {
  if (!state) return;
  state->resetMark = 0;
  state->combBuffer = -1;
  state->kernelWord = 0;
  state->currentIndex = 346.0f;
  state->secondIndex = 346.0f;
  state->keyIndex = 1.0f;
  state->keyRatio = 1.0f;
  filterResetVoiceState(state);
  state->voice = voice;
  for (int i = 0; i < 3; ++i) {
    state->lfoFactorLinks[i] = &filterLinkOne;
    state->lfoOffsetLinks[i] = &filterLinkZero;
  }
  for (float& v : state->memB) v = 0.0f;
}
