// Global wave table, the id scheme, the computed waves and the wave chunks in both byte orders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "engine/engine.h"
#include "envelopeTestIo.h"
#include "preset/preset.h"
#include "preset/wave.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace wavechunktest {
using namespace chunktest;

namespace {

struct WaveTable : ::testing::Test {
  static void SetUpTestSuite() { presetWavesInit(); }
};

TEST_F(WaveTable, TriangleHasItsStepValues) {
  const WaveRecord* t = waveGlobal(1);
  EXPECT_STREQ(t->name, "Triangle");
  const struct {
    int k;
    float v;
  } cases[] = {{0, 1.0f / 256}, {255, 1.0f}, {256, 255.0f / 256}, {767, -1.0f}, {1023, 0.0f}};
  for (auto c : cases) EXPECT_NEAR(t->samples[c.k], c.v, 1e-6f) << "sample " << c.k;
}

TEST_F(WaveTable, AdditiveWavesPeakAt098) {
  for (int slot : {25, 26}) {
    const WaveRecord* w = waveGlobal(slot);
    float peak = -1.0f;
    for (float s : w->samples) peak = std::max(peak, s);
    EXPECT_NEAR(peak, 0.98f, 1e-5f) << w->name;
    // Not a copy of the triangle or of each other.
    EXPECT_NE(0, std::memcmp(w->samples, waveGlobal(1)->samples, sizeof w->samples));
  }
  EXPECT_STREQ(waveGlobal(25)->name, "Additive 1");
  EXPECT_STREQ(waveGlobal(26)->name, "Additive 2");
}

TEST_F(WaveTable, SineAndSpareSlots) {
  EXPECT_EQ(waveGlobal(0)->state, waveStateBuiltIn);
  EXPECT_NEAR(sineTable[256], 1.0f, 1e-6f);
  EXPECT_NEAR(sineTable[768], -1.0f, 1e-6f);
  const WaveRecord* spare = waveGlobal(41);
  EXPECT_STREQ(spare->name, "Sine");
  EXPECT_EQ(spare->state, waveStateFree);
  EXPECT_EQ(spare->id, 41);
  // Every sample written by the fill carries the denormal guard.
  EXPECT_EQ(waveGlobal(0)->samples[0], 1e-24f);
}

TEST_F(WaveTable, NamedWavesAreDistinctPeakNormalisedAndFinite) {
  for (int slot = 2; slot <= 40; ++slot) {
    const WaveRecord* w = waveGlobal(slot);
    EXPECT_EQ(w->state, waveStateBuiltIn) << slot;
    EXPECT_EQ(w->id, slot);
    EXPECT_NE(std::strcmp(w->name, "Sine"), 0) << slot;
    float peak = 0.0f;
    for (float s : w->samples) {
      ASSERT_TRUE(std::isfinite(s));
      peak = std::max(peak, std::fabs(s));
    }
    if (slot != 25 && slot != 26) {
      EXPECT_NEAR(peak, 1.0f, 1e-5f) << w->name;
    }
    for (int other = 2; other < slot; ++other)
      EXPECT_NE(0, std::memcmp(w->samples, waveGlobal(other)->samples, sizeof w->samples))
          << w->name << " equals " << waveGlobal(other)->name;
  }
  EXPECT_STREQ(waveGlobal(10)->name, "Square_fractal");
  EXPECT_STREQ(waveGlobal(40)->name, "Big chord");
  // The stored tables are the same on every run: table 33 is the big chord in slot 40.
  float table[waveLength];
  ASSERT_TRUE(waveFactoryTable(33, table));
  for (int k = 0; k < waveLength; ++k) EXPECT_EQ(table[k] + 1e-24f, waveGlobal(40)->samples[k]);
  EXPECT_FALSE(waveFactoryTable(37, table));
}

struct WaveEngine : WaveTable {
  std::unique_ptr<Engine> engine{new Engine()};
};

TEST_F(WaveEngine, IdSchemeResolvesGlobalAndLocal) {
  waveFill(&engine->presetWaves[3], 3, waveBankLocal, waveStateLocal, sineTable, "preset 4");
  const struct {
    std::int32_t id;
    const WaveRecord* want;
  } cases[] = {{0x0029, waveGlobal(41)},
               {0x0040, waveGlobal(0)},
               {0x7F08, waveGlobal(0)},
               {0x0100, waveGlobal(0)},
               {-1, waveGlobal(0)},
               {0x0007, waveGlobal(7)},
               {0x7F03, &engine->presetWaves[3]},
               {0x7F00, &engine->presetWaves[0]}};
  for (auto c : cases) EXPECT_EQ(waveGet(engine.get(), static_cast<std::int16_t>(c.id)), c.want) << std::hex << c.id;
  EXPECT_EQ(waveGet(nullptr, 0x7F03), waveGlobal(0));
  EXPECT_EQ(waveGetState(engine.get(), 0x7F03), waveStateLocal);
  EXPECT_EQ(engine->presetWaves[3].id, 0x7F03);
  char name[32];
  std::memset(name, 'x', sizeof name);
  waveGetName(engine.get(), 0x0002, name);
  EXPECT_STREQ(name, "Saw_real");
}

TEST_F(WaveEngine, LibraryWaveEqualToLocalWaveClaimsNothing) {
  waveFill(&engine->presetWaves[0], 0, waveBankLocal, waveStateLocal, waveGlobal(5)->samples, "preset 1");
  std::uint16_t id = 0;
  EXPECT_TRUE(waveFindOrClaimLocal(engine.get(), &id, engine->presetWaves[0].samples));
  EXPECT_EQ(id, 0x7F00);
  EXPECT_EQ(waveCountUsed(engine.get()), 1);
  // A different wave claims local wave 1, named "preset 2".
  EXPECT_FALSE(waveFindOrClaimLocal(engine.get(), &id, waveGlobal(6)->samples));
  EXPECT_EQ(id, 0x7F01);
  EXPECT_STREQ(engine->presetWaves[1].name, "preset 2");
  for (int i = 2; i < 8; ++i) engine->presetWaves[i].state = waveStateLocal;
  EXPECT_TRUE(waveFindOrClaimLocal(engine.get(), &id, waveGlobal(7)->samples));
  EXPECT_EQ(id, 0xFFFF);
}

TEST_F(WaveEngine, UndoAndRedoCopiesRestoreTheEditedWave) {
  waveFill(&engine->presetWaves[2], 2, waveBankLocal, waveStateLocal, waveGlobal(3)->samples, "preset 3");
  waveSaveUndoCopy(engine.get(), 2);
  waveCopySamplesIn(engine.get(), 2, waveGlobal(8)->samples);
  waveSaveRedoCopy(engine.get(), 2);
  waveRestoreUndoCopy(engine.get(), 2);
  EXPECT_EQ(waveEditedIndex(engine.get()), 2);
  for (int k = 0; k < waveLength; k += 97)
    EXPECT_NEAR(engine->presetWaves[2].samples[k], waveGlobal(3)->samples[k], 1e-6f);
  waveRestoreRedoCopy(engine.get(), 2);
  for (int k = 0; k < waveLength; k += 97)
    EXPECT_NEAR(engine->presetWaves[2].samples[k], waveGlobal(8)->samples[k], 1e-6f);
}

// ---- chunks

LayoutMap waveRecordMap() {
  LayoutMap m;
  m.i16();
  m.i16();
  m.i16();
  m.i16();      // id, state, waveAux1, waveAux2
  m.bytes(32);  // name
  m.i32();      // waveAux3
  for (int k = 0; k < waveLength; ++k) m.i32();
  return m;
}

void fillWave(WaveRecord* w, int i) {
  std::memset(w, 0, sizeof *w);
  for (int k = 0; k < waveLength; ++k) w->samples[k] = std::sin(0.01f * k * (i + 1)) * 0.9f;
  w->id = static_cast<std::uint16_t>(0x7F00 + i);
  w->state = waveStateLocal;
  w->waveAux1 = static_cast<std::uint16_t>(0x1234 + i);
  w->waveAux2 = 0xBEEF;
  w->waveAux3 = 0xCAFE0000u + i;
  std::snprintf(w->name, sizeof w->name, "wave number %d", i);
}

struct WaveChunkTest : ChunkFixture, ::testing::WithParamInterface<bool> {};

TEST_P(WaveChunkTest, OneWaveAndPresetWavesRoundTrip) {
  const bool big = GetParam();
  EXPECT_EQ(waveRecordMap().size, std::uint32_t(waveRecordBytes));
  WaveRecord single;
  fillWave(&single, 9);
  std::memset(single.name, 'N', sizeof single.name);  // 32 characters, no terminator
  Preset* src = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  ASSERT_TRUE(presetAllocWaves(src, 3));
  for (int i = 0; i < 3; ++i) fillWave(&src->waves[i], i);

  const std::string path = testTempPath(big ? "waves_be.glo" : "waves.glo");
  beginWrite(path);
  ASSERT_TRUE(waveChunkSingle(&file, &single, buffer, chunkWrite));
  ASSERT_TRUE(waveChunkPreset(&file, src, buffer, chunkWrite));
  endWrite();
  std::vector<std::uint8_t> raw = readAll(path);
  std::vector<RawChunk> chunks = parseLittle(raw);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[1].size, std::uint32_t(waveRecordBytes));
  EXPECT_EQ(chunks[2].size, 4u + 3u * waveRecordBytes);
  // Layout: id at 0, name at 16, waveAux3 at 48, samples from 52.
  EXPECT_EQ(le32(&chunks[1].data[48]), single.waveAux3);
  EXPECT_EQ(std::memcmp(&chunks[1].data[52], single.samples, 4), 0);

  std::string readPath = path;
  if (big) {
    readPath = path + ".be";
    writeAll(readPath, toBigEndianByMap(raw, [](const RawChunk& c) {
               LayoutMap m;
               if (c.id == chunkId("1Wav")) m = waveRecordMap();
               if (c.id == chunkId("Wave")) {
                 m.i16();
                 for (std::uint32_t r = 0; r < (c.size - 4) / waveRecordBytes; ++r)
                   for (auto f : waveRecordMap().fields)
                     m.fields.push_back({4 + r * waveRecordBytes + f.first, f.second});
               }
               return m;
             }));
  }
  WaveRecord got;
  std::memset(&got, 0, sizeof got);
  ChunkHeader h;
  openAt(readPath, 0, &h);
  EXPECT_EQ(swapEnabled(), big);
  ASSERT_TRUE(waveChunkSingle(&file, &got, chunkBufferData(), chunkRead));
  const WaveRecord& want = single;  // a name of 32 characters comes back whole
  EXPECT_EQ(0, std::memcmp(&got, &want, sizeof got));

  Preset* dst = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  openAt(readPath, 1, &h);
  ASSERT_TRUE(waveChunkPreset(&file, dst, chunkBufferData(), chunkRead));
  ASSERT_EQ(dst->waveCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(0, std::memcmp(&dst->waves[i], &src->waves[i], sizeof(WaveRecord))) << i;
  presetFree(src);
  presetFree(dst);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, WaveChunkTest, ::testing::Bool());

TEST_F(ChunkFixture, WaveChunkWithCount12ReadsTenRecords) {
  Preset* src = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  ASSERT_TRUE(presetAllocWaves(src, 12));
  for (int i = 0; i < 12; ++i) fillWave(&src->waves[i], i);
  const std::string path = testTempPath("wave12.glo");
  beginWrite(path);
  ASSERT_TRUE(waveChunkPreset(&file, src, buffer, chunkWrite));
  endWrite();
  Preset* dst = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  ChunkHeader h;
  openAt(path, 0, &h);
  EXPECT_EQ(h.size, 4u + 10u * waveRecordBytes);
  ASSERT_TRUE(waveChunkPreset(&file, dst, chunkBufferData(), chunkRead));
  ASSERT_EQ(dst->waveCount, 12);
  EXPECT_EQ(0, std::memcmp(&dst->waves[9], &src->waves[9], sizeof(WaveRecord)));
  EXPECT_EQ(dst->waves[10].state, waveStateFree);
  presetFree(src);
  presetFree(dst);
}

}  // namespace
}  // namespace wavechunktest
