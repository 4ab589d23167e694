// Cost of the host's block path and of the signal library: `process` with a client that does
// nothing, per device frame, on the direct, queued (block mode 128) and converted (1:2 kernels, and
// the 44,100/48,000 interpolator) paths with 2 and 8 channels; the converter kernels and the
// interpolator in samples per second; the MME driver's sample conversions. Run under Wine:
//   build/win64/wine-run.sh build/win64/tests/abhost/abhost_bench.exe
#include <benchmark/benchmark.h>

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABMmeConvert.h"
#include "CubicInterpolator.h"
#include "GPInit.h"
#include "SampleRateConverter.h"

#include <string>
#include <vector>

namespace {

const benchmark::Counter::Flags perItem =
    static_cast<benchmark::Counter::Flags>(benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

class NullClient : public AudioHostClient {
 public:
  void process(float**, float**, int, int, int) override {}
  bool supportsRate(float rate) override { return onlyRate > 0 ? rate == onlyRate : rate <= 48100.0f; }
  void inputName(int, std::string*) override {}
  void outputName(int, std::string*) override {}
  int inputCount() override { return 6; }
  int outputCount() override { return 8; }
  void setSampleRate(float) override {}
  float onlyRate = 0;
};

struct Libraries {
  Libraries() {
    gpInit(GP_VERSION, GP_BUILD);
    abInit(0x1030001, 0x60031);
  }
};

void runProcess(benchmark::State& state, int deviceRate, float onlyRate, bool blockMode, int frames) {
  static Libraries libraries;
  const int channels = static_cast<int>(state.range(0));
  NullClient client;
  client.onlyRate = onlyRate;
  AudioManager* m = client.manager;
  m->setDeviceRate(deviceRate);
  if (blockMode) m->setBlockMode(true, 128, true);
  std::vector<std::vector<float>> in(channels, std::vector<float>(frames, 0.25f)),
      out(channels, std::vector<float>(frames));
  std::vector<float*> inPtr, outPtr;
  for (int c = 0; c < channels; ++c) {
    inPtr.push_back(in[c].data());
    outPtr.push_back(out[c].data());
  }
  for (auto _ : state) {
    (void)_;
    m->process(inPtr.data(), outPtr.data(), channels, channels, frames);
    benchmark::DoNotOptimize(outPtr[0][0]);
  }
  state.counters["ns_per_device_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames, perItem);
}

void BM_ProcessDirect(benchmark::State& state) { runProcess(state, 48000, 0, false, 512); }
void BM_ProcessQueued441(benchmark::State& state) { runProcess(state, 48000, 0, true, 441); }
void BM_ProcessConverted1to2(benchmark::State& state) { runProcess(state, 96000, 0, false, 512); }
void BM_ProcessInterpolated(benchmark::State& state) { runProcess(state, 48000, 44100.0f, false, 480); }
BENCHMARK(BM_ProcessDirect)->Arg(2)->Arg(8);
BENCHMARK(BM_ProcessQueued441)->Arg(2)->Arg(8);
BENCHMARK(BM_ProcessConverted1to2)->Arg(2)->Arg(8);
BENCHMARK(BM_ProcessInterpolated)->Arg(2)->Arg(8);

// Kernels: input frames per second (inverted: ns per input sample), 4096 frames per call.
void BM_Kernel(benchmark::State& state) {
  const int num = static_cast<int>(state.range(0)), den = static_cast<int>(state.range(1));
  SampleRateConverter conv(1);
  conv.setRates(num, den, true);
  std::vector<float> in(4096, 0.1f), out(4096 * 4 + 16);
  for (auto _ : state) {
    (void)_;
    conv.process(0, in.data(), out.data(), 4096);
    benchmark::DoNotOptimize(out[0]);
  }
  state.counters["ns_per_input_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 4096, perItem);
}
BENCHMARK(BM_Kernel)
    ->Args({2, 1})
    ->Args({1, 2})
    ->Args({3, 1})
    ->Args({1, 3})
    ->Args({3, 2})
    ->Args({2, 3})
    ->Args({4, 1})
    ->Args({1, 4})
    ->Args({3, 4})
    ->Args({4, 3});

void BM_Interpolator(benchmark::State& state) {
  float st[DSP_INTERP_STATE] = {};
  std::vector<float> in(4800, 0.1f), out(4410);
  for (auto _ : state) {
    (void)_;
    dspInterpolate(in.data(), out.data(), 4410, 4800, 4800.0 / 4410.0, st);
    benchmark::DoNotOptimize(out[0]);
  }
  state.counters["ns_per_output_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 4410, perItem);
}
BENCHMARK(BM_Interpolator);

void BM_MmeFloatToPcm16(benchmark::State& state) {
  std::vector<float> a(4096, 0.3f), b(4096, -0.3f);
  const float* bufs[2] = {a.data(), b.data()};
  std::vector<int16_t> pcm(8192);
  for (auto _ : state) {
    (void)_;
    mmeFloatToPcm16(bufs, 2, 4096, pcm.data());
    benchmark::DoNotOptimize(pcm[0]);
  }
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 8192, perItem);
}
BENCHMARK(BM_MmeFloatToPcm16);

void BM_MmePcm16ToFloat(benchmark::State& state) {
  std::vector<int16_t> pcm(8192, 1234);
  std::vector<float> a(4096), b(4096);
  float* bufs[2] = {a.data(), b.data()};
  for (auto _ : state) {
    (void)_;
    mmePcm16ToFloat(pcm.data(), 2, 4096, bufs, 4096);
    benchmark::DoNotOptimize(a[0]);
  }
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * 8192, perItem);
}
BENCHMARK(BM_MmePcm16ToFloat);

}  // namespace
