// The envelope generator on a held note: the default amplitude envelope, the modes, tempo and the
// sample rate, linking, bypass and the voice state that follows the amplitude envelopes.
#include <cmath>

#include "envelopeRig.h"
#include "support/signal.h"

namespace {

using EnvelopeGen = EnvelopeRig;

// Plays voice 0 for `heldSamples`, releases it and plays on for `afterSamples`; returns the gain of
// channel 0's amplitude and the sample where the key went up.
GainTrace playAmplitude(EnvelopeRig& rig, long heldSamples, long afterSamples, long* releaseAt) {
  GainTrace trace;
  rig.noteOn(0);
  trace.add(rig.entry(0, 0, 1), rig.inst(0, 0).rampLength, 0);
  while (static_cast<long>(trace.samples.size()) < heldSamples) {
    rig.block();
    trace.add(rig.entry(0, 0, 1), rig.inst(0, 0).rampLength, 128);
  }
  *releaseAt = static_cast<long>(trace.samples.size());
  rig.noteOff(0);
  while (static_cast<long>(trace.samples.size()) < heldSamples + afterSamples) {
    rig.block();
    trace.add(rig.entry(0, 0, 1), rig.inst(0, 0).rampLength, 128);
  }
  return trace;
}

TEST_F(EnvelopeGen, DefaultAmplitudeRisesHoldsFallsAndFreesTheVoice) {
  long releaseAt = 0;
  const GainTrace g = playAmplitude(*this, 44100 * 2, 30000, &releaseAt);
  const long top = g.first([](double x) { return x >= 1.0 - 1e-6; });
  EXPECT_NEAR(top, 440, 128);  // the 441st sample
  EXPECT_EQ(g.first([](double x) { return x < 1.0 - 1e-6; }, top), releaseAt) << "holds until the key goes up";
  const long silent = g.first([](double x) { return x <= 1e-6; }, releaseAt);
  EXPECT_NEAR(silent - releaseAt, 22050, 128);
  // Half way down the release curve (slope 0.5): 1 - sqrt(0.5).
  EXPECT_NEAR(g.samples[releaseAt + 11025], 1.0 - std::sqrt(0.5), 0.01);

  // The envelope ended: the voice's state is 6, it sits in the free list with note -1.
  EXPECT_EQ(inst(0, 0).state, 0);
  EXPECT_EQ(engine->voices[0].state, 6);
  EXPECT_EQ(engine->voices[0].note, -1);
  EXPECT_EQ(engine->voicePool.sounding.count, 0);
  EXPECT_EQ(engine->voicePool.released.count, 0);
  const VoiceList& free = engine->voicePool.freeList;
  ASSERT_EQ(free.count, engine->polyphony);
  EXPECT_EQ(free.entries[free.count - 1], 0) << "joins at the end";
}

TEST_F(EnvelopeGen, DecayIntoSilenceLeavesNoDenormals) {
  // Every envelope of four voices on a long exponential-like fall (slope 4) to silence, and on.
  for (EnvDestKind d : {envDestOscVol, envDestOscPitch, envDestOscBalance, envDestFilterFreq}) envCreate(engine, 0, d);
  for (auto& slot : engine->envSlots) {
    slot.breakpoints[2].slope = 4.0f;
    slot.breakpoints[2].time = 44100.0;
  }
  for (std::int16_t v = 0; v < 4; ++v) noteOn(v);
  for (int b = 0; b < 10; ++b) block();
  for (std::int16_t v = 0; v < 4; ++v) noteOff(v);
  for (int b = 0; b < 500; ++b) {
    block();
    for (int u = 0; u < engineUnits; ++u)
      for (int v = 0; v < 4; ++v) ASSERT_TRUE(signalAllNormal(engine->modMultipliers[u][v], engineModParams)) << b;
    for (const auto& row : engine->envInstances)
      for (int v = 0; v < 4; ++v) {
        ASSERT_TRUE(signalAllNormal(&row[v].output, 1)) << b;
        ASSERT_TRUE(signalAllNormal(&row[v].startLevel, 1)) << b;
      }
  }
  EXPECT_EQ(inst(0, 3).state, 0);
}

TEST_F(EnvelopeGen, AttackScalesWithTheSampleRate) {
  struct Case {
    float rate;
    long want;
  };
  for (const Case c : {Case{44100.0f, 441}, Case{48000.0f, 480}, Case{96000.0f, 960}}) {
    ASSERT_TRUE(engineCfgSetRate(c.rate));
    envInstanceInit(engine, 0, 0);
    engine->voices[0].state = 0;
    engine->voicePool = VoicePool{};
    GainTrace g;
    noteOn(0);
    g.add(0.0, 0.0f, 0);
    for (int b = 0; b < 20; ++b) {
      block();
      g.add(entry(0, 0, 1), inst(0, 0).rampLength, 128);
    }
    EXPECT_EQ(g.first([](double x) { return x >= 1.0 - 1e-6; }) + 1, c.want) << c.rate;
  }
}

TEST_F(EnvelopeGen, ReleaseModeRunsToItsEndWithTheKeyDown) {
  envSetMode(engine, 0, envModeRelease);
  noteOn(0);
  int blocks = 0;
  bool sawReleased = false;
  while (inst(0, 0).state != 0 && blocks < 1000) {
    block();
    ++blocks;
    sawReleased |= inst(0, 0).state == 1;
    EXPECT_NE(inst(0, 0).state, 2);
  }
  EXPECT_TRUE(sawReleased);
  // 441 + 22,050 + 22,050 samples; without an oscillator turning segments inside the block each turn
  // waits for the next block.
  EXPECT_NEAR(blocks * 128, 441 + 22050 + 22050, 4 * 128);
  EXPECT_EQ(engine->voices[0].state, 6);
}

TEST_F(EnvelopeGen, LoopModeCyclesWhileTheKeyIsHeld) {
  EnvelopeSlot* s = envSlot(engine, 0);
  s->breakpoints[0] = Breakpoint{4410.0, 1.0f, 1.0f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  s->breakpoints[1] = Breakpoint{4410.0, 0.2f, 1.0f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  envSetMode(engine, 0, envModeLoop);
  ASSERT_EQ(s->sustainIndex, 1);
  ASSERT_EQ(s->loopStart, 0);
  noteOn(0);
  int crossings = 0;
  bool above = false;
  for (int b = 0; b < 44100 * 2 / 128; ++b) {
    block();
    const bool now = entry(0, 0, 1) > 0.6f;
    crossings += now != above;
    above = now;
    EXPECT_EQ(inst(0, 0).state, 3) << b;
  }
  // 2 s of 100 ms segments: about 20 turns between 1.0 and 0.2.
  EXPECT_GE(crossings, 16);
  noteOff(0);
  for (int b = 0; b < 300; ++b) block();
  EXPECT_EQ(inst(0, 0).state, 0);
}

// Block start samples at which voice 0's instance of slot 0 was restarted at breakpoint 0.
std::vector<long> retriggers(EnvelopeRig& rig, int blocks) {
  std::vector<long> at;
  rig.noteOn(0);
  int target = rig.inst(0, 0).segmentTarget;
  for (int b = 0; b < blocks; ++b) {
    rig.block();
    const int now = rig.inst(0, 0).segmentTarget;
    if (now == 0 && target != 0) at.push_back(static_cast<long>(b) * 128);
    target = now;
  }
  return at;
}

TEST_F(EnvelopeGen, RetriggerRestartsOncePerBeatCycle) {
  struct Case {
    double bpm;
    long period;
  };
  for (const Case c : {Case{120.0, 88200}, Case{240.0, 44100}}) {
    engine->voices[0] = Voice{};
    engine->voicePool = VoicePool{};
    envInstanceInit(engine, 0, 0);
    envSetMode(engine, 0, envModeRetrigger);
    tempoSetBpm(engine, c.bpm);
    const std::vector<long> at = retriggers(*this, static_cast<int>(c.period * 4 / 128) + 2);
    ASSERT_GE(at.size(), 3u) << c.bpm;
    EXPECT_NEAR(at[0], c.period, 128) << c.bpm;
    for (size_t i = 1; i < at.size(); ++i) EXPECT_NEAR(at[i] - at[i - 1], c.period, 128) << c.bpm;
  }
}

TEST_F(EnvelopeGen, RunningTempoScalesTheRetriggerCycle) {
  // Preset at 120 BPM, the clock running at 240: a Retrigger envelope plays twice as fast.
  engineCfgSetFlag(0);
  engine->header.tempo.runningTempo = 240.0f;
  tempoAdvance(engine, 128);
  ASSERT_DOUBLE_EQ(tempoGetRatio(engine), 0.5);
  envSetMode(engine, 0, envModeRetrigger);
  const std::vector<long> at = retriggers(*this, 44100 * 3 / 128);
  ASSERT_GE(at.size(), 2u) << tempoGetRatio(engine) << " " << inst(0, 0).state << " " << inst(0, 0).segmentTarget;
  EXPECT_NEAR(at[1] - at[0], 44100, 128);
  engineCfgSetFlag(1);
}

TEST_F(EnvelopeGen, TempoSyncScalesSegmentsByTheTempoRatio) {
  // Preset at 120 BPM, the clock at 60: ratio 2, a synced attack of 441 samples takes 882.
  engineCfgSetFlag(0);
  engine->header.tempo.runningTempo = 60.0f;
  tempoAdvance(engine, 128);
  ASSERT_DOUBLE_EQ(tempoGetRatio(engine), 2.0);
  for (std::uint8_t sync : {0, 1}) {
    envSetSyncFlag(engine, 0, sync);
    engine->voices[0] = Voice{};
    engine->voicePool = VoicePool{};
    GainTrace g;
    noteOn(0);
    g.add(0.0, 0.0f, 0);
    for (int b = 0; b < 10; ++b) {
      block();
      g.add(entry(0, 0, 1), inst(0, 0).rampLength, 128);
    }
    EXPECT_EQ(g.first([](double x) { return x >= 1.0 - 1e-6; }) + 1, sync ? 882 : 441);
  }
  engineCfgSetFlag(1);
}

TEST_F(EnvelopeGen, NoteOffDuringTheAttackFallsFromThePresentOutput) {
  noteOn(0);
  block();
  block();
  const float reached = inst(0, 0).output;
  ASSERT_GT(reached, 0.3f);
  ASSERT_LT(reached, 1.0f);
  noteOff(0);
  EXPECT_EQ(inst(0, 0).state, 1);
  EXPECT_EQ(inst(0, 0).segmentStart, 1);
  EXPECT_EQ(inst(0, 0).segmentTarget, 2);
  EXPECT_FLOAT_EQ(inst(0, 0).startLevel, reached);
  EXPECT_EQ(engine->voices[0].state, 1);
  EXPECT_EQ(engine->voicePool.released.count, 1);
  block();
  EXPECT_LT(entry(0, 0, 1), reached);
}

TEST_F(EnvelopeGen, LegatoRestartsOnlyReleaseModeEnvelopes) {
  const std::int16_t pitch = envCreate(engine, 0, envDestOscPitch);  // a Sustain envelope on the pitch
  ASSERT_GE(pitch, 3);
  const std::int16_t rel = envCreate(engine, 0, envDestOscVol);
  envSetMode(engine, rel, envModeRelease);
  noteOn(0);
  for (int b = 0; b < 10; ++b) block();
  const EnvelopeInstance before = inst(pitch, 0);
  noteOn(0, 62, 1);
  EXPECT_EQ(inst(pitch, 0).elapsed, before.elapsed);
  EXPECT_EQ(inst(pitch, 0).segmentTarget, before.segmentTarget);
  EXPECT_EQ(inst(rel, 0).elapsed, 0);
  EXPECT_EQ(inst(rel, 0).segmentTarget, 0);
}

TEST_F(EnvelopeGen, MonoNoteContinuesFromThePresentLevel) {
  patchSetPolyphony(engine, 1);
  ASSERT_EQ(engine->polyphony, 1);
  noteOn(0);
  for (int b = 0; b < 10; ++b) block();
  ASSERT_NEAR(inst(0, 0).output, 1.0f, 1e-6);
  inst(0, 0).lfoPhase = 300.0;
  noteOn(0, 64);
  EXPECT_FLOAT_EQ(inst(0, 0).startLevel, 1.0f);
  EXPECT_FLOAT_EQ(entry(0, 0, 1), 1.0f);
  EXPECT_EQ(inst(0, 0).lfoPhase, 300.0);
}

TEST_F(EnvelopeGen, SlopeShapesTheCurve) {
  // A 12,800-sample rise at slope 1 is a straight line; at 0.5 it is the square root.
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(engine, s);
  slot->startLevel = 0.0f;
  slot->breakpoints[0].time = 12800.0;
  for (float slope : {1.0f, 0.5f}) {
    slot->breakpoints[0].slope = slope;
    engine->voices[0] = Voice{};
    engine->voicePool = VoicePool{};
    noteOn(0);
    for (int b = 1; b <= 50; ++b) {
      block();
      const double x = b * 128 / 12800.0;
      EXPECT_NEAR(entry(0, 0, 31), std::pow(x, slope), 1e-5) << slope << " block " << b;
    }
  }
}

TEST_F(EnvelopeGen, StepBreakpointJumpsWhenItsTimeHasRunOut) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(engine, s);
  slot->startLevel = 0.25f;
  slot->breakpoints[0] = Breakpoint{1000.0, 0.75f, 0.5f, 1, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  slot->breakpoints[1].level = 0.75f;
  noteOn(0);
  for (int b = 1; b <= 10; ++b) {
    block();
    EXPECT_FLOAT_EQ(entry(0, 0, 31), b * 128 < 1000 ? 0.25f : 0.75f) << b;
  }
}

TEST_F(EnvelopeGen, RunningValuesAreCutAt64OnPitchAndAt1Elsewhere) {
  // Pitch: level 1.0 times a full-depth pitch LFO standing at the wave's peak (base 256).
  const std::int16_t p = envCreate(engine, 0, envDestOscPitch);
  envSetLfoOn(engine, p, 1);
  envSetLfoWave(engine, p, 0);
  envSetLfoPhase(engine, p, 0.25f);
  for (auto& b : envSlot(engine, p)->breakpoints) {
    b.lfoDepth = 1.0f;
    b.lfoSeconds = 999.0;
  }
  // Elsewhere: a link to slot 0 with "Amp %" 16 and "Amp Offset" 2.
  const std::int16_t v = envCreate(engine, 0, envDestOscVol);
  envSetLinked(engine, v, 1);
  envSetLinkMaster(engine, v, 0);
  envSetAmpPercent(engine, v, 16.0f);
  envSetAmpOffset(engine, v, 2.0f);
  noteOn(0);
  block();
  ASSERT_EQ(inst(p, 0).state, 3);
  ASSERT_EQ(inst(v, 0).state, 3);
  EXPECT_FLOAT_EQ(entry(0, 0, 2), 64.0f);
  EXPECT_FLOAT_EQ(entry(0, 0, 31), 1.0f);
}

TEST_F(EnvelopeGen, LinkedSlotPlaysItsMastersShapeWithItsOwnPercentages) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  envSetLinked(engine, s, 1);
  envSetLinkMaster(engine, s, 0);
  envSetAmpPercent(engine, s, 0.5f);
  envSetTimePercent(engine, s, 2.0f);
  noteOn(0);
  // The master reaches 1.0 after 441 samples; the linked one takes 882 to reach 0.5.
  for (int b = 0; b < 7; ++b) block();
  EXPECT_FLOAT_EQ(entry(0, 0, 1), 1.0f);
  EXPECT_FLOAT_EQ(entry(0, 0, 31), 0.5f);
  EXPECT_EQ(inst(s, 0).segmentTarget, 0) << "still in its first, doubled segment";
}

TEST_F(EnvelopeGen, BypassLeavesTheEntryWhileRunningButTheEndLevelStillApplies) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(engine, s);
  slot->breakpoints[2].level = 0.5f;  // ends at 0.5
  envSetMode(engine, s, envModeRelease);
  envSetBypass(engine, s, 1);
  noteOn(0);
  for (int b = 0; b < 5; ++b) {
    block();
    EXPECT_FLOAT_EQ(entry(0, 0, 31), 1.0f);
  }
  while (inst(s, 0).state != 0) block();
  block();
  EXPECT_FLOAT_EQ(entry(0, 0, 31), 0.5f);
}

TEST_F(EnvelopeGen, GlobalLoopStartsWithTheFirstNoteAndReleasesWithTheLast) {
  const std::int16_t s = envCreate(engine, 0, envDestEffectTime);  // effect time: global
  ASSERT_TRUE(envSlot(engine, s)->global);
  envSetMode(engine, s, envModeLoop);
  noteOn(0);  // held count was 0 when it started: the global instance starts
  EXPECT_EQ(inst(s, 0).state, 3);
  for (int b = 0; b < 20; ++b) block();
  const EnvelopeInstance running = inst(s, 0);
  noteOn(1);  // a second note does not restart it
  EXPECT_EQ(inst(s, 0).elapsed, running.elapsed);
  noteOff(0);  // two notes still held
  EXPECT_EQ(inst(s, 0).state, 3);
  noteOff(1);
  EXPECT_EQ(inst(s, 0).state, 1);
}

TEST_F(EnvelopeGen, VoiceStateFollowsTheHighestAmplitudeEnvelope) {
  engine->channels[1]->on = 1;
  envSyncChannelOn(engine);
  noteOn(0);
  for (int b = 0; b < 200; ++b) block();  // both hold at their sustain point
  ASSERT_EQ(inst(0, 0).state, 2);
  inst(1, 0).state = 2;
  inst(0, 0).state = 0;
  voiceSetStateFromEnvelopes(engine, 0);
  EXPECT_EQ(engine->voices[0].state, 3) << "a holding envelope leaves the state alone";
  inst(1, 0).state = 0;
  voiceSetStateFromEnvelopes(engine, 0);
  EXPECT_EQ(engine->voices[0].state, 6);
  EXPECT_EQ(engine->voices[0].note, -1);
}

TEST_F(EnvelopeGen, VoicesMoveThroughTheListsInOrder) {
  ASSERT_EQ(engine->polyphony, 4);
  for (std::int16_t v = 0; v < 4; ++v) noteOn(v);
  ASSERT_EQ(engine->voicePool.sounding.count, 4);
  ASSERT_EQ(engine->voicePool.freeList.count, 0);
  for (std::int16_t v : {2, 0, 3, 1}) {
    inst(0, v).state = 1;
    voiceSetStateFromEnvelopes(engine, v);
  }
  const VoicePool& pool = engine->voicePool;
  EXPECT_EQ(pool.sounding.count, 0);
  ASSERT_EQ(pool.released.count, 4);
  const std::int16_t order[] = {2, 0, 3, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pool.released.entries[i], order[i]);
    EXPECT_EQ(pool.position[order[i]], i);
  }
  for (std::int16_t v = 0; v < 4; ++v) {
    inst(0, v).state = 0;
    voiceSetStateFromEnvelopes(engine, v);
    EXPECT_EQ(engine->voices[v].state, 6);
    EXPECT_EQ(engine->voices[v].note, -1);
  }
  EXPECT_EQ(pool.released.count, 0);
  EXPECT_EQ(pool.freeList.count, 4);
}

TEST_F(EnvelopeGen, RenderAltTurnsAnAmplitudeSegmentInsideTheBlock) {
  EnvelopeSlot* slot = envSlot(engine, 0);
  slot->breakpoints[0].time = 50.0;
  slot->breakpoints[1] = Breakpoint{1000.0, 0.5f, 1.0f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  slot->sustainIndex = slot->releaseIndex = 2;
  noteOn(0);
  block();
  EXPECT_FLOAT_EQ(inst(0, 0).rampLength, 50.0f);
  EXPECT_FLOAT_EQ(entry(0, 0, 1), 1.0f);
  // The oscillator turns the segment at sample 50: the next one (1.0 to 0.5 over 1,000 samples) has
  // 78 frames of this block left.
  const double r = envGenRenderAlt(engine, slot, &inst(0, 0), 50, 128);
  EXPECT_NEAR(r, 1.0 - 0.5 * 78.0 / 1000.0, 1e-6);
  EXPECT_EQ(inst(0, 0).segmentStart, 0);
  EXPECT_EQ(inst(0, 0).segmentTarget, 1);
  EXPECT_EQ(inst(0, 0).elapsed, 78);
  // A holding instance is left alone.
  inst(0, 0).state = 2;
  EXPECT_EQ(envGenRenderAlt(engine, slot, &inst(0, 0), 10, 128), 1.0);
  EXPECT_EQ(inst(0, 0).segmentTarget, 1);
}

TEST_F(EnvelopeGen, FlushTinyValues) {
  EnvelopeSlot* slot = envSlot(engine, 4);
  slot->startLevel = 1e-30f;
  slot->breakpoints[3] = Breakpoint{0.0, 1e-30f, 1e-30f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  envSlotsFlushTinyValues(engine);
  EXPECT_EQ(slot->startLevel, 0.0f);
  EXPECT_EQ(slot->breakpoints[3].level, 0.0f);
  EXPECT_EQ(slot->breakpoints[3].slope, 0.0f);
  EXPECT_EQ(slot->breakpoints[3].time, 0.0001);
}

TEST_F(EnvelopeGen, NamesFollowTheDestinationTable) {
  envSetDefaultsByDest(engine, 5, 0, envDestOscAmp);
  const std::int16_t f = envCreate(engine, 3, envDestFilterFreq);
  const std::int16_t e = envCreate(engine, 0, envDestEffectFeedback);
  struct Case {
    std::int16_t slot;
    EnvDestKind dest;
    std::int16_t owner;
    const char* want;
  };
  for (const Case c :
       {Case{0, envDestNone, 0, "oscil 1 amp (1)"}, Case{5, envDestNone, 0, "oscil 1 amp (2)"},
        Case{-1, envDestOscAmp, 0, "oscil 1 amp (3)"}, Case{f, envDestNone, 0, "master filter freq (1)"},
        Case{e, envDestNone, 0, "effect feedback (1)"}, Case{-1, envDestModPitch, 1, "mod 2 pitch (1)"}}) {
    char name[envNameSize];
    envGetName(engine, c.slot, name, c.dest, c.owner);
    EXPECT_STREQ(name, c.want) << c.slot;
  }
}

}  // namespace

// A global effect envelope (owner 0) lands in the master section's voice-0 row, which the effect reads
// and the render resets every block, even while voice 0 plays nothing: the value stays put and never
// piles up block after block.
TEST_F(EnvelopeGen, GlobalEffectEnvelopeWritesTheMasterRowOncePerBlock) {
  const std::int16_t s = envCreate(engine, 0, envDestEffectWet);  // effect bal wet: global
  ASSERT_GE(s, 3);
  ASSERT_TRUE(envSlot(engine, s)->global);
  for (std::int16_t bp = -1; bp <= 2; ++bp) envSetBpLevel(engine, s, bp, 0.5);
  noteOn(1);  // voice 0 stays idle
  ASSERT_EQ(engine->voices[0].active, 0);
  for (int b = 0; b < 60; ++b) {
    block();
    if (b < 10) continue;  // past the attack
    ASSERT_NEAR(entry(3, 0, 29), 0.5f, 1e-6f) << "block " << b;
    ASSERT_EQ(entry(0, 0, 29), entry(0, 0, 28)) << "block " << b;  // unit 0's row is not written
  }
}
