// The MIDI ring: a full ring refuses new events and counts them without touching what is queued, and
// two writers on different threads (the interface and the audio thread) lose and duplicate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/midiQueue.h"

namespace {

struct MidiQueueTest : EngineFixture {};

// Records what the dispatch hands to the controller handlers of channels 1 and 2.
std::vector<int>* seen[2];
void recordA(Engine*, MidiEvent* e) { seen[0]->push_back(e->data1 * 128 + e->data2); }
void recordB(Engine*, MidiEvent* e) { seen[1]->push_back(e->data1 * 128 + e->data2); }

TEST_F(MidiQueueTest, FullRingDropsTheNewestAndKeepsTheQueue) {
  std::vector<int> a, b;
  seen[0] = &a;
  seen[1] = &b;
  engine->midi.handlers[0xB1].store(recordA);
  int accepted = 0;
  for (int k = 0; k < 1100; ++k)
    accepted +=
        midiQueuePushShort(&engine->midi, 0xB1, static_cast<std::uint8_t>(k / 128), static_cast<std::uint8_t>(k % 128));
  EXPECT_EQ(accepted, 1023);
  EXPECT_EQ(midiDroppedCount(engine), 77u);
  EXPECT_EQ(midiQueueCount(&engine->midi), 1023);
  EXPECT_TRUE(midiDispatchDue(engine, 128));
  ASSERT_EQ(a.size(), 1023u);
  for (int k = 0; k < 1023; ++k) ASSERT_EQ(a[static_cast<std::size_t>(k)], k);  // the oldest kept, in order
  EXPECT_FALSE(midiDispatchDue(engine, 128));
  // Room again after the dispatch.
  EXPECT_TRUE(midiQueuePushShort(&engine->midi, 0xB1, 1, 1));
  // A note-off queued when the ring was full is refused (and counted), never a queued one lost.
  EXPECT_EQ(midiQueueCount(&engine->midi), 1);
}

TEST_F(MidiQueueTest, EventsLaterThanNowWait) {
  std::vector<int> a, b;
  seen[0] = &a;
  seen[1] = &b;
  engine->midi.handlers[0xB1].store(recordA);
  MidiEvent e;
  e.time = 200;
  e.status = 0xB1;
  e.data1 = 0;
  e.data2 = 5;
  e.spare = 0;
  midiQueuePushEntry(&engine->midi, &e);
  EXPECT_FALSE(midiDispatchDue(engine, 128));
  EXPECT_TRUE(midiDispatchDue(engine, 200));
  EXPECT_EQ(a.size(), 1u);
}

// The interface thread and the audio thread push at once while the audio thread dispatches: every
// accepted event arrives exactly once and in its writer's order.
TEST_F(MidiQueueTest, TwoWritersLoseAndDuplicateNothing) {
  std::vector<int> a, b;
  a.reserve(40000);
  b.reserve(40000);
  seen[0] = &a;
  seen[1] = &b;
  engine->midi.handlers[0xB1].store(recordA);
  engine->midi.handlers[0xB2].store(recordB);
  const int count = 16000;
  std::atomic<int> acceptedUi{0};
  std::atomic<bool> uiDone{false};
  std::thread ui([&] {
    for (int k = 0; k < count; ++k)
      if (midiQueuePushShort(&engine->midi, 0xB1, static_cast<std::uint8_t>(k / 128),
                             static_cast<std::uint8_t>(k % 128)))
        acceptedUi.fetch_add(1);
    uiDone.store(true);
  });
  int acceptedDevice = 0;
  int k = 0;
  while (!uiDone.load() || k < count || midiQueueCount(&engine->midi) > 0) {
    for (int j = 0; j < 8 && k < count; ++j, ++k)
      acceptedDevice += midiQueuePushShort(&engine->midi, 0xB2, static_cast<std::uint8_t>(k / 128),
                                           static_cast<std::uint8_t>(k % 128));
    midiDispatchDue(engine, 128);
  }
  ui.join();
  midiDispatchDue(engine, 128);
  EXPECT_EQ(static_cast<int>(a.size()), acceptedUi.load());
  EXPECT_EQ(static_cast<int>(b.size()), acceptedDevice);
  EXPECT_EQ(static_cast<std::uint32_t>(2 * count - acceptedUi.load() - acceptedDevice), midiDroppedCount(engine));
  for (const std::vector<int>* v : {&a, &b})
    for (std::size_t i = 1; i < v->size(); ++i) ASSERT_LT((*v)[i - 1], (*v)[i]) << i;
  EXPECT_GT(a.size(), 0u);
  EXPECT_EQ(b.size(), static_cast<std::size_t>(acceptedDevice));
}

}  // namespace
