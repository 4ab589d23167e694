// Cost of the five master effect kinds and their signal blocks, per 128-frame block (a block lasts
// 2.9 ms at 44.1 kHz). Each kind runs at its heaviest setting: every line, comb or unit in use (the
// three-unit effect in "Synthetic" with early taps), time modulation from the controller and all
// three LFOs, feedback on, outputs placed in the three-bus sound field. Each block starts from fresh
// noise on the buses (the copy is included).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "modules/allpassTable.h"
#include "modules/delayLine.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/fxBlocksStates.h"
#include "modules/fxBlocksTapRing.h"
#include "modules/threeUnitEffect.h"

namespace {

const int kFrames = 128;

std::vector<float> noiseBlocks(int blocks) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> d(-0.5f, 0.5f);
  std::vector<float> x(static_cast<size_t>(blocks) * 3 * kFrames);
  for (float& v : x) v = d(rng);
  return x;
}

void reportPerBlock(benchmark::State& state, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  state.counters["ns_per_block"] = perBlock * 1e9;
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
  // Time modulation from the controller and the three LFOs.
  engine->controllers.effectDepth = 0.5f;
  engine->controllers.effectLevel = 0.7f;
  for (Lfo& lfo : engine->lfos) {
    lfo.on = 1;
    lfo.percentSetting = 0.3f;
    lfo.displayValue = 0.4f;
  }
  engine->effectPipe.feedback = 0.9f;
  for (int i = 0; i < 6; ++i) engine->effectComb.combOn[i] = 1;
  engine->effectComb.feedback = 0.9f;
  engine->effectTap.feedback = 0.9f;

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

void BM_EffectPipe(benchmark::State& state) { runKind(state, 1); }
void BM_EffectMultiComb6(benchmark::State& state) { runKind(state, 2); }
void BM_EffectMultiTap(benchmark::State& state) { runKind(state, 3); }
void BM_EffectEchoThreeLines(benchmark::State& state) { runKind(state, effectEcho); }
void BM_EffectThreeUnitSyntheticAllUnitsEarlyTaps(benchmark::State& state) { runKind(state, effectRev); }

void BM_DelayLineGliding(benchmark::State& state) {
  std::vector<float> ring(30000);
  DelayLine line{};
  delayLineInit(&line, 1000.0f, ring.data(), 30000);
  const std::vector<float> noise = noiseBlocks(8);
  std::vector<float> block(kFrames);
  int b = 0;
  float factor = 1.0f;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(block.data(), noise.data() + static_cast<size_t>(b) * kFrames, sizeof(float) * kFrames);
    b = (b + 1) % 8;
    factor = factor > 1.5f ? 0.5f : factor + 0.01f;  // the read glides every block
    delayLineProcess(&line, block.data(), kFrames, factor);
    benchmark::DoNotOptimize(block[7]);
  }
  reportPerBlock(state, start);
}

void BM_MultiTapRingSixTaps(benchmark::State& state) {
  std::vector<float> ring(30000);
  MultiTap tap{};
  multiTapInit(&tap, 6, ring.data(), 30000);
  const std::vector<float> noise = noiseBlocks(8);
  std::vector<float> block(kFrames);
  int b = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(block.data(), noise.data() + static_cast<size_t>(b) * kFrames, sizeof(float) * kFrames);
    b = (b + 1) % 8;
    multiTapProcess(&tap, block.data(), kFrames);
    benchmark::DoNotOptimize(block[7]);
  }
  reportPerBlock(state, start);
}

void BM_OnePoleProcess(benchmark::State& state) {
  allpassTableInit(44100.0);
  DspState3 s{};
  dspState3Init(&s, 2000.0f);
  const std::vector<float> noise = noiseBlocks(8);
  std::vector<float> block(kFrames);
  int b = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(block.data(), noise.data() + static_cast<size_t>(b) * kFrames, sizeof(float) * kFrames);
    b = (b + 1) % 8;
    onePoleProcess(&s, 1.0f, block.data(), kFrames);
    benchmark::DoNotOptimize(block[7]);
  }
  reportPerBlock(state, start);
}

}  // namespace

BENCHMARK(BM_EffectPipe);
BENCHMARK(BM_EffectMultiComb6);
BENCHMARK(BM_EffectMultiTap);
BENCHMARK(BM_EffectEchoThreeLines);
BENCHMARK(BM_EffectThreeUnitSyntheticAllUnitsEarlyTaps);
BENCHMARK(BM_DelayLineGliding);
BENCHMARK(BM_MultiTapRingSixTaps);
BENCHMARK(BM_OnePoleProcess);
