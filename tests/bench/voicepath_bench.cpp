// Cost of the voice-path modules: nanoseconds per sample per voice for the two-pole filters, the
// band-pass, the comb, both channel modulators and the waveshaper; 16 voices of one lane at 44.1 kHz,
// rendered in 128-frame blocks through each module's engine entry. Each block processes fresh noise
// (the copy is part of the time, a few percent). The counter ns_per_sample_voice is a number of
// nanoseconds (Google Benchmark prints it with an "s", as for every inverted rate).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/filterCombPool.h"
#include "modules/filterModule.h"
#include "modules/modulator.h"
#include "modules/pitchIndex.h"
#include "modules/waveshaper.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

const int voices = 16;
const int frames = 128;

enum class Unit { filter, modulator, waveshaper };

void runUnit(benchmark::State& state, Unit unit, std::int16_t type) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  engine->polyphony = voices;
  engine->header.polyphony = voices;
  engine->channels[0]->on = 1;
  for (auto& u : engine->modMultipliers)
    for (auto& row : u)
      for (float& m : row) m = 1.0f;
  engine->controllers.pitchFactor = 1.0f;
  engine->paused.store(0);

  FilterRecord& f = engine->filters[0];
  ModulatorRecord& m = engine->modulators[0];
  WaveshaperRecord& w = engine->waveshaper;
  if (unit == Unit::filter) {
    f.on = 1;
    f.type = type;
    f.cutoff = static_cast<float>(dspFreqToIndex(1000.0));
    f.resonance = 0.5f;
    f.bandwidth = 4.0f;
  } else if (unit == Unit::modulator) {
    m.on = 1;
    m.type = static_cast<std::uint16_t>(type);
    m.balance = 0.5f;
  } else {
    w.on = 1;
    w.inGain = 2.0f;
  }
  engineUpdateChannelFlags(engine);

  std::vector<float> noise(frames);
  std::uint32_t seed = 12345;
  for (float& x : noise) {
    seed = seed * 1664525u + 1013904223u;
    x = static_cast<float>(static_cast<std::int32_t>(seed)) * (0.5f / 2147483648.0f);
  }
  std::vector<float> buffers(static_cast<std::size_t>(voices) * frames);
  for (int v = 0; v < voices; ++v) {
    engine->voices[v].active = 1;
    engine->voices[v].state = 1;
    engine->voices[v].pitch = static_cast<float>(pitchNoteToInc(60));
    engine->voiceBuffers[0][v] = buffers.data() + v * frames;
    engine->masterBuffers[v] = buffers.data() + v * frames;
  }
  combBufferAssign(engine);
  for (int v = 0; v < voices; ++v) {
    const auto voice = static_cast<std::int16_t>(v);
    if (unit == Unit::filter) filterVoiceStart(engine, 0, voice, 60, 0);
    if (unit == Unit::modulator) modulatorVoiceStart(engine, 0, voice, 60, 0);
    if (unit == Unit::waveshaper) waveshaperVoiceStart(engine, 3, voice, 60, 0);
  }

  for (auto _ : state) {
    (void)_;
    for (int v = 0; v < voices; ++v) std::memcpy(buffers.data() + v * frames, noise.data(), sizeof(float) * frames);
    if (unit == Unit::filter) filterRenderAll(engine, frames);
    if (unit == Unit::modulator) modulatorRenderAll(engine, frames);
    if (unit == Unit::waveshaper) waveshaperRender(engine, frames, 0);
    benchmark::DoNotOptimize(buffers[0]);
  }
  state.counters["ns_per_sample_voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * voices * frames * 1e-9, perIteration);
  engineDestroy(engine);
}

void BM_FilterLpf12dB(benchmark::State& s) { runUnit(s, Unit::filter, filterLpf12dB); }
void BM_FilterLpf24dB(benchmark::State& s) { runUnit(s, Unit::filter, filterLpf24dB); }
void BM_FilterHpf12dB(benchmark::State& s) { runUnit(s, Unit::filter, filterHpf12dB); }
void BM_FilterNotch(benchmark::State& s) { runUnit(s, Unit::filter, filterNotch); }
void BM_FilterBpf(benchmark::State& s) { runUnit(s, Unit::filter, filterBpf); }
void BM_FilterComb(benchmark::State& s) { runUnit(s, Unit::filter, filterComb); }
void BM_ModulatorRingmod(benchmark::State& s) { runUnit(s, Unit::modulator, modulatorRingmod); }
void BM_ModulatorFreqShift(benchmark::State& s) { runUnit(s, Unit::modulator, modulatorFreqShift); }
void BM_Waveshaper(benchmark::State& s) { runUnit(s, Unit::waveshaper, 0); }

}  // namespace

BENCHMARK(BM_FilterLpf12dB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterLpf24dB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterHpf12dB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterNotch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterBpf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterComb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModulatorRingmod)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModulatorFreqShift)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Waveshaper)->Unit(benchmark::kMicrosecond);
