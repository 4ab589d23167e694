// LFOs heard through the engine: a bound pitch LFO moves a played note between the octaves below
// and above, and a per-voice LFO starts every note at its start phase.
#include <algorithm>
#include <cmath>

#include "engine/lfoRuntime.h"
#include "support/signal.h"
#include "voiceRig.h"

namespace {

struct LfoSound : VoiceRig {
  void SetUp() override {
    VoiceRig::SetUp();
    surroundSetModeAndClamp(&engine->surround, 0);
    lfoSetPitchDepth(engine, 0, 1.0);
    lfoSetPeriodSeconds(engine, 0, 1.0);
    lfoBindVoices(engine);
  }
  // Peak frequency of output 0 over the next `blocks` sub-blocks.
  double frequency(int blocks) {
    const auto taken = record(blocks);
    return signalPeakFrequency(taken[0], 44100.0);
  }
};

TEST_F(LfoSound, OneOctavePitchLfoSweepsANoteAnOctaveEachWay) {
  noteOn(69, 100);
  record(2);
  double lo = 1e9, hi = 0.0;
  for (int w = 0; w < 50; ++w) {  // 50 windows of 8 blocks: about 1.2 s
    const double f = frequency(8);
    lo = std::min(lo, f);
    hi = std::max(hi, f);
  }
  EXPECT_NEAR(lo, 220.0, 220.0 * 0.06);
  EXPECT_NEAR(hi, 880.0, 880.0 * 0.06);
}

TEST_F(LfoSound, PerVoiceLfoStartsEachNoteAtItsStartPhase) {
  lfoSetPerVoice(engine, 0, 1);
  lfoSetStartPhase(engine, 0, 256.0);  // the top of the sine: an octave up at once
  lfoBindVoices(engine);
  record(30);
  noteOn(69, 100);
  record(1);
  EXPECT_NEAR(frequency(8), 880.0, 880.0 * 0.03);
}

}  // namespace
