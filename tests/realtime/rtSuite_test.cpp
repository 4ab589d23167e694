// Every case of the render suite, played through the audio client's sub-blocks in a child process
// under the seccomp filter and the allocation/lock guard at once: no system call, allocation or lock
// on the audio path, outputs and buses finite and free of denormals after every sub-block, and the
// running state finite at the end. The guards are armed once the player has made its buffers, just
// before the first sub-block. The cases run on the widest lane set the processor has; the cases of the
// lane kernels (ladder filters, Freq Shift, waveshaper, FM) run again on each narrower set.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "engine/lanes.h"
#include "render/suite/renderSuite.h"
#include "rtGuard.h"
#include "rtSyscall.h"
#include "rtWorkload.h"

namespace {

struct Payload {
  int blocks;
  int firstBad;  // first sub-block with a bad output or bus sample, -1 none
  int allocations, releases, locks;
  int stateClean;  // the running state at the end
};

void checkCase(int index) {
  const auto& cases = renderSuiteCases();
  ASSERT_LT(index, static_cast<int>(cases.size()));
  const RenderCase& c = cases[static_cast<std::size_t>(index)];
  rtGuardInit();
  ASSERT_TRUE(renderSuiteSetRate(44100.0f));
  Engine* engine = renderSuiteCreateLoaded(c);
  ASSERT_NE(engine, nullptr) << c.name;

  const void* shared = nullptr;
  const RtSyscallResult r = rtRunWithoutSyscalls(
      [engine](void* p) {
        auto* out = static_cast<Payload*>(p);
        out->firstBad = -1;
        rtReset();
        renderSuitePlay(
            engine,
            [engine, out](const float* const* outputs, int count, int frames) {
              rtDisarm();
              bool clean = rtSamplesClean(&engine->buses[0][0], 3 * frames);
              for (int k = 0; k < count; ++k) clean = clean && rtSamplesClean(outputs[k], frames);
              if (!clean && out->firstBad < 0) out->firstBad = out->blocks;
              ++out->blocks;
              if (out->blocks < renderSuiteBlocks()) rtArm();  // the player's own clean-up follows the last
            },
            [] {
              rtTrapSyscallsNow();  // every sub-block, from the first on
              rtArm();
            });
        rtDisarm();
        out->allocations = rtViolations(rtKindAlloc);
        out->releases = rtViolations(rtKindFree);
        out->locks = rtViolations(rtKindLock);
        out->stateClean = 1;
      },
      sizeof(Payload), &shared, false);
  ASSERT_TRUE(r.childRan) << c.name << ": " << r.failure;
  EXPECT_TRUE(r.finished) << c.name << ": " << rtSyscallName(r.syscallNumber) << "\n" << r.where << r.failure;
  const auto* p = static_cast<const Payload*>(shared);
  EXPECT_EQ(p->blocks, renderSuiteBlocks()) << c.name;
  EXPECT_EQ(p->firstBad, -1) << c.name;
  EXPECT_EQ(p->allocations + p->releases + p->locks, 0)
      << c.name << ": " << p->allocations << " allocations, " << p->releases << " releases, " << p->locks
      << " locks (the in-process run below shows where)";

  // In this process too: the guard's report names the place of any violation, and the running state
  // after the sequence is checked here.
  rtReset();
  std::string fault;
  int blocks = 0;
  renderSuitePlay(
      engine,
      [&](const float* const* outputs, int count, int) {
        rtDisarm();
        if (fault.empty()) fault = rtCheckBlock(engine, outputs, count);
        if (++blocks < renderSuiteBlocks()) rtArm();
      },
      [] { rtArm(); });
  rtDisarm();
  EXPECT_EQ(rtViolations(), 0) << c.name << "\n" << rtReport();
  EXPECT_EQ(fault, "") << c.name;
  EXPECT_EQ(rtCheckEngineState(engine), "") << c.name;
  renderSuiteDestroyEngine(engine);
}

struct RtSuite : ::testing::TestWithParam<int> {};

TEST_P(RtSuite, CaseRendersWithoutSystemCallsAllocationsOrLocksAndStaysNormal) { checkCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Cases, RtSuite, ::testing::Range(0, static_cast<int>(renderSuiteCases().size())),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return renderSuiteCases()[static_cast<std::size_t>(info.param)].name;
                         });

// The lane kernels' cases on the narrower lane sets: (case, lane set).
std::vector<std::tuple<int, int>> laneKernelCases() {
  const char* names[] = {"filter_lpf2pole", "filter_lpf4pole", "filter_lpf6pole",
                         "filter_lpf8pole", "mod_freq_shift",  "osc_fm",
                         "ws_gentle",       "ws_hard",         "dense_mod_shaper_echo"};
  std::vector<std::tuple<int, int>> params;
  const auto& cases = renderSuiteCases();
  for (int set : {laneSetScalar, laneSetSse2})
    for (const char* name : names)
      for (std::size_t i = 0; i < cases.size(); ++i)
        if (cases[i].name == std::string(name)) params.emplace_back(static_cast<int>(i), set);
  return params;
}

struct RtSuiteLanes : ::testing::TestWithParam<std::tuple<int, int>> {
  void TearDown() override { lanesForce(-1); }
};

TEST_P(RtSuiteLanes, CaseRendersWithoutSystemCallsAllocationsOrLocksAndStaysNormal) {
  const int set = std::get<1>(GetParam());
  ASSERT_EQ(lanesForce(set), set);
  checkCase(std::get<0>(GetParam()));
  EXPECT_EQ(lanesActive, set) << "the case's engine ran another lane set";
}

INSTANTIATE_TEST_SUITE_P(Lanes, RtSuiteLanes, ::testing::ValuesIn(laneKernelCases()),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                           return renderSuiteCases()[static_cast<std::size_t>(std::get<0>(info.param))].name +
                                  std::string("_") + lanesName(std::get<1>(info.param));
                         });

}  // namespace
