// Scenarios run against an ASIO device and the fake driver behind it, shared by the tests that inject
// the fake into the driver list and the tests that reach it through COM. Each uses gtest assertions.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "ABAudioMidiDevice.h"
#include "fakeAsioDriver.h"

// A block callback that writes a sine per output channel (0.5 × sin, the sign alternating by device
// channel) and keeps the values it wrote, and notes what it saw.
struct AsioSineClient {
  static const int kKeep = FakeAsioRecord::kCaptureFrames;
  std::vector<float> written = std::vector<float>(kKeep, 0.0f);  // channel 0's values, frame by frame
  std::atomic<int> frames{0};
  std::atomic<int> blocks{0};
  std::atomic<int> lastOutputCount{-1};
  std::atomic<int> lastInputCount{-1};
  std::atomic<int> inputsAtHalf{0};  // blocks whose inputs all read 0.5
  int spinMicroseconds = 0;          // a slow client

  static void callback(AudioBlock* block, int, void* user2, void* user1);
  void attach(AudioMidiDevice* device);
};

// The value channel ch carries at frame n.
float sineValue(int channel, int n);

// A "PortDescription"-style record list naming channels of one direction with active and enabled bytes.
std::vector<uint8_t> portRecords(bool isOutput, const std::vector<int>& channels, bool active, bool enabled);

// Waits (bounded) until the predicate holds; false on timeout.
template <class P>
bool waitFor(P predicate, int milliseconds = 5000) {
  for (int waited = 0; waited < milliseconds; waited += 2) {
    if (predicate()) return true;
    Sleep(2);
  }
  return predicate();
}

// The driver type's bytes expected for a float the host wrote (saturating conversion).
std::vector<uint8_t> expectedSample(int32_t type, float value);

// Open, enable both outputs, start; the first captured frames of both outputs match the sine exactly.
void checkSineReachesDriver(AudioMidiDevice* device, FakeAsioState* fake, int32_t type);
// Two outputs, only channel 1 active: buffers for output 1 and then output 0 are created.
void checkStereoPair(AudioMidiDevice* device, FakeAsioState* fake);
// "EnableAudioPort" on a running device changes the block's channels at a later switch, without a
// restart; the channel that is not enabled stays silent.
void checkEnableAtNextSwitch(AudioMidiDevice* device, FakeAsioState* fake);
// "ControlPanel" on a running device: the panel was shown, buffers re-created at the new size, the
// device runs again with its enabled channel still enabled.
void checkControlPanelKeepsRunning(AudioMidiDevice* device, FakeAsioState* fake);
// Start and stop many times against a slow driver and a slow client: buffers are never disposed under
// a running callback, and no callback writes into them afterwards.
void checkStartStopCycles(AudioMidiDevice* device, FakeAsioState* fake, int cycles);
