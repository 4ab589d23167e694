// The channel modulators and the waveshaper inside the engine's own block render, driven by MIDI notes
// the way the audio client drives it: they change the sound and keep it finite, per voice and after
// the mix.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/valueFormat.h"
#include "engine/voiceRig.h"
#include "support/signal.h"

namespace {

struct VoicePathRig : VoiceRig {
  std::vector<float> play(int blocks) {
    noteOn(60, 100);
    noteOn(67, 100);
    return record(blocks)[0];
  }
};

}  // namespace

TEST_F(VoicePathRig, ModulatorAndWaveshaperChangeTheRenderedSoundAndKeepItFinite) {
  const std::vector<float> plain = play(40);
  ASSERT_GT(signalRms(plain), 1e-3);

  struct Row {
    std::uint16_t modulatorType;
    std::uint8_t waveshaper;
    std::uint8_t postMix;
  };
  for (const Row& row : {Row{1, 0, 0}, Row{2, 0, 0}, Row{0, 1, 0}, Row{0, 1, 1}, Row{2, 1, 1}}) {
    TearDown();
    SetUp();
    ModulatorRecord& m = engine->modulators[0];
    m.on = row.modulatorType != 0;
    m.type = row.modulatorType ? row.modulatorType : 1;
    m.increment = static_cast<float>(pitchHzToInc(130.0));
    WaveshaperRecord& w = engine->waveshaper;
    w.on = row.waveshaper;
    w.postMix = row.postMix;
    w.inGain = 3.0f;
    engineApplyPatchChange(engine, 1);
    const std::vector<float> out = play(40);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size())) << row.modulatorType << int(row.waveshaper);
    EXPECT_GT(signalRms(out), 1e-3) << row.modulatorType << int(row.waveshaper);
    double difference = 0.0;
    for (std::size_t n = 0; n < out.size(); ++n) difference += std::fabs(out[n] - plain[n]);
    EXPECT_GT(difference / out.size(), 1e-3) << row.modulatorType << int(row.waveshaper);
  }
}
