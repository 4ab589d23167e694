// The preset header's defaults, setters and the Main page's accessors on a real engine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/presetHeader.h"

namespace {

TEST(PatchHeaderRecord, DefaultsAndProgramNumber) {
  PatchHeader h;
  std::memset(&h, 0, sizeof h);
  h.slot = 9;
  patchHeaderDefaults(&h, -2);
  EXPECT_EQ(h.slot, 9);
  patchHeaderDefaults(&h, 128);
  EXPECT_EQ(h.slot, 9);
  patchHeaderDefaults(&h, -1);
  EXPECT_EQ(h.slot, -1);
  EXPECT_EQ(h.polyphony, 4);
  EXPECT_NEAR(h.gain, 1.0001f, 1e-4);
  EXPECT_EQ(h.transpose, 1.0f);
  EXPECT_EQ(h.length, 88200.0);
  EXPECT_STREQ(h.name, "default");
  EXPECT_EQ(h.tempo.presetTempo, 120.0);
  EXPECT_EQ(h.stageCounts[3], 1);
}

TEST(PatchHeaderRecord, SettersClamp) {
  PatchHeader h;
  patchHeaderDefaults(&h, 0);
  patchHeaderSetGain(&h, 20.0f);
  EXPECT_EQ(h.gain, 16.0f);
  patchHeaderSetGain(&h, 1e-30f);
  EXPECT_EQ(h.gain, 0.0f);
  patchHeaderSetPolyphony(&h, 0);
  EXPECT_EQ(h.polyphony, 1);
  patchHeaderSetPolyphony(&h, 99);
  EXPECT_EQ(h.polyphony, 64);
  patchHeaderSetPan(&h, -3.0f);
  EXPECT_EQ(h.pan, 0.0f);
  const std::string longName(40, 'q');
  patchHeaderSetName(&h, longName.c_str());
  char out[35];
  patchHeaderGetName(&h, out);
  EXPECT_EQ(std::string(out), std::string(34, 'q'));
  EXPECT_EQ(patchHeaderGetPolyphony(nullptr), 4);
  EXPECT_EQ(patchHeaderGetGain(nullptr), 0.0f);
}

struct PatchOnEngine : EngineFixture {};

TEST_F(PatchOnEngine, MainPageControls) {
  patchSetPolyphony(engine, 16);
  EXPECT_EQ(patchGetPolyphony(engine), 16);
  patchSetPolyphony(engine, 0);
  patchSetPolyphony(engine, 65);
  EXPECT_EQ(patchGetPolyphony(engine), 16);
  patchSetGain(engine, 20.0f);
  EXPECT_EQ(patchGetGain(engine), 16.0f);
  patchSetGain(engine, 1e-30f);
  EXPECT_EQ(patchGetGain(engine), 0.0f);
  patchSetTranspose(engine, 12.0);
  EXPECT_NEAR(engineGetPatchHeader(engine)->transpose, 2.0f, 1e-6);
  EXPECT_NEAR(patchGetTranspose(engine), 12.0, 1e-5);
  patchSetPan(engine, 0.25f);
  EXPECT_EQ(patchGetPan(engine), 0.25f);
  patchSetName(engine, "Bright pad");
  char name[35];
  patchGetName(engine, name);
  EXPECT_STREQ(name, "Bright pad");
  EXPECT_EQ(patchGetPolyphony(nullptr), 4);
  patchSetGain(nullptr, 2.0f);  // ignored
}

TEST_F(PatchOnEngine, CopyIntoTheEngineRaisesAMasterStageCountOfTwo) {
  PatchHeader preset;
  patchHeaderDefaults(&preset, 3);
  for (std::uint16_t stages : {std::uint16_t(0), std::uint16_t(1), std::uint16_t(2)}) {
    preset.stageCounts[3] = stages;
    patchHeaderCopy(engine, &preset, engineGetPatchHeader(engine), 7, 1);
    EXPECT_EQ(engineGetPatchHeader(engine)->stageCounts[3], stages == 2 ? 3 : stages);
    EXPECT_EQ(engineGetPatchHeader(engine)->slot, 7);
  }
  PatchHeader back;
  patchHeaderCopy(engine, engineGetPatchHeader(engine), &back, 11, 0);
  EXPECT_EQ(back.slot, 11);
  EXPECT_EQ(back.stageCounts[3], 3);  // out of the engine unchanged
}

}  // namespace
