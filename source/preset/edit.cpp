// Edit block: copies of the live records that setters change, committed back between render blocks.
#include <cstring>

#include "engine/engine.h"
#include "engine/noteCurveRuntime.h"
#include "os/osFile.h"
#include "preset/editBlock.h"

namespace {

// How long a commit on the user-interface thread waits for a running audio thread to apply it:
// a device buffer holds several 128-frame sub-blocks, so allow a generous 250 ms.
const int kApplyWaitMs = 250;

// Commits the user-interface thread applied itself after waiting out kApplyWaitMs for a running
// audio thread.
std::atomic<int> g_waitsRunOut{0};

void copyHeader(PatchHeader* live, const PatchHeader* copy) {
  // The fields from polyphony to channelPan; slot, the output pairs and the tempo clock stay.
  live->polyphony = copy->polyphony;
  live->gain = copy->gain;
  live->transpose = copy->transpose;
  live->pan = copy->pan;
  live->length = copy->length;
  live->beats = copy->beats;
  live->tuning = copy->tuning;
  std::memcpy(live->name, copy->name, sizeof live->name);
  std::memcpy(live->stageCounts, copy->stageCounts, sizeof live->stageCounts);
  std::memcpy(live->channelPan, copy->channelPan, sizeof live->channelPan);
}

void copyControllers(ControllerSettings* live, const ControllerSettings* copy) {
  // The running (smoothed) values belong to the engine and are kept.
  const ControllerSettings keep = *live;
  *live = *copy;
  live->pitchFactor = keep.pitchFactor;
  live->bendFactor = keep.bendFactor;
  live->positionLr = keep.positionLr;
  live->positionLrTarget = keep.positionLrTarget;
  live->positionFb = keep.positionFb;
  live->positionFbTarget = keep.positionFbTarget;
  live->volume = keep.volume;
  live->volumeTarget = keep.volumeTarget;
  live->filterGain = keep.filterGain;
  live->filterOffset = keep.filterOffset;
  live->filterGainTarget = keep.filterGainTarget;
  live->oscLevel = keep.oscLevel;
  live->oscLevelTarget = keep.oscLevelTarget;
  live->effectLevel = keep.effectLevel;
  live->effectLevelTarget = keep.effectLevelTarget;
}

void copyLfo(Lfo* live, const Lfo* copy) {
  const float display = live->displayValue;
  const std::int16_t request = live->retriggerRequest;
  *live = *copy;
  live->displayValue = display;
  live->retriggerRequest = static_cast<std::int16_t>(request + copy->retriggerRequest);
}

void applyCopy(Engine* engine, EditBlock* e) {
  const std::int16_t i = e->index;
  switch (e->kind) {
    case editKindHeader: copyHeader(&engine->header, &e->header); break;
    case editKindOsc:
      if (i >= 0 && i < engineChannels) *engine->channels[i] = e->osc;
      break;
    case editKindFilter:
      if (i >= 0 && i < 4) engine->filters[i] = e->filter;
      break;
    case editKindModulator:
      if (i >= 0 && i < engineChannels) engine->modulators[i] = e->modulator;
      break;
    case editKindWaveshaper: engine->waveshaper = e->waveshaper; break;
    case editKindEffect:
      engine->effectPipe = e->pipe;
      engine->effectComb = e->comb;
      engine->effectTap = e->tap;
      break;
    case editKindLfo:
      if (i >= 0 && i < 3) copyLfo(&engine->lfos[i], &e->lfo);
      break;
    case editKindControllers: copyControllers(&engine->controllers, &e->controllers); break;
    case editKindNoteCurve: {
      const int c = editCurveIndex(e->family, i);
      // Values enter the engine clamped to 0..1, as every other path into the note curves does.
      if (c >= 0)
        for (int n = 0; n < 128; ++n)
          engine->noteCurves.curves[c].values[n] = noteCurveClampValue(e->noteCurve.values[n]);
      break;
    }
    case editKindLevels: engine->levels = e->levels; break;
    case editKindVelocity: {
      engine->velocity = e->velocity;
      const int c = editCurveIndex(e->family, i);
      if (c >= 0) engine->noteCurves.velocityTables[c] = e->velocityTables[c];
      break;
    }
    default: break;  // kinds 8, 9, 11, 15 copy nothing
  }
}

// Applies the pending copy if this caller wins it. Returns when nothing is pending any more.
void applyIfPending(Engine* engine) {
  EditBlock* e = &engine->edit;
  std::uint8_t expected = editPending;
  if (!e->pending.compare_exchange_strong(expected, editApplying, std::memory_order_acquire)) return;
  if (e->kind >= 1 && e->kind <= 15) applyCopy(engine, e);
  e->kind = 0;
  e->pending.store(editIdle, std::memory_order_release);
}

// User-interface side: makes sure no copy is pending. While an audio thread runs, it applies the copy
// between its blocks; this waits for that. Without one (or if it stalls) the copy is applied here.
void settle(Engine* engine) {
  EditBlock* e = &engine->edit;
  if (e->pending.load(std::memory_order_acquire) == editIdle) return;
  if (engine->audioRunning.load(std::memory_order_acquire)) {
    for (int ms = 0; ms < kApplyWaitMs; ++ms) {
      if (e->pending.load(std::memory_order_acquire) == editIdle) return;
      if (!engine->audioRunning.load(std::memory_order_acquire)) break;
      osSleepMs(1);
    }
    if (engine->audioRunning.load(std::memory_order_acquire) &&
        e->pending.load(std::memory_order_acquire) == editPending)
      g_waitsRunOut.fetch_add(1);
  }
  applyIfPending(engine);
  while (e->pending.load(std::memory_order_acquire) == editApplying) osSleepMs(1);
}

}  // namespace

int editCurveIndex(std::int16_t family, std::int16_t slot) {
  if (family == 1 && slot >= 0 && slot < 3) return slot;
  if (family == 2 && slot >= 0 && slot < 3) return 3 + slot;
  if (family == 3 && slot >= 0 && slot < 4) return 6 + slot;
  return -1;
}

void editCommitPending(Engine* engine) {
  if (engine) applyIfPending(engine);
}

// How many commits the user-interface thread applied itself because a running audio thread did not
// within the wait (declared by the tests that ask; a slow answer is not counted).
int editWaitsRunOut() { return g_waitsRunOut.load(); }

void editCommit(Engine* engine, std::uint32_t kind, std::int16_t index) {
  if (!engine) return;
  settle(engine);  // an earlier copy is applied before this one takes the block
  EditBlock* e = &engine->edit;
  e->kind = kind;
  e->index = index;
  e->pending.store(editPending, std::memory_order_release);
  settle(engine);
}

PatchHeader* editBeginPatchHeader(Engine* engine) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.header = engine->header;
  return &engine->edit.header;
}

ChannelOscRecord* editBeginOsc(Engine* engine, std::int16_t channel) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.osc = *engineGetChannel(engine, channel);
  return &engine->edit.osc;
}

FilterRecord* editBeginFilter(Engine* engine, std::int16_t filter) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.filter = *engineGetFilter(engine, filter);
  return &engine->edit.filter;
}

ModulatorRecord* editBeginModulator(Engine* engine, std::int16_t modulator) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.modulator = *engineGetModulator(engine, modulator);
  return &engine->edit.modulator;
}

WaveshaperRecord* editBeginWaveshaper(Engine* engine) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.waveshaper = engine->waveshaper;
  return &engine->edit.waveshaper;
}

void* editBeginEffect(Engine* engine, std::int16_t type) {
  if (!engine || type < 1 || type > 3) return nullptr;
  settle(engine);
  engine->edit.pipe = engine->effectPipe;
  engine->edit.comb = engine->effectComb;
  engine->edit.tap = engine->effectTap;
  if (type == 1) return &engine->edit.pipe;
  if (type == 2) return &engine->edit.comb;
  return &engine->edit.tap;
}

Lfo* editBeginLfo(Engine* engine, std::int16_t lfo) {
  if (!engine || lfo < 0 || lfo >= 3) return nullptr;
  settle(engine);
  engine->edit.lfo = engine->lfos[lfo];
  engine->edit.lfo.retriggerRequest = 0;  // only requests made on the copy are added at commit
  return &engine->edit.lfo;
}

ControllerSettings* editBeginControllers(Engine* engine) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.controllers = engine->controllers;
  return &engine->edit.controllers;
}

float* editBeginNoteCurve(Engine* engine, std::int16_t family, std::int16_t slot) {
  const int c = editCurveIndex(family, slot);
  if (!engine || c < 0) return nullptr;
  settle(engine);
  engine->edit.family = family;
  engine->edit.noteCurve = engine->noteCurves.curves[c];
  return engine->edit.noteCurve.values;
}

VelocitySettings* editBeginVelocity(Engine* engine, VelocityTable** tables) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.velocity = engine->velocity;
  std::memcpy(engine->edit.velocityTables, engine->noteCurves.velocityTables, sizeof engine->edit.velocityTables);
  if (tables) *tables = engine->edit.velocityTables;
  return &engine->edit.velocity;
}

ChannelLevelBlock* editBeginLargeBlock(Engine* engine) {
  if (!engine) return nullptr;
  settle(engine);
  engine->edit.levels = engine->levels;
  return &engine->edit.levels;
}
