// The slider list: its edits, the merge copy, the order table, its three chunks in both byte orders,
// and the refresh from the patch before a store.
#include <gtest/gtest.h>

#include <cstring>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "preset/sliderList.h"
#include "support/tempDir.h"

namespace {

TEST(SliderList, CopyMergesIntoTheDefaults) {
  SliderList empty;
  std::memset(&empty, 0, sizeof empty);
  SliderList out;
  sliderListCopy(&empty, &out);
  ASSERT_NE(sliderListFind(&out, 7), nullptr);
  EXPECT_EQ(sliderListFind(&out, 7)->value, 127);
  EXPECT_EQ(sliderListFind(&out, 10)->partner, 11);

  SliderList source;
  sliderListDefaults(&source);
  sliderListSet(&source, 7, 30, "quiet");
  sliderListSet(&source, -1, 5, "pressure");
  sliderListSet(&source, 74, 1, "bright");
  sliderListCopy(&source, &out);
  EXPECT_EQ(sliderListFind(&out, 7)->value, 30);
  sliderListBuildOrderOf(&out);
  const std::int16_t order[12] = {7, 10, 11, 74, -1, -10, -10, -10, -10, -10, -10, -10};
  EXPECT_EQ(std::memcmp(out.order, order, sizeof order), 0);
}

TEST(SliderList, PartnersFollow) {
  SliderList list;
  sliderListDefaults(&list);
  sliderListSet(&list, 20, 0, "x");
  sliderListSetPartner(&list, 10, 20);  // 10's old partner 11 now points back at 10
  EXPECT_EQ(sliderListFind(&list, 10)->partner, 20);
  EXPECT_EQ(sliderListFind(&list, 11)->partner, 10);
  sliderListSetPartner(&list, 10, -10);  // none: the old partner is freed
  EXPECT_EQ(sliderListFind(&list, 20)->partner, -10);
  EXPECT_EQ(sliderListNextAbove(&list, 10)->controller, 11);
  EXPECT_EQ(sliderListNextAbove(&list, 20), nullptr);
}

struct SliderChunkTest : ::testing::Test {
  void SetUp() override { chunktest::setUpChunkLayer(); }
  void TearDown() override { chunktest::tearDownChunkLayer(); }
  // Writes with `write`, reads back (big-endian when asked) into `into`.
  template <typename Fn>
  void roundTrip(Fn serialiser, SliderList* list, SliderList* into, bool big, int entries) {
    const std::string path = testTempPath("sliders.glo");
    std::uint8_t buffer[chunkCapacity];
    auto bytes = chunktest::writeChunks(path, [&](FileSpec* f) { serialiser(f, list, buffer, chunkWrite); });
    if (big) {
      auto rev = [&](std::size_t at, int n) { std::reverse(bytes.begin() + long(at), bytes.begin() + long(at) + n); };
      for (int w = 0; w < 6; ++w) rev(4 * w, 4);
      std::size_t d = 24;
      rev(d, 4);
      d += 4;
      if (entries < 0) {  // "stD3": the second count
        rev(d, 4);
        d += 4;
        entries = -entries;
      }
      const int slot = bytes.size() - d >= std::size_t(entries) * 32 ? 32 : 24;
      for (int i = 0; i < entries; ++i, d += slot) {
        rev(d, 4);
        rev(d + 4, 4);
        if (slot == 32) rev(d + 28, 4);
      }
      chunktest::writeFile(path, bytes);
    }
    FileSpec file;
    ASSERT_TRUE(chunktest::openAndReadFirst(&file, path));
    ChunkHeader h;
    ASSERT_TRUE(fileReadNextChunk(&file, &h));
    ASSERT_TRUE(serialiser(&file, into, chunkBufferData(), chunkRead));
    fileClose(&file);
    swapReset();
  }
};

TEST_F(SliderChunkTest, AllThreeLayoutsInBothByteOrders) {
  SliderList list;
  sliderListDefaults(&list);
  for (int c = 0; c < 9; ++c) sliderListSet(&list, 40 + c, c * 3, "s");
  sliderListSetPartner(&list, 40, 41);
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big" : "little");
    SliderList read;
    sliderListDefaults(&read);
    roundTrip(sliderListReadWriteChunk, &list, &read, big, -12);
    EXPECT_EQ(read.count, 12);
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(read.entries[i].controller, list.entries[i].controller) << i;
      EXPECT_EQ(read.entries[i].value, list.entries[i].value) << i;
      EXPECT_EQ(read.entries[i].partner, list.entries[i].partner) << i;
      EXPECT_STREQ(read.entries[i].label, list.entries[i].label);
    }
    // "stC3": nine entries at most; the rest keep what the list held.
    SliderList three;
    sliderListDefaults(&three);
    roundTrip(sliderListReadWriteChunkV2, &list, &three, big, 9);
    EXPECT_EQ(three.entries[8].controller, list.entries[8].controller);
    EXPECT_EQ(three.entries[9].controller, -10);
    // "stCC": count 12 fills entries 0..8 only, keeps the count, and pairs 10 with 11.
    SliderList old;
    sliderListDefaults(&old);
    roundTrip(sliderListReadWriteChunkV1, &list, &old, big, 9);
    EXPECT_EQ(old.count, 12);
    EXPECT_EQ(old.entries[1].controller, 10);
    EXPECT_EQ(old.entries[1].partner, 11);
    EXPECT_EQ(old.entries[3].partner, -10);
  }
}

using SliderEngine = EngineFixture;

TEST_F(SliderEngine, StoreRefreshKeepsOnlyControllersInUse) {
  SliderList* list = engineGetSliderList(engine);
  ASSERT_NE(list, nullptr);
  sliderListDefaults(list);
  sliderListSet(list, 90, 12, "unused");
  engine->lfos[0].on = 1;
  engine->lfos[0].depthAmount = 0.5f;
  engine->lfos[0].depthController = 21;
  float out1[128], out2[128];
  engineRestartAudio(engine);
  midiQueueEvent(engine, 21, 99, 0);
  TestAudioThread::runSubBlock(engine, out1, out2, 0.0f);
  EXPECT_TRUE(sliderControllerInUse(engine, 21));
  EXPECT_FALSE(sliderControllerInUse(engine, 90));
  sliderListApplyAll(engine);
  EXPECT_EQ(sliderListFind(list, 90), nullptr);
  ASSERT_NE(sliderListFind(list, 21), nullptr);
  EXPECT_EQ(sliderListFind(list, 21)->value, 99);
  ASSERT_NE(sliderListFind(list, 7), nullptr);  // the volume source stays
  EXPECT_STREQ(sliderListFind(list, 7)->label, "vol");
}

}  // namespace
