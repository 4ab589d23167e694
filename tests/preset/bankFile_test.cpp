// Bank files: a full bank written and read back in both byte orders, old-format banks brought up to
// date, and the failures of opening a file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "modules/effectFrame.h"
#include "preset/bankFile.h"
#include "preset/controllerChunk.h"
#include "preset/effectChunk.h"
#include "preset/envelopeChunk.h"
#include "preset/lfoChunk.h"
#include "preset/sliderList.h"
#include "support/tempDir.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace bankfiletest {
using namespace banktest;

namespace {

struct BankFileTest : ::testing::Test {
  Bank* bank = nullptr;
  void SetUp() override {
    chunktest::setUpChunkLayer();
    msgBoxCaptureBegin(0);
    bank = bankCreate();
    ASSERT_NE(bank, nullptr);
  }
  void TearDown() override {
    bankDestroy(bank);
    msgBoxCaptureEnd();
    chunktest::tearDownChunkLayer();
  }
  std::string lastMessage() { return msgBoxCaptureCount() ? msgBoxCaptureText(msgBoxCaptureCount() - 1) : ""; }
};

void expectSameFields(const Preset* a, const Preset* b) {
  EXPECT_STREQ(a->header.name, b->header.name);
  EXPECT_EQ(a->header.polyphony, b->header.polyphony);
  EXPECT_FLOAT_EQ(a->header.gain, b->header.gain);
  EXPECT_EQ(a->header.tuning, b->header.tuning);
  for (int c = 0; c < presetChannelCount; ++c) {
    EXPECT_EQ(a->channels[c].type, b->channels[c].type);
    EXPECT_FLOAT_EQ(a->channels[c].level, b->channels[c].level);
    EXPECT_EQ(a->channels[c].waveB, b->channels[c].waveB);
  }
  for (int f = 0; f < presetFilterCount; ++f) {
    EXPECT_EQ(a->filters[f].type, b->filters[f].type);
    EXPECT_FLOAT_EQ(a->filters[f].cutoff, b->filters[f].cutoff);
  }
  EXPECT_FLOAT_EQ(a->modulators[2].feedback, b->modulators[2].feedback);
  EXPECT_FLOAT_EQ(a->waveshaper.inGain, b->waveshaper.inGain);
  ASSERT_EQ(a->effect == nullptr, b->effect == nullptr);
  if (a->effect) {
    EXPECT_EQ(a->effect->type, b->effect->type);
    EXPECT_EQ(b->effectPresent, 1);
  }
  EXPECT_FLOAT_EQ(a->controllers.bendRange, b->controllers.bendRange);
  EXPECT_EQ(a->controllers.volumeSource, b->controllers.volumeSource);
  for (int e = 0; e < sliderListMax; ++e) {
    EXPECT_EQ(a->sliders.entries[e].controller, b->sliders.entries[e].controller);
    EXPECT_EQ(a->sliders.entries[e].value, b->sliders.entries[e].value);
  }
  ASSERT_EQ(a->curveCount, b->curveCount);
  for (int c = 0; c < a->curveCount; ++c)
    EXPECT_EQ(std::memcmp(a->curves[c].values, b->curves[c].values, sizeof a->curves[c].values), 0);
  for (int i = 0; i < presetLfoCount; ++i) {
    EXPECT_EQ(a->lfos[i].on, b->lfos[i].on);
    EXPECT_FLOAT_EQ(a->lfos[i].periodSeconds, b->lfos[i].periodSeconds);
  }
  ASSERT_EQ(a->envelopeCount, b->envelopeCount);
  for (int e = 0; e < a->envelopeCount; ++e) {
    EXPECT_EQ(a->envelopes[e].lastIndex, b->envelopes[e].lastIndex);
    for (int p = 0; p <= a->envelopes[e].lastIndex; ++p) {
      EXPECT_EQ(a->envelopes[e].breakpoints[p].time, b->envelopes[e].breakpoints[p].time);
      EXPECT_EQ(a->envelopes[e].breakpoints[p].level, b->envelopes[e].breakpoints[p].level);
    }
  }
  ASSERT_EQ(a->waveCount, b->waveCount);
  for (int w = 0; w < a->waveCount; ++w)
    EXPECT_EQ(std::memcmp(a->waves[w].samples, b->waves[w].samples, sizeof a->waves[w].samples), 0);
}

TEST_F(BankFileTest, FullBankRoundTripsInBothByteOrders) {
  Bank* source = bankCreate();
  fillRandomBank(source, 1234);
  const std::string path = testTempPath("full.glo");
  const Bytes written = saveBank(source, path);

  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    std::string readPath = path;
    if (bigEndian) {
      readPath = testTempPath("full_be.glo");
      const Bytes be = bankToBigEndian(written);
      ASSERT_NE(be, written);
      writeFile(readPath, be);
    }
    Bank* loaded = bankCreate();
    ASSERT_TRUE(openBank(loaded, readPath));
    EXPECT_FALSE(swapEnabled());
    for (std::int16_t n = 0; n < bankSlotCount; ++n) {
      ASSERT_FALSE(bankSlotIsEmpty(loaded, n)) << n;
      expectSameFields(source->slots[n], loaded->slots[n]);
    }
    for (int t = 0; t < bankSlotCount; ++t) {
      ASSERT_EQ(tuningBankMapExists(source, t), tuningBankMapExists(loaded, t)) << t;
      if (!tuningBankMapExists(source, t)) continue;
      EXPECT_EQ(std::memcmp(source->tunings[t].map->keys, loaded->tunings[t].map->keys, 1024), 0);
      EXPECT_STREQ(source->tunings[t].map->name, loaded->tunings[t].map->name);
    }
    EXPECT_EQ(std::memcmp(source->plugData, loaded->plugData, bankPlugBytes), 0);
    // Every stored field: the bank read back writes the very same file.
    const Bytes again = saveBank(loaded, testTempPath("again.glo"));
    ASSERT_EQ(again.size(), written.size());
    std::size_t firstDifference = 0;
    while (firstDifference < again.size() && again[firstDifference] == written[firstDifference]) ++firstDifference;
    EXPECT_EQ(firstDifference, written.size()) << "first difference at byte " << firstDifference;
    bankDestroy(loaded);
  }
  bankDestroy(source);
}

TEST_F(BankFileTest, EffectKindComesFromTheChunkIdNotTheData) {
  Preset* p = presetAlloc(3);
  p->effect = static_cast<EffectHeader*>(effectAlloc(effectPipe));
  p->effectPresent = 1;
  bankPutPreset(bank, p);
  const std::string path = testTempPath("kind.glo");
  Bytes bytes = saveBank(bank, path);
  // Claim kind 5 (the largest record) in the stored head of the "pip2" record.
  bool patched = false;
  for (std::size_t pos = 0; pos + 12 <= bytes.size();) {
    std::uint32_t id, size;
    std::memcpy(&id, &bytes[pos], 4);
    std::memcpy(&size, &bytes[pos + 4], 4);
    if (id == chunkId("pip2")) {
      std::uint16_t five = 5;
      std::memcpy(&bytes[pos + 12 + 4], &five, 2);
      patched = true;
    }
    pos += 12 + size;
  }
  ASSERT_TRUE(patched);
  writeFile(path, bytes);
  ASSERT_TRUE(openBank(bank, path));
  ASSERT_NE(bank->slots[3]->effect, nullptr);
  EXPECT_EQ(bank->slots[3]->effect->type, effectPipe);
}

// ---- old format

struct OldCase {
  double length;
  float beats;
  double bpm;
  float beatsAfter;
};

class OldFormatTempo : public ::testing::TestWithParam<OldCase> {};

TEST_P(OldFormatTempo, TempoAndBeats) {
  const OldCase c = GetParam();
  float beats = c.beats;
  EXPECT_NEAR(bankOldFormatTempo(c.length, &beats), c.bpm, 1e-9);
  EXPECT_EQ(beats, c.beatsAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, OldFormatTempo,
                         ::testing::Values(OldCase{88200, 4, 120, 4}, OldCase{88200, 16, 120, 4},
                                           OldCase{88200, 1, 120, 4}, OldCase{88200, 200.0f / 3.0f, 120, 200.0f / 3.0f},
                                           OldCase{0, 4, 120, 4}, OldCase{44100, 3, 180, 3},
                                           OldCase{44100, 1.5f, 90, 1.5f}, OldCase{88200, -2, 120, -2}));

TEST_F(BankFileTest, OldFormatBankIsBroughtUpToDate) {
  struct Case {
    float periodSeconds;
    std::uint8_t on;
    float combDelay;  // samples
    bool expectPeriodSync;
    bool expectCombBeats;
  };
  const Case cases[] = {{0.5f, 1, 22050.0f, true, true},    // 0.5 s -> 1 beat at 120
                        {0.45f, 1, 5512.5f, false, false},  // limits left alone (0.125 s exactly)
                        {2.0f, 0, 4000.0f, false, false}};  // LFO off; a delay below 0.125 s
  const std::string path = testTempPath("old.glo");
  std::uint8_t buffer[chunkCapacity];
  chunktest::writeChunks(path, [&](FileSpec* f) {
    for (int i = 0; i < 3; ++i) {
      PatchHeader h;
      patchHeaderDefaults(&h, static_cast<std::int16_t>(i));
      h.length = 88200.0;
      h.beats = 16.0f;  // 480 BPM, halved twice
      patchHeaderReadWriteChunkV1(f, &h, buffer, chunkWrite);
      Lfo lfo;
      lfoDefaults(&lfo, 0);
      lfo.on = cases[i].on;
      lfo.periodSeconds = cases[i].periodSeconds;
      lfo.holdSeconds = 0.2f;
      lfoReadWriteChunkV1(f, &lfo, buffer, chunkWrite);
      EffectCombRecord* comb = static_cast<EffectCombRecord*>(effectAlloc(effectComb));
      comb->delay = cases[i].combDelay;
      effectCombReadWriteChunkV1(f, comb, buffer, chunkWrite);
      std::free(comb);
      ChunkHeader end;
      chunkHeaderSet(&end, chunkId("pEnd"), 0, 1);
      fileWriteChunk(f, &end, nullptr);
    }
  });
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    std::string readPath = path;
    if (bigEndian) {
      readPath = testTempPath("old_be.glo");
      writeFile(readPath, bankToBigEndian(readFile(path)));
    }
    ASSERT_TRUE(openBank(bank, readPath));
    for (int i = 0; i < 3; ++i) {
      const Preset* p = bank->slots[i];
      ASSERT_FALSE(bankSlotIsEmpty(bank, static_cast<std::int16_t>(i)));
      EXPECT_DOUBLE_EQ(p->header.tempo.presetTempo, 120.0);
      EXPECT_EQ(p->header.beats, 4.0f);
      EXPECT_EQ(p->lfos[0].periodSync, cases[i].expectPeriodSync ? 1u : 0u) << i;
      if (cases[i].expectPeriodSync) {
        EXPECT_NEAR(p->lfos[0].periodBeats, 1.0, 1e-6);
      }
      EXPECT_EQ(p->lfos[0].holdSync, 0u);
      const EffectCombRecord* comb = reinterpret_cast<const EffectCombRecord*>(p->effect);
      ASSERT_NE(comb, nullptr);
      EXPECT_EQ(comb->header.timeUnit, cases[i].expectCombBeats ? effectUnitBeats : effectUnitSeconds) << i;
      if (cases[i].expectCombBeats) {
        EXPECT_NEAR(comb->time, 1.0, 1e-6);
      }
    }
  }
}

TEST_F(BankFileTest, OldMultiTapDelayBecomesBeats) {
  const std::string path = testTempPath("oldtap.glo");
  std::uint8_t buffer[chunkCapacity];
  chunktest::writeChunks(path, [&](FileSpec* f) {
    PatchHeader h;
    patchHeaderDefaults(&h, 0);
    patchHeaderReadWriteChunkV1(f, &h, buffer, chunkWrite);
    EffectTapRecord* tap = static_cast<EffectTapRecord*>(effectAlloc(effectTap));
    tap->time = 3.0f * 44100.0f;
    effectTapReadWriteChunkV1(f, tap, buffer, chunkWrite);
    std::free(tap);
    ChunkHeader end;
    chunkHeaderSet(&end, chunkId("tail"), 0, 1);
    fileWriteChunk(f, &end, nullptr);
  });
  ASSERT_TRUE(openBank(bank, path));
  const EffectTapRecord* tap = reinterpret_cast<const EffectTapRecord*>(bank->slots[0]->effect);
  ASSERT_NE(tap, nullptr);
  EXPECT_EQ(tap->header.timeUnit, effectUnitBeats);
  EXPECT_NEAR(tap->beatTime, 6.0, 1e-6);  // 3 s at 120 BPM
}

// ---- opening

struct Guard {
  Bank* bank;
  explicit Guard(Bank* b) : bank(b) {
    Preset* p = presetAlloc(5);
    patchHeaderSetName(&p->header, "keep me");
    bankPutPreset(bank, p);
    bank->current = 5;
  }
  void expectIntact() const {
    char name[35];
    bankGetPresetName(bank, 5, name);
    EXPECT_STREQ(name, "keep me");
    EXPECT_EQ(bank->current, 5);
  }
};

TEST_F(BankFileTest, NotAChunkFileIsRefusedAndTheBankStays) {
  Guard guard(bank);
  const std::string path = testTempPath("junk.glo");
  writeFile(path, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!'});
  EXPECT_FALSE(openBank(bank, path));
  EXPECT_EQ(lastMessage(), "Open file failed. This is not a valid Morvane file");
  guard.expectIntact();
  EXPECT_FALSE(swapEnabled());

  const std::size_t before = msgBoxCaptureCount();
  EXPECT_FALSE(openBank(bank, testTempPath("no such file.glo")));
  EXPECT_EQ(msgBoxCaptureCount(), before);
  guard.expectIntact();
}

TEST_F(BankFileTest, UnreadableHeaderShowsItsNumberAndTheBankStays) {
  const struct {
    const char* id;
    const char* text;
  } cases[] = {{"ptc4", "Open file failed! Error 37511"},
               {"ptch", "Open file failed! Error 37511"},
               {"ptc2", "Open file failed! Error 30511"},
               {"ptc3", "Open file failed! Error 31511"}};
  Guard guard(bank);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string path = testTempPath("short.glo");
    chunktest::writeChunks(path, [&](FileSpec* f) {
      std::uint8_t data[8] = {};
      ChunkHeader h;
      chunkHeaderSet(&h, chunkId(c.id), sizeof data, 1);
      fileWriteChunk(f, &h, data);
    });
    EXPECT_FALSE(openBank(bank, path));
    EXPECT_EQ(lastMessage(), c.text);
    guard.expectIntact();
  }
}

TEST_F(BankFileTest, TruncatedFileFilesThePresetsItCompleted) {
  Bank* source = bankCreate();
  for (std::int16_t n = 0; n < 3; ++n) {
    Preset* p = presetAlloc(n);
    patchHeaderSetName(&p->header, n == 0 ? "first" : n == 1 ? "second" : "third");
    bankPutPreset(source, p);
  }
  const std::string path = testTempPath("cut.glo");
  Bytes bytes = saveBank(source, path);
  bankDestroy(source);
  // Cut inside the third preset's first oscillator chunk.
  std::size_t pos = 0, headers = 0, cut = 0;
  while (pos + 12 <= bytes.size()) {
    std::uint32_t id, size;
    std::memcpy(&id, &bytes[pos], 4);
    std::memcpy(&size, &bytes[pos + 4], 4);
    if (id == chunkId("ptc4") && ++headers == 3) cut = pos + 12 + size + 40;
    pos += 12 + size;
  }
  ASSERT_GT(cut, 0u);
  const Bytes whole = bytes;
  bytes.resize(cut);
  writeFile(path, bytes);
  ASSERT_TRUE(openBank(bank, path));
  char name[35];
  bankGetPresetName(bank, 0, name);
  EXPECT_STREQ(name, "first");
  bankGetPresetName(bank, 1, name);
  EXPECT_STREQ(name, "second");
  EXPECT_TRUE(bankSlotIsEmpty(bank, 2));
  // The user is told that the file was not whole, and how much of it came in.
  EXPECT_EQ(lastMessage(), "Morvane file error: the file is incomplete or damaged. 2 presets could be read.");

  // Cut at a chunk boundary inside the third preset (before its "pEnd"): the same.
  std::size_t boundary = 0;
  pos = 0;
  headers = 0;
  while (pos + 12 <= whole.size()) {
    std::uint32_t id, size;
    std::memcpy(&id, &whole[pos], 4);
    std::memcpy(&size, &whole[pos + 4], 4);
    pos += 12 + size;
    if (id == chunkId("ptc4") && ++headers == 3) boundary = pos;
  }
  ASSERT_GT(boundary, 0u);
  writeFile(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(boundary)));
  ASSERT_TRUE(openBank(bank, path));
  EXPECT_EQ(lastMessage(), "Morvane file error: the file is incomplete or damaged. 2 presets could be read.");

  // A whole file says nothing.
  const std::size_t before = msgBoxCaptureCount();
  writeFile(path, whole);
  ASSERT_TRUE(openBank(bank, path));
  EXPECT_EQ(msgBoxCaptureCount(), before);
}

TEST_F(BankFileTest, DamagedFileWithNoPresetIsRefusedAndTheBankStays) {
  Guard guard(bank);
  Bank* source = bankCreate();
  bankPutPreset(source, presetAlloc(0));
  const std::string path = testTempPath("cut1.glo");
  Bytes bytes = saveBank(source, path);
  bankDestroy(source);
  // The container, the first header and a few bytes of the next chunk.
  std::uint32_t containerSize, headerSize;
  std::memcpy(&containerSize, &bytes[4], 4);
  std::memcpy(&headerSize, &bytes[12 + containerSize + 4], 4);
  bytes.resize(12 + containerSize + 12 + headerSize + 20);
  writeFile(path, bytes);
  EXPECT_FALSE(openBank(bank, path));
  EXPECT_EQ(lastMessage(), "Open file failed. This is not a valid Morvane file");
  guard.expectIntact();
}

TEST_F(BankFileTest, DialogAnswersAndSaving) {
  Guard guard(bank);
  appChooseFileClearQueue();
  appChooseFileQueue(0, "");
  EXPECT_FALSE(bankFileOpenWithDialog(1, bank));
  guard.expectIntact();

  const std::string path = testTempPath("saved as.glo");
  appChooseFileQueue(1, path.c_str());
  ASSERT_TRUE(bankFileSaveAs(1, bank));
  EXPECT_STREQ(bank->file.path, path.c_str());
  char title[65];
  bankGetTitle(bank, title);
  EXPECT_STREQ(title, "saved as.glo");

  Bank* other = bankCreate();
  appChooseFileQueue(1, path.c_str());
  ASSERT_TRUE(bankFileOpenWithDialog(1, other));
  char name[35];
  bankGetPresetName(other, 5, name);
  EXPECT_STREQ(name, "keep me");
  EXPECT_STREQ(other->file.path, path.c_str());
  bankDestroy(other);
  appChooseFileClearQueue();
}

TEST_F(BankFileTest, TuneChunkOutOfRangeIsIgnored) {
  const std::string path = testTempPath("tune.glo");
  std::uint8_t buffer[chunkCapacity];
  chunktest::writeChunks(path, [&](FileSpec* f) {
    // The third chunk names slot 7 again: the map read first stays.
    const struct {
      int index;
      double key;
      const char* name;
    } maps[] = {{7, 77.0, "seven"}, {200, 99.0, "beyond"}, {7, 55.0, "again"}};
    for (const auto& m : maps) {
      TuningMap map;
      tuningMakeDefault(&map);
      map.id = static_cast<std::int16_t>(0x200 | m.index);
      map.keys[60] = m.key;
      std::strcpy(map.name, m.name);
      tuningReadWriteChunk(f, &map, buffer, chunkWrite);
    }
  });
  ASSERT_TRUE(openBank(bank, path));
  int maps = 0;
  for (int t = 0; t < bankSlotCount; ++t) maps += tuningBankMapExists(bank, t);
  EXPECT_EQ(maps, 1);
  ASSERT_TRUE(tuningBankMapExists(bank, 7));
  EXPECT_EQ(bank->tunings[7].map->keys[60], 77.0);
  EXPECT_STREQ(bank->tunings[7].map->name, "seven");
}

}  // namespace
}  // namespace bankfiletest
