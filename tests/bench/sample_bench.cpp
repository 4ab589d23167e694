// Loading a 60-second 24-bit stereo file at 44.1 kHz into a channel: reading, decoding, normalising,
// the DC filter and the display overview, as one sample load does it (the pool is emptied between
// loads, so every iteration decodes). bytes_per_second is the rate over the file's bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "../preset/sampleTestWave.h"
#include "engine/engine.h"
#include "preset/chunk.h"
#include "preset/sample.h"
#include "preset/samplePool.h"
#include "support/tempDir.h"

namespace {

void sampleLoad60s24BitStereo(benchmark::State& state) {
  wavetest::WaveSpec spec;
  spec.bits = 24;
  spec.channels = 2;
  spec.frames = 60 * 44100;
  spec.signal = [](std::int32_t f, int c) { return 0.7 * std::sin(0.0312 * f + c) + 0.1 * std::sin(0.001 * f); };
  const wavetest::Bytes bytes = wavetest::makeWave(spec);
  const std::string path = testTempPath("bench60s.wav");
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
    if (out) std::fclose(out);
    state.SkipWithError("cannot write the sample file");
    return;
  }
  std::fclose(out);
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  samplePoolClearAll();
  engine->channels[0]->type = oscTypeSample;
  engine->channels[0]->sampleInfo.readAsMono = 0;
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  for (auto _ : state) {
    (void)_;
    if (sampleLoad(engine, 0, &file) != sampleOk) {
      state.SkipWithError("load failed");
      break;
    }
    benchmark::DoNotOptimize(engine->channels[0]->sampleInfo.data);
    state.PauseTiming();
    sampleRelease(engine, 0);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  sampleReleaseAll(engine);
  engineDestroy(engine);
}

}  // namespace

BENCHMARK(sampleLoad60s24BitStereo)->Unit(benchmark::kMillisecond);
