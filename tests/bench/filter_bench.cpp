// Cost of the channel filters: nanoseconds per sample per voice for each filter type, 16 voices of one
// lane at 44.1 kHz, cutoff 1 kHz, resonance (or feedback) 0.5, rendered in 128-frame blocks through the
// engine's filter entry. Each block filters fresh noise (the copy is part of the time, a few percent).
// The counter ns_per_sample_voice is a number of nanoseconds (Google Benchmark prints it with an "s",
// as for every inverted rate).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/freqTable.h"
#include "modules/filterModule.h"
#include "modules/pitchIndex.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

const int voices = 16;
const int frames = 128;

void runFilter(benchmark::State& state, std::int16_t type) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  engine->polyphony = voices;
  engine->channels[0]->on = 1;
  FilterRecord& record = engine->filters[0];
  record.on = 1;
  record.type = type;
  const bool allpass = type >= filterAllpass2 && type <= filterAllpass8;
  record.cutoff = static_cast<float>(allpass ? dspPowHelper(1000.0) : dspFreqToIndex(1000.0));
  record.resonance = 0.5f;
  record.feedback = 0.5f;
  engineUpdateChannelFlags(engine);
  for (auto& row : engine->modMultipliers[0])
    for (float& m : row) m = 1.0f;

  std::vector<float> noise(frames);
  std::uint32_t seed = 12345;
  for (float& x : noise) {
    seed = seed * 1664525u + 1013904223u;
    x = static_cast<float>(static_cast<std::int32_t>(seed)) * (0.5f / 2147483648.0f);
  }
  std::vector<float> buffers(static_cast<std::size_t>(voices) * frames);
  for (int v = 0; v < voices; ++v) {
    engine->voices[v].active = 1;
    engine->voiceBuffers[0][v] = buffers.data() + v * frames;
    filterVoiceStart(engine, 0, static_cast<std::int16_t>(v), 60, 0);
  }

  for (auto _ : state) {
    for (int v = 0; v < voices; ++v) std::memcpy(buffers.data() + v * frames, noise.data(), sizeof(float) * frames);
    filterRenderAll(engine, frames);
    benchmark::DoNotOptimize(buffers[0]);
  }
  state.counters["ns_per_sample_voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * voices * frames * 1e-9, perIteration);
  engineDestroy(engine);
}

void BM_FilterLpf6dB(benchmark::State& s) { runFilter(s, filterLpf6dB); }
void BM_FilterHpf6dB(benchmark::State& s) { runFilter(s, filterHpf6dB); }
void BM_FilterAllpass2(benchmark::State& s) { runFilter(s, filterAllpass2); }
void BM_FilterAllpass4(benchmark::State& s) { runFilter(s, filterAllpass4); }
void BM_FilterAllpass8(benchmark::State& s) { runFilter(s, filterAllpass8); }
void BM_FilterLpf2Pole(benchmark::State& s) { runFilter(s, filterLpf2Pole); }
void BM_FilterLpf4Pole(benchmark::State& s) { runFilter(s, filterLpf4Pole); }
void BM_FilterLpf6Pole(benchmark::State& s) { runFilter(s, filterLpf6Pole); }
void BM_FilterLpf8Pole(benchmark::State& s) { runFilter(s, filterLpf8Pole); }

}  // namespace

BENCHMARK(BM_FilterLpf6dB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterHpf6dB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAllpass2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAllpass4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAllpass8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterLpf2Pole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterLpf4Pole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterLpf6Pole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterLpf8Pole)->Unit(benchmark::kMicrosecond);
