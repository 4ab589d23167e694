// The frame of the fixed callgrind workloads: each program names its workload function (callgrind's
// --toggle-collect counts only that one, so the engine's creation and the note starts stay out of the
// figure) and leaves the rest here: the lane set from the command line (SSE2 unless named: scalar,
// sse2, avx), the rig, a printed checksum of the output so the work cannot be left out, and a failing
// exit when the voices fell silent.
#pragma once
#include <cmath>
#include <cstdio>

#include "engine/lanes.h"
#include "perf/budgetRig.h"

// Renders the sub-blocks, summing one sample of each; called from the program's workload function.
inline double callgrindRender(BudgetRig* rig, int blocks) {
  double sum = 0.0;
  for (int b = 0; b < blocks; ++b) {
    rig->subBlock();
    sum += std::fabs(rig->output(0)[b & (budgetFrames - 1)]);
  }
  return sum;
}

struct CallgrindWorkload {
  const char* program;     // the usage line's name
  const char* title;       // the result line's lead, e.g. "typical workload"
  BudgetSetup (*setup)();  // made after the lanes are forced
  int blocks;
  double (*run)(BudgetRig*);
};

inline int callgrindMain(int argc, char** argv, const CallgrindWorkload& w) {
  const int set = argc > 1 ? lanesParse(argv[1]) : laneSetSse2;
  if (set < 0) {
    std::fprintf(stderr, "usage: %s [scalar|sse2|avx]\n", w.program);
    return 2;
  }
  lanesForce(set);
  const BudgetSetup setup = w.setup();
  BudgetRig rig(setup);
  if (!rig.engine()) {
    std::fprintf(stderr, "engineCreate failed\n");
    return 1;
  }
  const double sum = w.run(&rig);
  const int sounding = rig.soundingVoices();
  std::printf("%s: %d voices, %d blocks, %s lanes, sounding %d, checksum %.6g\n", w.title, setup.voices, w.blocks,
              lanesName(lanesActive), sounding, sum);
  if (sounding != setup.voices || !(sum > 0.0) || !std::isfinite(sum)) {
    std::fprintf(stderr, "the voices did not sound through the workload\n");
    return 1;
  }
  return 0;
}
