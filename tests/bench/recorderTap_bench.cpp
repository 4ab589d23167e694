// Cost of the recorder's tap per 128-frame block for each writer/player pair (normal or overdub, mono
// or stereo), recording and playing, as nanoseconds per block.
#include <benchmark/benchmark.h>

#include <chrono>

#include "audioPath/recorder.h"
#include "uiSeams/msgBox.h"

namespace {

// range(0): overdub, range(1): stereo, range(2): 0 record, 1 play.
void BM_RecorderTap(benchmark::State& state) {
  const int overdub = static_cast<int>(state.range(0)), stereo = static_cast<int>(state.range(1));
  const bool play = state.range(2) != 0;
  recInitFrames(recDefaultFrames);
  recSetChannelMode(stereo);
  recSetOverdub(overdub);
  float out1[128], out2[128];
  for (int i = 0; i < 128; ++i) out1[i] = out2[i] = 0.001f * static_cast<float>(i) - 0.05f;
  // A whole take first: an overdub mixes with it, and playback reads it.
  recStartRecording();
  while (recIsRecording()) recTap(128, out1, out2);
  recServicePending();
  auto restart = [&] {
    recServicePending();
    recSetCursorFraction(0.0);
    if (play)
      recStartPlaying();
    else
      recStartRecording();
  };
  restart();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!(play ? recIsPlaying() : recIsRecording())) restart();
    recTap(128, out1, out2);
    benchmark::DoNotOptimize(out1[0]);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (state.iterations() > 0) state.counters["ns_per_block"] = seconds / state.iterations() * 1e9;
  recShutdown();
}
BENCHMARK(BM_RecorderTap)
    ->Args({0, 0, 0})
    ->Args({0, 0, 1})
    ->Args({0, 1, 0})
    ->Args({0, 1, 1})
    ->Args({1, 0, 0})
    ->Args({1, 0, 1})
    ->Args({1, 1, 0})
    ->Args({1, 1, 1});

}  // namespace
