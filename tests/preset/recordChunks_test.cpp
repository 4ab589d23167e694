// Every record chunk written and read back field-identical, in both byte orders, with the data
// sizes of the stored layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "chunkTestUtil.h"
#include "preset/chunk.h"
#include "preset/effectChunk.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "support/tempDir.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace recordchunkstest {
using namespace chunktest;

namespace {

// ---- records filled with values that differ from their defaults and stay within their ranges

void fillHeader(PatchHeader* h) {
  patchHeaderDefaults(h, 5);
  h->polyphony = 17;
  h->gain = 2.5f;
  h->transpose = 1.5f;
  h->pan = 0.3f;
  h->length = 66150.0;
  h->beats = 3.0f;
  h->tuning = 0x0102;
  patchHeaderSetName(h, "Round trip name, 34 chars long!!!!");
  const std::uint16_t stages[4] = {2, 3, 1, 3};
  for (int i = 0; i < 4; ++i) h->stageCounts[i] = stages[i];
  for (int c = 0; c < 3; ++c) {
    h->channelPan[c] = 0.1f * float(c + 1);
    h->pairFirst[c] = -0.25f * float(c);
    h->pairSecond[c] = 0.125f * float(c + 1);
  }
  h->tempo.presetTempo = 133.5;
}

void fillOsc(ChannelOscRecord* r, std::int32_t type) {
  oscInitRecord(nullptr, r, 2);
  r->pitchInc = 7.25f;
  r->phaseA = 100.5f;
  r->pitchRatio = 1.5f;
  r->level = 0.75f;
  r->inputGain = 2.0f;
  r->pitchRatioB = 0.5f;
  r->phaseB = 512.0f;
  r->pitchIncB = 3.125f;
  r->balanceDouble = 0.25f;
  r->fmIndex = 300.0f;
  r->balanceRingmod = 0.625f;
  r->type = type;
  r->freqMode = 2;
  r->freqModeB = 3;
  r->waveA = 0x7F01;
  r->waveB = 12;
  r->auxSwitch = 1;
  r->on = 1;
  r->bandLimited = 1;
  r->phaseReset = 0;
  r->trans = 12.5f;
  r->randTrans = 30.0f;
  r->numVoices = 5;
  r->inputs[0] = 4;
  r->inputs[1] = -1;
  r->displacement = 0.3f;
  r->amount = 0.8f;
  r->iterations = 5;
  OscSubRecord& s = r->subRecord;
  s.count = 6;
  s.size = 2048.0f;
  s.diffusion = 0.5f;
  s.time = 0.75f;
  s.randTime = 0.9f;
  s.randFreq = 0.8f;
  s.randAmp = 0.7f;
  s.word7 = 0xDEADBEEF;
  SampleInfo& si = r->sampleInfo;
  si.channels = 2;
  si.readAsMono = 0;
  si.looping = 1;
  si.word1 = 77;
  si.loopStart = 1000;
  si.loopEnd = 50000;
  si.loopMode = 2;
  si.afterLoopMode[0] = 1;
  si.afterLoopMode[1] = -2;
  si.afterLoopMode[2] = 3;
  si.rootKey = 48.0f;
  si.rateFactor = 1.25f;
  si.startPosition = 0.375;
  std::memset(si.name, 0, sizeof si.name);
  std::strcpy(si.name, "kick.wav");
  std::memset(si.path, 0, sizeof si.path);
  std::strcpy(si.path, "C:\\Samples\\kick.wav");
  std::memset(si.pathRest, 0, sizeof si.pathRest);
  si.pathRest[10] = 'x';
}

void fillFilter(FilterRecord* r) {
  filterInitRecord(r, 2);
  r->on = 1;
  r->postMix = 1;
  r->type = 10;
  r->cutoff = 200.5f;
  r->combDelay = 441.0f;
  r->feedback = -0.5f;
  r->bandwidth = 2.0f;
  r->gain = 1.5f;
  r->width = 0.5f;
  r->combGain = 0.25f;
  r->resonance = 0.9f;
}

void fillModulator(ModulatorRecord* r) {
  modulatorInitRecord(r, 1);
  r->on = 1;
  r->type = modulatorRingmod;
  r->freqMode = 1;
  r->ratio = 2.5f;
  r->increment = 9.0f;
  r->wave = 0x7F02;
  r->balance = 0.4f;
  r->feedback = 0.2f;
  r->shiftSwitch = 0;
}

void fillWaveshaper(WaveshaperRecord* r) {
  waveshaperInitRecord(r);
  r->postMix = 1;
  r->on = 1;
  r->wave = 0x7F03;
  r->inGain = 2.0f;
  r->outGain = 0.5f;
  r->phase = 0.25f;
}

void fillPipe(EffectPipeRecord* r) {
  effectPipeInit(r);
  r->header.timeUnit = effectUnitBeats;
  r->on = 1;
  r->levelA = 0.25f;
  r->levelB = 0.75f;
  r->stored1 = 0.5f;
  r->stored2 = 2.0f;
  r->delay = 1234.5f;
  r->time = 1.75;
  r->feedback = -0.6f;
  r->inputPos = 0.1f;
  r->pickupPos[0] = 0.2f;
  r->pickupPos[1] = 0.9f;
  r->filterIndex = 300.0f;
  r->lengthMod = 0.5f;
  r->pickupMod[0] = 0.25f;
  r->pickupMod[1] = 0.125f;
  r->lengthModInvert = 1;
  r->pickupModInvert[0] = 1;
  r->pickupModInvert[1] = 0;
}

void fillComb(EffectCombRecord* r) {
  effectCombInit(r);
  r->header.timeUnit = effectUnitBeats;
  r->on = 1;
  r->levelA = 0.3f;
  r->levelB = 0.6f;
  r->combCount = 5;
  r->delay = 999.0f;
  r->time = 0.25;
  r->feedback = 0.7f;
  r->filterIndex = 250.0f;
  for (int i = 0; i < effectCombCount; ++i) {
    r->combOn[i] = i % 2;
    r->modInvert[i] = (i + 1) % 2;
    r->delayFactor[i] = 0.1f * float(i + 1);
    r->feedbackFactor[i] = -0.1f * float(i);
    r->level[i] = 0.05f * float(i + 2);
    r->modAmount[i] = 0.15f * float(i);
    r->pan[i] = 0.12f * float(i);
    r->filterFactor[i] = 0.9f - 0.1f * float(i);
  }
}

void fillTap(EffectTapRecord* r) {
  effectTapInit(r);
  r->header.timeUnit = effectUnitBeats;
  r->on = 1;
  r->levelA = 0.2f;
  r->levelB = 0.8f;
  r->tapCount = 2;
  r->flag1 = 0;
  r->flag2 = 1;
  r->feedback = -0.3f;
  r->filterIndex = 200.0f;
  r->secondIndex = 50.0f;
  r->ringLength = 300000;
  r->time = 22050.0f;
  r->beatTime = 2.5;
  for (int i = 0; i < effectTapCount; ++i) {
    r->tapFlags[i] = i == 1 ? 0 : 1;
    r->tapInvert[i] = i == 2 ? 1 : 0;
    r->tapModDepth[i] = 0.3f * float(i);
    r->tapTimeFactor[i] = 0.25f * float(i + 1);
    r->tapLevel[i] = 0.1f * float(i + 3);
    r->tapPan[i] = 0.2f * float(i + 1);
  }
}

void fillEcho(EffectEchoRecord* r) {
  std::memset(r, 0, sizeof *r);
  effectEchoParamDefaults(r);
  r->header.timeUnit = effectUnitSeconds;
  r->on = 1;
  r->levelA = 0.35f;
  r->levelB = 0.65f;
  r->baseTime = 0.4;
  r->beatTime = 3.0;
  r->feedback = -0.5f;
  for (int l = 0; l < 3; ++l) {
    r->lineTimeFactor[l] = 0.2 * (l + 1);
    r->lineModDepth[l] = 0.1 * (l + 2);
    r->lineInvert[l] = l == 1;
    r->lineLevel[l] = 0.3f * float(l + 1);
    r->linePan[l] = 0.25f * float(l + 1);
    r->lineFeedback[l] = -0.2f * float(l);
    r->lines[l].lineOn = l != 0;
    r->lines[l].lowPassFreq = 3000.0 + l;
    r->lines[l].highPassFreq = 150.0 + l;
    r->lines[l].allpassFreq = 1000.0 + l;
    r->lines[l].lowPassOn = l == 0;
    r->lines[l].highPassOn = l == 1;
    r->lines[l].allpassOn = l == 2;
  }
}

void fillRev(EffectRevRecord* r) {
  std::memset(r, 0, sizeof *r);
  effectRevParamDefaults(r);
  r->on = 1;
  r->levelA = 0.45f;
  r->levelB = 0.55f;
  r->size = 0.35;
  r->feedback = 0.6f;
  r->brightness = 0.5;
  r->spareSwitch = 0;
  r->earlyTapsOn = 1;
  r->preDelay = 0.125;
  r->jitter = 0.25f;
  for (int u = 0; u < 3; ++u) {
    r->unitScale[u] = 0.9 - 0.1 * u;
    r->laneSpread[u] = 0.2 * u;
    r->timeModDepth[u] = 0.15 * (u + 1);
    r->timeModInvert[u] = u == 0;
    r->unitBrightness[u] = 0.7 - 0.1 * u;
    r->laneBrightSpread[u] = 0.05 * (u + 1);
    r->brightModDepth[u] = 0.3 * u;
    r->brightModInvert[u] = u == 2;
    r->unitOn[u] = u != 1;
    r->mode[u] = std::uint32_t(3 - u);
  }
}

// ---- the table

struct Case {
  std::string name;
  std::uint32_t id;
  std::uint32_t size;  // data bytes of the stored layout
  std::uint32_t version;
  // mode 0: write the filled record; 1: read into a fresh record; 2: write the record read.
  std::function<bool(FileSpec*, int)> run;
};

template <class R>
Case makeCase(const char* name, std::uint32_t id, std::uint32_t size, std::uint32_t version,
              std::function<void(R*)> fresh, std::function<void(R*)> fill,
              bool (*fn)(FileSpec*, R*, std::uint8_t*, int)) {
  auto filled = std::make_shared<R>();
  auto read = std::make_shared<R>();
  return Case{name, id, size, version, [=](FileSpec* f, int mode) {
                if (mode == 0) {
                  fill(filled.get());
                  return fn(f, filled.get(), chunkBufferData(), chunkWrite);
                }
                if (mode == 1) {
                  fresh(read.get());
                  return fn(f, read.get(), chunkBufferData(), chunkRead);
                }
                return fn(f, read.get(), chunkBufferData(), chunkWrite);
              }};
}

std::vector<Case> allCases() {
  auto headerFresh = [](PatchHeader* h) { patchHeaderDefaults(h, -1); };
  auto oscFresh = [](ChannelOscRecord* r) { oscInitRecord(nullptr, r, 0); };
  auto oscSingle = [](ChannelOscRecord* r) { fillOsc(r, oscTypeFm); };
  auto oscSample = [](ChannelOscRecord* r) { fillOsc(r, oscTypeSample); };
  auto oscGranular = [](ChannelOscRecord* r) { fillOsc(r, oscTypeGranular); };
  auto filtFresh = [](FilterRecord* r) { filterInitRecord(r, 0); };
  auto modFresh = [](ModulatorRecord* r) { modulatorInitRecord(r, 0); };
  auto wsFresh = [](WaveshaperRecord* r) { waveshaperInitRecord(r); };
  auto pipeFresh = [](EffectPipeRecord* r) { effectPipeInit(r); };
  auto combFresh = [](EffectCombRecord* r) { effectCombInit(r); };
  auto tapFresh = [](EffectTapRecord* r) { effectTapInit(r); };
  auto echoFresh = [](EffectEchoRecord* r) { std::memset(r, 0, sizeof *r); };
  auto revFresh = [](EffectRevRecord* r) { std::memset(r, 0, sizeof *r); };
  return {
      makeCase<PatchHeader>("ptch", chunkId("ptch"), 70, 10, headerFresh, fillHeader, patchHeaderReadWriteChunkV1),
      makeCase<PatchHeader>("ptc2", chunkId("ptc2"), 98, 10, headerFresh, fillHeader, patchHeaderReadWriteChunkV2),
      makeCase<PatchHeader>("ptc3", chunkId("ptc3"), 106, 10, headerFresh, fillHeader, patchHeaderReadWriteChunkV3),
      makeCase<PatchHeader>("ptc4", chunkId("ptc4"), 130, 1, headerFresh, fillHeader, patchHeaderReadWriteChunk),
      makeCase<ChannelOscRecord>("osc3", chunkId("osc3"), 120, 10, oscFresh, oscSingle, oscReadWriteChunk),
      makeCase<ChannelOscRecord>("osc3Sample", chunkId("osc3"), 980, 10, oscFresh, oscSample, oscReadWriteChunk),
      makeCase<ChannelOscRecord>("osc3Granular", chunkId("osc3"), 980, 10, oscFresh, oscGranular, oscReadWriteChunk),
      makeCase<ChannelOscRecord>("osc2", chunkId("osc2"), 80, 10, oscFresh, oscSingle, oscReadWriteChunkV2),
      makeCase<ChannelOscRecord>("osc2Sample", chunkId("osc2"), 940, 10, oscFresh, oscSample, oscReadWriteChunkV2),
      makeCase<ChannelOscRecord>("ocil", chunkId("ocil"), 72, 10, oscFresh, oscSample, oscReadWriteChunkV1),
      makeCase<FilterRecord>("filt", chunkId("filt"), 48, 10, filtFresh, fillFilter, filterReadWriteChunk),
      makeCase<ModulatorRecord>("mod", chunkId("mod "), 32, 10, modFresh, fillModulator, modulatorReadWriteChunkV1),
      makeCase<ModulatorRecord>("mod3", chunkId("mod3"), 40, 10, modFresh, fillModulator, modulatorReadWriteChunk),
      makeCase<WaveshaperRecord>("wshp", chunkId("wshp"), 24, 10, wsFresh, fillWaveshaper, waveshaperReadWriteChunk),
      makeCase<EffectPipeRecord>("pipe", chunkId("pipe"), 92, 10, pipeFresh, fillPipe, effectPipeReadWriteChunkV1),
      makeCase<EffectPipeRecord>("pip2", chunkId("pip2"), 104, 10, pipeFresh, fillPipe, effectPipeReadWriteChunk),
      makeCase<EffectCombRecord>("mCmb", chunkId("mCmb"), 244, 10, combFresh, fillComb, effectCombReadWriteChunkV1),
      makeCase<EffectCombRecord>("mCm2", chunkId("mCm2"), 256, 10, combFresh, fillComb, effectCombReadWriteChunk),
      makeCase<EffectTapRecord>("mTap", chunkId("mTap"), 140, 10, tapFresh, fillTap, effectTapReadWriteChunkV1),
      makeCase<EffectTapRecord>("mTa2", chunkId("mTa2"), 152, 10, tapFresh, fillTap, effectTapReadWriteChunk),
      makeCase<EffectEchoRecord>("eco3", chunkId("eco3"), 276, 1, echoFresh, fillEcho, effectEchoReadWriteChunk),
      makeCase<EffectRevRecord>("rev3", chunkId("rev3"), 272, 1, revFresh, fillRev, effectRevReadWriteChunk),
  };
}

struct RecordChunks : ::testing::TestWithParam<std::size_t> {
  void SetUp() override { setUpChunkLayer(); }
  void TearDown() override { tearDownChunkLayer(); }
};

TEST_P(RecordChunks, WrittenAndReadBackInBothByteOrders) {
  Case c = allCases()[GetParam()];
  const std::string base = testTempPath(c.name);

  // Written twice over different leftovers in the buffer: files are deterministic.
  std::memset(chunkBufferData(), 0xA5, chunkCapacity);
  Bytes le = writeChunks(base + "-le.bin", [&](FileSpec* f) { ASSERT_TRUE(c.run(f, 0)); });
  std::memset(chunkBufferData(), 0x5A, chunkCapacity);
  Bytes again = writeChunks(base + "-again.bin", [&](FileSpec* f) { ASSERT_TRUE(c.run(f, 0)); });
  EXPECT_EQ(le, again);

  // Data size and version of the stored layout.
  ASSERT_EQ(le.size(), 12u + 12u + c.size);
  std::uint32_t words[3];
  std::memcpy(words, &le[12], 12);
  EXPECT_EQ(words[0], c.id);
  EXPECT_EQ(words[1], c.size);
  EXPECT_EQ(words[2], c.version);
  EXPECT_EQ(layoutBytes(layoutOf(c.id, c.size)), c.size);

  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    Bytes image = bigEndian ? toBigEndian(le) : le;
    if (bigEndian) {
      ASSERT_NE(image, le);
      EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "Clam");  // the container reads forward
    }
    writeFile(base + "-in.bin", image);
    FileSpec f;
    ASSERT_TRUE(openAndReadFirst(&f, base + "-in.bin"));
    EXPECT_EQ(swapEnabled(), bigEndian);
    ChunkHeader h;
    ASSERT_TRUE(fileReadNextChunk(&f, &h));
    EXPECT_EQ(h.id, c.id);
    EXPECT_EQ(h.size, c.size);
    EXPECT_TRUE(c.run(&f, 1));
    fileClose(&f);
    swapReset();
    // The record read writes the very bytes it was read from: every stored field came back.
    Bytes back = writeChunks(base + "-back.bin", [&](FileSpec* out) { ASSERT_TRUE(c.run(out, 2)); });
    EXPECT_EQ(back, le);
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, RecordChunks, ::testing::Range<std::size_t>(0, 22),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return allCases()[info.param].name; });

TEST(RecordChunkTable, CoversEveryKind) { EXPECT_EQ(allCases().size(), 22u); }

}  // namespace
}  // namespace recordchunkstest
