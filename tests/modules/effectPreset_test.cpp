// A preset's effect of types 1..3 goes from the engine into a preset record, through its chunk in
// a file and back into a fresh engine with every parameter as it was.
#include <cstdlib>
#include <functional>

#include "effectTestFixture.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "preset/chunk.h"
#include "preset/effectChunk.h"
#include "support/tempDir.h"

namespace {

typedef std::function<bool(FileSpec*, void*, std::uint8_t*, int)> Serialiser;

// Writes the record as its chunk behind a container, reads the chunk back into `into`.
bool throughFile(const char* name, void* record, void* into, const Serialiser& io) {
  const std::string path = testTempPath(name);
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  if (!fileCreate(&file)) return false;
  ChunkHeader h;
  chunkHeaderSet(&h, chunkId("Clam"), 0, 1);
  bool ok = fileWriteChunk(&file, &h, nullptr) && io(&file, record, chunkBufferData(), chunkWrite);
  fileClose(&file);
  if (!ok) return false;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  swapReset();
  if (!fileOpen(&file, fileAccessRead)) return false;
  ok = fileReadChunk(&file, &h) && fileReadNextChunk(&file, &h) && io(&file, into, chunkBufferData(), chunkRead);
  fileClose(&file);
  return ok;
}

// Offset of the first byte that differs, -1 when none does.
template <typename T>
int firstDifference(const T& a, const T& b) {
  const auto* x = reinterpret_cast<const std::uint8_t*>(&a);
  const auto* y = reinterpret_cast<const std::uint8_t*>(&b);
  for (size_t i = 0; i < sizeof(T); ++i)
    if (x[i] != y[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace

class EffectPresetTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    ASSERT_TRUE(chunkBufferInit(chunkCapacity));
    fileSetChunkTypeCallback(chunkHeaderCheck);
    swapReset();
  }
  void TearDown() override {
    fileSetChunkTypeCallback(nullptr);
    chunkBufferFree();
    EffectTest::TearDown();
  }

  // Stores the live effect into a preset record, sends it through a file, loads it into the engine
  // after the engine's effect records were set back to their defaults; returns the live type.
  void roundTrip(std::uint16_t type, const char* name, const Serialiser& io) {
    void* preset = effectAlloc(type);
    void* scratch = effectAlloc(type);
    ASSERT_NE(preset, nullptr);
    effectCopy(e, effectActiveRecord(e), preset, 0);
    ASSERT_TRUE(throughFile(name, preset, scratch, io));
    engineInitTables(e);
    ASSERT_EQ(effectGetType(e), effectComb);
    effectCopy(e, scratch, nullptr, 1);
    std::free(preset);
    std::free(scratch);
    EXPECT_EQ(effectGetType(e), type);
  }
};

TEST_F(EffectPresetTest, PipeRestoresEveryParameter) {
  effectSetType(e, effectPipe);
  effectSetOn(e, 1);
  effectSetLevelA(e, 0.3f);
  effectSetLevelB(e, 0.7f);
  effectSetTimeUnit(e, effectPipe, effectUnitBeats);
  effectSetTime(e, effectPipe, 0.75);
  effectPipeSetDelay(e, 0.25);
  effectPipeSetFeedback(e, -0.6);
  effectPipeSetInputPos(e, 0.2);
  effectPipeSetPickupPos(e, 0, 0.7);
  effectPipeSetPickupPos(e, 1, 0.15);
  effectPipeSetFilterFreq(e, 2500.0);
  effectPipeSetLengthMod(e, 0.4);
  effectPipeSetLengthModInvert(e, 1);
  effectPipeSetPickupMod(e, 0, 0.6);
  effectPipeSetPickupMod(e, 1, 0.8);
  effectPipeSetPickupModInvert(e, 0, 1);
  effectPipeSetPickupModInvert(e, 1, 0);
  e->effectPipe.stored1 = 0.125f;
  e->effectPipe.stored2 = 0.875f;
  EffectPipeRecord before = *engineGetPipeEffect(e);
  before.on = 1;  // the store takes the live switch
  roundTrip(effectPipe, "pipe.bin", [](FileSpec* f, void* r, std::uint8_t* b, int d) {
    return effectPipeReadWriteChunk(f, static_cast<EffectPipeRecord*>(r), b, d);
  });
  EXPECT_EQ(firstDifference(before, *engineGetPipeEffect(e)), -1);
  EXPECT_EQ(effectIsOn(e), 1);
}

TEST_F(EffectPresetTest, MultiCombRestoresEveryParameter) {
  effectSetType(e, effectComb);
  effectSetOn(e, 1);
  effectSetLevelA(e, 0.9f);
  effectSetLevelB(e, 0.1f);
  effectSetTimeUnit(e, effectComb, effectUnitBeats);
  effectSetTime(e, effectComb, 0.3);
  effectCombSetDelay(e, 0.05);
  effectCombSetFeedback(e, 0.8);
  effectCombSetFilterFreq(e, 3000.0);
  for (std::int16_t i = 0; i < effectCombCount; ++i) {
    effectCombSetOnDirect(e, i, static_cast<std::uint8_t>(i % 2));
    effectCombSetModInvert(e, i, static_cast<std::uint8_t>((i + 1) % 2));
    effectCombSetDelayFactor(e, i, 0.1 * (i + 1));
    effectCombSetFeedbackFactor(e, i, -0.15 * i);
    effectCombSetLevel(e, i, -1.5 * i);
    effectCombSetModAmount(e, i, 0.05 * i);
    effectCombSetPan(e, i, 0.9 - 0.1 * i);
    effectCombSetFilterFactor(e, i, 1.0 - 0.07 * i);
  }
  EffectCombRecord before = *engineGetCombEffect(e);
  before.on = 1;
  roundTrip(effectComb, "comb.bin", [](FileSpec* f, void* r, std::uint8_t* b, int d) {
    return effectCombReadWriteChunk(f, static_cast<EffectCombRecord*>(r), b, d);
  });
  EXPECT_EQ(firstDifference(before, *engineGetCombEffect(e)), -1);
  EXPECT_EQ(effectIsOn(e), 1);
}

TEST_F(EffectPresetTest, MultiTapRestoresEveryParameter) {
  effectSetType(e, effectTap);
  effectSetOn(e, 0);
  effectSetLevelA(e, 0.6f);
  effectSetLevelB(e, 0.4f);
  effectSetTimeUnit(e, effectTap, effectUnitBeats);
  effectSetTime(e, effectTap, 1.5);
  effectTapSetFeedback(e, -0.3);
  effectTapSetFilterFreq(e, 1200.0);
  effectTapSetTime(e, 0.6);
  for (std::int16_t t = 0; t < effectTapCount; ++t) {
    effectTapSetModInvert(e, t, static_cast<std::uint8_t>(t % 2));
    effectTapSetModAmount(e, t, 0.2 * (t + 1));
    effectTapSetTimeFactor(e, t, 0.9 - 0.2 * t);
    effectTapSetLevel(e, t, -3.0 * (t + 1));
    effectTapSetPan(e, t, 0.2 + 0.3 * t);
  }
  e->effectTap.ringLength = 300000;
  e->effectTap.tapCount = 2;
  e->effectTap.flag1 = 0;
  e->effectTap.flag2 = 1;
  e->effectTap.secondIndex = 77.0f;
  e->effectTap.tapFlags[1] = 0;
  const EffectTapRecord before = *engineGetTapEffect(e);
  roundTrip(effectTap, "tap.bin", [](FileSpec* f, void* r, std::uint8_t* b, int d) {
    return effectTapReadWriteChunk(f, static_cast<EffectTapRecord*>(r), b, d);
  });
  EXPECT_EQ(firstDifference(before, *engineGetTapEffect(e)), -1);
  EXPECT_EQ(effectIsOn(e), 0);
  EXPECT_EQ(rt()->used, 300000);
}

TEST_F(EffectPresetTest, AStoredRingLongerThanTheMemoryLoadsClamped) {
  EffectTapRecord* preset = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
  EffectTapRecord* scratch = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
  preset->ringLength = 500000;
  preset->on = 1;
  ASSERT_TRUE(throughFile("ring.bin", preset, scratch, [](FileSpec* f, void* r, std::uint8_t* b, int d) {
    return effectTapReadWriteChunk(f, static_cast<EffectTapRecord*>(r), b, d);
  }));
  effectCopy(e, scratch, nullptr, 1);
  std::free(preset);
  std::free(scratch);
  EXPECT_EQ(engineGetTapEffect(e)->ringLength, effectTapMaxRing);
  EXPECT_EQ(rt()->lines[0], nullptr);  // the whole memory does not fit: no ring, buses untouched
  const Out out = run(impulse(256, 9));
  EXPECT_EQ(out.b[0][9], 1.0f);
}

// Stored rings shorter than one sample are refused (the default ring stays), the shortest tap time
// the page can set (0.00001 s) comes back unchanged.
TEST_F(EffectPresetTest, TapRingBelowOneKeepsTheDefaultAndTheShortestTimeSurvives) {
  struct Case {
    std::int32_t stored, loaded;
  };
  for (Case c : {Case{0, 441000}, Case{-7, 441000}, Case{1, 1}, Case{481024, 481024}, Case{481025, 481024}}) {
    EffectTapRecord* preset = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
    EffectTapRecord* scratch = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
    preset->ringLength = c.stored;
    preset->time = 0.441f;
    ASSERT_TRUE(throughFile("ring.bin", preset, scratch, [](FileSpec* f, void* r, std::uint8_t* b, int d) {
      return effectTapReadWriteChunk(f, static_cast<EffectTapRecord*>(r), b, d);
    }));
    EXPECT_EQ(scratch->ringLength, c.loaded) << c.stored;
    EXPECT_EQ(scratch->time, 0.441f);
    std::free(preset);
    std::free(scratch);
  }
}

// The echo's defaults (line feedback 1.0) come back from a save unchanged, and so does every line
// feedback the setter accepts.
TEST_F(EffectPresetTest, EchoDefaultsAndSetterValuesSurviveASave) {
  for (float feedback : {1.0f, 0.9999f, -0.9999f, 0.0f}) {
    EffectEchoRecord* preset = static_cast<EffectEchoRecord*>(effectAlloc(effectEcho));
    EffectEchoRecord* scratch = static_cast<EffectEchoRecord*>(effectAlloc(effectEcho));
    effectEchoParamDefaults(preset);
    EXPECT_EQ(preset->lineFeedback[0], 1.0f);
    for (float& f : preset->lineFeedback) f = feedback;
    ASSERT_TRUE(throughFile("echo.bin", preset, scratch, [](FileSpec* f, void* r, std::uint8_t* b, int d) {
      return effectEchoReadWriteChunk(f, static_cast<EffectEchoRecord*>(r), b, d);
    }));
    for (int l = 0; l < 3; ++l) EXPECT_EQ(scratch->lineFeedback[l], feedback) << l;
    std::free(preset);
    std::free(scratch);
  }
}
