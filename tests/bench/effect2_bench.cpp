// Cost of the echo and the three-unit effect, in microseconds per 128-frame block (a block lasts
// 2.9 ms at 44.1 kHz). Heaviest settings: the three-unit effect with all three units on in
// "Synthetic" and the early taps on; the echo with all three lines and their filters. Time
// modulation from the controller and all three LFOs, outputs placed in the three-bus sound field.
// Each block starts from fresh noise on the buses (the copy is included).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/threeUnitEffect.h"

namespace {

const int kFrames = 128;

std::vector<float> noiseBlocks(int blocks) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> d(-0.5f, 0.5f);
  std::vector<float> x(static_cast<size_t>(blocks) * 3 * kFrames);
  for (float& v : x) v = d(rng);
  return x;
}

void reportPerBlock(benchmark::State& state, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  state.counters["us_per_block"] = perBlock * 1e6;
  state.counters["budget_fraction"] = perBlock / (kFrames / 44100.0);
}

void runKind(benchmark::State& state, std::uint16_t type) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  for (int k = 0; k < engineModParams; ++k) engine->modMultipliers[3][0][k] = 1.0f;
  tempoAdvance(engine, 0);
  for (int u = 0; u < 3; ++u) {
    effectRevSetUnitOn(engine, u, 1);
    effectRevSetUnitMode(engine, u, revModeSynthetic);
    effectEchoSetLineOn(engine, u, 1);
  }
  effectRevSetEarlyTapsOn(engine, 1);
  effectSetType(engine, type);
  effectSetOn(engine, 1);
  effectReset(engine);
  engine->effectOn = 1;
  engine->surround.fieldMode = 1;
  engine->controllers.effectDepth = 0.5f;
  engine->controllers.effectLevel = 0.7f;
  for (Lfo& lfo : engine->lfos) {
    lfo.on = 1;
    lfo.percentSetting = 0.3f;
    lfo.displayValue = 0.4f;
  }

  const int blocks = 64;
  const std::vector<float> noise = noiseBlocks(blocks);
  int b = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(engine->buses, noise.data() + static_cast<size_t>(b) * 3 * kFrames, sizeof engine->buses);
    b = (b + 1) % blocks;
    effectRender(engine, kFrames);
    benchmark::DoNotOptimize(engine->buses[1][5]);
  }
  reportPerBlock(state, start);
  engineDestroy(engine);
}

void BM_EffectThreeUnitSyntheticAllUnitsEarlyTaps(benchmark::State& state) { runKind(state, effectRev); }
void BM_EffectEchoThreeLines(benchmark::State& state) { runKind(state, effectEcho); }

}  // namespace

BENCHMARK(BM_EffectThreeUnitSyntheticAllUnitsEarlyTaps);
BENCHMARK(BM_EffectEchoThreeLines);
