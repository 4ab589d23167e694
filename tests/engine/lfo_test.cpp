// The LFO unit: rendered pitch swings and periods, tempo sync, restarts by note-on and controller,
// sample and hold, hostile periods, the neutral cases, the binding and the accessors.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/lfoRuntime.h"

namespace {

const double kBlock = 128.0 / 44100.0;

struct LfoFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    engine->polyphony = 4;
  }
  Lfo& lfo(int i = 0) { return engine->lfos[i]; }
  LfoVoiceState& state(int i, int v) { return engine->lfoStates[i][v]; }
  // Renders `blocks` blocks of LFO 0 and returns voice 0's pitch factor after each.
  std::vector<double> pitchTrace(int blocks, int voice = 0) {
    std::vector<double> out;
    for (int b = 0; b < blocks; ++b) {
      lfoRenderAll(engine, 128);
      out.push_back(state(0, voice).pitchFactor);
    }
    return out;
  }
  // Mean distance in seconds between upward crossings of 1.0.
  static double measuredPeriod(const std::vector<double>& trace) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < trace.size(); ++i)
      if (trace[i - 1] < 1.0 && trace[i] >= 1.0) {
        const double f = (1.0 - trace[i - 1]) / (trace[i] - trace[i - 1]);
        crossings.push_back((i - 1 + f) * kBlock);
      }
    if (crossings.size() < 2) return 0.0;
    return (crossings.back() - crossings.front()) / (crossings.size() - 1);
  }
};

TEST_F(LfoFixture, OneOctaveSineSwingsPitchFromHalfToDoubleOncePerSecond) {
  lfoSetPitchDepth(engine, 0, 1.0);
  const std::vector<double> trace = pitchTrace(static_cast<int>(3.0 / kBlock));
  double lo = 10.0, hi = 0.0;
  for (double x : trace) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  EXPECT_NEAR(lo, 0.5, 0.005);
  EXPECT_NEAR(hi, 2.0, 0.02);
  EXPECT_NEAR(measuredPeriod(trace), 1.0, kBlock);
}

TEST_F(LfoFixture, TempoSyncHalfBeatAt120BpmIsAQuarterSecond) {
  ASSERT_DOUBLE_EQ(tempoGetSecondsPerBeat(engine), 0.5);
  lfoSetPitchDepth(engine, 0, 1.0);
  lfoSetPeriodSync(engine, 0, 1);
  lfoSetPeriodBeats(engine, 0, 0.5);
  const std::vector<double> trace = pitchTrace(static_cast<int>(2.0 / kBlock));
  EXPECT_DOUBLE_EQ(lfo().period, 0.25);
  EXPECT_NEAR(measuredPeriod(trace), 0.25, kBlock);
}

TEST_F(LfoFixture, PerVoiceLfoRestartsAtStartPhaseUnlessLegato) {
  lfoSetPerVoice(engine, 0, 1);
  lfoSetStartPhase(engine, 0, 256.0);
  lfoSetPitchDepth(engine, 0, 1.0);
  pitchTrace(20);
  ASSERT_NE(state(0, 2).phase, 256.0);
  const double before = state(0, 2).phase;
  lfoNoteOn(engine, 2, true);
  EXPECT_EQ(state(0, 2).phase, before);  // legato: runs on
  lfoNoteOn(engine, 2, false);
  EXPECT_EQ(state(0, 2).phase, 256.0);
  EXPECT_NE(state(0, 1).phase, 256.0);  // other voices untouched
  // The first block after the restart reads the wave just past the start phase: a quarter cycle
  // of the sine, the top of the swing.
  lfoRenderAll(engine, 128);
  EXPECT_NEAR(state(0, 2).pitchFactor, 2.0, 0.02);
}

TEST_F(LfoFixture, GlobalLfoIgnoresNotesButController72Retriggers) {
  lfoSetStartPhase(engine, 0, 100.0);
  pitchTrace(30);
  const double running = state(0, 0).phase;
  lfoNoteOn(engine, 0, false);
  EXPECT_EQ(state(0, 0).phase, running);

  lfoControllerTrigger(engine, 72, 0);  // value 0 requests nothing
  EXPECT_EQ(lfo().retriggerRequest, 0);
  lfoControllerTrigger(engine, 71, 127);  // another controller neither
  EXPECT_EQ(lfo().retriggerRequest, 0);
  lfoControllerTrigger(engine, 72, 127);
  EXPECT_EQ(lfo().retriggerRequest, 1);
  lfoRenderAll(engine, 128);
  const double step = 1024.0 * kBlock;  // one block at a 1 s period
  EXPECT_NEAR(state(0, 0).phase, 100.0 + step, 1e-9);
  EXPECT_EQ(lfo().retriggerRequest, 0);  // cleared at the end of the block

  lfoSetRetrigger(engine, 0, 0);  // switch off: requests are ignored
  lfoControllerTrigger(engine, 72, 127);
  EXPECT_EQ(lfo().retriggerRequest, 0);
}

TEST_F(LfoFixture, SampleAndHoldChangesAtMostOncePerHoldTime) {
  for (double hold : {0.05, 0.2}) {
    SCOPED_TRACE(hold);
    lfoSetPitchDepth(engine, 0, 1.0);
    lfoSetPeriodSeconds(engine, 0, 0.37);
    lfoSetSampleHold(engine, 0, 1);
    lfoSetHoldSeconds(engine, 0, hold);
    const std::vector<double> trace = pitchTrace(static_cast<int>(4.0 / kBlock));
    std::vector<std::size_t> changes;
    for (std::size_t i = 1; i < trace.size(); ++i)
      if (trace[i] != trace[i - 1]) changes.push_back(i);
    ASSERT_GE(changes.size(), 4u);
    // Steps fall on block boundaries: the timer keeps the remainder, so a step may come up to one
    // block early but the count never exceeds one per hold time.
    for (std::size_t k = 1; k < changes.size(); ++k) EXPECT_GE((changes[k] - changes[k - 1]) * kBlock, hold - kBlock);
    EXPECT_LE(changes.size(), static_cast<std::size_t>(trace.size() * kBlock / hold) + 1);
  }
}

TEST_F(LfoFixture, ZeroOrInvalidPeriodAndHoldKeepOutputsFinite) {
  for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) {
    SCOPED_TRACE(bad);
    lfoSetPeriodSeconds(engine, 0, bad);
    lfoSetHoldSeconds(engine, 0, bad);
    EXPECT_GE(lfo().periodSeconds, lfoMinSeconds * 0.999);
    EXPECT_GE(lfo().holdSeconds, lfoMinSeconds * 0.999);
    // Also a record that bypassed the setters, with sync to a zero beat count.
    for (int sync : {0, 1}) {
      lfo().periodSeconds = static_cast<float>(bad);
      lfo().holdSeconds = static_cast<float>(bad);
      lfo().periodSync = lfo().holdSync = static_cast<std::uint32_t>(sync);
      lfo().periodBeats = lfo().holdBeats = bad;
      lfo().sampleHold = 1;
      lfo().pitchDepth = 2.0f;
      lfo().filterRange = 0.25f;
      lfo().holdRateRange = 0.0f;  // a hold factor of 0 must not make the step infinite
      for (int b = 0; b < 50; ++b) {
        lfoRenderAll(engine, 128);
        const LfoVoiceState& s = state(0, 0);
        ASSERT_TRUE(std::isfinite(s.pitchFactor) && s.pitchFactor > 0.0f);
        ASSERT_TRUE(std::isfinite(s.filterFactor));
        ASSERT_TRUE(s.filterIndexOffset >= 0.0f && s.filterIndexOffset <= 480.0f);
        ASSERT_TRUE(std::isfinite(s.phase) && std::isfinite(s.holdTimer));
      }
    }
    lfoDefaults(&lfo(), 0);
  }
}

TEST_F(LfoFixture, HugeSetterValuesKeepOutputsFinite) {
  for (double big : {1e300, -1e300, double(NAN)}) {
    SCOPED_TRACE(big);
    lfoSetDepthAmount(engine, 0, big);
    lfoSetAmpDepth(engine, 0, big);
    lfoSetChannelDepth(engine, 0, -big);
    lfoSetFieldDepth(engine, 0, big);
    lfoSetStartPhase(engine, 0, big);
    lfoSetPitchDepth(engine, 0, big);
    lfoSetFilterRange(engine, 0, big);
    lfoSetRateRange(engine, 0, big);
    lfoControllerTrigger(engine, 72, 1);
    for (int b = 0; b < 20; ++b) {
      lfoRenderAll(engine, 128);
      const LfoVoiceState& s = state(0, 0);
      for (float x : {s.pitchFactor, s.ampMultiplier, s.filterFactor, s.filterIndexOffset, s.channelMultiplier,
                      s.fieldX, s.fieldY})
        ASSERT_TRUE(std::isfinite(x));
      ASSERT_TRUE(std::isfinite(lfoSumFieldX(engine, 0)) && std::isfinite(lfoSumFieldY(engine, 0)));
    }
  }
}

TEST_F(LfoFixture, DepthZeroIsNeutralWhateverTheWave) {
  lfo().depthAmount = 1.0f;  // depth follows controller 1, which is at 0
  engine->midi.controllers[1] = 0;
  lfo().pitchDepth = 1.0f;
  lfo().ampDepth = 1.0f;
  lfo().filterRange = 0.1f;
  lfo().channelDepth = 1.0f;
  for (int b = 0; b < 40; ++b) {
    lfoRenderAll(engine, 128);
    const LfoVoiceState& s = state(0, 0);
    EXPECT_NEAR(s.pitchFactor, 1.0f, 1e-6);
    EXPECT_NEAR(s.ampMultiplier, 1.0f, 1e-6);
    EXPECT_NEAR(s.filterFactor, 1.0f, 1e-6);
    EXPECT_NEAR(s.channelMultiplier, 1.0f, 1e-6);
  }
}

TEST_F(LfoFixture, FilterRangeEnds) {
  lfoRenderAll(engine, 128);  // default range 1.0: factor 1, offset 0
  EXPECT_FLOAT_EQ(state(0, 0).filterFactor, 1.0f);
  EXPECT_FLOAT_EQ(state(0, 0).filterIndexOffset, 0.0f);
  lfo().filterRange = 0.0f;
  double lowest = 1.0, highestOffset = 0.0;
  for (int b = 0; b < 400; ++b) {
    lfoRenderAll(engine, 128);
    lowest = std::min(lowest, static_cast<double>(state(0, 0).filterFactor));
    highestOffset = std::max(highestOffset, static_cast<double>(state(0, 0).filterIndexOffset));
  }
  EXPECT_LT(lowest, 1e-20);
  EXPECT_FLOAT_EQ(static_cast<float>(highestOffset), 480.0f);
}

TEST_F(LfoFixture, BindingPointsFiltersAtRoutedOutputs) {
  lfo(0).perVoice = 1;
  lfo(0).filterTarget[1] = 0;
  lfo(2).on = 0;
  lfoBindVoices(engine);
  const FilterVoiceState& routed = engine->filterStates[0][5][2];
  EXPECT_EQ(routed.lfoFactorLinks[0], &state(0, 5).filterFactor);
  EXPECT_EQ(routed.lfoOffsetLinks[0], &state(0, 5).filterIndexOffset);
  EXPECT_EQ(routed.lfoFactorLinks[1], &state(1, 0).filterFactor);  // a global LFO: voice 0's state
  EXPECT_EQ(routed.lfoFactorLinks[2], &filterLinkOne);             // off
  EXPECT_EQ(routed.lfoOffsetLinks[2], &filterLinkZero);
  EXPECT_EQ(engine->filterStates[1][5][0].lfoFactorLinks[0], &filterLinkOne);  // not a target
  const OscVoiceState& os = engine->channelBlocks[2].voices[5];
  EXPECT_EQ(os.lfoPitch[0], &state(0, 5).pitchFactor);
  EXPECT_EQ(os.lfoGain[1], &state(1, 0).ampMultiplier);
  EXPECT_EQ(os.lfoFmIndex[1], &state(1, 0).channelMultiplier);
  EXPECT_EQ(os.lfoPitch[2], &oscLfoNeutral);
  EXPECT_EQ(os.lfoFmIndex[2], &oscLfoNeutral);
  EXPECT_EQ(lfoOscPitchLink(engine, 0, 1, 5), &state(0, 5).pitchFactor);
  EXPECT_EQ(engine->modulatorStates[1][5][2].lfoPitchLinks[0], &state(0, 5).pitchFactor);
  EXPECT_EQ(engine->modulatorStates[1][5][0].lfoPitchLinks[2], &lfoLinkOne);
  EXPECT_EQ(lfoOscFmIndexLink(engine, 1, 2, 5), &state(1, 0).channelMultiplier);
  EXPECT_EQ(lfoOscGainLink(engine, 2, 0, 5), &lfoLinkOne);
}

TEST_F(LfoFixture, FieldSumsScaleByTotalDepthAboveOne) {
  // Fresh states sit at the centre, before and after an evaluation at the default depth 0.
  EXPECT_EQ(lfoSumFieldX(engine, 0), 0.0);
  EXPECT_EQ(lfoSumFieldY(engine, 0), 0.0);
  lfoRenderAll(engine, 128);
  EXPECT_EQ(lfoSumFieldX(engine, 0), 0.0);
  for (int i = 0; i < 3; ++i) {
    lfo(i).fieldDepth = 0.8f;
    lfo(i).startPhase = 256.0f;  // sine top: s near 1
  }
  lfoControllerTrigger(engine, 72, 1);
  lfoRenderAll(engine, 1);
  const double x = lfoSumFieldX(engine, 3);
  EXPECT_NEAR(x, 3 * 0.8 * 0.99999 / 2.4, 1e-3);
  lfo(1).on = lfo(2).on = 0;
  EXPECT_NEAR(lfoSumFieldX(engine, 3), 0.8 * 0.99999, 1e-3);
  for (int i = 0; i < 3; ++i) lfo(i).on = 0;
  EXPECT_EQ(lfoSumFieldY(engine, 3), 0.0);
}

TEST_F(LfoFixture, AccessorLimits) {
  lfoSetControllerSource(engine, 0, 0, 128);  // out of range: nothing
  EXPECT_EQ(lfoGetControllerSource(engine, 0, 0), 1);
  lfoSetControllerSource(engine, 0, 0, -1);
  EXPECT_EQ(lfoGetControllerSource(engine, 0, 0), -1);
  lfoSetControllerSource(engine, 0, 3, 80);
  EXPECT_EQ(lfo().retriggerController, 80);
  EXPECT_EQ(lfoGetControllerSource(engine, 0, 4), 0);
  lfoSetPeriodSync(engine, 0, 2);  // not stored
  EXPECT_EQ(lfoGetPeriodSync(engine, 0), 0);
  lfoSetPitchTarget(engine, 1, 7, 0);  // channel outside 0..2 means 0
  EXPECT_EQ(lfo(1).pitchTarget[0], 0);
  EXPECT_EQ(lfoGetPitchTarget(engine, 1, 7), 0);
  lfoSetFilterTarget(engine, 1, 3, 0);
  EXPECT_EQ(lfo(1).filterTarget[3], 0);
  EXPECT_EQ(lfoGetOn(engine, 5), 0);  // no such LFO
  lfoSetOn(engine, 5, 0);
  EXPECT_DOUBLE_EQ(lfoGetPercentSetting(engine, 0), 0.0);
  lfoSetPercentSetting(engine, 2, 0.4);
  EXPECT_NEAR(lfoGetPercentSetting(engine, 2), 0.4, 1e-7);
}

}  // namespace
