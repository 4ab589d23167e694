// Hostile values at the host's entry points: block sizes, unknown device ids, MIDI types, channel
// counts beyond the 32 the host keeps, a null block.
#include "hostRig.h"

#include "ABMidiInputRing.h"

namespace {

TEST_F(HostTest, BlockSizesAreClamped) {
  const int sizes[][2] = {{0, 1}, {-5, 1}, {1 << 30, 4096}, {128, 128}};
  for (const auto& s : sizes) {
    PassClient client(1, 1);
    AudioManager* m = client.manager;
    m->setDeviceRate(48000);
    m->setBlockMode(true, s[0], false);
    EXPECT_EQ(m->blockSize, s[1]);
    TestBlock tb(1, 300);
    m->runBlock(tb.frames(300));
    m->runBlock(tb.frames(300));
    for (int frames : client.calls) EXPECT_EQ(frames, s[1]);
  }
}

TEST_F(HostTest, UnknownIdsAndTypes) {
  PassClient client(1, 1);
  AudioManager* m = client.manager;
  m->setSampleRate(9999, 48000);  // no device layer, no such device: the engine still takes the rate
  EXPECT_EQ(m->deviceRate, 48000);
  EXPECT_TRUE(m->enabled);
  m->setSampleRate(9999, -1);  // refused
  EXPECT_FALSE(m->enabled);
  EXPECT_EQ(m->deviceRate, 48000);
  m->setSampleRate(9999, 44100);
  EXPECT_TRUE(m->enabled);

  MidiInputRing ring;
  ASSERT_TRUE(ring.allocate());
  MidiRingSlot* s = ring.writeSlot();
  *s = MidiRingSlot();
  s->length = 3;
  s->data.bytes[0] = 0x90;
  ring.publish();
  ring.blockTime = 1000000;  // the slot (time 0) lies long before the block: due at offset 0
  m->ring = &ring;
  m->blockFrames = 64;
  MidiEventRecord e;
  int next = 99;
  EXPECT_FALSE(m->readMidiEvent(0, &e, 2, &next));  // SysEx is never read through here
  EXPECT_EQ(next, -1);
  EXPECT_FALSE(m->readMidiEvent(0, &e, -3, &next));
  EXPECT_TRUE(m->readMidiEvent(0, &e, 0, &next));
  EXPECT_EQ(e.size, static_cast<int32_t>(sizeof(MidiEventRecord)));
  m->ring = nullptr;

  // Channel counts beyond 32 and null buffer lists map nothing beyond the maps' 32 entries.
  float a[4];
  std::vector<float*> many(100, a);
  PassClient wide(40, 40);
  float** map = wide.mapOutputs(many.data(), 100);
  EXPECT_EQ(map[31], nullptr);  // routes are -1
  map = wide.mapInputs(nullptr, 5);
  EXPECT_EQ(map[0], nullptr);
  abAudioCallback(nullptr, 0, m, m);  // no block: nothing happens
}

// A block that claims more channels than the host keeps: the first 32 are used, the rest untouched.
TEST_F(HostTest, BlocksWithMoreThan32Channels) {
  PassClient client(40, 40);
  AudioManager* m = client.manager;
  m->setDeviceRate(48000);
  for (int c = 0; c < 32; ++c) m->inputRoutes[c] = m->outputRoutes[c] = c;
  TestBlock tb(40, 16);
  for (int c = 0; c < 40; ++c) {
    std::fill(tb.in[c].begin(), tb.in[c].end(), 0.01f * c);
    std::fill(tb.out[c].begin(), tb.out[c].end(), 7.0f);
  }
  m->runBlock(tb.frames(16));
  EXPECT_FLOAT_EQ(tb.out[31][3], 0.31f);
  EXPECT_EQ(tb.out[35][3], 7.0f);
}

}  // namespace
