// Engine configuration (sample rate and its factors, block lengths) and the tempo clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "engine/freqTable.h"
#include "modules/allpassTable.h"

namespace {

struct ConfigFixture : ::testing::Test {
  void SetUp() override { engineCfgInitDefaults(); }
  void TearDown() override { engineCfgInitDefaults(); }
};

TEST_F(ConfigFixture, DefaultsAtReferenceRate) {
  EXPECT_EQ(engineConfig.block, 128);
  EXPECT_EQ(engineConfig.maxBlock, 256);
  EXPECT_FLOAT_EQ(engineConfig.blockSeconds, 128.0f / 44100.0f);
  EXPECT_EQ(engineSampleRate(), 44100.0f);
  EXPECT_EQ(engineRateFactor(), 1.0f);
  EXPECT_EQ(engineRateRatio(), 1.0f);
  EXPECT_NEAR(rateIndexOffset(), 0.0f, 1e-5);
}

TEST_F(ConfigFixture, RateFactorsTable) {
  struct Case {
    float rate;
    double incScale;
    double timeScale;
    double offset;
  };
  const Case cases[] = {
      {48000.0f, 0.91875, 1.08844, 4.89},
      {22050.0f, 2.0, 0.5, -40.0},
      {96000.0f, 0.459375, 2.17687, 44.89},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(engineCfgSetRate(c.rate));
    EXPECT_NEAR(engineRateFactor(), c.incScale, 1e-5) << c.rate;  // 44,100 / rate: increments
    EXPECT_NEAR(engineRateRatio(), c.timeScale, 1e-5) << c.rate;  // rate / 44,100: stored times
    EXPECT_NEAR(rateIndexOffset(), c.offset, 0.01) << c.rate;
    // The allpass table follows the rate: entry 0 = tan(20 x pi / (2 rate)) - 1.
    EXPECT_NEAR(allpassTable[0], std::tan(20.0 * 0.5 * 3.14159265359 / c.rate) - 1.0, 1e-6);
  }
}

TEST_F(ConfigFixture, RateOfZeroOrBelowIsRefused) {
  ASSERT_TRUE(engineCfgSetRate(48000.0f));
  for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    EXPECT_FALSE(engineCfgSetRate(bad));
    EXPECT_EQ(engineSampleRate(), 48000.0f);
    EXPECT_NEAR(engineRateFactor(), 0.91875, 1e-6);
  }
}

TEST_F(ConfigFixture, BlockLengths) {
  engineCfgSetMaxBlock(64);
  EXPECT_EQ(engineConfig.maxBlock, 64);
  EXPECT_EQ(engineConfig.block, 64);  // lowered with the maximum
  engineCfgSetBlock(100);
  EXPECT_EQ(engineConfig.block, 64);
  engineCfgSetMaxBlock(0);  // ignored
  EXPECT_EQ(engineConfig.maxBlock, 64);
  engineCfgSetMaxBlock(70000);  // above 65,535: no bound
  EXPECT_EQ(engineConfig.maxBlock, -1);
  EXPECT_EQ(engineConfig.block, 64);
  engineCfgSetBlock(128);
  EXPECT_EQ(engineConfig.block, 128);
  EXPECT_FLOAT_EQ(engineConfig.blockSeconds, 128.0f / 44100.0f);
}

TEST_F(ConfigFixture, TempoClockAt90Bpm) {
  Engine* engine = engineCreate();
  ASSERT_NE(engine, nullptr);
  engineCfgSetFlag(1);
  EXPECT_DOUBLE_EQ(tempoGetBpm(engine), 120.0);
  EXPECT_DOUBLE_EQ(tempoGetSamplesPerBeat(engine), 22050.0);
  tempoSetBpm(engine, 90.0);
  engineRender(engine, 128);  // paused: the clock still advances
  EXPECT_DOUBLE_EQ(tempoGetSamplesPerBeat(engine), 29400.0);
  EXPECT_NEAR(tempoGetSecondsPerBeat(engine), 0.6667, 1e-4);
  EXPECT_DOUBLE_EQ(tempoGetRatio(engine), 1.0);
  EXPECT_DOUBLE_EQ(engine->header.tempo.position, 128.0);
  // At 48 kHz a beat is longer in samples, not in seconds.
  engineCfgSetRate(48000.0f);
  engineRender(engine, 128);
  EXPECT_DOUBLE_EQ(tempoGetSamplesPerBeat(engine), 32000.0);
  // Limits of the preset tempo; a running tempo of (almost) 0 counts as 120 BPM for the beat lengths.
  tempoSetBpm(engine, 5000.0);
  EXPECT_DOUBLE_EQ(tempoGetBpm(engine), 1000.0);
  tempoSetBpm(engine, 0.0);
  EXPECT_DOUBLE_EQ(tempoGetBpm(engine), 0.01);
  engineCfgSetFlag(0);
  engine->header.tempo.runningTempo = 0.0f;
  engineRender(engine, 128);
  EXPECT_DOUBLE_EQ(tempoGetSecondsPerBeat(engine), 0.5);
  EXPECT_TRUE(std::isfinite(tempoGetRatio(engine)));
  engineCfgSetFlag(1);
  engineDestroy(engine);
}

TEST(FreqTable, IndexAndLookups) {
  engineCfgInitDefaults();
  EXPECT_DOUBLE_EQ(dspFreqToTableIndex(20.0), 0.0);
  EXPECT_NEAR(dspFreqToTableIndex(40.0), 48.0, 1e-9);
  EXPECT_DOUBLE_EQ(dspFreqToTableIndex(10.0), 0.0);
  EXPECT_DOUBLE_EQ(dspFreqToTableIndex(30000.0), 479.0);
  EXPECT_DOUBLE_EQ(dspFreqToTableIndex(0.0), 0.0);
  EXPECT_NEAR(dspTableLookupLerp(10.5f), 0.5 * (allpassTable[10] + allpassTable[11]), 1e-7);
  EXPECT_EQ(dspTableLookup(10.9f), allpassTable[10]);
  EXPECT_EQ(dspTableLookup(479.0f), allpassTable[479]);
  EXPECT_EQ(dspTableLookupLerp(600.0f), allpassTable[479]);  // never past the last entry
  EXPECT_EQ(dspTableLookup(-3.0f), allpassTable[0]);
  // Reference values of the table at 44.1 kHz.
  EXPECT_NEAR(allpassTable[0], -0.99929, 1e-5);
  EXPECT_NEAR(allpassTable[240], -0.97720, 1e-5);
  EXPECT_NEAR(allpassTable[479], -0.12467, 1e-5);
}

}  // namespace
