// Cost of the "Single" oscillator, in seconds per output sample per played voice: plain table
// reading, band-limited (twice the rate and a decimator) and eight unison voices.
#include <benchmark/benchmark.h>

#include <vector>

#include "oscillators/oscTestRig.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

void runSingle(benchmark::State& state, bool bandLimited, int unison) {
  const int voices = 16;
  OscRig rig;
  rig.record->bandLimited = bandLimited ? 1u : 0u;
  rig.record->numVoices = unison;
  rig.record->randTrans = 0.3f;
  if (bandLimited) oscRebuildChannelTables(rig.engine, 0);
  rig.engine->polyphony = voices;
  std::vector<float> buffers(static_cast<std::size_t>(voices) * 128);
  for (int v = 0; v < voices; ++v) {
    rig.startNote(v, 48 + 3 * v);
    rig.engine->voiceBuffers[0][v] = buffers.data() + 128 * v;
  }
  for (auto _ : state) {
    for (int v = 0; v < voices; ++v) rig.envelope(v)->rampLength = 128.0f;
    oscRenderAll(rig.engine, 128);
    benchmark::DoNotOptimize(buffers.data());
  }
  const double samples = 128.0 * voices;
  // Seconds per output sample of one played voice (shown with its SI prefix, e.g. "3.2n").
  state.counters["per_sample_voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * samples, perIteration);
  for (int v = 0; v < voices; ++v) rig.engine->voiceBuffers[0][v] = nullptr;
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
