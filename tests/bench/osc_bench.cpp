// Cost of the "Single" oscillator, in seconds per output sample per played voice: plain table
// reading, band-limited (twice the rate and a decimator) and eight unison voices.
#include "oscBench.h"
#include "oscillators/oscTestRig.h"

namespace {

void runSingle(benchmark::State& state, bool bandLimited, int unison) {
  OscRig rig;
  rig.record->bandLimited = bandLimited ? 1u : 0u;
  rig.record->numVoices = unison;
  rig.record->randTrans = 0.3f;
  if (bandLimited) oscRebuildChannelTables(rig.engine, 0);
  oscBenchRun(state, rig, 1, 48, 3);
}

void singlePlain(benchmark::State& state) { runSingle(state, false, 1); }
void singleBandLimited(benchmark::State& state) { runSingle(state, true, 1); }
void singleUnison8(benchmark::State& state) { runSingle(state, false, 8); }
void singleBandLimitedUnison8(benchmark::State& state) { runSingle(state, true, 8); }

}  // namespace

BENCHMARK(singlePlain);
BENCHMARK(singleBandLimited);
BENCHMARK(singleUnison8);
BENCHMARK(singleBandLimitedUnison8);
