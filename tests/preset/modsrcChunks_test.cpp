// Chunks of the modulation sources ("lfo "/"lfo2", "cc  "/"cc2 ", "vel ", "Ntmp"): written, read back
// field-identical from files of both byte orders, and hostile values limited when read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "chunkTestUtil.h"
#include "engine/controllerMap.h"
#include "engine/lfoRuntime.h"
#include "engine/noteCurveRuntime.h"
#include "engine/velocityRuntime.h"
#include "preset/chunk.h"
#include "preset/controllerChunk.h"
#include "preset/lfoChunk.h"
#include "preset/noteCurveChunk.h"
#include "preset/preset.h"
#include "preset/velocityChunk.h"
#include "support/tempDir.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace modsrcchunkstest {
using namespace chunktest;

namespace {

std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// Slot layouts of these chunks, written independently of the serialisers: b byte, h 16-bit, w 32-bit,
// d 64-bit, each in a 4-byte slot except d.
std::string modLayout(const std::string& id, std::uint32_t size) {
  // clang-format off
  const std::string lfoV1 = "bbb" + repeat("bbb", 3) + "bbbb" "bbbbb" "hhhhhh" + repeat("w", 12) + "h" "wwww";
  const std::string ccV1 = "wwhwwhww" "bbbb" "hww" "bbb" "hww" "hww";
  if (id == "lfo ") return lfoV1;
  if (id == "lfo2") return lfoV1 + "ww" "dd";
  if (id == "cc  ") return ccV1;
  if (id == "cc2 ") return ccV1 + "www" "hhh";
  // clang-format on
  if (id == "vel ") return repeat("wwww", 10);
  if (id == "Ntmp") return "h" + repeat("ww" + repeat("w", 128), static_cast<int>((size - 4) / 520));
  return "?";
}

std::uint32_t slotBytes(const std::string& layout) {
  std::uint32_t n = 0;
  for (char c : layout) n += c == 'd' ? 8 : 4;
  return n;
}

void reverse(std::uint8_t* p, int n) {
  for (int i = 0; i < n / 2; ++i) std::swap(p[i], p[n - 1 - i]);
}

// The big-endian twin of a little-endian file of a container and these chunks.
Bytes bigEndianTwin(const Bytes& le) {
  Bytes be = le;
  std::size_t pos = 0;
  while (pos + 12 <= be.size()) {
    std::uint32_t size;
    std::memcpy(&size, &le[pos + 4], 4);
    const std::string id{char(le[pos + 3]), char(le[pos + 2]), char(le[pos + 1]), char(le[pos])};
    for (int w = 0; w < 3; ++w) reverse(&be[pos + 4 * w], 4);
    if (size > 0) {
      const std::string layout = modLayout(id, size);
      EXPECT_EQ(slotBytes(layout), size) << id;
      std::size_t at = pos + 12;
      for (char c : layout) {
        if (c == 'h') reverse(&be[at], 2);
        if (c == 'w') reverse(&be[at], 4);
        if (c == 'd') reverse(&be[at], 8);
        at += c == 'd' ? 8 : 4;
      }
    }
    pos += 12 + size;
  }
  return be;
}

struct Case {
  std::string name;
  std::uint32_t size;
  // mode 0: write a filled record; 1: read into a fresh record; 2: write the record read.
  std::function<bool(FileSpec*, int)> run;
};

template <typename R>
Case makeCase(const std::string& id, std::uint32_t size, std::function<void(R*)> fresh, std::function<void(R*)> fill,
              std::function<bool(FileSpec*, R*, std::uint8_t*, int)> rw) {
  auto held = std::make_shared<R>();
  return Case{id, size, [=](FileSpec* f, int mode) {
                R* r = held.get();
                if (mode == 0) {
                  fresh(r);
                  fill(r);
                } else if (mode == 1) {
                  fresh(r);
                }
                return rw(f, r, chunkBufferData(), mode == 1 ? chunkRead : chunkWrite);
              }};
}

void fillLfo(Lfo* r) {
  r->on = 0;
  r->perVoice = 1;
  r->sampleHold = 1;
  r->pitchTarget[1] = 0;
  r->ampTarget[2] = 0;
  r->channelTarget[0] = 0;
  r->filterTarget[3] = 0;
  r->ampPolarity = 0;
  r->channelPolarity = 0;
  r->index = 2;
  r->depthController = -1;
  r->rateController = 21;
  r->holdRateController = 22;
  r->retrigger = 0;
  r->retriggerController = 80;
  r->depth = 0.75f;
  r->depthAmount = 0.5f;
  r->holdRateRange = 0.25f;
  r->holdRateFactor = 0.5f;
  r->rateFactor = 0.125f;
  r->rateRange = 0.375f;
  r->ampDepth = 0.625f;
  r->pitchDepth = -1.5f;
  r->fieldDepth = 0.875f;
  r->filterRange = 0.0625f;
  r->channelDepth = 0.3125f;
  r->percentSetting = 0.4375f;
  r->waveId = 0x7F03;
  r->periodSeconds = 2.5f;
  r->startPhase = 768.0f;
  r->holdSeconds = 0.0625f;
  r->displayValue = 0.5625f;
  r->periodSync = 1;
  r->holdSync = 1;
  r->periodBeats = 3.0;
  r->holdBeats = 0.125;
}

void fillCc(ControllerSettings* c) {
  c->bendRange = 12.0f;
  c->bendSmoothing = 0.5f;
  c->positionLrSource = -1;
  c->positionWidth = 0.25f;
  c->positionSmoothing = 0.125f;
  c->volumeSource = 128;
  c->volumeSpare = 0.75f;
  c->volumeSmoothing = 0.0625f;
  c->filterSwitches[2] = 0;
  c->filterSource = 74;
  c->filterDepth = 0.375f;
  c->filterSmoothing = 0.03125f;
  c->oscSwitches[0] = 0;
  c->oscLevelSource = 2;
  c->oscLevelSmoothing = 0.25f;
  c->oscLevelDepth = 0.625f;
  c->effectSource = 91;
  c->effectSmoothing = 0.75f;
  c->effectDepth = 0.875f;
  c->timeCoefficients[0] = 0.5f;
  c->timeCoefficients[1] = 0.25f;
  c->timeCoefficients[2] = 0.125f;
  c->glideMode = 1;
  c->spareA = 7;
  c->spareB = -3;
}

void fillVel(VelocitySettings* v) {
  for (int i = 0; i < 10; ++i) {
    v->entries[i].base = 0.05f * float(i);
    v->entries[i].direction = static_cast<std::uint32_t>(i % 2);
  }
}

std::vector<Case> allCases() {
  auto lfoFresh = [](Lfo* r) { lfoDefaults(r, 2); };
  auto ccFresh = [](ControllerSettings* c) { ccMapDefaults(c); };
  return {
      makeCase<Lfo>(
          "lfo ", 176, lfoFresh,
          [](Lfo* r) {
            fillLfo(r);
            r->periodSync = r->holdSync = 0;
            r->periodBeats = 0.5;
            r->holdBeats = 0.25;
          },
          lfoReadWriteChunkV1),
      makeCase<Lfo>("lfo2", 200, lfoFresh, fillLfo, lfoReadWriteChunk),
      makeCase<ControllerSettings>("cc  ", 96, ccFresh, fillCc,
                                   [](FileSpec* f, ControllerSettings* c, std::uint8_t* b, int d) {
                                     return ccMapReadWriteChunkV1(f, c, b, static_cast<std::uint8_t>(d));
                                   }),
      makeCase<ControllerSettings>("cc2 ", 120, ccFresh, fillCc,
                                   [](FileSpec* f, ControllerSettings* c, std::uint8_t* b, int d) {
                                     return ccMapReadWriteChunk(f, c, b, static_cast<std::uint8_t>(d));
                                   }),
      makeCase<VelocitySettings>(
          "vel ", 160, [](VelocitySettings* v) { velocityDefaults(v); }, fillVel,
          [](FileSpec* f, VelocitySettings* v, std::uint8_t* b, int d) {
            return velocityReadWriteChunk(f, v, b, static_cast<std::uint8_t>(d));
          }),
  };
}

struct ModChunks : ::testing::TestWithParam<std::size_t> {
  void SetUp() override { setUpChunkLayer(); }
  void TearDown() override { tearDownChunkLayer(); }
};

void roundTrip(const std::string& name, std::uint32_t size, const std::function<bool(FileSpec*, int)>& run) {
  const std::string base = testTempPath("mod-" + std::string(name == "cc  "   ? "cc1"
                                                             : name == "lfo " ? "lfo1"
                                                             : name == "vel " ? "vel"
                                                                              : name));
  std::memset(chunkBufferData(), 0xA5, chunkCapacity);
  Bytes le = writeChunks(base + "-le.bin", [&](FileSpec* f) { ASSERT_TRUE(run(f, 0)); });
  ASSERT_EQ(le.size(), 24u + size);
  std::uint32_t words[3];
  std::memcpy(words, &le[12], 12);
  EXPECT_EQ(words[0], chunkId(name.c_str()));
  EXPECT_EQ(words[1], size);
  EXPECT_EQ(words[2], 10u);
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    const Bytes image = big ? bigEndianTwin(le) : le;
    if (big) {
      ASSERT_NE(image, le);
    }
    writeFile(base + "-in.bin", image);
    FileSpec f;
    ASSERT_TRUE(openAndReadFirst(&f, base + "-in.bin"));
    EXPECT_EQ(swapEnabled(), big);
    ChunkHeader h;
    ASSERT_TRUE(fileReadNextChunk(&f, &h));
    EXPECT_EQ(h.size, size);
    EXPECT_TRUE(run(&f, 1));
    fileClose(&f);
    swapReset();
    Bytes back = writeChunks(base + "-back.bin", [&](FileSpec* out) { ASSERT_TRUE(run(out, 2)); });
    EXPECT_EQ(back, le);
  }
}

TEST_P(ModChunks, WrittenAndReadBackInBothByteOrders) {
  const Case c = allCases()[GetParam()];
  roundTrip(c.name, c.size, c.run);
}

INSTANTIATE_TEST_SUITE_P(Records, ModChunks, ::testing::Range<std::size_t>(0, 5));

struct ModChunkFixture : ::testing::Test {
  void SetUp() override { setUpChunkLayer(); }
  void TearDown() override { tearDownChunkLayer(); }
  // Writes with `write`, then reads the chunk back with `read`; returns read's result.
  bool writeThenRead(const std::string& name, const std::function<bool(FileSpec*)>& write,
                     const std::function<bool(FileSpec*)>& read) {
    const std::string path = testTempPath(name + ".bin");
    writeChunks(path, [&](FileSpec* f) { ASSERT_TRUE(write(f)); });
    FileSpec f;
    EXPECT_TRUE(openAndReadFirst(&f, path));
    ChunkHeader h;
    EXPECT_TRUE(fileReadNextChunk(&f, &h));
    const bool ok = read(&f);
    fileClose(&f);
    return ok;
  }
};

TEST_F(ModChunkFixture, NoteCurvesRoundTripInBothByteOrders) {
  Preset* p = presetAlloc(0);
  ASSERT_NE(p, nullptr);
  std::free(p->curves);
  ASSERT_TRUE(presetAllocCurves(p, 2));
  noteCurveInit(&p->curves[0], 1, 2);
  noteCurveInit(&p->curves[1], 3, 3);
  for (int n = 0; n < 128; ++n) p->curves[1].values[n] = n / 127.0f;
  Preset* q = presetAlloc(0);
  ASSERT_NE(q, nullptr);
  roundTrip("Ntmp", 4 + 2 * 520, [&](FileSpec* f, int mode) {
    return noteCurvesReadWriteChunk(f, mode == 0 ? p : q, chunkBufferData(), mode == 1 ? 1 : 0);
  });
  ASSERT_EQ(q->curveCount, 2);
  EXPECT_EQ(q->curves[1].family, 3u);
  EXPECT_FLOAT_EQ(q->curves[1].values[127], 1.0f);
  presetFree(p);
  presetFree(q);
}

TEST_F(ModChunkFixture, NoteCurvesHostileCountAndValues) {
  Preset* p = presetAlloc(0);
  Preset* q = presetAlloc(0);
  ASSERT_TRUE(p && q);
  std::free(p->curves);
  ASSERT_TRUE(presetAllocCurves(p, 12));  // more than ten: only ten are stored
  for (int j = 0; j < 12; ++j) noteCurveInit(&p->curves[j], 1, 0);
  p->curves[0].values[3] = 1.5f;
  p->curves[0].values[4] = -0.2f;
  p->curves[0].values[5] = NAN;
  EXPECT_TRUE(writeThenRead(
      "ntmp-hostile", [&](FileSpec* f) { return noteCurvesReadWriteChunk(f, p, chunkBufferData(), 0); },
      [&](FileSpec* f) { return noteCurvesReadWriteChunk(f, q, chunkBufferData(), 1); }));
  EXPECT_EQ(q->curveCount, 10);
  EXPECT_FLOAT_EQ(q->curves[0].values[3], 1.0f);
  EXPECT_FLOAT_EQ(q->curves[0].values[4], 0.0f);
  EXPECT_FLOAT_EQ(q->curves[0].values[5], 1.0f);

  // A claimed count far above the data allocates no more than ten records.
  p->curveCount = 30000;
  EXPECT_TRUE(writeThenRead(
      "ntmp-claim", [&](FileSpec* f) { return noteCurvesReadWriteChunk(f, p, chunkBufferData(), 0); },
      [&](FileSpec* f) { return noteCurvesReadWriteChunk(f, q, chunkBufferData(), 1); }));
  EXPECT_EQ(q->curveCount, 10);
  p->curveCount = 12;

  // Nothing to write: no chunk, success.
  Preset* empty = presetAlloc(0);
  ASSERT_NE(empty, nullptr);
  std::free(empty->curves);
  empty->curves = nullptr;
  empty->curveCount = 0;
  const Bytes none = writeChunks(testTempPath("ntmp-none.bin"), [&](FileSpec* f) {
    EXPECT_TRUE(noteCurvesReadWriteChunk(f, empty, chunkBufferData(), 0));
  });
  EXPECT_EQ(none.size(), 12u);
  presetFree(empty);
  presetFree(p);
  presetFree(q);
}

// A file's values are held within the ranges the setters keep (lfoFields): a zero period or beat
// count is raised to the shortest, a start phase or filter range the setters accept is kept.
TEST_F(ModChunkFixture, LfoZeroPeriodAndHoldFromAFileAreLimited) {
  Lfo w, r;
  lfoDefaults(&w, 1);
  w.periodSeconds = 0.0f;
  w.holdSeconds = NAN;
  w.startPhase = 5000.0f;
  w.periodBeats = 0.0;
  w.filterRange = 2.0f;
  w.on = 7;
  lfoDefaults(&r, 1);
  ASSERT_TRUE(writeThenRead(
      "lfo-hostile", [&](FileSpec* f) { return lfoReadWriteChunk(f, &w, chunkBufferData(), chunkWrite); },
      [&](FileSpec* f) { return lfoReadWriteChunk(f, &r, chunkBufferData(), chunkRead); }));
  EXPECT_FLOAT_EQ(r.periodSeconds, static_cast<float>(lfoMinSeconds));
  EXPECT_FLOAT_EQ(r.holdSeconds, 0.125f);
  EXPECT_FLOAT_EQ(r.startPhase, 5000.0f);
  EXPECT_EQ(r.periodBeats, 1.0e-3);
  EXPECT_FLOAT_EQ(r.filterRange, 2.0f);
  EXPECT_EQ(r.on, 1);
}

TEST_F(ModChunkFixture, OldLfoChunkKeepsSyncDefaults) {
  Lfo w, r;
  lfoDefaults(&w, 0);
  fillLfo(&w);
  lfoDefaults(&r, 0);
  r.periodSync = 1;
  r.periodBeats = 7.0;
  ASSERT_TRUE(writeThenRead(
      "lfo-old", [&](FileSpec* f) { return lfoReadWriteChunkV1(f, &w, chunkBufferData(), chunkWrite); },
      [&](FileSpec* f) { return lfoReadWriteChunkV1(f, &r, chunkBufferData(), chunkRead); }));
  EXPECT_EQ(r.periodSync, 0u);
  EXPECT_EQ(r.holdSync, 0u);
  EXPECT_DOUBLE_EQ(r.periodBeats, 0.5);
  EXPECT_DOUBLE_EQ(r.holdBeats, 0.25);
  EXPECT_FLOAT_EQ(r.periodSeconds, 2.5f);
}

TEST_F(ModChunkFixture, OldControllerChunkLeavesGlideAlone) {
  ControllerSettings w, r;
  ccMapDefaults(&w);
  fillCc(&w);
  w.bendSmoothing = 5.0f;  // hostile: limited to 1
  ccMapDefaults(&r);
  r.glideMode = 0;
  r.timeCoefficients[0] = 0.2f;
  r.positionFbSource = 40;
  ASSERT_TRUE(writeThenRead(
      "cc-old", [&](FileSpec* f) { return ccMapReadWriteChunkV1(f, &w, chunkBufferData(), 0); },
      [&](FileSpec* f) { return ccMapReadWriteChunkV1(f, &r, chunkBufferData(), 1); }));
  EXPECT_EQ(r.glideMode, 0);
  EXPECT_FLOAT_EQ(r.timeCoefficients[0], 0.2f);
  EXPECT_EQ(r.positionFbSource, 40);  // never stored
  EXPECT_FLOAT_EQ(r.bendRange, 12.0f);
  EXPECT_FLOAT_EQ(r.bendSmoothing, 1.0f);
}

}  // namespace
}  // namespace modsrcchunkstest
