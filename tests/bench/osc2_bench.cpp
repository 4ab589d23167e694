// Cost of the two-wave oscillators at their heaviest settings, in seconds per output sample per
// played voice: "Double" band-limited with eight unison voices, "FM" and "Ringmod" with eight
// unison voices, "Fractalize" band-limited with seven layers on uneven segments.
#include "oscBench.h"
#include "oscillators/oscTestRig.h"

namespace {

void runType(benchmark::State& state, int type) {
  OscRig rig;
  rig.record->type = type;
  rig.record->waveA = 2;
  rig.record->waveB = 7;
  rig.record->pitchRatioB = 1.51f;
  rig.record->numVoices = type == oscTypeFractalize ? 1 : 8;
  rig.record->trans = 0.1f;
  rig.record->randTrans = 0.3f;
  rig.record->fmIndex = 3.0f * oscFmIndexScale;
  rig.record->balanceDouble = 0.4f;
  rig.record->balanceRingmod = 0.6f;
  rig.record->iterations = 7;
  rig.record->amount = 0.8f;
  rig.record->displacement = 0.3f;
  rig.record->bandLimited = type == oscTypeDouble || type == oscTypeFractalize ? 1u : 0u;
  if (rig.record->bandLimited) oscRebuildChannelTables(rig.engine, 0);
  // A slowly moving balance, index and displacement, as an envelope would move them.
  oscBenchRun(state, rig, 1, 36, 3, [&](int block) {
    const float m = 0.75f + 0.25f * static_cast<float>((block & 63)) / 64.0f;
    for (int v = 0; v < 16; ++v) {
      rig.engine->modMultipliers[0][v][modRowOscIndex] = m;
      rig.engine->modMultipliers[0][v][modRowFractDisplacement] = m;
    }
  });
}

void doubleBandLimitedUnison8(benchmark::State& state) { runType(state, oscTypeDouble); }
void fmUnison8(benchmark::State& state) { runType(state, oscTypeFm); }
void ringmodUnison8(benchmark::State& state) { runType(state, oscTypeRingmod); }
void fractalizeBandLimited7(benchmark::State& state) { runType(state, oscTypeFractalize); }

}  // namespace

BENCHMARK(doubleBandLimitedUnison8);
BENCHMARK(fmUnison8);
BENCHMARK(ringmodUnison8);
BENCHMARK(fractalizeBandLimited7);
