// The controller map: smoothed values converging to their targets, the position units, the copy
// between preset and engine, and the accessors' conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/panLevelRuntime.h"

namespace {

struct CcFixture : EngineFixture {
  ControllerSettings* cc = nullptr;
  void SetUp() override {
    EngineFixture::SetUp();
    engineLevelDefaults(engine);
    ccMapDefaults(&engine->controllers);
    cc = &engine->controllers;
    for (auto& v : engine->midi.controllers) v = 0;
    engine->midi.controllers[7] = 127;
    engine->midi.controllers[10] = 64;
  }
  void blocks(int n) {
    for (int i = 0; i < n; ++i) ccMapProcessBlock(engine);
  }
};

TEST_F(CcFixture, FullBendAtRange24ConvergesToFactorFour) {
  EXPECT_FLOAT_EQ(ccMapBendFactor(cc, 64), 1.0f);
  EXPECT_FLOAT_EQ(ccMapBendFactor(cc, 0), 0.25f);
  cc->bendFactor = ccMapBendFactor(cc, 127);
  EXPECT_FLOAT_EQ(cc->bendFactor, 4.0f);
  blocks(1);
  EXPECT_NEAR(cc->pitchFactor, 1.0 + 3.0 / 11.0, 1e-6);  // one smoothing step of 1/11
  blocks(300);
  EXPECT_NEAR(cc->pitchFactor, 4.0, 1e-4);
}

TEST_F(CcFixture, VolumeFollowsTheSquareOfController7) {
  blocks(5);
  EXPECT_FLOAT_EQ(cc->volume, 1.0f);  // 127 at start
  engine->midi.controllers[7] = 64;
  blocks(400);
  EXPECT_NEAR(cc->volume, (64.0 / 127.0) * (64.0 / 127.0), 1e-5);
  EXPECT_FLOAT_EQ(cc->volumeTarget, static_cast<float>((64.0 / 127.0) * (64.0 / 127.0)));
}

TEST_F(CcFixture, FilterOffsetAtBothEndsOfController1) {
  blocks(50);
  EXPECT_FLOAT_EQ(cc->filterOffset, 0.0f);  // depth 1.0 (0 %): no effect
  ccMapSetFilterDepth(engine, 100.0);
  EXPECT_FLOAT_EQ(cc->filterDepth, 0.0f);
  engine->midi.controllers[1] = 0;
  blocks(2000);
  EXPECT_FLOAT_EQ(cc->filterGain, 0.0f);
  EXPECT_FLOAT_EQ(cc->filterOffset, 480.0f);
  engine->midi.controllers[1] = 127;
  blocks(400);
  EXPECT_NEAR(cc->filterGain, 1.0f, 1e-5);
  EXPECT_NEAR(cc->filterOffset, 0.0f, 0.01);
  // Half depth, mid controller: gain 0.5^(1 - 64/127), offset 40 steps per octave below 1.
  ccMapSetFilterDepth(engine, 50.0);
  engine->midi.controllers[1] = 64;
  blocks(400);
  const double gain = std::pow(0.5, 1.0 - 64.0 / 127.0);
  EXPECT_NEAR(cc->filterGain, gain, 1e-5);
  EXPECT_NEAR(cc->filterOffset, 57.707802 * std::log(1.0 / gain), 0.01);
}

TEST_F(CcFixture, OscillatorLevelDrivesTheSwitchedChannelsFmFactor) {
  ccMapSetOscLevelDepth(engine, 100.0);
  engine->midi.controllers[1] = 0;
  blocks(2000);
  EXPECT_FLOAT_EQ(ccMapFmFactor(engine, 0), 0.0f);
  ccMapSetChannelFlag(engine, 1, 0);
  EXPECT_FLOAT_EQ(ccMapFmFactor(engine, 1), 1.0f);  // switch off
  EXPECT_FLOAT_EQ(ccMapFmFactor(engine, 5), 1.0f);
}

TEST_F(CcFixture, PositionsStartAndStayAtTheCentreOfThePanCurve) {
  EXPECT_FLOAT_EQ(cc->positionLr, 0.5f);
  EXPECT_FLOAT_EQ(cc->positionFb, 0.5f);
  engine->midi.controllers[11] = 64;
  for (int b = 0; b < 100; ++b) {
    ccMapProcessBlock(engine);
    ASSERT_FLOAT_EQ(cc->positionLr, 0.5f);
    ASSERT_FLOAT_EQ(cc->positionFb, 0.5f);
  }
  engine->midi.controllers[10] = 127;
  blocks(400);
  EXPECT_NEAR(cc->positionLr, engine->levels.panCurve[127], 1e-5);
  ccMapSetPositionWidth(engine, 0.0);  // width 0: index stays 64
  blocks(400);
  EXPECT_NEAR(cc->positionLr, 0.5f, 1e-5);
}

TEST_F(CcFixture, SmoothingTimeZeroJumpsInOneBlock) {
  ccMapSetVolumeSmoothing(engine, 0.0);
  EXPECT_FLOAT_EQ(cc->volumeSmoothing, 1.0f);
  engine->midi.controllers[7] = 0;
  blocks(1);
  EXPECT_FLOAT_EQ(cc->volume, 0.0f);
}

TEST_F(CcFixture, SmoothingGetterIsTheSettersInverse) {
  EXPECT_NEAR(ccMapGetBendSmoothing(engine), 10.0, 1e-5);  // default 1/11
  typedef void (*Set)(Engine*, double);
  typedef double (*Get)(Engine*);
  const struct {
    Set set;
    Get get;
  } pairs[] = {
      {ccMapSetBendSmoothing, ccMapGetBendSmoothing},         {ccMapSetPositionSmoothing, ccMapGetPositionSmoothing},
      {ccMapSetVolumeSmoothing, ccMapGetVolumeSmoothing},     {ccMapSetFilterSmoothing, ccMapGetFilterSmoothing},
      {ccMapSetOscLevelSmoothing, ccMapGetOscLevelSmoothing}, {ccMapSetEffectSmoothing, ccMapGetEffectSmoothing}};
  for (const auto& p : pairs)
    for (double t : {0.0, 0.5, 10.0, 25.0, 99.0}) {
      p.set(engine, t);
      const double shown = p.get(engine);
      EXPECT_NEAR(shown, t, 1e-4 * (t + 1));
      p.set(engine, shown);  // entering the shown value again changes nothing
      EXPECT_NEAR(p.get(engine), shown, 1e-4 * (t + 1));
    }
  ccMapSetFilterSmoothing(engine, -3.0);  // below 0 acts as 0
  EXPECT_FLOAT_EQ(cc->filterSmoothing, 1.0f);
}

TEST_F(CcFixture, DisplayConversionsAndLimits) {
  ccMapSetPitchBendRange(engine, 100.0);
  EXPECT_DOUBLE_EQ(ccMapGetPitchBendRangeF(engine), 72.0);
  ccMapSetPositionWidth(engine, 150.0);
  EXPECT_DOUBLE_EQ(ccMapGetPositionWidth(engine), 100.0);
  ccMapSetEffectDepth(engine, 30.0);
  EXPECT_NEAR(ccMapGetEffectDepth(engine), 30.0, 1e-4);
  ccMapSetOscLevelDepth(engine, 25.0);
  EXPECT_NEAR(cc->oscLevelDepth, 0.75f, 1e-7);
  EXPECT_NEAR(ccMapGetOscLevelDepth(engine), 25.0, 1e-4);
  ccMapSetCoefficientTime(engine, 0, 0.5);  // below 1: no glide
  EXPECT_FLOAT_EQ(ccMapGetCoefficient(engine, 0), 1.0f);
  EXPECT_DOUBLE_EQ(ccMapGetCoefficientTime(engine, 0), 0.0);
  ccMapSetCoefficientTime(engine, 0, 9.0);
  EXPECT_FLOAT_EQ(ccMapGetCoefficient(engine, 0), 0.1f);
  EXPECT_NEAR(ccMapGetCoefficientTime(engine, 0), 9.0, 1e-5);
  ccMapSetControllerNumber(engine, 7, 128);
  EXPECT_EQ(ccMapGetControllerNumber(engine, 7), 128);
  ccMapSetControllerNumber(engine, 7, 129);  // ignored
  ccMapSetControllerNumber(engine, 1, 5);    // no such control
  EXPECT_EQ(ccMapGetControllerNumber(engine, 7), 128);
  EXPECT_EQ(ccMapGetControllerNumber(engine, 1), 0);
  ccMapSetGlideMode(engine, 3);
  EXPECT_EQ(ccMapGetGlideMode(engine), 2);
  ccMapSetGlideMode(engine, 0);
  EXPECT_EQ(ccMapGetGlideMode(engine), 0);
  ccMapSetFilterSwitch(engine, 3, 0);
  EXPECT_EQ(ccMapGetFilterSwitch(engine, 3), 0);
  EXPECT_EQ(ccMapGetFilterSwitch(engine, 4), 0);
}

TEST(CcMapCopy, RunningValuesTakeTheirTargetsAndFrontBackTheSources) {
  ControllerSettings preset, live;
  ccMapDefaults(&preset);
  ccMapDefaults(&live);
  preset.bendRange = 12.0f;
  preset.positionFbSource = 3;
  preset.positionFbTarget = 0.25f;
  preset.glideMode = 1;
  live.volumeTarget = 0.3f;
  live.volume = 0.9f;
  live.bendFactor = 2.0f;
  live.filterGainTarget = 0.4f;
  live.sustainController = 99;
  ccMapCopy(nullptr, &preset, &live);
  EXPECT_FLOAT_EQ(live.bendRange, 12.0f);
  EXPECT_EQ(live.positionFbSource, 3);
  EXPECT_EQ(live.glideMode, 1);
  EXPECT_FLOAT_EQ(live.volume, 0.3f);
  EXPECT_FLOAT_EQ(live.pitchFactor, 2.0f);
  EXPECT_FLOAT_EQ(live.filterSpare, 0.4f);
  EXPECT_FLOAT_EQ(live.positionFb, 0.25f);
  EXPECT_EQ(live.sustainController, 99);
}

TEST(MidiSourceValue, PointersAndClampedValues) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  ASSERT_NE(engine, nullptr);
  engine->midi.controllers[20] = 99;
  engine->midi.channelPressure = 33;
  engine->midi.pitchBend = 128;
  EXPECT_EQ(*midiSourceValuePtr(engine, 20), 99);
  EXPECT_EQ(*midiSourceValuePtr(engine, -1), 33);
  EXPECT_EQ(*midiSourceValuePtr(engine, 500), 0);
  EXPECT_EQ(ccMapSourceValue(engine, 128), 127);
  EXPECT_EQ(ccMapSourceValue(engine, -7), 0);
  engineDestroy(engine);
}

}  // namespace
