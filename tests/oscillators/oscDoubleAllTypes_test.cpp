// All four two-wave types: every block length 1..128 renders the same tone, silent voices leave
// their state alone, and hostile settings finish every block with finite output (a watchdog).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <vector>

#include "oscDoubleRig.h"
#include "support/signal.h"

namespace {

const int types[] = {oscTypeDouble, oscTypeFm, oscTypeRingmod, oscTypeFractalize};

void setUp(OscRig& rig, int type, int bandLimited) {
  plainTwoWave(rig, type);
  rig.record->waveA = 0;  // sines: small phase differences stay small differences
  rig.record->waveB = 0;
  rig.record->pitchRatioB = 0.5f;
  rig.record->fmIndex = 0.7f * oscFmIndexScale;
  rig.record->iterations = 3;
  rig.record->displacement = 0.35f;
  rig.record->bandLimited = static_cast<std::uint32_t>(bandLimited);
  if (bandLimited) oscRebuildChannelTables(rig.engine, 0);
}

}  // namespace

// One case per type, band limiting and quarter of the block lengths 1..128, so test shards can share
// the work (each case renders 33 voices).
struct BlockLengthCase {
  int type;
  int bandLimited;
  int firstBlock;
};

class TwoWaveBlockLength : public ::testing::TestWithParam<BlockLengthCase> {};

TEST_P(TwoWaveBlockLength, AnyBlockLengthRendersTheSameTone) {
  const BlockLengthCase c = GetParam();
  std::vector<float> reference;
  {
    OscRig rig;
    setUp(rig, c.type, c.bandLimited);
    rig.startNote(0, 62);
    reference = rig.render(1024, 128);
  }
  double worst = 0.0;
  int worstBlock = 0;
  for (int block = c.firstBlock; block < c.firstBlock + 32; ++block) {
    OscRig rig;
    setUp(rig, c.type, c.bandLimited);
    rig.startNote(0, 62);
    const std::vector<float> out = rig.render(1024, block);
    // From the second 128 frames on: the amplitude stage glides from the voice start's gain to
    // its target over the first block, whatever its length.
    const std::vector<float> a(out.begin() + 128, out.end()), b(reference.begin() + 128, reference.end());
    const double d = maxDifference(a, b);
    if (d > worst) worst = d, worstBlock = block;
  }
  EXPECT_LT(worst, c.bandLimited ? 2e-2 : 3e-3)
      << "type " << c.type << " band-limited " << c.bandLimited << " block " << worstBlock;
}

std::vector<BlockLengthCase> blockLengthCases() {
  std::vector<BlockLengthCase> cases;
  for (int type : types)
    for (int bl = 0; bl < 2; ++bl) {
      if (bl && (type == oscTypeFm || type == oscTypeRingmod)) continue;  // plain waves only
      for (int first = 1; first <= 128; first += 32) cases.push_back({type, bl, first});
    }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TwoWave, TwoWaveBlockLength, ::testing::ValuesIn(blockLengthCases()));

TEST(TwoWave, SilentVoiceWritesZerosAndKeepsItsState) {
  for (int type : types) {
    OscRig rig;
    setUp(rig, type, 0);
    rig.startNote(0, 60);
    rig.render(128);
    const OscVoiceState before = *rig.state();
    rig.engine->voices[0].state = 6;
    std::vector<float> buffer(64, 7.0f);
    rig.engine->voiceBuffers[0][0] = buffer.data();
    oscRenderAll(rig.engine, 64);
    rig.engine->voiceBuffers[0][0] = nullptr;
    for (float x : buffer) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(std::memcmp(&before, rig.state(), sizeof before), 0) << "type " << type;
  }
}

// Hostile modulation, pitches and stored fields: every block ends, every sample is finite.
TEST(TwoWave, HostileSettingsFinishEveryBlock) {
  auto run = [] {
    int failures = 0;
    const float values[] = {0.0f, 1.0f, -1.0f, 1e30f, -1e30f, INFINITY, std::nanf("")};
    for (int type : types) {
      for (float value : values) {
        for (int bl = 0; bl < 2; ++bl) {
          OscRig rig;
          setUp(rig, type, bl);
          rig.record->numVoices = 8;
          rig.record->trans = 48.0f;
          rig.record->randTrans = 72.0f;
          rig.record->iterations = 7;
          rig.record->fmIndex = 1e8f * oscFmIndexScale;
          rig.startNote(0, 127);
          for (int p : {2, 3, 5, 7, 32, 34, 36}) rig.engine->modMultipliers[0][0][p] = value;
          rig.record->displacement = value;
          rig.record->amount = value;
          rig.record->balanceDouble = value;
          rig.record->balanceRingmod = value;
          OscVoiceState* s = rig.state();
          s->unisonIncA[1] = value;
          s->unisonPhaseB[2] = value;
          s->mixValue = value;
          s->fmIndex = value;
          s->incA = value;
          const std::vector<float> out = rig.render(1024, 37);
          if (!signalAllNormal(out.data(), out.size()) || signalPeak(out.data(), out.size()) > 1e6) {
            ++failures;
            std::printf("type %d value %g band-limited %d: peak %g\n", type, value, bl,
                        signalPeak(out.data(), out.size()));
          }
        }
      }
    }
    return failures;
  };
  std::future<int> result = std::async(std::launch::async, run);
  if (result.wait_for(std::chrono::seconds(120)) != std::future_status::ready) {
    ADD_FAILURE() << "a render did not finish";
    std::fflush(nullptr);
    std::_Exit(1);
  }
  EXPECT_EQ(result.get(), 0);
}
