// The filter module inside the engine: conversions, accessors, voice start, the walk over voices and
// lanes, hostile records and the comb buffer pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/engineFixture.h"
#include "engine/freqTable.h"
#include "filterTestSignals.h"
#include "modules/allpassPhaser.h"
#include "modules/filterCombPool.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/ladder.h"
#include "modules/onePole.h"
#include "modules/pitchIndex.h"
#include "support/signal.h"

namespace {

class FilterEngine : public EngineFixture {
 protected:
  Engine*& e = engine;
  std::vector<float> buffers[engineMaxVoices];
  std::vector<float> masters[engineMaxVoices];

  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    for (auto& unit : e->modMultipliers)
      for (auto& row : unit)
        for (float& m : row) m = 1.0f;
    for (VelocityEntry& v : e->velocity.entries) v.value = 1.0f;
    for (NoteCurve& c : e->noteCurves.curves)
      for (float& x : c.values) x = 1.0f;
  }
  // Channel c plays `voices` active voices of `lanes` lanes each; their buffers (and master buffers)
  // are this fixture's, filled with `fill`.
  void play(int c, int voices, int lanes, const std::vector<float>& fill) {
    e->polyphony = static_cast<std::uint16_t>(voices);
    e->header.polyphony = static_cast<std::uint16_t>(voices);
    e->channels[c]->on = 1;
    e->filters[c].on = 1;
    e->filters[3].on = 1;
    engineUpdateChannelFlags(e);
    engineSetVoiceBufferCount(e, static_cast<std::int16_t>(c), static_cast<std::int16_t>(lanes));
    engineSetVoiceBufferCount(e, 3, static_cast<std::int16_t>(lanes));
    for (int v = 0; v < voices; ++v) {
      e->voices[v].active = 1;
      buffers[v] = fill;
      masters[v] = fill;
      e->voiceBuffers[c][v] = buffers[v].data();
      e->masterBuffers[v] = masters[v].data();
    }
  }
};

}  // namespace

// ---- Conversions: both pitch-index scales, the comb delay and the record's frequency ----

struct ConversionRow {
  const char* name;
  double value;
  double expected;
  double tolerance;
};

class FilterConversions : public ::testing::TestWithParam<ConversionRow> {};

TEST_P(FilterConversions, MatchesTheTable) {
  const ConversionRow& r = GetParam();
  EXPECT_NEAR(r.value, r.expected, r.tolerance) << r.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterConversions,
    ::testing::Values(
        // Filter index: 40 steps per octave above 5 Hz.
        ConversionRow{"dspFreqToIndex(5 Hz)", dspFreqToIndex(5.0), 0.0, 0.0},
        ConversionRow{"dspFreqToIndex(10 Hz)", dspFreqToIndex(10.0), 40.0000003, 1e-6},
        ConversionRow{"dspFreqToIndex(1 Hz), below the range", dspFreqToIndex(1.0), 0.0, 0.0},
        ConversionRow{"dspFreqToIndex(0 Hz)", dspFreqToIndex(0.0), 0.0, 0.0},
        ConversionRow{"dspFreqToIndex(100 kHz), above the range", dspFreqToIndex(100000.0), 480.0, 0.0},
        ConversionRow{"dspFreqToIndex(NaN)", dspFreqToIndex(std::nan("")), 0.0, 0.0},
        ConversionRow{"dspIndexToFreq(-3)", dspIndexToFreq(-3.0), 5.0, 1e-12},
        ConversionRow{"dspIndexToFreq(346)", dspIndexToFreq(346.0), 2008.5, 0.1},
        ConversionRow{"dspIndexToFreq(600)", dspIndexToFreq(600.0), 20480.0, 1e-9},
        ConversionRow{"dspRatioToIndex(2)", dspRatioToIndex(2.0f), 40.0000003, 1e-6},
        ConversionRow{"dspRatioToIndex(0.5)", dspRatioToIndex(0.5f), 0.0, 0.0},
        // Comb delay in samples at 44.1 kHz.
        ConversionRow{"filterCombFreqToDelay(2 Hz)", filterCombFreqToDelay(2.0), 2046.0, 0.0},
        ConversionRow{"filterCombFreqToDelay(220 Hz)", filterCombFreqToDelay(220.0), 200.4545, 1e-4},
        ConversionRow{"filterCombFreqToDelay(44100 Hz)", filterCombFreqToDelay(44100.0), 1.0, 0.0},
        ConversionRow{"filterCombFreqToDelay(88200 Hz)", filterCombFreqToDelay(88200.0), 1.0, 0.0},
        // Allpass index: 48 steps per octave above 20 Hz.
        ConversionRow{"dspPowHelper(20 Hz)", dspPowHelper(20.0), 0.0, 1e-12},
        ConversionRow{"dspPowHelper(40 Hz)", dspPowHelper(40.0), 48.0, 1e-9},
        ConversionRow{"dspPowHelper(1000 Hz)", dspPowHelper(1000.0), 270.9, 0.05},
        ConversionRow{"dspPowHelper(30 kHz)", dspPowHelper(30000.0), 479.0, 0.0}),
    [](const ::testing::TestParamInfo<ConversionRow>& info) { return "row" + std::to_string(info.index); });

TEST_F(FilterEngine, FrequencyOfRecordsAsThePageShowsIt) {
  // A fresh record: "LPF 4 pole" at index 346.
  EXPECT_EQ(filterGetType(e, 0), filterLpf4Pole);
  EXPECT_NEAR(filterGetFrequency(e, 0), 5.0 * std::pow(2.0, 8.65), 1e-6);
  EXPECT_NEAR(filterGetFrequency(e, 0), 2008.5, 0.1);
  e->filters[1].type = filterComb;
  EXPECT_NEAR(filterGetFrequency(e, 1), 220.0, 1e-3);
  for (std::int16_t t : {0, 7, 8, -1}) {
    e->filters[2].type = t;
    EXPECT_EQ(filterGetFrequency(e, 2), 440.0) << t;
  }
  EXPECT_EQ(filterGetFrequency(nullptr, 0), 440.0);
}

TEST_F(FilterEngine, AllpassFrequencyRoundTrip) {
  filterSetType(e, 0, filterAllpass4);
  filterSetFrequency(e, 0, 1000.0);
  EXPECT_NEAR(e->filters[0].cutoff, std::log(50.0) * 48.0 / std::log(2.0), 1e-3);
  EXPECT_NEAR(e->filters[0].cutoff, 270.9, 0.05);
  EXPECT_NEAR(filterGetFrequency(e, 0), 1000.0, 0.01);
  // The same Hz on a filter-index type lands on the other scale.
  filterSetType(e, 1, filterLpf6dB);
  filterSetFrequency(e, 1, 1000.0);
  EXPECT_NEAR(e->filters[1].cutoff, dspFreqToIndex(1000.0), 1e-4);
  EXPECT_NEAR(filterGetFrequency(e, 1), 1000.0, 0.01);
}

// ---- Accessors ----

TEST_F(FilterEngine, ResonanceIsClampedOnSetAndLoad) {
  struct Case {
    double in;
    float stored;
  };
  for (const Case& c : {Case{0.5, 0.5f}, Case{5.0, 1.0f}, Case{-3.0, 0.0f}, Case{std::nan(""), 0.0f}}) {
    filterSetResonance(e, 0, c.in);
    EXPECT_EQ(e->filters[0].resonance, c.stored) << c.in;
    FilterRecord fromFile = e->filters[1];
    fromFile.resonance = static_cast<float>(c.in);
    filterCopyRecord(e, &fromFile, &e->filters[1], 1, 1);
    EXPECT_EQ(e->filters[1].resonance, c.stored) << c.in;
  }
  // Phaser feedback is held within -1..1 the same way.
  filterSetType(e, 2, filterAllpass2);
  filterSetResonance(e, 2, -7.0);
  EXPECT_EQ(e->filters[2].feedback, -1.0f);
  EXPECT_EQ(filterGetResonance(e, 2), -1.0);
}

TEST_F(FilterEngine, SetTypeStoresOnlyUsedCodes) {
  for (std::int16_t t : {0, 7, 8, 18, 19, -1, 32767}) {
    filterSetType(e, 0, t);
    EXPECT_EQ(filterGetType(e, 0), filterLpf4Pole) << t;
  }
  for (std::int16_t t : {1, 6, 9, 13, 16, 17}) {
    filterSetType(e, 0, t);
    EXPECT_EQ(filterGetType(e, 0), t);
  }
}

TEST_F(FilterEngine, CopyRecordMapsHighTypesAndLimitsHostileFields) {
  FilterRecord source;
  filterInitRecord(&source, 2);
  source.type = 25;
  source.index = -400;
  source.postMix = 7;
  source.cutoff = std::nanf("");
  source.combDelay = 1.0e9f;
  source.feedback = HUGE_VALF;
  source.gain = -HUGE_VALF;
  FilterRecord copy;
  filterCopyRecord(e, &source, &copy, 1, 1);
  EXPECT_EQ(source.type, filterLpf6dB);  // the source is changed too
  EXPECT_EQ(copy.type, filterLpf6dB);
  EXPECT_EQ(copy.index, 1);
  EXPECT_EQ(copy.postMix, 0);  // only the master filter runs after the mix
  EXPECT_EQ(copy.cutoff, 346.0f);
  EXPECT_EQ(copy.combDelay, 2046.0f);
  EXPECT_EQ(copy.feedback, 0.5f);
  EXPECT_EQ(copy.gain, 1.0f);
  source.type = 18;  // kept: it renders as a bypass
  filterCopyRecord(e, &source, &copy, 3, 0);
  EXPECT_EQ(copy.type, 18);
  EXPECT_EQ(copy.index, 3);
  filterCopyRecord(e, &source, &copy, 4, 0);  // outside 0..3: nothing
  EXPECT_EQ(copy.index, 3);
}

TEST_F(FilterEngine, OnAndPostMixSwitches) {
  filterSetOn(e, 2, 1);
  EXPECT_EQ(filterIsOn(e, 2), 1);
  EXPECT_EQ(filterIsOn(e, 4), 0);
  filterSetOn(e, -1, 1);  // nothing
  EXPECT_EQ(filterIsPostMix(e, 3), 1);
  filterSetPostMix(e, 3, 0);
  EXPECT_EQ(filterIsPostMix(e, 3), 0);
  filterSetPostMix(e, 1, 1);
  EXPECT_EQ(e->filters[1].postMix, 0);
  EXPECT_EQ(filterIsPostMix(e, 1), 0);
}

TEST_F(FilterEngine, GainAndWidthByType) {
  filterSetGainDb(e, 0, 6.0);
  EXPECT_FLOAT_EQ(e->filters[0].gain, 2.0f);
  EXPECT_NEAR(filterGetGainDb(e, 0), 6.0, 1e-6);
  filterSetType(e, 0, filterAllpass2);
  EXPECT_NEAR(filterGetGainDb(e, 0), -159.45, 0.01);  // no gain for this type
  EXPECT_EQ(filterGetWidth(e, 0), 1.0);
  filterSetType(e, 0, filterNotch);
  filterSetWidth(e, 0, 0.25);
  EXPECT_EQ(filterGetWidth(e, 0), 0.25);
}

// ---- Voice start and target ----

TEST_F(FilterEngine, KeyTrackingOnlyLowersTheCutoff) {
  e->filters[0].on = 1;
  e->polyphony = 4;
  struct Case {
    float velocity, curve, keyIndex;
  };
  for (const Case& c : {Case{1.0f, 1.0f, 0.001f}, Case{1.0f, 2.0f, 0.001f}, Case{1.0f, 0.5f, 40.0f},
                        Case{0.5f, 0.5f, 80.0f}, Case{0.0f, 1.0f, 480.0f}}) {
    e->velocity.entries[6].value = c.velocity;
    e->noteCurves.curves[6].values[60] = c.curve;
    filterVoiceStart(e, 0, 1, 60, 0);
    EXPECT_NEAR(e->filterStates[0][1][0].keyIndex, c.keyIndex, 1e-4) << c.velocity << " " << c.curve;
  }
}

TEST_F(FilterEngine, VoiceStartTargetClamps) {
  e->filters[0].on = 1;
  e->polyphony = 4;
  struct Case {
    float cutoff, start;
  };
  for (const Case& c : {Case{10.0f, 20.0f}, Case{480.7f, 480.699f}, Case{481.5f, 480.0f}, Case{346.0f, 345.999f}}) {
    e->filters[0].cutoff = c.cutoff;
    filterVoiceStart(e, 0, 2, 60, 0);
    EXPECT_NEAR(e->filterStates[0][2][0].currentIndex, c.start, 1e-4) << c.cutoff;
  }
  // Legato keeps the running index.
  e->filters[0].cutoff = 100.0f;
  filterVoiceStart(e, 0, 2, 62, 1);
  EXPECT_NEAR(e->filterStates[0][2][0].currentIndex, 345.999f, 1e-4);
  // A filter that is off is not started.
  e->filters[0].on = 0;
  filterVoiceStart(e, 0, 2, 60, 0);
  EXPECT_NEAR(e->filterStates[0][2][0].currentIndex, 345.999f, 1e-4);
}

TEST_F(FilterEngine, PolyphonicVoiceStartResetsEveryLane) {
  e->filters[1].on = 1;
  e->polyphony = 8;
  engineSetVoiceBufferCount(e, 1, 2);
  for (int s = 0; s < 3; ++s) e->filterStates[1][3][s].memA[0] = 0.75f;
  filterVoiceStart(e, 1, 3, 60, 0);
  EXPECT_EQ(e->filterStates[1][3][0].memA[0], 0.0f);
  EXPECT_EQ(e->filterStates[1][3][1].memA[0], 0.0f);
  EXPECT_EQ(e->filterStates[1][3][2].memA[0], 0.75f);  // beyond the lane count
  // Mono play keeps the memory.
  e->polyphony = 1;
  e->filterStates[1][0][0].memA[0] = 0.5f;
  filterVoiceStart(e, 1, 0, 60, 0);
  EXPECT_EQ(e->filterStates[1][0][0].memA[0], 0.5f);
}

TEST_F(FilterEngine, TargetSumsModulationKeyLfoControllerAndRate) {
  FilterRecord& r = e->filters[0];
  FilterVoiceState& s = e->filterStates[0][5][0];
  r.cutoff = 300.0f;
  s.keyIndex = 10.0f;
  const float lfoOffset = 4.0f;
  s.lfoOffsetLinks[1] = &lfoOffset;
  e->modMultipliers[0][5][9] = 0.5f;
  e->controllers.filterSwitches[0] = 1;
  e->controllers.filterOffset = 6.0f;
  EXPECT_NEAR(filterTargetIndex(e, &r, &s), 150.0 - 10.0 - 4.0 - 6.0, 1e-9);
  e->controllers.filterSwitches[0] = 0;
  engineCfgSetRate(48000.0f);
  EXPECT_NEAR(filterTargetIndex(e, &r, &s), 136.0 - 40.0 * std::log2(48000.0 / 44100.0), 1e-3);
  EXPECT_NEAR(filterTargetIndexAtRate(e, &r, &s), 136.0, 1e-9);
  s.lfoOffsetLinks[1] = &filterLinkZero;
}

// ---- Rendering through the routine table ----

TEST_F(FilterEngine, LowPass6dBMovesItsIndexPerBlockThroughTheWalk) {
  play(0, 2, 2, std::vector<float>(256, 0.0f));
  filterSetType(e, 0, filterLpf6dB);
  e->filters[0].cutoff = 300.0f;
  e->filters[0].on = 1;
  for (int v = 0; v < 2; ++v)
    for (int s = 0; s < 2; ++s) {
      e->filterStates[0][v][s].currentIndex = 100.0f;
      e->filterStates[0][v][s].keyIndex = 0.0f;
    }
  filterRenderAll(e, 128);
  for (int v = 0; v < 2; ++v)
    for (int s = 0; s < 2; ++s) EXPECT_FLOAT_EQ(e->filterStates[0][v][s].currentIndex, 250.0f);
  EXPECT_FLOAT_EQ(e->filterStates[0][0][2].currentIndex, 346.0f);  // lane 2 is not used
  filterRenderAll(e, 128);
  EXPECT_FLOAT_EQ(e->filterStates[0][1][1].currentIndex, 287.5f);
}

TEST_F(FilterEngine, RoutinesMatchTheirLaneKernelLaneByLane) {
  // Seven voices: the ladder routines run them as a group of four, a pair and a single lane, the
  // phasers and one-pole filters as three pairs and a single lane; every lane must come out as its
  // kernel alone makes it.
  struct Row {
    std::int16_t type;
    FilterKernel kernel;
  };
  const FilterKernel lowPass = [](Engine* en, FilterRecord* r, FilterVoiceState* st, float* lane, std::int16_t,
                                  std::int16_t n) { onePoleLowPassLane(st, lane, n, filterTargetIndex(en, r, st)); };
  const FilterKernel highPass = [](Engine* en, FilterRecord* r, FilterVoiceState* st, float* lane, std::int16_t,
                                   std::int16_t n) { onePoleHighPassLane(st, lane, n, filterTargetIndex(en, r, st)); };
  for (const Row& row :
       {Row{filterLpf6dB, lowPass}, Row{filterHpf6dB, highPass}, Row{filterLpf2Pole, ladderProcess2Pole},
        Row{filterLpf4Pole, ladderProcess4Pole}, Row{filterLpf6Pole, ladderProcess6Pole},
        Row{filterLpf8Pole, ladderProcess8Pole}, Row{filterAllpass2, allpassProcess2},
        Row{filterAllpass4, allpassProcess4}, Row{filterAllpass8, allpassProcess8}}) {
    play(2, 7, 1, std::vector<float>(128, 0.0f));
    FilterRecord& r = e->filters[2];
    r.type = row.type;
    r.cutoff = 300.0f;
    r.resonance = 0.9f;
    r.feedback = 0.7f;
    FilterVoiceState before[7];
    std::vector<float> inputs[7];
    for (int v = 0; v < 7; ++v) {
      e->filterStates[2][v][0].keyIndex = 20.0f * v;
      e->modMultipliers[2][v][15] = 0.5f + 0.1f * v;
      inputs[v] = filterTestSine(200.0 + 150.0 * v, 128, v == 3 ? 500.0 : 0.7);  // voice 3 trips the guard
    }
    for (int block = 0; block < 3; ++block) {
      for (int v = 0; v < 7; ++v) {
        before[v] = e->filterStates[2][v][0];
        std::copy(inputs[v].begin(), inputs[v].end(), buffers[v].begin());
      }
      filterRenderAll(e, 128);
      for (int v = 0; v < 7; ++v) {
        std::vector<float> alone = inputs[v];
        row.kernel(e, &r, &before[v], alone.data(), 2, 128);
        ASSERT_EQ(buffers[v], alone) << row.type << " voice " << v << " block " << block;
        const FilterVoiceState& after = e->filterStates[2][v][0];
        for (int j = 0; j < 16; ++j) ASSERT_EQ(before[v].memA[j], after.memA[j]) << row.type;
        for (int j = 0; j < 32; ++j) ASSERT_EQ(before[v].memB[j], after.memB[j]) << row.type;
        ASSERT_EQ(before[v].currentIndex, after.currentIndex);
        ASSERT_EQ(before[v].gainRampStart, after.gainRampStart);
      }
    }
  }
}

TEST_F(FilterEngine, TypesWithoutARoutineRenderAsBypass) {
  const std::vector<float> input = filterTestSine(440.0, 128, 0.5);
  for (std::int16_t t : {0, 7, 8, 18, 19, -1, -32768, 32767}) {
    play(1, 3, 1, input);
    e->filters[1].type = t;
    e->filters[3].type = t;
    e->filters[3].postMix = 0;
    filterRenderAll(e, 128);
    filterRenderMaster(e, 128);
    for (int v = 0; v < 3; ++v) {
      EXPECT_EQ(buffers[v], input) << t;
      EXPECT_EQ(masters[v], input) << t;
    }
  }
}

TEST_F(FilterEngine, TypeChangeFromANegativeIndexReadsNothingOutOfBounds) {
  const std::vector<float> input = filterTestSquare(50, 3 * 128, 1.0f);
  for (std::int16_t to : {1, 4, 11, 12, 13, 14, 15, 16, 17}) {
    play(0, 2, 3, input);
    filterSetType(e, 0, filterHpf6dB);
    e->filters[0].cutoff = -1.0e9f;  // as a hostile record would hold, unsanitised
    filterRenderAll(e, 128);
    for (int v = 0; v < 2; ++v)
      for (int s = 0; s < 3; ++s) e->filterStates[0][v][s].currentIndex = -3.0e9f;
    filterSetType(e, 0, to);
    for (int block = 0; block < 3; ++block) {
      for (int v = 0; v < 2; ++v) std::copy(input.begin(), input.end(), buffers[v].begin());
      filterRenderAll(e, 128);
      for (int v = 0; v < 2; ++v) ASSERT_TRUE(signalAllNormal(buffers[v].data(), 3 * 128)) << to;
    }
  }
}

TEST_F(FilterEngine, FirstBlockAfterATypeChangeToAnAllpassRampsFromZero) {
  play(0, 1, 1, std::vector<float>(128, 1.0f));
  e->filters[0].feedback = 0.0f;
  filterSetType(e, 0, filterAllpass2);
  e->filters[0].cutoff = 459.0f;
  e->filterStates[0][0][0].currentIndex = 459.0f;
  filterRenderAll(e, 128);
  EXPECT_EQ(buffers[0][0], 0.0f);
  for (int i = 64; i < 128; ++i) EXPECT_NEAR(buffers[0][i], i / 128.0, 2e-3) << i;
  std::fill(buffers[0].begin(), buffers[0].end(), 1.0f);
  filterRenderAll(e, 128);
  EXPECT_NEAR(buffers[0][0], 1.0, 1e-3);
}

TEST_F(FilterEngine, PostMixMasterFilterUsesVoiceZeroOnly) {
  play(0, 4, 1, filterTestSine(440.0, 128, 0.5));
  e->filters[3].postMix = 1;
  e->filters[3].type = filterLpf6dB;
  for (int i = 0; i < 128; ++i) e->mixScratch[i] = 0.5f;
  for (int v = 0; v < 4; ++v) e->filterStates[3][v][0].currentIndex = 100.0f;
  filterRenderMaster(e, 128);
  EXPECT_FLOAT_EQ(e->filterStates[3][0][0].currentIndex, 0.25f * 100.0f + 0.75f * (346.0f - 1.0f));
  for (int v = 1; v < 4; ++v) EXPECT_EQ(e->filterStates[3][v][0].currentIndex, 100.0f);
  EXPECT_NE(e->mixScratch[127], 0.5f);
  for (int v = 0; v < 4; ++v) EXPECT_EQ(masters[v], filterTestSine(440.0, 128, 0.5));
}

TEST_F(FilterEngine, RenderRefusesFrameCountsOutsideTheBlock) {
  play(0, 1, 1, std::vector<float>(256, 1.0f));
  e->filters[0].type = filterLpf6dB;
  for (std::int16_t frames : {0, -5, 129}) {
    filterRenderAll(e, frames);
    filterRenderMaster(e, frames);
  }
  EXPECT_EQ(buffers[0], std::vector<float>(256, 1.0f));
}

// ---- Comb buffer pool ----

TEST_F(FilterEngine, CombPoolRunsOutAfter128Lanes) {
  e->polyphony = 64;
  for (int c = 0; c < 3; ++c) e->channels[c]->on = 1;
  e->filters[0].type = filterComb;
  e->filters[1].type = filterComb;
  engineSetVoiceBufferCount(e, 0, 2);
  engineSetVoiceBufferCount(e, 1, 1);
  e->combBuffers[5][7] = 3.0f;
  combBufferAssign(e);
  EXPECT_EQ(e->filterStates[0][0][0].combBuffer, 0);
  EXPECT_EQ(e->filterStates[0][0][1].combBuffer, 1);
  EXPECT_EQ(e->filterStates[0][63][1].combBuffer, 127);
  for (int v = 0; v < 64; ++v) EXPECT_EQ(e->filterStates[1][v][0].combBuffer, -1);
  EXPECT_EQ(e->combBuffers[5][7], 0.0f);
  for (int i = 0; i < engineCombBuffers; ++i) EXPECT_EQ(e->combUsage[i], 1);
  EXPECT_EQ(combBufferAt(e, 127), e->combBuffers[127]);
  EXPECT_EQ(combBufferAt(e, 128), nullptr);
  EXPECT_EQ(combBufferAt(e, -1), nullptr);
  combBufferPoolClear(e);
  EXPECT_EQ(e->combUsage[0], 0);
}

TEST_F(FilterEngine, HostileRecordsLoadedIntoTheEngineRenderFinite) {
  // Records as a file could hold them, copied into the engine (the load path), then rendered on
  // lanes whose running index is left over from anything.
  const float values[] = {std::nanf(""), HUGE_VALF, -HUGE_VALF, -1.0e30f, -500.0f, -1.0f,  0.0f,
                          0.5f,          1.0f,      346.0f,     479.5f,   480.0f,  481.0f, 1.0e30f};
  const int n = sizeof values / sizeof values[0];
  std::uint32_t seed = 99;
  auto next = [&seed](int range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
  };
  const std::vector<float> input = filterTestSquare(40, 3 * 128, 1.0f);
  play(0, 3, 3, input);
  for (int round = 0; round < 400; ++round) {
    FilterRecord fromFile;
    filterInitRecord(&fromFile, 0);
    fromFile.type = static_cast<std::int16_t>(next(30) - 5);
    fromFile.cutoff = values[next(n)];
    fromFile.resonance = values[next(n)];
    fromFile.feedback = values[next(n)];
    fromFile.gain = values[next(n)];
    fromFile.postMix = static_cast<std::uint8_t>(next(3));
    filterCopyRecord(e, &fromFile, &e->filters[0], 0, 1);
    e->filters[0].on = 1;
    for (int v = 0; v < 3; ++v) {
      for (int s = 0; s < 3; ++s) e->filterStates[0][v][s].currentIndex = values[next(n)];
      std::copy(input.begin(), input.end(), buffers[v].begin());
    }
    filterRenderAll(e, 128);
    for (int v = 0; v < 3; ++v)
      ASSERT_TRUE(signalAllNormal(buffers[v].data(), buffers[v].size()))
          << "round " << round << " type " << e->filters[0].type;
  }
}

TEST_F(FilterEngine, PerVoiceMasterFilterRunsOnEachVoicesMasterBuffer) {
  const std::vector<float> input = filterTestSine(8000.0, 128, 0.5);
  play(1, 3, 1, input);
  e->filters[3].postMix = 0;
  e->filters[3].type = filterLpf4Pole;
  e->filters[3].cutoff = static_cast<float>(dspFreqToIndex(500.0));
  for (int v = 0; v < 3; ++v) filterVoiceStart(e, 3, static_cast<std::int16_t>(v), 60, 0);
  for (int block = 0; block < 4; ++block) {
    for (int v = 0; v < 3; ++v) std::copy(input.begin(), input.end(), masters[v].begin());
    filterRenderMaster(e, 128);
  }
  for (int v = 0; v < 3; ++v) {
    EXPECT_LT(signalRms(masters[v]), 0.01 * signalRms(input)) << v;  // 8 kHz, four octaves above the cutoff
    EXPECT_EQ(buffers[v], input) << v;                               // channel buffers untouched
  }
}
