// The audio thread never allocates: every path of the block callback (direct, queued, converted,
// interpolated, with MIDI in the ring) runs with an allocation counter armed on the calling thread.
#include "hostRig.h"

#include "ABMidiInputRing.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool t_armed = false;
int g_allocations = 0;
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (t_armed) ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (t_armed) ++g_allocations;
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return operator new(size, std::nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

TEST_F(HostTest, BlockPathsNeverAllocate) {
  struct Setup {
    int deviceRate;
    float onlyRate;
    bool blockMode, multiples;
  } setups[] = {{48000, 0, false, false}, {48000, 0, true, false}, {48000, 0, true, true},
                {96000, 0, false, false}, {96000, 0, true, true},  {48000, 44100, false, false}};
  const int sizes[] = {0, 1, 100, 441, 4096, 128, 127, 2000};
  // The counter sees an allocation made while armed.
  t_armed = true;
  int* probe = new int(3);
  t_armed = false;
  ASSERT_EQ(g_allocations, 1);
  delete probe;
  for (const Setup& s : setups) {
    PassClient client(6, 8);
    client.onlyRate = s.onlyRate;
    client.events.reserve(100000);
    client.calls.reserve(100000);
    AudioManager* m = client.manager;
    m->setDeviceRate(s.deviceRate);
    m->setBlockMode(s.blockMode, 128, s.multiples);
    m->setClipOutput(true);
    m->setOverloadGuard(true, 95);
    MidiInputRing ring;
    ASSERT_TRUE(ring.allocate());
    TestBlock tb(8, 4096);
    tb.block.ring = &ring;
    uint64_t now = 1000000;
    g_allocations = 0;
    for (int round = 0; round < 20; ++round) {
      for (int n : sizes) {
        MidiRingSlot* slot = ring.writeSlot();
        *slot = MidiRingSlot();
        slot->length = 3;
        slot->data.bytes[0] = 0x90;
        slot->time = now;
        ring.publish();
        ring.blockTime = now + 10000;
        t_armed = true;
        m->runBlock(tb.frames(n));
        t_armed = false;
        now += 10000;
      }
    }
    EXPECT_EQ(g_allocations, 0) << s.deviceRate << " " << s.blockMode << " " << s.multiples;
    EXPECT_FALSE(client.calls.empty());
  }
}

}  // namespace
