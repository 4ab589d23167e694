// Sample files into channel slots: the WAVE formats, normalising and the DC filter, the rate factor,
// the pool shared by channels, the finder, the messages, hostile files, the loop window and the
// display overview.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/valueFormat.h"
#include "oscillators/oscVoiceState.h"
#include "preset/sample.h"
#include "preset/samplePool.h"
#include "sampleTestSettings.h"
#include "sampleTestWave.h"
#include "support/tempDir.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

using wavetest::WaveSpec;

namespace {

std::string gBankPath;
const char* bankPathOf(Bank*) { return gBankPath.c_str(); }

// Independent model of the decoder: quantised values back to floats, clamp, peak 0.995, DC blocker.
std::vector<float> expectedData(const WaveSpec& s, bool mono) {
  const int out = s.channels == 2 && !mono ? 2 : 1;
  std::vector<float> v;
  for (std::int32_t f = 0; f < s.frames; ++f)
    for (int c = 0; c < out; ++c) {
      const std::int32_t q = wavetest::quantise(s.signal(f, c), s.bits);
      float x = s.bits == 16 ? float(q / 32767.0) : float(double(q * 256) / 2147483648.0);
      v.push_back(std::fmin(0.99f, std::fmax(-0.99f, x)));
    }
  float peak = 0;
  for (float x : v) peak = std::fmax(peak, std::fabs(x));
  if (peak == 0) return v;
  for (float& x : v) x *= 0.995f / peak;
  for (int c = 0; c < out; ++c) {
    float x1 = 0, y1 = 0;
    for (std::int32_t f = 0; f < s.frames; ++f) {
      float& x = v[std::size_t(f) * out + c];
      const float y = 0.9992879033088684f * y1 + 0.9996439218521118f * (x - x1) + 1e-24f;
      x1 = x;
      y1 = y;
      x = y;
    }
  }
  return v;
}

class SampleTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    engine->polyphony = 4;
    for (int c = 0; c < 3; ++c) engine->channels[c]->type = oscTypeSample;
    samplePoolClearAll();
    sampleSetBankPathRoutine(bankPathOf);
    gBankPath.clear();
    msgBoxCaptureBegin(0);
  }
  void TearDown() override {
    sampleReleaseAll(engine);
    EngineFixture::TearDown();
    msgBoxCaptureEnd();
    sampleSetBankPathRoutine(nullptr);
    for (int i = 0; i < samplePoolSize; ++i) EXPECT_EQ(samplePoolEntry(i)->refCount, 0) << "entry " << i;
  }

  std::string write(const std::string& name, const wavetest::Bytes& bytes) {
    std::string path = testTempPath(name);
    chunktest::writeFile(path, bytes);
    return path;
  }
  std::int32_t load(int channel, const std::string& path) {
    FileSpec f;
    fileSpecClear(&f);
    fileSpecSetPath(&f, path.c_str(), nullptr);
    return sampleLoad(engine, static_cast<std::int16_t>(channel), &f);
  }
  SampleInfo* slot(int channel) { return sampleGetInfo(engine, static_cast<std::int16_t>(channel)); }
  std::vector<std::string> texts() {
    std::vector<std::string> t;
    for (std::size_t i = 0; i < msgBoxCaptureCount(); ++i) t.push_back(msgBoxCaptureText(i));
    return t;
  }
};

struct Format {
  int bits, channels;
  std::uint32_t rate;
  int mono;
};

class SampleFormatTest : public SampleTest, public ::testing::WithParamInterface<Format> {};

TEST_P(SampleFormatTest, LoadsFramesChannelsRateAndNormalisedFilteredData) {
  const Format p = GetParam();
  WaveSpec s;
  s.bits = p.bits;
  s.channels = p.channels;
  s.rate = p.rate;
  s.frames = 5000;
  // A tone on top of a DC offset; the right channel at a different level.
  s.signal = [](std::int32_t f, int c) { return (c ? 0.3 : 0.5) * std::sin(0.1 * f) + 0.2; };
  const std::string path = write("fmt" + std::to_string(p.bits) + "_" + std::to_string(p.channels) + "_" +
                                     std::to_string(p.rate) + "_" + std::to_string(p.mono) + ".wav",
                                 wavetest::makeWave(s));
  slot(0)->readAsMono = p.mono;
  ASSERT_EQ(load(0, path), sampleOk);
  SampleInfo* si = slot(0);
  EXPECT_EQ(si->length, 5000);
  EXPECT_EQ(si->channels, p.channels);
  EXPECT_NEAR(si->rateFactor, (p.rate / 44100.0) / pitchNoteToInc(60.0), 1e-6 * si->rateFactor);
  EXPECT_FLOAT_EQ(si->rootKey, 60.0f);
  ASSERT_NE(si->data, nullptr);
  const std::vector<float> want = expectedData(s, p.mono != 0);
  const int out = p.channels == 2 && !p.mono ? 2 : 1;
  ASSERT_EQ(want.size(), std::size_t(5000 * out));
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_FLOAT_EQ(si->data[i], want[i]) << i;
  // The DC offset is gone by the end, and the tail past the frames reads as zero.
  double mean = 0;
  for (int f = 4000; f < 5000; ++f) mean += si->data[std::size_t(f) * out];
  EXPECT_LT(std::fabs(mean / 1000), 0.02);
  for (std::size_t i = 0; i < sampleTailBytes / sizeof(float); i += 997) EXPECT_EQ(si->data[want.size() + i], 0.0f);
  EXPECT_EQ(engineGetVoiceBufferCount(engine, 0), out);
  EXPECT_TRUE(msgBoxCaptureCount() == 0);
  EXPECT_EQ(si->poolIndex >= 0, true);
}

INSTANTIATE_TEST_SUITE_P(Formats, SampleFormatTest,
                         ::testing::Values(Format{16, 1, 44100, 1}, Format{16, 2, 44100, 0}, Format{16, 2, 48000, 1},
                                           Format{24, 1, 48000, 0}, Format{24, 2, 44100, 0}, Format{24, 2, 48000, 0},
                                           Format{16, 1, 48000, 0}, Format{24, 1, 44100, 1}));

TEST_F(SampleTest, PeakBeforeTheFilterIs0995) {
  // A full-cycle tone well above 5 Hz: the filter hardly touches it, so its peak stays 0.995.
  WaveSpec s;
  s.frames = 44100;
  s.signal = [](std::int32_t f, int) { return 0.5 * std::sin(2 * 3.14159265358979 * 1000.0 * f / 44100.0); };
  ASSERT_EQ(load(0, write("half.wav", wavetest::makeWave(s))), sampleOk);
  float peak = 0;
  for (int f = 22050; f < 44100; ++f) peak = std::fmax(peak, std::fabs(slot(0)->data[f]));
  EXPECT_NEAR(peak, 0.995f, 0.002f);
}

TEST_F(SampleTest, AllZeroFileStaysZero) {
  WaveSpec s;
  s.signal = [](std::int32_t, int) { return 0.0; };
  ASSERT_EQ(load(0, write("zero.wav", wavetest::makeWave(s))), sampleOk);
  for (int f = 0; f < s.frames; ++f) ASSERT_EQ(slot(0)->data[f], 0.0f);
}

TEST_F(SampleTest, SameFileInTwoChannelsSharesOnePoolEntryAndMonoMakesASecond) {
  WaveSpec s;
  s.channels = 2;
  const std::string path = write("shared.wav", wavetest::makeWave(s));
  slot(0)->readAsMono = 0;
  slot(1)->readAsMono = 0;
  slot(2)->readAsMono = 1;
  ASSERT_EQ(load(0, path), sampleOk);
  slot(1)->loopMode = 1;  // a pool hit takes the pooled record's loop settings
  ASSERT_EQ(load(1, path), sampleOk);
  ASSERT_EQ(load(2, path), sampleOk);
  EXPECT_EQ(slot(0)->data, slot(1)->data);
  EXPECT_EQ(slot(0)->poolIndex, slot(1)->poolIndex);
  EXPECT_EQ(slot(1)->loopMode, 0);
  SamplePoolEntry* shared = samplePoolEntry(slot(0)->poolIndex);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->refCount, 2);
  EXPECT_NE(slot(2)->poolIndex, slot(0)->poolIndex);
  EXPECT_NE(slot(2)->data, slot(0)->data);
  EXPECT_EQ(samplePoolEntry(slot(2)->poolIndex)->refCount, 1);
  EXPECT_EQ(slot(2)->channels, 2);
  EXPECT_EQ(slot(2)->length, slot(0)->length);
  // Releasing the first holder frees nothing; the second frees and clears the entry.
  const int index = slot(0)->poolIndex;
  const float first = slot(1)->data[10];
  sampleRelease(engine, 0);
  EXPECT_EQ(shared->refCount, 1);
  EXPECT_EQ(slot(1)->data[10], first);
  sampleRelease(engine, 0);  // a second release of an empty slot counts nothing
  EXPECT_EQ(shared->refCount, 1);
  sampleRelease(engine, 1);
  EXPECT_EQ(samplePoolEntry(index)->refCount, 0);
  EXPECT_EQ(samplePoolEntry(index)->data, nullptr);
}

TEST_F(SampleTest, TwoSpellingsOfAPathMakeTwoEntries) {
  WaveSpec s;
  const std::string path = write("spell.wav", wavetest::makeWave(s));
  ASSERT_EQ(load(0, path), sampleOk);
  const std::string other = testTempDir() + "." + std::string(1, path[testTempDir().size() - 1]) + "spell.wav";
  ASSERT_EQ(load(1, other), sampleOk);
  EXPECT_NE(slot(0)->poolIndex, slot(1)->poolIndex);
}

struct MessageCase {
  const char* file;
  int code;
  const char* text;  // null: no box
};

TEST_F(SampleTest, MessagesOfUnsupportedFiles) {
  WaveSpec eight;
  eight.bits = 8;
  WaveSpec thirtyTwo;
  thirtyTwo.bits = 32;
  WaveSpec three;
  three.channels = 3;
  WaveSpec dataFirst;
  dataFirst.dataBeforeFmt = true;
  write("a.aif", wavetest::makeAiff());
  write("eight.wav", wavetest::makeWave(eight));
  write("thirtytwo.wav", wavetest::makeWave(thirtyTwo));
  write("three.wav", wavetest::makeWave(three));
  write("datafirst.wav", wavetest::makeWave(dataFirst));
  WaveSpec adpcm;
  adpcm.formatTag = 0x11;
  write("adpcm.wav", wavetest::makeWave(adpcm));
  const MessageCase cases[] = {
      {"adpcm.wav", sampleUnsupported, "Load sample error: unsupported file type"},
      {"a.aif", sampleUnsupported, "Load sample error: unsupported file type"},
      {"eight.wav", sampleNotOpened, "Sample load error, Morvane currently only supports 16 and 24 bit sound files"},
      {"thirtytwo.wav", sampleNotOpened,
       "Sample load error, Morvane currently only supports 16 and 24 bit sound files"},
      {"three.wav", sampleNotOpened, "Sample load error, Morvane only supports mono or stereo sound files"},
      {"datafirst.wav", sampleNotOpened, "Sample load error: the audio data of %s comes before its format chunk."},
  };
  for (const MessageCase& c : cases) {
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(0);
    slot(0)->channels = 1;
    EXPECT_EQ(load(0, testTempPath(c.file)), c.code) << c.file;
    if (c.text) {
      ASSERT_EQ(msgBoxCaptureCount(), 1u) << c.file;
      char text[400];
      std::snprintf(text, sizeof text, c.text, testTempPath(c.file).c_str());  // a file fault names the file
      EXPECT_STREQ(msgBoxCaptureText(0), text);
    } else {
      EXPECT_EQ(msgBoxCaptureCount(), 0u) << c.file;
    }
    EXPECT_EQ(slot(0)->length, 0) << c.file;
    EXPECT_EQ(slot(0)->data, nullptr) << c.file;
    EXPECT_EQ(slot(0)->channels, 1) << c.file;
  }
}

// Every file the reader cannot take says what is wrong with it; an odd-sized chunk whose pad byte was
// left out is read past as common readers do.
TEST_F(SampleTest, FaultyWaveFilesSayWhatIsWrongAndAMissingPadByteIsForgiven) {
  WaveSpec s;
  s.frames = 300;
  const wavetest::Bytes whole = wavetest::makeWave(s);
  WaveSpec noPad = s;
  noPad.oddChunkBeforeData = true;
  noPad.padByteLeftOut = true;
  WaveSpec noPadEnd = noPad;  // the same without audio: the walk still finds the format chunk
  noPadEnd.noData = true;
  WaveSpec noFrames = s;
  noFrames.frames = 0;
  WaveSpec headerOnly = s;
  headerOnly.noData = true;
  struct Case {
    const char* name;
    wavetest::Bytes bytes;
    int code;
    std::int32_t frames;
    const char* text;  // null: no box; %s: the file's path
  };
  const Case cases[] = {
      {"cutfmt.wav", wavetest::Bytes(whole.begin(), whole.begin() + 30), sampleNotOpened, 0,
       "Sample load error: %s ends inside its format chunk."},
      {"cutfmtsize.wav", wavetest::Bytes(whole.begin(), whole.begin() + 18), sampleNotOpened, 0,
       "Sample load error: %s ends inside its format chunk."},
      {"cutdata.wav", wavetest::Bytes(whole.begin(), whole.begin() + 38), sampleNotOpened, 0,
       "Sample load error: %s ends inside one of its chunks."},
      {"nopad.wav", wavetest::makeWave(noPad), sampleOk, 300, nullptr},
      {"nopadend.wav", wavetest::makeWave(noPadEnd), sampleUnsupported, 0,
       "Sample load error: %s holds no audio data."},
      {"noframes.wav", wavetest::makeWave(noFrames), sampleUnsupported, 0,
       "Sample load error: %s holds no whole audio frame."},
      {"headeronly.wav", wavetest::makeWave(headerOnly), sampleUnsupported, 0,
       "Sample load error: %s holds no audio data."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(0);
    slot(0)->channels = 1;
    EXPECT_EQ(load(0, write(c.name, c.bytes)), c.code);
    EXPECT_EQ(slot(0)->length, c.frames);
    if (c.text) {
      ASSERT_EQ(msgBoxCaptureCount(), 1u);
      char text[400];
      std::snprintf(text, sizeof text, c.text, testTempPath(c.name).c_str());
      EXPECT_STREQ(msgBoxCaptureText(0), text);
    } else {
      EXPECT_EQ(msgBoxCaptureCount(), 0u) << msgBoxCaptureText(0);
    }
  }
  // The no-pad file holds the same audio as the well-formed one.
  ASSERT_EQ(load(0, write("nopad.wav", wavetest::makeWave(noPad))), sampleOk);
  std::vector<float> padless(slot(0)->data, slot(0)->data + 300);
  ASSERT_EQ(load(1, write("whole.wav", whole)), sampleOk);
  EXPECT_EQ(padless, std::vector<float>(slot(1)->data, slot(1)->data + 300));
}

TEST_F(SampleTest, MissingFileIsLookedForBesideTheBankThenInSamplesPath) {
  WaveSpec s;
  const std::string bankDir = testTempDir() + "bank" + testTempDir().back();
  const std::string samplesDir = testTempDir() + "samples" + testTempDir().back();
  testMakeFolder(bankDir);
  testMakeFolder(samplesDir);
  const wavetest::Bytes wave = wavetest::makeWave(s);
  chunktest::writeFile(bankDir + "beside.wav", wave);
  chunktest::writeFile(samplesDir + "inSamples.wav", wave);
  gBankPath = bankDir + "my.glo";
  int bankStandIn = 0;  // the finder only hands the bank to the path routine
  engine->bank = reinterpret_cast<Bank*>(&bankStandIn);
  testSetSetting("SamplesPath", samplesDir.c_str());

  struct Case {
    const char* name;
    std::string foundAt;  // empty: not found
  } cases[] = {
      {"beside.wav", bankDir + "beside.wav"}, {"inSamples.wav", samplesDir + "inSamples.wav"}, {"nowhere.wav", ""}};
  for (const Case& c : cases) {
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(0);
    SampleInfo* si = slot(0);
    std::strcpy(si->name, c.name);
    std::strcpy(si->path, "/no/such/folder/x.wav");
    const std::int32_t code = sampleLoad(engine, 0, nullptr);
    if (!c.foundAt.empty()) {
      EXPECT_EQ(code, sampleOk) << c.name;
      EXPECT_EQ(std::string(si->path), c.foundAt);
      EXPECT_EQ(texts(), std::vector<std::string>{});
    } else {
      EXPECT_EQ(code, sampleFileError);
      ASSERT_EQ(msgBoxCaptureCount(), 1u);
      EXPECT_STREQ(msgBoxCaptureText(0), "A sample failed to load! Morvane could not find file: nowhere.wav");
      EXPECT_STREQ(si->name, "nowhere.wav");  // the stored file name stays for a later retry
    }
  }
  testSetSetting("SamplesPath", nullptr);
  engine->bank = nullptr;
}

TEST_F(SampleTest, HostileFilesLoadOrFailCleanly) {
  struct Case {
    const char* name;
    WaveSpec spec;
    int code;
    std::int32_t frames;
  };
  std::vector<Case> cases;
  WaveSpec s;
  s.frames = 300;
  {
    WaveSpec h = s;
    h.dataSizeOverride = 0x7FFFFFF0;  // far beyond the file
    cases.push_back({"huge.wav", h, sampleOk, 300});
  }
  {
    WaveSpec h = s;
    h.dataSizeOverride = 0xFFFFFFFE;
    cases.push_back({"huge2.wav", h, sampleOk, 300});
  }
  {
    WaveSpec h = s;
    h.fmtSize = 12;
    cases.push_back({"shortfmt.wav", h, sampleNotOpened, 0});
  }
  {
    WaveSpec h = s;
    h.fmtSize = 41;  // an odd extension with its pad byte
    cases.push_back({"longfmt.wav", h, sampleOk, 300});
  }
  {
    WaveSpec h = s;
    h.fmtSize = 17;  // patched below: the format chunk claims more than the file holds
    cases.push_back({"hugefmt.wav", h, sampleNotOpened, 0});
  }
  // Only integer PCM is decoded, whatever width a compressed or float format claims.
  static const std::uint8_t pcmGuid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  static const std::uint8_t floatGuid[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  {
    WaveSpec h = s;
    h.formatTag = 3;  // float, though the header says 16 bits
    cases.push_back({"float16.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.formatTag = 0x11;  // IMA ADPCM marked 16 bits
    cases.push_back({"adpcm.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.formatTag = 0x2000;
    cases.push_back({"tag2000.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.formatTag = 0xFFFE;
    h.fmtSize = 40;
    h.subFormat = pcmGuid;
    cases.push_back({"extpcm.wav", h, sampleOk, 300});
  }
  {
    WaveSpec h = s;
    h.formatTag = 0xFFFE;
    h.fmtSize = 40;
    h.subFormat = floatGuid;
    cases.push_back({"extfloat.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.formatTag = 0xFFFE;  // extensible without its extension: the sub-format is unknown
    cases.push_back({"extshort.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.noData = true;
    cases.push_back({"headeronly.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.dataBeforeFmt = true;
    cases.push_back({"datafirst.wav", h, sampleNotOpened, 0});
  }
  {
    WaveSpec h = s;
    h.truncateDataTo = 201;  // 100 whole frames and a stray byte
    cases.push_back({"truncated.wav", h, sampleOk, 100});
  }
  {
    WaveSpec h = s;
    h.oddChunkBeforeData = true;
    cases.push_back({"oddchunk.wav", h, sampleOk, 300});
  }
  {
    WaveSpec h = s;
    h.frames = 0;
    cases.push_back({"empty.wav", h, sampleUnsupported, 0});
  }
  {
    WaveSpec h = s;
    h.truncateDataTo = 1;  // not one whole frame
    cases.push_back({"onebyte.wav", h, sampleUnsupported, 0});
  }
  for (const Case& c : cases) {
    wavetest::Bytes bytes = wavetest::makeWave(c.spec);
    if (c.spec.fmtSize == 17) {
      const std::uint8_t huge[4] = {0xF0, 0xFF, 0xFF, 0x7F};
      std::memcpy(&bytes[16], huge, 4);
      bytes.resize(60);
    }
    const std::int32_t code = load(0, write(c.name, bytes));
    EXPECT_EQ(code, c.code) << c.name;
    EXPECT_EQ(slot(0)->length, c.frames) << c.name;
    if (code == sampleOk) {
      ASSERT_NE(slot(0)->data, nullptr);
      // The window after the data is readable and zero.
      EXPECT_EQ(slot(0)->data[c.frames + sampleTailBytes / sizeof(float) - 1], 0.0f);
    } else {
      EXPECT_EQ(slot(0)->data, nullptr);
    }
  }
  // Garbage and cut files: no chunk walk runs off.
  const std::string junk[] = {std::string("RIFF", 4), std::string("RIFF\x10\0\0\0WAVE", 12),
                              std::string("RIFF\x10\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0", 24),
                              std::string("RIFF\0\0\0\0RIFF\0\0\0\0WAVE", 20)};
  for (const std::string& j : junk) {
    EXPECT_NE(load(0, write("junk.wav", wavetest::Bytes(j.begin(), j.end()))), sampleOk) << j.size();
    EXPECT_EQ(slot(0)->data, nullptr);
  }
}

TEST_F(SampleTest, LoopWindowStaysInsideAShortSample) {
  WaveSpec s;
  s.frames = 100;
  const std::string path = write("short.wav", wavetest::makeWave(s));
  SampleInfo* si = slot(0);
  si->loopMode = 2;
  si->loopStart = 5000;
  si->loopEnd = 6000;
  ASSERT_EQ(load(0, path), sampleOk);
  EXPECT_EQ(si->loopEnd, 99);
  EXPECT_EQ(si->playEnd, 99);
  EXPECT_LE(si->playStart, si->playEnd);
  EXPECT_GE(si->playStart, 0);
  EXPECT_EQ(si->looping, 1);
  // The 64-frame minimum window does not fit: the start goes to the first frame, never below it.
  EXPECT_EQ(sampleSetLoopEnd(engine, 0, 50), 99);
  EXPECT_EQ(si->loopStart, 36);
  sampleSetLoopMode(engine, 0, 1);
  EXPECT_EQ(si->playStart, 0);
  EXPECT_EQ(si->playEnd, 99);
  sampleSetLoopMode(engine, 0, 7);
  EXPECT_EQ(si->loopMode, 0);
  EXPECT_EQ(si->looping, 0);
}

TEST_F(SampleTest, LoopMarkerSetters) {
  WaveSpec s;
  s.frames = 10000;
  ASSERT_EQ(load(0, write("loop.wav", wavetest::makeWave(s))), sampleOk);
  SampleInfo* si = slot(0);
  si->loopEnd = 40;
  EXPECT_EQ(sampleSetLoopStart(engine, 0, 500), 0);
  EXPECT_EQ(si->loopEnd, 64);
  EXPECT_EQ(sampleSetLoopEnd(engine, 0, 20000), 10000);
  EXPECT_EQ(sampleSetLoopStart(engine, 0, 3000), 3000);
  EXPECT_EQ(sampleSetLoopEnd(engine, 0, 3010), 3064);
  EXPECT_EQ(sampleGetLoopEnd(engine, 0), 3064);
  sampleSetLoopMode(engine, 0, 2);
  EXPECT_EQ(si->playStart, 3000);
  EXPECT_EQ(si->playEnd, 3064);
  // A start whose 64-frame window reaches the last frame moves to length - 64, and the end goes to
  // the last frame, not one past it.
  sampleSetLoopMode(engine, 0, 0);
  EXPECT_EQ(sampleSetLoopEnd(engine, 0, 20000), 10000);
  EXPECT_EQ(sampleSetLoopStart(engine, 0, 9935), 9935);
  EXPECT_EQ(sampleSetLoopEnd(engine, 0, 5000), 9999);
  EXPECT_EQ(si->loopStart, 9936);
}

TEST_F(SampleTest, RateFactorRules) {
  const double inc60 = pitchNoteToInc(60.0);
  EXPECT_NEAR(sampleRateFactor(60, 44100), float(1.0 / inc60), 1e-9);
  EXPECT_NEAR(sampleRateFactor(0.5, 0), float(1.0 / inc60), 1e-9);  // both replaced
  EXPECT_NEAR(sampleRateFactor(128, 22050), float(0.5 / inc60), 1e-9);
  EXPECT_NEAR(sampleRateFactor(72, 48000), float((48000.0 / 44100.0) / pitchNoteToInc(72.0)), 1e-9);
}

TEST_F(SampleTest, DisplayOverviewPointsAndSectionOwnership) {
  WaveSpec s;
  s.frames = 100;
  s.signal = [](std::int32_t f, int) { return f < 42 ? 0.5 : f < 84 ? -0.9 : 0.0; };
  ASSERT_EQ(load(1, write("disp.wav", wavetest::makeWave(s))), sampleOk);
  SampleInfo* si = slot(1);
  EXPECT_EQ(si->displayMapped, 1);
  EXPECT_STREQ(si->displayName, "MorvWaveDisplayPaddlingPool1");
  std::vector<float> view(sampleDisplayPoints, 1.0f);
  sampleReadDisplay(engine, 1, view.data());
  EXPECT_NEAR(view[0], 0.5f * 0.995f / 0.9f, 0.01f);  // the block's high point wins
  EXPECT_LT(view[1], -0.9f);                          // the low point wins when it is larger in size
  EXPECT_GE(view[1], -0.999f);
  EXPECT_NE(view[2], 0.0f);  // the last, shorter block (the filtered step's tail)
  for (int i = 3; i < sampleDisplayPoints; ++i) ASSERT_EQ(view[i], 0.0f);
  // A second engine's channel 1 finds the section taken and does not own it.
  Engine* other = engineCreate();
  ASSERT_NE(other, nullptr);
  other->channels[1]->type = oscTypeSample;
  FileSpec f;
  fileSpecClear(&f);
  fileSpecSetPath(&f, testTempPath("disp.wav").c_str(), nullptr);
  ASSERT_EQ(sampleLoad(other, 1, &f), sampleOk);
  EXPECT_EQ(sampleGetInfo(other, 1)->displayMapped, 0);
  sampleReleaseAll(other);
  engineDestroy(other);
  // Releasing closes the section.
  sampleRelease(engine, 1);
  EXPECT_EQ(si->displayMapped, 0);
  sampleReadDisplay(engine, 1, view.data());
  EXPECT_EQ(view[0], 0.0f);
}

TEST_F(SampleTest, PositionJumpAndVoiceReset) {
  WaveSpec s;
  s.frames = 1000;
  OscVoiceState* state = engineGetOscVoiceState(engine, 0, 2);
  state->sampleVoice.position = 55.0;
  ASSERT_EQ(load(0, write("pos.wav", wavetest::makeWave(s))), sampleOk);
  EXPECT_EQ(state->sampleVoice.position, 0.0);  // voices below the polyphony were reset
  sampleSetPosition(engine, 0, 2, 1.0, 0.25);
  EXPECT_EQ(state->sampleVoice.jumpTarget, 999.0);
  EXPECT_EQ(state->sampleVoice.jumpValue, 0.25);
  EXPECT_EQ(state->sampleVoice.jumpRequest, 1);
  sampleSetPosition(engine, 0, 2, 0.5, 0);
  EXPECT_EQ(state->sampleVoice.jumpTarget, 500.0);
  sampleSetPosition(engine, 5, 2, 0.5, 0);  // ignored
  EXPECT_EQ(sampleVoiceRecord(engine, 3, 0), nullptr);
}

TEST_F(SampleTest, DialogLoadReportsAndKeepsTheFailedFlag) {
  WaveSpec s;
  const std::string good = write("dialog.wav", wavetest::makeWave(s));
  const std::string aiff = write("dialog.aif", wavetest::makeAiff());
  appChooseFileClearQueue();
  appChooseFileQueue(0, "");
  EXPECT_FALSE(sampleLoadForChannel(appDialogOpen, engine, 0));
  appChooseFileQueue(2, "");
  EXPECT_TRUE(sampleLoadForChannel(appDialogOpen, engine, 0));
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  appChooseFileQueue(1, aiff.c_str());
  EXPECT_FALSE(sampleLoadForChannel(appDialogOpen, engine, 0));
  EXPECT_EQ(texts(), (std::vector<std::string>{"Load sample error: unsupported file type",
                                               "Sample error: unsupported file type."}));
  EXPECT_EQ(slot(0)->loadFailed, 1);
  appChooseFileQueue(1, good.c_str());
  EXPECT_TRUE(sampleLoadForChannel(appDialogOpen, engine, 0));
  EXPECT_EQ(slot(0)->loadFailed, 0);
  EXPECT_STREQ(slot(0)->name, "dialog.wav");
  EXPECT_EQ(std::string(slot(0)->path), good);
  EXPECT_EQ(engine->paused.load(), 0);
}

TEST_F(SampleTest, ReloadChannelsLoadsOnlySampleTypes) {
  WaveSpec s;
  const std::string path = write("reload.wav", wavetest::makeWave(s));
  engine->channels[1]->type = oscTypeSingle;
  for (int c = 0; c < 3; ++c) std::strcpy(slot(c)->path, path.c_str());
  EXPECT_EQ(sampleReloadChannels(engine), sampleOk);
  EXPECT_GT(slot(0)->length, 0);
  EXPECT_EQ(slot(1)->length, 0);
  EXPECT_GT(slot(2)->length, 0);
}

TEST_F(SampleTest, SwapInfoReversesTheStoredWordsOnly) {
  SampleInfo si;
  std::memset(&si, 0, sizeof si);
  sampleInfoInit(&si);
  si.loopEnd = 0x01020304;
  si.startPosition = 0.5;
  SampleInfo copy = si;
  swapReset();
  sampleSwapInfo(&si);
  EXPECT_EQ(std::memcmp(&si, &copy, sizeof si), 0);
  swapToggle();
  sampleSwapInfo(&si);
  swapReset();
  EXPECT_EQ(si.loopEnd, 0x04030201);
  EXPECT_EQ(si.tag, 0x65435073u);
  EXPECT_STREQ(si.name, "(none)");
  double back = si.startPosition;
  swap64(&back);
  EXPECT_EQ(back, 0.5);
}

}  // namespace
