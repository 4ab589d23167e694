// One timer pass of the DirectSound driver at 2 channels on the running device under Wine (whose play
// cursor moves about four times faster than real time): each pass, 1 ms after the previous one, writes
// what the cursor freed and runs the block callback whenever a block (1408 frames at 44.1 kHz and the
// default latency) is complete. The time is that of one pass; the timer's own passes run as well and
// share the work.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDeviceManager.h"
#include "ABDirectSoundDevice.h"
#include "GPInit.h"

namespace {

void sine(AudioBlock* block, int, void*, void*) {
  static double phase = 0.0;
  for (int f = 0; f < block->frames; ++f) {
    const float v = static_cast<float>(0.5 * std::sin(phase));
    phase += 2.0 * 3.141592653589793 * 440.0 / block->sampleRate;
    for (int c = 0; c < block->output.channelCount; ++c) block->output.buffers[c][f] = v;
  }
  phase = std::fmod(phase, 2.0 * 3.141592653589793);
}

void directSoundPass(benchmark::State& state) {
  if (!gpIsInitialised()) gpInit(GP_VERSION, GP_BUILD);
  abDevCreate(0x10001, nullptr);
  DirectSoundDevice* device = nullptr;
  uint32_t id = 0;
  for (AudioMidiDevice* d : abDeviceManager()->devices)
    if ((device = dynamic_cast<DirectSoundDevice*>(d)) != nullptr) {
      id = d->id;
      break;
    }
  if (!device || abDevOpen(id, true) != 0) {
    state.SkipWithError("no DirectSound device");
    abDevDestroy();
    return;
  }
  abDevSetCallback(id, sine, nullptr, nullptr);
  abDevStart(id, true);
  for ([[maybe_unused]] auto _ : state) {
    state.PauseTiming();
    Sleep(1);
    state.ResumeTiming();
    device->process();
  }
  state.counters["blockFrames"] = device->blockFrameCount();
  abDevStart(id, false);
  abDevOpen(id, false);
  abDevDestroy();
}

}  // namespace

BENCHMARK(directSoundPass)->Iterations(2000);
