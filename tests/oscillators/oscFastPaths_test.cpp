// The oscillators' fast paths compute exactly what the plain forms do: the inline phase reduction
// against the full floor-based one, the four-sample table reader and phase ramp against the
// one-sample forms (bit for bit, over random phases, increments and glides, all block lengths), and
// the detune factors whose power is skipped where it is exactly 1.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscRender.h"
#include "oscillators/oscTableRead.h"
#include "preset/oscRecord.h"

namespace {

std::uint32_t bitsOf(float x) {
  std::uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

float referenceWrap(double phase) {
  if (!std::isfinite(phase)) return 0.0f;
  const double p = phase - 1024.0 * std::floor(phase / 1024.0);
  float f = static_cast<float>(p);
  if (!(f >= 0.0f) || f >= 1024.0f) f = 0.0f;
  return f;
}

TEST(OscFastPaths, InlinePhaseReductionMatchesTheFloorFormBitForBit) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> cases = {0.0,
                               -0.0,
                               1e-300,
                               -1e-300,
                               -1e-320,
                               1e-320,
                               1023.99999999999,
                               1024.0,
                               -1024.0,
                               2047.9999999999,
                               2048.0,
                               -1023.99999999,
                               -1e-14,
                               -5e-324,
                               5e-324,
                               0.5,
                               512.25,
                               1536.75,
                               -512.5,
                               3000.0,
                               -3000.0,
                               1e12,
                               -1e12,
                               inf,
                               -inf,
                               std::nan("")};
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> wide(-4096.0, 4096.0);
  for (int i = 0; i < 200000; ++i) cases.push_back(wide(rng));
  for (double x : cases) ASSERT_EQ(bitsOf(oscWrapPhase(x)), bitsOf(referenceWrap(x))) << "phase " << x;
}

std::vector<float> randomTable(std::mt19937& rng) {
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<float> t(1024);
  for (float& x : t) x = d(rng);
  return t;
}

// The plain reading of the oscillators before the four-sample form existed.
float plainRead(const float* table, std::uint32_t p) {
  const std::uint32_t i = (p >> 16) & 1023u;
  const float a = table[i];
  return a + (table[(i + 1) & 1023u] - a) * oscFractionRamp[(p & 0xFFFFu) >> 8];
}

TEST(OscFastPaths, TableReadersAndRampsMatchThePlainLoopForEveryLength) {
  oscDspInit();
  std::mt19937 rng(9);
  const std::vector<float> table = randomTable(rng);
  std::uniform_int_distribution<std::uint32_t> phase(0, oscPhaseMask);
  std::uniform_int_distribution<std::int32_t> inc(0, 512 * 65536);
  std::uniform_int_distribution<std::int32_t> step(-40000, 40000);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 1 + trial % 256;
    const std::uint32_t p0 = phase(rng);
    const std::int32_t i0 = inc(rng), s = trial % 3 == 0 ? 0 : step(rng);
    // Plain loop.
    std::vector<float> want(n);
    std::uint32_t p = p0;
    std::int32_t i = i0;
    for (int j = 0; j < n; ++j) {
      want[j] = plainRead(table.data(), p);
      p = (p + static_cast<std::uint32_t>(i)) & oscPhaseMask;
      i += s;
    }
    // Four at a time, then one at a time.
    std::vector<float> got(n);
    OscPhaseRamp r{p0, static_cast<std::uint32_t>(i0), static_cast<std::uint32_t>(s)};
    int j = 0;
#ifdef OSC_TABLE_READ_SSE2
    if (n >= 4) {
      OscPhaseRamp4 r4(r);
      for (; j + 4 <= n; j += 4) {
        _mm_storeu_ps(got.data() + j, oscTableRead4(table.data(), r4.p));
        r4.advance();
      }
      r = r4.scalar(r.step);
    }
#endif
    for (; j < n; ++j) got[j] = oscTableRead(table.data(), r.next());
    for (int k = 0; k < n; ++k) ASSERT_EQ(bitsOf(got[k]), bitsOf(want[k])) << "trial " << trial << " sample " << k;
    ASSERT_EQ(r.p, p) << "end phase, trial " << trial;
    ASSERT_EQ(static_cast<std::int32_t>(r.inc), i) << "end increment, trial " << trial;
  }
}

TEST(OscFastPaths, DetuneFactorsWithoutThePowerCallAreTheSame) {
  ChannelOscRecord record{};
  for (double trans : {0.0, 0.1, 7.0, 48.0}) {
    record.trans = static_cast<float>(trans);
    EXPECT_EQ(oscSpreadRatio(&record), std::pow(2.0, static_cast<float>(trans) / 12.0)) << trans;
  }
  for (double t : {1.0, 1.0057929410678534, 1.5, 16.0})
    for (int k = 0; k < oscUnisonMax; ++k) {
      const int j = (k + 1) / 2;
      const double base = ((k + 1) & 1) ? t : 1.0 / t;
      EXPECT_EQ(oscUnisonSpread(k, t), std::pow(base, j)) << "k " << k << " t " << t;
    }
  OscVoiceState state{};
  for (int k = 0; k < oscUnisonMax; ++k) state.unisonRandom[k] = k == 0 ? 0.5f : 0.125f * k;
  for (double depth : {0.0, 0.3, 12.0})
    for (int k = 0; k < oscUnisonMax; ++k) {
      const double e = (2.0 * state.unisonRandom[k] - 1.0) * depth / 12.0;
      EXPECT_EQ(oscDoubleDetune(&state, k, 1.2, depth), oscUnisonSpread(k, 1.2) * std::pow(2.0, e))
          << "k " << k << " depth " << depth;
    }
}

}  // namespace
