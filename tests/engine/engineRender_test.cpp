// The engine object, its block render, the output filter and ramps, and the stop/restart handshake.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/envelope.h"
#include "preset/envelopeSlot.h"
#include "preset/oscParams.h"
#include "preset/wave.h"
#include "support/signal.h"
#include "testAudioThread.h"

int editWaitsRunOut();
int envSlotWaitsRunOut();

namespace {

struct RenderFixture : EngineFixture {
  // Applies the default patch: the engine leaves creation paused, the rebuild restarts it.
  void play() { engineApplyPatchChange(engine, 1); }
  void fillBuses(float value) {
    for (auto& bus : engine->buses)
      for (auto& x : bus) x = value;
  }
};

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

TEST_F(RenderFixture, CreatedPausedAndRestartedByRebuild) {
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_EQ(engine->inputCount, 6);
  EXPECT_EQ(engine->outputCount, 8);
  EXPECT_FALSE(engineIsShuttingDown());
  play();
  EXPECT_EQ(engine->paused.load(), 0);
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->polyphony, engine->header.polyphony);
}

TEST_F(RenderFixture, FrameCountOutsideOneTo128DoesNothing) {
  play();
  for (int frames : {0, -1, 129, 32767}) {
    fillBuses(0.25f);
    const double clock = engine->header.tempo.position;
    engineRender(engine, static_cast<std::int16_t>(frames));
    EXPECT_EQ(engine->framesDone, 0u) << frames;
    EXPECT_EQ(engine->header.tempo.position, clock) << frames;
    EXPECT_EQ(engine->buses[2][127], 0.25f) << frames;
  }
  engineRender(nullptr, 128);  // no engine: nothing
}

TEST_F(RenderFixture, TenBlocksAdvanceTheFrameCounter) {
  play();
  for (int i = 0; i < 10; ++i) engineRender(engine, 128);
  EXPECT_EQ(engine->framesDone, 1280u);
  engineRender(engine, 1);
  EXPECT_EQ(engine->framesDone, 1281u);
}

TEST_F(RenderFixture, PausedBlocksAreSilentAndCountNothing) {
  play();
  engineRender(engine, 128);
  engineStopAudio(engine, 1);
  ASSERT_EQ(engine->paused.load(), 1);
  fillBuses(0.5f);
  const double clock = engine->header.tempo.position;
  engineRender(engine, 128);
  for (auto& bus : engine->buses)
    for (float x : bus) ASSERT_EQ(x, 0.0f);
  EXPECT_EQ(engine->framesDone, 128u);
  // Control units keep running while paused: the tempo clock advanced.
  EXPECT_EQ(engine->header.tempo.position, clock + 128.0);
}

TEST_F(RenderFixture, VoiceBookkeepingAndGlide) {
  play();
  engine->header.polyphony = 4;
  engine->polyphony = 4;
  Voice& a = engine->voices[0];
  Voice& b = engine->voices[1];
  a.active = 1;
  a.note = 60;
  a.glideRatio = 0.5f;
  b.active = 1;
  b.note = -1;
  engine->controllers.glideMode = 1;
  engine->controllers.timeCoefficients[0] = 0.5f;
  engineRender(engine, 128);
  EXPECT_EQ(a.age, 128u);
  EXPECT_FLOAT_EQ(a.glideRatio, 0.5f + 0.5f * 0.5f * 128 * 0.0078125f);  // 0.75
  EXPECT_EQ(b.active, 0);                                                // a negative note ends the voice's activity
  // Glide rate 1.0 leaves the ratio alone.
  engine->controllers.timeCoefficients[0] = 1.0f;
  engineRender(engine, 128);
  EXPECT_FLOAT_EQ(a.glideRatio, 0.75f);
}

TEST_F(RenderFixture, BuffersAreCarvedFromThePoolInOrder) {
  play();
  engine->polyphony = 3;
  engine->header.polyphony = 3;
  for (int v : {0, 2}) {
    engine->voices[v].active = 1;
    engine->voices[v].note = 60;
  }
  engine->channels[0]->on = 0;
  engine->channels[1]->on = 1;
  engine->channels[2]->on = 1;
  engineSetVoiceBufferCount(engine, 2, 2);
  engineRender(engine, 64);
  EXPECT_EQ(engine->voiceBuffers[0][0], nullptr);  // channel 0 off: left as it was
  EXPECT_EQ(engine->voiceBuffers[1][0], engine->pool);
  EXPECT_EQ(engine->voiceBuffers[1][2], engine->pool + 64);
  EXPECT_EQ(engine->voiceBuffers[2][0], engine->pool + 128);
  EXPECT_EQ(engine->voiceBuffers[2][2], engine->pool + 256);
  EXPECT_EQ(engine->masterBuffers[0], engine->pool + 384);
  EXPECT_EQ(engine->masterBuffers[2], engine->pool + 448);
}

TEST_F(RenderFixture, ModulationRowsStartEachBlockAtOne) {
  play();
  engine->polyphony = 2;
  engine->voices[1].active = 1;
  engine->voices[1].note = 40;
  engine->modMultipliers[2][1][5] = 0.25f;
  engine->modMultipliers[3][0][38] = 0.0f;
  engine->panEntries[1][1].a = 3.0f;
  engineRender(engine, 128);
  EXPECT_EQ(engine->modMultipliers[2][1][5], 1.0f);
  EXPECT_EQ(engine->modMultipliers[3][0][38], 1.0f);  // the master row of voice 0, active or not
  EXPECT_EQ(engine->panEntries[1][1].a, 0.0f);
}

TEST_F(RenderFixture, AccessorFallbacks) {
  EXPECT_EQ(engineGetChannel(engine, 5), engine->channels[0]);
  EXPECT_EQ(engineGetChannel(engine, 2), engine->channels[2]);
  EXPECT_EQ(engineGetChannel(engine, engineEditIndex), &engine->edit.osc);
  EXPECT_EQ(engineGetFilter(engine, engineEditIndex), &engine->edit.filter);
  EXPECT_EQ(engineGetFilter(engine, 4), &engine->filters[0]);
  EXPECT_EQ(engineGetModulator(engine, -1), &engine->modulators[0]);
  EXPECT_EQ(engineGetOscVoiceState(engine, 7, 99), &engine->oscStates[0][0]);
  EXPECT_EQ(engineGetFilterVoiceState(engine, 3, 64, 1), &engine->filterStates[3][0][1]);
  engineSetVoiceBufferCount(engine, 1, 0);
  EXPECT_EQ(engineGetVoiceBufferCount(engine, 1), 1);
  engineSetVoiceBufferCount(engine, 1, 2);
  EXPECT_EQ(engineGetVoiceBufferCount(engine, 1), 2);
  engineSetVoiceBufferCount(engine, 1, 40);  // more lanes than a voice state holds
  EXPECT_EQ(engineGetVoiceBufferCount(engine, 1), engineLanesMax);
  engineSetInputCount(engine, 7);
  EXPECT_EQ(engineGetInputCount(engine), 6);
  engineSetOutputCount(engine, 2);
  EXPECT_EQ(engineGetOutputCount(engine), 2);
  EXPECT_EQ(engineGetOutputCount(nullptr), 0);
  engineSetTempoPercent(engine, 50.0);
  EXPECT_DOUBLE_EQ(engineGetTempoPercent(engine), 50.0);
  engineSetTempoPercent(engine, 1e9);
  EXPECT_DOUBLE_EQ(engineGetTempoPercent(engine), 16000.0);
  EXPECT_DOUBLE_EQ(engineGetTempoPercent(nullptr), 100.0);
}

TEST_F(RenderFixture, RebuildRaisesMasterLanesForSurroundAndSetsFlags) {
  engine->header.stageCounts[3] = 2;
  engine->surround.outputsUsed = 4;
  engine->channels[1]->on = 1;
  engine->filters[1].on = 1;
  engine->filters[0].on = 1;  // channel 0 is off: its filter stays inactive
  engine->filters[3].on = 1;
  engine->filters[3].postMix = 1;
  engine->waveshaper.on = 1;
  engine->waveshaper.postMix = 0;
  engineApplyPatchChange(engine, 0);
  EXPECT_EQ(engine->header.stageCounts[3], 3);
  EXPECT_EQ(engine->channelOn[1], 1);
  EXPECT_EQ(engine->filterActive[1], 1);
  EXPECT_EQ(engine->filterActive[0], 0);
  EXPECT_EQ(engine->masterFilterPostMix, 1);
  EXPECT_EQ(engine->masterFilterPerVoice, 0);
  EXPECT_EQ(engine->waveshaperPerVoice, 1);
  // No channel on: no master stage runs.
  engine->channels[1]->on = 0;
  engineUpdateChannelFlags(engine);
  EXPECT_EQ(engine->masterFilterPostMix, 0);
  EXPECT_EQ(engine->waveshaperPerVoice, 0);
}

TEST_F(RenderFixture, OutputGain) {
  engine->header.polyphony = 4;
  engine->header.gain = 2.0f;
  engineUpdateOutputGain(engine);
  EXPECT_FLOAT_EQ(engine->outputGain, 0.5f * 0.893992f);
  engine->header.polyphony = 1;
  engine->header.gain = 100.0f;
  engineUpdateOutputGain(engine);
  EXPECT_FLOAT_EQ(engine->outputGain, 16.0f * 0.893992f);
}

TEST_F(RenderFixture, ClaimPresetWaves) {
  for (int i = 0; i < waveLocalCount; ++i) {
    EXPECT_EQ(engineClaimPresetWave(engine), waveLocalIdBase + i);
    EXPECT_EQ(engine->presetWaves[i].state, waveStateLocal);
    EXPECT_STREQ(engine->presetWaves[i].name, ("preset " + std::to_string(i + 1)).c_str());
  }
  EXPECT_EQ(engineClaimPresetWave(engine), -1);
  EXPECT_EQ(engineClaimPresetWave(nullptr), -1);
}

TEST_F(RenderFixture, RetuneFollowsTheTranspose) {
  play();
  engine->voices[0].note = 69;
  engine->voices[1].note = -1;
  engine->voices[1].pitch = 3.0f;
  engine->header.transpose = 2.0f;
  engineRetuneVoices(engine);
  EXPECT_NEAR(engine->voices[0].pitch, 2.0 * 10.21678, 1e-3);
  EXPECT_EQ(engine->voices[1].pitch, 3.0f);
}

TEST_F(RenderFixture, EnvelopeSlotCopies) {
  EnvelopeSlot source;
  envInitSlot(&source, 9, envDestShapePhase);
  source.owner = 2;
  source.sustainIndex = -1;
  source.releaseIndex = 2;
  source.breakpoints[1].level = 0.25f;
  EnvelopeSlot& target = engine->envSlots[4];
  target.owner = 1;
  target.destination = envDestFilterFreq;
  target.allocated = 1;
  const std::int32_t id = target.id;
  envHandshakeStore(&target, envHandshakeAcked);
  engineCopyEnvelopeSlot(engine, &source, &target, 4, 1, 1);
  EXPECT_EQ(target.breakpoints[1].level, 0.25f);
  EXPECT_EQ(target.sustainIndex, 2);  // taken from the release index
  EXPECT_EQ(target.owner, 1);
  EXPECT_EQ(target.destination, 9);
  EXPECT_EQ(target.id, id);
  EXPECT_EQ(target.allocated, 1);
  EXPECT_EQ(envHandshakeLoad(&target), envHandshakeRunning);
  engineCopyEnvelopeSlotEntry(engine, &source, &target, 4, 0);
  EXPECT_EQ(target.owner, 2);
  EXPECT_EQ(target.destination, 12);
}

// ---- Output DC filter ----

TEST_F(RenderFixture, OutputFilterRemovesDcAndPassesOneKilohertz) {
  const double rate = 44100.0;
  const int blocks = 400;  // about 1.2 s: far beyond the filter's settling time (~1,400 samples)
  std::vector<float> dcOut, sineOut, sineIn;
  double phase = 0.0;
  for (int b = 0; b < blocks; ++b) {
    for (int n = 0; n < 128; ++n) {
      engine->buses[0][n] = 0.5f;
      const float s = static_cast<float>(0.5 * std::sin(phase));
      phase += 2.0 * 3.14159265358979 * 1000.0 / rate;
      engine->buses[1][n] = s;
      sineIn.push_back(s);
      engine->buses[2][n] = 0.0f;
    }
    engineOutputFilter(engine, 128);
    dcOut.insert(dcOut.end(), engine->buses[0], engine->buses[0] + 128);
    sineOut.insert(sineOut.end(), engine->buses[1], engine->buses[1] + 128);
  }
  const std::size_t tail = 128 * 100;
  // The f32 recursion leaves a residue of a few 1e-5 of a 0.5 constant (over 80 dB down).
  EXPECT_LT(std::fabs(dcOut.back()), 1e-4);
  const double in = signalToneAmplitude(sineIn.data() + sineIn.size() - tail, tail, rate, 1000.0);
  const double out = signalToneAmplitude(sineOut.data() + sineOut.size() - tail, tail, rate, 1000.0);
  EXPECT_NEAR(20.0 * std::log10(out / in), 0.0, 0.1);
}

TEST_F(RenderFixture, SilenceNeverProducesDenormals) {
  play();
  // A loud block first, then a long silence: the filter's decay must stay clear of denormals.
  for (auto& bus : engine->buses)
    for (auto& x : bus) x = 0.9f;
  engineOutputFilter(engine, 128);
  for (int b = 0; b < 20000; ++b) {
    engineRender(engine, 128);
    for (auto& bus : engine->buses) ASSERT_TRUE(signalAllNormal(bus, 128)) << b;
  }
  for (const auto& s : engine->outFilter) {
    EXPECT_TRUE(s.y == 0.0f || std::fpclassify(s.y) == FP_NORMAL);
    EXPECT_TRUE(s.u == 0.0f || std::fpclassify(s.u) == FP_NORMAL);
  }
}

TEST(EngineOutputFilter, ClampAndReset) {
  OutputFilterState s{5.0f, -3.0f};
  engineOutputFilterClamp(&s);
  EXPECT_FLOAT_EQ(s.y, 0.99f);
  EXPECT_FLOAT_EQ(s.u, -0.99f);
  engineOutputFilterReset(&s);
  EXPECT_EQ(s.y, 0.0f);
  EXPECT_EQ(s.u, 0.0f);
}

// ---- Engine ramp and device ramp ----

TEST_F(RenderFixture, EngineRampRisesWithinTwoBlocksAfterRestartAndHoldsDuringStop) {
  play();
  engine->engineRampGain.store(0.001f);
  engine->request.store(2);
  engineRender(engine, 128);
  EXPECT_GT(engine->engineRampGain.load(), 0.001f);
  EXPECT_LT(engine->engineRampGain.load(), 1.0f);
  engineRender(engine, 128);
  EXPECT_EQ(engine->engineRampGain.load(), 1.0f);
  engine->request.store(1);
  engineRender(engine, 128);
  EXPECT_EQ(engine->engineRampGain.load(), 1.0f);
  engine->request.store(0);
}

struct RampRun {
  std::vector<float> out1, out2;
};

RampRun runDeviceRamp(Engine* engine, int blocks) {
  RampRun r;
  for (int b = 0; b < blocks; ++b) {
    float o1[128], o2[128];
    for (int n = 0; n < 128; ++n) {
      o1[n] = 1.0f;
      o2[n] = -1.0f;
    }
    engineOutputRamp(engine, o1, o2);
    r.out1.insert(r.out1.end(), o1, o1 + 128);
    r.out2.insert(r.out2.end(), o2, o2 + 128);
  }
  return r;
}

TEST_F(RenderFixture, DeviceRampFadeOut) {
  play();
  engine->rampFlag.store(1);
  engine->deviceRampGain.store(1.0f);
  engine->request.store(1);
  RampRun r = runDeviceRamp(engine, 1);
  EXPECT_EQ(r.out1[0], 1.0f);
  EXPECT_FLOAT_EQ(r.out1[1], 0.97272f);
  EXPECT_FLOAT_EQ(r.out2[2], -0.97272f * 0.97272f);
  EXPECT_EQ(engine->request.load(), 1);  // 0.97272^128 is still far above 0.001
  EXPECT_EQ(engine->paused.load(), 0);
  RampRun r2 = runDeviceRamp(engine, 1);
  r.out1.insert(r.out1.end(), r2.out1.begin(), r2.out1.end());
  // The first frame at or below 0.001 comes after about 250 frames; one more frame at that gain,
  // then silence for the rest of the sub-block.
  int k = 0;
  while (k < 256 && r.out1[k] > 0.001f) ++k;
  EXPECT_NEAR(k, std::log(0.001) / std::log(0.97272), 1.5);
  for (int n = 1; n < k; ++n) ASSERT_NEAR(r.out1[n] / r.out1[n - 1], 0.97272, 1e-5) << n;
  for (int n = k + 2; n < 256; ++n) EXPECT_EQ(r.out1[n], 0.0f) << n;
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->deviceRampGain.load(), 1.0f);
}

TEST_F(RenderFixture, DeviceRampFadeIn) {
  engine->paused.store(0);
  engine->rampFlag.store(1);
  engine->deviceRampGain.store(0.001f);
  engine->request.store(2);
  RampRun r = runDeviceRamp(engine, 2);
  EXPECT_NEAR(r.out1[0], 0.001f, 1e-9);
  int k = 0;
  while (k < 256 && r.out1[k] < 1.0f) ++k;
  EXPECT_NEAR(k, std::log(1000.0) / std::log(1.02805), 2.0);
  for (int n = k; n < 256; ++n) ASSERT_EQ(r.out1[n], 1.0f) << n;
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->paused.load(), 0);
  EXPECT_EQ(engine->deviceRampGain.load(), 1.0f);
}

TEST_F(RenderFixture, DeviceRampWithTheFlagClearLeavesOutputsButRuns) {
  play();
  engine->rampFlag.store(0);
  engine->deviceRampGain.store(1.0f);
  engine->request.store(1);
  RampRun r = runDeviceRamp(engine, 2);
  for (float x : r.out1) ASSERT_EQ(x, 1.0f);
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->deviceRampGain.load(), 1.0f);
}

// ---- Stop and restart ----

TEST_F(RenderFixture, WithoutAudioStopAndRestartDoNotWait) {
  play();
  auto t0 = std::chrono::steady_clock::now();
  engineStopAudio(engine, 1);
  EXPECT_LT(msSince(t0), 50.0);
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_EQ(engine->request.load(), 0);
  // A second stop while paused returns at once and touches nothing.
  engine->rampFlag.store(0);
  engineStopAudio(engine, 1);
  EXPECT_EQ(engine->rampFlag.load(), 0);
  t0 = std::chrono::steady_clock::now();
  engineRestartAudio(engine);
  EXPECT_LT(msSince(t0), 50.0);
  EXPECT_EQ(engine->paused.load(), 0);
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->deviceRampGain.load(), 1.0f);
  EXPECT_EQ(engine->engineRampGain.load(), 1.0f);
  engineStopAudio(nullptr, 1);
  engineRestartAudio(nullptr);
}

// An audio thread that never answers: the stop, the restart, an edit and an envelope slot's request
// each wait out their bound
// and are counted, so the tests that read those counts see a missing answer whatever the clock says.
TEST_F(RenderFixture, WaitsNoAudioThreadAnswersAreCounted) {
  play();
  engineAudioThreadBegin(engine);  // running, but it renders no block
  const int misses = engineHandshakeMisses(), runOut = editWaitsRunOut();
  engineStopAudio(engine, 1);
  EXPECT_EQ(engineHandshakeMisses(), misses + 1);
  engineRestartAudio(engine);
  EXPECT_EQ(engineHandshakeMisses(), misses + 2);
  oscSetLevel(engine, 0, 0.5f);
  EXPECT_EQ(editWaitsRunOut(), runOut + 1);
  EXPECT_EQ(engine->channels[0]->level, 0.5f) << "applied by the interface after the wait";
  EnvelopeSlot* slot = engineGetEnvelopeSlot(engine, 3);
  envHandshakeStore(slot, envHandshakeRunning);
  const int slotRunOut = envSlotWaitsRunOut();
  envSlotWaitAudio(engine, 3);
  EXPECT_EQ(envSlotWaitsRunOut(), slotRunOut + 1);
  engineAudioThreadEnd(engine);
}

TEST_F(RenderFixture, StopAndRestartWithAnAudioThread) {
  play();
  TestAudioThread audio(engine, 1.0f, 6);
  audio.start();
  while (audio.blocksRun() < 4) std::this_thread::yield();

  audio.armCapture();
  const int misses = engineHandshakeMisses();
  engineStopAudio(engine, 1);
  EXPECT_EQ(engineHandshakeMisses(), misses);  // answered by the audio side, not the 256 ms bound
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_EQ(engine->request.load(), 0);
  ASSERT_TRUE(audio.waitCapture());
  const std::vector<float>& out = audio.captured();
  const int total = static_cast<int>(out.size());
  // Full level, then x 0.97272 per frame down to 0.001 or below (about 250 frames), then silence.
  int s = 0;
  while (s < total && out[s] == 1.0f) ++s;
  ASSERT_GT(s, 0);
  int k = s;
  while (k < total && out[k] > 0.001f) {
    ASSERT_NEAR(out[k] / out[k - 1], 0.97272, 1e-5) << k;
    ++k;
  }
  EXPECT_NEAR(k - s, 250, 2);
  for (int n = k + 2; n < total; ++n) ASSERT_EQ(out[n], 0.0f) << n;
  const std::uint32_t framesWhilePaused = engine->framesDone;

  audio.armCapture();
  engineRestartAudio(engine);
  EXPECT_EQ(engineHandshakeMisses(), misses);
  EXPECT_EQ(engine->paused.load(), 0);
  EXPECT_EQ(engine->request.load(), 0);
  ASSERT_TRUE(audio.waitCapture());
  const std::vector<float>& in = audio.captured();
  // Silence while paused, then from 0.001 up by x 1.02805 per frame to full level after about 250
  // frames, and full level from there on.
  s = 0;
  while (s < total && in[s] == 0.0f) ++s;
  ASSERT_LT(s, total);
  EXPECT_NEAR(in[s], 0.001f, 1e-6);
  k = s + 1;
  while (k < total && in[k] < 1.0f) {
    ASSERT_NEAR(in[k] / in[k - 1], 1.02805, 1e-4) << k;
    ++k;
  }
  EXPECT_NEAR(k - s, 250, 2);
  for (int n = k; n < total; ++n) ASSERT_EQ(in[n], 1.0f) << n;
  audio.stop();
  EXPECT_GT(engine->framesDone, framesWhilePaused);
}

TEST_F(RenderFixture, ForcedStopWaitsForTheBlockInProgress) {
  play();
  // An audio thread that is inside a block and does not answer the request (stalled device).
  engineAudioThreadBegin(engine);
  engineAudioBlockBegin(engine);
  std::atomic<bool> returned{false};
  std::thread ui([&] {
    engineStopAudio(engine, 1);
    returned.store(true);
  });
  // The interface gives up waiting for the fade after 256 ms, forces the paused state, and then must
  // still wait for the block that is running.
  while (engine->paused.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(returned.load());
  engineAudioBlockEnd(engine);
  ui.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(engine->request.load(), 0);
  engineAudioThreadEnd(engine);
}

}  // namespace
