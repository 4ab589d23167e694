// Set-up shared by the oscillator benchmarks: the rate counter, and one loop that starts `voices`
// notes on channel 0 of a rig (OscRig or SampleRig), renders 128-frame blocks into buffers of the
// rig's lane count and reports seconds per output sample of one played voice.
#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "engine/engine.h"
#include "oscillators/oscRender.h"

// A counter shown as time per unit (seconds per sample, with its SI prefix, e.g. "3.2n").
const benchmark::Counter::Flags benchPerIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

// `perBlock(block)` runs before each render (moving modulation, say); notes are base + step x v.
template <class Rig, class PerBlock>
void oscBenchRun(benchmark::State& state, Rig& rig, int lanes, int base, int step, PerBlock perBlock) {
  const int voices = 16;
  rig.engine->polyphony = voices;
  std::vector<float> buffers(static_cast<std::size_t>(voices) * 128 * lanes);
  for (int v = 0; v < voices; ++v) {
    rig.startNote(v, base + step * v);
    rig.engine->voiceBuffers[0][v] = buffers.data() + 128 * lanes * v;
  }
  int block = 0;
  for (auto _ : state) {
    for (int v = 0; v < voices; ++v) rig.envelope(v)->rampLength = 128.0f;
    perBlock(block++);
    oscRenderAll(rig.engine, 128);
    benchmark::DoNotOptimize(buffers.data());
  }
  state.counters["per_sample_voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 128.0 * voices, benchPerIteration);
  for (int v = 0; v < voices; ++v) rig.engine->voiceBuffers[0][v] = nullptr;
}

template <class Rig>
void oscBenchRun(benchmark::State& state, Rig& rig, int lanes, int base, int step) {
  oscBenchRun(state, rig, lanes, base, step, [](int) {});
}
