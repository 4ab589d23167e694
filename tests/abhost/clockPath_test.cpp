// The block callback's MIDI clock pass: start and clock messages in the ring drive the clock before
// the client sees the block, and the client still reads the same events; rewinding reads them again.
#include "hostRig.h"

#include "ABMidiInputRing.h"

namespace {

void write(MidiInputRing& ring, uint64_t timeUs, uint8_t status) {
  MidiRingSlot* s = ring.writeSlot();
  *s = MidiRingSlot();
  s->length = 1;
  s->data.bytes[0] = status;
  s->time = timeUs;
  ring.publish();
}

TEST_F(HostTest, ClockMessagesInTheRingDriveTheTimeRecord) {
  PassClient client(1, 1);
  AudioManager* m = client.manager;
  m->setSampleRate(0, 48000);
  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  TestBlock tb(1, 480);
  tb.block.ring = &ring;
  const uint64_t origin = 50000000;  // µs
  write(ring, origin + 3000, 0xFA);
  double nextClockMs = 5.0;
  size_t clocks = 0;
  for (int b = 0; b < 400; ++b) {
    const uint64_t start = origin + static_cast<uint64_t>(b) * 10000;  // 480 frames: 10 ms
    while (nextClockMs < (b + 1) * 10.0) {
      write(ring, origin + static_cast<uint64_t>(nextClockMs) * 1000, 0xF8);
      nextClockMs += 20.8333;
      ++clocks;
    }
    ring.blockTime = start + 10000;
    m->runBlock(tb.frames(480));
  }
  AudioTimeInfo* t = m->getTimeInfo();
  EXPECT_EQ(t->flags & (TIME_PLAYING | TIME_PPQ_VALID | TIME_TEMPO_VALID),
            TIME_PLAYING | TIME_PPQ_VALID | TIME_TEMPO_VALID);
  EXPECT_NEAR(t->tempo, 120.0, 2.0);
  EXPECT_EQ(t->sampleRate, 48000.0);
  // The client was given every message the clock pass read.
  EXPECT_EQ(client.events.size(), clocks + 1);
  EXPECT_EQ(client.events[0].status, 0xFA);
}

// rewindMidi: direct mode goes back to the block's first ring event, block mode to the queue's
// position before the last client call.
class RewindClient : public PassClient {
 public:
  RewindClient() : PassClient(1, 1) { readMidi = false; }
  void process(float** in, float** out, int nIn, int nOut, int frames) override {
    for (int pass = 0; pass < 2; ++pass) {
      int got = 0;
      for (int f = 0; f < frames; ++f) {
        MidiEventRecord e;
        int next;
        while (nextMidiEvent(f, &e, &next)) ++got;
      }
      reads.push_back(got);
      if (pass == 0) rewindMidi();
    }
    PassClient::process(in, out, nIn, nOut, frames);
  }
  std::vector<int> reads;
};

TEST_F(HostTest, RewindReadsTheBlockAgain) {
  for (bool blockMode : {false, true}) {
    RewindClient client;
    AudioManager* m = client.manager;
    m->setDeviceRate(48000);
    m->setBlockMode(blockMode, 128, true);
    MidiInputRing ring;
    ASSERT_TRUE(ring.allocate());
    TestBlock tb(1, 512);
    tb.block.ring = &ring;
    for (int b = 0; b < 6; ++b) {
      const uint64_t start = 1000000 + static_cast<uint64_t>(b) * 1000000;
      for (int k = 0; k < 3; ++k) write(ring, start + 1000 * k, 0x90);
      ring.blockTime = start + 300 * 1000000 / 48000;
      m->runBlock(tb.frames(300));
    }
    int total = 0;
    ASSERT_FALSE(client.reads.empty());
    for (size_t i = 0; i < client.reads.size(); i += 2) {
      EXPECT_EQ(client.reads[i], client.reads[i + 1]) << "block mode " << blockMode << " call " << i / 2;
      total += client.reads[i];
    }
    EXPECT_GE(total, 12) << blockMode;
  }
}

}  // namespace
