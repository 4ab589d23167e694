// Note curves: lookup by family and slot, flat defaults, the in-use test, the copies between preset
// and engine with their clamping, and the level of a single note.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/noteCurveRuntime.h"

namespace {

struct CurveFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    noteCurvesInitEngine(engine);
  }
};

TEST(NoteCurveIsValid, FamiliesAndSlots) {
  const struct {
    std::uint32_t family, slot;
    bool valid;
  } cases[] = {{1, 0, true}, {1, 2, true},  {1, 3, false}, {2, 2, true}, {2, 3, false},
               {3, 3, true}, {3, 4, false}, {0, 0, false}, {4, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(noteCurveIsValid(c.family, c.slot), c.valid) << c.family << "," << c.slot;
}

TEST_F(CurveFixture, FlatAfterInitAndTheInUseThreshold) {
  EXPECT_EQ(noteCurvesCountUsed(engine), 0);
  float* t = noteCurveGetTable(engine, 2, 1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(noteCurveGet(engine, 2, 1)->family, 2u);
  EXPECT_EQ(noteCurveGet(engine, 2, 1)->slot, 1u);
  t[60] = 0.99999995f;
  EXPECT_EQ(noteCurvesCountUsed(engine), 0);
  t[60] = 0.9999f;
  EXPECT_EQ(noteCurvesCountUsed(engine), 1);
  EXPECT_EQ(noteCurveGetTable(engine, 2, 3), nullptr);
  EXPECT_EQ(noteCurveGetTable(nullptr, 1, 0), nullptr);
}

TEST_F(CurveFixture, HalfAtNote60HalvesNote60Only) {
  NoteCurve preset;
  noteCurveInit(&preset, 1, 1);
  preset.values[60] = 0.5f;
  noteCurvesCopyToEngine(engine, &preset, 1);
  for (int n = 0; n < 128; ++n) EXPECT_FLOAT_EQ(noteCurveValue(engine, 1, 1, n), n == 60 ? 0.5f : 1.0f) << n;
  for (int n = 0; n < 128; ++n) EXPECT_FLOAT_EQ(noteCurveValue(engine, 1, 0, n), 1.0f);  // other curves flat
  EXPECT_FLOAT_EQ(noteCurveValue(engine, 1, 1, 128), 1.0f);
}

TEST_F(CurveFixture, CopyToEngineClampsAndSkipsInvalidPairs) {
  NoteCurve records[3];
  noteCurveInit(&records[0], 3, 3);
  records[0].values[0] = 1.5f;
  records[0].values[1] = -0.2f;
  records[0].values[2] = NAN;
  records[0].values[3] = 0.25f;
  noteCurveInit(&records[1], 2, 3);  // no such curve: ignored
  records[1].values[5] = 0.1f;
  noteCurveInit(&records[2], 0, 0);
  noteCurvesCopyToEngine(engine, records, 3);
  const float* master = noteCurveGetTable(engine, 3, 3);
  EXPECT_FLOAT_EQ(master[0], 1.0f);
  EXPECT_FLOAT_EQ(master[1], 0.0f);
  EXPECT_FLOAT_EQ(master[2], 1.0f);
  EXPECT_FLOAT_EQ(master[3], 0.25f);
  EXPECT_EQ(noteCurvesCountUsed(engine), 1);
}

TEST_F(CurveFixture, CopyFromEngineTakesCurvesInUseInOrder) {
  noteCurveGetTable(engine, 3, 0)[10] = 0.5f;
  noteCurveGetTable(engine, 1, 2)[20] = 0.25f;
  noteCurveGetTable(engine, 2, 0)[30] = 0.75f;
  ASSERT_EQ(noteCurvesCountUsed(engine), 3);
  std::vector<NoteCurve> out(3);
  noteCurvesCopyFromEngine(engine, out.data(), 3);
  EXPECT_EQ(out[0].family, 1u);
  EXPECT_EQ(out[0].slot, 2u);
  EXPECT_EQ(out[1].family, 2u);
  EXPECT_EQ(out[2].family, 3u);
  EXPECT_FLOAT_EQ(out[2].values[10], 0.5f);
  std::vector<NoteCurve> two(2);  // a short array is filled up to its count
  noteCurvesCopyFromEngine(engine, two.data(), 2);
  EXPECT_EQ(two[1].family, 2u);
}

TEST(NoteCurveCopy, InvalidPairBecomesZeroAndValuesClamped) {
  NoteCurve s, t;
  noteCurveInit(&s, 2, 5);
  s.values[7] = 3.0f;
  noteCurveCopy(&s, &t);
  EXPECT_EQ(t.family, 0u);
  EXPECT_EQ(t.slot, 0u);
  EXPECT_FLOAT_EQ(t.values[7], 1.0f);
}

}  // namespace
