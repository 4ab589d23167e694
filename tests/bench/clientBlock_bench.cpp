// Cost of one device block of the audio client with a silent preset (every channel off): the edit
// commit, then one sub-block per 128 frames (dispatch, inputs, render, decode to eight outputs), as
// microseconds per device block of 128, 512 and 1024 frames.
#include <benchmark/benchmark.h>

#include <chrono>

#include "audioPath/clientSubBlock.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "preset/editBlock.h"
#include "preset/wave.h"

namespace {

void BM_ClientDeviceBlockSilent(benchmark::State& state) {
  presetWavesInit();
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  for (auto* channel : engine->channels) channel->on = 0;
  engineApplyPatchChange(engine, 1);
  const int frames = static_cast<int>(state.range(0));
  float out[8][128] = {};
  float* outputs[8];
  for (int k = 0; k < 8; ++k) outputs[k] = out[k];
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    editCommitPending(engine);
    for (int s = 0; s < frames; s += 128) clientRenderSubBlock(engine, nullptr, 0, outputs, 2, s + 128);
    benchmark::DoNotOptimize(out[0][0]);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (state.iterations() > 0) state.counters["us_per_device_block"] = seconds / state.iterations() * 1e6;
  engineDestroy(engine);
}
BENCHMARK(BM_ClientDeviceBlockSilent)->Arg(128)->Arg(512)->Arg(1024);

}  // namespace
