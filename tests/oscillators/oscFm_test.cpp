// "FM" oscillator: sideband levels against the Bessel values, index 0, the modulator's increment
// limit and a huge index.
#include <gtest/gtest.h>

#include "oscDoubleRig.h"
#include "support/signal.h"

namespace {

std::vector<float> fmRender(double carrier, double modulator, double radians, int total = 44100) {
  OscRig rig;
  plainTwoWave(rig, oscTypeFm);
  fixedPitches(rig, carrier, modulator);
  rig.record->fmIndex = static_cast<float>(radians * oscFmIndexScale);
  rig.startNote(0, 60);
  return rig.render(total);
}

}  // namespace

TEST(Fm, SidebandsFollowTheBesselValues) {
  const std::vector<float> out = fmRender(1000.0, 100.0, 1.0);
  ASSERT_TRUE(signalAllNormal(out.data(), out.size()));
  // J0(1), J1(1), J2(1), J3(1) of the carrier level 1.0.
  const double bessel[] = {0.7651976866, 0.4400505857, 0.1149034849, 0.0195633540};
  for (int k = 0; k <= 2; ++k) {
    EXPECT_NEAR(tone(out, 1000.0 + 100.0 * k), bessel[k], 0.05 * bessel[k]) << "upper " << k;
    EXPECT_NEAR(tone(out, 1000.0 - 100.0 * k), bessel[k], 0.05 * bessel[k]) << "lower " << k;
  }
  EXPECT_NEAR(tone(out, 1300.0), bessel[3], 0.2 * bessel[3]);
}

TEST(Fm, IndexZeroIsTheCarrier) {
  const std::vector<float> out = fmRender(1000.0, 100.0, 0.0);
  EXPECT_NEAR(tone(out, 1000.0), 1.0, 0.005);
  for (double f : {900.0, 1100.0, 800.0, 1200.0, 100.0}) EXPECT_LT(tone(out, f), 1e-3) << f;
  EXPECT_NEAR(signalPeakFrequency(out, 44100.0), 1000.0, 0.5);
}

// A modulator above 504 (about 21.7 kHz) plays at 504: the lower sideband of a 1 kHz carrier lies
// 1 kHz below 504 x 44100 / 1024.
TEST(Fm, ModulatorIncrementIsLimited) {
  OscRig rig;
  plainTwoWave(rig, oscTypeFm);
  fixedPitches(rig, 1000.0, 1.0);
  rig.record->pitchIncB = 509.0f;  // below the general limit 510.8, above the modulator's
  rig.record->fmIndex = oscFmIndexScale;
  rig.startNote(0, 60);
  const std::vector<float> out = rig.render(44100);
  EXPECT_NEAR(rig.state()->unisonIncB[0], 504.0f, 1e-3f);
  const double limited = 504.0 * 44100.0 / 1024.0;
  EXPECT_NEAR(tone(out, limited - 1000.0), 0.44, 0.03);
  EXPECT_LT(tone(out, 509.0 * 44100.0 / 1024.0 - 1000.0), 0.02);
}

// A huge index (far beyond +-32768 table samples of phase) still reads the table: finite output
// within the wave's range, phases in range.
TEST(Fm, HugeIndexStaysBounded) {
  for (double radians : {1e3, 1e7, 1e15, 1e30}) {
    OscRig rig;
    plainTwoWave(rig, oscTypeFm);
    rig.record->numVoices = 3;
    rig.record->fmIndex = static_cast<float>(radians * oscFmIndexScale);
    rig.startNote(0, 60);
    const std::vector<float> out = rig.render(4096, 100);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size())) << radians;
    // Three voices of at most 1.0; the first block glides from the start gain 1.0 to the scale 0.5.
    EXPECT_LE(signalPeak(out.data(), out.size()), 3.0) << radians;
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(rig.state()->unisonPhaseA[k] >= 0.0f && rig.state()->unisonPhaseA[k] < 1024.0f);
      EXPECT_TRUE(rig.state()->unisonPhaseB[k] >= 0.0f && rig.state()->unisonPhaseB[k] < 1024.0f);
    }
    EXPECT_TRUE(std::isfinite(rig.state()->fmIndex));
  }
}

// An index change glides over the next block and lands on the new index.
TEST(Fm, IndexChangeGlides) {
  OscRig rig;
  plainTwoWave(rig, oscTypeFm);
  fixedPitches(rig, 1000.0, 100.0);
  rig.record->fmIndex = 0.0f;
  rig.startNote(0, 60);
  EXPECT_LT(rig.state()->fmIndex, 1e-20f);
  const std::vector<float> quiet = rig.render(128);
  rig.record->fmIndex = 2.0f * oscFmIndexScale;
  const std::vector<float> glide = rig.render(128);
  EXPECT_NEAR(rig.state()->fmIndex, 2.0f * oscFmIndexScale, 1e-3);
  // The glide starts where the previous block ended: no step at the border.
  EXPECT_LT(std::fabs(glide[0] - quiet[127]), 0.2);
}
