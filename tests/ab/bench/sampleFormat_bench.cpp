// Throughput of the sample-format converter kernels, in samples per second (counter "samples"): each
// driver sample type of the ASIO device to float and back (one mono channel of 4096 frames, as the
// device converts one channel per half-buffer), and a few stereo layouts of the general table.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "ABSampleFormatConverter.h"

namespace {

const int kFrames = 4096;

struct Pair {
  const char* label;
  SampleFormat src, dst;
};

const SampleFormat F{1, false, true, 32, false};
const Pair kPairs[] = {
    {"int16 to float", {1, false, false, 16, false}, F},
    {"float to int16", F, {1, false, false, 16, false}},
    {"int24 to float", {1, false, false, 24, false}, F},
    {"float to int24", F, {1, false, false, 24, false}},
    {"int32 to float", {1, false, false, 32, false}, F},
    {"float to int32", F, {1, false, false, 32, false}},
    {"float to float (copy)", F, F},
    {"float64 to float", {1, false, true, 64, false}, F},
    {"float to float64", F, {1, false, true, 64, false}},
    {"int16 BE to float", {1, false, false, 16, true}, F},
    {"float to int16 BE", F, {1, false, false, 16, true}},
    {"int24 BE to float", {1, false, false, 24, true}, F},
    {"float to int24 BE", F, {1, false, false, 24, true}},
    {"int32 BE to float", {1, false, false, 32, true}, F},
    {"float to int32 BE", F, {1, false, false, 32, true}},
    {"float BE to float", {1, false, true, 32, true}, F},
    {"float to float BE", F, {1, false, true, 32, true}},
    {"float64 BE to float", {1, false, true, 64, true}, F},
    {"float to float64 BE", F, {1, false, true, 64, true}},
    {"int16 interleaved to float separate", {2, true, false, 16, false}, {2, false, true, 32, false}},
    {"float separate to int16 interleaved", {2, false, true, 32, false}, {2, true, false, 16, false}},
    {"int16 stereo to mono int16", {2, false, false, 16, false}, {1, false, false, 16, false}},
    {"int24 to int16", {1, false, false, 24, false}, {1, false, false, 16, false}},
    {"int8 to int16", {1, false, false, 8, false}, {1, false, false, 16, false}},
};

void convertKernel(benchmark::State& state) {
  const Pair& p = kPairs[state.range(0)];
  SampleFormatConverter conv(p.src, p.dst);
  // Room for two buffers of 4096 frames of the widest samples (stereo interleaved 64-bit).
  std::vector<uint8_t> a(kFrames * 16), b(kFrames * 16), c(kFrames * 16), d(kFrames * 16);
  float* fa = reinterpret_cast<float*>(a.data());
  float* fb = reinterpret_cast<float*>(b.data());
  for (int i = 0; i < kFrames * 2; ++i) {
    fa[i] = static_cast<float>((i * 37) % 2001 - 1000) / 900.0f;  // some beyond full scale
    fb[i] = -fa[i];
  }
  const void* src[2] = {a.data(), b.data()};
  void* dst[2] = {c.data(), d.data()};
  const int channels = p.src.channels == 1 && p.dst.channels == 1 ? 1 : 2;
  for ([[maybe_unused]] auto _ : state) {
    conv.convert(src, 0, dst, 0, kFrames);
    benchmark::DoNotOptimize(c.data());
    benchmark::DoNotOptimize(d.data());
  }
  state.SetLabel(p.label);
  state.counters["samples"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * channels, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(convertKernel)->DenseRange(0, static_cast<int>(sizeof kPairs / sizeof kPairs[0]) - 1);
