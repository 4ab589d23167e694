// The fixed MIDI sequence of the render suite, played through the audio client's sub-block.
//
// About 2.5 s on MIDI channel 1: a note held from the start to 2.0 s, a two-note chord over it, a
// loud high note, releases while others hold, a pitch bend up and back, a modulation-wheel sweep
// (controller 1) and a second chord, then the release tails. Times are fixed in seconds and fall on
// the sub-block that starts nearest to them at the rate in force.
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/testAudioThread.h"
#include "oscillators/dspRandom.h"
#include "oscillators/oscGranular.h"
#include "render/suite/renderSuite.h"

namespace {

struct Event {
  double seconds;
  std::uint8_t status, data1, data2;
};

const double kLengthSeconds = 2.5;
const int kFrames = 128;  // the client's sub-block

std::vector<Event> sequence() {
  // clang-format off
  std::vector<Event> s = {
      {0.00, 0x90, 60, 100},   // held to 2.0 s
      {0.25, 0x90, 64, 80},  {0.25, 0x90, 67, 90},   // chord over it
      {0.60, 0x90, 72, 127},
      {0.80, 0x80, 64, 64},
      {0.90, 0xE0, 0x00, 0x60},                      // bend up (half of the upper range)
      {1.00, 0x80, 67, 64},  {1.00, 0x80, 72, 64},
      {1.00, 0x90, 48, 60},  {1.00, 0x90, 55, 110},
      {1.40, 0x90, 84, 70},
      {1.50, 0xE0, 0x00, 0x40},                      // bend back to the centre
      {1.60, 0x80, 48, 64},  {1.60, 0x80, 55, 64}, {1.60, 0x80, 84, 64},
      {1.70, 0x90, 62, 100},
      {1.90, 0x80, 62, 0},
      {2.00, 0x80, 60, 64},
  };
  // clang-format on
  // Modulation wheel up from 0 to 127 between 1.1 s and 1.35 s, in 16 steps.
  for (int k = 0; k < 16; ++k) s.push_back({1.1 + 0.25 * k / 15.0, 0xB0, 1, static_cast<std::uint8_t>(k * 127 / 15)});
  return s;
}

int blockOf(double seconds) { return static_cast<int>(std::lround(seconds * engineSampleRate() / kFrames)); }

}  // namespace

int renderSuiteBlocks() { return blockOf(kLengthSeconds); }

void renderSuitePlay(Engine* engine,
                     const std::function<void(const float* const* outputs, int count, int frames)>& onBlock,
                     const std::function<void()>& onReady) {
  static const std::vector<Event> events = sequence();
  // The oscillators' random generators are process-wide: start them where the program starts them so
  // a case sounds the same whichever cases ran before it.
  dspRandomState = 220153u;
  grainRandomState = grainRandomSeed;

  std::vector<float> out1(kFrames), out2(kFrames);
  float* outputs[2] = {out1.data(), out2.data()};
  std::vector<std::uint8_t> midi;
  midi.reserve(3 * events.size());
  const int blocks = renderSuiteBlocks();
  if (onReady) onReady();
  for (int b = 0; b < blocks; ++b) {
    midi.clear();
    for (const Event& e : events)
      if (blockOf(e.seconds) == b) {
        midi.push_back(e.status);
        midi.push_back(e.data1);
        midi.push_back(e.data2);
      }
    TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, midi.empty() ? nullptr : midi.data(),
                                       static_cast<int>(midi.size() / 3));
    onBlock(outputs, 2, kFrames);
  }
}
