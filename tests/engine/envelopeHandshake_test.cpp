// The slot handshake between an editing thread and a running audio thread: the word moves
// 0 -> -1 -> -2 -> -3 -> 0 and, while it is held, the audio side neither advances the slot's
// instances nor writes its modulation entry.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/midiQueue.h"
#include "envelopeRig.h"
#include "testAudioThread.h"

namespace {

using EnvelopeHandshake = EnvelopeRig;

// An audio thread running the envelope units block after block, as the render loop does.
class EnvelopeAudioThread {
 public:
  explicit EnvelopeAudioThread(Engine* engine) : engine_(engine) {
    engineAudioThreadBegin(engine_);
    thread_ = std::thread([this] {
      while (!quit_.load()) {
        engineAudioBlockBegin(engine_);
        engineResetModulation(engine_);
        envRenderAll(engine_, 128);
        engineAudioBlockEnd(engine_);
        blocks_.fetch_add(1);
        std::this_thread::yield();
      }
    });
  }
  ~EnvelopeAudioThread() { stop(); }
  void stop() {
    quit_.store(true);
    if (thread_.joinable()) thread_.join();
    engineAudioThreadEnd(engine_);
  }
  // Waits until `n` more blocks have run (2 s at most).
  bool waitBlocks(unsigned n) const {
    const unsigned target = blocks_.load() + n;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (blocks_.load() < target)
      if (std::chrono::steady_clock::now() > end) return false;
    return true;
  }

 private:
  Engine* engine_;
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<unsigned> blocks_{0};
};

bool waitWord(EnvelopeSlot* slot, std::int32_t want) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (envHandshakeLoad(slot) != want)
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

TEST_F(EnvelopeHandshake, WordMovesThroughItsStatesWithAnAudioThread) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(engine, s);
  slot->breakpoints[0].time = 1e9;  // a long rise: the instance advances every block
  noteOn(0);
  EnvelopeAudioThread audio(engine);
  ASSERT_TRUE(audio.waitBlocks(2));

  envSlotWaitAudio(engine, static_cast<std::uint16_t>(s));
  EXPECT_EQ(envHandshakeLoad(slot), envHandshakeAcked);
  // Held: the instance stands still and the entry stays neutral while blocks run.
  const std::int32_t elapsed = inst(s, 0).elapsed;
  ASSERT_TRUE(audio.waitBlocks(3));
  EXPECT_EQ(inst(s, 0).elapsed, elapsed);
  EXPECT_EQ(entry(0, 0, 31), 1.0f);
  slot->breakpoints[0].level = 0.5f;  // the edit

  envSlotMarkPending(engine, s);
  EXPECT_TRUE(waitWord(slot, envHandshakeRunning));
  ASSERT_TRUE(audio.waitBlocks(3));
  audio.stop();
  EXPECT_GT(inst(s, 0).elapsed, elapsed);
}

// The same through the engine's own block render, driven as a device would drive it.
// The same through the engine's own block render, with the note played through the MIDI queue, as a
// device would drive it.
TEST_F(EnvelopeHandshake, EngineRenderHonoursTheHandshake) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  EnvelopeSlot* slot = envSlot(engine, s);
  slot->breakpoints[0].time = 1e9;
  ASSERT_TRUE(midiQueuePushShort(engineGetMidiQueue(engine), 0x90, 60, 100));
  TestAudioThread audio(engine);
  audio.start();
  const auto waitRendered = [&](std::uint32_t n) {
    const std::uint32_t target = audio.blocksRun() + n;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (audio.blocksRun() < target)
      if (std::chrono::steady_clock::now() > end) return false;
    return true;
  };
  ASSERT_TRUE(waitRendered(2));
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(s));
  EXPECT_EQ(envHandshakeLoad(slot), envHandshakeAcked);
  const std::int16_t v = engine->midi.noteVoice[60];
  ASSERT_GE(v, 0);
  const std::int32_t elapsed = inst(s, v).elapsed;
  EXPECT_GT(elapsed, 0);
  ASSERT_TRUE(waitRendered(3));
  EXPECT_EQ(inst(s, v).elapsed, elapsed);
  envSlotMarkPending(engine, s);
  EXPECT_TRUE(waitWord(slot, envHandshakeRunning));
  ASSERT_TRUE(waitRendered(3));
  audio.stop();
  EXPECT_GT(inst(s, v).elapsed, elapsed);
}

TEST_F(EnvelopeHandshake, SilentEngineAcknowledgesToo) {
  // No voice plays: the global pass still answers, so an edit does not wait out its 256 ms.
  EnvelopeAudioThread audio(engine);
  envSlotWaitAudio(engine, 5);
  // Acknowledged: a wait that ran out its bound leaves the request standing.
  EXPECT_EQ(envHandshakeLoad(envSlot(engine, 5)), envHandshakeAcked);
  envSlotMarkPending(engine, 5);
  EXPECT_TRUE(waitWord(envSlot(engine, 5), envHandshakeRunning));
}

TEST_F(EnvelopeHandshake, ControlDrivenSlotIsLeftAloneWhileHeld) {
  const std::int16_t s = envCreate(engine, 0, envDestOscVol);
  envSetMode(engine, s, envModeControl);
  EnvelopeRuntime* r = envRuntimeGet(engine, s);
  engine->midi.controllers[1] = 0;
  EnvelopeAudioThread audio(engine);
  ASSERT_TRUE(audio.waitBlocks(3));
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(s));
  ASSERT_EQ(envHandshakeLoad(envSlot(engine, s)), envHandshakeAcked);
  const std::int32_t index = r->index;
  engine->midi.controllers[1] = 100;  // the source moves while the slot is held
  ASSERT_TRUE(audio.waitBlocks(3));
  EXPECT_EQ(r->index, index);
  envCompileSlot(engine, s);  // the recompile an edit does
  envSlotMarkPending(engine, s);
  EXPECT_TRUE(waitWord(envSlot(engine, s), envHandshakeRunning));
  ASSERT_TRUE(audio.waitBlocks(3));
  audio.stop();
  EXPECT_GT(r->index, index);
}

TEST_F(EnvelopeHandshake, KernelAcknowledgesARequestAndSkipsTheBlock) {
  noteOn(0);
  block();
  const EnvelopeInstance before = inst(0, 0);
  envHandshakeStore(envSlot(engine, 0), envHandshakeRequest);
  engineResetModulation(engine);
  envRunVoice(engine, 0, 128);  // the kernel alone, without the global pass
  EXPECT_EQ(envHandshakeLoad(envSlot(engine, 0)), envHandshakeAcked);
  EXPECT_EQ(entry(0, 0, 1), 1.0f);
  EXPECT_EQ(inst(0, 0).elapsed, before.elapsed);
  envHandshakeStore(envSlot(engine, 0), envHandshakeResume);
  envRunVoice(engine, 0, 128);
  EXPECT_EQ(envHandshakeLoad(envSlot(engine, 0)), envHandshakeRunning);
  EXPECT_GT(inst(0, 0).elapsed, before.elapsed);
}

}  // namespace
