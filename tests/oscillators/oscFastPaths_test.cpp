// The oscillators' fast paths compute exactly what the plain forms do: the inline phase reduction
// against the full floor-based one, the four-sample table reader and phase ramp against the
// one-sample forms (bit for bit, over random phases, increments and glides, all block lengths), the
// detune factors whose power is skipped where it is exactly 1, and two grains rendered side by side
// against the same grains rendered one after the other.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "oscillators/oscDouble.h"
#include "oscillators/oscGranular.h"
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
  std::vector<double> cases = {0.0, -0.0, 1e-300, -1e-300, -1e-320, 1e-320, 1023.99999999999,
                               1024.0, -1024.0, 2047.9999999999, 2048.0, -1023.99999999, -1e-14,
                               -5e-324, 5e-324, 0.5, 512.25, 1536.75, -512.5, 3000.0, -3000.0,
                               1e12, -1e12, inf, -inf, std::nan("")};
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> wide(-4096.0, 4096.0);
  for (int i = 0; i < 200000; ++i) cases.push_back(wide(rng));
  for (double x : cases)
    ASSERT_EQ(bitsOf(oscWrapPhase(x)), bitsOf(referenceWrap(x))) << "phase " << x;
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

GrainSlot makeGrain(std::mt19937& rng, bool stereo, std::int32_t life) {
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  GrainSlot g{};
  g.stereo = stereo ? 1 : 0;
  g.start = stereo ? 2 * static_cast<std::int32_t>(rng() % 500) : static_cast<std::int32_t>(rng() % 1000);
  g.readPosition = 10.0 * u(rng);
  g.length = 900;
  g.life = life;
  g.release = 225;
  g.sustainEnd = 675;
  g.attack = 225;
  g.envelopePosition = static_cast<std::int32_t>(rng() % 800);
  g.envelopeStage = g.envelopePosition < 225 ? 0 : (g.envelopePosition < 675 ? 1 : 2);
  g.pitchFactor = 0.5f + 0.5f * u(rng);
  g.amplitude = 0.3f + 0.5f * u(rng);
  g.coefficient = 0.9f * u(rng) - 0.45f;
  g.coefficientStep = 1e-4f * (u(rng) - 0.5f);
  for (float& m : g.allpassMemory) m = u(rng) - 0.5f;
  return g;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameGrain(const GrainSlot& a, const GrainSlot& b) {
  bool same = a.start == b.start && sameBits(a.readPosition, b.readPosition) &&
              a.envelopePosition == b.envelopePosition && a.life == b.life && a.envelopeStage == b.envelopeStage &&
              bitsOf(a.lastGain) == bitsOf(b.lastGain) && bitsOf(a.coefficient) == bitsOf(b.coefficient);
  for (int i = 0; i < 6; ++i) same = same && bitsOf(a.allpassMemory[i]) == bitsOf(b.allpassMemory[i]);
  return same;
}

TEST(OscFastPaths, TwoGrainsSideBySideMatchTheGrainsInTurn) {
  oscDspInit();
  std::mt19937 rng(21);
  std::vector<float> data(2 * 4000);
  std::uniform_real_distribution<float> d(-0.8f, 0.8f);
  for (float& x : data) x = d(rng);
  const std::uint32_t frames = 2000;   // as stereo frames; mono grains see 2000 one-value frames
  for (int trial = 0; trial < 60; ++trial) {
    const bool stereo = trial % 2 == 1;
    const int n = 1 + (trial * 37) % 128;
    const double pitch = 0.25 + (trial % 7) * 0.5;
    // Most trials play through the block; some grains end inside it or would read past the data.
    const std::int32_t life0 = trial % 5 == 0 ? n / 2 : 5000;
    const std::int32_t life1 = trial % 7 == 0 ? n - 1 : 5000;
    GrainSlot a0 = makeGrain(rng, stereo, life0), a1 = makeGrain(rng, stereo, life1);
    if (trial % 11 == 0) a1.start = stereo ? 2 * 1998 : 1998;   // reading would leave the data
    GrainSlot b0 = a0, b1 = a1;
    std::vector<float> outA(2 * n, 0.0f), outB(2 * n, 0.0f), s0(n), s1(n);

    const bool paired = grainRenderPair(&a0, &a1, data.data(), frames, pitch, s0.data(), s1.data(), outA.data(),
                                        static_cast<std::int16_t>(n), static_cast<std::int16_t>(n));
    const bool whole = life0 >= n && life1 >= n && trial % 11 != 0;
    EXPECT_EQ(paired, whole) << "trial " << trial;
    if (!paired) {
      EXPECT_TRUE(sameGrain(a0, b0) && sameGrain(a1, b1)) << "a refused pair changed its grains, trial " << trial;
      continue;
    }
    grainRender(&b0, data.data(), frames, pitch, s0.data(), outB.data(), static_cast<std::int16_t>(n),
                static_cast<std::int16_t>(n));
    grainRender(&b1, data.data(), frames, pitch, s0.data(), outB.data(), static_cast<std::int16_t>(n),
                static_cast<std::int16_t>(n));
    for (int i = 0; i < 2 * n; ++i) ASSERT_EQ(bitsOf(outA[i]), bitsOf(outB[i])) << "trial " << trial << " value " << i;
    EXPECT_TRUE(sameGrain(a0, b0)) << "first grain's state, trial " << trial;
    EXPECT_TRUE(sameGrain(a1, b1)) << "second grain's state, trial " << trial;
  }
}

}  // namespace
