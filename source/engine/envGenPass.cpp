// The two envelope passes of a block: the global pass (once, voice 0's instances of the global
// slots, the engine's retrigger clock) and the per-voice pass (each active voice's instances of the
// other slots, the voice's retrigger clock). Both restart Retrigger envelopes once per beat cycle.
#include <cmath>

#include "engine/envCompile.h"
#include "engine/envGen.h"
#include "engine/envGenShared.h"
#include "preset/sample.h"

using namespace envgen;

double envBeatCycleSamples(Engine* engine) {
  if (!engine) return 88200.0;
  // The bar of the header's beats at the preset tempo: 4 beats at 120 BPM are 88,200 samples. Taken
  // from the tempo rather than the stored bar length, which a tempo edit leaves as it was.
  double beats = engine->header.beats;
  if (!(beats >= 0.001 && beats <= 1000.0)) beats = 4.0;
  double bpm = engine->header.tempo.presetTempo;
  if (!(bpm >= 0.01 && bpm <= 1000.0)) bpm = 120.0;
  return beats * 60.0 / bpm * 44100.0;
}

namespace {

// The beat cycle at the running rate and tempo; at least one sample.
double cycleLength(Engine* engine) {
  double p = static_cast<double>(engineRateRatio()) * envBeatCycleSamples(engine) * tempoGetRatio(engine);
  if (!(p >= 1.0)) p = 1.0;
  return p;
}

void restartInstance(Engine* engine, EnvelopeSlot* slot, EnvelopeInstance* inst) {
  inst->state = envStateRunning;
  inst->elapsed = 0;
  inst->segmentTarget = 0;
  inst->startLevel = slot->startLevel;
  inst->rampLength = static_cast<float>(std::trunc(slot->breakpoints[0].time));
  if (slot->destination == envDestSampleJump)
    sampleSetPosition(engine, slot->owner, inst->voice, inst->startLevel, 0.0);
}

// Advances a retrigger clock by one block; true when a beat cycle has passed.
bool clockTick(double* clock, double cycle, int frames) {
  bool passed = false;
  if (!std::isfinite(*clock) || *clock < 0.0) *clock = 0.0;
  if (*clock >= cycle) {
    *clock -= cycle;
    if (*clock >= cycle) *clock -= cycle * std::floor(*clock / cycle);  // a tempo jump: keep the phase
    passed = true;
  }
  *clock += frames;
  return passed;
}

}  // namespace

void envRunGlobal(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  // The handshake of every slot moves once per block, whether or not anything plays it, so an edit
  // never waits on a silent engine.
  for (auto& slot : engine->envSlots) handshakeAdmit(&slot);

  if (clockTick(&engine->retriggerClock, cycleLength(engine), frames)) {
    for (int i = 0; i < envSlotCount; ++i) {
      EnvelopeSlot* s = &engine->envSlots[i];
      EnvelopeInstance* inst = &engine->envInstances[i][0];
      if (s->destination != envDestNone && s->global && s->mode == envModeRetrigger && inst->state > envStateReleased)
        restartInstance(engine, s, inst);
    }
  }
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    if (s->destination == envDestNone || !s->global) continue;
    if (s->mode == envModeControl) {
      const EnvelopeRuntime* r = envRuntimeGet(engine, static_cast<std::int16_t>(i));
      if (r && envHandshakeLoad(s) >= 0) multiplyInto(engine, s, 0, r->value);
      continue;
    }
    envStepInstance(engine, s, &engine->envInstances[i][0], 0, frames);
  }
}

void envRunVoice(Engine* engine, std::int16_t voice, std::int16_t frames) {
  if (!engine || voice < 0 || voice >= engineMaxVoices || frames < 1 || frames > engineBlockMax) return;
  Voice& v = engine->voices[voice];
  if (clockTick(&v.retriggerClock, cycleLength(engine), frames)) {
    for (int i = 0; i < envSlotCount; ++i) {
      EnvelopeSlot* s = &engine->envSlots[i];
      EnvelopeInstance* inst = &engine->envInstances[i][voice];
      if (s->destination == envDestNone || s->global || inst->state <= envStateReleased) continue;
      if (shapeOf(engine, s)->mode == envModeRetrigger) restartInstance(engine, s, inst);
    }
  }
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    if (s->destination == envDestNone || s->global) continue;
    if (s->mode == envModeControl) {
      const EnvelopeRuntime* r = envRuntimeGet(engine, static_cast<std::int16_t>(i));
      if (r && envHandshakeLoad(s) >= 0) multiplyInto(engine, s, voice, r->voiceValue);
      continue;
    }
    envStepInstance(engine, s, &engine->envInstances[i][voice], voice, frames);
  }
}

void envRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  envRunControlDriven(engine);
  envRunGlobal(engine, frames);
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine))
    envRunVoice(engine, v, frames);
}
