// Control driven envelopes: the compiled shape and the per-block walk towards the MIDI source.
#include <cmath>

#include "envelopeRig.h"

namespace {

using EnvelopeControl = EnvelopeRig;

EnvelopeSlot oneSegment(double time, float level, float slope, std::uint32_t step = 0) {
  EnvelopeSlot s;
  envInitSlot(&s, 3, envDestOscVol);
  s.startLevel = 0.0f;
  s.lastIndex = 0;
  s.breakpoints[0].time = time;
  s.breakpoints[0].level = level;
  s.breakpoints[0].slope = slope;
  s.breakpoints[0].step = step;
  return s;
}

TEST(EnvelopeCompile, LinearSegmentGivesTheShapesLevels) {
  const EnvelopeSlot s = oneSegment(12800.0, 1.0f, 1.0f);
  EnvelopeRuntime r{};
  envCompile(&r, &s);
  // Step length 100 samples: step k stands at (k - 1) x 100 of the 12,800 (step 0 is the start level).
  EXPECT_EQ(r.level[0], 0.0f);
  EXPECT_EQ(r.stepBreakpoint[0], -1);
  for (int k = 1; k < 127; ++k) {
    EXPECT_NEAR(r.level[k], (k - 1) / 128.0, 1e-6) << k;
    EXPECT_EQ(r.stepBreakpoint[k], 0);
    EXPECT_EQ(r.coefficient[k], 0.03f) << "slope 1: (1 - 1) x q, cut to 0.03";
  }
  EXPECT_EQ(r.level[127], 1.0f);
  EXPECT_EQ(r.coefficient[127], 1.0f);
  EXPECT_EQ(r.coefficient[0], r.coefficient[1]);
}

TEST(EnvelopeCompile, TwoSegmentsAndTheLastStep) {
  EnvelopeSlot s = oneSegment(6400.0, 1.0f, 1.0f);
  s.lastIndex = 1;
  s.breakpoints[1] = Breakpoint{6400.0, 0.0f, 1.0f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  EnvelopeRuntime r{};
  envCompile(&r, &s);
  // 100-sample steps: up over steps 1..65 (step 65 takes the segment's end), down from step 66.
  struct Point {
    int k;
    float level;
    int breakpoint;
  };
  for (const Point p : {Point{33, 0.5f, 0}, Point{64, 6300 / 6400.0f, 0}, Point{65, 1.0f, 0}, Point{66, 1.0f, 1},
                        Point{98, 0.5f, 1}, Point{126, 1.0f - 6000 / 6400.0f, 1}}) {
    EXPECT_NEAR(r.level[p.k], p.level, 1e-6) << p.k;
    EXPECT_EQ(r.stepBreakpoint[p.k], p.breakpoint) << p.k;
  }
  EXPECT_EQ(r.stepBreakpoint[127], 1);
  EXPECT_EQ(r.level[127], 0.0f);
}

TEST(EnvelopeCompile, ZeroTimesAndStepsStayFinite) {
  struct Case {
    double time;
    std::uint32_t step;
    float slope;
  };
  for (const Case c : {Case{0.0, 0, 0.5f}, Case{0.0, 0, 0.0f}, Case{0.0, 1, 2.0f}, Case{50.0, 1, 0.5f}}) {
    EnvelopeSlot s = oneSegment(c.time, 0.8f, c.slope, c.step);
    s.lastIndex = 2;
    for (int i = 1; i <= 2; ++i) s.breakpoints[i] = Breakpoint{0.0, 0.4f, 0.5f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
    EnvelopeRuntime r{};
    envCompile(&r, &s);  // times sum to 0: compiled as 128 samples
    for (int k = 0; k < 128; ++k) {
      ASSERT_TRUE(std::isfinite(r.level[k])) << k;
      ASSERT_TRUE(r.coefficient[k] >= 0.03f && r.coefficient[k] <= 1.0f) << k;
      ASSERT_TRUE(r.stepBreakpoint[k] >= -1 && r.stepBreakpoint[k] <= 2) << k;
    }
    // A ramp of no length acts as a step to its level.
    if (c.time == 0.0 && !c.step) {
      EXPECT_FLOAT_EQ(r.level[1], 0.8f) << c.slope;
    }
  }
}

// Slot 3 on "oscil 1 vol" in mode 5, driven by controller 1, shaped as a straight rise 0..1.
std::int16_t controlSlot(EnvelopeRig& rig) {
  const std::int16_t s = envCreate(rig.engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(rig.engine, s);
  slot->startLevel = 0.0f;
  slot->lastIndex = 0;
  slot->breakpoints[0] = Breakpoint{12800.0, 1.0f, 1.0f, 0, 0, 0, 1, 1, 0.25, 0.123, 0.5f};
  envSetControlSource(rig.engine, s, 1);
  envSetMode(rig.engine, s, envModeControl);  // compiles the shape
  return s;
}

TEST_F(EnvelopeControl, FollowsTheControllerOneStepPerBlock) {
  const std::int16_t s = controlSlot(*this);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  ASSERT_NE(r, nullptr);
  EXPECT_NEAR(r->level[65], 64 / 128.0, 1e-6) << "compiled by envSetMode";
  engine->midi.controllers[1] = 64;
  noteOn(0);
  for (int b = 1; b <= 70; ++b) {
    block();
    EXPECT_EQ(r->index, b < 64 ? b : 64) << b;
    EXPECT_FLOAT_EQ(entry(0, 0, 31), r->voiceValue) << b;
  }
  // The output has been smoothed towards the level of step 64 (coefficient 0.03 per block).
  EXPECT_GT(r->value, 0.0f);
  EXPECT_LT(r->value, r->level[64]);
  EXPECT_DOUBLE_EQ(envSlot(engine, s)->displayPosition, 64 / 127.0);
  // Back down: one step per block again.
  engine->midi.controllers[1] = 60;
  block();
  EXPECT_EQ(r->index, 63);
}

TEST_F(EnvelopeControl, StepShapeJumpsInOneBlock) {
  const std::int16_t s = controlSlot(*this);
  envSetBpStepFlag(engine, s, 0, 1);
  envSetBpTime(engine, s, 0, 12800.0);  // recompiles
  envSlot(engine, s)->startLevel = 0.3f;
  envCompileSlot(engine, s);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  engine->midi.controllers[1] = 127;
  for (int b = 1; b <= 127; ++b) {
    envRunControlDriven(engine);
    EXPECT_NEAR(r->value, r->level[r->index], 1e-6) << b;
  }
  EXPECT_EQ(r->index, 127);
  EXPECT_FLOAT_EQ(r->value, 1.0f);
}

TEST_F(EnvelopeControl, BypassMakesTheVoiceValueNeutral) {
  const std::int16_t s = controlSlot(*this);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  engine->midi.controllers[1] = 127;
  for (int b = 0; b < 20; ++b) envRunControlDriven(engine);
  const float value = r->value;
  const std::int32_t index = r->index;
  envSetBypass(engine, s, 1);
  noteOn(0);
  for (int b = 0; b < 5; ++b) block();
  EXPECT_EQ(r->voiceValue, 1.0f);
  EXPECT_EQ(r->value, value);
  EXPECT_EQ(r->index, index);
  EXPECT_EQ(entry(0, 0, 31), 1.0f);
}

TEST_F(EnvelopeControl, RecompileKeepsThePosition) {
  const std::int16_t s = controlSlot(*this);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  engine->midi.controllers[1] = 40;
  for (int b = 0; b < 50; ++b) envRunControlDriven(engine);
  const EnvelopeRuntime before = *r;
  envSetBpLevel(engine, s, 0, 0.5);  // a setter recompiles a mode-5 slot
  EXPECT_EQ(r->index, before.index);
  EXPECT_EQ(r->value, before.value);
  EXPECT_NEAR(r->level[127], 0.5f, 1e-6);
}

TEST_F(EnvelopeControl, NoteOnMultipliesTheSmoothedValue) {
  const std::int16_t s = controlSlot(*this);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  engine->midi.controllers[1] = 127;
  for (int b = 0; b < 127; ++b) envRunControlDriven(engine);
  noteOn(1);
  EXPECT_FLOAT_EQ(entry(0, 1, 31), r->value);
}

}  // namespace

namespace {

TEST(EnvelopeRuntimeStore, LiveEnginesKeepTheirOwnRecords) {
  engineCfgInitDefaults();
  std::vector<Engine*> engines;
  for (int i = 0; i < 10; ++i) engines.push_back(engineCreate());
  for (Engine* e : engines) ASSERT_NE(e, nullptr);
  // The most recent engines each have records of their own; none is shared.
  for (size_t i = 2; i < engines.size(); ++i)
    for (size_t j = i + 1; j < engines.size(); ++j)
      EXPECT_NE(envRuntimeGet(engines[i], 3), envRuntimeGet(engines[j], 3));
  EXPECT_EQ(envRuntimeGet(engines.back(), 28), nullptr);
  // Whatever happened to the records of the oldest, driving them is safe.
  for (Engine* e : engines) {
    envSetDefaultsByDest(e, 3, 0, envDestOscVol);
    envSetMode(e, 3, envModeControl);
    envRunControlDriven(e);
    envApplySamplePosition(e, 0);
  }
  for (Engine* e : engines) engineDestroy(e);
}

}  // namespace
