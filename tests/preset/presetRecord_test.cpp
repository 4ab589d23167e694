// The preset record: its defaults, owned blocks and the default slider list.
#include <gtest/gtest.h>

#include "preset/preset.h"

namespace {

TEST(PresetRecord, NewPresetHoldsTheDefaults) {
  Preset* p = presetAlloc(12);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->header.slot, 12);
  EXPECT_EQ(p->channelCount, 3);
  EXPECT_EQ(p->channels[0].on, 1);
  EXPECT_EQ(p->channels[1].on, 0);
  EXPECT_EQ(p->channels[2].channel, 2);
  EXPECT_EQ(p->filterCount, 4);
  EXPECT_EQ(p->filters[3].postMix, 1);
  EXPECT_EQ(p->filters[1].postMix, 0);
  EXPECT_EQ(p->filters[2].type, 15);
  EXPECT_EQ(p->modulators[2].channel, 2);
  EXPECT_EQ(p->modulators[0].type, modulatorFreqShift);
  EXPECT_EQ(p->waveshaper.word, 3);
  EXPECT_EQ(p->effect, nullptr);
  EXPECT_EQ(p->lfoCount, 3);
  EXPECT_EQ(p->lfos[0].on, 1);
  EXPECT_EQ(p->lfos[2].on, 0);
  EXPECT_EQ(p->envelopeCount, 0);
  EXPECT_EQ(p->waveCount, 0);
  EXPECT_EQ(p->curves, nullptr);
  presetFree(p);  // frees only the record
  presetFree(nullptr);
}

TEST(PresetRecord, DefaultPresetHasTheThreeChannelEnvelopes) {
  Preset* p = presetAllocDefault(-1);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->envelopeCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(p->envelopes[i].owner, i);
    EXPECT_EQ(p->envelopes[i].allocated, 1);
    EXPECT_EQ(p->envelopes[i].inUse, i == 0 ? 1 : 0);
  }
  presetFree(p);
}

TEST(PresetRecord, BlockAllocators) {
  Preset* p = presetAlloc(0);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(presetAllocEnvelopes(p, 40));
  EXPECT_EQ(p->envelopeCount, 28);
  EXPECT_FALSE(presetAllocWaves(p, 0));
  EXPECT_EQ(p->waveCount, 0);
  EXPECT_TRUE(presetAllocWaves(p, 2));
  EXPECT_EQ(p->waveCount, 2);
  EXPECT_FALSE(presetAllocCurves(p, -1));
  EXPECT_TRUE(presetAllocCurves(p, 3));
  EXPECT_EQ(p->curves[2].values[127], 0.0f);  // cleared
  EXPECT_FALSE(presetAllocEnvelopes(nullptr, 3));
  presetFree(p);
}

TEST(SliderListDefaults, VolumeAndThePanPad) {
  SliderList list;
  sliderListDefaults(&list);
  EXPECT_EQ(list.count, 12);
  SliderEntry* vol = sliderListFind(&list, 7);
  SliderEntry* lr = sliderListFind(&list, 10);
  SliderEntry* fb = sliderListFind(&list, 11);
  ASSERT_TRUE(vol && lr && fb);
  EXPECT_EQ(vol->value, 127);
  EXPECT_STREQ(vol->label, "vol");
  EXPECT_EQ(lr->partner, 11);
  EXPECT_EQ(fb->partner, 10);
  EXPECT_EQ(fb->second, 1);
  EXPECT_EQ(lr->second, 0);
  EXPECT_EQ(list.entries[3].controller, sliderFree);
  EXPECT_EQ(list.order[0], -10);
  // Twelve entries fill up; a thirteenth controller has no room.
  for (int c = 20; c < 29; ++c) EXPECT_TRUE(sliderListSet(&list, c, 1, "x"));
  EXPECT_FALSE(sliderListSet(&list, 40, 1, "full"));
}

}  // namespace
