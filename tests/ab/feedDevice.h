// A test device of kind audio that feeds the block callback the blocks a test gives it, on the test's
// own thread: the test is the audio thread. Add it to the running manager with abDevAddTestDevice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ABAudioMidiDevice.h"

class FeedDevice : public AudioMidiDevice {
 public:
  FeedDevice(int inputs, int outputs, int sampleRate, int maxFrames, const char* name = "Feed Device");

  int open(bool on) override;
  bool isOpen() override { return m_open; }
  int start(bool on) override;
  bool isRunning() override { return m_running; }
  // "DeviceName" (as the drivers answer it) and "SampleRate" (4 bytes, get and set).
  int getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) override;
  int setProperty(const char* name, const void* value, uint32_t size) override;
  int getProperty(const char* name, void* buffer, uint32_t* size) override;

  // One block of `frames` (0..maxFrames): the inputs are copied in (null: silence), the outputs are
  // cleared, the ring's block time is set to blockTimeUs and the callback runs with (block, 0, user2,
  // user1). False (nothing called) when frames is out of range or the device is not running.
  bool feed(int frames, const float* const* inputs, uint64_t blockTimeUs);
  // The outputs of the last block.
  const float* output(int channel) const { return m_out[channel].data(); }

  int feeds = 0;

 private:
  bool m_open = false, m_running = false;
  int m_maxFrames;
  std::string m_name;
  std::vector<std::vector<float>> m_in, m_out;
  std::vector<float*> m_inPtr, m_outPtr;
  std::vector<int32_t> m_inIds, m_outIds;
};
