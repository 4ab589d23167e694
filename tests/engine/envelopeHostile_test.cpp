// Hostile envelope values, from a file (clamped on loading) and written straight into the slots:
// 10,000 blocks of notes must neither hang, nor reach outside an array, nor put a non-finite value
// into the modulation table.
#include <cmath>
#include <limits>

#include "envelopeRig.h"

namespace {

using EnvelopeHostile = EnvelopeRig;

const double nan = std::numeric_limits<double>::quiet_NaN();

// Values a damaged file or a careless caller may bring.
void spoil(EnvelopeSlot* s, int variant) {
  s->lastIndex = 67;
  s->sustainIndex = 67;
  s->releaseIndex = 67;
  s->loopStart = static_cast<std::int16_t>(variant % 2 ? 67 : 0);
  s->mode = static_cast<std::uint16_t>(1 + variant % 5);
  s->lfoOn = 1;
  s->sampleHoldOn = variant % 2;
  s->lfoWave = 0x7FFF;
  s->lfoPhase = static_cast<float>(nan);
  s->ccScaleOn = 1;
  s->tempoSync = 1;
  s->startLevel = static_cast<float>(variant % 3 ? nan : 5.0);
  for (int i = 0; i < envBreakpointCount; ++i) {
    Breakpoint& b = s->breakpoints[i];
    b.time = i % 4 == 0 ? 0.0 : (i % 4 == 1 ? nan : (i % 4 == 2 ? -5.0 : 1e300));
    b.level = static_cast<float>(i % 3 ? 1e30 : -1.0);
    b.slope = static_cast<float>(i % 2 ? nan : 1e30);
    b.step = i % 5 == 0 ? 7u : 0u;
    b.ampScale = 9.0f;
    b.timeScale = -9.0f;
    b.ampCc = 0x12345;
    b.timeCc = -7;
    b.lfoSeconds = i % 2 ? 0.0 : nan;
    b.shSeconds = i % 2 ? nan : 0.0;
    b.lfoDepth = 3.0f;
  }
}

void runBlocks(EnvelopeRig& rig, int blocks) {
  for (int b = 0; b < blocks; ++b) {
    const std::int16_t v = static_cast<std::int16_t>(b / 50 % 4);
    if (b % 50 == 0) rig.noteOn(v, static_cast<std::int16_t>(40 + b % 40));
    if (b % 50 == 30) rig.noteOff(v);
    if (b % 977 == 0) {
      // A turn inside a block, as an oscillator asks for it.
      for (int s = 0; s < 3; ++s)
        envGenRenderAlt(rig.engine, &rig.engine->envSlots[s], &rig.engine->envInstances[s][v], 64, 128);
    }
    rig.engine->voices[v].active = 1;
    rig.block(static_cast<std::int16_t>(1 + (b * 37) % 128));
    for (int u = 0; u < engineUnits; ++u)
      for (int voice = 0; voice < 4; ++voice)
        for (int p = 0; p < engineModParams; ++p)
          ASSERT_TRUE(std::isfinite(rig.entry(u, voice, p))) << "block " << b << " unit " << u << " param " << p;
  }
}

TEST_F(EnvelopeHostile, ClampedOnLoadingThenPlayed) {
  for (int s = 0; s < envSlotCount; ++s) {
    EnvelopeSlot* slot = envSlot(engine, static_cast<std::int16_t>(s));
    const EnvDestKind dest = s < 3 ? envDestOscAmp : static_cast<EnvDestKind>(envDestOscAmp + s % envDestLast);
    envSetDefaultsByDest(engine, static_cast<std::int16_t>(s), static_cast<std::uint16_t>(s < 3 ? s : s % 4), dest);
    spoil(slot, s);
    slot->owner = static_cast<std::int16_t>(s % 2 ? 99 : -3);
    slot->destination = static_cast<EnvDestKind>(s % 3 ? 200 : -4);
    envSanitizeSlot(slot);  // what loading a chunk does
    if (s == 5) envSetMode(engine, 5, envModeControl);
  }
  envRefreshUsedSlots(engine);
  runBlocks(*this, 10000);
}

TEST_F(EnvelopeHostile, RawValuesWrittenStraightIntoTheSlots) {
  for (int s = 0; s < envSlotCount; ++s) {
    EnvelopeSlot* slot = envSlot(engine, static_cast<std::int16_t>(s));
    spoil(slot, s);
    slot->destination = static_cast<EnvDestKind>(s % 4 == 0 ? 1 : (s % 4 == 1 ? 200 : (s % 4 == 2 ? -4 : 18)));
    slot->owner = static_cast<std::int16_t>(s % 3 == 0 ? 99 : (s % 3 == 1 ? -3 : 1));
    slot->global = static_cast<std::uint8_t>(s % 7 == 0);
    slot->linked = s % 6 == 0;
    slot->linkMasterSlot = s % 12 == 0 ? 99 : (s + 1) % envSlotCount;
    slot->pitchScale = static_cast<std::uint8_t>(s % 2);
    slot->lastIndex = static_cast<std::int16_t>(s % 5 == 0 ? 300 : (s % 5 == 1 ? -2 : 67));
    slot->sustainIndex = static_cast<std::int16_t>(s % 3 == 0 ? -5 : 67);
    slot->homeIndex = 1000;
    if (s == 9) {
      slot->mode = envModeControl;
      slot->controlSource = -30000;
      envCompileSlot(engine, 9);
    }
  }
  // Instances left in odd places by an earlier preset.
  for (int s = 0; s < envSlotCount; ++s)
    for (int v = 0; v < 4; ++v) {
      inst(s, v).segmentTarget = static_cast<std::int16_t>(v == 0 ? 500 : -9);
      inst(s, v).segmentStart = static_cast<std::int16_t>(v == 1 ? 500 : -9);
      inst(s, v).voice = static_cast<std::int16_t>(v == 2 ? 900 : v);
    }
  runBlocks(*this, 10000);
}

TEST_F(EnvelopeHostile, RetriggerClockSurvivesAnyTempo) {
  envSetMode(engine, 0, envModeRetrigger);
  for (double bpm : {0.0, 1e-9, 1e9, nan}) {
    engine->header.tempo.presetTempo = bpm;
    engine->header.beats = static_cast<float>(bpm);
    engine->header.tempo.tempoRatio = bpm;
    engine->voices[0].retriggerClock = bpm;
    noteOn(0);
    for (int b = 0; b < 100; ++b) block();
    EXPECT_TRUE(std::isfinite(engine->voices[0].retriggerClock)) << bpm;
    EXPECT_TRUE(std::isfinite(entry(0, 0, 1))) << bpm;
  }
}

}  // namespace
