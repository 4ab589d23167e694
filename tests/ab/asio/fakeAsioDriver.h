// A configurable stand-in for an ASIO driver: channels, sample types, buffer sizes, rates, failing
// calls, clock sources, a control panel, a reset request after N buffers and slow callbacks. Its own
// thread delivers buffer switches; it records what the host asked for and wrote. It is built both into
// the test programs (an object injected into the driver list) and into an in-process COM server.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "ABAsioDriver.h"

// {6D3A1F52-8C47-4E0B-9A61-2F5B7C0D4E11}: the fake's class id (served by fakeasio.dll).
static const CLSID kFakeAsioClsid = {0x6d3a1f52, 0x8c47, 0x4e0b, {0x9a, 0x61, 0x2f, 0x5b, 0x7c, 0x0d, 0x4e, 0x11}};
static const char kFakeAsioClsidText[] = "{6D3A1F52-8C47-4E0B-9A61-2F5B7C0D4E11}";
// A class id the server file does not serve: creating it fails.
static const char kBrokenAsioClsidText[] = "{6D3A1F52-8C47-4E0B-9A61-2F5B7C0D4E12}";

struct FakeAsioConfig {
  int32_t inputs;
  int32_t outputs;
  int32_t inputType;  // AsioSampleType, or any other number (unknown)
  int32_t outputType;
  int32_t bufferSize;  // preferred frames
  int32_t rateCount;
  int32_t rates[8];
  double currentRate;
  int32_t failInit;
  int32_t failGetChannels;
  int32_t failCreateBuffers;
  int32_t failClockSources;
  int32_t clockCount;
  int32_t currentClock;
  int32_t controlPanelResult;
  int32_t panelBufferSize;    // the control panel changes the buffer size to this (0: unchanged)
  int32_t panelRate;          // and the rate to this (0: unchanged)
  int32_t resetAfterBuffers;  // a reset request from the driver's thread after this many (0: none)
  int32_t periodMs;           // between buffer switches (0: just yield)
  int32_t slowCallbackUs;     // the driver's thread dawdles this long between deciding to call and calling
  int32_t lateSwitches;       // buffer switches the driver still delivers after stop() (a lagging stop)
  int32_t hostileInput;       // float inputs carry NaN, infinities, denormals and huge values
  int32_t neverCallBack;      // started, but delivers no buffer switch
  int32_t useTimeInfo;        // buffer switches with time information
  int32_t inputLatency;
  int32_t outputLatency;
  int32_t askInputMonitor;  // asks the host whether it supports input monitoring at createBuffers
  char errorText[124];
};

struct FakeAsioRecord {
  static const int kMaxCreated = 160;
  static const int kCaptureChannels = 4;
  static const int kCaptureFrames = 4096;

  std::atomic<int32_t> liveObjects;
  std::atomic<int32_t> inits;
  std::atomic<int32_t> starts;
  std::atomic<int32_t> stops;
  std::atomic<int32_t> creates;
  std::atomic<int32_t> disposes;
  std::atomic<int32_t> switches;  // buffer switches delivered
  std::atomic<int32_t> outputReadys;
  std::atomic<int32_t> controlPanels;
  std::atomic<int32_t> resetRequests;
  std::atomic<int32_t> violations;
  std::atomic<int32_t> lateCallbacks;  // buffer switches delivered after stop() was called      // buffers touched, or
                                       // outputReady, after disposeBuffers
  std::atomic<int32_t> futures;
  int32_t lastFutureSelector;
  AsioInputMonitor monitor;
  int32_t createdCount;
  int32_t createdSize;
  int32_t createdIsInput[kMaxCreated];
  int32_t createdChannel[kMaxCreated];
  double rateSet;
  int32_t clockSet;
  // The first frames of the first kCaptureChannels created outputs, as the host left them (bytes of
  // the output type), from the start of the latest run.
  int32_t captureChannel[kCaptureChannels];
  std::atomic<int32_t> capturedFrames;
  uint8_t capture[kCaptureChannels][kCaptureFrames * 8];
};

struct FakeAsioState {
  FakeAsioConfig config;
  FakeAsioRecord record;
};

// Defaults: 2 inputs, 2 outputs, 16-bit, 64 frames, 44100 and 48000 Hz, one clock, 1 ms period.
void fakeAsioReset(FakeAsioState* state);
// Bytes per sample of a type (4 for unknown ones, so the fake still has buffers to hand out).
int fakeAsioBytes(int32_t type);
// The value the fake writes into every input sample: half of full scale in the type.
void fakeAsioHalfScale(int32_t type, uint8_t* sample);
// A new driver object (reference count 1) working on the state.
IAsioDriver* fakeAsioCreate(FakeAsioState* state, const CLSID& clsid);
