// A fixed workload for instruction counting under callgrind: the budget's worst case (64 voices,
// band-limited "Fractalize" with seven layers on every channel, "LPF 8 pole", the frequency shifters,
// the waveshaper and the three-unit effect) rendered for 32 sub-blocks of 128 frames. Not part of the
// budget check: a profile of where the worst case spends its time, e.g.
//   valgrind --tool=callgrind --toggle-collect=callgrindWorstWorkload build/bench/tests/callgrindWorst [lanes]
// The lanes are SSE2 unless named (scalar, sse2, avx). Prints a checksum of the output so the work
// cannot be left out, and fails when the voices fell silent.
#include "perf/callgrindWorkload.h"

const int workloadBlocks = 32;

extern "C" __attribute__((noinline)) double callgrindWorstWorkload(BudgetRig* rig) {
  return callgrindRender(rig, workloadBlocks);
}

int main(int argc, char** argv) {
  return callgrindMain(
      argc, argv, {"callgrindWorst", "worst-case workload", budgetWorstCase, workloadBlocks, callgrindWorstWorkload});
}
