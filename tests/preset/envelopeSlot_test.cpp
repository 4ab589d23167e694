// Envelope slots: defaults, allocation and pairs, names, the mode and loop rules, links, accessors and
// the handshake word.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/envelope.h"

namespace {

struct EnvelopeFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    for (int i = 0; i < envSlotCount; ++i) envInitSlot(&engine->envSlots[i], static_cast<std::int16_t>(i), envDestNone);
    for (int c = 0; c < 3; ++c)
      envSetDefaultsByDest(engine, static_cast<std::int16_t>(c), static_cast<std::uint16_t>(c), envDestOscAmp);
  }
  std::string name(std::int16_t slot, EnvDestKind dest = envDestNone, std::int16_t owner = 0) {
    char buf[envNameSize + 1] = {};
    envGetName(engine, slot, buf, dest, owner);
    return buf;
  }
};

TEST_F(EnvelopeFixture, FreshSlotIsAttackHoldRelease) {
  EnvelopeSlot s;
  envInitSlot(&s, 7, envDestNone);
  EXPECT_EQ(s.startLevel, 0.0f);
  EXPECT_EQ(s.breakpoints[0].time, 441.0);
  EXPECT_EQ(s.breakpoints[0].level, 1.0f);
  EXPECT_EQ(s.breakpoints[1].time, 22050.0);
  EXPECT_EQ(s.breakpoints[1].level, 1.0f);
  EXPECT_EQ(s.breakpoints[2].level, 0.0f);
  EXPECT_EQ(s.sustainIndex, 1);
  EXPECT_EQ(s.lastIndex, 2);
  EXPECT_EQ(s.mode, envModeSustain);
  EXPECT_EQ(s.id, 7);
  EXPECT_EQ(s.linkMaster, 8);
  EXPECT_EQ(s.displayIndex, -1);
  EXPECT_EQ(s.breakpoints[50].lfoDepth, 0.5f);
  EXPECT_EQ(s.breakpoints[50].shSeconds, 0.123);
  EnvelopeSlot fx;
  envInitSlot(&fx, 3, envDestEffectWet);
  EXPECT_EQ(fx.effectTarget, 1u);
}

TEST_F(EnvelopeFixture, DefaultsByDestination) {
  const struct {
    EnvDestKind dest;
    float start;
    double t0;
    float l0, s0;
    double t1;
  } cases[] = {{envDestOscPhase, 0.5f, 882.0, 0.5f, 0.5f, 22050.0},
               {envDestSampleStart, 0.0f, 88200.0, 1.0f, 1.0f, 44100.0},
               {envDestSampleJump, 0.0f, 44100.0, 0.0f, 1.0f, 44100.0},
               {envDestFilterFreq, 1.0f, 882.0, 1.0f, 0.5f, 22050.0}};
  for (auto c : cases) {
    std::int16_t slot = envCreate(engine, 1, c.dest);
    ASSERT_GE(slot, 3);
    EnvelopeSlot* s = envSlot(engine, slot);
    EXPECT_EQ(s->startLevel, c.start) << c.dest;
    EXPECT_EQ(s->breakpoints[0].time, c.t0) << c.dest;
    EXPECT_EQ(s->breakpoints[0].level, c.l0) << c.dest;
    EXPECT_EQ(s->breakpoints[0].slope, c.s0) << c.dest;
    EXPECT_EQ(s->breakpoints[3].time, c.t1) << c.dest;
    EXPECT_EQ(s->lastIndex, 2);
    EXPECT_EQ(s->allocated, 1);
    EXPECT_EQ(s->owner, 1);
  }
  // Ids stay unique across the slots.
  for (int a = 0; a < envSlotCount; ++a)
    for (int b = a + 1; b < envSlotCount; ++b)
      if (engine->envSlots[a].allocated && engine->envSlots[b].allocated) {
        EXPECT_NE(engine->envSlots[a].id, engine->envSlots[b].id);
      }
}

TEST_F(EnvelopeFixture, AllocationPairsAndNames) {
  EXPECT_EQ(envCreate(engine, 0, envDestOscAmp), 0);  // channel envelopes keep their slots
  EXPECT_EQ(envCreate(engine, 5, envDestOscAmp), -1);
  const std::int16_t pan = envCreate(engine, 1, envDestSurroundPan);
  ASSERT_EQ(pan, 3);
  EXPECT_EQ(envSlot(engine, 3)->destination, 28);
  EXPECT_EQ(envSlot(engine, 4)->destination, 37);
  EXPECT_EQ(envFindPartner(engine, 3), 4);
  EXPECT_EQ(envFindPartner(engine, 4), 3);
  EXPECT_EQ(name(3), "chan 2 surround pan (1)");
  EXPECT_EQ(name(4), "chan 2 pan FB (1)");
  EXPECT_EQ(envCountAllocated(engine), 5);
  // Fill every free slot; then a pair request gets a plain pan LR without a partner.
  while (envCreate(engine, 0, envDestModBalance) >= 0) {
  }
  EXPECT_EQ(envCountAllocated(engine), 28);
  EXPECT_EQ(envCreate(engine, 0, envDestModBalance), -1);
  envSlotClear(engine, 27);
  const std::int16_t lone = envCreate(engine, 2, envDestSurroundPan);
  ASSERT_EQ(lone, 27);
  EXPECT_EQ(envSlot(engine, 27)->partnerId, 0);
  EXPECT_EQ(name(27), "chan 3 pan LR (1)");
  // Occurrence numbers: the second amp envelope of channel 1 is number 2; a new one would be 3.
  envSlotClear(engine, 26);
  envSetDefaultsByDest(engine, 26, 0, envDestOscAmp);
  EXPECT_EQ(name(0), "oscil 1 amp (1)");
  EXPECT_EQ(name(26), "oscil 1 amp (2)");
  EXPECT_EQ(name(-1, envDestOscAmp, 0), "oscil 1 amp (3)");
  EXPECT_EQ(name(-1, envDestFilterFreq, 3), "master filter freq (1)");
  EXPECT_EQ(name(-1, envDestGrainTime, 1), "oscil 2 grain time % (1)");
  EXPECT_EQ(name(-1, envDestEffectFeedback, 2), "effect feedback (1)");
  EXPECT_EQ(name(-1, static_cast<EnvDestKind>(envDestLast + 1), 0), "");
  char untouched[envNameSize] = "keep";
  envGetName(engine, 28, untouched, envDestOscAmp, 0);
  EXPECT_STREQ(untouched, "keep");
}

TEST_F(EnvelopeFixture, ModeLoopRules) {
  EnvelopeSlot* s = envSlot(engine, 0);
  s->sustainIndex = 0;
  s->loopStart = 0;
  envSetMode(engine, 0, envModeLoop);
  EXPECT_EQ(s->sustainIndex, 1);
  EXPECT_EQ(s->loopStart, 0);
  s->lastIndex = 8;
  s->sustainIndex = 3;
  s->loopStart = 5;
  envSetMode(engine, 0, envModeLoop);
  EXPECT_EQ(s->loopStart, 2);
  EXPECT_EQ(s->releaseIndex, 3);
  envSetMode(engine, 0, 9);
  EXPECT_EQ(s->mode, envModeLoop);
  // The edit took the slot and handed it back: the audio thread resumes it from -3.
  EXPECT_EQ(envHandshakeLoad(s), envHandshakeResume);
}

TEST_F(EnvelopeFixture, LinksAndClearing) {
  envSetLinkMaster(engine, 27, 27);
  EXPECT_EQ(envGetLinkMaster(engine, 27), 26);
  envSetLinkMaster(engine, 5, 5);
  EXPECT_EQ(envGetLinkMaster(engine, 5), 6);
  envSetLinkMaster(engine, 6, 4);
  envSetLinked(engine, 6, 1);
  EXPECT_EQ(envGetLinkMasterSlot(engine, 6), 4);
  EXPECT_TRUE(envIsLinkedTo(engine, 4));
  envSlotClear(engine, 4);
  EXPECT_FALSE(envIsLinked(engine, 6));
  EXPECT_EQ(envGetLinkMasterSlot(engine, 6), 0);
  envSetLinkMaster(engine, 7, -3);
  EXPECT_EQ(envGetLinkMasterSlot(engine, 7), 7);
}

TEST_F(EnvelopeFixture, AccessorRanges) {
  envSetLfoPhase(engine, 0, -0.25f);
  EXPECT_FLOAT_EQ(envGetLfoPhase(engine, 0), 0.75f);
  envSetLfoPhase(engine, 0, 2.5f);
  EXPECT_FLOAT_EQ(envGetLfoPhase(engine, 0), 0.5f);
  envSetLfoPhase(engine, 0, 1.0e30f);
  EXPECT_GE(envGetLfoPhase(engine, 0), 0.0f);
  EXPECT_LT(envGetLfoPhase(engine, 0), 1.0f);
  envSetBpLevel(engine, 0, -1, 0.3);
  EXPECT_FLOAT_EQ(envSlot(engine, 0)->startLevel, 0.3f);
  envSetBpLevel(engine, 0, 0, 1.5);
  EXPECT_EQ(envGetBpLevel(engine, 0, 0), 1.0);
  envSetTimePercent(engine, 0, 0.0f);
  EXPECT_FLOAT_EQ(envGetTimePercent(engine, 0), 0.01f);
  envSetAmpOffset(engine, 0, 5.0f);
  EXPECT_EQ(envGetAmpOffset(engine, 0), 2.0f);
  envSetAmpPercent(engine, 0, -40.0f);
  EXPECT_EQ(envGetAmpPercent(engine, 0), -16.0f);
  envSetBpTime(engine, 0, 68, 5.0);  // out of range: nothing
  envSetBpTime(engine, 0, 1, -1.0);
  EXPECT_EQ(envGetBpTime(engine, 0, 1), 22050.0);
  EXPECT_EQ(envGetBpTime(engine, 0, 68), 0.0);
  EXPECT_EQ(envGetBpSlope(engine, 0, -1), 1.0);
  envSetBpStepFlag(engine, 0, 1, 2);
  EXPECT_EQ(envGetBpStepFlag(engine, 0, 1), 0u);
  envSetBpLfoSec(engine, 0, 1, 5000.0f);
  EXPECT_EQ(envGetBpLfoSec(engine, 0, 1), 999.0);
  EXPECT_EQ(envGetBpLfoSec(engine, 0, -1), 0.0);
  EXPECT_EQ(envGetBpLfoSec(engine, 0, 90), 1.0);
  EXPECT_EQ(envGetAmpPercent(engine, 40), 1.0f);
  EXPECT_FALSE(envIsBypassed(engine, -2));
  envSetBypass(engine, 1, 1);
  EXPECT_TRUE(envIsBypassed(engine, 1));
}

TEST_F(EnvelopeFixture, ScaleTimesAndTotalSeconds) {
  EnvelopeSlot* synced = envSlot(engine, envCreate(engine, 0, envDestModBalance));
  EnvelopeSlot* retrig = envSlot(engine, envCreate(engine, 0, envDestModBalance));
  EnvelopeSlot* plain = envSlot(engine, envCreate(engine, 0, envDestModBalance));
  synced->tempoSync = 1;
  retrig->mode = envModeRetrigger;
  envScaleTimes(engine, 120.0, 60.0);
  EXPECT_EQ(synced->breakpoints[1].time, 44100.0);
  EXPECT_EQ(retrig->breakpoints[0].time, 1764.0);
  EXPECT_EQ(plain->breakpoints[1].time, 22050.0);
  EXPECT_DOUBLE_EQ(envTotalSeconds(engine, 0), (441.0 + 22050.0 + 22050.0) / 44100.0);
  EXPECT_EQ(envTotalSeconds(engine, 30), 0.0);
}

TEST_F(EnvelopeFixture, ClampLoopPointsMovesHeldVoices) {
  EnvelopeSlot* s = envSlot(engine, 0);
  s->lastIndex = 4;
  s->sustainIndex = 6;
  s->loopStart = 3;
  EnvelopeInstance* held = engineGetEnvelopeInstance(engine, 0, 5);
  held->state = 2;
  held->segmentStart = 6;
  envClampLoopPoints(engine, 0);
  EXPECT_EQ(s->sustainIndex, 3);
  EXPECT_EQ(s->releaseIndex, 3);
  EXPECT_EQ(s->loopStart, 2);
  EXPECT_EQ(held->segmentStart, 3);
  EXPECT_EQ(held->segmentTarget, 4);
}

// The handshake as the audio thread sees it: it acknowledges a request and resumes after the edit.
TEST_F(EnvelopeFixture, HandshakeWithAnAudioThread) {
  EnvelopeSlot* s = envSlot(engine, 9);
  std::atomic<bool> stop{false};
  std::atomic<int> acks{0};
  engineAudioThreadBegin(engine);
  std::thread audio([&] {
    while (!stop.load()) {
      const std::int32_t w = envHandshakeLoad(s);
      if (w == envHandshakeRequest) {
        envHandshakeStore(s, envHandshakeAcked);
        ++acks;
      } else if (w == envHandshakeResume)
        envHandshakeStore(s, envHandshakeRunning);
      std::this_thread::yield();
    }
  });
  envSlotWaitAudio(engine, 9);
  EXPECT_EQ(envHandshakeLoad(s), envHandshakeAcked);
  envSlotMarkPending(engine, 9);
  while (envHandshakeLoad(s) != envHandshakeRunning) std::this_thread::yield();
  stop = true;
  audio.join();
  engineAudioThreadEnd(engine);
  EXPECT_EQ(acks.load(), 1);
  // From -3 the slot is taken back at once.
  envHandshakeStore(s, envHandshakeResume);
  envSlotWaitAudio(engine, 9);
  EXPECT_EQ(envHandshakeLoad(s), envHandshakeAcked);
}

TEST_F(EnvelopeFixture, RefreshDerivesGlobalPitchAndMaster) {
  const struct {
    EnvDestKind dest;
    std::int16_t owner;
    bool postMix;
    std::uint8_t global, pitch;
    std::uint32_t effect;
  } cases[] = {{envDestFilterFreq, 3, true, 1, 0, 0},      {envDestFilterFreq, 3, false, 0, 0, 0},
               {envDestShapeInGain, 0, true, 1, 0, 0},     {envDestShapePhase, 0, true, 1, 0, 1},
               {envDestEffectFeedback, 0, false, 1, 0, 1}, {envDestOscPitch, 1, false, 0, 1, 0},
               {envDestModPitch, 2, false, 0, 1, 0},       {envDestModBalance, 2, true, 0, 0, 0}};
  for (auto c : cases) {
    engine->filters[3].postMix = c.postMix;
    engine->waveshaper.postMix = c.postMix;
    envSlotClear(engine, 5);
    envSetDefaultsByDest(engine, 5, static_cast<std::uint16_t>(c.owner), c.dest);
    envSlot(engine, 5)->linkMaster = 1;  // the id of slot 1
    envRefreshSlot(engine, 5);
    const EnvelopeSlot* s = envSlot(engine, 5);
    EXPECT_EQ(s->global, c.global) << c.dest;
    EXPECT_EQ(s->pitchScale, c.pitch) << c.dest;
    EXPECT_EQ(s->effectTarget, c.effect) << c.dest;
    EXPECT_EQ(s->linkMasterSlot, 1) << c.dest;
  }
  engineGetChannel(engine, 1)->on = 1;
  engineGetChannel(engine, 2)->on = 0;
  envSlot(engine, 2)->destination = envDestNone;
  envSyncChannelOn(engine);
  envBindChannelSlots(engine);
  EXPECT_EQ(envSlot(engine, 1)->inUse, 1);
  EXPECT_EQ(envSlot(engine, 2)->inUse, 0);
  EXPECT_EQ(envSlot(engine, 2)->destination, 1);
  EXPECT_EQ(envSlot(engine, 2)->owner, 2);
}

TEST_F(EnvelopeFixture, SyncAndMarkAllWithoutAudioThread) {
  envHandshakeStore(envSlot(engine, 4), envHandshakeResume);
  envSlotSyncStates(engine);
  EXPECT_EQ(envHandshakeLoad(envSlot(engine, 0)), envHandshakeRequest);
  EXPECT_EQ(envHandshakeLoad(envSlot(engine, 4)), envHandshakeAcked);
  envSlotMarkAllPending(engine);
  for (int i = 0; i < envSlotCount; ++i) EXPECT_EQ(envHandshakeLoad(envSlot(engine, i)), envHandshakeResume);
}

}  // namespace
