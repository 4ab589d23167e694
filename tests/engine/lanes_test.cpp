// Lane set choice: the engine picks the widest lane set the processor runs (AVX where the processor
// and the system have it, in every build), a forced set holds for later engines, and a set the
// processor lacks is lowered. The processor is asked here with CPUID and XGETBV directly, not through
// the probe the choice uses.
#include <gtest/gtest.h>

#include <cstdio>

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

}  // namespace
