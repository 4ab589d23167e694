// Note-on and note-off of a voice's envelope instances, the mid-block turn of an amplitude segment
// and the clean-up of tiny breakpoint values after a preset load.
#include "engine/envNote.h"

#include <cmath>

#include "engine/envCompile.h"
#include "engine/envGenShared.h"

using namespace envgen;

namespace {

void lfoStart(const EnvelopeSlot* s, EnvelopeInstance* inst) {
  double phase = static_cast<double>(s->lfoPhase) * 1024.0;
  if (!std::isfinite(phase)) phase = 0.0;
  phase -= 1024.0 * std::floor(phase * (1.0 / 1024.0));
  inst->lfoPhase = phase >= 0.0 && phase < 1024.0 ? phase : 0.0;
  inst->holdCounter = 0.0;
  inst->lfoFactor = 1.0f;
}

void commonStart(const EnvelopeSlot* s, EnvelopeInstance* inst) {
  inst->state = envStateRunning;
  inst->elapsed = 0;
  inst->segmentTarget = 0;
  inst->segmentStart = 0;
  // The breakpoints of a slot held by the interface are not read: the first block ramps as a whole.
  inst->rampLength = envHandshakeLoad(s) >= 0 ? static_cast<float>(std::trunc(s->breakpoints[0].time)) : 0.0f;
}

EnvelopeInstance* instanceFor(Engine* engine, int slot, int voice) {
  return &engine->envInstances[slot][engine->envSlots[slot].global ? 0 : voice];
}

}  // namespace

void envStartVoice(Engine* engine, std::int16_t voice, std::uint16_t legato) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  for (int u = 0; u < engineUnits; ++u)
    for (int p = 0; p < engineModParams; ++p) engine->modMultipliers[u][voice][p] = 1.0f;
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* s = &engine->envSlots[i];
    if (s->destination == envDestNone) continue;
    envStartInstance(engine, s, instanceFor(engine, i, voice), legato);
  }
  envApplySamplePosition(engine, voice);
}

void envStartInstance(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* inst, std::uint16_t legato) {
  if (!engine || !own || !inst) return;
  const double prev = inst->output;
  if (legato && own->mode != envModeRelease) return;
  if (own->mode == envModeControl) {
    const EnvelopeRuntime* R =
        envRuntimeGet(engine, static_cast<std::int16_t>(clampIndex(own->homeIndex, envSlotCount - 1)));
    if (R) multiplyInto(engine, own, inst->voice, R->value);
    // No shape runs in time: the instance holds (as at a sustain point) until the note is released,
    // so an amplitude stage reading it follows the controlled level instead of taking it as done.
    inst->state = envStateHolding;
    return;
  }
  EnvelopeSlot* S = shapeOf(engine, own);
  inst->releaseFactor = 1.0f;

  // A global looping envelope starts with the first held note only.
  if (S->global && (S->mode == envModeRetrigger || S->mode == envModeLoop)) {
    if (heldCount(engine) != 0) return;
    if (!S->effectTarget) {
      inst->startLevel = S->startLevel;
      multiplyInto(engine, own, inst->voice, S->startLevel);
    }
    engine->retriggerClock = 0.0;
    commonStart(S, inst);
    lfoStart(S, inst);
    return;
  }

  if (engine->polyphony < 2 && S->mode != envModeRetrigger) {
    // Mono: a new note continues from the present level when that is above the start level.
    if (!S->effectTarget) {
      if (prev <= S->startLevel || inst->state < envStateReleased) {
        inst->lastReached = 0;
        inst->startLevel = S->startLevel;
      } else {
        inst->startLevel = static_cast<float>(prev);
      }
    } else {
      inst->startLevel = static_cast<float>(prev);
    }
  } else if (!S->effectTarget) {
    inst->startLevel = S->startLevel;
    inst->lastReached = 0;
    lfoStart(S, inst);
  } else {
    inst->startLevel = static_cast<float>(prev);
  }
  commonStart(S, inst);
  multiplyInto(engine, own, inst->voice, inst->startLevel);
}

void envReleaseVoice(Engine* engine, std::int16_t voice, std::uint8_t updateVoiceState) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* own = &engine->envSlots[i];
    if (own->destination == envDestNone) continue;
    if (own->global && heldCount(engine) != 0) continue;
    EnvelopeInstance* inst = instanceFor(engine, i, voice);
    if (inst->state == envStateEnded || inst->state == envStateReleased) continue;
    if (own->mode == envModeControl) {
      // No release segment and no generator step to report the end later: the note ends here.
      inst->state = envStateEnded;
      voiceSetStateFromEnvelopes(engine, voice);
      continue;
    }
    const EnvelopeSlot* S = shapeOf(engine, own);
    if (inst->segmentStart < S->releaseIndex || S->mode != envModeRelease) {
      inst->state = envStateReleased;
      inst->elapsed = 0;
      inst->segmentStart = S->releaseIndex;
      inst->segmentTarget = static_cast<std::int16_t>(S->releaseIndex + 1);
      inst->startLevel = inst->output;
      inst->releaseFactor = 1.0f;
      if (updateVoiceState) voiceSetStateFromEnvelopes(engine, inst->voice);
    } else {
      inst->releaseFactor = 1.0f;
    }
  }
}

double envGenRenderAlt(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* inst, std::int16_t offset,
                       std::int16_t frames) {
  if (!engine || !own || !inst) return 1.0;
  EnvelopeSlot* S = shapeOf(engine, own);
  if (envHandshakeLoad(S) < 0) return inst->startLevel;
  if (inst->state != envStateReleased && inst->state != envStateRunning) return 1.0;
  const int vi = voiceIndex(inst->voice);
  const int last = lastIndexOf(S);
  if (frames < 1) frames = 1;
  if (offset < 0) offset = 0;

  int cu = inst->segmentTarget;
  int nx = cu + 1;
  int st = cu == S->sustainIndex ? 2 : (cu == S->releaseIndex ? 1 : (cu >= last ? 0 : inst->state));
  if (S->mode == envModeRelease && st == 2) st = 1;
  const Breakpoint& bC = bpAt(S, cu);

  if (st == 0) {
    multiplyInto(engine, own, inst->voice, bC.level);
    inst->state = envStateEnded;
    voiceSetStateFromEnvelopes(engine, static_cast<std::int16_t>(vi));
    return bC.level;
  }
  if (st == 2 && S->mode != envModeLoop) {
    inst->state = envStateHolding;
    inst->segmentTarget = static_cast<std::int16_t>(nx);
    inst->segmentStart = static_cast<std::int16_t>(cu);
    double L = ampControl(engine, S, bC, vi, bC.level);
    if (S->lfoOn) L *= lfoFactor(engine, S, inst, cu, cu, 1.0, frames, false);
    return L;
  }
  if (st == 2)
    nx = S->loopStart;
  else
    inst->state = static_cast<std::int16_t>(st);
  const Breakpoint& bN = bpAt(S, nx);
  double D = bN.time * static_cast<double>(engineRateRatio());
  inst->startLevel = bC.level;

  D = timeControl(engine, S, bN, vi, D);
  if (!(D >= 1.0)) D = 1.0;
  const double rest = frames - offset;
  const double E = D < rest ? D : rest;
  const double x = (E > 1.0 ? E : 1.0) / D;

  double Ls = inst->startLevel;
  double L, p;
  if (!bN.step) {
    const double Ln = ampControl(engine, S, bN, vi, bN.level);
    if (st != 1) Ls = ampControl(engine, S, bC, vi, Ls);
    p = bN.slope == 1.0f ? x : std::pow(x, static_cast<double>(bN.slope));
    L = Ls + (Ln - Ls) * p;
  } else {
    L = Ls;
    p = 1.0;
  }
  if (S->lfoOn) L *= lfoFactor(engine, S, inst, cu, nx, p, frames, true);

  double r = L < 1.0 ? L : 1.0;
  if (!(r >= tiny)) r = 0.0;
  multiplyInto(engine, own, inst->voice, r);
  inst->segmentTarget = static_cast<std::int16_t>(nx);
  inst->segmentStart = static_cast<std::int16_t>(cu);
  inst->elapsed = E > 0.0 ? static_cast<std::int32_t>(E) : 0;
  inst->rampLength = static_cast<float>(rest <= D ? frames : D);
  return r;
}

void envSlotsFlushTinyValues(Engine* engine) {
  if (!engine) return;
  for (auto& s : engine->envSlots) {
    for (auto& b : s.breakpoints) {
      if (!(b.level >= 1e-24f)) b.level = 0.0f;
      if (!(b.slope >= 1e-24f)) b.slope = 0.0f;
      if (!(b.time >= 0.0001)) b.time = 0.0001;
    }
    if (!(s.startLevel >= 1e-24f)) s.startLevel = 0.0f;
  }
}
