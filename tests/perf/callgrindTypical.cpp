// A fixed workload for instruction counting under callgrind: 16 voices of the typical voice (three
// "Single" oscillators, "LPF 4 pole", default envelopes) rendered for 256 sub-blocks of 128 frames,
// on the SSE2 lanes a processor without AVX runs (so the count is the same on every processor).
// scripts/callgrind-check.sh counts only callgrindTypicalWorkload (--toggle-collect), so the engine's
// creation and the note starts stay out of the figure. Prints a checksum of the output so the work
// cannot be left out, and fails when the voices fell silent. Another lane set may be named to profile
// it (scalar, sse2, avx); the budget check names none.
#include "perf/callgrindWorkload.h"

const int workloadVoices = 16;
const int workloadBlocks = 256;

extern "C" __attribute__((noinline)) double callgrindTypicalWorkload(BudgetRig* rig) {
  return callgrindRender(rig, workloadBlocks);
}

int main(int argc, char** argv) {
  return callgrindMain(argc, argv,
                       {"callgrindTypical", "typical workload", [] { return budgetTypical(workloadVoices); },
                        workloadBlocks, callgrindTypicalWorkload});
}
