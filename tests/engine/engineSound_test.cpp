// The whole engine heard through MIDI and the audio client's sub-block: the default preset's pitch, an
// LFO bound by the rebuild, an edit landing from the audio thread, three channels at once, and a long
// run of random MIDI and edits that must stay finite and free of denormals.
#include <cmath>
#include <functional>
#include <random>

#include "engine/controllerMap.h"
#include "engine/lfoRuntime.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "preset/oscParams.h"
#include "preset/presetHeader.h"
#include "support/signal.h"
#include "voiceRig.h"

int editWaitsRunOut();

namespace {

const double kRate = 44100.0;

struct EngineSound : VoiceRig {
  double toneAt(const std::vector<float>& x, double hz) { return signalToneAmplitude(x.data(), x.size(), kRate, hz); }
};

TEST_F(EngineSound, DefaultPresetNote69Is440HzOnBothOutputs) {
  noteOn(69, 100);
  record(4);
  const auto taken = record(32);
  for (int k = 0; k < 2; ++k) {
    EXPECT_GT(signalRms(taken[k]), 0.01) << "output " << k;
    EXPECT_NEAR(signalPeakFrequency(taken[k], kRate), 440.0, 440.0 * 0.01) << "output " << k;
  }
}

TEST_F(EngineSound, PitchLfoBoundByTheRebuildSweepsTheNote) {
  lfoSetOn(engine, 0, 1);
  lfoSetPitchTarget(engine, 0, 0, 1);
  lfoSetPitchDepth(engine, 0, 1.0);
  lfoSetPeriodSeconds(engine, 0, 1.0);
  engineApplyPatchChange(engine, 0);
  EXPECT_NE(engine->channelBlocks[0].voices[0].lfoPitch[0], &oscLfoNeutral);
  noteOn(69, 100);
  record(2);
  double lo = 1e9, hi = 0.0;
  for (int w = 0; w < 50; ++w) {  // windows of 8 sub-blocks over about 1.2 s
    const double f = signalPeakFrequency(record(8)[0], kRate);
    lo = std::min(lo, f);
    hi = std::max(hi, f);
  }
  EXPECT_LT(lo, 260.0);
  EXPECT_GT(hi, 750.0);
}

TEST_F(EngineSound, SetterEditDuringPlaybackIsCommittedByTheAudioThreadWithinASubBlock) {
  noteOn(69, 100);
  record(4);
  EXPECT_GT(signalRms(record(2)[0]), 0.01);

  TestAudioThread audio(engine, 0.0f);
  audio.start();
  while (audio.blocksRun() < 4) std::this_thread::yield();
  const int runOut = editWaitsRunOut();
  oscSetLevel(engine, 0, 0.0f);  // through the edit block: the audio side applies it between blocks
  audio.stop();

  EXPECT_EQ(engine->channels[0]->level, 0.0f);
  EXPECT_EQ(engine->edit.pending.load(), editIdle);
  EXPECT_EQ(editWaitsRunOut(), runOut);  // taken by a sub-block, not by the interface's time-out
  // The gain glides to the new level over a few blocks; how many of them the audio thread ran before
  // it stopped depends on the machine's load, so give the glide enough blocks here to end on its own.
  record(12);
  EXPECT_LT(signalPeak(record(2)[0].data(), 2 * engineBlockMax), 1e-4);
}

TEST_F(EngineSound, PendingEditLandsInTheNextClientSubBlock) {
  noteOn(69, 100);
  record(4);
  // What a setter leaves while an audio thread runs: the edit copy changed and marked pending.
  editBeginOsc(engine, 0)->pitchRatio = 2.0f;
  engine->edit.kind = editKindOsc;
  engine->edit.index = 0;
  engine->edit.pending.store(editPending);
  EXPECT_EQ(engine->channels[0]->pitchRatio, 1.0f);
  block();
  EXPECT_EQ(engine->channels[0]->pitchRatio, 2.0f);
  EXPECT_EQ(engine->edit.pending.load(), editIdle);
  EXPECT_NEAR(signalPeakFrequency(record(16)[0], kRate), 880.0, 880.0 * 0.01);
}

TEST_F(EngineSound, ThreeSingleChannelsAtThreePitchesGiveThreePeaks) {
  const double semis[3] = {0.0, 7.0, 12.0};
  for (int c = 0; c < 3; ++c) {
    oscSetType(engine, static_cast<std::uint16_t>(c), oscTypeSingle);
    oscSetPitch(engine, static_cast<std::int16_t>(c), static_cast<float>(semis[c]));
    engine->channels[c]->on = 1;
  }
  engineApplyPatchChange(engine, 1);
  noteOn(69, 100);
  record(4);
  const auto x = record(64)[0];
  const double off = std::max(toneAt(x, 550.0), toneAt(x, 770.0));
  for (int c = 0; c < 3; ++c) {
    const double hz = 440.0 * std::pow(2.0, semis[c] / 12.0);
    EXPECT_GT(toneAt(x, hz), 20.0 * off + 1e-3) << "channel " << c << " at " << hz << " Hz";
  }
}

TEST_F(EngineSound, RandomMidiAndEditsForTenThousandBlocksStayFiniteAndNormal) {
  for (int c = 0; c < 3; ++c) engine->channels[c]->on = 1;
  setPolyphony(8);
  std::mt19937 rng(12345);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto ch = [&] { return static_cast<std::int16_t>(pick(3)); };
  const std::vector<std::function<void()>> edits = {
      [&] { oscSetLevel(engine, ch(), static_cast<float>(uni(-0.5, 1.5))); },
      [&] { oscSetPitch(engine, ch(), static_cast<float>(uni(-48.0, 60.0))); },
      [&] { oscSetFmIndex(engine, ch(), static_cast<float>(uni(-20.0, 200.0))); },
      [&] { oscSetBalance(engine, ch(), static_cast<float>(uni(-2.0, 2.0))); },
      [&] { oscSetType(engine, static_cast<std::uint16_t>(ch()), static_cast<std::uint16_t>(pick(4))); },
      [&] { oscSetNumVoices(engine, ch(), static_cast<std::int16_t>(1 + pick(8))); },
      [&] { filterSetOn(engine, static_cast<std::int16_t>(pick(4)), static_cast<std::uint8_t>(pick(2))); },
      [&] { filterSetType(engine, static_cast<std::int16_t>(pick(4)), static_cast<std::int16_t>(1 + pick(17))); },
      [&] { filterSetFrequency(engine, static_cast<std::int16_t>(pick(4)), uni(1.0, 30000.0)); },
      [&] { filterSetResonance(engine, static_cast<std::int16_t>(pick(4)), uni(-0.5, 1.5)); },
      [&] { modulatorSetOn(engine, ch(), static_cast<std::uint8_t>(pick(2))); },
      [&] { waveshaperSetOn(engine, static_cast<std::uint8_t>(pick(2))); },
      [&] { waveshaperSetInGainDb(engine, uni(-40.0, 40.0)); },
      [&] { lfoSetPitchDepth(engine, static_cast<std::int16_t>(pick(3)), uni(0.0, 4.0)); },
      [&] { lfoSetPeriodSeconds(engine, static_cast<std::int16_t>(pick(3)), uni(0.0, 2.0)); },
      [&] { patchSetGain(engine, static_cast<float>(uni(0.0, 20.0))); },
      [&] { patchSetTranspose(engine, uni(-36.0, 36.0)); },
      [&] { ccMapSetPitchBendRange(engine, uni(0.0, 80.0)); },
      [&] { engineApplyPatchChange(engine, static_cast<std::uint8_t>(pick(8) == 0)); },  // structural rebuild
  };
  for (int b = 0; b < 10000; ++b) {
    for (int e = pick(4); e > 0; --e) {
      const int kind = pick(6);
      const auto d1 = static_cast<std::uint8_t>(pick(128)), d2 = static_cast<std::uint8_t>(pick(128));
      const std::uint8_t status[6] = {0x90, 0x90, 0x80, 0xB0, 0xE0, 0xD0};
      midiQueuePushShort(&engine->midi, status[kind], d1, d2);
    }
    edits[static_cast<std::size_t>(pick(static_cast<int>(edits.size())))]();
    block();
    for (int k = 0; k < 2; ++k)
      ASSERT_TRUE(signalAllNormal(outs[static_cast<std::size_t>(k)].data(), engineBlockMax))
          << "block " << b << " output " << k;
    ASSERT_TRUE(signalAllNormal(&engine->buses[0][0], 3 * engineBlockMax)) << "buses, block " << b;
  }
  EXPECT_EQ(checkLists(), "");
}

}  // namespace
