// Cost of one 128-frame engine block, as microseconds per block and as the share of the 2.9 ms a
// block lasts at 44.1 kHz.
#include <benchmark/benchmark.h>

#include "engine/engine.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

void runEngineBlocks(benchmark::State& state, int activeVoices) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  engine->header.polyphony = 64;
  engineApplyPatchChange(engine, 1);
  for (int v = 0; v < activeVoices; ++v) {
    engine->voices[v].active = 1;
    engine->voices[v].note = 60;
  }
  for (auto* channel : engine->channels) channel->on = 1;
  engineUpdateChannelFlags(engine);
  float out1[128] = {}, out2[128] = {};
  for (auto _ : state) {
    engineRender(engine, 128);
    engineOutputRamp(engine, out1, out2);
    benchmark::DoNotOptimize(engine->buses[0][0]);
  }
  const double blockSeconds = 128.0 / 44100.0;
  // Per block: seconds per iteration, shown in microseconds, and the share of the block's duration.
  state.counters["us_per_block"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6, perIteration);
  state.counters["budget_fraction"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * blockSeconds, perIteration);
  engineDestroy(engine);
}

void BM_EngineRenderIdle(benchmark::State& state) { runEngineBlocks(state, 0); }
void BM_EngineRender64Voices(benchmark::State& state) { runEngineBlocks(state, 64); }

}  // namespace

BENCHMARK(BM_EngineRenderIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineRender64Voices)->Unit(benchmark::kMicrosecond);
