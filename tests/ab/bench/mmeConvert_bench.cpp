// Throughput of the MME driver's conversions, in samples per second (counter "samples"): float to
// interleaved 16-bit PCM for the output and back for the input, for a 4096-frame buffer of 2 and 8
// channels (the device's default buffer size).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "ABMmeConvert.h"

namespace {

const int kFrames = 4096;

void floatToPcm(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  std::vector<std::vector<float>> in(channels, std::vector<float>(kFrames));
  std::vector<const float*> buffers;
  for (int c = 0; c < channels; ++c) {
    for (int f = 0; f < kFrames; ++f) in[c][f] = static_cast<float>((f * 37 + c * 11) % 2001 - 1000) / 900.0f;
    buffers.push_back(in[c].data());
  }
  std::vector<int16_t> pcm(static_cast<size_t>(kFrames) * channels);
  for ([[maybe_unused]] auto _ : state) {
    mmeFloatToPcm16(buffers.data(), channels, kFrames, pcm.data());
    benchmark::DoNotOptimize(pcm.data());
  }
  state.counters["samples"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * channels, benchmark::Counter::kIsRate);
}

void pcmToFloat(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  std::vector<int16_t> pcm(static_cast<size_t>(kFrames) * channels);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(i * 7919);
  std::vector<std::vector<float>> out(channels, std::vector<float>(kFrames));
  std::vector<float*> buffers;
  for (int c = 0; c < channels; ++c) buffers.push_back(out[c].data());
  for ([[maybe_unused]] auto _ : state) {
    mmePcm16ToFloat(pcm.data(), channels, kFrames, buffers.data(), kFrames);
    benchmark::DoNotOptimize(buffers[0]);
  }
  state.counters["samples"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * channels, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(floatToPcm)->Arg(2)->Arg(8);
BENCHMARK(pcmToFloat)->Arg(2)->Arg(8);
