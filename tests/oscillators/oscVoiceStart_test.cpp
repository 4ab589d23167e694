// Voice start: unison increments and spread order, the unison count limits, fresh and legato starts.
#include <gtest/gtest.h>

#include <cmath>

#include "oscTestRig.h"

TEST(OscVoiceStart, UnisonSpreadOrderAndCountLimits) {
  OscRig rig;
  rig.record->trans = 12.0f;  // t = 2
  rig.record->randTrans = 0.0f;
  for (int count : {0, 1, 5, 12}) {
    rig.record->numVoices = count;
    for (float& inc : rig.state()->unisonIncA) inc = -1.0f;  // marks the entries the start writes
    rig.startNote(0, 69);
    const float base = rig.state()->incA;
    const double expected[8] = {1.0, 0.5, 2.0, 0.25, 4.0, 0.125, 8.0, 0.0625};
    const int seeded = count < 1 ? 1 : (count > 8 ? 8 : count);
    for (int k = 0; k < 8; ++k) {
      if (k < seeded)
        EXPECT_NEAR(rig.state()->unisonIncA[k], base * expected[k], 1e-4 * base) << count << " " << k;
      else
        EXPECT_EQ(rig.state()->unisonIncA[k], -1.0f) << count << " " << k;
    }
    EXPECT_EQ(rig.record->numVoices, count);  // the record keeps its value
  }
}

TEST(OscVoiceStart, FreshStartResetsPhasesLegatoKeepsThem) {
  OscRig rig;
  rig.record->numVoices = 3;
  rig.startNote(0, 60);
  rig.render(300);
  OscVoiceState* s = rig.state();
  const float phase = s->unisonPhaseA[1];
  const float gain = s->gain;
  ASSERT_NE(phase, 0.0f);
  // Legato: new increments, same phases and gain.
  rig.engine->voices[0].pitch = static_cast<float>(noteIncrement(72));
  oscVoiceStart(rig.engine, 0, 0, 72, 1);
  EXPECT_EQ(s->unisonPhaseA[1], phase);
  EXPECT_EQ(s->gain, gain);
  EXPECT_NEAR(s->incA, noteIncrement(72), 1e-4);
  // Polyphony 1 with the voice still free: no fresh start (wave phases and gain kept).
  rig.engine->header.polyphony = 1;
  rig.engine->voices[0].state = 0;
  s->phaseA = 123.0f;
  oscVoiceStart(rig.engine, 0, 0, 60, 0);
  EXPECT_EQ(s->phaseA, 123.0f);
  EXPECT_EQ(s->gain, gain);
  // A fresh start with "Phase" reset.
  rig.engine->header.polyphony = 4;
  rig.engine->voices[0].state = 3;
  oscVoiceStart(rig.engine, 0, 0, 60, 0);
  EXPECT_EQ(s->unisonPhaseA[1], 0.0f);
  // "Free" phases run on.
  rig.render(300);
  const float running = s->unisonPhaseA[1];
  rig.record->phaseReset = 0;
  oscVoiceStart(rig.engine, 0, 0, 60, 0);
  EXPECT_EQ(s->unisonPhaseA[1], running);
}

TEST(OscVoiceStart, RandomTranspositionStaysWithinItsDepth) {
  OscRig rig;
  rig.record->numVoices = 8;
  rig.record->trans = 0.0f;
  rig.record->randTrans = 12.0f;  // up to an octave either way
  dspRandomState = 4242u;
  rig.startNote(0, 69);
  const double base = rig.state()->incA;
  for (int k = 0; k < 8; ++k) {
    const double r = rig.state()->unisonRandom[k];
    EXPECT_GE(r, 0.0);
    EXPECT_LE(r, 1.0);
    EXPECT_NEAR(rig.state()->unisonIncA[k], base * std::pow(2.0, 2.0 * r - 1.0), 1e-3 * base);
  }
}

TEST(OscVoiceStart, RebuildForWaveTouchesOnlyChannelsUsingIt) {
  OscRig rig;
  rig.record->bandLimited = 1;
  rig.record->waveA = 2;
  for (auto& level : rig.engine->wavetables[0].waveA) level[100] = 42.0f;
  for (auto& level : rig.engine->wavetables[1].waveA) level[100] = 42.0f;
  oscRebuildForWave(rig.engine, -1, 3);  // a wave nobody uses
  EXPECT_EQ(rig.engine->wavetables[0].waveA[0][100], 42.0f);
  oscRebuildForWave(rig.engine, -1, 2);
  for (auto& level : rig.engine->wavetables[0].waveA) EXPECT_NE(level[100], 42.0f);
  EXPECT_EQ(rig.engine->wavetables[1].waveA[0][100], 42.0f);  // channel 1 is off
  // The table chosen for an increment: the plain wave up to 1.0, then the levels.
  EXPECT_EQ(oscPickTable(rig.engine, rig.record, 1.0f, 2, 0), waveGet(rig.engine, 2)->samples);
  EXPECT_EQ(oscPickTable(rig.engine, rig.record, 2.0f, 2, 0), rig.engine->wavetables[0].waveA[0]);
  EXPECT_EQ(oscPickTable(rig.engine, rig.record, 128.5f, 2, 1), rig.engine->wavetables[0].waveB[7]);
}
