// MIDI offsets from the ring, the overload guard, the lock that never makes the audio thread wait,
// routing and the block callback while the host is closed.
#include "hostRig.h"

#include "ABMidiInputRing.h"
#include "GPTimer.h"

#include <windows.h>

#include <atomic>
#include <thread>

namespace {

void writeEvent(MidiInputRing& ring, uint64_t time, uint8_t status, uint8_t d1, uint8_t d2 = 0, int length = 3) {
  MidiRingSlot* s = ring.writeSlot();
  *s = MidiRingSlot();
  s->length = length;
  s->data.bytes[0] = status;
  s->data.bytes[1] = d1;
  s->data.bytes[2] = d2;
  s->time = time;
  s->type = 2;
  ring.publish();
}

// A note-on t ms after the block's start arrives at offset trunc(rate x 0.001 x t); one stamped at the
// block time waits for the next block; one stamped before the block's start arrives at offset 0, and
// the events behind it still flow. A SysEx slot in the ring is skipped.
TEST_F(HostTest, MidiOffsetsFromTheRing) {
  PassClient client(1, 1);
  AudioManager* m = client.manager;
  m->setDeviceRate(44100);
  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  TestBlock tb(1, 441);
  tb.block.ring = &ring;
  const uint64_t start = 10000000;           // block start, µs
  const uint64_t blockTime = start + 10000;  // 441 frames at 44.1 kHz: 10 ms
  const int times[] = {0, 1, 3, 7, 9};
  uint8_t sysex[6] = {0xF0, 1, 2, 3, 4, 0xF7};
  writeEvent(ring, start - 250000, 0x90, 1);  // before the block's start
  MidiRingSlot* sx = ring.writeSlot();
  *sx = MidiRingSlot();
  sx->length = 6;
  sx->data.pointer = sysex;
  sx->time = start;
  ring.publish();
  for (int t : times) writeEvent(ring, start + 1000u * t + 999, 0x90, static_cast<uint8_t>(10 + t));
  writeEvent(ring, blockTime, 0x90, 99);  // at the block time
  ring.blockTime = blockTime;
  m->runBlock(tb.frames(441));
  ASSERT_EQ(client.events.size(), 1u + 5u);
  EXPECT_EQ(client.events[0].data1, 1);
  EXPECT_EQ(client.events[0].offset, 0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(client.events[1 + i].data1, 10 + times[i]);
    EXPECT_EQ(client.events[1 + i].offset, static_cast<int>(44100 * 0.001 * times[i]));
  }
  ring.blockTime += 10000;
  m->runBlock(tb.frames(441));
  ASSERT_EQ(client.events.size(), 7u);
  EXPECT_EQ(client.events[6].data1, 99);
  EXPECT_EQ(client.events[6].offset, 0);
}

// A counter under the test's control feeds the load: each measured block reads as far over budget.
std::atomic<int64_t> g_counter{0};
std::atomic<int64_t> g_step{0};
int64_t testCounter() { return g_counter.fetch_add(g_step.load()) + g_step.load(); }

TEST_F(HostTest, OverloadCostsOneSecondOfSilenceThenResumes) {
  PassClient client(1, 1);
  client.constant = 0.5f;
  AudioManager* m = client.manager;
  m->setDeviceRate(48000);
  m->setOverloadGuard(true, 95);
  m->setLoadCounter(testCounter);
  // Counter ticks for a block whose own measure is `percent` (load = 0.3 x it + 0.7 x the last).
  auto ticksFor = [&](double percent) { return static_cast<int64_t>(percent * 480 / m->loadFactor + 0.5); };
  TestBlock tb(1, 480);
  std::fill(tb.in[0].begin(), tb.in[0].end(), 0.5f);
  auto block = [&] {
    tb.out[0][0] = -1.0f;
    m->runBlock(tb.frames(480));
    return tb.out[0][0];
  };
  g_step = ticksFor(320.0);  // the load reads 96 % after this block
  EXPECT_EQ(block(), 0.5f);
  EXPECT_NEAR(m->cpuLoad(), 96.0, 0.1);
  g_step = ticksFor(96.0);  // and again 96 % after the second
  EXPECT_EQ(block(), 0.5f);
  EXPECT_NEAR(m->cpuLoad(), 96.0, 0.1);
  g_step = 1;  // the client is light again; the third block starts the silence
  int silent = 0;
  while (block() == 0.0f && silent < 1000) ++silent;
  EXPECT_EQ(client.decisions, 1);
  EXPECT_GE(silent * 480, 48000 - 480);
  EXPECT_LE(silent * 480, 48000);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(block(), 0.5f);
}

TEST_F(HostTest, OverloadAcceptedMutesUntilUnmuted) {
  PassClient client(1, 1);
  client.constant = 0.5f;
  client.muteOnOverload = true;
  AudioManager* m = client.manager;
  m->setDeviceRate(48000);
  m->setOverloadGuard(true, 95);
  m->setLoadCounter(testCounter);
  g_step = static_cast<int64_t>(gpCounterFrequency());
  TestBlock tb(1, 128);
  std::fill(tb.in[0].begin(), tb.in[0].end(), 0.5f);
  for (int i = 0; i < 3; ++i) m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.0f);
  EXPECT_EQ(client.decisions, 1);
  g_step = 1;
  for (int i = 0; i < 500; ++i) m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.0f);
  m->setMuted(false);
  m->setMuted(false);  // a count of 0 stays 0
  EXPECT_EQ(m->muteCount, 0);
  m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.5f);
}

// While another thread holds the lock the audio thread answers silence at once and never waits.
TEST_F(HostTest, HeldLockGivesSilenceWithoutWaiting) {
  PassClient client(1, 1);
  client.constant = 0.5f;
  AudioManager* m = client.manager;
  m->setDeviceRate(48000);
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread setter([&] {
    m->lock.enter();  // between a setter's depth test and its work: depth still 0
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    m->lock.leave();
  });
  WaitForSingleObject(held, INFINITE);
  TestBlock tb(1, 128);
  std::fill(tb.in[0].begin(), tb.in[0].end(), 0.5f);
  const DWORD before = GetTickCount();
  for (int i = 0; i < 100; ++i) {
    tb.out[0][0] = 1.0f;
    m->runBlock(tb.frames(128));
    ASSERT_EQ(tb.out[0][0], 0.0f);
  }
  EXPECT_LT(GetTickCount() - before, 1000u);
  EXPECT_TRUE(client.calls.empty());
  SetEvent(release);
  setter.join();
  m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.5f);
  // A raised depth alone gives silence too.
  m->lockDepth = 1;
  m->runBlock(tb.frames(128));
  EXPECT_EQ(tb.out[0][0], 0.0f);
  m->lockDepth = 0;
  CloseHandle(held);
  CloseHandle(release);
}

// Routes: -1 gives null, the later of two matching buffers wins, a disabled channel gets null, and
// ids outside 0..31 never index the masks.
TEST_F(HostTest, RoutedMapping) {
  PassClient client(2, 4);
  AudioManager* m = client.manager;
  float a[4], b[4], c[4];
  float* bufs[3] = {a, b, c};
  m->blockOutputIds[0] = 5;
  m->blockOutputIds[1] = 7;
  m->blockOutputIds[2] = 5;
  m->outputRoutes[0] = 5;
  m->outputRoutes[1] = 7;
  m->outputRoutes[2] = 7;
  m->outputRoutes[3] = -1;
  m->setChannelDisabled(true, 2, true);
  float** map = client.mapOutputs(bufs, 3);
  EXPECT_EQ(map[0], c);
  EXPECT_EQ(map[1], b);
  EXPECT_EQ(map[2], nullptr);
  EXPECT_EQ(map[3], nullptr);
  m->setChannelDisabled(true, 99, true);  // ignored
  EXPECT_TRUE(m->isChannelDisabled(true, -1));
  // Hostile routes and channel ids in a block: masks stay in range, the block still runs.
  m->outputRoutes[0] = 1000;
  m->setChannelDisabled(true, 0, true);
  TestBlock tb(2, 16);
  tb.ids[0] = -7;
  tb.ids[1] = 4000;
  m->setDeviceRate(48000);
  m->runBlock(tb.frames(16));
  EXPECT_EQ(m->blockOutputIds[0], -7);
  EXPECT_EQ(m->blockOutputIds[1], 4000);
}

TEST_F(HostTest, ClientWithoutManagerDefaults) {
  PassClient client(1, 1);
  AudioManager* m = client.manager;
  client.manager = nullptr;
  EXPECT_EQ(client.cpuLoad(), 0.0f);
  EXPECT_FALSE(client.nextMidiEvent(0, nullptr, nullptr));
  EXPECT_EQ(client.inputChannelIds(), nullptr);
  EXPECT_TRUE(client.setOverloadGuard(true, 5));
  client.manager = m;
}

// The block callback outside an open host zeroes the outputs.
TEST_F(HostTest, CallbackWhileClosedGivesSilence) {
  PassClient client(1, 1);
  client.constant = 0.5f;
  client.manager->setDeviceRate(48000);
  TestBlock tb(1, 64);
  tb.out[0][3] = 0.9f;
  abAudioCallback(tb.frames(64), 0, client.manager, client.manager);
  EXPECT_EQ(tb.out[0][3], 0.0f);
  EXPECT_TRUE(client.calls.empty());
}

}  // namespace
