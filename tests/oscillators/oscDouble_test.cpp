// "Double" oscillator: the balance ends equal one wave alone (as "Single" plays it), the polarity
// switch gives the difference of the waves, and a balance change glides over the block.
#include <gtest/gtest.h>

#include "oscDoubleRig.h"
#include "support/signal.h"

namespace {

// "Single" playing one wave with the given settings, from the same random seed.
std::vector<float> singleReference(int wave, float ratio, int voices, int bandLimited, int total) {
  OscRig rig;
  plainTwoWave(rig, oscTypeSingle);
  rig.record->waveA = wave;
  rig.record->pitchRatio = ratio;
  rig.record->numVoices = voices;
  rig.record->trans = voices > 1 ? 7.0f : 0.0f;
  rig.record->randTrans = voices > 1 ? 0.5f : 0.0f;
  rig.record->bandLimited = static_cast<std::uint32_t>(bandLimited);
  if (bandLimited) oscRebuildChannelTables(rig.engine, 0);
  dspRandomState = 4242u;
  rig.startNote(0, 57);
  return rig.render(total);
}

std::vector<float> doubleRender(float balance, int voices, int bandLimited, int total, bool invert = false) {
  OscRig rig;
  plainTwoWave(rig, oscTypeDouble);
  rig.record->waveA = 2;  // "Saw_real"
  rig.record->waveB = 7;  // "Square_real"
  rig.record->pitchRatioB = 1.5f;
  rig.record->balanceDouble = balance;
  rig.record->auxSwitch = invert ? 1u : 0u;
  rig.record->numVoices = voices;
  rig.record->trans = voices > 1 ? 7.0f : 0.0f;
  rig.record->randTrans = voices > 1 ? 0.5f : 0.0f;
  rig.record->bandLimited = static_cast<std::uint32_t>(bandLimited);
  if (bandLimited) oscRebuildChannelTables(rig.engine, 0);
  dspRandomState = 4242u;
  rig.startNote(0, 57);
  return rig.render(total);
}

}  // namespace

TEST(Double, BalanceEndsPlayOneWaveLikeSingle) {
  struct Case {
    int voices, bandLimited;
  } cases[] = {{1, 0}, {3, 0}, {1, 1}, {4, 1}};
  for (const Case& c : cases) {
    const std::vector<float> a = doubleRender(0.0f, c.voices, c.bandLimited, 4096);
    const std::vector<float> singleA = singleReference(2, 1.0f, c.voices, c.bandLimited, 4096);
    EXPECT_LT(maxDifference(a, singleA), 1e-5) << c.voices << " voices, band-limited " << c.bandLimited;
    EXPECT_GT(signalRms(a), 0.2);
    const std::vector<float> b = doubleRender(1.0f, c.voices, c.bandLimited, 4096);
    const std::vector<float> singleB = singleReference(7, 1.5f, c.voices, c.bandLimited, 4096);
    EXPECT_LT(maxDifference(b, singleB), 1e-5) << c.voices << " voices, band-limited " << c.bandLimited;
  }
}

// Polarity with balance 0: the routine sums A - B, the amplitude stage negates it: B - A.
TEST(Double, PolarityGivesTheDifferenceOfTheWaves) {
  const std::vector<float> d = doubleRender(0.0f, 1, 0, 4096, true);
  const std::vector<float> a = singleReference(2, 1.0f, 1, 0, 4096);
  const std::vector<float> b = singleReference(7, 1.5f, 1, 0, 4096);
  std::vector<float> expected(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) expected[i] = b[i] - a[i];
  EXPECT_LT(maxDifference(d, expected), 1e-5);
}

TEST(Double, HalfBalanceMixesBothTones) {
  OscRig rig;
  plainTwoWave(rig, oscTypeDouble);
  fixedPitches(rig, 500.0, 1300.0);
  rig.record->balanceDouble = 0.25f;
  rig.startNote(0, 60);
  const std::vector<float> out = rig.render(44100);
  EXPECT_NEAR(tone(out, 500.0), 0.75, 0.01);
  EXPECT_NEAR(tone(out, 1300.0), 0.25, 0.01);
}

// A balance change glides over the next block from the value the previous block ended with.
TEST(Double, BalanceChangeGlidesOverOneBlock) {
  OscRig rig;
  plainTwoWave(rig, oscTypeDouble);
  rig.record->waveB = rig.record->waveA;  // the same sine on both: level A + level B stays 1
  rig.record->balanceDouble = 0.0f;
  rig.startNote(0, 69);
  rig.render(128);
  rig.record->balanceDouble = 1.0f;
  rig.record->pitchRatioB = 2.0f;  // B an octave up: the block is A fading out, B fading in
  const std::vector<float> out = rig.render(128);
  EXPECT_FLOAT_EQ(rig.state()->mixValue, 1.0f);
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  const std::vector<float> next = rig.render(4096);
  EXPECT_LT(tone(next, 440.0), 1e-3);
  EXPECT_NEAR(tone(next, 880.0), 1.0, 0.01);
}
