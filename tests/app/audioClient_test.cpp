// The audio client on a stand-in host: a manager whose MIDI comes from a script and whose channels are
// routed by the test, driven with device blocks of any length the way a driver thread would.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "ABAudioManager.h"
#include "app/audioClient.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "preset/wave.h"

// Allocations of this program while counting is on (the audio thread must make none). The
// replacements pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};
void* counted(std::size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
  return std::malloc(size ? size : 1);
}
}  // namespace
void* operator new(std::size_t size) {
  if (void* p = counted(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = counted(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct ScriptedEvent {
  int offset;
  std::uint8_t status, data1, data2;
};

// The host's manager with MIDI from a script (offsets of the next device block, in order) and every
// device channel j routed to client channel j unless the test says otherwise.
class ScriptedManager : public AudioManager {
 public:
  ScriptedManager() : AudioManager(nullptr) {
    for (int j = 0; j < AB_MAX_CHANNELS; ++j) {
      blockInputIds[j] = j;
      blockOutputIds[j] = j;
      inputRoutes[j] = j;
      outputRoutes[j] = j;
    }
  }
  bool readMidiEvent(int offset, MidiEventRecord* out, int, int* nextOffset) override {
    if (nextOffset) *nextOffset = -1;
    if (next >= script.size()) return false;
    const ScriptedEvent& e = script[next];
    if (nextOffset) *nextOffset = e.offset;
    if (e.offset != offset) return false;
    MidiEventRecord r = {};
    r.size = sizeof r;
    r.length = 4;
    r.type = MIDI_EVENT_SHORT;
    r.offset = e.offset;
    r.data.bytes[0] = e.status;
    r.data.bytes[1] = e.data1;
    r.data.bytes[2] = e.data2;
    if (out) *out = r;
    ++next;
    return true;
  }
  void rewindRing() override {}
  std::vector<ScriptedEvent> script;
  size_t next = 0;
};

const float kGuard = 12345.0f;
const int kGuardFrames = 8;

// The largest magnitude of a stretch of output.
float signalLevel(const std::vector<float>& v) {
  float m = 0.0f;
  for (float x : v) m = std::max(m, std::fabs(x));
  return m;
}

// Device buffers of `channels` channels with guard values after `frames` frames.
struct DeviceBlock {
  DeviceBlock(int channels, int frames) : frames(frames) {
    data.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames + kGuardFrames), kGuard));
    for (auto& c : data) {
      std::fill(c.begin(), c.begin() + frames, 0.0f);
      pointers.push_back(c.data());
    }
  }
  bool guardsIntact() const {
    for (const auto& c : data)
      for (int i = frames; i < frames + kGuardFrames; ++i)
        if (c[static_cast<size_t>(i)] != kGuard) return false;
    return true;
  }
  int frames;
  std::vector<std::vector<float>> data;
  std::vector<float*> pointers;
};

class Client : public ::testing::Test {
 protected:
  void SetUp() override {
    presetWavesInit();
    engineCfgInitDefaults();
    engine = engineCreate();
    ASSERT_NE(engine, nullptr);
    engine->channels[0]->on = 1;
    engine->header.polyphony = 4;
    engineApplyPatchChange(engine, 1);
    manager = new ScriptedManager;
    client = new AudioClient(manager);  // the client owns the manager
    client->attach(engine, nullptr);
  }
  void TearDown() override {
    delete client;
    engineDestroy(engine);
  }
  // One device block of `frames` with 2 outputs and `inputs` inputs; answers output 0.
  std::vector<float> play(int frames, int inputs = 0, int outputs = 2) {
    DeviceBlock in(inputs > 0 ? inputs : 1, frames), out(outputs > 0 ? outputs : 1, frames);
    manager->next = 0;
    client->processBlock(in.pointers.data(), out.pointers.data(), inputs, outputs, frames);
    EXPECT_TRUE(out.guardsIntact()) << frames << " frames";
    return std::vector<float>(out.data[0].begin(), out.data[0].begin() + frames);
  }
  // Index of the first 128-frame sub-block of `v` holding sound, -1 for none.
  static int firstSounding(const std::vector<float>& v) {
    for (size_t i = 0; i < v.size(); ++i)
      if (v[i] != 0.0f) return static_cast<int>(i / 128);
    return -1;
  }
  Engine* engine = nullptr;
  ScriptedManager* manager = nullptr;
  AudioClient* client = nullptr;
};

TEST_F(Client, EventsActInTheSubBlockTheirOffsetFallsIn) {
  const int offsets[] = {0, 100, 127, 128, 300, 383, 384, 511};
  for (int offset : offsets) {
    SCOPED_TRACE(offset);
    TearDown();
    SetUp();
    const std::uint32_t before = engine->framesDone;
    manager->script = {{offset, 0x90, 69, 100}};
    const std::vector<float> out = play(512);
    EXPECT_EQ(engine->framesDone - before, 512u) << "four renders of 128";
    EXPECT_EQ(firstSounding(out), offset / 128);
  }
}

TEST_F(Client, SeveralEventsAtOneOffsetAllGoInBeforeTheRender) {
  manager->script = {{256, 0x90, 60, 100}, {256, 0x90, 64, 100}, {256, 0x90, 67, 100}};
  const std::vector<float> out = play(512);
  EXPECT_EQ(firstSounding(out), 2);
  EXPECT_EQ(engine->midi.noteOnCount[60], 1);
  EXPECT_EQ(engine->midi.noteOnCount[64], 1);
  EXPECT_EQ(engine->midi.noteOnCount[67], 1);
  EXPECT_EQ(midiQueueCount(&engine->midi), 0);
}

TEST_F(Client, WhilePausedEventsWaitAndActAfterTheRestart) {
  engine->paused.store(1);
  manager->script = {{10, 0x90, 60, 100}, {200, 0x90, 64, 100}};
  play(512);
  EXPECT_EQ(midiQueueCount(&engine->midi), 2);
  EXPECT_EQ(engine->midi.noteOnCount[60], 0);
  engine->paused.store(0);
  manager->script.clear();
  const std::vector<float> out = play(256);
  EXPECT_EQ(midiQueueCount(&engine->midi), 0);
  EXPECT_EQ(engine->midi.noteOnCount[60], 1);
  EXPECT_EQ(engine->midi.noteOnCount[64], 1);
  EXPECT_EQ(firstSounding(out), 0);
}

TEST_F(Client, InputsMeterMagnitudesAndOnlyRoutedInputsArePresent) {
  // No inputs: the meters read 0.
  for (float& p : engine->inputPeaks) p = 0.5f;
  play(128, 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(engine->inputPeaks[i], 0.0f) << i;

  // Two device inputs, only the first routed; a negative-going input shows its magnitude.
  manager->inputRoutes[1] = -1;
  DeviceBlock in(2, 128), out(2, 128);
  for (int n = 0; n < 128; ++n) in.data[0][static_cast<size_t>(n)] = -0.25f * static_cast<float>(n) / 127.0f;
  client->processBlock(in.pointers.data(), out.pointers.data(), 2, 2, 128);
  EXPECT_EQ(engine->inputs[0].filled, 1);
  for (int i = 1; i < 6; ++i) EXPECT_EQ(engine->inputs[i].filled, 0) << i;
  EXPECT_FLOAT_EQ(engine->inputPeaks[0], 0.25f);
  EXPECT_EQ(engine->inputs[0].samples[127], -0.25f);
}

TEST_F(Client, BlocksOfAnyLengthGiveTheSameContinuousStream) {
  const int total = 128 * 40;
  // The reference: device blocks of 128.
  auto stream = [&](int size) {
    TearDown();
    SetUp();
    std::vector<float> all;
    bool first = true;
    while (static_cast<int>(all.size()) < total) {
      const int n = std::min(size, total - static_cast<int>(all.size()));
      manager->script.clear();
      if (first) manager->script = {{0, 0x90, 69, 100}};
      first = false;
      const std::vector<float> out = play(n);
      all.insert(all.end(), out.begin(), out.end());
    }
    return all;
  };
  const std::vector<float> reference = stream(128);
  ASSERT_GT(std::fabs(reference[200]), 0.0f);
  for (int size : {1, 200, 300, 512, 4096}) {
    SCOPED_TRACE(size);
    const std::vector<float> got = stream(size);
    ASSERT_EQ(got.size(), reference.size());
    int firstDiff = -1;
    for (size_t i = 0; i < got.size() && firstDiff < 0; ++i)
      if (got[i] != reference[i]) firstDiff = static_cast<int>(i);
    EXPECT_EQ(firstDiff, -1) << "differs from frame " << firstDiff;
  }
  // A block of 0 frames does nothing.
  EXPECT_EQ(client->carriedFrames(), 0);
  const std::uint32_t before = engine->framesDone;
  play(0);
  EXPECT_EQ(engine->framesDone, before);
}

TEST_F(Client, MoreChannelsThanTheSynthesizerHasAreCut) {
  DeviceBlock in(10, 256), out(12, 256);
  manager->script = {{0, 0x90, 69, 100}};
  client->processBlock(in.pointers.data(), out.pointers.data(), 10, 12, 256);
  EXPECT_TRUE(out.guardsIntact());
  EXPECT_LE(engineGetInputCount(engine), 6);
  EXPECT_LE(engineGetOutputCount(engine), 8);
  for (int c = 8; c < 12; ++c)
    for (int n = 0; n < 256; ++n) ASSERT_EQ(out.data[static_cast<size_t>(c)][static_cast<size_t>(n)], 0.0f) << c;
}

TEST_F(Client, NoEngineLeavesTheDeviceBuffersAlone) {
  AudioClient bare(new ScriptedManager);
  DeviceBlock in(1, 128), out(2, 128);
  out.data[0][5] = 0.75f;
  bare.processBlock(in.pointers.data(), out.pointers.data(), 1, 2, 128);
  EXPECT_EQ(out.data[0][5], 0.75f);
}

TEST_F(Client, AFadeOutRequestRampsOutputsOneAndTwoUntilTheEngineAnswers) {
  manager->script = {{0, 0x90, 69, 100}};
  play(1024);
  const float held = signalLevel(play(512));
  ASSERT_GT(held, 0.01f);
  // What the stop handshake asks from the interface thread.
  engine->rampFlag.store(1);
  engine->deviceRampGain.store(1.0f);
  engine->request.store(1);
  float previous = held * 2.0f;
  int blocks = 0;
  while (engine->request.load() != 0 && blocks < 64) {
    const float level = signalLevel(play(128));
    EXPECT_LT(level, previous) << "block " << blocks;
    previous = level;
    ++blocks;
  }
  EXPECT_EQ(engine->request.load(), 0);
  EXPECT_EQ(engine->paused.load(), 1);
  EXPECT_GT(blocks, 1);
  EXPECT_EQ(signalLevel(play(256)), 0.0f);
}

TEST(ClientScratch, ResizeKeepsWhatFitsAndArraysStartEmpty) {
  ScratchBuffer b = {nullptr, 0};
  scratchResize(&b, 4);
  ASSERT_NE(b.data, nullptr);
  for (int i = 0; i < 4; ++i) b.data[i] = static_cast<float>(i + 1);
  float* same = b.data;
  scratchResize(&b, 4);
  EXPECT_EQ(b.data, same);
  scratchResize(&b, 6);
  EXPECT_EQ((std::vector<float>(b.data, b.data + 6)), (std::vector<float>{1, 2, 3, 4, 0, 0}));
  scratchResize(&b, 2);
  EXPECT_EQ((std::vector<float>(b.data, b.data + 2)), (std::vector<float>{1, 2}));
  scratchResize(&b, 0);
  EXPECT_EQ(b.data, nullptr);
  EXPECT_EQ(b.length, 0u);
  ScratchArray a = {nullptr, 0};
  scratchArrayResize(&a, 3);
  ASSERT_EQ(a.count, 3u);
  for (std::uint32_t i = 0; i < a.count; ++i) EXPECT_EQ(a.items[i].length, 0u);
  scratchArrayResizeItems(&a, 128);
  EXPECT_EQ(a.items[2].length, 128u);
  scratchArrayResize(&a, 0);
  EXPECT_EQ(a.items, nullptr);
  EXPECT_EQ(a.count, 0u);
}

TEST(ClientInterface, RatesChannelCountsAndNames) {
  AudioClient client(new ScriptedManager);
  struct RateCase {
    float rate;
    bool accepted;
  };
  for (const RateCase& c : {RateCase{44100, true}, {48000, true}, {48100, true}, {88200, false}, {96000, false}})
    EXPECT_EQ(client.acceptsSampleRate(c.rate), c.accepted) << c.rate;
  EXPECT_EQ(client.inputCount(), 6);
  EXPECT_EQ(client.outputCount(), 8);
  struct NameCase {
    bool output;
    int index;
    const char* name;
  };
  const NameCase names[] = {{false, 0, "In 1"}, {false, 5, "In 6"}, {false, 6, ""}, {false, -1, ""},
                            {true, 0, "Out 1"}, {true, 7, "Out 8"}, {true, 8, ""},  {true, 100, ""}};
  for (const NameCase& c : names) {
    std::string name = "x";
    if (c.output)
      client.outputName(c.index, &name);
    else
      client.inputName(c.index, &name);
    EXPECT_EQ(name, c.name) << c.index;
  }
}

TEST_F(Client, NothingAllocatesAfterTheFirstBlockAndTheCostPerBlock) {
  manager->script = {{0, 0x90, 69, 100}};
  play(128);
  engine->channels[0]->on = 0;  // a silent preset for the timing
  engineApplyPatchChange(engine, 1);
  for (int frames : {128, 512, 1024}) {
    DeviceBlock in(2, frames), out(2, frames);
    client->processBlock(in.pointers.data(), out.pointers.data(), 2, 2, frames);
    g_allocations.store(0);
    g_counting.store(true);
    const int runs = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < runs; ++r) client->processBlock(in.pointers.data(), out.pointers.data(), 2, 2, frames);
    const auto end = std::chrono::steady_clock::now();
    g_counting.store(false);
    EXPECT_EQ(g_allocations.load(), 0) << frames;
    const double us = std::chrono::duration<double, std::micro>(end - start).count() / runs;
    std::printf("processBlock, silent preset, %d frames: %.1f us\n", frames, us);
  }
}

}  // namespace
