// Cost of the sample oscillators, in seconds per output sample per played voice: "Sample" (mono and
// stereo) and "Granular" with 8 grains per voice.
#include <cmath>
#include <vector>

#include "oscBench.h"
#include "oscillators/oscGranular.h"
#include "oscillators/oscSampleRig.h"

namespace {

void runSampleType(benchmark::State& state, std::int32_t type, int channels) {
  SampleRig rig(type);
  std::vector<float> data;
  const int frames = 441000;
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) data.push_back(static_cast<float>(0.5 * std::sin(0.013 * f + c)));
  rig.setSample(data, channels, 1);  // "Loop All": the voices never run out
  rig.record->subRecord.count = 8;
  rig.record->subRecord.size = 2000.0f;
  oscBenchRun(state, rig, rig.lanes(), 48, 2);
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
