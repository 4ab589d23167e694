// The master effect frame: defaults, type and memory handling, levels and times, copy between a
// preset and the engine, and that switching kinds never replays another kind's audio.
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <random>

#include "effectTestFixture.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "support/signal.h"

namespace {

std::vector<float> noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-0.5f, 0.5f);
  std::vector<float> x(n);
  for (float& v : x) v = d(rng);
  return x;
}

template <typename T>
bool sameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace

TEST_F(EffectTest, CreationLeavesTheMultiCombSelectedOffAndEveryRecordAtItsDefaults) {
  EXPECT_EQ(effectGetType(e), effectComb);
  EXPECT_EQ(effectIsOn(e), 0);
  EffectPipeRecord pipe;
  EffectCombRecord comb;
  EffectTapRecord tap;
  effectPipeInit(&pipe);
  effectCombInit(&comb);
  effectTapInit(&tap);
  EXPECT_TRUE(sameBytes(pipe, *engineGetPipeEffect(e)));
  EXPECT_TRUE(sameBytes(comb, *engineGetCombEffect(e)));
  EXPECT_TRUE(sameBytes(tap, *engineGetTapEffect(e)));
  // The memory is in place and the six comb lines are cut front to back.
  EXPECT_EQ(rt()->capacity, effectDelayMemoryFloats);
  ASSERT_NE(rt()->base, nullptr);
  for (int i = 0; i < effectLineSlots; ++i) EXPECT_EQ(rt()->lines[i], rt()->base + i * effectLineFloats) << i;
  EXPECT_EQ(rt()->used, effectLineSlots * effectLineFloats);
  for (int i = 0; i < effectCombCount; ++i) EXPECT_EQ(rt()->combs[i].readOffset, comb.delayFactor[i]);
  EXPECT_EQ(effectActiveRecord(e), static_cast<void*>(engineGetCombEffect(e)));
}

TEST_F(EffectTest, UnknownTypesAreStoredAsNoneAndLeaveTheBusesBitIdentical) {
  for (std::uint16_t type : {std::uint16_t(0), std::uint16_t(6), std::uint16_t(65535)}) {
    effectSetType(e, type);
    EXPECT_EQ(effectGetType(e), 0) << type;
    EXPECT_EQ(effectActiveRecord(e), nullptr);
    effectSetOn(e, 1);
    const std::vector<float> in = noise(512, type);
    std::vector<float> b1 = noise(512, type + 1), b2 = noise(512, type + 2);
    for (size_t i = 0; i < in.size(); i += 128) {
      for (int j = 0; j < 128; ++j) {
        e->buses[0][j] = in[i + j];
        e->buses[1][j] = b1[i + j];
        e->buses[2][j] = b2[i + j];
      }
      float before[3][128];
      std::memcpy(before, e->buses, sizeof before);
      effectRender(e, 128);
      EXPECT_EQ(std::memcmp(before, e->buses, sizeof before), 0) << type;
    }
  }
}

TEST_F(EffectTest, RenderIgnoresFrameCountsOutsideABlockAndAnEffectThatIsOff) {
  select(effectComb);
  for (int j = 0; j < 128; ++j) e->buses[0][j] = 1.0f;
  float before[3][128];
  std::memcpy(before, e->buses, sizeof before);
  effectRender(e, 0);
  effectRender(e, 129);
  effectRender(e, -5);
  e->effectOn = 0;
  effectRender(e, 128);
  EXPECT_EQ(std::memcmp(before, e->buses, sizeof before), 0);
}

TEST_F(EffectTest, BumpAllocatorRefusesARequestThatWouldReachTheCapacity) {
  effectMemoryRewind(e);
  EXPECT_EQ(rt()->used, 0);
  EXPECT_EQ(effectMemoryTake(e, effectDelayMemoryFloats), nullptr);  // used + n == capacity
  EXPECT_EQ(effectMemoryTake(e, 0), nullptr);
  EXPECT_EQ(effectMemoryTake(e, -10), nullptr);
  EXPECT_EQ(rt()->used, 0);
  float* a = effectMemoryTake(e, 1000);
  EXPECT_EQ(a, rt()->base);
  float* b = effectMemoryTake(e, effectDelayMemoryFloats - 1000 - 1);  // the last float stays free
  EXPECT_EQ(b, rt()->base + 1000);
  EXPECT_EQ(rt()->used, effectDelayMemoryFloats - 1);
  EXPECT_EQ(effectMemoryTake(e, 1), nullptr);
  EXPECT_EQ(effectMemoryTake(e, 0x7FFFFFFF), nullptr);  // no wrap-around of the sum
  EXPECT_EQ(rt()->used, effectDelayMemoryFloats - 1);
}

TEST_F(EffectTest, MemoryIsAllocatedOnceAndFreedOnce) {
  EXPECT_EQ(effectAllocMemory(rt(), effectDelayMemoryFloats), 0);  // already there
  EffectRuntime fresh{};
  EXPECT_EQ(effectAllocMemory(&fresh, 0), 0);
  ASSERT_EQ(effectAllocMemory(&fresh, 4096), 1);
  EXPECT_EQ(fresh.capacity, 4096);
  EXPECT_EQ(fresh.base[4095], 0.0f);
  effectFreeMemory(&fresh);
  EXPECT_EQ(fresh.base, nullptr);
  EXPECT_EQ(fresh.capacity, 4096);
  effectFreeMemory(&fresh);  // a second free is harmless
}

TEST_F(EffectTest, TypeChangeCutsTheLinesOfTheNewKind) {
  effectSetType(e, effectPipe);
  EXPECT_EQ(rt()->lines[0], rt()->base);
  EXPECT_EQ(rt()->lines[1], rt()->base + effectLineFloats);
  EXPECT_EQ(rt()->lines[2], nullptr);
  EXPECT_EQ(rt()->used, 2 * effectLineFloats);
  effectSetType(e, effectTap);
  EXPECT_EQ(rt()->lines[0], rt()->base);
  EXPECT_EQ(rt()->used, 441000);
  effectSetType(e, effectEcho);
  EXPECT_EQ(rt()->used, 0);
  EXPECT_EQ(rt()->lines[0], nullptr);
}

TEST_F(EffectTest, StoredRingLengthBeyondTheMemoryLoadsClampedAndANegativeOneIsRefused) {
  struct Case {
    std::int32_t stored;
    std::int32_t loaded;
    bool ring;
  };
  const Case cases[] = {{500000, effectTapMaxRing, false},  // clamped; the whole memory does not fit
                        {effectTapMaxRing, effectTapMaxRing, false},
                        {481023, 481023, true},
                        {-5, 441000, true},  // refused: the default length stays
                        {0, 441000, true},
                        {1000, 1000, true}};
  for (const Case& c : cases) {
    EffectTapRecord* preset = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
    ASSERT_NE(preset, nullptr);
    preset->on = 1;
    preset->ringLength = c.stored;
    effectCopy(e, preset, nullptr, 1);
    std::free(preset);
    EXPECT_EQ(engineGetTapEffect(e)->ringLength, c.loaded) << c.stored;
    EXPECT_EQ(effectGetType(e), effectTap);
    EXPECT_EQ(effectIsOn(e), 1);
    EXPECT_EQ(rt()->lines[0] != nullptr, c.ring) << c.stored;
    // Without a ring the routine leaves the buses as they are (no dry scaling either).
    if (!c.ring) {
      const Out out = run(impulse(256, 3));
      EXPECT_EQ(out.b[0][3], 1.0f);
    }
  }
}

TEST_F(EffectTest, CopyIntoTheEngineLimitsHostileValuesAndRendersFinite) {
  const float nan = std::nanf("");
  const float big = 3.0e38f;
  {
    EffectPipeRecord* r = static_cast<EffectPipeRecord*>(effectAlloc(effectPipe));
    r->on = 1;
    r->levelA = nan;
    r->levelB = -big;
    r->delay = -3.0f;
    r->time = HUGE_VAL;
    r->feedback = big;
    r->inputPos = nan;
    r->pickupPos[0] = -1.0f;
    r->pickupPos[1] = big;
    r->filterIndex = -7.0f;
    r->lengthMod = nan;
    r->header.timeUnit = 9;
    effectCopy(e, r, nullptr, 1);
    std::free(r);
    const EffectPipeRecord& p = *engineGetPipeEffect(e);
    EXPECT_EQ(p.levelA, 0.5f);
    EXPECT_EQ(p.levelB, 0.0f);
    EXPECT_EQ(p.delay, 1e-5f);
    EXPECT_EQ(p.feedback, 0.999f);
    EXPECT_EQ(p.inputPos, 0.42f);
    EXPECT_EQ(p.pickupPos[0], 0.0f);
    EXPECT_EQ(p.pickupPos[1], 1.0f);
    EXPECT_EQ(p.filterIndex, 0.0f);
    EXPECT_EQ(p.header.timeUnit, effectUnitSeconds);
    rt()->prevWet = 1.0f;
    const Out out = run(noise(4096, 1));
    for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size()));
  }
  {
    EffectCombRecord* r = static_cast<EffectCombRecord*>(effectAlloc(effectComb));
    r->on = 1;
    r->delay = big;
    r->time = -1.0;
    r->feedback = 5.0f;
    r->filterIndex = big;
    for (int i = 0; i < effectCombCount; ++i) {
      r->combOn[i] = 7;
      r->delayFactor[i] = nan;
      r->feedbackFactor[i] = -big;
      r->level[i] = big;
      r->pan[i] = -4.0f;
      r->modAmount[i] = nan;
      r->filterFactor[i] = 2.0f;
    }
    effectCopy(e, r, nullptr, 1);
    std::free(r);
    const EffectCombRecord& c = *engineGetCombEffect(e);
    EXPECT_EQ(c.delay, 32767.0f);
    EXPECT_EQ(c.time, 0.0);
    EXPECT_EQ(c.feedback, 0.999f);
    EXPECT_EQ(c.combOn[3], 1);
    EXPECT_EQ(c.delayFactor[2], 1.0f);
    EXPECT_EQ(c.feedbackFactor[2], -1.0f);
    EXPECT_EQ(c.pan[5], 0.0f);
    rt()->prevWet = 1.0f;
    const Out out = run(noise(8192, 2));
    for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size()));
  }
  {
    EffectTapRecord* r = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
    r->on = 1;
    r->time = nan;
    r->beatTime = -HUGE_VAL;
    r->feedback = -big;
    r->filterIndex = nan;
    for (int t = 0; t < effectTapCount; ++t) {
      r->tapTimeFactor[t] = big;
      r->tapLevel[t] = nan;
      r->tapPan[t] = 2.0f;
      r->tapModDepth[t] = -1.0f;
    }
    effectCopy(e, r, nullptr, 1);
    std::free(r);
    const EffectTapRecord& t = *engineGetTapEffect(e);
    EXPECT_EQ(t.time, 44100.0f);
    EXPECT_EQ(t.beatTime, 0.0);
    EXPECT_EQ(t.feedback, -0.999f);
    EXPECT_EQ(t.tapTimeFactor[0], 1.0f);
    EXPECT_EQ(t.tapLevel[1], 0.5f);
    EXPECT_EQ(t.tapPan[2], 0.9999f);
    rt()->prevWet = 1.0f;
    const Out out = run(noise(8192, 3));
    for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size()));
  }
}

TEST_F(EffectTest, HostileModulationKeepsEveryKindFiniteAndOnItsLines) {
  for (std::uint16_t type : {effectPipe, effectComb, effectTap}) {
    for (float m : {0.0f, -3.0f, 1.0e30f, std::nanf("")}) {
      select(type);
      setMod(m);
      e->controllers.effectDepth = 1.0f;
      e->controllers.effectLevel = 1.0e20f;
      const Out out = run(noise(1024, 7));
      setMod(1.0f);
      e->controllers.effectDepth = 0.0f;
      e->controllers.effectLevel = 1.0f;
      for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size())) << type << " " << m;
      const Out after = run(noise(1024, 8));
      for (int b = 0; b < 3; ++b)
        EXPECT_TRUE(signalAllNormal(after.b[b].data(), after.b[b].size())) << type << " " << m;
    }
  }
}

TEST_F(EffectTest, LevelsFollowTheLiveTypeAndTypeZeroAnswersUnity) {
  effectSetType(e, 0);
  EXPECT_EQ(effectGetLevelA(e), 1.0f);
  EXPECT_EQ(effectGetLevelB(e), 1.0f);
  effectSetLevelA(e, 0.25f);  // nothing to write
  EXPECT_EQ(engineGetCombEffect(e)->levelA, 0.5f);
  for (std::uint16_t type : {effectPipe, effectComb, effectTap}) {
    effectSetType(e, type);
    effectSetLevelA(e, 0.25f);
    effectSetLevelB(e, 0.125f);
    EXPECT_EQ(effectGetLevelA(e), 0.25f) << type;
    EXPECT_EQ(effectGetLevelB(e), 0.125f) << type;
  }
  effectSetType(e, effectEcho);
  effectSetLevelA(e, 0.75f);
  EXPECT_EQ(e->effectEcho.levelA, 0.75f);
}

TEST_F(EffectTest, TimeUnitAndTimeServeTypesOneToThreeOnly) {
  EXPECT_EQ(effectGetTimeUnit(e, 1), 1);
  EXPECT_EQ(effectGetTimeUnit(e, 4), 0);
  EXPECT_EQ(effectGetTime(e, 1), 0.5);
  EXPECT_EQ(effectGetTime(e, 2), 0.5);
  EXPECT_EQ(effectGetTime(e, 3), 1.0);
  EXPECT_EQ(effectGetTime(e, 5), 1.0);
  effectSetTimeUnit(e, 3, 2);
  effectSetTime(e, 3, 2.5);
  EXPECT_EQ(engineGetTapEffect(e)->header.timeUnit, 2);
  EXPECT_EQ(engineGetTapEffect(e)->beatTime, 2.5);
  effectSetTimeUnit(e, 3, 7);  // not a unit: ignored
  EXPECT_EQ(engineGetTapEffect(e)->header.timeUnit, 2);
  effectSetTime(e, 1, std::nan(""));
  EXPECT_EQ(engineGetPipeEffect(e)->time, 0.5);
  effectSetTimeUnit(e, 0, 2);
  effectSetTime(e, 4, 3.0);
  EXPECT_EQ(e->effectEcho.beatTime, 0.5);
}

TEST_F(EffectTest, AllocGivesDefaultsForTheFirstThreeKindsAndZeroesForTheOthers) {
  EXPECT_EQ(effectAlloc(0), nullptr);
  EXPECT_EQ(effectAlloc(6), nullptr);
  EffectCombRecord want;
  effectCombInit(&want);
  void* comb = effectAlloc(effectComb);
  ASSERT_NE(comb, nullptr);
  EXPECT_EQ(std::memcmp(comb, &want, sizeof want), 0);
  std::free(comb);
  auto* echo = static_cast<std::uint8_t*>(effectAlloc(effectEcho));
  ASSERT_NE(echo, nullptr);
  for (size_t i = 0; i < sizeof(EffectEchoRecord); ++i) ASSERT_EQ(echo[i], 0) << i;
  std::free(echo);
}

TEST_F(EffectTest, CopyOutStoresTheLiveOnSwitchAndAnUnknownSourceSelectsNone) {
  effectSetType(e, effectTap);
  effectSetOn(e, 1);
  EffectTapRecord* preset = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
  effectCopy(e, effectActiveRecord(e), preset, 0);
  EXPECT_EQ(preset->on, 1);
  EXPECT_TRUE(sameBytes(*preset, *engineGetTapEffect(e)));
  preset->header.type = 9;
  effectCopy(e, preset, nullptr, 1);
  EXPECT_EQ(effectGetType(e), 0);
  EXPECT_EQ(effectIsOn(e), 0);
  std::free(preset);
  // A pipe record whose head claims the multi-tap type (but keeps the pipe's size) is refused
  // instead of being read as the larger record.
  EffectPipeRecord* pipe = static_cast<EffectPipeRecord*>(effectAlloc(effectPipe));
  pipe->header.type = effectTap;
  pipe->on = 1;
  effectCopy(e, pipe, nullptr, 1);
  EXPECT_EQ(effectGetType(e), 0);
  EXPECT_EQ(effectIsOn(e), 0);
  std::free(pipe);
}

// After a kind has run with a loud input, a switch to another kind (or a reset) followed by silence
// must give silence: no kind reads what another left in the shared memory.
TEST_F(EffectTest, SwitchingKindsNeverReplaysAudioOfAnotherKind) {
  const std::uint16_t kinds[] = {effectPipe, effectComb, effectTap, effectEcho};
  for (std::uint16_t from : kinds) {
    for (std::uint16_t to : {effectPipe, effectComb, effectTap}) {
      if (from == to) continue;
      select(from);
      e->effectTap.time = 3000.0f;  // short enough to be written back within the test
      run(noise(44100, from * 7 + to));
      // The type change alone (no further reset) must clear what the new kind reads.
      effectSetType(e, to);
      effectSetOn(e, 1);
      rt()->prevWet = 1.0f;
      const Out out = run(silence(8192));
      for (int b = 0; b < 2; ++b) EXPECT_LT(signalPeak(out.b[b].data(), out.b[b].size()), 1e-6) << from << " -> " << to;
    }
  }
}

TEST_F(EffectTest, ResetClearsTheLiveKindsMemory) {
  for (std::uint16_t type : {effectPipe, effectComb, effectTap}) {
    select(type);
    e->effectTap.time = 2000.0f;
    run(noise(8192, type));
    effectReset(e);
    const Out out = run(silence(8192));
    EXPECT_LT(signalPeak(out.b[0].data(), out.b[0].size()), 1e-6) << type;
    EXPECT_LT(signalPeak(out.b[1].data(), out.b[1].size()), 1e-6) << type;
  }
}

TEST_F(EffectTest, MixToOutputRampsTheWetMultiplierAcrossTheBlock) {
  rt()->prevWet = 0.0f;
  setMod(1.0f);
  std::memset(e->buses, 0, sizeof e->buses);
  float ones[128];
  for (float& v : ones) v = 1.0f;
  effectMixToOutput(e, 0, 0.0f, 2.0f, ones, 128);
  float left, right;
  effectPanGains(e, 0.0f, &left, &right);
  left *= 2.0f;
  right *= 2.0f;
  EXPECT_FLOAT_EQ(left, 0.999f * 2.0f);  // the pan law's hard-left entry
  EXPECT_FLOAT_EQ(e->buses[0][0], 0.0f);
  EXPECT_NEAR(e->buses[0][64], left * 64.0f / 128.0f, 1e-5);
  EXPECT_NEAR(e->buses[0][127], left * 127.0f / 128.0f, 1e-5);
  EXPECT_NEAR(e->buses[1][127], right * 127.0f / 128.0f, 1e-5);
  // Pan 0.9999 and beyond read the last entry of the pan law.
  std::memset(e->buses, 0, sizeof e->buses);
  rt()->prevWet = 1.0f;
  effectMixToOutput(e, 1, 5.0f, 1.0f, ones, 128);
  EXPECT_FLOAT_EQ(e->buses[1][10], 0.999f);      // fade-in at its last entry
  effectMixToOutput(e, 1, 0.5f, 1.0f, ones, 0);  // nothing for zero frames
}

TEST_F(EffectTest, MaxDelaySecondsFollowsTheRate) {
  EXPECT_NEAR(effectMaxDelaySeconds(), 32767.0 / 44100.0, 1e-12);
  engineCfgSetRate(48000.0f);
  EXPECT_NEAR(effectMaxDelaySeconds(), 32767.0 / 48000.0, 1e-12);
}

// Records of random bytes (with a head of their type) load into values the routines can trust:
// every kind keeps the buses finite and free of denormals under extreme input.
TEST_F(EffectTest, RandomRecordsLoadIntoSafeValues) {
  std::mt19937 rng(99);
  const std::vector<float> loud = noise(1024, 5);
  std::vector<float> extreme(1024);
  for (size_t i = 0; i < extreme.size(); ++i) extreme[i] = (i % 3 == 0) ? 1.0e5f : (i % 3 == 1 ? -1.0e5f : 0.0f);
  for (std::uint16_t type : {effectPipe, effectComb, effectTap}) {
    const size_t bytes = effectStoredSize(type);
    for (int round = 0; round < 40; ++round) {
      std::uint8_t* r = static_cast<std::uint8_t*>(effectAlloc(type));
      for (size_t i = sizeof(EffectHeader); i < bytes; ++i) r[i] = static_cast<std::uint8_t>(rng());
      r[offsetof(EffectPipeRecord, header) + offsetof(EffectHeader, timeUnit)] = static_cast<std::uint8_t>(rng() % 3);
      effectCopy(e, r, nullptr, 1);
      std::free(r);
      effectSetOn(e, 1);
      rt()->prevWet = 1.0f;
      for (const std::vector<float>* in : {&loud, static_cast<const std::vector<float>*>(&extreme)}) {
        const Out out = run(*in);
        for (int b = 0; b < 3; ++b)
          ASSERT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size())) << type << " round " << round;
      }
    }
  }
}
