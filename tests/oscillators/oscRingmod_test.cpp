// "Ringmod" oscillator: sum and difference tones at full balance, the plain wave at balance 0, and
// wave B's phase offset ignored.
#include <gtest/gtest.h>

#include "oscDoubleRig.h"
#include "preset/wave.h"
#include "support/signal.h"

namespace {

std::vector<float> ringRender(float balance, float startPhaseB = 0.0f) {
  OscRig rig;
  plainTwoWave(rig, oscTypeRingmod);
  rig.record->freqModeB = oscFreqHz;
  rig.record->pitchIncB = hzIncrement(100.0);
  rig.record->balanceRingmod = balance;
  rig.record->phaseB = startPhaseB;
  rig.startNote(0, 69);  // 440 Hz on wave A
  return rig.render(44100);
}

}  // namespace

TEST(Ringmod, FullBalanceGivesSumAndDifference) {
  const std::vector<float> out = ringRender(1.0f);
  ASSERT_TRUE(signalAllNormal(out.data(), out.size()));
  EXPECT_NEAR(tone(out, 340.0), 0.5, 0.01);
  EXPECT_NEAR(tone(out, 540.0), 0.5, 0.01);
  EXPECT_LE(signalDb(tone(out, 440.0)), signalDb(0.5) - 40.0);
  EXPECT_LE(signalDb(tone(out, 100.0)), signalDb(0.5) - 40.0);
}

TEST(Ringmod, ZeroBalanceIsThePlainWave) {
  const std::vector<float> out = ringRender(0.0f);
  EXPECT_NEAR(tone(out, 440.0), 1.0, 0.005);
  EXPECT_NEAR(signalPeakFrequency(out, 44100.0), 440.0, 0.5);
  for (double f : {340.0, 540.0, 100.0}) EXPECT_LT(tone(out, f), 1e-3) << f;
}

TEST(Ringmod, WaveBStartPhaseIsIgnored) { EXPECT_EQ(ringRender(0.7f, 0.0f), ringRender(0.7f, 300.0f)); }

// With wave B a constant 1.0 the output is wave A whatever the balance.
TEST(Ringmod, ConstantWaveBLeavesWaveA) {
  std::vector<float> runs[2];
  for (int i = 0; i < 2; ++i) {
    OscRig rig;
    plainTwoWave(rig, oscTypeRingmod);
    for (float& s : rig.engine->presetWaves[0].samples) s = 1.0f;
    rig.record->waveB = waveLocalIdBase;
    rig.record->balanceRingmod = i == 0 ? 0.0f : 0.8f;
    rig.startNote(0, 69);
    runs[i] = rig.render(4096);
  }
  EXPECT_LT(maxDifference(runs[0], runs[1]), 1e-5);
  EXPECT_GT(signalRms(runs[0]), 0.6);
}
