#include "testAudioThread.h"

#include <chrono>
#include <cstring>

#include "audioPath/clientSubBlock.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "os/osFile.h"
#include "preset/editBlock.h"

TestAudioThread::TestAudioThread(Engine* engine, float signalLevel, int captureBlocks)
    : engine_(engine),
      level_(signalLevel),
      captureBlocks_(captureBlocks),
      capture_(static_cast<std::size_t>(captureBlocks + 1) * engineBlockMax, 0.0f) {}

TestAudioThread::~TestAudioThread() { stop(); }

void TestAudioThread::start() {
  if (thread_.joinable()) return;
  quit_.store(false);
  engineAudioThreadBegin(engine_);
  thread_ = std::thread([this] { run(); });
}

void TestAudioThread::stop() {
  if (!thread_.joinable()) return;
  quit_.store(true);
  thread_.join();
  engineAudioThreadEnd(engine_);
}

void TestAudioThread::armCapture() {
  captured_.store(0);
  armed_.store(true);
}

bool TestAudioThread::waitCapture(int timeoutMs) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!captureComplete() && std::chrono::steady_clock::now() < end) osSleepMs(1);
  return captureComplete();
}

void TestAudioThread::runSubBlock(Engine* engine, float* out1, float* out2, float signalLevel) {
  engine->blockLength = 128;
  const bool dispatched = !engine->paused.load() && midiDispatchDue(engine, 128);
  for (auto& input : engine->inputs) input.filled = 0;
  editCommitPending(engine);
  engineRender(engine, 128);
  if (dispatched) midiProcessBlock(engine);
  const bool silent = engine->renderedPaused != 0;  // what this block rendered
  for (int n = 0; n < engineBlockMax; ++n) {
    out1[n] = engine->buses[0][n] + (silent ? 0.0f : signalLevel);
    out2[n] = engine->buses[1][n] + (silent ? 0.0f : signalLevel);
  }
  engineOutputRamp(engine, out1, out2);
  if (engine->midi.sustain == 0) engine->midi.sustain = -1;
}

void TestAudioThread::runClientSubBlock(Engine* engine, float* const* outputs, int outputCount, int offset,
                                        const std::uint8_t* midi, int midiCount) {
  for (int i = 0; i < midiCount; ++i)
    midiQueuePushShort(engineGetMidiQueue(engine), midi[3 * i], midi[3 * i + 1], midi[3 * i + 2]);
  // The client commits pending edits once per device block; here a device block is one sub-block.
  editCommitPending(engine);
  float* at[surroundMaxOutputs] = {};
  const int count = outputCount < surroundMaxOutputs ? outputCount : surroundMaxOutputs;
  for (int o = 0; o < count; ++o) at[o] = outputs[o] + offset;
  clientRenderSubBlock(engine, nullptr, 0, at, count, 128);
}

void TestAudioThread::run() {
  float out1[engineBlockMax];
  float out2[engineBlockMax];
  float previous[engineBlockMax] = {};
  bool capturing = false;
  while (!quit_.load()) {
    engineAudioBlockBegin(engine_);
    // The interface may set the request at any moment of a block, so the block before the one that
    // first sees it is kept as well (the capture starts with it).
    if (armed_.load() && !capturing && engine_->request.load() != 0) {
      capturing = true;
      std::memcpy(capture_.data(), previous, sizeof previous);
    }
    runSubBlock(engine_, out1, out2, level_);
    engineAudioBlockEnd(engine_);
    std::memcpy(previous, out1, sizeof out1);
    if (capturing) {
      const int k = captured_.load();
      std::memcpy(&capture_[static_cast<std::size_t>(k + 1) * engineBlockMax], out1, sizeof out1);
      captured_.store(k + 1);
      if (k + 1 >= captureBlocks_) {
        capturing = false;
        armed_.store(false);
      }
    }
    blocks_.fetch_add(1);
    // A device calls back about every 2.9 ms; yielding keeps this thread from starving the others.
    std::this_thread::yield();
  }
}
