// The pages' accessors of the channel oscillators on a real engine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "oscillators/oscHalfband.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"

namespace {

struct OscParams : EngineFixture {
  ChannelOscRecord* live(int c) { return engineGetChannel(engine, static_cast<std::int16_t>(c)); }
};

TEST_F(OscParams, PhasesWrapIntoTheTable) {
  oscSetPhaseA(engine, 0, 1.25f);
  oscSetPhaseB(engine, 0, -0.25f);
  EXPECT_FLOAT_EQ(live(0)->phaseA, 256.0f);
  EXPECT_FLOAT_EQ(live(0)->phaseB, 768.0f);
  EXPECT_DOUBLE_EQ(oscGetPhaseA(engine, 0), 0.25);
  EXPECT_DOUBLE_EQ(oscGetPhaseB(engine, 0), 0.75);
  oscSetPhaseA(engine, 0, 1e30f);  // any float lands inside 0..1024
  EXPECT_GE(live(0)->phaseA, 0.0f);
  EXPECT_LT(live(0)->phaseA, 1024.0f);
}

TEST_F(OscParams, RangesOfTheLiveSetters) {
  live(1)->numVoices = 3;
  oscSetNumVoices(engine, 1, 0);
  oscSetNumVoices(engine, 1, 9);
  EXPECT_EQ(oscGetNumVoices(engine, 1), 3);
  oscSetTrans(engine, 1, 60.0);
  EXPECT_FLOAT_EQ(live(1)->trans, 48.0f);
  EXPECT_FLOAT_EQ(live(1)->transRatio, 16.0f);
  oscSetRandTrans(engine, 1, -5.0);
  EXPECT_EQ(oscGetRandTrans(engine, 1), 0.0);
  oscSetType(engine, 1, 8);
  EXPECT_EQ(oscGetType(engine, 1), 0);
  oscSetType(engine, 1, oscTypeAudioIn);
  EXPECT_EQ(oscGetType(engine, 1), oscTypeAudioIn);
}

TEST_F(OscParams, PitchByFrequencyMode) {
  oscSetFreqMode(engine, 2, oscFreqNote);
  oscSetPitch(engine, 2, 69.0f);
  EXPECT_NEAR(live(2)->pitchInc, 10.21678f, 1e-4);
  EXPECT_NEAR(oscGetPitch(engine, 2), 69.0, 1e-3);
  oscSetFreqMode(engine, 2, 7);  // unchanged
  EXPECT_EQ(oscGetFreqMode(engine, 2), oscFreqNote);
  oscSetFreqModeB(engine, 2, oscFreqTrans);
  oscSetPitchB(engine, 2, 12.0f);
  EXPECT_NEAR(live(2)->pitchRatioB, 2.0f, 1e-6);
  EXPECT_NEAR(oscGetPitchB(engine, 2), 12.0, 1e-4);
}

TEST_F(OscParams, BalanceGoesToTheTypeThatHasOne) {
  ChannelOscRecord before = *live(0);
  oscSetBalance(engine, 0, 0.3f);  // "Single": nothing stored
  EXPECT_EQ(live(0)->balanceDouble, before.balanceDouble);
  EXPECT_EQ(live(0)->balanceRingmod, before.balanceRingmod);
  oscSetType(engine, 0, oscTypeDouble);
  oscSetBalance(engine, 0, 2.0f);
  EXPECT_EQ(live(0)->balanceDouble, 1.0f);
  oscSetType(engine, 0, oscTypeRingmod);
  oscSetBalance(engine, 0, -1.0f);
  EXPECT_EQ(live(0)->balanceRingmod, 0.0f);
}

TEST_F(OscParams, LevelGainAndFmIndex) {
  oscSetLevel(engine, 0, 1e-30f);
  EXPECT_EQ(oscGetLevel(engine, 0), 0.0f);
  oscSetInputGain(engine, 0, 9.0f);
  EXPECT_EQ(live(0)->inputGain, 4.0f);
  oscSetFmIndex(engine, 0, 2.0f);
  EXPECT_NEAR(oscGetFmIndex(engine, 0), 2.0, 1e-5);
}

TEST_F(OscParams, AudioInputSelectors) {
  struct Case {
    std::int16_t selector, input;
    bool stored;
  };
  for (Case c : {Case{0, -1, true}, Case{1, 5, true}, Case{2, 0, true}, Case{0, 6, false}, Case{3, 1, false},
                 Case{1, -2, false}}) {
    ChannelOscRecord before = *live(0);
    oscSetAudioInput(engine, 0, c.selector, c.input);
    if (c.stored)
      EXPECT_EQ(live(0)->inputs[c.selector], c.input);
    else
      EXPECT_EQ(std::memcmp(before.inputs, live(0)->inputs, sizeof before.inputs), 0);
  }
}

TEST_F(OscParams, MissingChannelGivesDefaults) {
  oscSetLevel(engine, 7, 0.5f);
  EXPECT_EQ(oscGetLevel(engine, 7), 0.0f);
  EXPECT_EQ(oscGetPhaseReset(engine, -1), 1);
  EXPECT_EQ(oscGetPitch(nullptr, 0), 1.0);
  EXPECT_EQ(oscGetNumVoices(nullptr, 0), 1);
}

TEST_F(OscParams, SwitchingOnABandLimitedOscillatorBuildsItsTables) {
  oscSetWaveA(engine, 1, 1);
  oscSetWaveB(engine, 1, 2);
  std::memset(&engine->wavetables[1], 0, sizeof engine->wavetables[1]);
  oscSetBandLimited(engine, 1, 1);
  oscSetOn(engine, 1, 1);
  float expect[1024];
  for (int k : {0, 7}) {
    oscBuildBandLimitedTable(k, expect, waveGet(engine, 1)->samples);
    EXPECT_EQ(std::memcmp(expect, engine->wavetables[1].waveA[k], sizeof expect), 0) << k;
    oscBuildBandLimitedTable(k, expect, waveGet(engine, 2)->samples);
    EXPECT_EQ(std::memcmp(expect, engine->wavetables[1].waveB[k], sizeof expect), 0) << k;
  }
}

TEST_F(OscParams, CopyKeepsWhatTheRecordCarries) {
  ChannelOscRecord src;
  oscInitRecord(nullptr, &src, 0);
  src.type = oscTypeGranular;
  src.level = 0.5f;
  src.transRatio = 3.0f;
  src.inputs[2] = 4;
  src.iterations = 6;
  src.subRecord.count = 7;
  std::strcpy(src.sampleInfo.name, "loop.wav");
  src.sampleInfo.loopMode = 2;
  ChannelOscRecord dst;
  oscInitRecord(nullptr, &dst, 0);
  oscCopyRecord(engine, &src, &dst, 2, 0);
  EXPECT_EQ(dst.channel, 2);
  EXPECT_EQ(dst.subRecord.channel, 2);
  EXPECT_EQ(dst.subRecord.count, 7);
  EXPECT_FLOAT_EQ(dst.level, 0.5f);
  EXPECT_EQ(dst.transRatio, 0.0f);  // not copied
  EXPECT_EQ(dst.inputs[2], 0);      // not copied
  EXPECT_EQ(dst.iterations, 6);
  EXPECT_STREQ(dst.sampleInfo.name, "loop.wav");
  EXPECT_EQ(dst.sampleInfo.loopMode, 2);
  // With set-up the engine channel takes the source's type.
  oscCopyRecord(engine, &src, live(0), 0, 1);
  EXPECT_EQ(oscGetType(engine, 0), oscTypeGranular);
  oscCopyRecord(engine, &src, &dst, 4, 0);  // no such channel: nothing
  EXPECT_EQ(dst.channel, 2);
}

}  // namespace

namespace {

TEST_F(OscParams, RelinkFollowsTheFirstOtherChannelThatIsOn) {
  live(0)->on = 1;
  live(2)->on = 1;
  const int poly = patchGetPolyphony(engine);
  for (int v = 0; v < poly; ++v) {
    engineGetOscVoiceState(engine, 0, static_cast<std::int16_t>(v))->phaseA = 10.0f + v;
    engineGetOscVoiceState(engine, 0, static_cast<std::int16_t>(v))->phaseB = 20.0f + v;
    engineGetOscVoiceState(engine, 2, static_cast<std::int16_t>(v))->gain = 0.7f;
  }
  oscSetOn(engine, 1, 1);
  oscRelinkVoices(engine, 1);
  for (int v = 0; v < poly; ++v) {
    EXPECT_EQ(engineGetOscVoiceState(engine, 1, static_cast<std::int16_t>(v))->phaseA, 10.0f + v);
    EXPECT_EQ(engineGetOscVoiceState(engine, 1, static_cast<std::int16_t>(v))->phaseB, 20.0f + v);
  }
  oscSetOn(engine, 2, 0);
  oscRelinkVoices(engine, 2);
  for (int v = 0; v < poly; ++v) EXPECT_EQ(engineGetOscVoiceState(engine, 2, static_cast<std::int16_t>(v))->gain, 0.0f);
}

}  // namespace
