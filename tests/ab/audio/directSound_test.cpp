// The DirectSound driver under Wine, output only (Wine's capture cursor never moves): the devices and
// their names, the block length, a sine heard in the ALSA output file (Wine mixes to 48 kHz float), the
// time a stop takes, and the properties with wrong sizes and on closed devices.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDirectSoundDevice.h"
#include "GPInit.h"
#include "deviceTestSupport.h"
#include "support/audioFiles.h"
#include "support/signal.h"

namespace {

const double kPi = 3.14159265358979323846;

void startGp() {
  static bool started = false;
  if (!started && !gpIsInitialised()) gpInit(GP_VERSION, GP_BUILD);
  started = true;
}

class DirectSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startGp();
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    std::vector<uint32_t> audio;
    ASSERT_EQ(listAudioDevices(&audio), 0);
    for (uint32_t a : audio) {
      std::string name;
      ASSERT_EQ(deviceName(a, &name), 0);
      if (deviceKind(a) == DirectSoundDevice::kDriverKind) {
        ASSERT_EQ(name.compare(0, 3, "DS "), 0) << name;
        if (!id) id = a;
        ++count;
      }
    }
    ASSERT_NE(id, 0u) << "no DirectSound device";
  }
  void TearDown() override { abDevDestroy(); }

  int getI32(const char* name, int* value, uint32_t size = 4) {
    int32_t words[4] = {-77, -77, -77, -77};
    uint32_t s = size;
    const int r = abDevGetProperty(name, id, words, &s);
    *value = words[0];
    return r;
  }
  int setI32(const char* name, int32_t v, uint32_t size = 4) {
    int32_t words[4] = {v, 0, 0, 0};
    return abDevSetProperty(name, id, words, size);
  }
  uint32_t id = 0;
  int count = 0;
};

struct Sine {
  std::atomic<uint32_t> frames{0};
  std::atomic<int> blocks{0};
  std::atomic<int> wrongFrames{0};
  int expectFrames = 0;
  double phase = 0.0;
};

void sineCallback(AudioBlock* block, int, void* user2, void*) {
  Sine* s = static_cast<Sine*>(user2);
  if (block->frames != s->expectFrames) s->wrongFrames.fetch_add(1);
  const double step = 2.0 * kPi * 440.0 / block->sampleRate;
  for (int f = 0; f < block->frames; ++f) {
    const float v = static_cast<float>(0.5 * std::sin(s->phase));
    s->phase += step;
    for (int c = 0; c < block->output.channelCount; ++c) block->output.buffers[c][f] = v;
  }
  if (s->phase > 2.0 * kPi * 1000.0) s->phase = std::fmod(s->phase, 2.0 * kPi);
  s->frames.fetch_add(static_cast<uint32_t>(block->frames));
  s->blocks.fetch_add(1);
}

}  // namespace

TEST_F(DirectSoundTest, DevicesAreNamedAfterTheirDescriptionAndTheFirstIsTheDefault) {
  EXPECT_GE(count, 1);
  EXPECT_LE(count, 16);
  // No driver kind listed before DirectSound here made a default: the first DirectSound device is it
  // (or, with an earlier driver's device present, that one, enumerated before it).
  const int def = defaultDevice();
  ASSERT_GT(def, 0);
  EXPECT_LE(static_cast<uint32_t>(def), id);
  if (deviceKind(static_cast<uint32_t>(def)) == DirectSoundDevice::kDriverKind) {
    EXPECT_EQ(static_cast<uint32_t>(def), id);
  }
  EXPECT_EQ(deviceKind(id), 3);
}

TEST_F(DirectSoundTest, SineAtTheDefaultLatencyIsHeardAt440HzAndStopReturnsInTime) {
  // Wine opens the output file with the device: remove the old one first.
  const std::string path = audioOutputFile(48000, 2, "FLOAT_LE");
  ASSERT_FALSE(path.empty()) << "MORVANE_AUDIO_OUT is not set: run through the test harness";
  DeleteFileA(path.c_str());
  ASSERT_EQ(abDevOpen(id, true), 0);
  int rate = 0;
  ASSERT_EQ(getI32("SampleRate", &rate), 0);
  ASSERT_EQ(rate, 44100);
  Sine sine;
  sine.expectFrames = 1408;  // 30 ms at 44100 Hz is 1323 frames: the next multiple of 128 above
  ASSERT_EQ(abDevSetCallback(id, sineCallback, &sine, &sine), 0);
  ASSERT_EQ(abDevStart(id, true), 0);
  int frames = 0;
  ASSERT_EQ(getI32("BufferSize", &frames), 0);
  EXPECT_EQ(frames, 1408);
  for (int t = 0; t < 20000 && sine.frames.load() < 2u * 44100u; t += 10) Sleep(10);
  EXPECT_GE(sine.frames.load(), 2u * 44100u);
  const DWORD before = GetTickCount();
  ASSERT_EQ(abDevStart(id, false), 0);
  const DWORD took = GetTickCount() - before;
  // The stop sleeps one buffer (4096 frames: 93 ms at 44.1 kHz) plus 10 ms; the slack allows for a
  // loaded two-core machine, while a stop that waits on the timer thread would take seconds.
  EXPECT_GE(took, 90u);
  EXPECT_LE(took, 103u + 1000u);
  EXPECT_EQ(abDevIsRunning(id), 0);
  const int blocksAfterStop = sine.blocks.load();
  Sleep(60);
  EXPECT_EQ(sine.blocks.load(), blocksAfterStop) << "the timer ran on after the stop";
  ASSERT_EQ(abDevOpen(id, false), 0);
  EXPECT_EQ(sine.wrongFrames.load(), 0);

  // Wine releases the stream with the device: the file is complete once the device is closed.
  const std::vector<float> file = readSamples<float>(path);
  ASSERT_GE(file.size(), 2u * 48000u) << path;
  std::vector<float> left;
  for (size_t i = 0; i + 1 < file.size(); i += 2) left.push_back(file[i]);
  // Skip the leading silence; measure one second where the tone plays.
  size_t start = 0;
  while (start < left.size() && std::fabs(left[start]) < 0.05f) ++start;
  start += 4800;
  ASSERT_GT(left.size(), start + 48000) << "too little sound in " << path;
  const double f = signalPeakFrequency(left.data() + start, 48000, 48000.0);
  EXPECT_NEAR(f, 440.0, 1.0);
  EXPECT_NEAR(signalRms(left.data() + start, 48000), 0.5 / std::sqrt(2.0), 0.05);
}

namespace {
void overdrive(AudioBlock* block, int, void* user2, void*) {
  for (int c = 0; c < block->output.channelCount; ++c)
    for (int f = 0; f < block->frames; ++f) block->output.buffers[c][f] = 1.5f;
  static_cast<std::atomic<int>*>(user2)->fetch_add(1);
}
}  // namespace

TEST_F(DirectSoundTest, OutputBeyondFullScaleSaturatesInsteadOfWrapping) {
  const std::string path = audioOutputFile(48000, 2, "FLOAT_LE");
  ASSERT_FALSE(path.empty());
  DeleteFileA(path.c_str());
  ASSERT_EQ(abDevOpen(id, true), 0);
  std::atomic<int> blocks{0};
  ASSERT_EQ(abDevSetCallback(id, overdrive, &blocks, &blocks), 0);
  ASSERT_EQ(abDevStart(id, true), 0);
  for (int t = 0; t < 10000 && blocks.load() < 40; t += 10) Sleep(10);
  ASSERT_EQ(abDevStart(id, false), 0);
  ASSERT_EQ(abDevOpen(id, false), 0);
  const std::vector<float> file = readSamples<float>(path);
  ASSERT_GE(file.size(), 48000u);
  float low = 0.0f, high = 0.0f;
  for (float v : file) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  // 1.5 becomes full scale (32767); wrapped, it would be -16386 (-0.5). Wine's resampler rings a
  // little around the steps at the start and the end.
  EXPECT_GT(high, 0.99f);
  EXPECT_GT(low, -0.3f);
}

TEST_F(DirectSoundTest, LatencyFollowsItsTableAndStaysInItsRange) {
  // Closed: the latency properties are unknown.
  uint32_t size = 99, changeable = 99;
  EXPECT_EQ(abDevGetPropertyInfo("Latency", id, &size, &changeable), AB_ERR_LATENCY_NOT_OPEN);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(changeable, 0u);
  int v = 0;
  EXPECT_EQ(getI32("Latency", &v), AB_ERR_LATENCY_NOT_OPEN);
  EXPECT_EQ(setI32("Latency", 30), AB_ERR_LATENCY_NOT_OPEN);
  EXPECT_EQ(getI32("SetInLatency", &v), AB_ERR_LATENCY_NOT_OPEN);
  EXPECT_EQ(setI32("SetInLatency", 40), AB_ERR_LATENCY_NOT_OPEN);

  ASSERT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(abDevGetPropertyInfo("Latency", id, &size, &changeable), 0);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(changeable, 1u);
  int low = 0, high = 0;
  ASSERT_TRUE(latencyRange(id, &low, &high));
  EXPECT_EQ(low, 2 + 5);    // 128 frames at 44.1 kHz: 2 ms
  EXPECT_EQ(high, 92 + 5);  // 4096 frames: 92 ms
  ASSERT_TRUE(inputLatencyRange(id, &low, &high));
  EXPECT_EQ(low, 2);
  EXPECT_EQ(high, 92);
  bool canChange = false;
  EXPECT_TRUE(hasLatency(id, &canChange));
  EXPECT_TRUE(canChange);
  EXPECT_TRUE(hasInputLatency(id, &canChange));
  EXPECT_FALSE(canChange);

  // Set stores the value - 5, get adds 5 again: what is set is read back, within the range.
  struct Case {
    int32_t set;
    int read;
  } cases[] = {{30, 30}, {50, 50}, {7, 7}, {0, 7}, {-7, 7}, {1000000, 97}, {INT32_MIN, 7}, {INT32_MAX, 97}};
  for (const Case& c : cases) {
    EXPECT_EQ(setI32("Latency", c.set), 0) << c.set;
    EXPECT_EQ(deviceLatency(id), c.read) << c.set;
  }
  // Wrong sizes.
  EXPECT_EQ(setI32("Latency", 30, 8), AB_ERR_LATENCY_BAD_SIZE);
  EXPECT_EQ(getI32("Latency", &v, 8), AB_ERR_LATENCY_BAD_SIZE);
  EXPECT_EQ(setI32("SetInLatency", 40), 0);
  EXPECT_EQ(deviceInputLatency(id), 40);
  EXPECT_EQ(setI32("SetInLatency", 100000), 0);
  EXPECT_EQ(deviceInputLatency(id), 92);
  EXPECT_EQ(setI32("SetInLatency", 40, 2), AB_ERR_LATENCY_BAD_SIZE);
  EXPECT_EQ(getI32("SetInLatency", &v, 2), AB_ERR_LATENCY_BAD_SIZE);
  ASSERT_EQ(abDevOpen(id, false), 0);
}

TEST_F(DirectSoundTest, PropertiesWithWrongSizesOrOnAClosedDeviceAreRefused) {
  // Closed device: rates, buffer sizes and ports answer AB_ERR_NOT_OPEN.
  const char* openOnly[] = {"SampleRateList", "SampleRate",      "BufferSize",
                            "InBufferSize",   "PortDescription", "StreamDescription"};
  for (const char* name : openOnly) {
    int32_t words[64] = {};
    uint32_t size = 4;
    EXPECT_EQ(abDevGetProperty(name, id, words, &size), AB_ERR_NOT_OPEN) << name;
    EXPECT_EQ(abDevSetProperty(name, id, words, 4),
              name == std::string("StreamDescription") || name == std::string("SampleRateList") ? AB_ERR_NO_PROPERTY
                                                                                                : AB_ERR_NOT_OPEN)
        << name;
  }
  EXPECT_EQ(deviceSampleRate(id), 44100);  // unreadable: the default
  EXPECT_EQ(deviceBufferSize(id), 0);
  EXPECT_EQ(portCount(id, true), 0);
  EXPECT_EQ(deviceKind(id), 3);  // the description needs no open device
  EXPECT_FALSE(hasControlPanel(id));
  EXPECT_FALSE(controlPanelSet(id));

  ASSERT_EQ(abDevOpen(id, true), 0);
  struct Case {
    const char* name;
    uint32_t size;
    bool set;
    int result;
  } cases[] = {
      {"SampleRate", 2, false, AB_ERR_BAD_VALUE},
      {"SampleRate", 8, false, AB_ERR_BAD_VALUE},
      {"SampleRate", 2, true, AB_ERR_BAD_VALUE},
      {"BufferSize", 0, false, AB_ERR_BAD_VALUE},
      {"BufferSize", 3, true, AB_ERR_BAD_VALUE},
      {"InBufferSize", 5, false, AB_ERR_BAD_VALUE},
      {"PortDescription", 79, true, AB_ERR_BAD_VALUE},
      {"PortDescription", 81, true, AB_ERR_BAD_VALUE},
      {"PortDescription", 8, false, AB_ERR_BAD_VALUE},
      {"EnableAudioPort", 79, true, AB_ERR_BAD_VALUE},
      {"ActiveAudioPort", 0, true, AB_ERR_BAD_VALUE},
      {"AudioInDevice", 67, true, AB_ERR_BAD_VALUE},
      {"ActiveAudioInDevice", 67, false, AB_ERR_BAD_VALUE},
      {"DeviceDescription", 7, false, AB_ERR_BAD_VALUE},
      {"SampleRateList", 8, false, AB_ERR_BAD_VALUE},
      {"ControlPanel", 4, false, AB_ERR_NO_PROPERTY},
      {"NoSuchProperty", 4, true, AB_ERR_NO_PROPERTY},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b(256, 0);
    if (c.size >= 4) b[0] = 1;
    uint32_t size = c.size;
    const int r =
        c.set ? abDevSetProperty(c.name, id, b.data(), c.size) : abDevGetProperty(c.name, id, b.data(), &size);
    EXPECT_EQ(r, c.result) << c.name << " size " << c.size << (c.set ? " set" : " get");
  }
  // A rate outside the list is refused and the device keeps its own.
  EXPECT_EQ(setI32("SampleRate", 12345), AB_ERR_BAD_VALUE);
  EXPECT_EQ(setI32("SampleRate", 0), AB_ERR_BAD_VALUE);
  EXPECT_EQ(setI32("SampleRate", -1), AB_ERR_BAD_VALUE);
  EXPECT_EQ(deviceSampleRate(id), 44100);
  EXPECT_EQ(abDevIsOpen(id), 1);
  ASSERT_EQ(abDevOpen(id, false), 0);
}

TEST_F(DirectSoundTest, AccessorsOnTheOpenDevice) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(portCount(id, true), 2);
  EXPECT_EQ(portCount(id, false), 0);
  std::string port;
  EXPECT_TRUE(portName(id, true, 1, &port));
  std::string name;
  ASSERT_EQ(deviceName(id, &name), 0);
  EXPECT_EQ(port, name.substr(0, 63));
  port = "stale";
  EXPECT_FALSE(portName(id, true, 2, &port));
  EXPECT_TRUE(port.empty());
  EXPECT_FALSE(portName(id, true, -1, &port));
  EXPECT_FALSE(portName(id, false, 0, &port));

  std::vector<int> rates;
  EXPECT_EQ(listSampleRates(id, &rates, nullptr), 0);
  EXPECT_EQ(rates, (std::vector<int>{22050, 44100, 32000, 48000, 88200, 96000}));
  EXPECT_TRUE(hasBufferSize(id));

  // Rate changes pass through a close and an open.
  EXPECT_EQ(setI32("SampleRate", 48000), 0);
  EXPECT_EQ(deviceSampleRate(id), 48000);
  EXPECT_EQ(abDevIsOpen(id), 1);
  EXPECT_EQ(setI32("SampleRate", 44100), 0);

  // The block size sets the latency: 2048 frames at 44.1 kHz are 46 ms.
  EXPECT_EQ(setI32("BufferSize", 2048), 0);
  EXPECT_EQ(deviceBufferSize(id), 2048);
  EXPECT_EQ(deviceLatency(id), 46 + 5);
  EXPECT_EQ(setI32("BufferSize", 100000), 0);
  EXPECT_EQ(deviceBufferSize(id), 8192);
  EXPECT_EQ(deviceLatency(id), 92 + 5);  // held below the buffer's length

  // The input side: "no device" and the capture devices, and the choice read back.
  std::vector<AudioInDeviceEntry> inputs;
  ASSERT_EQ(listInputDevices(id, &inputs), 0);
  ASSERT_GE(inputs.size(), 1u);
  EXPECT_EQ(inputs[0].index, -1);
  EXPECT_STREQ(inputs[0].name, "no device");
  for (size_t k = 1; k < inputs.size(); ++k) {
    EXPECT_EQ(inputs[k].index, static_cast<int>(k - 1));
    EXPECT_EQ(std::string(inputs[k].name).compare(0, 3, "DS "), 0);
  }
  AudioInDeviceEntry active;
  ASSERT_EQ(activeInputDevice(id, &active), 0);
  EXPECT_EQ(active.index, -1);
  AudioInDeviceEntry bad = {999, "nothing"};
  EXPECT_EQ(selectInputDevice(id, &bad), 0);  // outside the list: no capture device
  ASSERT_EQ(activeInputDevice(id, &active), 0);
  EXPECT_EQ(active.index, -1);
  EXPECT_EQ(abDevIsOpen(id), 1);
  if (inputs.size() > 1) {
    EXPECT_EQ(selectInputDevice(id, &inputs[1]), 0);
    ASSERT_EQ(activeInputDevice(id, &active), 0);
    EXPECT_EQ(active.index, 0);
    EXPECT_STREQ(active.name, inputs[1].name);
    EXPECT_EQ(portCount(id, false), 2);  // a capture device gives two inputs, off until routed
    EXPECT_EQ(selectInputDevice(id, &inputs[0]), 0);
    EXPECT_EQ(portCount(id, false), 0);
  }
  ASSERT_EQ(abDevOpen(id, false), 0);
}

TEST(DirectSoundRules, BlockFramesAreTheNextMultipleOf128AboveTheLatency) {
  struct Case {
    int rate, ms, frames;
  } cases[] = {
      {44100, 30, 1408},   // x = 1323
      {32000, 40, 1408},   // x = 1280, an exact multiple, still adds a step
      {96000, 200, 8192},  // x = 19200, capped
      {44100, 2, 128},     // x = 88
      {48000, 0, 128},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DirectSoundDevice::blockFramesFor(c.rate, c.ms), c.frames) << c.rate << " " << c.ms;
}

TEST(DirectSoundRules, AVxdModuleGivesAStereoDevice) {
  struct Case {
    const char* module;
    bool vxd;
  } cases[] = {{"driver.vxd", true}, {"DRIVER.VXD", true},  {"driver.Vxd", false}, {".vxd", false},
               {"a.vxd", true},      {"driver.sys", false}, {"", false},           {"vxd", false}};
  for (const Case& c : cases) EXPECT_EQ(DirectSoundDevice::isVxdModule(c.module), c.vxd) << c.module;
}

TEST(DirectSoundRules, ResultTextsForTheDebugOutput) {
  EXPECT_STREQ(dsResultText(static_cast<HRESULT>(0x88780064)), "The specified wave format is not supported. ");
  EXPECT_STREQ(dsResultText(static_cast<HRESULT>(0x88780096)),
               "The buffer memory has been lost and must be restored. ");
  EXPECT_STREQ(dsResultText(static_cast<HRESULT>(0x12345678)), "Unknown");
}
