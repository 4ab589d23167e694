// The MIDI input ring: wrap-around and lock-free publication from a writer thread to a reader.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ABMidiInputRing.h"

TEST(MidiInputRing, WriteIndexIsBackAtZeroAfterCapacityWrites) {
  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  EXPECT_EQ(ring.capacity, 4096);
  for (int i = 0; i < 4095; ++i) ring.publish();
  EXPECT_EQ(ring.publishedWriteIndex(), 4095);
  ring.publish();
  EXPECT_EQ(ring.publishedWriteIndex(), 0);
}

// The reader only ever sees completely written slots: every field of each slot it reads matches the
// sequence number the writer put there, over several laps of the ring.
TEST(MidiInputRing, ReaderSeesOnlyCompleteSlotsFromAnotherThread) {
  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  const int total = 200000;
  std::atomic<int> consumed{0};
  std::thread writer([&] {
    for (int n = 0; n < total; ++n) {
      while (n - consumed.load(std::memory_order_acquire) >= ring.capacity - 1) std::this_thread::yield();
      MidiRingSlot* s = ring.writeSlot();
      s->length = 3;
      s->port = n & 0xFF;
      s->data.bytes[0] = 0x90;
      s->data.bytes[1] = static_cast<uint8_t>(n & 0x7F);
      s->data.bytes[2] = static_cast<uint8_t>((n >> 7) & 0x7F);
      s->time = static_cast<uint64_t>(n) * 1000u;
      s->type = 2;
      ring.publish();
    }
  });
  int read = 0, bad = 0;
  int32_t readIndex = 0;
  while (read < total) {
    const int32_t w = ring.publishedWriteIndex();
    while (readIndex != w) {
      const MidiRingSlot& s = ring.slot(readIndex);
      if (s.time != static_cast<uint64_t>(read) * 1000u || s.port != (read & 0xFF) ||
          s.data.bytes[1] != (read & 0x7F) || s.data.bytes[2] != ((read >> 7) & 0x7F))
        ++bad;
      ++read;
      readIndex = readIndex + 1 == ring.capacity ? 0 : readIndex + 1;
      consumed.store(read, std::memory_order_release);
    }
  }
  writer.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(read, total);
}
