// Velocity settings: the response curve, the tables at their ends, the note-start lookup and the
// accessors the Midi page uses.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/velocityRuntime.h"

namespace {

struct VelocityFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    velocityDefaults(&engine->velocity);
    velocityBuildTables(engine);
  }
  VelocityEntry& entry(int i) { return engine->velocity.entries[i]; }
  const float* table(int i) { return engine->noteCurves.velocityTables[i].values; }
};

TEST(VelocityCurve, RisesSmoothlyThroughItsPoints) {
  const float* c = velocityCurveTable();
  EXPECT_FLOAT_EQ(c[0], 0.0f);
  EXPECT_NEAR(c[1], 0.00033f, 1e-7);
  EXPECT_NEAR(c[66], 0.502f, 1e-6);
  EXPECT_NEAR(c[126], 0.99f, 1e-6);
  EXPECT_FLOAT_EQ(c[127], 1.0f);
  for (int v = 1; v < 128; ++v) EXPECT_GT(c[v], c[v - 1]) << v;
  // Smooth: no step much larger than its neighbours.
  for (int v = 2; v < 127; ++v) EXPECT_LT(std::fabs((c[v + 1] - c[v]) - (c[v] - c[v - 1])), 0.002f) << v;
}

TEST_F(VelocityFixture, DefaultsAreNeutralAtEveryVelocity) {
  for (int i = 0; i < 10; ++i) {
    for (int v = 0; v < 128; ++v) ASSERT_FLOAT_EQ(table(i)[v], 1.0f);
    EXPECT_EQ(entry(i).family, i < 3 ? 1u : (i < 6 ? 2u : 3u));
    EXPECT_EQ(entry(i).value, 1.0f);
  }
  EXPECT_DOUBLE_EQ(velocityGetAmountB(engine, 2, 1), 0.0);
  EXPECT_EQ(velocityIsOn(engine, 3, 3), 1);
}

TEST_F(VelocityFixture, TableEndsFollowBaseAndDirection) {
  // clang-format off
  const struct { int i; float base; std::uint32_t dir; float at0, at127; } cases[] = {
      {0, 0.0f, 1, 0.0f, 1.0f},    // family 1, full response
      {4, 0.0f, 0, 1.0f, 0.0f},    // family 2, mirrored
      {2, 0.25f, 1, 0.25f, 1.0f},
      {7, 0.5f, 1, 0.5f, 1.0f},    // family 3: base^(1 - curve)
      {9, 0.5f, 0, 1.0f, 0.5f},
      {1, 1.0f, 0, 1.0f, 1.0f},    // base 1: no effect in either direction
      {5, 1.7f, 1, 1.0f, 1.0f},    // a base above 1 acts as 1
      {3, -0.5f, 1, 0.0f, 1.0f},   // below 0 as 0
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.i);
    entry(c.i).base = c.base;
    entry(c.i).direction = c.dir;
    velocityBuildTables(engine);
    EXPECT_NEAR(table(c.i)[0], c.at0, 1e-6);
    EXPECT_NEAR(table(c.i)[127], c.at127, 1e-6);
  }
  // Full response equals the curve itself.
  for (int v = 0; v < 128; ++v) EXPECT_FLOAT_EQ(table(0)[v], velocityCurveTable()[v]);
}

TEST_F(VelocityFixture, NoteStartStoresEachTargetsValue) {
  entry(0).base = 0.0f;
  entry(8).base = 0.5f;
  velocityBuildTables(engine);
  velocityNoteStart(engine, 127);
  EXPECT_DOUBLE_EQ(velocityGetAmount(engine, 1, 0), 1.0);
  velocityNoteStart(engine, 0);
  EXPECT_DOUBLE_EQ(velocityGetAmount(engine, 1, 0), 0.0);
  EXPECT_NEAR(velocityGetAmount(engine, 3, 2), 0.5, 1e-6);
  velocityNoteStart(engine, 300);  // clamped to 127
  EXPECT_DOUBLE_EQ(velocityGetAmount(engine, 1, 0), 1.0);
  velocityNoteStart(engine, 66);
  EXPECT_NEAR(velocityGetAmount(engine, 1, 0), 0.502, 1e-6);
  EXPECT_DOUBLE_EQ(velocityGetAmount(engine, 1, 3), 1.0);  // no such entry
  EXPECT_DOUBLE_EQ(velocityGetAmount(engine, 4, 0), 1.0);
}

TEST_F(VelocityFixture, PageSettersGoThroughTheEditBlockAndRebuildTheirTable) {
  velocitySetAmountB(engine, 3, 3, 100.0f);  // clamped to 99.999
  EXPECT_NEAR(entry(9).base, 0.00001f, 1e-6);
  EXPECT_NEAR(velocityGetAmountB(engine, 3, 3), 99.999, 1e-3);
  EXPECT_NEAR(table(9)[0], 0.00001f, 1e-6);
  EXPECT_NEAR(table(9)[127], 1.0f, 1e-6);
  velocitySetOn(engine, 3, 3, 0);
  EXPECT_EQ(velocityIsOn(engine, 3, 3), 0);
  EXPECT_FALSE(velocityIsRising(engine, 3, 3));
  EXPECT_NEAR(table(9)[0], 1.0f, 1e-6);     // mirrored
  velocitySetAmountB(engine, 1, 0, -5.0f);  // clamped to 0: no effect
  EXPECT_FLOAT_EQ(entry(0).base, 1.0f);
  velocitySetOn(engine, 1, 3, 0);  // no such entry: nothing
  EXPECT_EQ(velocityIsOn(engine, 1, 2), 1);
}

TEST(VelocityCopy, CopiesAndRebuildsOnRequest) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  ASSERT_NE(engine, nullptr);
  velocityDefaults(&engine->velocity);
  velocityBuildTables(engine);
  VelocitySettings preset;
  velocityDefaults(&preset);
  preset.entries[6].base = 0.0f;
  velocityCopy(engine, &preset, &engine->velocity, false);
  EXPECT_FLOAT_EQ(engine->noteCurves.velocityTables[6].values[0], 1.0f);  // not rebuilt yet
  velocityCopy(engine, &preset, &engine->velocity, true);
  EXPECT_FLOAT_EQ(engine->noteCurves.velocityTables[6].values[0], 0.0f);
  engineDestroy(engine);
}

}  // namespace
