// A stand-in audio thread for tests: runs the audio client's sub-block sequence on an engine from its
// own thread, as a device driver would, and can capture the device outputs around a handshake.
//
// Per 128-frame sub-block: block length word := 128; clear the six input flags (no inputs here);
// commit pending edits (editCommitPending); engineRender (engine, 128); decode the buses to two device outputs; apply the
// device ramp (engineOutputRamp); a sustain word of 0 becomes -1.
// Decode: B0 and B1 are copied to outputs 1 and 2, and `signalLevel` is added to both while the engine
// is not paused (the sound a playing engine would give; a paused engine renders silence).
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

struct Engine;

class TestAudioThread {
 public:
  explicit TestAudioThread(Engine* engine, float signalLevel = 1.0f, int captureBlocks = 32);
  ~TestAudioThread();

  void start();
  void stop();   // joins the thread

  // Captures the outputs of the next `captureBlocks` sub-blocks that begin with a nonzero request word
  // (the first of them and all that follow, whatever their request).
  void armCapture();
  bool captureComplete() const { return captured_.load() >= captureBlocks_; }
  // Output 1 of the block before the trigger and of the captured blocks, one after the other
  // ((captureBlocks + 1) x 128 floats).
  const std::vector<float>& captured() const { return capture_; }
  std::uint32_t blocksRun() const { return blocks_.load(); }
  // Waits (1 ms steps, at most `timeoutMs`) until the capture is complete.
  bool waitCapture(int timeoutMs = 2000) const;

  // Runs one sub-block on the calling thread (the same sequence; for single-threaded tests).
  static void runSubBlock(Engine* engine, float* out1, float* out2, float signalLevel);

 private:
  void run();

  Engine* engine_;
  float level_;
  int captureBlocks_;
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> armed_{false};
  std::atomic<int> captured_{0};
  std::atomic<std::uint32_t> blocks_{0};
  std::vector<float> capture_;
};
