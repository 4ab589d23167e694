// Cost of one 128-frame engine block, as microseconds per block and as the share of the 2.9 ms a
// block lasts at 44.1 kHz.
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/engine.h"

namespace {


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
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    engineRender(engine, 128);
    engineOutputRamp(engine, out1, out2);
    benchmark::DoNotOptimize(engine->buses[0][0]);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  const double blockSeconds = 128.0 / 44100.0;   // 2.9 ms
  state.counters["us_per_block"] = perBlock * 1e6;
  state.counters["budget_fraction"] = perBlock / blockSeconds;
  engineDestroy(engine);
}

void BM_EngineRenderIdle(benchmark::State& state) { runEngineBlocks(state, 0); }
void BM_EngineRender64Voices(benchmark::State& state) { runEngineBlocks(state, 64); }

}  // namespace

BENCHMARK(BM_EngineRenderIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineRender64Voices)->Unit(benchmark::kMicrosecond);
