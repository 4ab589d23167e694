// Envelope chunks written and read back in both byte orders, field by field.
#include <gtest/gtest.h>

#include <cstring>

#include "envelopeTestIo.h"
#include "preset/envelopeChunk.h"
#include "preset/preset.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace envelopechunktest {
using namespace chunktest;

namespace {

// The stored layouts, built from the field order of the file format.
// clang-format off
LayoutMap envelopeMap(int layout) {
  LayoutMap m;
  m.i16();                                      // tag
  for (int i = 0; i < 4; ++i) m.i8();           // inUse, allocated, tempoSync, global
  for (int i = 0; i < 7; ++i) m.i16();          // mode .. loopStart
  for (int i = 0; i < 4; ++i) m.i32();          // auxValue1..4
  if (layout != envLayoutC) m.f64();            // dummy
  m.i32();                                      // startLevel
  if (layout != envLayoutA) {
    for (int i = 0; i < 15; ++i) m.i32();       // id .. slopePercent
    if (layout == envLayoutC) m.i32();          // partnerId
  }
  return m;
}

void addBreakpoints(LayoutMap& m, int layout) {
  for (int b = 0; b < 68; ++b) {
    m.f64(); m.i32(); m.i32();                  // time, level, slope
    if (layout == envLayoutA) continue;
    for (int i = 0; i < 5; ++i) m.i32();        // step, ampScale, timeScale, ampCc, timeCc
    m.f64(); m.f64(); m.i32();                  // lfoSeconds, shSeconds, lfoDepth
  }
}
// clang-format on

LayoutMap presetChunkMap(int layout, int envelopes) {
  LayoutMap m;
  m.i16();  // count
  for (int e = 0; e < envelopes; ++e) {
    LayoutMap one = envelopeMap(layout);
    addBreakpoints(one, layout);
    for (auto f : one.fields) m.fields.push_back({m.size + f.first, f.second});
    m.size += one.size;
  }
  return m;
}

// A slot with every stored field set to a value that stays within the ranges a reader keeps.
void fillSlot(EnvelopeSlot* s, int i) {
  envInitSlot(s, static_cast<std::int16_t>(i), envDestNone);
  s->inUse = 1;
  s->allocated = 1;
  s->tempoSync = static_cast<std::uint8_t>(i & 1);
  s->global = 1;
  s->mode = static_cast<std::uint16_t>(1 + i % 5);
  s->destination = static_cast<EnvDestKind>(1 + i % 37);
  s->owner = static_cast<std::int16_t>(i % 3);
  s->lastIndex = static_cast<std::int16_t>(10 + i);
  s->sustainIndex = static_cast<std::int16_t>(5 + i % 4);
  s->releaseIndex = static_cast<std::int16_t>(6);
  s->loopStart = static_cast<std::int16_t>(2);
  s->auxValue1 = 0.25f * i;
  s->auxValue2 = 0xA0B0C000u + i;
  s->auxValue3 = -1.5f;
  s->auxValue4 = 3.0f;
  s->startLevel = 0.125f;
  s->id = 100 + i;
  s->bypass = 1;
  s->auxLevel = 0.7f;
  s->controlSource = -1 + i % 3;
  s->ccScaleOn = 1;
  s->lfoOn = 1;
  s->lfoWave = 0x7F00 + i % 8;
  s->lfoPhase = 0.375f;
  s->sampleHoldOn = 1;
  s->linked = 1;
  s->linkMaster = 3 + i;
  s->ampPercent = -2.5f;
  s->ampOffset = 0.5f;
  s->timePercent = 4.0f;
  s->slopePercent = 0.05f;
  s->partnerId = 200 + i;
  for (int b = 0; b < 68; ++b) {
    Breakpoint* p = &s->breakpoints[b];
    p->time = 1000.0 * b + i + 0.5;
    p->level = static_cast<float>(b % 9) / 8.0f;
    p->slope = 0.1f * (b % 7);
    p->step = b & 1;
    p->ampScale = -0.5f;
    p->timeScale = 0.75f;
    p->ampCc = 129;
    p->timeCc = -1;
    p->lfoSeconds = 0.5 + b;
    p->shSeconds = 0.002 * (b + 1);
    p->lfoDepth = 0.9f;
  }
}

// What a reader gives for a stored slot: the stored fields of the layout, envInitSlot for the rest.
EnvelopeSlot expectedAfterRead(const EnvelopeSlot& src, int index, int layout) {
  EnvelopeSlot e;
  envInitSlot(&e, static_cast<std::int16_t>(index), envDestNone);
  e.tag = src.tag;
  e.inUse = src.inUse;
  e.allocated = src.allocated;
  e.tempoSync = src.tempoSync;
  e.global = src.global;
  e.mode = src.mode;
  e.destination = src.destination;
  e.owner = src.owner;
  e.sustainIndex = src.sustainIndex;
  e.releaseIndex = src.releaseIndex;
  e.lastIndex = src.lastIndex;
  e.loopStart = src.loopStart;
  e.auxValue1 = src.auxValue1;
  e.auxValue2 = src.auxValue2;
  e.auxValue3 = src.auxValue3;
  e.auxValue4 = src.auxValue4;
  e.startLevel = src.startLevel;
  for (int b = 0; b < 68; ++b) {
    e.breakpoints[b].time = src.breakpoints[b].time;
    e.breakpoints[b].level = src.breakpoints[b].level;
    e.breakpoints[b].slope = src.breakpoints[b].slope;
  }
  if (layout == envLayoutA) {
    e.id = index;
    e.tempoSync = (e.mode == 3 || e.mode == 4) ? 1 : 0;
    return e;
  }
  e.id = src.id;
  e.bypass = src.bypass;
  e.auxLevel = src.auxLevel;
  e.controlSource = src.controlSource;
  e.ccScaleOn = src.ccScaleOn;
  e.lfoOn = src.lfoOn;
  e.lfoWave = src.lfoWave;
  e.lfoPhase = src.lfoPhase;
  e.sampleHoldOn = src.sampleHoldOn;
  e.linked = src.linked;
  e.linkMaster = src.linkMaster;
  e.ampPercent = src.ampPercent;
  e.ampOffset = src.ampOffset;
  e.timePercent = src.timePercent;
  e.slopePercent = src.slopePercent;
  if (layout == envLayoutC) e.partnerId = src.partnerId;
  for (int b = 0; b < 68; ++b) {
    Breakpoint& d = e.breakpoints[b];
    const Breakpoint& s = src.breakpoints[b];
    d.step = s.step;
    d.ampScale = s.ampScale;
    d.timeScale = s.timeScale;
    d.ampCc = s.ampCc;
    d.timeCc = s.timeCc;
    d.lfoSeconds = s.lfoSeconds;
    d.shSeconds = s.shSeconds;
    d.lfoDepth = s.lfoDepth;
  }
  return e;
}

void expectSlotEq(const EnvelopeSlot& got, const EnvelopeSlot& want, int index) {
  EXPECT_EQ(0, std::memcmp(&got, &want, sizeof got)) << "envelope " << index << " differs";
  EXPECT_EQ(got.id, want.id);
  EXPECT_EQ(got.partnerId, want.partnerId);
  EXPECT_EQ(got.breakpoints[67].lfoDepth, want.breakpoints[67].lfoDepth);
}

Preset* makePreset(int envelopes) {
  Preset* p = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  if (envelopes > 0) {
    EXPECT_TRUE(presetAllocEnvelopes(p, envelopes));
    for (int i = 0; i < envelopes; ++i) fillSlot(&p->envelopes[i], i);
  }
  return p;
}

struct Kind {
  const char* id;
  int layout;
  bool (*serialiser)(FileSpec*, Preset*, std::uint8_t*, int);
  int bytes;
};
const Kind kKinds[] = {
    {"env ", envLayoutA, envChunkV1, 1164},
    {"env2", envLayoutB, envChunkV2, 3944},
    {"env3", envLayoutC, envChunkV3, 3940},
};

struct EnvelopeChunkTest : ChunkFixture, ::testing::WithParamInterface<std::tuple<int, int, bool>> {};

TEST_P(EnvelopeChunkTest, WrittenAndReadBackFieldIdentical) {
  const Kind& kind = kKinds[std::get<0>(GetParam())];
  const int count = std::get<1>(GetParam());
  const bool big = std::get<2>(GetParam());
  EXPECT_EQ(presetChunkMap(kind.layout, 1).size, 4u + std::uint32_t(kind.bytes));

  Preset* src = makePreset(count);
  const std::string path = testTempPath(std::string("env_") + kind.id[3] + std::to_string(count) + ".glo");
  beginWrite(path);
  ASSERT_TRUE(kind.serialiser(&file, src, buffer, chunkWrite));
  endWrite();

  // Every chunk holds whole envelopes: 4 + n x the layout's size.
  std::vector<std::uint8_t> raw = readAll(path);
  std::vector<RawChunk> chunks = parseLittle(raw);
  ASSERT_GE(chunks.size(), 2u);
  int stored = 0;
  for (std::size_t c = 1; c < chunks.size(); ++c) {
    EXPECT_EQ(chunks[c].id, chunkId(kind.id));
    EXPECT_EQ(chunks[c].version, kind.layout == envLayoutC ? 1u : 10u);
    ASSERT_EQ((chunks[c].size - 4) % std::uint32_t(kind.bytes), 0u);
    stored += int((chunks[c].size - 4) / std::uint32_t(kind.bytes));
    EXPECT_LE(chunks[c].size, 65535u);
  }
  EXPECT_EQ(stored, count);
  // Each chunk's count word tells what it holds: the first counts its own envelopes, so a reader
  // that knows no continuation sees whole envelopes only; a continuation names its first index.
  int first = 0;
  for (std::size_t c = 1; c < chunks.size(); ++c) {
    const std::int16_t word = static_cast<std::int16_t>(chunks[c].data[0] | (chunks[c].data[1] << 8));
    EXPECT_EQ(word, c == 1 ? int((chunks[c].size - 4) / std::uint32_t(kind.bytes)) : -first);
    first += int((chunks[c].size - 4) / std::uint32_t(kind.bytes));
  }

  std::string readPath = path;
  if (big) {
    readPath = path + ".be";
    writeAll(readPath, toBigEndianByMap(raw, [&](const RawChunk& c) {
               return c.size < 4 ? LayoutMap()
                                 : presetChunkMap(kind.layout, int((c.size - 4) / std::uint32_t(kind.bytes)));
             }));
  }
  Preset* dst = makePreset(0);
  for (std::size_t c = 1; c < chunks.size(); ++c) {
    ChunkHeader h;
    openAt(readPath, int(c) - 1, &h);
    EXPECT_EQ(swapEnabled(), big);
    ASSERT_EQ(h.id, chunkId(kind.id));
    ASSERT_TRUE(kind.serialiser(&file, dst, chunkBufferData(), chunkRead));
  }
  ASSERT_EQ(dst->envelopeCount, count);
  for (int i = 0; i < count; ++i)
    expectSlotEq(dst->envelopes[i], expectedAfterRead(src->envelopes[i], i, kind.layout), i);
  presetFree(src);
  presetFree(dst);
}

// Banks written before the first chunk counted only its own envelopes (count 20, 16 held, then a
// continuation of 4) read as they did; a reader that takes only the first chunk of a new file gets
// 16 whole envelopes and nothing from beyond the chunk.
TEST_F(ChunkFixture, FirstChunkCountOfOlderAndNewerFiles) {
  Preset* src = makePreset(20);
  const std::string path = testTempPath("env_count.glo");
  beginWrite(path);
  ASSERT_TRUE(envChunkV3(&file, src, buffer, chunkWrite));
  endWrite();

  Preset* firstOnly = makePreset(0);
  ChunkHeader h;
  openAt(path, 0, &h);
  ASSERT_TRUE(envChunkV3(&file, firstOnly, chunkBufferData(), chunkRead));
  ASSERT_EQ(firstOnly->envelopeCount, envPerChunk);
  for (int i = 0; i < envPerChunk; ++i)
    expectSlotEq(firstOnly->envelopes[i], expectedAfterRead(src->envelopes[i], i, envLayoutC), i);

  // The older form: the first chunk's count word says 20.
  std::vector<std::uint8_t> raw = readAll(path);
  std::vector<RawChunk> chunks = parseLittle(raw);
  ASSERT_EQ(chunks.size(), 3u);
  const std::size_t countAt = 12 + chunks[0].size + 12;
  ASSERT_EQ(raw[countAt], envPerChunk);
  raw[countAt] = 20;
  const std::string oldPath = testTempPath("env_count_old.glo");
  writeAll(oldPath, raw);
  for (const std::string& p : {path, oldPath}) {
    Preset* dst = makePreset(0);
    for (int c = 0; c < 2; ++c) {
      openAt(p, c, &h);
      ASSERT_TRUE(envChunkV3(&file, dst, chunkBufferData(), chunkRead)) << p;
    }
    ASSERT_EQ(dst->envelopeCount, 20) << p;
    for (int i = 0; i < 20; ++i)
      expectSlotEq(dst->envelopes[i], expectedAfterRead(src->envelopes[i], i, envLayoutC), i);
    presetFree(dst);
  }
  presetFree(firstOnly);
  presetFree(src);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EnvelopeChunkTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(3, 20, 28),
                                            ::testing::Bool()));

// The layout offsets of the file format, read straight out of a written chunk.
TEST_F(ChunkFixture, LayoutOffsetsOfEnv2AndEnv3) {
  for (int layout : {envLayoutB, envLayoutC}) {
    Preset* p = makePreset(1);
    const std::string path = testTempPath("offsets.glo");
    beginWrite(path);
    ASSERT_TRUE((layout == envLayoutB ? envChunkV2 : envChunkV3)(&file, p, buffer, chunkWrite));
    endWrite();
    std::vector<RawChunk> chunks = parseLittle(readAll(path));
    ASSERT_EQ(chunks.size(), 2u);
    const std::uint8_t* d = chunks[1].data.data() + 4;  // after the count slot
    const int shift = layout == envLayoutB ? 0 : -8;    // no dummy double in env3
    EXPECT_EQ(le32(d + 76 + shift), std::uint32_t(p->envelopes[0].id));
    float slope;
    std::memcpy(&slope, d + 132 + shift, 4);
    EXPECT_EQ(slope, p->envelopes[0].slopePercent);
    const int header = layout == envLayoutB ? 136 : 132;
    if (layout == envLayoutC) {
      EXPECT_EQ(le32(d + 128), std::uint32_t(p->envelopes[0].partnerId));
    }
    float depth;
    std::memcpy(&depth, d + header + 56 * 67 + 52, 4);
    EXPECT_EQ(depth, p->envelopes[0].breakpoints[67].lfoDepth);
    presetFree(p);
  }
}

// Values from a file are brought into the ranges the engine trusts.
TEST_F(ChunkFixture, HostileIndexesAndValuesAreClamped) {
  Preset* p = makePreset(1);
  EnvelopeSlot& s = p->envelopes[0];
  s.lastIndex = 500;
  s.sustainIndex = 300;
  s.releaseIndex = -7;
  s.loopStart = 1000;
  s.mode = 9;
  s.breakpoints[3].time = -5.0;
  s.breakpoints[4].level = 7.0f;
  s.lfoPhase = 3.25f;
  std::uint32_t nanBits = 0x7FC00000u;
  std::memcpy(&s.ampPercent, &nanBits, 4);
  const std::string path = testTempPath("hostile.glo");
  beginWrite(path);
  ASSERT_TRUE(envChunkV3(&file, p, buffer, chunkWrite));
  endWrite();
  Preset* q = makePreset(0);
  ChunkHeader h;
  openAt(path, 0, &h);
  ASSERT_TRUE(envChunkV3(&file, q, chunkBufferData(), chunkRead));
  const EnvelopeSlot& r = q->envelopes[0];
  EXPECT_EQ(r.lastIndex, 67);
  EXPECT_LE(r.sustainIndex, r.lastIndex);
  EXPECT_GE(r.releaseIndex, 0);
  EXPECT_LE(r.loopStart, r.lastIndex);
  EXPECT_EQ(r.mode, 2);
  EXPECT_GE(r.breakpoints[3].time, 0.0);
  EXPECT_LE(r.breakpoints[4].level, 1.0f);
  EXPECT_FLOAT_EQ(r.lfoPhase, 0.25f);
  EXPECT_EQ(r.ampPercent, 1.0f);
  presetFree(p);
  presetFree(q);
}

TEST_F(ChunkFixture, CountAbove28GivesTwentyEight) {
  // A hand-made "env2" with count 30 but no envelope data: 28 slots, all at their defaults.
  const std::string path = testTempPath("count30.glo");
  beginWrite(path);
  std::memset(buffer, 0, 4);
  const std::int16_t count = 30;
  std::memcpy(buffer, &count, 2);
  ASSERT_TRUE(chunkWriteRecord(&file, chunkId("env2"), 10, buffer, 4));
  endWrite();
  Preset* q = makePreset(0);
  ChunkHeader h;
  openAt(path, 0, &h);
  ASSERT_TRUE(envChunkV2(&file, q, chunkBufferData(), chunkRead));
  EXPECT_EQ(q->envelopeCount, 28);
  EXPECT_EQ(q->envelopes[27].id, 27);
  EXPECT_EQ(q->envelopes[27].breakpoints[0].time, 441.0);
  presetFree(q);
}

TEST_F(ChunkFixture, SingleEnvelopeAndTempoBothOrders) {
  EnvelopeSlot src;
  fillSlot(&src, 5);
  double tempo = 97.5, second = 3.0;
  const std::string path = testTempPath("lib.gly");
  beginWrite(path);
  ASSERT_TRUE(envChunkSingle(&file, &src, buffer, chunkWrite));
  ASSERT_TRUE(tempoChunk(&file, &tempo, &second, buffer, chunkWrite));
  endWrite();
  std::vector<std::uint8_t> raw = readAll(path);
  std::vector<RawChunk> chunks = parseLittle(raw);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[1].size, 3944u);
  EXPECT_EQ(chunks[2].size, 16u);
  writeAll(path + ".be", toBigEndianByMap(raw, [](const RawChunk& c) {
             LayoutMap m;
             if (c.id == chunkId("1env")) {
               m = envelopeMap(envLayoutB);
               addBreakpoints(m, envLayoutB);
             }
             if (c.id == chunkId("tmpo")) {
               m.f64();
               m.f64();
             }
             return m;
           }));
  for (const std::string& p : {path, path + ".be"}) {
    EnvelopeSlot got;
    envInitSlot(&got, 5, envDestNone);
    ChunkHeader h;
    openAt(p, 0, &h);
    ASSERT_TRUE(envChunkSingle(&file, &got, chunkBufferData(), chunkRead));
    expectSlotEq(got, expectedAfterRead(src, 5, envLayoutB), 5);
    double t = 120.0, s = 4.0;
    openAt(p, 1, &h);
    ASSERT_TRUE(tempoChunk(&file, &t, &s, chunkBufferData(), chunkRead));
    EXPECT_EQ(t, 97.5);
    EXPECT_EQ(s, 3.0);
  }
}

}  // namespace
}  // namespace envelopechunktest
