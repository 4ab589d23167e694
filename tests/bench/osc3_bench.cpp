// Cost of the sample oscillators, in seconds per output sample per played voice: "Sample" (mono and
// stereo) and "Granular" with 8 grains per voice.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "oscillators/oscGranular.h"
#include "oscillators/oscSampleRig.h"

namespace {

const benchmark::Counter::Flags perIteration =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

void runSampleType(benchmark::State& state, std::int32_t type, int channels) {
  const int voices = 16;
  SampleRig rig(type);
  std::vector<float> data;
  const int frames = 441000;
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) data.push_back(static_cast<float>(0.5 * std::sin(0.013 * f + c)));
  rig.setSample(data, channels, 1);   // "Loop All": the voices never run out
  rig.record->subRecord.count = 8;
  rig.record->subRecord.size = 2000.0f;
  rig.engine->polyphony = voices;
  const int lanes = rig.lanes();
  std::vector<float> buffers(static_cast<std::size_t>(voices) * 128 * lanes);
  for (int v = 0; v < voices; ++v) {
    rig.startNote(v, 48 + 2 * v);
    rig.engine->voiceBuffers[0][v] = buffers.data() + 128 * lanes * v;
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

void sampleMono(benchmark::State& state) { runSampleType(state, oscTypeSample, 1); }
void sampleStereo(benchmark::State& state) { runSampleType(state, oscTypeSample, 2); }
void granular8Mono(benchmark::State& state) { runSampleType(state, oscTypeGranular, 1); }
void granular8Stereo(benchmark::State& state) { runSampleType(state, oscTypeGranular, 2); }

}  // namespace

BENCHMARK(sampleMono);
BENCHMARK(sampleStereo);
BENCHMARK(granular8Mono);
BENCHMARK(granular8Stereo);
