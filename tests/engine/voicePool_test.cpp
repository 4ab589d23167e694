// The voice pool: the stealing order, the fade-out and hand-over of a stolen voice, the pedal, voices
// that find no list or no pending entry, and a soak of random MIDI that checks the lists after every
// block at polyphony 1, 4 and 64.
#include <cmath>
#include <random>

#include "engine/mix.h"
#include "support/signal.h"
#include "voiceRig.h"

namespace {

using VoicePoolTest = VoiceRig;

TEST_F(VoicePoolTest, FifthNoteStealsTheFirstFadesItAndStartsNextBlock) {
  for (int k = 0; k < 4; ++k) noteOn(60 + k, 100);
  block();
  block();
  const std::int16_t first = engine->midi.noteVoice[60];
  ASSERT_EQ(first, 0);
  EXPECT_EQ(engine->voicePool.sounding.entries[0], first);
  EXPECT_EQ(engine->voicePool.freeList.count, 0);

  noteOn(72, 110);
  block();
  Voice& v = engine->voices[first];
  // The steal parked the voice with its new note; its old sound faded out within this block.
  EXPECT_EQ(v.state, -1);
  EXPECT_EQ(v.note, 72);
  EXPECT_EQ(v.keyVelocity, 110);
  EXPECT_EQ(engine->voicePool.pendingStart[0], first);
  // The master buffer (the channel sum) was faded in place; the channel buffer keeps the unfaded sound.
  const float* faded = engine->masterBuffers[first];
  const float* sound = engine->voiceBuffers[0][first];
  ASSERT_GT(signalRms(sound, 128), 0.01);
  for (int i = 0; i < 128; ++i) EXPECT_NEAR(faded[i], sound[i] * std::max(0.0, 1.0 - i / 127.0), 1e-5) << i;
  EXPECT_LT(std::fabs(faded[127]), 1e-3);
  EXPECT_EQ(checkLists(), "");

  // The next block starts the new note from its first frame.
  block();
  EXPECT_EQ(v.state, 3);
  EXPECT_EQ(v.note, 72);
  EXPECT_EQ(v.age, 128u);
  EXPECT_EQ(engine->voicePool.pendingStart[0], -1);
  EXPECT_EQ(engine->voicePool.sounding.entries[3], first);
  EXPECT_GT(signalRms(engine->masterBuffers[first], 128), 0.01);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(VoicePoolTest, StolenFadeIsLinearOver127FramesAndResumesAcrossShortBlocks) {
  for (int blockLength : {128, 64}) {
    Voice& v = engine->voices[2];
    v.state = -2;
    v.fadeCounter = 0;
    v.fadeGain = 1.0f;
    std::vector<float> all;
    for (int done = 0; done < 128; done += blockLength) {
      std::vector<float> x(static_cast<std::size_t>(blockLength), 1.0f);
      mixFadeVoice(engine, 2, x.data(), 1, static_cast<std::int16_t>(blockLength));
      all.insert(all.end(), x.begin(), x.end());
      if (done + blockLength < 127) {
        EXPECT_EQ(v.state, -2);
      }
    }
    for (int i = 0; i <= 127; ++i) EXPECT_NEAR(all[i], 1.0 - i / 127.0, 2e-5) << blockLength << " " << i;
    EXPECT_EQ(v.state, -1);
    EXPECT_EQ(v.fadeGain, 0.0f);
  }
  // An ended voice fades over 128 frames and is then free and inactive.
  Voice& e = engine->voices[3];
  e.state = 6;
  e.active = 1;
  e.fadeCounter = 0;
  std::vector<float> x(128, 1.0f);
  mixFadeVoice(engine, 3, x.data(), 1, 128);
  for (int i = 0; i < 128; ++i) EXPECT_NEAR(x[i], 1.0 - i / 128.0, 2e-5) << i;
  EXPECT_EQ(e.state, 0);
  EXPECT_EQ(e.active, 0);
  EXPECT_EQ(e.fadeGain, 1.0f);
  EXPECT_EQ(e.fadeCounter, 0);
}

TEST_F(VoicePoolTest, StealingOrderReleasedThenSustainedThenSounding) {
  for (int k = 0; k < 4; ++k) noteOn(60 + k, 100);
  block();
  noteOff(61);
  block();
  noteOn(70, 100);  // takes the released voice of 61 before any held one
  block();
  EXPECT_EQ(engine->voices[1].note, 70);
  block();
  EXPECT_EQ(checkLists(), "");

  // Pedal down: released keys are sustained; the oldest sustained voice goes before a held key's.
  controller(64, 127);
  noteOff(62);
  noteOff(63);
  block();
  EXPECT_EQ(engine->voices[2].state, 2);
  EXPECT_EQ(engine->voicePool.sustained.count, 2);
  EXPECT_EQ(engine->voicePool.sustained.entries[0], 2);
  noteOn(80, 100);
  block();
  EXPECT_EQ(engine->voices[2].note, 80);
  block();
  EXPECT_EQ(checkLists(), "");
  // Pedal up: the sustained voice of 63 is released in the next block.
  controller(64, 0);
  block();
  EXPECT_EQ(engine->voices[3].state, 1);
  EXPECT_EQ(engine->midi.sustain, -1);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(VoicePoolTest, AllNotesOffWithThePedalDownWaitsForThePedal) {
  noteOn(60, 100);
  noteOn(64, 100);
  controller(64, 100);
  block();
  controller(123, 0);
  block();
  EXPECT_EQ(engine->voicePool.released.count, 0);
  EXPECT_EQ(engine->voicePool.sustained.count, 2);
  controller(64, 0);
  block();
  EXPECT_EQ(engine->voicePool.released.count, 2);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(VoicePoolTest, StolenVoiceWhoseKeyIsReleasedBeforeItStartsNeverSounds) {
  for (int k = 0; k < 4; ++k) noteOn(60 + k, 100);
  block();
  noteOn(72, 100);
  noteOff(72);  // in the same sub-block: the parked voice loses its key velocity
  block();
  block();
  const Voice& v = engine->voices[0];
  EXPECT_EQ(v.state, 0);
  EXPECT_EQ(engine->voicePool.freeList.count, 1);
  EXPECT_EQ(engine->voicePool.freeList.entries[0], 0);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(VoicePoolTest, VoicesThatWouldFallOffEveryListReturnToTheFreeList) {
  // A steal with all 16 pending entries held by other voices: the voice goes back to the free list.
  setPolyphony(20);
  for (int k = 0; k < 20; ++k) noteOn(40 + k, 100);
  block();
  for (int k = 0; k < 17; ++k) noteOn(80 + k, 100);  // 16 park, the 17th finds no entry
  block();
  EXPECT_EQ(checkLists(), "");
  auto pendingCount = [this] {
    int n = 0;
    for (auto e : engine->voicePool.pendingStart) n += e >= 0;
    return n;
  };
  EXPECT_EQ(pendingCount(), 16);
  EXPECT_EQ(engine->voices[16].state, 0);  // faded out on the free list
  EXPECT_EQ(engine->voicePool.freeList.count, 1);
  EXPECT_EQ(engine->voicePool.freeList.entries[0], 16);
  block();
  EXPECT_EQ(pendingCount(), 0);  // the 16 parked notes started
  EXPECT_EQ(engine->voicePool.sounding.count, 19);
  EXPECT_EQ(checkLists(), "");

  // Appending to a full list hands the voice to the free list instead.
  setPolyphony(4);
  for (int k = 0; k < 4; ++k) noteOn(60 + k, 100);
  block();
  ASSERT_EQ(engine->voicePool.sounding.count, 4);
  Voice& extra = engine->voices[0];
  voiceListRemove(engine, &engine->voicePool.sounding, 0);
  engine->voicePool.sounding.count = 4;  // a list already full
  engine->voicePool.sounding.entries[3] = 1;
  voiceListAppend(engine, &engine->voicePool.sounding, 0);
  EXPECT_EQ(extra.state, 6);
  EXPECT_EQ(engine->voicePool.freeList.entries[engine->voicePool.freeList.count - 1], 0);
}

TEST_F(VoicePoolTest, NoVoiceAtAllDropsTheNote) {
  setPolyphony(2);
  noteOn(60, 100);
  noteOn(61, 100);
  block();
  // Both stolen and waiting in their entries, and no further entry: a third steal reuses an entry.
  engine->voices[0].state = -1;
  engine->voices[1].state = -1;
  voiceListsInit(engine);
  engine->voicePool.freeList.count = 0;
  EXPECT_EQ(voiceAllocate(engine), -1);
  engine->voicePool.pendingStart[5] = 1;
  EXPECT_EQ(voiceAllocate(engine), 1);
  EXPECT_EQ(engine->voices[1].state, -2);
}

// 100,000 random events (note on and off, velocity 0, pedal, all notes off) in sub-blocks of 0..24
// events: after every block each voice below the polyphony is on exactly one list or pending entry.
TEST_F(VoicePoolTest, RandomMidiSoakKeepsEveryVoiceOnExactlyOneList) {
  for (int polyphony : {1, 4, 64}) {
    setPolyphony(polyphony);
    std::mt19937 rng(static_cast<unsigned>(1000 + polyphony));
    int events = 0;
    int blocks = 0;
    while (events < 100000) {
      const int count = static_cast<int>(rng() % 25);
      for (int e = 0; e < count; ++e, ++events) {
        const unsigned r = rng() % 100;
        const int note = 36 + static_cast<int>(rng() % 24);
        if (r < 45)
          noteOn(note, 1 + static_cast<int>(rng() % 127));
        else if (r < 85)
          noteOff(note);
        else if (r < 90)
          noteOn(note, 0);
        else if (r < 97)
          controller(64, (rng() & 1) ? 127 : 0);
        else
          controller(123, 0);
      }
      block();
      ++blocks;
      const std::string problem = checkLists();
      ASSERT_EQ(problem, "") << "polyphony " << polyphony << " block " << blocks;
      ASSERT_EQ(engine->polyphony, polyphony);
      ASSERT_EQ(midiDroppedCount(engine), 0u);
      ASSERT_TRUE(signalAllNormal(outs[0].data(), outs[0].size()));
    }
  }
}

}  // namespace
