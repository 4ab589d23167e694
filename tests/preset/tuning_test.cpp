// Tuning maps: the built-in list, bank maps, selection into the engine and the "tune" chunk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/valueFormat.h"
#include "preset/bank.h"
#include "preset/library.h"
#include "preset/tuning.h"
#include "support/tempDir.h"

namespace {

TEST(TuningLibrary, NamesInListOrder) {
  const char* const names[32] = {"8ve / 12",        "8ve / 19",    "8ve / 24",     "8ve / 43 otone", "8ve / 48",
                                 "8ve / 96",        "harmonic",    "Vallotti",     "Werckmeister 3", "mean tone c",
                                 "mean tone c#",    "mean tone d", "mean tone d#", "mean tone e",    "mean tone f",
                                 "mean tone f#",    "mean tone g", "mean tone g#", "mean tone a",    "mean tone a#",
                                 "mean tone b",     "Zalzal",      "Farabi 1",     "Farabi 2",       "8ve / 12",
                                 "Pelog + Slendro", "balafon",     "8ve / 31",     "Indian",         "Ionic/Aeolic",
                                 "Harrison 16",     "pythagorean"};
  ASSERT_EQ(tuningLibraryCount(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_STREQ(tuningBuiltIn(i)->name, names[i]) << i;
  EXPECT_EQ(tuningBuiltIn(24)->id, 0);
  EXPECT_EQ(tuningBuiltIn(27)->id, 4);
  EXPECT_EQ(tuningFindById(4), 27);
  EXPECT_EQ(tuningFindById(99), 0);
  EXPECT_EQ(tuningBuiltIn(32), nullptr);
}

TEST(TuningLibrary, KeysOfTheGenerators) {
  const TuningMap* nineteen = tuningBuiltIn(1);
  EXPECT_NEAR(nineteen->keys[60], pitchHzToInc(261.6256), 1e-4);
  EXPECT_NEAR(nineteen->keys[79] / nineteen->keys[60], 2.0, 1e-7);  // the note scale's own octave
  const TuningMap* equal = tuningBuiltIn(0);
  for (int k = 0; k < 128; k += 7) EXPECT_NEAR(equal->keys[k], pitchHzToInc(pitchNoteToHz(k)), 1e-12);
  // Keys a generator leaves alone keep those of the entry computed before it.
  for (int k = 120; k < 128; ++k) {
    EXPECT_EQ(tuningBuiltIn(31)->keys[k], tuningBuiltIn(30)->keys[k]) << k;  // pythagorean / Harrison 16
    EXPECT_EQ(tuningBuiltIn(21)->keys[k], tuningBuiltIn(8)->keys[k]) << k;   // Zalzal / Werckmeister 3
  }
  const TuningMap* harmonic = tuningBuiltIn(6);
  EXPECT_NEAR(harmonic->keys[37], 2.0 * harmonic->keys[36], 1e-9);
  // Mean tone on d: keys below the root are the octave above halved.
  const TuningMap* d = tuningBuiltIn(11);
  EXPECT_NEAR(d->keys[0], d->keys[12] * 0.5, 1e-12);
  EXPECT_NEAR(d->keys[127], d->keys[115] * 2.0, 1e-12);
}

struct TuningEngineTest : EngineFixture {
  Bank* bank = nullptr;
  void SetUp() override {
    EngineFixture::SetUp();
    bank = bankCreate();
  }
  void TearDown() override {
    bankDestroy(bank);
    EngineFixture::TearDown();
  }
};

TEST_F(TuningEngineTest, SelectionPlaysTheMap) {
  tuningSelect(engine, bank, tuningMakeId(0, 1));
  EXPECT_EQ(engine->header.tuning, 1);
  EXPECT_EQ(engine->noteFreq[79], tuningBuiltIn(1)->keys[79]);
  EXPECT_EQ(tuningGetKey(engine, 128), 0.0);
  EXPECT_EQ(tuningGetKey(engine, -1), 0.0);
  tuningSelect(engine, bank, tuningMakeId(0, 40));  // beyond the list: nothing changes
  EXPECT_EQ(engine->header.tuning, 1);
  tuningSelect(engine, bank, tuningMakeId(2, 5));  // empty bank slot: entry 0 plays, id kept
  EXPECT_EQ(engine->header.tuning, 1);
  EXPECT_EQ(engine->noteFreq[79], tuningBuiltIn(0)->keys[79]);
}

TEST_F(TuningEngineTest, BankMapsAreEditedThroughTheEngine) {
  const std::int16_t id = tuningNewBankMap(engine, bank);
  EXPECT_EQ(id, tuningMakeId(2, 0));
  EXPECT_EQ(engine->header.tuning, static_cast<std::uint16_t>(id));
  tuningSetKey(engine, bank, 60, 12.5);
  tuningSetName(engine, bank, "Stretched");
  EXPECT_EQ(bank->tunings[0].map->keys[60], 12.5);
  EXPECT_EQ(engine->noteFreq[60], 12.5);
  char name[32];
  tuningGetName(engine, bank, id, name);
  EXPECT_STREQ(name, "Stretched");
  TuningMap copy;
  ASSERT_EQ(tuningCopyBankMap(bank, 0, &copy), 1);
  EXPECT_EQ(tuningFindBankMatch(bank, &copy), 0);
  copy.keys[3] += 1.0;
  EXPECT_EQ(tuningFindBankMatch(bank, &copy), -1);
  EXPECT_EQ(tuningAllocBankMap(bank, nullptr, 0), 0);  // taken
  tuningFreeBankMap(bank, 0);
  EXPECT_EQ(tuningBankMapExists(bank, 0), 0);
}

TEST(TuningChunk, RoundTripInBothByteOrders) {
  chunktest::setUpChunkLayer();
  TuningMap map;
  tuningMakeDefault(&map);
  map.id = tuningMakeId(2, 9);
  std::strcpy(map.name, "nine");
  map.keysPerOctave = 19;
  map.octaveInterval = 13.5;
  for (int k = 0; k < 128; ++k) map.keys[k] = 1.0 + 0.37 * k;
  const std::string path = testTempPath("tune.glo");
  std::uint8_t buffer[chunkCapacity];
  const auto bytes =
      chunktest::writeChunks(path, [&](FileSpec* f) { tuningReadWriteChunk(f, &map, buffer, chunkWrite); });
  for (bool big : {false, true}) {
    std::string readPath = path;
    if (big) {
      // The "tune" slots: id, flag, keys per octave, the interval, the name, 128 doubles.
      auto be = bytes;
      auto rev = [&](std::size_t at, int n) { std::reverse(be.begin() + long(at), be.begin() + long(at) + n); };
      for (int w = 0; w < 6; ++w) rev(4 * w, 4);
      const std::size_t d = 24;
      rev(d, 4);
      rev(d + 4, 4);
      rev(d + 8, 4);
      rev(d + 12, 8);
      for (int k = 0; k < 128; ++k) rev(d + 52 + 8 * k, 8);
      readPath = testTempPath("tune_be.glo");
      chunktest::writeFile(readPath, be);
    }
    Bank* bank = bankCreate();
    FileSpec file;
    ASSERT_TRUE(chunktest::openAndReadFirst(&file, readPath));
    ChunkHeader h;
    ASSERT_TRUE(fileReadNextChunk(&file, &h));
    EXPECT_EQ(h.size, tuningChunkBytes);
    ASSERT_TRUE(tuningReadChunk(bank, &file, chunkBufferData()));
    fileClose(&file);
    ASSERT_TRUE(tuningBankMapExists(bank, 9));
    const TuningMap* read = bank->tunings[9].map;
    EXPECT_STREQ(read->name, "nine");
    EXPECT_EQ(read->keysPerOctave, 19u);
    EXPECT_EQ(read->octaveInterval, 13.5);
    EXPECT_EQ(std::memcmp(read->keys, map.keys, sizeof map.keys), 0);
    bankDestroy(bank);
    swapReset();
  }
  chunktest::tearDownChunkLayer();
}

}  // namespace

namespace {

TEST_F(TuningEngineTest, LibraryTuningAddsABankMapOnce) {
  engineSetBank(engine, bank);
  LibTuningMap read{};
  read.id = 0x205;
  read.keysPerOctave = 12;
  read.octaveInterval = 12.0;
  std::strcpy(read.name, "from file");
  for (int k = 0; k < 128; ++k) read.keys[k] = 2.0 + k;
  tuningLibraryStore(engine, &read);
  ASSERT_TRUE(tuningBankMapExists(bank, 0));
  EXPECT_STREQ(bank->tunings[0].map->name, "from file");
  EXPECT_EQ(engine->noteFreq[60], 62.0);
  EXPECT_EQ(engine->header.tuning, 0x200);
  LibTuningMap current{};
  ASSERT_TRUE(tuningLibraryFetch(engine, &current));
  EXPECT_STREQ(current.name, "from file");
  tuningLibraryStore(engine, &current);  // the bank holds it already
  EXPECT_FALSE(tuningBankMapExists(bank, 1));
}

}  // namespace
