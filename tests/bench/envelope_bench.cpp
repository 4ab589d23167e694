// The envelope kernel alone at its worst case: 28 envelopes on each of 64 voices, with the
// per-breakpoint LFO and the controller scaling on; ns per envelope step (one instance, one block).
// A second case lets every voice decay into silence and stay there: ended and released envelopes
// must cost no more than running ones (no power function on flat segments, no denormals).
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/engine.h"
#include "engine/envGen.h"
#include "engine/envNote.h"
#include "preset/envelope.h"

namespace {

const int benchVoices = 64;

Engine* makeEngine(bool lfo) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) return nullptr;
  engine->header.polyphony = benchVoices;
  for (auto* channel : engine->channels) channel->on = 1;
  engineApplyPatchChange(engine, 1);
  // Slots 3..27 on per-voice destinations of the three channels, curved segments.
  const EnvDestKind dests[] = {envDestOscPitch,   envDestOscPhase,    envDestOscModPhase, envDestOscModPitch,
                               envDestOscBalance, envDestOscIndexBal, envDestOscRingBal,  envDestOscVol};
  for (int s = 3; s < envSlotCount; ++s) envCreate(engine, static_cast<std::int16_t>(s % 3), dests[s % 8]);
  for (int s = 0; s < envSlotCount; ++s) {
    EnvelopeSlot* slot = envSlot(engine, static_cast<std::int16_t>(s));
    slot->lfoOn = lfo;
    slot->ccScaleOn = lfo;
    for (auto& b : slot->breakpoints) b.slope = 0.7f;
    slot->breakpoints[1].time = 4410.0;
    slot->breakpoints[2].time = 4410.0;
  }
  for (std::int16_t v = 0; v < benchVoices; ++v) {
    engine->voices[v].active = 1;
    engine->voices[v].note = 60;
    engine->voices[v].state = 3;
    envStartVoice(engine, v, 0);
  }
  return engine;
}

void report(benchmark::State& state, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  state.counters["us_per_block"] = perBlock * 1e6;
  state.counters["ns_per_step"] = perBlock * 1e9 / (envSlotCount * benchVoices);
  state.counters["budget_fraction"] = perBlock / (128.0 / 44100.0);
}

// Runs held notes in their rising segments (restarted every 16 blocks, so most blocks are curves).
void BM_EnvelopeKernelWorstCase(benchmark::State& state) {
  Engine* engine = makeEngine(state.range(0) != 0);
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  int n = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (++n % 16 == 0) {
      state.PauseTiming();
      for (std::int16_t v = 0; v < benchVoices; ++v) envStartVoice(engine, v, 0);
      state.ResumeTiming();
    }
    engineResetModulation(engine);
    envRenderAll(engine, 128);
    benchmark::DoNotOptimize(engine->modMultipliers[0][0][1]);
  }
  report(state, start);
  engineDestroy(engine);
}

// Every voice released and run into silence first; then the timed blocks of silent envelopes.
void BM_EnvelopeKernelSilent(benchmark::State& state) {
  Engine* engine = makeEngine(false);
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  for (std::int16_t v = 0; v < benchVoices; ++v) envReleaseVoice(engine, v, 0);
  for (int b = 0; b < 400; ++b) {
    engineResetModulation(engine);
    envRenderAll(engine, 128);
  }
  for (std::int16_t v = 0; v < benchVoices; ++v) engine->voices[v].state = 3;  // keep them rendering
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    engineResetModulation(engine);
    envRenderAll(engine, 128);
    benchmark::DoNotOptimize(engine->modMultipliers[0][0][1]);
  }
  report(state, start);
  engineDestroy(engine);
}

}  // namespace

BENCHMARK(BM_EnvelopeKernelWorstCase)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnvelopeKernelSilent)->Unit(benchmark::kMicrosecond);
