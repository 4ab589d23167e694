// A stand-in audio thread for tests: runs the audio client's sub-block sequence on an engine from its
// own thread, as a device driver would, and can capture the device outputs around a handshake.
//
// Per 128-frame sub-block: block length word := 128; unless paused dispatch the queued MIDI events
// (midiDispatchDue); clear the six input flags (no inputs here); commit pending edits
// (editCommitPending); engineRender (engine, 128); midiProcessBlock when events were taken; decode the
// buses to two device outputs; apply the device ramp (engineOutputRamp); a sustain word of 0 becomes -1.
// Device MIDI is pushed before the sub-block through `pushShort` (audio thread) or by any other thread
// through the engine's queue functions.
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
  void stop();  // joins the thread

  // Captures the outputs of the next `captureBlocks` sub-blocks that begin with a nonzero request word
  // (the first of them and all that follow, whatever their request).
  void armCapture();
  bool captureComplete() const { return captured_.load() >= captureBlocks_; }
  // Output 1 of the block before the trigger and of the captured blocks, one after the other
  // ((captureBlocks + 1) x 128 floats).
  const std::vector<float>& captured() const { return capture_; }
  std::uint32_t blocksRun() const { return blocks_.load(); }
  // Waits (1 ms steps) until the capture is complete: the captured blocks are owed whatever the
  // machine's speed, so the bound only ends a wait on a thread that stopped (30 s by the clock).
  bool waitCapture(int timeoutMs = 30000) const;

  // Runs one sub-block on the calling thread (the same sequence; for single-threaded tests).
  static void runSubBlock(Engine* engine, float* out1, float* out2, float signalLevel);
  // The audio client's own sub-block (clientRenderSubBlock) after the edit commit of its device block:
  // the surround decode of the buses into `outputCount` device outputs (each 128 floats from
  // `offset`) at the engine's output gain, and the device ramp on the first two. `midi` holds
  // `midiCount` short messages (3 bytes each) pushed first.
  static void runClientSubBlock(Engine* engine, float* const* outputs, int outputCount, int offset = 0,
                                const std::uint8_t* midi = nullptr, int midiCount = 0);

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
