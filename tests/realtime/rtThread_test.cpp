// A real audio thread under the guard while the user-interface thread edits: every setter of the table
// goes through the edit handshake (the audio sequence commits it) or the stop/restart handshake, MIDI
// arrives from the other thread, and the audio thread never allocates or locks, and its outputs stay
// finite and free of denormals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "rtGuard.h"
#include "rtSetters.h"
#include "rtWorkload.h"

namespace {

struct GuardedAudioThread {
  Engine* engine;
  std::atomic<bool> quit{false};
  std::atomic<int> blocks{0};
  std::atomic<int> violations{0};
  char fault[256] = {};
  std::string report;
  std::thread thread;

  explicit GuardedAudioThread(Engine* e) : engine(e) {
    engineAudioThreadBegin(engine);
    thread = std::thread([this] { run(); });
  }
  void stop() {
    quit.store(true);
    thread.join();
    engineAudioThreadEnd(engine);
  }
  void run() {
    float out[2][engineBlockMax];
    float* outputs[2] = {out[0], out[1]};
    while (!quit.load()) {
      rtArm();
      engineAudioBlockBegin(engine);
      TestAudioThread::runClientSubBlock(engine, outputs, 2);
      engineAudioBlockEnd(engine);
      rtDisarm();
      if (!fault[0]) {
        const std::string f = rtCheckBlock(engine, outputs, 2);
        if (!f.empty()) std::snprintf(fault, sizeof fault, "block %d: %s", blocks.load(), f.c_str());
      }
      blocks.fetch_add(1);
      std::this_thread::yield();  // a device calls back every 2.9 ms; the editing thread gets its turn
    }
  }
};

TEST(RtThread, AudioThreadStaysCleanWhileEverySetterEditsThroughTheHandshakes) {
  rtGuardInit();
  rtReset();
  Engine* engine = rtStressEngine(2, 8);
  ASSERT_NE(engine, nullptr);
  const auto& setters = rtSetters();
  const auto& hostile = rtHostileValues();
  std::mt19937 rng(4242u);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  GuardedAudioThread audio(engine);
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < setters.size() || std::chrono::steady_clock::now() - start < std::chrono::seconds(2);
       ++k) {
    // Every setter once in table order, then at random; values alternate ordinary and hostile.
    const RtSetter& s =
        setters[k < setters.size() ? k : static_cast<std::size_t>(pick(static_cast<int>(setters.size())))];
    const double v = k % 2 ? hostile[static_cast<std::size_t>(pick(static_cast<int>(hostile.size())))]
                           : std::uniform_real_distribution<double>(0.0, 2.0)(rng);
    s.apply(engine, pick(s.indexCount), v);
    if (k % 8 == 0)
      for (int n = 0; n < 6; ++n)
        midiQueuePushShort(&engine->midi, static_cast<std::uint8_t>(0x90 + pick(3)),
                           static_cast<std::uint8_t>(24 + pick(90)), static_cast<std::uint8_t>(pick(128)));
  }
  audio.stop();

  EXPECT_GT(audio.blocks.load(), 100);
  EXPECT_STREQ(audio.fault, "");
  EXPECT_EQ(rtViolations(), 0) << rtReport();
  EXPECT_EQ(engine->edit.pending.load(), editIdle);
  EXPECT_EQ(rtCheckEngineState(engine), "");
  engineDestroy(engine);
}

}  // namespace
