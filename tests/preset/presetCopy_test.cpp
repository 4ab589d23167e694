// The preset's copy into the engine: partial envelope arrays, and the module clipboard's start state.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/presetCopy.h"

namespace {

using PresetCopyIntoEngine = EngineFixture;

TEST_F(PresetCopyIntoEngine, TwoEnvelopesLeaveTheOtherSlotsAtTheirDefaults) {
  Preset* p = presetAlloc(0);
  ASSERT_TRUE(presetAllocEnvelopes(p, 2));
  p->envelopes[0].startLevel = 0.25f;
  p->envelopes[1].startLevel = 0.5f;
  engine->envSlots[2].startLevel = 0.75f;  // a leftover of the sound before
  presetLoadIntoEngine(p, engine, 0);
  EXPECT_FLOAT_EQ(engine->envSlots[0].startLevel, 0.25f);
  EXPECT_FLOAT_EQ(engine->envSlots[1].startLevel, 0.5f);
  Engine* fresh = engineCreate();
  EXPECT_FLOAT_EQ(engine->envSlots[2].startLevel, fresh->envSlots[2].startLevel);
  engineDestroy(fresh);
  presetFree(p);
}

TEST(PresetCopy, ClipboardStartsEmptyWithPresetWaves) {
  moduleClipboardInit();
  ModuleClipboard* c = moduleClipboard();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, 0u);
  EXPECT_EQ(c->source, nullptr);
  EXPECT_EQ(c->channel.envelopeCount, 0u);
  const std::uint16_t ids[4] = {0x7F00, 0x7F01, 0x7F00, 0x7F00};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c->waves[i].id, ids[i]);
    EXPECT_STREQ(c->waves[i].name, "preset");
  }
}

}  // namespace
