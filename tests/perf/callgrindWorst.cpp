// A fixed workload for instruction counting under callgrind: the budget's worst case (64 voices,
// band-limited "Fractalize" with seven layers on every channel, "LPF 8 pole", the frequency shifters,
// the waveshaper and the three-unit effect) rendered for 32 sub-blocks of 128 frames. Not part of the
// budget check: a profile of where the worst case spends its time, e.g.
//   valgrind --tool=callgrind --toggle-collect=callgrindWorstWorkload build/bench/tests/callgrindWorst [lanes]
// The lanes are SSE2 unless named (scalar, sse2, avx). Prints a checksum of the output so the work
// cannot be left out, and fails when the voices fell silent.
#include <cmath>
#include <cstdio>

#include "engine/lanes.h"
#include "perf/budgetRig.h"

const int workloadBlocks = 32;

extern "C" __attribute__((noinline)) double callgrindWorstWorkload(BudgetRig* rig) {
  double sum = 0.0;
  for (int b = 0; b < workloadBlocks; ++b) {
    rig->subBlock();
    sum += std::fabs(rig->output(0)[b & (budgetFrames - 1)]);
  }
  return sum;
}

int main(int argc, char** argv) {
  const int set = argc > 1 ? lanesParse(argv[1]) : laneSetSse2;
  if (set < 0) {
    std::fprintf(stderr, "usage: callgrindWorst [scalar|sse2|avx]\n");
    return 2;
  }
  lanesForce(set);
  const BudgetSetup setup = budgetWorstCase();
  BudgetRig rig(setup);
  if (!rig.engine()) {
    std::fprintf(stderr, "engineCreate failed\n");
    return 1;
  }
  const double sum = callgrindWorstWorkload(&rig);
  const int sounding = rig.soundingVoices();
  std::printf("worst-case workload: %d voices, %d blocks, %s lanes, sounding %d, checksum %.6g\n", setup.voices,
              workloadBlocks, lanesName(lanesActive), sounding, sum);
  if (sounding != setup.voices || !(sum > 0.0) || !std::isfinite(sum)) {
    std::fprintf(stderr, "the voices did not sound through the workload\n");
    return 1;
  }
  return 0;
}
