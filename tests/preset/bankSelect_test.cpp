// The bank with an engine: selecting under the stop and restart handshake, storing, the edit history,
// patch undo and the question about edits not stored.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <thread>
#include <vector>

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/lfoRuntime.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "preset/bankFile.h"
#include "preset/presetCopy.h"
#include "preset/sliderList.h"
#include "preset/undo.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

namespace {

struct BankEngineTest : EngineFixture {
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
  // The controller messages waiting in the engine's ring, as (status, data1, data2).
  std::vector<std::vector<int>> queuedMessages() {
    std::vector<std::vector<int>> out;
    MidiState& m = engine->midi;
    for (int i = m.readIndex.load(); i != m.writeIndex.load(); i = (i + 1) % midiRingSize)
      out.push_back({m.ring[i].status, m.ring[i].data1, m.ring[i].data2});
    return out;
  }
  Preset* named(std::int16_t slot, const char* name) {
    Preset* p = presetAlloc(slot);
    patchHeaderSetName(&p->header, name);
    return p;
  }
};

TEST_F(BankEngineTest, SelectingSendsTheDefaultSliders) {
  bankSelectPreset(bank, engine, 0);  // the shared default preset, whose list is the default one
  EXPECT_EQ(bankCurrentIndex(bank), 0);
  // Once by the load into the engine, once more by the selection.
  const std::vector<std::vector<int>> expected = {{0xB0, 7, 127}, {0xB0, 10, 64}, {0xB0, 11, 64},
                                                  {0xB0, 7, 127}, {0xB0, 10, 64}, {0xB0, 11, 64}};
  EXPECT_EQ(queuedMessages(), expected);
  float out1[128], out2[128];
  TestAudioThread::runSubBlock(engine, out1, out2, 0.0f);
  EXPECT_EQ(midiGetSourceValue(engine, 7), 127);
  EXPECT_EQ(midiGetSourceValue(engine, 10), 64);
  EXPECT_EQ(midiGetSourceValue(engine, 11), 64);
}

TEST_F(BankEngineTest, SelectWithTheAudioRunningRampsAndRestartsQuickly) {
  Preset* p = named(9, "loud");
  bankPutPreset(bank, p);
  TestAudioThread audio(engine, 1.0f, 24);
  audio.start();
  while (audio.blocksRun() < 4) std::this_thread::yield();
  audio.armCapture();
  bankSelectPreset(bank, engine, 9);
  ASSERT_TRUE(audio.waitCapture());
  audio.stop();
  const std::vector<float>& out = audio.captured();
  // Never a step: the fade out, the pause and the fade in move by at most 3 % of full level a frame.
  float biggest = 0.0f;
  for (std::size_t i = 1; i < out.size(); ++i) biggest = std::max(biggest, std::fabs(out[i] - out[i - 1]));
  EXPECT_LT(biggest, 0.03f);
  // Back at full level within a few blocks of the request.
  std::size_t back = out.size();
  for (std::size_t i = 128; i < out.size(); ++i)
    if (out[i] == 1.0f && out[i - 1] < 1.0f) back = i;
  ASSERT_LT(back, out.size());
  EXPECT_LE(back / 128, 8u);
  EXPECT_EQ(engine->paused.load(), 0);
  char name[35];
  patchGetName(engine, name);
  EXPECT_STREQ(name, "loud");
}

TEST_F(BankEngineTest, PolyphonyFromAFileIsClamped) {
  const std::string path = testTempPath("poly.glo");
  std::uint8_t buffer[chunkCapacity];
  chunktest::writeChunks(path, [&](FileSpec* f) {
    PatchHeader h;
    patchHeaderDefaults(&h, 4);
    h.polyphony = 200;
    patchHeaderReadWriteChunk(f, &h, buffer, chunkWrite);
    ChunkHeader end;
    chunkHeaderSet(&end, chunkId("pEnd"), 0, 1);
    fileWriteChunk(f, &end, nullptr);
  });
  ASSERT_TRUE(banktest::openBank(bank, path));
  bankSelectPreset(bank, engine, 4);
  EXPECT_EQ(engine->header.polyphony, 64);
  EXPECT_EQ(engine->polyphony, 64);
}

TEST_F(BankEngineTest, StoreAndSelectKeepTheSound) {
  Preset* p = named(2, "stored");
  p->channels[1].on = 1;
  p->channels[1].level = 0.25f;
  p->filters[0].cutoff = 123.0f;
  sliderListSet(&p->sliders, 74, 99, "bright");
  bankPutPreset(bank, p);
  bankSelectPreset(bank, engine, 2);
  bankStorePreset(bank, engine, 40);
  const Preset* q = bank->slots[40];
  ASSERT_FALSE(bankSlotIsEmpty(bank, 40));
  EXPECT_EQ(q->header.slot, 40);
  EXPECT_STREQ(q->header.name, "stored");
  EXPECT_FLOAT_EQ(q->channels[1].level, 0.25f);
  EXPECT_FLOAT_EQ(q->filters[0].cutoff, 123.0f);
  EXPECT_EQ(q->envelopeCount, 3);
  EXPECT_EQ(engine->header.slot, 2);  // the engine keeps its own slot
  // The default preset is never freed by a store over it; a second store frees the first.
  Preset* defaults = bank->defaultPreset;
  bankStorePreset(bank, engine, 41);
  bankStorePreset(bank, engine, 41);
  EXPECT_EQ(bank->defaultPreset, defaults);
  EXPECT_TRUE(bankSlotIsEmpty(bank, 42));
}

TEST_F(BankEngineTest, EnvelopeSlotsAreStoredInOrder) {
  bankSelectPreset(bank, engine, 0);
  for (int s : {3, 7, 9}) {
    engine->envSlots[s].allocated = 1;
    engine->envSlots[s].startLevel = 0.01f * s;
  }
  Preset* p = presetAlloc(0);
  EXPECT_FALSE(presetStoreFromEngine(engine, p, 0));  // no local wave in use
  ASSERT_EQ(p->envelopeCount, 6);
  EXPECT_FLOAT_EQ(p->envelopes[3].startLevel, 0.03f);
  EXPECT_FLOAT_EQ(p->envelopes[4].startLevel, 0.07f);
  EXPECT_FLOAT_EQ(p->envelopes[5].startLevel, 0.09f);
  EXPECT_EQ(p->waveCount, 0);
  presetFree(p);
}

TEST_F(BankEngineTest, WavesReturnToTheirLocalSlots) {
  Preset* p = presetAlloc(1);
  ASSERT_TRUE(presetAllocWaves(p, 10));
  for (int i = 0; i < 10; ++i) {
    float samples[waveLength];
    for (float& s : samples) s = 0.01f * i;
    waveFill(&p->waves[i],
             static_cast<std::uint16_t>(i == 1   ? 5
                                        : i == 5 ? 1
                                                 : i),
             waveBankLocal, waveStateLocal, samples, "w");
  }
  bankPutPreset(bank, p);
  bankSelectPreset(bank, engine, 1);
  EXPECT_NEAR(engine->presetWaves[5].samples[10], 0.01f, 1e-6f);  // the wave keeps the id it had
  EXPECT_NEAR(engine->presetWaves[1].samples[10], 0.05f, 1e-6f);
  EXPECT_NEAR(engine->presetWaves[7].samples[10], 0.07f, 1e-6f);
  Preset* back = presetAlloc(1);
  EXPECT_TRUE(presetStoreFromEngine(engine, back, 1));
  EXPECT_EQ(back->waveCount, 8);  // only the first eight reached the engine
  presetFree(back);
}

TEST_F(BankEngineTest, EditHistoryKeepsTenNewestFirst) {
  editHistoryCreate();
  std::vector<std::string> names;
  for (int k = 0; k < 11; ++k) {
    char name[35];
    std::snprintf(name, sizeof name, "version %d", k);
    patchHeaderSetName(&engine->header, name);
    engineSetModified(engine);
    editHistoryPush(1, engine);
  }
  EXPECT_EQ(editHistoryCount(), 10);
  std::vector<std::string> menu;
  static std::vector<std::string>* sink;
  sink = &menu;
  editHistorySetAppendRoutine([](int, int, const char* name) { sink->push_back(name); });
  editHistoryFillMenu(3, true);
  ASSERT_EQ(menu.size(), 10u);
  EXPECT_EQ(menu.front(), "version 10");
  EXPECT_EQ(menu.back(), "version 1");

  engine->header.slot = 17;
  editHistoryRecall(engine, 1);
  char name[35];
  patchGetName(engine, name);
  EXPECT_STREQ(name, "version 10");
  EXPECT_EQ(engine->header.slot, 17);
  engineClearModified(engine);
  editHistoryPush(1, engine);  // nothing changed: nothing kept
  EXPECT_EQ(editHistoryCount(), 10);
  editHistorySetAppendRoutine(nullptr);
  editHistoryDestroy();
}

TEST_F(BankEngineTest, PatchUndoAndRedoKeepTheSlot) {
  undoCreateBank();
  bankPutPreset(bank, named(6, "before"));
  bankSelectPreset(bank, engine, 6);
  ASSERT_TRUE(undoStorePatchBefore(engine));
  patchHeaderSetName(&engine->header, "after");
  engine->header.slot = 6;
  undoPatch(engine);
  char name[35];
  patchGetName(engine, name);
  EXPECT_STREQ(name, "before");
  EXPECT_EQ(engine->header.slot, 6);
  redoPatch(engine);
  patchGetName(engine, name);
  EXPECT_STREQ(name, "after");
  EXPECT_EQ(engine->header.slot, 6);
  undoDestroyBank();
}

TEST_F(BankEngineTest, NamesTitlesAndFiling) {
  Preset* outside = presetAlloc(0);
  outside->header.slot = 128;
  bankPutPreset(bank, outside);  // not filed
  EXPECT_TRUE(bankSlotIsEmpty(bank, 0));
  presetFree(outside);
  char name[35];
  bankGetPresetName(bank, 200, name);
  EXPECT_STREQ(name, "");
  char title[65];
  bankGetTitle(bank, title);
  EXPECT_STREQ(title, "Untitled");
  const std::string longName(100, 'x');
  fileSpecSetPath(&bank->file, ("/some/folder/" + longName).c_str(), nullptr);
  bankGetTitle(bank, title);
  EXPECT_EQ(std::string(title), std::string(64, 'x'));
}

// The question about edits not stored compares what Store would write, never what the audio thread
// moves by itself: a sound marked edited whose LFOs ran (notes, controllers, sample and hold, synced
// periods) still counts as its slot's, and a real change of it still does not.
struct SoundDigestTest : BankEngineTest {
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
