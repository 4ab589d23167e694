// Pan law and level tables: the fade tables' ends and centre, the pan curve and its knee, the voice
// pan gains with hostile header values, and the level entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/panLevelRuntime.h"

namespace {

struct PanFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    engineLevelDefaults(engine);
  }
  PanEntry& entry(int c, int v) { return engine->panEntries[c][v]; }
};

TEST_F(PanFixture, FadeTablesEndsAndCentre) {
  const ChannelLevelBlock& b = engine->levels;
  EXPECT_FLOAT_EQ(b.fadeOut[0], 0.999f);
  EXPECT_FLOAT_EQ(b.fadeIn[1023], 0.999f);
  EXPECT_FLOAT_EQ(b.fadeOut[1023], 0.0001f);
  EXPECT_GT(b.fadeIn[0], 0.0f);  // the computed value, not the patched one
  EXPECT_LT(b.fadeIn[0], 0.01f);
  EXPECT_NEAR(b.centreOut, std::sqrt(0.5), 1e-6);
  EXPECT_NEAR(b.centreIn, b.fadeIn[512], 0.0f);
  for (int i = 0; i < 1024; ++i) {
    ASSERT_EQ(panFadeOutTable()[i], b.fadeOut[i]);
    ASSERT_NEAR(b.fadeOut[i] * b.fadeOut[i] + b.fadeIn[i] * b.fadeIn[i], 1.0, 0.003) << i;  // equal power
  }
  EXPECT_EQ(b.knee, 512);
  EXPECT_FLOAT_EQ(b.panCurve[64], 0.5f);
}

TEST_F(PanFixture, VoicePanEndsAndCentre) {
  const struct {
    float pan;
    float out, in, tolerance;
  } cases[] = {
      {0.5f, 0.7071f, 0.7071f, 0.003f},
      {0.0f, 0.999f, 0.0015f, 0.0005f},
      {1.0f, 0.0001f, 0.999f, 1e-6f},
      // Hostile header values are limited, never wrapped round or read before the table.
      {1.7f, 0.0001f, 0.999f, 1e-6f},
      {-3.0f, 0.999f, 0.0015f, 0.0005f},
      {NAN, 0.7071f, 0.7071f, 0.003f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pan);
    engine->header.channelPan[1] = c.pan;
    entry(1, 9) = PanEntry{0.0f, 0.0f, 0.0f, 0.0f};
    engineSetVoicePan(engine, 1, 9);
    EXPECT_NEAR(entry(1, 9).gainOut, c.out, c.tolerance);
    EXPECT_NEAR(entry(1, 9).gainIn, c.in, c.tolerance);
  }
}

TEST_F(PanFixture, AccumulatorsMoveThePan) {
  engine->header.channelPan[0] = 0.5f;
  entry(0, 3) = PanEntry{1.0f, 1.0f, 0, 0};  // r = 2: all the way up
  engineSetVoicePan(engine, 0, 3);
  EXPECT_NEAR(entry(0, 3).gainIn, 0.999f, 1e-6);
  entry(0, 3) = PanEntry{0.0f, 1.0f, 0, 0};  // r = 0: all the way down
  engineSetVoicePan(engine, 0, 3);
  EXPECT_NEAR(entry(0, 3).gainOut, 0.999f, 1e-6);
  entry(0, 3) = PanEntry{50.0f, 1.0f, 0, 0};  // far beyond: limited
  engineSetVoicePan(engine, 0, 3);
  EXPECT_NEAR(entry(0, 3).gainIn, 0.999f, 1e-6);
  engineSetVoicePan(engine, 3, 3);  // no such channel: nothing
  engineSetVoicePan(engine, 0, 64);
}

TEST_F(PanFixture, PanCurveKnee) {
  engineBuildPanCurve(engine, 1.0f);
  EXPECT_EQ(engine->levels.knee, 1023);
  engineBuildPanCurve(engine, -0.5f);
  EXPECT_EQ(engine->levels.knee, 0);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(engine->levels.panCurve[i], 0.0f);
  for (float value : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f}) {
    engineBuildPanCurve(engine, value);
    EXPECT_EQ(engine->levels.panCurve[0], 0.0f);
    EXPECT_LE(engine->levels.panCurve[127], 0.999f);
    EXPECT_NEAR(engine->levels.panCurve[64], std::min(engine->levels.knee / 1024.0, 0.999), 1e-6);
  }
  engineBuildPanCurve(engine, NAN);
  EXPECT_EQ(engine->levels.knee, 512);
}

TEST_F(PanFixture, ResetGainsAndLevelEntries) {
  PanEntry e{0.3f, 0.2f, 0.0f, 1.0f};
  engineResetPanGains(&e);
  EXPECT_NEAR(e.gainOut, 0.7071f, 0.002f);
  EXPECT_EQ(e.gainOut, e.gainIn);
  engineInitVoiceLevels(engine);
  const VoiceLevelEntry* v = engineGetVoiceLevelEntry(engine, 63);
  EXPECT_EQ(v->centreOut, engine->levels.centreOut);
  for (const float* s : v->sources) EXPECT_EQ(*s, 0.5f);
  EXPECT_DOUBLE_EQ(engineGetChannelPan(engine, 3), 0.0);
}

}  // namespace
