// The harmonics view's maths: the analysis and the rebuild against the direct sums (an angle advanced
// sample by sample, a sine and a cosine per term) to 1e-6, the bar scales, the residual that keeps
// what 64 harmonics do not hold, the table operations, and hostile waves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "wave/waveHarmonicsMath.h"

namespace {

const double kPi = 3.14159265358979323846;
typedef std::vector<float> Wave;

Wave makeWave(const std::function<double(int)>& f) {
  Wave w(1024);
  for (int n = 0; n < 1024; ++n) w[n] = static_cast<float>(f(n));
  return w;
}
Wave rich() {
  uint32_t seed = 777;
  return makeWave([&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return 0.3 * std::sin(2 * kPi * n / 1024 + 0.4) + 0.25 * std::sin(2 * kPi * 5 * n / 1024 - 2.0) +
           0.1 * std::sin(2 * kPi * 40 * n / 1024 + 1.0) + 0.05 * std::sin(2 * kPi * 100 * n / 1024) +
           ((seed >> 8) / 16777216.0 - 0.5) * 0.05;
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
void normalizeRef(std::vector<double>& v) {
  double p = 0;
  for (double x : v) p = std::fmax(p, std::fabs(x));
  if (p == 0) return;
  for (double& x : v) x = x * 0.995 / p + 1e-24;
}

// The direct sums.
void refAnalyze(const Wave& w, WaveHarmonic* t) {
  double largest = 0;
  for (int k = 0; k < 64; ++k) {
    double re = 0, im = 0, a = 0;
    for (int n = 0; n < 1024; ++n) {
      re += w[n] * std::cos(a);
      im += w[n] * std::sin(a);
      a += (k + 1) * 0.006135923151542969;
    }
    t[k].amp = std::sqrt(re * re + im * im);
    t[k].phase = std::atan2(re, im);
    largest = std::fmax(largest, t[k].amp);
  }
  for (int k = 0; k < 64; ++k) {
    t[k].amp /= largest;
    if (t[k].amp < 1e-5) t[k].phase = 0;
  }
}
std::vector<double> refResynth(const WaveHarmonic* t) {
  std::vector<double> r(1024, 0.0);
  for (int k = 0; k < 64; ++k) {
    double a = t[k].phase;
    for (int n = 0; n < 1024; ++n) {
      r[n] += t[k].amp * std::sin(a);
      a += (k + 1) * 0.006135923151542969;
    }
  }
  normalizeRef(r);
  return r;
}

struct Analysed {
  WaveHarmonic table[64];
  Wave resynth = Wave(1024), residual = Wave(1024);
  explicit Analysed(const Wave& w) {
    harmonicsAnalyzeSamples(w.data(), table);
    harmonicsResynthesize(table, resynth.data());
    harmonicsResidual(w.data(), resynth.data(), residual.data());
  }
  Wave rebuild() {
    Wave out(1024);
    harmonicsRebuildSamples(table, residual.data(), resynth.data(), out.data());
    return out;
  }
};

}  // namespace

TEST(HarmonicsMath, AnalysisAndRebuildMatchTheDirectSums) {
  const Wave w = rich();
  WaveHarmonic mine[64], ref[64];
  harmonicsAnalyzeSamples(w.data(), mine);
  refAnalyze(w, ref);
  for (int k = 0; k < 64; ++k) {
    EXPECT_NEAR(mine[k].amp, ref[k].amp, 1e-6) << k;
    if (ref[k].amp > 1e-3) {
      EXPECT_NEAR(mine[k].phase, ref[k].phase, 1e-6) << k;
    }
  }
  // A rebuild of a table with arbitrary amps and phases, and the rebuild with the residual.
  WaveHarmonic t[64];
  for (int k = 0; k < 64; ++k) t[k] = WaveHarmonic{std::fabs(std::sin(k * 1.7)) / (k + 1), k * 0.9 - 20.0};
  Wave resynth(1024);
  harmonicsResynthesize(t, resynth.data());
  const std::vector<double> r = refResynth(t);
  for (int n = 0; n < 1024; ++n) ASSERT_NEAR(resynth[n], r[n], 1e-6) << n;
  // Without an edit, the rebuild with the residual is the wave again, normalised.
  Analysed a(w);
  Wave back = a.rebuild();
  std::vector<double> expect(w.begin(), w.end());
  normalizeRef(expect);
  for (int n = 0; n < 1024; ++n) ASSERT_NEAR(back[n], expect[n], 1e-6) << n;
}

TEST(HarmonicsMath, SinesAnalyseToTheirHarmonicAndPhase) {
  // One cycle of a sine: harmonic 1 at amp 1.0, phase 0, every other amp below 1e-05 (phase 0).
  WaveHarmonic t[64];
  const Wave s = makeWave([](int n) { return std::sin(2 * kPi * n / 1024); });
  harmonicsAnalyzeSamples(s.data(), t);
  EXPECT_NEAR(t[0].amp, 1.0, 1e-12);
  EXPECT_NEAR(t[0].phase, 0.0, 1e-6);
  for (int k = 1; k < 64; ++k) {
    EXPECT_LT(t[k].amp, 1e-5) << k;
    EXPECT_EQ(t[k].phase, 0.0) << k;
  }
  EXPECT_EQ(harmonicsAmpBar(t[0].amp), 0);
  for (int k = 1; k < 64; ++k) EXPECT_EQ(harmonicsAmpBar(t[k].amp), 128) << k;
  // A sin(2 pi h n / 1024 + p) gives phase p at harmonic h.
  const struct {
    int h;
    double p, a;
  } cases[] = {{1, 1.0, 0.5}, {3, -2.5, 1.0}, {17, 3.0, 0.01}, {64, -0.3, 0.9}, {40, 0.0, 1.0}};
  for (const auto& c : cases) {
    const Wave w = makeWave([&](int n) { return c.a * std::sin(2 * kPi * c.h * n / 1024 + c.p); });
    harmonicsAnalyzeSamples(w.data(), t);
    EXPECT_NEAR(t[c.h - 1].amp, 1.0, 1e-9) << c.h;
    EXPECT_NEAR(t[c.h - 1].phase, c.p, 1e-5) << c.h;
  }
}

TEST(HarmonicsMath, BarScalesAndMouseValues) {
  const struct {
    double amp;
    int16_t bar;
  } amps[] = {{1.0, 0},   {0.5, 12},   {0.25, 24}, {0.7071, 6},
              {0.0, 128}, {1e-9, 128}, {2.0, 0},   {std::pow(2.0, -128.0 / 12), 128}};
  for (const auto& c : amps) EXPECT_EQ(harmonicsAmpBar(c.amp), c.bar) << c.amp;
  // 126 rows per turn after an analysis, 128 after a mouse edit; negative phases wrap.
  const struct {
    double phase;
    int16_t analysed, mouse;
  } phases[] = {{0.0, 0, 0},     {kPi, 63, 64},  {-kPi / 2, 95, 96}, {2 * kPi, 0, 0},
                {6.2, 124, 126}, {-0.001, 0, 0}, {13.0, 9, 9}};
  for (const auto& c : phases) {
    EXPECT_EQ(harmonicsPhaseBarAnalysis(c.phase), c.analysed) << c.phase;
    EXPECT_EQ(harmonicsPhaseBarMouse(c.phase), c.mouse) << c.phase;
  }
  EXPECT_NEAR(harmonicsPhaseRemainder(-7.0), -7.0 + 6.2831854820251465, 1e-12);
  // Mouse heights: the top is amp 1, row 128 and below 2^-10.67; phase rows 128..255 over one turn.
  EXPECT_DOUBLE_EQ(harmonicsMouseAmp(0.0), 1.0);
  EXPECT_DOUBLE_EQ(harmonicsMouseAmp(12.0), 1.0);
  EXPECT_DOUBLE_EQ(harmonicsMouseAmp(-12.0), 0.5);
  EXPECT_NEAR(harmonicsMouseAmp(-128.0), std::pow(2.0, -10.6666667), 1e-9);
  EXPECT_NEAR(harmonicsMouseAmp(-500.0), std::pow(2.0, -10.6666667), 1e-9);
  EXPECT_NEAR(harmonicsMousePhase(-128.0), 2 * kPi, 1e-9);  // a phase of exactly 2 pi stays
  EXPECT_NEAR(harmonicsMousePhase(-192.0), kPi, 1e-6);
  EXPECT_NEAR(harmonicsMousePhase(-160.0), 160 * 2 * kPi / 128 - 2 * kPi, 1e-6);
  EXPECT_NEAR(harmonicsMousePhase(-255.0), 255 * 2 * kPi / 128 - 6.28318530718, 1e-6);
  for (double v : {static_cast<double>(NAN), 1e300, -1e300}) {
    EXPECT_TRUE(std::isfinite(harmonicsMouseAmp(v)));
    EXPECT_TRUE(std::isfinite(harmonicsMousePhase(v)));
  }
}

// A constant offset is no harmonic: the bars stay, the offset sits in the residual and survives an
// edit of the table (scaled by the final normalisation).
TEST(HarmonicsMath, OffsetLivesInTheResidual) {
  const Wave plain = rich();
  const Wave lifted = makeWave([&](int n) { return plain[n] + 0.3; });
  Analysed a(plain), b(lifted);
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(harmonicsAmpBar(a.table[k].amp), harmonicsAmpBar(b.table[k].amp)) << k;
    EXPECT_EQ(harmonicsPhaseBarAnalysis(a.table[k].phase), harmonicsPhaseBarAnalysis(b.table[k].phase)) << k;
  }
  double residualMean = 0;
  for (float x : b.residual) residualMean += x / 1024.0;
  EXPECT_NEAR(residualMean, 0.3, 1e-3);
  // An edit: harmonic 3 raised to full level. The rebuild keeps the offset (mean / peak ratio).
  b.table[2].amp = 1.0;
  const Wave edited = b.rebuild();
  double m = 0;
  for (float x : edited) m += x / 1024.0;
  std::vector<double> pre(1024);
  double p = 0;
  for (int n = 0; n < 1024; ++n) {
    pre[n] = b.resynth[n] + b.residual[n];
    p = std::fmax(p, std::fabs(pre[n]));
  }
  EXPECT_NEAR(m, 0.3 * 0.995 / p, 2e-3);
  EXPECT_GT(m, 0.1);
}

TEST(HarmonicsMath, TableOperations) {
  const Wave w = rich();
  // Clear All: a sine of one cycle (phase 0) plus the residual, normalised.
  {
    Analysed a(w);
    harmonicsClearTable(a.table, true, true);
    EXPECT_EQ(a.table[0].amp, 1.0);
    for (int k = 1; k < 64; ++k) EXPECT_EQ(a.table[k].amp, 0.0);
    const Wave out = a.rebuild();
    std::vector<double> expect(1024);
    for (int n = 0; n < 1024; ++n)
      expect[n] = static_cast<float>(0.995 * std::sin(2 * kPi * n / 1024) + 1e-24) + a.residual[n];
    normalizeRef(expect);
    for (int n = 0; n < 1024; ++n) ASSERT_NEAR(out[n], expect[n], 1e-6) << n;
    // Clear Amplitudes keeps the phases; Clear Phase the amps.
    Analysed c(w);
    const WaveHarmonic before = c.table[4];
    harmonicsClearTable(c.table, false, true);
    EXPECT_EQ(c.table[4].amp, before.amp);
    EXPECT_EQ(c.table[4].phase, 0.0);
  }
  // Invert Phase twice gives the wave back; a phase of 0 becomes pi.
  {
    Analysed a(w);
    const Wave once = a.rebuild();
    harmonicsInvertTable(a.table);
    harmonicsInvertTable(a.table);
    EXPECT_LT(maxDiff(a.rebuild(), once), 1e-5);
    WaveHarmonic z[64] = {};
    harmonicsInvertTable(z);
    EXPECT_NEAR(z[0].phase, 3.14159265359, 1e-12);
    // Once: the harmonic part is negated, the residual stays.
    Analysed b(w);
    harmonicsInvertTable(b.table);
    b.rebuild();
    Analysed c(w);
    for (int n = 0; n < 1024; ++n) ASSERT_NEAR(b.resynth[n], -c.resynth[n], 1e-6) << n;
  }
  // Shift: 0 rebuilds the snapshot unchanged; moving it back and forth loses nothing.
  {
    Analysed a(w);
    WaveHarmonic snapshot[64];
    for (int k = 0; k < 64; ++k) snapshot[k] = a.table[k];
    const Wave unchanged = a.rebuild();
    harmonicsShiftTable(snapshot, a.table, 0);
    EXPECT_EQ(maxDiff(a.rebuild(), unchanged), 0.0);
    for (int s : {5, 63, -63, 64, -64, 200, -7, 1}) harmonicsShiftTable(snapshot, a.table, s);
    harmonicsShiftTable(snapshot, a.table, 0);
    EXPECT_EQ(maxDiff(a.rebuild(), unchanged), 0.0);
    harmonicsShiftTable(snapshot, a.table, 63);
    EXPECT_EQ(a.table[63].amp, snapshot[0].amp);
    for (int k = 0; k < 63; ++k) EXPECT_EQ(a.table[k].amp, 0.0);
    harmonicsShiftTable(snapshot, a.table, -63);
    EXPECT_EQ(a.table[0].amp, snapshot[63].amp);
    for (int k = 1; k < 64; ++k) EXPECT_EQ(a.table[k].amp, 0.0);
    harmonicsShiftTable(snapshot, a.table, 3);
    EXPECT_EQ(a.table[3].phase, snapshot[0].phase);
    EXPECT_EQ(a.table[2].amp, 0.0);
  }
  // An all-zero table rebuilds the residual alone, normalised.
  {
    Analysed a(w);
    for (auto& h : a.table) h = WaveHarmonic{0.0, 0.0};
    const Wave out = a.rebuild();
    std::vector<double> expect(a.residual.begin(), a.residual.end());
    normalizeRef(expect);
    for (int n = 0; n < 1024; ++n) ASSERT_NEAR(out[n], expect[n], 1e-6) << n;
  }
}

// Non-finite samples count as 0; silence analyses to an all-zero table; every rebuild is finite and
// within -1..1, also from hostile tables.
TEST(HarmonicsMath, HostileWavesAndTables) {
  const float inf = INFINITY, nan = NAN;
  const std::vector<Wave> waves = {
      Wave(1024, nan),
      Wave(1024, inf),
      Wave(1024, 0.0f),
      makeWave([](int n) { return (n % 2 ? 3.0e38 : -3.0e38) * std::sin(n * 0.01); }),
      makeWave([&](int n) { return n % 4 == 0 ? nan : (n % 4 == 1 ? -inf : std::sin(2 * kPi * n / 1024)); }),
      Wave(1024, 1e-30f)};
  for (size_t i = 0; i < waves.size(); ++i) {
    Analysed a(waves[i]);
    for (int k = 0; k < 64; ++k) {
      ASSERT_TRUE(std::isfinite(a.table[k].amp) && std::isfinite(a.table[k].phase)) << i << " " << k;
      ASSERT_TRUE(a.table[k].amp >= 0 && a.table[k].amp <= 1.0 + 1e-12) << i;
      ASSERT_GE(harmonicsAmpBar(a.table[k].amp), 0);
    }
    for (int edit = 0; edit < 3; ++edit) {
      if (edit == 1) harmonicsClearTable(a.table, true, true);
      if (edit == 2) harmonicsInvertTable(a.table);
      const Wave out = a.rebuild();
      for (int n = 0; n < 1024; ++n) ASSERT_TRUE(std::isfinite(out[n]) && std::fabs(out[n]) <= 1.0f) << i << " " << n;
    }
  }
  // Silence: all amps 0, and the rebuild of silence stays silent.
  Analysed z(Wave(1024, 0.0f));
  for (int k = 0; k < 64; ++k) EXPECT_EQ(z.table[k].amp, 0.0);
  EXPECT_EQ(peak(z.rebuild()), 0.0);
  // A table holding non-finite or huge values.
  WaveHarmonic bad[64];
  for (int k = 0; k < 64; ++k) bad[k] = WaveHarmonic{k % 3 ? 1e300 : nan, k % 2 ? inf : 1e300};
  Wave resynth(1024), residual(1024, 0.5f), out(1024);
  harmonicsRebuildSamples(bad, residual.data(), resynth.data(), out.data());
  for (int n = 0; n < 1024; ++n) ASSERT_TRUE(std::isfinite(out[n]) && std::fabs(out[n]) <= 1.0f) << n;
}
