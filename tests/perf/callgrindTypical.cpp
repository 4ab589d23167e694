// A fixed workload for instruction counting under callgrind: 16 voices of the typical voice (three
// "Single" oscillators, "LPF 4 pole", default envelopes) rendered for 256 sub-blocks of 128 frames,
// on the SSE2 lanes a processor without AVX runs (so the count is the same on every processor).
// scripts/callgrind-check.sh counts only callgrindTypicalWorkload (--toggle-collect), so the engine's
// creation and the note starts stay out of the figure. Prints a checksum of the output so the work
// cannot be left out, and fails when the voices fell silent.
#include <cmath>
#include <cstdio>

#include "engine/lanes.h"
#include "perf/budgetRig.h"

const int workloadVoices = 16;
const int workloadBlocks = 256;

extern "C" __attribute__((noinline)) double callgrindTypicalWorkload(BudgetRig* rig) {
  double sum = 0.0;
  for (int b = 0; b < workloadBlocks; ++b) {
    rig->subBlock();
    sum += std::fabs(rig->output(0)[b & (budgetFrames - 1)]);
  }
  return sum;
}

int main(int argc, char** argv) {
  // Another lane set may be named to profile it (scalar, sse2, avx); the budget check names none.
  const int set = argc > 1 ? lanesParse(argv[1]) : laneSetSse2;
  if (set < 0) {
    std::fprintf(stderr, "usage: callgrindTypical [scalar|sse2|avx]\n");
    return 2;
  }
  lanesForce(set);
  BudgetRig rig(budgetTypical(workloadVoices));
  if (!rig.engine()) {
    std::fprintf(stderr, "engineCreate failed\n");
    return 1;
  }
  const double sum = callgrindTypicalWorkload(&rig);
  const int sounding = rig.soundingVoices();
  std::printf("typical workload: %d voices, %d blocks, %s lanes, sounding %d, checksum %.6g\n", workloadVoices,
              workloadBlocks, lanesName(lanesActive), sounding, sum);
  if (sounding != workloadVoices || !(sum > 0.0) || !std::isfinite(sum)) {
    std::fprintf(stderr, "the voices did not sound through the workload\n");
    return 1;
  }
  return 0;
}
