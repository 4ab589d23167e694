// The question about edits not stored compares what Store would write, never what the audio thread
// moves by itself: a sound marked edited whose LFOs ran (notes, controllers, sample and hold, synced
// periods) still counts as its slot's, and a real change of it still does not.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/lfoRuntime.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "preset/bankFile.h"
#include "preset/presetCopy.h"
#include "uiSeams/msgBox.h"

namespace {

struct SoundDigestTest : EngineFixture {
  Bank* bank = nullptr;
  void SetUp() override {
    chunktest::setUpChunkLayer();
    msgBoxCaptureBegin(0);
    EngineFixture::SetUp();
    bank = bankCreate();
    ASSERT_NE(bank, nullptr);
    engineSetBank(engine, bank);
  }
  void TearDown() override {
    bankDestroy(bank);
    EngineFixture::TearDown();
    msgBoxCaptureEnd();
    chunktest::tearDownChunkLayer();
  }
  // Sub-blocks as the audio client runs them; MIDI short messages (3 bytes each) queued first.
  void render(int blocks, std::initializer_list<std::uint8_t> midi = {}) {
    const std::uint8_t* m = midi.begin();
    for (std::size_t i = 0; i + 2 < midi.size(); i += 3)
      midiQueuePushShort(engineGetMidiQueue(engine), m[i], m[i + 1], m[i + 2]);
    float a[engineBlockMax], b[engineBlockMax];
    for (int k = 0; k < blocks; ++k) TestAudioThread::runSubBlock(engine, a, b, 0.0f);
  }
  // Preset 0: three LFOs that run in every way the runtime fields move (a depth and a rate taken from
  // controllers, sample and hold at a controller rate, a synced period), stored and selected, then
  // marked edited as a press on a page marks it.
  void storeRunningLfos() {
    bankSelectPreset(bank, engine, 0);
    for (std::int16_t i = 0; i < lfoCount; ++i) {
      lfoSetOn(engine, i, 1);
      lfoSetPeriodSeconds(engine, i, 0.05 + 0.03 * i);
      lfoSetAmpTarget(engine, i, 0, 1);
      lfoSetAmpDepth(engine, i, 0.5);
      lfoSetPitchTarget(engine, i, 0, 1);
      lfoSetPitchDepth(engine, i, 0.1);
      lfoSetDepthAmount(engine, i, 0.8);
      lfoSetRateRange(engine, i, 4.0);
      lfoSetHoldRateRange(engine, i, 4.0);
    }
    lfoSetSampleHold(engine, 1, 1);
    lfoSetPerVoice(engine, 2, 1);
    lfoSetPeriodSync(engine, 2, 1);
    lfoSetControllerSource(engine, 0, 1, 2);  // rate from controller 2
    lfoSetControllerSource(engine, 1, 2, 3);  // hold rate from controller 3
    render(2);
    bankStorePreset(bank, engine, 0);
    bankSelectPreset(bank, engine, 0);
    render(2);
    engineSetModified(engine);
    ASSERT_FALSE(bankSoundDiffersFromSlot(bank, engine)) << "just selected";
  }
};

TEST_F(SoundDigestTest, RunningLfosAreNoEditAndChangesStillAre) {
  storeRunningLfos();
  // Notes held, the controllers that scale depth and rates moved, a retrigger: a second of audio.
  render(4, {0x90, 60, 100, 0x90, 67, 90, 0xB0, 1, 30, 0xB0, 2, 100, 0xB0, 3, 10});
  const Lfo before = engine->lfos[0];
  render(340, {0xB0, 1, 110, 0xB0, 2, 5, 0xB0, 3, 120, 0xB0, 72, 127});
  ASSERT_NE(engine->lfos[0].displayValue, before.displayValue) << "the LFO ran";
  ASSERT_NE(engine->lfos[0].depth, before.depth) << "its depth followed the controller";
  EXPECT_FALSE(bankSoundDiffersFromSlot(bank, engine)) << "nothing the user edited";

  // A change of any kind still counts, the LFOs running on.
  struct Change {
    const char* name;
    std::function<void(Engine*)> make;
  };
  const Change changes[] = {
      {"LFO 1 period", [](Engine* e) { lfoSetPeriodSeconds(e, 0, 0.5); }},
      {"LFO 2 start phase", [](Engine* e) { lfoSetStartPhase(e, 1, 256.0); }},
      {"LFO 3 depth amount", [](Engine* e) { lfoSetDepthAmount(e, 2, 0.25); }},
      {"preset name", [](Engine* e) { patchSetName(e, "changed"); }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    bankSelectPreset(bank, engine, 0);
    engineSetModified(engine);
    c.make(engine);
    render(40);
    EXPECT_TRUE(bankSoundDiffersFromSlot(bank, engine));
  }
}

// The file keeps the runtime fields as they were (the rule is the comparison's alone).
TEST_F(SoundDigestTest, StoredFilesKeepTheRuntimeFields) {
  storeRunningLfos();
  render(200, {0x90, 60, 100, 0xB0, 1, 70});
  bankStorePreset(bank, engine, 0);
  const Lfo& stored = bank->slots[0]->lfos[0];
  EXPECT_EQ(stored.displayValue, engine->lfos[0].displayValue);
  EXPECT_EQ(stored.depth, engine->lfos[0].depth);
}

}  // namespace
