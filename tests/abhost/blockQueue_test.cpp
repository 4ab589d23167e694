// Block mode: device blocks of any length reach the client as whole 128-frame blocks (or multiples),
// the pass-through output is the input delayed by one block, and every MIDI event reaches
// nextMidiEvent once, in order, two blocks after its device position (the queue's offset rule).
#include "hostRig.h"

#include "ABMidiInputRing.h"

#include <random>

namespace {

const int kRate = 48000;
const int kB = 128;

struct QueueRun {
  std::vector<float> input, output;       // channel 0 over the whole run
  std::vector<long long> eventPositions;  // device stream positions of the events written
};

QueueRun runQueue(PassClient& client, bool multiples, const std::vector<int>& sizes) {
  AudioManager* m = client.manager;
  m->setDeviceRate(kRate);
  m->setBlockMode(true, kB, multiples);
  MidiInputRing ring;
  EXPECT_TRUE(ring.allocate());
  TestBlock tb(2, 8192);
  tb.block.ring = &ring;
  QueueRun run;
  long long pos = 0;
  uint64_t blockStartUs = 5000000;
  uint8_t note = 0;
  for (size_t b = 0; b < sizes.size(); ++b) {
    const int n = sizes[b];
    for (int f = 0; f < n; ++f) {
      tb.in[0][f] = static_cast<float>((pos + f) % 1000) / 1000.0f + 0.0005f;
      tb.in[1][f] = -tb.in[0][f];
      run.input.push_back(tb.in[0][f]);
    }
    // Events at whole milliseconds after the block's start: offset 48 x k at 48 kHz.
    for (int k = 0; 48 * k < n; k += 3) {
      MidiRingSlot* s = ring.writeSlot();
      *s = MidiRingSlot();
      s->length = 3;
      s->data.bytes[0] = 0x90;
      s->data.bytes[1] = note++ & 0x7F;
      s->data.bytes[2] = 100;
      s->time = blockStartUs + 1000u * k + 400;
      s->type = 2;
      ring.publish();
      run.eventPositions.push_back(pos + 48 * k);
    }
    ring.blockTime = blockStartUs + static_cast<uint64_t>(n) * 1000000u / kRate;
    m->runBlock(tb.frames(n));
    for (int f = 0; f < n; ++f) run.output.push_back(tb.out[0][f]);
    pos += n;
    blockStartUs += 1000000;
  }
  return run;
}

std::vector<int> randomSizes(unsigned seed, int count) {
  const int typical[] = {0, 1, 100, 441, 4096, 128, 256, 127, 129, 512, 64, 1000};
  std::mt19937 rng(seed);
  std::vector<int> sizes = {100};  // starts queued: the delay is constant from the first frame
  for (int i = 0; i < count; ++i) {
    if (rng() % 3 == 0)
      sizes.push_back(static_cast<int>(rng() % 5000));
    else
      sizes.push_back(typical[rng() % (sizeof typical / sizeof typical[0])]);
  }
  return sizes;
}

class BlockQueue : public HostTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BlockQueue, WholeBlocksConstantDelayAndEveryEventOnce) {
  const bool multiples = GetParam();
  PassClient client(2, 2);
  QueueRun run = runQueue(client, multiples, randomSizes(multiples ? 11 : 12, 400));
  AudioManager* m = client.manager;

  for (int frames : client.calls) {
    if (multiples) {
      ASSERT_GT(frames, 0);
      ASSERT_EQ(frames % kB, 0) << frames;
    } else {
      ASSERT_EQ(frames, kB);
    }
  }
  // Pass-through: the output is the input one block later, every sample.
  ASSERT_GT(run.output.size(), 100000u);
  for (int f = 0; f < kB; ++f) ASSERT_EQ(run.output[f], 0.0f) << f;
  for (size_t f = kB; f < run.output.size(); ++f) ASSERT_EQ(run.output[f], run.input[f - kB]) << f;

  // Every event delivered once, in order, two blocks after its device position (the first device
  // block's events with multiples allowed: one block, as the first call starts at the ring's start).
  size_t delivered = 0;
  for (size_t i = 0; i < client.events.size(); ++i) {
    ASSERT_LT(i, run.eventPositions.size());
    EXPECT_EQ(client.events[i].data1, static_cast<uint8_t>(i & 0x7F)) << i;
    const long long lag = client.events[i].position - run.eventPositions[i];
    if (multiples && run.eventPositions[i] < 100)
      EXPECT_EQ(lag, kB) << i;
    else
      EXPECT_EQ(lag, 2 * kB) << i;
    ++delivered;
  }
  // Events of the last two blocks' worth of frames are still waiting in the queue.
  const long long processed = client.clientFrames;
  size_t due = 0;
  for (long long p : run.eventPositions)
    if (p + ((multiples && p < 100) ? kB : 2 * kB) < processed) ++due;
  EXPECT_EQ(delivered, due);
  EXPECT_EQ(m->droppedMidiEvents(), 0);
}

INSTANTIATE_TEST_SUITE_P(Multiples, BlockQueue, ::testing::Values(false, true));

TEST_F(HostTest, BlockModeFirstWholeBlockGoesDirect) {
  PassClient client(1, 1);
  AudioManager* m = client.manager;
  m->setDeviceRate(kRate);
  m->setBlockMode(true, kB, false);
  TestBlock tb(1, 512);
  for (int f = 0; f < 128; ++f) tb.in[0][f] = 0.25f;
  m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.25f);  // straight through: no delay yet
  EXPECT_EQ(client.calls, std::vector<int>{128});
  m->runBlock(tb.frames(0));  // nothing at all
  EXPECT_EQ(client.calls.size(), 1u);
}

// A full MIDI queue drops the newest event and counts it; the unread ones are kept.
TEST_F(HostTest, FullMidiQueueDropsTheNewest) {
  PassClient client(1, 1);
  client.readMidi = false;
  AudioManager* m = client.manager;
  m->setDeviceRate(kRate);
  m->setBlockMode(true, 4, false);  // ring of 128 frames, a queue of 32 events
  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  TestBlock tb(1, 64);
  tb.block.ring = &ring;
  // 50 events, all due at the start of one 48-frame block: the queue keeps 31 (one slot stays free).
  for (int i = 0; i < 50; ++i) {
    MidiRingSlot* s = ring.writeSlot();
    *s = MidiRingSlot();
    s->length = 3;
    s->data.bytes[0] = 0x90;
    s->data.bytes[1] = static_cast<uint8_t>(i);
    s->time = 1000000;
    ring.publish();
  }
  ring.blockTime = 1000000 + 1000;
  m->runBlock(tb.frames(1));  // first chunk is empty (direct start), the one frame reads them
  EXPECT_EQ(m->midiQueueWrite - m->midiQueueRead, 31);
  EXPECT_EQ(m->droppedMidiEvents(), 19);
  EXPECT_EQ(m->midiQueue[m->midiQueueRead].data.bytes[1], 0);
}

}  // namespace
