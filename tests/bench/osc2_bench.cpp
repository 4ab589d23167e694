// Cost of the two-wave oscillators at their heaviest settings, in seconds per output sample per
// played voice: "Double" band-limited with eight unison voices, "FM" and "Ringmod" with eight
// unison voices, "Fractalize" band-limited with seven layers on uneven segments.
#include <benchmark/benchmark.h>

#include <vector>

#include "oscillators/oscTestRig.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

void runType(benchmark::State& state, int type) {
  const int voices = 16;
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
  rig.engine->polyphony = voices;
  std::vector<float> buffers(static_cast<std::size_t>(voices) * 128);
  for (int v = 0; v < voices; ++v) {
    rig.startNote(v, 36 + 3 * v);
    rig.engine->voiceBuffers[0][v] = buffers.data() + 128 * v;
  }
  int block = 0;
  for (auto _ : state) {
    for (int v = 0; v < voices; ++v) rig.envelope(v)->rampLength = 128.0f;
    // A slowly moving balance, index and displacement, as an envelope would move them.
    const float m = 0.75f + 0.25f * static_cast<float>((block++ & 63)) / 64.0f;
    for (int v = 0; v < voices; ++v) {
      rig.engine->modMultipliers[0][v][7] = m;
      rig.engine->modMultipliers[0][v][32] = m;
    }
    oscRenderAll(rig.engine, 128);
    benchmark::DoNotOptimize(buffers.data());
  }
  const double samples = 128.0 * voices;
  // Seconds per output sample of one played voice (shown with its SI prefix, e.g. "3.2n").
  state.counters["per_sample_voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * samples, perIteration);
  for (int v = 0; v < voices; ++v) rig.engine->voiceBuffers[0][v] = nullptr;
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
