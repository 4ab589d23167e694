// The five wave transforms as plain functions: one table of cases on fixture waves against the
// transforms' defining sums (to 1e-6), the filter measured against its recurrence's response at the
// wave's harmonics, and every hostile input (non-finite or huge samples, extreme settings) giving a
// finite result within -1..1.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "modules/onePoleTables.h"
#include "modules/twoPoleTables.h"
#include "wave/waveHarmonicsMath.h"
#include "wave/waveTransforms.h"

namespace {

const double kPi = 3.14159265358979323846;
typedef std::vector<float> Wave;

Wave makeWave(const std::function<double(int)>& f) {
  Wave w(1024);
  for (int n = 0; n < 1024; ++n) w[n] = static_cast<float>(f(n));
  return w;
}
Wave sine(double h = 1, double phase = 0, double amp = 1) {
  return makeWave([=](int n) { return amp * std::sin(2 * kPi * h * n / 1024 + phase); });
}
// A rich fixture: a ramp, two harmonics and a little noise of a fixed seed.
Wave rich() {
  uint32_t seed = 12345;
  return makeWave([&](int n) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = ((seed >> 8) / 16777216.0 - 0.5) * 0.1;
    return 0.4 * (n / 512.0 - 1.0) + 0.3 * std::sin(2 * kPi * 3 * n / 1024) + 0.2 * std::cos(2 * kPi * 17 * n / 1024) +
           noise;
  });
}

double maxDiff(const Wave& a, const Wave& b) {
  double d = 0;
  for (int n = 0; n < 1024; ++n) d = std::fmax(d, std::fabs(static_cast<double>(a[n]) - b[n]));
  return d;
}
double peak(const Wave& w) {
  double p = 0;
  for (float x : w) p = std::fmax(p, std::fabs(x));
  return p;
}
double mean(const Wave& w) {
  double s = 0;
  for (float x : w) s += x;
  return s / 1024;
}

// The defining sums, written out as the transforms are described.
Wave refMix(const Wave& a, const Wave& b, const WaveXformSettings& s) {
  Wave out(1024);
  double q = s.phaseB;
  if (q < 0) q += 1;
  double st = std::trunc(1024 * q);
  st = std::fmin(1023, std::fmax(0, st));
  double pos = st;
  for (int n = 0; n < 1024; ++n) {
    const double i = std::floor(pos), f = pos - i;
    const int ii = static_cast<int>(i) % 1024;
    double v = b[ii] + f * (b[(ii + 1) % 1024] - b[ii]);
    if (s.invertB) v = -v;
    out[n] = static_cast<float>(s.gainB * v + s.gainA * a[n]);
    pos += s.ratioB;
    if (pos >= 1024) pos -= 1024;
  }
  return out;
}
Wave refFm(const Wave& c, const Wave& m, const WaveXformSettings& s) {
  Wave out(1024);
  const double d = s.fmIndex * 1024 / (2 * kPi);
  double h = std::trunc(s.modPhase * 1024.0);
  if (h < 0) h = std::trunc(h + 1024);
  for (int n = 0; n < 1024; ++n) {
    const int j = static_cast<int>(std::trunc(std::fmod(static_cast<double>(s.modRatio) * n + h, 1024.0)));
    double p = std::fmod(m[j] * d + static_cast<double>(s.carrierRatio) * n, 1024.0);
    if (p < 0) p += 1024;
    const int i = static_cast<int>(std::floor(p));
    const double f = p - i;
    out[n] = static_cast<float>(c[i % 1024] + f * (c[(i + 1) % 1024] - c[i % 1024]));
  }
  return out;
}

}  // namespace

TEST(WaveTransforms, PhaseOffsetRotatesByTheFractionOfTheCycle) {
  const Wave src = rich();
  const struct {
    float p;
    int first;
  } cases[] = {{0.0f, 0},   {1.0f, 0},    {-1.0f, 0},    {0.25f, 256},
               {0.5f, 512}, {-0.5f, 512}, {-0.25f, 768}, {0.999f, 1022}};
  for (const auto& c : cases) {
    Wave out(1024);
    waveXformPhaseOffset(src.data(), c.p, out.data());
    for (int n = 0; n < 1024; ++n) ASSERT_EQ(out[n], src[(c.first + n) % 1024]) << c.p << " n " << n;
  }
}

// Mix and FM against their sums on fixture waves, settings table by table.
TEST(WaveTransforms, MixAndFmFollowTheirSums) {
  const Wave a = rich(), b = sine(2, 0.3, 0.8), sq = makeWave([](int n) { return n < 512 ? 0.7 : -0.7; });
  struct MixCase {
    float gA, gB, phase, ratio;
    uint8_t inv;
    const Wave* b;
  };
  const MixCase mixes[] = {{0.5f, 0.5f, 0, 1, 0, &b},         {1, 0, 0, 1, 0, &b},
                           {0.25f, 0.75f, -0.25f, 2, 1, &sq}, {0.5f, 0.5f, 0.1f, 1.37f, 0, &b},
                           {0.3f, 0.7f, 1.0f, 32, 0, &sq},    {0.5f, 0.5f, -1.0f, 3.5f, 1, &a}};
  for (const auto& c : mixes) {
    WaveXformSettings s;
    s.gainA = c.gA;
    s.gainB = c.gB;
    s.phaseB = c.phase;
    s.ratioB = c.ratio;
    s.invertB = c.inv;
    Wave out(1024);
    waveXformMix(a.data(), c.b->data(), s, out.data());
    EXPECT_LT(maxDiff(out, refMix(a, *c.b, s)), 1e-6) << c.gA << " " << c.phase << " " << c.ratio;
  }
  // Gains 1 and 0: the edited wave itself. The wave with itself, inverted, at half gains: silence.
  {
    WaveXformSettings s;
    s.gainA = 1;
    s.gainB = 0;
    Wave out(1024);
    waveXformMix(a.data(), b.data(), s, out.data());
    EXPECT_EQ(maxDiff(out, a), 0.0);
    s.gainA = s.gainB = 0.5f;
    s.invertB = 1;
    waveXformMix(a.data(), a.data(), s, out.data());
    EXPECT_EQ(peak(out), 0.0);
  }
  struct FmCase {
    float index, modRatio, carrierRatio, modPhase;
    const Wave* m;
  };
  const Wave modSine = sine();
  const FmCase fms[] = {{1, 1, 1, 0, &modSine}, {2.5f, 3, 1, 0.25f, &modSine}, {0.7f, 1.5f, 2, -0.25f, &b},
                        {5, 32, 1, -1, &sq},    {32, 1, 3, 0.9f, &a},          {1, 1.01f, 1.99f, 1.0f, &modSine}};
  for (const auto& c : fms) {
    WaveXformSettings s;
    s.fmIndex = c.index;
    s.modRatio = c.modRatio;
    s.carrierRatio = c.carrierRatio;
    s.modPhase = c.modPhase;
    Wave out(1024);
    waveXformFm(a.data(), c.m->data(), s, out.data());
    EXPECT_LT(maxDiff(out, refFm(a, *c.m, s)), 1e-6) << c.index << " " << c.modRatio << " " << c.modPhase;
    EXPECT_LE(peak(out), peak(a) + 1e-7);  // the carrier is only re-read
  }
  // Index 0: carrier ratio 1 is the identity, 2 takes every second sample.
  WaveXformSettings s;
  s.fmIndex = 0;
  Wave out(1024);
  waveXformFm(a.data(), b.data(), s, out.data());
  EXPECT_EQ(maxDiff(out, a), 0.0);
  s.carrierRatio = 2;
  waveXformFm(a.data(), b.data(), s, out.data());
  for (int n = 0; n < 1024; ++n) ASSERT_EQ(out[n], a[(2 * n) % 1024]) << n;
  // A sine modulator at index 1 moves the carrier's reading by at most 163 samples.
  s.carrierRatio = 1;
  s.fmIndex = 1;
  const Wave ramp = makeWave([](int n) { return n / 1024.0; });
  waveXformFm(ramp.data(), modSine.data(), s, out.data());
  double most = 0;
  for (int n = 0; n < 1024; ++n) {
    double shift = out[n] * 1024.0 - n;
    if (shift > 512) shift -= 1024;
    if (shift < -512) shift += 1024;
    most = std::fmax(most, std::fabs(shift));
  }
  EXPECT_NEAR(most, 162.97, 0.5);
}

TEST(WaveTransforms, FractalizeIsTheWeightedSumOfSqueezedCopies) {
  const Wave src = rich();
  // Two iterations, displacement 0.5: first half src[n] + s src[2n], second half src[n] + s src[2(n - 512)],
  // then peak 0.98.
  for (double slope : {0.5, 1.0, 0.25, 0.0}) {
    Wave ref(1024);
    for (int n = 0; n < 1024; ++n) ref[n] = static_cast<float>(src[n] + slope * src[n < 512 ? 2 * n : 2 * (n - 512)]);
    const double m = peak(ref);
    for (float& x : ref) x = static_cast<float>(x * 0.98 / m);
    Wave out(1024);
    waveFractalizeWith(src.data(), out.data(), 2, 0.5, slope);
    EXPECT_LT(maxDiff(out, ref), 1e-6) << slope;
    EXPECT_NEAR(peak(out), 0.98, 1e-6);
  }
  // Displacement 1: the first segment is the source itself, so level 1 is (1 + s) x source.
  Wave out(1024), ref = src;
  waveFractalizeWith(src.data(), out.data(), 2, 1.0, 0.5);
  const double m = peak(ref);
  for (float& x : ref) x = static_cast<float>(x * 0.98 / m);
  EXPECT_LT(maxDiff(out, ref), 1e-6);
  // Fewer than two iterations copy; the default settings (8, 0.382, 0.5) reach every position.
  waveFractalizeWith(src.data(), out.data(), 1, 0.382, 0.5);
  EXPECT_EQ(maxDiff(out, src), 0.0);
  waveFractalizeWith(src.data(), out.data(), 8, 0.382, 0.5);
  EXPECT_NEAR(peak(out), 0.98, 1e-6);
  // The smallest slope of the box: the weights die out and the result is nearly the source.
  waveFractalizeWith(src.data(), out.data(), 8, 0.382, std::pow(2.0, -103.0 / 6));
  EXPECT_LT(maxDiff(out, ref), 1e-4);
  // Silence stays silence.
  const Wave zero(1024, 0.0f);
  waveFractalizeWith(zero.data(), out.data(), 8, 0.382, 0.5);
  EXPECT_EQ(peak(out), 0.0);
}

TEST(WaveTransforms, FilterReadsTheKernelsTablesAndNormalises) {
  // The rows the transform relies on (pitch indices 0, 240 and 480).
  const struct {
    int i;
    double low, pole, high, g0, a1, a2;
  } rows[] = {{0, 0.000712, 0.999288, 0.999644, 5.07e-7, 1.998993, -0.998993},
              {240, 0.044569, 0.955431, 0.977716, 0.002013, 1.935545, -0.937557},
              {480, 0.945953, 0.054047, 0.527023, 1.136268, -0.120129, -0.016139}};
  for (const auto& r : rows) {
    EXPECT_NEAR(onePoleLowTable[r.i], r.low, 2e-6);
    EXPECT_NEAR(onePoleFeedbackTable[r.i], r.pole, 2e-6);
    EXPECT_NEAR(onePoleHighTable[r.i], r.high, 2e-6);
    EXPECT_NEAR(twoPoleTables.g0[r.i], r.g0, 2e-6 * std::fmax(1.0, r.g0));
    EXPECT_NEAR(twoPoleTables.a1[r.i], r.a1, 2e-6);
    EXPECT_NEAR(twoPoleTables.a2[r.i], r.a2, 2e-6);
  }
  // Harmonics 1 and 20 at equal level through each mode at frequency 0.5 (index 240): the settled
  // periodic result holds them in the ratio of the recurrence's response.
  const Wave two =
      makeWave([](int n) { return 0.5 * std::sin(2 * kPi * n / 1024) + 0.5 * std::sin(2 * kPi * 20 * n / 1024); });
  const int k = 240;
  for (int mode = 1; mode <= 3; ++mode) {
    auto response = [&](int h) {
      const std::complex<double> z1 = std::polar(1.0, -2 * kPi * h / 1024);
      if (mode == 1)
        return std::abs(static_cast<double>(onePoleLowTable[k]) /
                        (1.0 - static_cast<double>(onePoleFeedbackTable[k]) * z1));
      if (mode == 2)
        return std::abs(
            static_cast<double>(twoPoleTables.g0[k]) /
            (1.0 - static_cast<double>(twoPoleTables.a1[k]) * z1 - static_cast<double>(twoPoleTables.a2[k]) * z1 * z1));
      return std::abs(static_cast<double>(onePoleHighTable[k]) * (1.0 - z1) /
                      (1.0 - static_cast<double>(onePoleFeedbackTable[k]) * z1));
    };
    Wave out(1024);
    EXPECT_FLOAT_EQ(waveXformFilter(two.data(), mode, 0.5f, out.data()), 0.5f);
    WaveHarmonic table[64];
    harmonicsAnalyzeSamples(out.data(), table);
    const double expected = response(20) / response(1);
    const double measured = table[19].amp / table[0].amp;
    EXPECT_NEAR(measured / expected, 1.0, 1e-4) << "mode " << mode;
    EXPECT_NEAR(mean(out), 0.0, 1e-6) << mode;
    EXPECT_NEAR(peak(out), 0.995, 1e-6) << mode;
  }
  // Every result has zero mean and peak 0.995, at every corner of the frequency; silence stays silent;
  // another mode copies the source.
  const Wave src = rich(), zero(1024, 0.0f);
  for (int mode = 1; mode <= 3; ++mode)
    for (float f : {0.001f, 0.02f, 0.0415f, 0.3f, 0.5f, 0.99f, 1.0f}) {
      Wave out(1024);
      waveXformFilter(src.data(), mode, f, out.data());
      EXPECT_NEAR(mean(out), 0.0, 1e-6) << mode << " " << f;
      EXPECT_NEAR(peak(out), 0.995, 1e-6) << mode << " " << f;
      waveXformFilter(zero.data(), mode, f, out.data());
      EXPECT_EQ(peak(out), 0.0);
    }
  // A wave that is only a constant has nothing left once its mean is removed: silence, not the
  // rounding of its mean blown up to full scale.
  for (float c : {0.123f, 0.3f, 0.5f, -1.0f})
    for (int mode = 1; mode <= 3; ++mode)
      for (float f : {0.5f, 0.99f}) {
        Wave out(1024);
        waveXformFilter(Wave(1024, c).data(), mode, f, out.data());
        EXPECT_EQ(peak(out), 0.0) << c << " " << mode << " " << f;
      }
  Wave out(1024);
  EXPECT_FLOAT_EQ(waveXformFilter(src.data(), 2, 1.0f, out.data()), 0.99f);
  EXPECT_FLOAT_EQ(waveXformFilter(src.data(), 2, 0.0f, out.data()), 0.001f);
  waveXformFilter(src.data(), 7, 0.5f, out.data());
  EXPECT_EQ(maxDiff(out, src), 0.0);
}

// Hostile waves and settings: every result is finite and within -1..1.
TEST(WaveTransforms, HostileInputsGiveFiniteBoundedResults) {
  const float inf = INFINITY, nan = NAN;
  const std::vector<std::pair<std::string, Wave>> waves = {
      {"nan", Wave(1024, nan)},
      {"inf", makeWave([&](int n) { return n % 3 ? inf : -inf; })},
      {"zeros", Wave(1024, 0.0f)},
      {"huge", makeWave([](int n) { return (n % 2 ? 1 : -1) * 3.0e38 * (n % 7) / 7.0; })},
      {"mixed", makeWave([&](int n) { return n % 5 == 0 ? nan : (n % 5 == 1 ? inf : 1e30 * std::sin(n)); })},
      {"sine", sine()}};
  auto bounded = [](const Wave& w) {
    for (float x : w)
      if (!std::isfinite(x) || std::fabs(x) > 1.0f) return false;
    return true;
  };
  for (const auto& a : waves)
    for (const auto& b : waves) {
      Wave out(1024);
      for (float p : {0.0f, 0.25f, nan, inf, -7.0f}) {
        waveXformPhaseOffset(a.second.data(), p, out.data());
        EXPECT_TRUE(bounded(out)) << "phase " << a.first << " " << p;
      }
      WaveXformSettings s;
      for (float gain : {0.5f, 1.0f, nan, -1e9f, 1e9f}) {
        s.gainA = gain;
        s.gainB = 1 - gain;
        s.ratioB = gain * 40;
        s.phaseB = gain;
        s.invertB = 1;
        waveXformMix(a.second.data(), b.second.data(), s, out.data());
        EXPECT_TRUE(bounded(out)) << "mix " << a.first << " " << b.first << " " << gain;
      }
      for (float index : {0.0f, 32.0f, 1e6f, nan, inf, -1e6f}) {
        s.fmIndex = index;
        s.modRatio = index;
        s.carrierRatio = index;
        s.modPhase = index;
        waveXformFm(a.second.data(), b.second.data(), s, out.data());
        EXPECT_TRUE(bounded(out)) << "fm " << a.first << " " << b.first << " " << index;
      }
    }
  for (const auto& a : waves) {
    Wave out(1024);
    for (int iterations : {0, 1, 2, 8, 100, -5})
      for (double d : {0.0, 0.001, 0.382, 1.0, -0.5, 2.0, static_cast<double>(nan)})
        for (double slope : {0.0, 0.5, 1.0, 1e9, static_cast<double>(nan)}) {
          waveFractalizeWith(a.second.data(), out.data(), iterations, d, slope);
          EXPECT_TRUE(bounded(out)) << "fractalize " << a.first << " " << iterations << " " << d << " " << slope;
        }
    for (int mode : {0, 1, 2, 3, 4})
      for (float f : {0.0f, 2.0f, nan, inf, -inf, 0.5f}) {
        const float used = waveXformFilter(a.second.data(), mode, f, out.data());
        EXPECT_TRUE(bounded(out)) << "filter " << a.first << " " << mode << " " << f;
        EXPECT_TRUE(used >= 0.001f && used <= 0.99f);
      }
  }
}
