#include "modules/fxBlocksStates.h"

#include <cmath>

#include "modules/allpassTable.h"
#include "modules/pitchIndex.h"

static float indexOf(float hz) { return static_cast<float>(dspFreqToIndex(hz)); }

int dspState2Init(DspState2* s, float hz) {
  if (!s) return 0;
  s->pitchIndex = indexOf(hz);
  s->state = 0.0f;
  return 1;
}

int dspState3Init(DspState3* s, float hz) {
  if (!s) return 0;
  s->pitchIndex = indexOf(hz);
  dspState3Reset(s);
  return 1;
}

int dspState6Init(DspState6* s, float hz, float amount) {
  if (!s) return 0;
  s->pitchIndex = indexOf(hz);
  s->amount = amount;
  dspState6Reset(s);
  return 1;
}

int dspState10Init(DspState10* s, float hz, float feedback) {
  if (!s) return 0;
  s->pitchIndex = indexOf(hz);
  s->feedback = feedback;
  dspState10Reset(s);
  return 1;
}

void dspState2Reset(DspState2* s) {
  if (s) s->state = 0.0f;
}

void dspState3Reset(DspState3* s) {
  if (!s) return;
  s->state1 = 0.0f;
  s->state2 = 0.0f;
}

void dspState6Reset(DspState6* s) {
  if (!s) return;
  for (float& v : s->states) v = 0.0f;
}

void dspState10Reset(DspState10* s) {
  if (!s) return;
  for (float& v : s->states) v = 0.0f;
}

float* dspSetFreqIndex(float* destination, double hz) {
  if (destination) *destination = static_cast<float>(dspFreqToIndex(hz));
  return destination;
}

void onePoleProcess(DspState3* s, float indexFactor, float* samples, std::int16_t frames) {
  if (!s || !samples || frames <= 0) return;
  for (int i = 0; i < frames; i += 20) samples[i] += 1e-10f;

  // Table position: truncated toward zero and kept on the table.
  const double x = static_cast<double>(s->pitchIndex) * indexFactor;
  int k = 0;
  if (x > 0.0) k = x >= allpassTableSize - 1 ? allpassTableSize - 1 : static_cast<int>(x);
  const double c = allpassTable[k];

  double y1 = s->state1;
  double x1 = s->state2;
  for (int i = 0; i < frames; ++i) {
    const double in = samples[i];
    const double y = x1 + c * (in - y1);
    samples[i] = static_cast<float>(0.5 * (in + y));
    y1 = y;
    x1 = in;
  }
  s->state1 = static_cast<float>(y1);
  s->state2 = static_cast<float>(x1);
}
