// What the Envelope page asks of the envelopes: the mode selector's rules and the swap that undoes
// and redoes an edit, both under the slot handshake.
#include <cstring>

#include "envelopeRig.h"

namespace {

using EnvelopeEdit = EnvelopeRig;

TEST_F(EnvelopeEdit, ModeSelectorClearsTheLinkAndRefusesLinkingAMaster) {
  const std::int16_t a = envCreate(engine, 0, envDestOscVol);
  const std::int16_t b = envCreate(engine, 0, envDestOscPitch);
  EXPECT_TRUE(envChooseMode(engine, a, 6));
  EXPECT_TRUE(envIsLinked(engine, a));
  EXPECT_EQ(envGetLinkMasterSlot(engine, a), 0);
  EXPECT_EQ(envGetMode(engine, a), envModeSustain) << "Link keeps the mode";

  // Slot 0 is now a master: it cannot be linked itself.
  EXPECT_FALSE(envChooseMode(engine, 0, 6));
  EXPECT_FALSE(envIsLinked(engine, 0));

  EXPECT_TRUE(envChooseMode(engine, a, envModeLoop));
  EXPECT_FALSE(envIsLinked(engine, a));
  EXPECT_EQ(envGetMode(engine, a), envModeLoop);
  EXPECT_TRUE(envChooseMode(engine, 0, 6)) << "nothing links to slot 0 any more";

  for (std::int16_t bad : {0, 7, -1}) EXPECT_FALSE(envChooseMode(engine, b, bad)) << bad;
  EXPECT_FALSE(envChooseMode(engine, 28, 1));
  for (int s = 0; s < envSlotCount; ++s) EXPECT_GE(envHandshakeLoad(envSlot(engine, static_cast<std::int16_t>(s))), -3);
}

TEST_F(EnvelopeEdit, SwapUndoesAndRedoesAnEditAndRecompiles) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  envSetMode(engine, s, envModeControl);
  EnvelopeSlot saved = *envSlot(engine, s);  // the page's copy before the edit
  envSetBpLevel(engine, s, 0, 0.25);
  envSetBpLevel(engine, s, 1, 0.25);
  envSetBpLevel(engine, s, 2, 0.25);
  ASSERT_FLOAT_EQ(envRuntimeGet(engine, s)->level[127], 0.25f);
  envHandshakeStore(envSlot(engine, s), envHandshakeRunning);

  envSwapWithSaved(engine, s, &saved);  // undo
  EXPECT_EQ(envGetBpLevel(engine, s, 0), 1.0);
  EXPECT_FLOAT_EQ(envRuntimeGet(engine, s)->level[127], envSlot(engine, s)->breakpoints[2].level);
  EXPECT_EQ(saved.breakpoints[0].level, 0.25f) << "the copy now holds the edit, for the redo";
  envSwapWithSaved(engine, s, &saved);  // redo
  EXPECT_EQ(envGetBpLevel(engine, s, 0), 0.25);
  EXPECT_FLOAT_EQ(envRuntimeGet(engine, s)->level[127], 0.25f);
}

TEST_F(EnvelopeEdit, SwapOfAllSlotsKeepsEachHandshakeWord) {
  std::vector<EnvelopeSlot> saved(engine->envSlots, engine->envSlots + envSlotCount);
  for (auto& slot : saved) slot.startLevel = 0.5f;
  saved[7].handshake = 1234;  // a stale word in the copy never reaches the engine
  envSwapAllWithSaved(engine, saved.data());
  for (int i = 0; i < envSlotCount; ++i) {
    EXPECT_EQ(engine->envSlots[i].startLevel, 0.5f) << i;
    EXPECT_LE(envHandshakeLoad(&engine->envSlots[i]), 0) << i;
  }
}

}  // namespace
