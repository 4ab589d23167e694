// Band-limited wave levels: pass band and stop band of level 0, the table choice by increment, and
// the fundamental of every level in phase with its source.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "oscillators/oscFrame.h"
#include "oscillators/oscHalfband.h"

namespace {

const double pi = 3.14159265358979323846;

std::complex<double> harmonic(const float* table, int h) {
  std::complex<double> sum = 0.0;
  for (int i = 0; i < oscTableLength; ++i)
    sum += static_cast<double>(table[i]) * std::polar(1.0, -2.0 * pi * h * i / oscTableLength);
  return sum;
}

std::vector<float> sawWave() {
  std::vector<float> w(oscTableLength);
  for (int i = 0; i < oscTableLength; ++i) w[i] = 1.0f - 2.0f * i / oscTableLength;
  return w;
}

std::vector<float> sineWave(double phase) {
  std::vector<float> w(oscTableLength);
  for (int i = 0; i < oscTableLength; ++i) w[i] = static_cast<float>(std::sin(2.0 * pi * i / 1024.0 + phase));
  return w;
}

double gainDb(const float* out, const float* in, int h) {
  return 20.0 * std::log10(std::abs(harmonic(out, h)) / std::abs(harmonic(in, h)));
}

// Phase of the fundamental of out relative to in, in degrees.
double phaseErrorDegrees(const float* out, const float* in) {
  return std::arg(harmonic(out, 1) / harmonic(in, 1)) * 180.0 / pi;
}

}  // namespace

TEST(OscHalfband, LevelZeroOfASawKeepsItsBandAndCutsAboveIt) {
  const std::vector<float> saw = sawWave();
  float level0[oscTableLength];
  oscBuildBandLimitedTable(0, level0, saw.data());
  for (int h = 1; h <= 192; ++h) EXPECT_NEAR(gainDb(level0, saw.data(), h), 0.0, 0.5) << "harmonic " << h;
  for (int h = 300; h < 512; ++h) EXPECT_LT(gainDb(level0, saw.data(), h), -45.0) << "harmonic " << h;
}

TEST(OscHalfband, ConstantWaveStaysConstant) {
  std::vector<float> dc(oscTableLength, 0.75f);
  float out[oscTableLength];
  oscBuildBandLimitedTable(0, out, dc.data());
  for (float x : out) EXPECT_NEAR(x, 0.75f, 1e-5f);
}

TEST(OscHalfband, HigherLevelsKeepFewerHarmonics) {
  const std::vector<float> saw = sawWave();
  float table[oscTableLength];
  for (int k = 0; k < oscBandLevels; ++k) {
    oscBuildBandLimitedTable(k, table, saw.data());
    const int band = 256 >> k;
    EXPECT_NEAR(gainDb(table, saw.data(), 1), 0.0, 0.5) << "level " << k;
    // Well above the band the harmonics are gone (the coarse top levels filter more gently).
    const double floorDb = k <= 5 ? -30.0 : -8.0;
    for (int h = 4 * band; h < 512; ++h) EXPECT_LT(gainDb(table, saw.data(), h), floorDb) << k << " " << h;
  }
}

// The filter chain delays each level; the rotation brings the fundamental back to the source's
// phase, so a pitch crossing from one level to the next does not jump in phase.
TEST(OscHalfband, FundamentalOfEveryLevelStaysInPhase) {
  float table[oscTableLength];
  double mean[oscBandLevels] = {};
  const int phases = 8;
  for (int p = 0; p < phases; ++p) {
    const std::vector<float> sine = sineWave(p * pi / phases);
    double previous = 0.0;
    for (int k = 0; k < oscBandLevels; ++k) {
      oscBuildBandLimitedTable(k, table, sine.data());
      const double error = phaseErrorDegrees(table, sine.data());
      mean[k] += error / phases;
      // The coarse top levels depend a little on where the cycle starts; never more than a few degrees.
      EXPECT_LT(std::fabs(error), 5.0) << "level " << k << " start phase " << p;
      if (k > 0) {
        EXPECT_LT(std::fabs(error - previous), 8.0) << "crossing into level " << k;
      }
      previous = error;
    }
  }
  for (int k = 0; k < oscBandLevels; ++k) {
    EXPECT_LT(std::fabs(mean[k]), 1.0) << "level " << k;
    if (k > 0) {
      EXPECT_LT(std::fabs(mean[k] - mean[k - 1]), 1.5) << "crossing into level " << k;
    }
  }
  // The lower levels, which cover most of the keyboard, are within a degree for any wave.
  const std::vector<float> saw = sawWave();
  for (int k = 0; k <= 3; ++k) {
    oscBuildBandLimitedTable(k, table, saw.data());
    EXPECT_LT(std::fabs(phaseErrorDegrees(table, saw.data())), 1.0) << "level " << k;
  }
}

TEST(OscHalfband, FilterInPlaceEqualsOutOfPlace) {
  const std::vector<float> saw = sawWave();
  std::vector<float> copy = saw, out(oscTableLength);
  OscHalfbandState a, b;
  oscFilterStateInit(&a);
  oscFilterStateInit(&b);
  oscHalfbandFilter(&a, saw.data(), out.data(), oscTableLength, 1);
  oscHalfbandFilter(&b, copy.data(), copy.data(), oscTableLength, 1);
  EXPECT_EQ(out, copy);
}

TEST(OscPickLevel, FollowsTheIncrementThresholds) {
  struct Case {
    float inc;
    int level;
  } cases[] = {{0.0f, -1}, {0.75f, -1}, {1.0f, -1},  {1.0001f, 0}, {1.5f, 0},   {2.0f, 0},
               {2.01f, 1}, {4.0f, 1},   {4.5f, 2},   {8.0f, 2},    {16.0f, 3},  {32.0f, 4},
               {64.0f, 5}, {100.0f, 6}, {128.0f, 6}, {128.5f, 7},  {510.8f, 7}, {std::nanf(""), -1}};
  for (const Case& c : cases) EXPECT_EQ(oscPickLevel(c.inc), c.level) << c.inc;
}
