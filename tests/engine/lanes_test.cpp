// Lane set choice: the engine picks the widest lane set the processor runs (AVX where the processor
// and the system have it, in every build), a forced set holds for later engines, and a set the
// processor lacks is lowered. The processor is asked here with CPUID and XGETBV directly, not through
// the probe the choice uses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/engine.h"
#include "engine/lanes.h"

namespace {

bool processorHasAvx() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a, b, c, d;
  __asm__ volatile("cpuid" : "=a"(a), "=b"(b), "=c"(c), "=d"(d) : "a"(1), "c"(0));
  const bool avx = (c >> 28) & 1u, osxsave = (c >> 27) & 1u;
  if (!avx || !osxsave) return false;
  unsigned lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (lo & 6u) == 6u;  // the system saves the XMM and YMM registers
#else
  return false;
#endif
}

struct LanesTest : ::testing::Test {
  void TearDown() override { lanesForce(-1); }
};

TEST_F(LanesTest, EngineChoosesWidestSetOfProcessor) {
  lanesForce(-1);
  lanesActive = laneSetScalar;  // whatever ran before: the engine's set-up chooses again
  Engine* e = engineCreate();
  ASSERT_NE(e, nullptr);
  const int expected = processorHasAvx() ? laneSetAvx : laneSetSse2;
  EXPECT_EQ(lanesWidest(), expected);
  EXPECT_EQ(lanesActive, expected) << "chose " << lanesName(lanesActive);
  engineDestroy(e);
  // Shown in the test log, so a run under Wine tells which kernels ran.
  std::printf("lanes: %s\n", lanesName(lanesActive));
}

TEST_F(LanesTest, ForcedSetHoldsForLaterEnginesAndIsLoweredToWhatProcessorRuns) {
  for (int set : {laneSetScalar, laneSetSse2, laneSetAvx}) {
    const int got = lanesForce(set);
    EXPECT_EQ(got, set <= lanesWidest() ? set : lanesWidest());
    Engine* e = engineCreate();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(lanesActive, got);
    engineDestroy(e);
  }
  EXPECT_EQ(lanesForce(-1), lanesWidest());
  EXPECT_EQ(lanesForce(7), lanesWidest());  // no such set: none forced
}

TEST_F(LanesTest, NamesParseBack) {
  for (int set : {laneSetScalar, laneSetSse2, laneSetAvx}) EXPECT_EQ(lanesParse(lanesName(set)), set);
  EXPECT_EQ(lanesParse("avx2"), -1);
  EXPECT_EQ(lanesParse(nullptr), -1);
}

// The value helpers against the plain comparisons they stand for, lane by lane, on values at and
// around their limits (signed zeros, NaN, infinities, the smallest doubles): every lane of every width
// must give what the one-lane form gives.
std::vector<double> edgeValues() {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  return {0.0,
          -0.0,
          1e-31,
          -1e-31,
          1e-30,
          -1e-30,
          1.0000001e-30,
          -9.999999e-31,
          64.0,
          -64.0,
          64.0000001,
          -64.0000001,
          1e300,
          -1e300,
          inf,
          -inf,
          nan,
          -nan,
          4.9e-324,
          -4.9e-324,
          3.4028235677973366e38,
          3.4028235677973369e38,
          1.0 / 3.0,
          -2.5};
}

std::uint64_t bitsOf(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}
std::uint32_t bitsOf(float x) {
  std::uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Runs the helpers of L over every window of W values, comparing each lane with the plain form.
template <class L>
LANES_INLINE void checkValueHelpers(const char* name) {
  const int W = L::width;
  const std::vector<double> v = edgeValues();
  const int n = static_cast<int>(v.size());
  for (int start = 0; start < n; ++start) {
    typename L::Value x{};
    for (int h = 0; h < W; ++h) L::set(x, h, v[(start + h) % n]);
    bool anyAbove = false;
    for (int h = 0; h < W; ++h) {
      const double a = v[(start + h) % n];
      anyAbove = anyAbove || a > 64.0 || a < -64.0;
    }
    EXPECT_EQ(L::anyAbsAbove(x, 64.0), anyAbove) << name << " from " << v[start];

    typename L::Value z = x;
    L::zeroAbsBelow(z, 1e-30);
    float out[W];
    float* rows[W];
    for (int h = 0; h < W; ++h) rows[h] = out + h;
    L::scatter(z, rows, 0);
    for (int h = 0; h < W; ++h) {
      const double a = v[(start + h) % n];
      const double expected = a < 1e-30 && a > -1e-30 ? 0.0 : a;  // +0 for both zeros
      EXPECT_EQ(bitsOf(L::get(z, h)), bitsOf(expected)) << name << " lane " << h << " value " << a;
      EXPECT_EQ(bitsOf(out[h]), bitsOf(static_cast<float>(expected))) << name << " lane " << h << " value " << a;
    }
  }
}

#if LANES_AVX
LANES_TARGET_AVX void checkValueHelpersAvx() { checkValueHelpers<Lanes<double, 4>>("avx"); }
#endif

TEST(LanesValueHelpers, EveryWidthGivesThePlainComparisonsResults) {
  checkValueHelpers<Lanes<double, 1>>("scalar");
  checkValueHelpers<Lanes<double, 2>>("sse2");
#if LANES_AVX
  if (lanesWidest() == laneSetAvx) checkValueHelpersAvx();
#endif
}

}  // namespace
