// Record readers against old layouts, short chunks and hostile values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "chunkTestUtil.h"
#include "preset/chunk.h"
#include "preset/effectChunk.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "support/tempDir.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace recordinputtest {
using namespace chunktest;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct RecordInput : ::testing::Test {
  void SetUp() override { setUpChunkLayer(); }
  void TearDown() override { tearDownChunkLayer(); }

  // Writes the chunks, reopens the file and positions the reader on chunk `index` (0 = the first after
  // the container).
  void writeThenSeek(const std::string& name, const std::function<void(FileSpec*)>& body, int index = 0) {
    path = testTempPath(name);
    writeChunks(path, body);
    ASSERT_TRUE(openAndReadFirst(&file, path));
    ChunkHeader h;
    for (int i = 0; i <= index; ++i) ASSERT_TRUE(fileReadNextChunk(&file, &h));
  }
  // A raw chunk of the given id with `data` bytes.
  static void rawChunk(FileSpec* f, const char* id, const std::uint8_t* data, std::uint32_t size) {
    ChunkHeader h;
    chunkHeaderSet(&h, chunkId(id), size, 10);
    ASSERT_TRUE(fileWriteChunk(f, &h, data));
  }
  void done() { fileClose(&file); }

  std::string path;
  FileSpec file;
};

TEST_F(RecordInput, OldOscillatorLayoutKeepsTheLaterFieldsAtTheirDefaults) {
  ChannelOscRecord r;
  oscInitRecord(nullptr, &r, 1);
  r.phaseReset = 0;
  r.numVoices = 6;
  r.inputs[0] = 3;
  r.bandLimited = 1;
  writeThenSeek("ocil.bin",
                [&](FileSpec* f) { ASSERT_TRUE(oscReadWriteChunkV1(f, &r, chunkBufferData(), chunkWrite)); });
  ChannelOscRecord back;
  ASSERT_TRUE(oscReadWriteChunkV1(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(back.phaseReset, 1);
  EXPECT_EQ(back.numVoices, 1);
  EXPECT_EQ(back.inputs[0], 0);
  EXPECT_EQ(back.inputs[1], 1);
  EXPECT_EQ(back.inputs[2], 0);
  EXPECT_EQ(back.bandLimited, 0u);
  EXPECT_EQ(back.channel, 1);
  EXPECT_EQ(back.subRecord.channel, 1);
}

TEST_F(RecordInput, ShortChunkDoesNotHandOverAnEarlierChunksBytes) {
  FilterRecord full;
  filterInitRecord(&full, 1);
  full.type = 4;
  full.cutoff = 123.0f;
  full.resonance = 0.75f;
  // A full "filt", then one that carries only the two switches, index and type.
  std::uint8_t shortData[16] = {1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 9, 0, 0, 0};
  writeThenSeek(
      "short.bin",
      [&](FileSpec* f) {
        ASSERT_TRUE(filterReadWriteChunk(f, &full, chunkBufferData(), chunkWrite));
        rawChunk(f, "filt", shortData, sizeof shortData);
      },
      1);
  FilterRecord back;
  filterInitRecord(&back, 0);
  ASSERT_TRUE(filterReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(back.on, 1);
  EXPECT_EQ(back.index, 2);
  EXPECT_EQ(back.type, 9);
  EXPECT_EQ(back.cutoff, 346.0f);  // default kept, not 123 from the first chunk
  EXPECT_EQ(back.resonance, 0.0f);
}

TEST_F(RecordInput, StoredFilterResonanceIsHeldToTheFiltersRange) {
  const float stored[3] = {5.0f, -1.0f, 0.6f};
  const float expected[3] = {1.0f, 0.0f, 0.6f};
  for (int i = 0; i < 3; ++i) {
    FilterRecord r;
    filterInitRecord(&r, 2);
    r.type = 4;
    r.resonance = stored[i];
    writeThenSeek("resonance" + std::to_string(i) + ".bin",
                  [&](FileSpec* f) { ASSERT_TRUE(filterReadWriteChunk(f, &r, chunkBufferData(), chunkWrite)); });
    FilterRecord back;
    filterInitRecord(&back, 0);
    ASSERT_TRUE(filterReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
    done();
    EXPECT_EQ(back.resonance, expected[i]) << "stored " << stored[i];
  }
}

TEST_F(RecordInput, EffectKindAndSizeComeFromTheChunkId) {
  EffectPipeRecord pipe;
  effectPipeInit(&pipe);
  pipe.header.type = effectRev;  // a head claiming the big three-unit record
  pipe.header.size = effectRevRecordSize;
  pipe.header.tag = 0x1111;
  pipe.header.timeUnit = 7;
  pipe.delay = 500.0f;
  writeThenSeek("pipeclaim.bin",
                [&](FileSpec* f) { ASSERT_TRUE(effectPipeReadWriteChunk(f, &pipe, chunkBufferData(), chunkWrite)); });
  EffectPipeRecord back;
  ASSERT_TRUE(effectPipeReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(back.header.type, effectPipe);
  EXPECT_EQ(back.header.size, effectPipeRecordSize);
  EXPECT_EQ(back.header.tag, effectHeaderTag);
  EXPECT_EQ(back.header.timeUnit, effectUnitSeconds);
  EXPECT_EQ(back.delay, 500.0f);
  EXPECT_EQ(effectTypeOfChunk(chunkId("pipe")), effectPipe);
  EXPECT_EQ(effectTypeOfChunk(chunkId("rev3")), effectRev);
  EXPECT_EQ(effectTypeOfChunk(chunkId("filt")), 0);
}

TEST_F(RecordInput, OldEffectLayoutsSetTheirTimeAndUnit) {
  EffectPipeRecord pipe;
  EffectCombRecord comb;
  EffectTapRecord tap;
  effectPipeInit(&pipe);
  effectCombInit(&comb);
  effectTapInit(&tap);
  pipe.time = 3.0;
  pipe.header.timeUnit = effectUnitBeats;
  comb.time = 3.0;
  tap.beatTime = 3.0;
  writeThenSeek("old.bin", [&](FileSpec* f) {
    ASSERT_TRUE(effectPipeReadWriteChunkV1(f, &pipe, chunkBufferData(), chunkWrite));
    ASSERT_TRUE(effectCombReadWriteChunkV1(f, &comb, chunkBufferData(), chunkWrite));
    ASSERT_TRUE(effectTapReadWriteChunkV1(f, &tap, chunkBufferData(), chunkWrite));
  });
  ASSERT_TRUE(effectPipeReadWriteChunkV1(&file, &pipe, chunkBufferData(), chunkRead));
  ChunkHeader h;
  ASSERT_TRUE(fileReadNextChunk(&file, &h));
  ASSERT_TRUE(effectCombReadWriteChunkV1(&file, &comb, chunkBufferData(), chunkRead));
  ASSERT_TRUE(fileReadNextChunk(&file, &h));
  ASSERT_TRUE(effectTapReadWriteChunkV1(&file, &tap, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(pipe.time, 0.5);
  EXPECT_EQ(pipe.header.timeUnit, effectUnitSeconds);
  EXPECT_EQ(comb.time, 0.5);
  EXPECT_EQ(tap.beatTime, 1.0);
}

TEST_F(RecordInput, TapPositionsAreClampedIntoTheRing) {
  EffectTapRecord tap;
  effectTapInit(&tap);
  tap.tapPan[0] = 1.5f;
  tap.tapPan[1] = 0.0f;
  tap.tapPan[2] = kNaN;
  tap.ringLength = 500000;
  writeThenSeek("tap.bin",
                [&](FileSpec* f) { ASSERT_TRUE(effectTapReadWriteChunk(f, &tap, chunkBufferData(), chunkWrite)); });
  EffectTapRecord back;
  ASSERT_TRUE(effectTapReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_FLOAT_EQ(back.tapPan[0], 0.9999f);
  EXPECT_FLOAT_EQ(back.tapPan[1], 0.0f);  // the setters' range, 0..0.9999, on reading too
  EXPECT_FLOAT_EQ(back.tapPan[2], 0.5f);
  EXPECT_EQ(back.ringLength, effectTapMaxRing);
}

TEST_F(RecordInput, OlderModulatorLayoutKeepsFeedbackAndSwitch) {
  ModulatorRecord m;
  modulatorInitRecord(&m, 2);
  m.feedback = 0.1f;
  m.shiftSwitch = 0;
  writeThenSeek("mod.bin",
                [&](FileSpec* f) { ASSERT_TRUE(modulatorReadWriteChunkV1(f, &m, chunkBufferData(), chunkWrite)); });
  // Read into a record cleared to zero, as the bank reader's scratch is: the fields the older layout
  // lacks take the values a modulator of that time ran with, not 0.
  ModulatorRecord back;
  std::memset(&back, 0, sizeof back);
  ASSERT_TRUE(modulatorReadWriteChunkV1(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_FLOAT_EQ(back.feedback, 0.35f);
  EXPECT_EQ(back.shiftSwitch, 1);
  EXPECT_EQ(back.channel, 2);
}

struct TempoCase {
  double length;
  float beats;
  double bpm;
};

TEST_F(RecordInput, OldHeaderLayoutsDeriveTempoAndOutputPairs) {
  for (TempoCase c : {TempoCase{88200.0, 4.0f, 120.0}, TempoCase{44100.0, 3.0f, 180.0}}) {
    PatchHeader h;
    patchHeaderDefaults(&h, 1);
    h.length = c.length;
    h.beats = c.beats;
    h.channelPan[1] = 0.25f;
    h.pairSecond[1] = 0.7f;
    writeThenSeek("ptc2.bin",
                  [&](FileSpec* f) { ASSERT_TRUE(patchHeaderReadWriteChunkV2(f, &h, chunkBufferData(), chunkWrite)); });
    PatchHeader back;
    patchHeaderDefaults(&back, -1);
    ASSERT_TRUE(patchHeaderReadWriteChunkV2(&file, &back, chunkBufferData(), chunkRead));
    done();
    EXPECT_NEAR(back.tempo.presetTempo, c.bpm, 1e-9);
    EXPECT_FLOAT_EQ(back.pairFirst[1], -0.5f);
    EXPECT_FLOAT_EQ(back.pairSecond[1], 0.0f);
  }
}

TEST_F(RecordInput, HostileHeaderIsClampedAndTheNameTerminated) {
  PatchHeader h;
  patchHeaderDefaults(&h, 1);
  for (std::uint16_t poly : {std::uint16_t(0), std::uint16_t(65), std::uint16_t(65535)}) {
    h.polyphony = poly;
    h.gain = kInf;
    h.pan = kNaN;
    h.length = 0.0;  // would divide the tempo by zero
    h.stageCounts[0] = 0;
    h.stageCounts[3] = 40000;
    std::memset(h.name, 'A', sizeof h.name);
    writeThenSeek("hostile-ptc2.bin",
                  [&](FileSpec* f) { ASSERT_TRUE(patchHeaderReadWriteChunkV2(f, &h, chunkBufferData(), chunkWrite)); });
    PatchHeader back;
    patchHeaderDefaults(&back, -1);
    ASSERT_TRUE(patchHeaderReadWriteChunkV2(&file, &back, chunkBufferData(), chunkRead));
    done();
    EXPECT_EQ(back.polyphony, poly == 0 ? 1 : 64);
    EXPECT_NEAR(back.gain, 1.0f, 1e-3);  // a non-finite gain takes the default
    EXPECT_EQ(back.pan, 0.0f);
    EXPECT_TRUE(std::isfinite(back.tempo.presetTempo));
    EXPECT_EQ(std::strlen(back.name), 34u);  // all 34 characters kept, and terminated
    EXPECT_EQ(back.stageCounts[0], 1);
    EXPECT_EQ(back.stageCounts[3], 3);
  }
}

TEST_F(RecordInput, HostileOscillatorIsClamped) {
  ChannelOscRecord r;
  oscInitRecord(nullptr, &r, 0);
  r.type = 99;
  r.freqMode = -4;
  r.numVoices = 100000;
  r.inputs[0] = 6;
  r.inputs[1] = -7;
  r.level = kNaN;
  r.phaseA = 5000.0f;
  r.phaseB = -1.0f;
  r.iterations = -3;
  writeThenSeek("hostile-osc.bin",
                [&](FileSpec* f) { ASSERT_TRUE(oscReadWriteChunk(f, &r, chunkBufferData(), chunkWrite)); });
  ChannelOscRecord back;
  ASSERT_TRUE(oscReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(back.type, oscTypeSingle);
  EXPECT_EQ(back.freqMode, oscFreqTrans);
  EXPECT_EQ(back.numVoices, 1);
  EXPECT_EQ(back.inputs[0], -1);
  EXPECT_EQ(back.inputs[1], -1);
  EXPECT_EQ(back.level, 1.0f);
  EXPECT_FLOAT_EQ(back.phaseA, 5000.0f - 4096.0f);
  EXPECT_FLOAT_EQ(back.phaseB, 1023.0f);
  EXPECT_EQ(back.iterations, 1);
}

TEST_F(RecordInput, AudioInputSelectorTakesNoneAndTheSixInputs) {
  for (std::int16_t input : {std::int16_t(-1), std::int16_t(0), std::int16_t(5)}) {
    ChannelOscRecord r;
    oscInitRecord(nullptr, &r, 0);
    r.type = oscTypeAudioIn;
    r.inputs[0] = input;
    writeThenSeek("inputs.bin",
                  [&](FileSpec* f) { ASSERT_TRUE(oscReadWriteChunk(f, &r, chunkBufferData(), chunkWrite)); });
    ChannelOscRecord back;
    ASSERT_TRUE(oscReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
    done();
    EXPECT_EQ(back.inputs[0], input);
  }
}

TEST_F(RecordInput, SampleNamesFromFilesAreTerminated) {
  ChannelOscRecord r;
  oscInitRecord(nullptr, &r, 0);
  r.type = oscTypeGranular;
  std::memset(r.sampleInfo.name, 'n', sizeof r.sampleInfo.name);
  std::memset(r.sampleInfo.path, 'p', sizeof r.sampleInfo.path);
  r.sampleInfo.loopMode = 9;
  r.sampleInfo.channels = 40;
  r.subRecord.count = 1000;
  writeThenSeek("names.bin",
                [&](FileSpec* f) { ASSERT_TRUE(oscReadWriteChunk(f, &r, chunkBufferData(), chunkWrite)); });
  ChannelOscRecord back;
  ASSERT_TRUE(oscReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(std::strlen(back.sampleInfo.name), 255u);
  EXPECT_EQ(std::strlen(back.sampleInfo.path), 259u);
  EXPECT_EQ(back.sampleInfo.loopMode, 0);
  EXPECT_EQ(back.sampleInfo.channels, 1);
  EXPECT_EQ(back.subRecord.count, 8);  // held within 1..8
}

struct TypeCase {
  std::int16_t stored;
  std::int16_t expected;
};

TEST_F(RecordInput, FilterAndModulatorTypeCodesOutsideTheUsedSet) {
  for (TypeCase c : {TypeCase{7, 1}, TypeCase{8, 1}, TypeCase{0, 1}, TypeCase{18, 1}, TypeCase{-2, 1}, TypeCase{17, 17},
                     TypeCase{9, 9}}) {
    FilterRecord f;
    filterInitRecord(&f, 0);
    f.type = c.stored;
    f.cutoff = 9999.0f;
    writeThenSeek("ftype.bin",
                  [&](FileSpec* out) { ASSERT_TRUE(filterReadWriteChunk(out, &f, chunkBufferData(), chunkWrite)); });
    FilterRecord back;
    filterInitRecord(&back, 0);
    ASSERT_TRUE(filterReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
    done();
    EXPECT_EQ(back.type, c.expected) << c.stored;
    EXPECT_LE(back.cutoff, 480.0f);
  }
  ModulatorRecord m;
  modulatorInitRecord(&m, 0);
  m.type = 9;
  m.freqMode = 44;
  writeThenSeek("mtype.bin",
                [&](FileSpec* out) { ASSERT_TRUE(modulatorReadWriteChunk(out, &m, chunkBufferData(), chunkWrite)); });
  ModulatorRecord back;
  ASSERT_TRUE(modulatorReadWriteChunk(&file, &back, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(back.type, modulatorFreqShift);
  EXPECT_EQ(back.freqMode, 3);
}

TEST_F(RecordInput, SlotIndexOutsideThePresetIsRefused) {
  FilterRecord f;
  filterInitRecord(&f, 0);
  f.index = 4;
  ModulatorRecord m;
  modulatorInitRecord(&m, 0);
  m.channel = -1;
  ChannelOscRecord o;
  oscInitRecord(nullptr, &o, 0);
  o.channel = 12;
  writeThenSeek("slots.bin", [&](FileSpec* out) {
    ASSERT_TRUE(filterReadWriteChunk(out, &f, chunkBufferData(), chunkWrite));
    ASSERT_TRUE(modulatorReadWriteChunk(out, &m, chunkBufferData(), chunkWrite));
    ASSERT_TRUE(oscReadWriteChunk(out, &o, chunkBufferData(), chunkWrite));
  });
  ChunkHeader h;
  EXPECT_FALSE(filterReadWriteChunk(&file, &f, chunkBufferData(), chunkRead));
  ASSERT_TRUE(fileReadNextChunk(&file, &h));
  EXPECT_FALSE(modulatorReadWriteChunk(&file, &m, chunkBufferData(), chunkRead));
  ASSERT_TRUE(fileReadNextChunk(&file, &h));
  EXPECT_FALSE(oscReadWriteChunk(&file, &o, chunkBufferData(), chunkRead));
  done();
}

TEST_F(RecordInput, HostileEffectValuesAreClamped) {
  EffectRevRecord* rev = new EffectRevRecord();
  effectRevParamDefaults(rev);
  rev->mode[0] = 4;
  rev->mode[2] = 0xFFFFFFFFu;
  rev->preDelay = 1e300;
  rev->size = -1.0;
  EffectEchoRecord* echo = new EffectEchoRecord();
  effectEchoParamDefaults(echo);
  echo->baseTime = 100.0;
  echo->lineTimeFactor[1] = 0.001;
  echo->beatTime = 9.0;
  echo->lines[0].lowPassFreq = 40000.0;
  writeThenSeek("fx.bin", [&](FileSpec* out) {
    ASSERT_TRUE(effectRevReadWriteChunk(out, rev, chunkBufferData(), chunkWrite));
    ASSERT_TRUE(effectEchoReadWriteChunk(out, echo, chunkBufferData(), chunkWrite));
  });
  ASSERT_TRUE(effectRevReadWriteChunk(&file, rev, chunkBufferData(), chunkRead));
  ChunkHeader h;
  ASSERT_TRUE(fileReadNextChunk(&file, &h));
  ASSERT_TRUE(effectEchoReadWriteChunk(&file, echo, chunkBufferData(), chunkRead));
  done();
  EXPECT_EQ(rev->mode[0], revModeRaw);
  EXPECT_EQ(rev->mode[1], revModeResonant);
  EXPECT_EQ(rev->mode[2], revModeRaw);
  EXPECT_EQ(rev->preDelay, 0.5);
  EXPECT_GT(rev->size, 0.0);
  EXPECT_EQ(echo->baseTime, 0.75);
  EXPECT_EQ(echo->lineTimeFactor[1], 0.01);
  EXPECT_EQ(echo->beatTime, 8.0);
  EXPECT_EQ(echo->lines[0].lowPassFreq, 40000.0);              // stored as given
  EXPECT_FLOAT_EQ(echo->lines[0].lowPass.pitchIndex, 480.0f);  // its index is limited
  delete rev;
  delete echo;
}

}  // namespace
}  // namespace recordinputtest
