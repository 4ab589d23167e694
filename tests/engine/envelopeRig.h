// A small rig for the envelope tests: an engine with the default patch applied and voices started by
// hand (the voice pool's note handling is not needed to drive envelopes).
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/envCompile.h"
#include "engine/envGen.h"
#include "engine/envNote.h"
#include "preset/envelope.h"

struct EnvelopeRig : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    engine->channels[0]->on = 1;
    engineApplyPatchChange(engine, 1);
  }
  void TearDown() override {
    EngineFixture::TearDown();
    engineCfgInitDefaults();
  }

  // A voice holding `note` in the sounding list, its envelopes started.
  void noteOn(std::int16_t v, std::int16_t note = 60, std::uint16_t legato = 0) {
    Voice& voice = engine->voices[v];
    voice.active = 1;
    voice.note = note;
    voice.velocity = voice.keyVelocity = 100;
    if (!legato) voice.retriggerClock = 0.0;
    envStartVoice(engine, v, legato);
    if (voice.state != 3) {
      take(&engine->voicePool.freeList, v);
      VoiceList& list = engine->voicePool.sounding;
      list.entries[list.count] = v;
      engine->voicePool.position[v] = list.count;
      ++list.count;
      voice.state = 3;
    }
  }
  static void take(VoiceList* list, std::int16_t v) {
    for (int i = 0; i < list->count; ++i) {
      if (list->entries[i] != v) continue;
      for (int j = i + 1; j < list->count; ++j) list->entries[j - 1] = list->entries[j];
      --list->count;
      return;
    }
  }
  void noteOff(std::int16_t v) {
    engine->voices[v].keyVelocity = 0;
    envReleaseVoice(engine, v, 1);
  }
  // One block of the envelope units as the render loop runs them.
  void block(std::int16_t frames = 128) {
    engineResetModulation(engine);
    envRenderAll(engine, frames);
  }
  EnvelopeInstance& inst(int slot, int voice) { return engine->envInstances[slot][voice]; }
  float entry(int unit, int voice, int dest) { return engine->modMultipliers[unit][voice][dest]; }
};

// The gain an amplitude consumer plays: each block ramps linearly from the previous value to the
// table value over the instance's ramp length, then holds it.
struct GainTrace {
  std::vector<double> samples;
  double last = 0.0;
  void add(double target, float ramp, int frames) {
    int n = ramp <= 0.0f ? 0 : (ramp >= frames ? frames : static_cast<int>(ramp));
    for (int i = 0; i < frames; ++i) {
      last = i < n ? last + (target - last) / (n - i) : target;
      samples.push_back(last);
    }
  }
  // First sample index at or after `from` where the gain meets the test, -1 if none.
  template <typename Pred>
  long first(Pred pred, size_t from = 0) const {
    for (size_t i = from; i < samples.size(); ++i)
      if (pred(samples[i])) return static_cast<long>(i);
    return -1;
  }
};
