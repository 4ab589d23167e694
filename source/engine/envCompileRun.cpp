// Control driven envelopes on the audio thread: once per block each one moves one step towards its
// MIDI source's value along the compiled shape and smooths its output with that step's coefficient.
#include "engine/envCompile.h"
#include "engine/envGenShared.h"
#include "engine/numeric.h"
#include "preset/sample.h"

using namespace envgen;

namespace {

float clamp01(double v) { return static_cast<float>(numClamp(v, 0.0, 1.0)); }

// Level of the breakpoint a step belongs to (the start level before breakpoint 0).
double stepPosition(const EnvelopeSlot* s, int breakpoint) {
  return breakpoint < 0 ? s->startLevel : bpAt(s, breakpoint).level;
}

}  // namespace

void envRunControlDriven(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    if (s->mode != envModeControl) continue;
    // The record is rebuilt on the interface side while the slot is held.
    if (!handshakeAdmit(s)) continue;
    EnvelopeRuntime* R = envRuntimeGet(engine, static_cast<std::int16_t>(i));
    if (!R) continue;
    if (s->bypass) {
      R->voiceValue = 1.0f;
      continue;
    }
    int c = static_cast<std::uint16_t>(sourceValue(engine, 1, static_cast<std::int16_t>(s->controlSource)));
    if (c > 127) c = 127;
    const int j = clampIndex(R->index, envRuntimeSteps - 1);
    int k;
    float coefficient;
    if (j < c) {
      k = j + 1;
      coefficient = R->coefficient[k];
    } else if (c < j) {
      k = j - 1;
      coefficient = R->coefficient[k + 1];
    } else if (c < 127) {
      k = c;
      coefficient = R->coefficient[c + 1];
    } else {
      k = 127;
      coefficient = R->coefficient[127];
    }
    const double coef = clamp01(coefficient);
    const double target = clamp01(R->level[k]);
    double value = R->value;
    if (!(value >= 0.0 && value <= 1.0)) value = 0.0;
    const float v = clamp01(1e-24 + value + (target - value) * coef);

    if (s->destination == envDestSampleJump && R->stepBreakpoint[k] != R->breakpoint) {
      const double pos = stepPosition(s, R->stepBreakpoint[k]);
      engine->voiceCursor = -1;
      for (std::int16_t voice = engineNextActiveVoice(engine); voice >= 0; voice = engineNextActiveVoice(engine))
        sampleSetPosition(engine, s->owner, voice, pos, 0.0);
    }
    R->index = k;
    R->breakpoint = R->stepBreakpoint[k];
    R->value = v;
    R->voiceValue = v;
    s->displayPosition = k / 127.0;
    s->displayIndex = 0;
  }
}

void envApplySamplePosition(Engine* engine, std::int16_t voice) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  for (int i = 0; i < envSlotCount; ++i) {
    const EnvelopeSlot* s = &engine->envSlots[i];
    if (s->mode != envModeControl || s->destination != envDestSampleJump) continue;
    const EnvelopeRuntime* R = envRuntimeGet(engine, static_cast<std::int16_t>(i));
    if (!R) continue;
    sampleSetPosition(engine, s->owner, voice, stepPosition(s, R->breakpoint), 0.0);
  }
}
