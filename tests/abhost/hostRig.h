// A test client and block helpers for the host's tests: the client passes its inputs to its outputs
// and records every call's length and every MIDI event it was given, with its stream position.
#pragma once

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "GPInit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct SeenEvent {
  long long position;  // client frames before the call + offset
  int offset;
  uint8_t status, data1, data2;
};

class PassClient : public AudioHostClient {
 public:
  PassClient(int ins = 6, int outs = 8, float maxRate = 48100.0f) : ins(ins), outs(outs), maxRate(maxRate) {}
  void process(float** in, float** out, int nIn, int nOut, int frames) override {
    calls.push_back(frames);
    for (int c = 0; c < nOut; ++c) {
      if (!out[c]) continue;
      for (int f = 0; f < frames; ++f) out[c][f] = c < nIn && in[c] ? in[c][f] * gain : constant;
    }
    if (readMidi) {
      for (int f = 0; f < frames; ++f) {
        MidiEventRecord e;
        int next;
        while (nextMidiEvent(f, &e, &next))
          events.push_back({clientFrames + f, f, e.data.bytes[0], e.data.bytes[1], e.data.bytes[2]});
      }
    }
    clientFrames += frames;
  }
  bool supportsRate(float rate) override {
    if (onlyRate > 0) return rate == onlyRate;
    return rate > 0 && rate <= maxRate;
  }
  void inputName(int index, std::string* name) override { *name = "in " + std::to_string(index); }
  void outputName(int index, std::string* name) override { *name = "out " + std::to_string(index); }
  int inputCount() override { return ins; }
  int outputCount() override { return outs; }
  void setSampleRate(float rate) override { rates.push_back(rate); }
  bool overloadDecision() override {
    ++decisions;
    return muteOnOverload;
  }

  int ins, outs;
  float maxRate;
  float onlyRate = 0;
  float gain = 1.0f;
  float constant = 0.0f;
  bool readMidi = true;
  bool muteOnOverload = false;
  int decisions = 0;
  long long clientFrames = 0;
  std::vector<int> calls;
  std::vector<float> rates;
  std::vector<SeenEvent> events;
};

// Starts and ends the platform library and the host around each test.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
    abInit(0x1030001, 0x60031);
  }
  void TearDown() override {
    abExit();
    gpExit();
  }
};

// A device block of `channels` inputs and outputs with ids 0..channels-1.
struct TestBlock {
  TestBlock(int channels, int maxFrames)
      : in(channels, std::vector<float>(maxFrames)), out(channels, std::vector<float>(maxFrames)) {
    for (int c = 0; c < channels; ++c) {
      inPtr.push_back(in[c].data());
      outPtr.push_back(out[c].data());
      ids.push_back(c);
    }
    block.sampleRate = 48000;
    block.input = {0, channels, inPtr.data(), ids.data(), 0};
    block.output = {0, channels, outPtr.data(), ids.data(), 0};
    block.ring = nullptr;
  }
  AudioBlock* frames(int n) {
    block.frames = block.input.frames = block.output.frames = n;
    return &block;
  }
  std::vector<std::vector<float>> in, out;
  std::vector<float*> inPtr, outPtr;
  std::vector<int32_t> ids;
  AudioBlock block;
};
