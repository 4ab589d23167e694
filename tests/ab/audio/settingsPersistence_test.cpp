// The host's settings with real devices under Wine: the choice of the MME device, its rate, latency
// and routes saved to the registry (read back directly and with the prefix's reg tool), then loaded in
// a fresh process, which plays through it; a DirectSound device that does not take a stored rate; and
// the property accessors on the MME device.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ABAudioManager.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDirectSoundDevice.h"
#include "deviceTestSupport.h"
#include "hostSettings.h"
#include "support/audioFiles.h"
#include "support/processRun.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

const int kMmeKind = 2;

bool isChild() { return std::getenv("MORVANE_SETTINGS_CHILD") != nullptr; }

uint32_t firstOfKind(AudioManager* m, int kind) {
  for (uint32_t id : m->audioDevices)
    if (deviceKind(id) == kind) return id;
  return 0;
}

}  // namespace

TEST(SettingsPersistence, TheSavedChoiceReopensInAFreshProcessAndPlays) {
  if (isChild()) GTEST_SKIP();
  startHostSettings();
  clearSettings();
  std::string mmeName;
  {
    SineClient client;
    AudioManager* m = client.manager;
    m->instance = 0;
    client.open(nullptr);
    const uint32_t id = firstMme(m);
    ASSERT_NE(id, 0u) << "no MME device";
    ASSERT_EQ(deviceName(id, &mmeName), 0);
    ASSERT_TRUE(m->switchDevice(id, true));
    m->setSampleRate(id, 48000);
    ASSERT_EQ(m->setLatency(id, 50), 0);
    m->outputRoutes[0] = 1;
    m->outputRoutes[1] = 0;
    m->saveSettings();
    client.close();
  }
  std::string text;
  int32_t v = 0;
  ASSERT_TRUE(storedText("AB AudioDevice", &text));
  EXPECT_EQ(text, mmeName);
  ASSERT_TRUE(storedInt("AB SampleRate", &v));
  EXPECT_EQ(v, 48000);
  ASSERT_TRUE(storedInt("AB Latency", &v));
  EXPECT_EQ(v, 50);
  ASSERT_TRUE(storedInt("AB OutputChannel 0", &v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(storedInt("AB OutputChannel 1", &v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(storedInt("AB OutputChannel 31", &v));
  EXPECT_EQ(v, -1);
  ASSERT_TRUE(storedInt("AB MidiOutPort 0", &v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(storedText("AB AudioInputDevice", &text));
  EXPECT_EQ(text, "no device");  // the MME device's "ActiveAudioInDevice" without an input
  // The same values as the prefix's own tool shows them.
  const std::string query = runAndCapture("reg query \"HKCU\\" + settingsUserPath() + "\"", 120000);
  EXPECT_NE(query.find("AB SampleRate"), std::string::npos) << query;
  EXPECT_NE(query.find("0xbb80"), std::string::npos) << query;
  EXPECT_NE(query.find("AB AudioDevice"), std::string::npos) << query;
  EXPECT_NE(query.find(mmeName), std::string::npos) << query;

  // A fresh process loads them and plays.
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  SetEnvironmentVariableA("MORVANE_SETTINGS_CHILD", "1");
  SetEnvironmentVariableA("MORVANE_SETTINGS_PROGRAM", settingsProgram().c_str());
  DWORD code = 99;
  const std::string output =
      runAndCapture(std::string("\"") + exe + "\" --gtest_filter=SettingsPersistenceChild.*", 120000, &code);
  SetEnvironmentVariableA("MORVANE_SETTINGS_CHILD", nullptr);
  SetEnvironmentVariableA("MORVANE_SETTINGS_PROGRAM", nullptr);
  EXPECT_EQ(code, 0u) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  clearSettings();
}

TEST(SettingsPersistenceChild, LoadsTheSavedChoiceAndPlays) {
  if (!isChild()) GTEST_SKIP() << "runs as the child of TheSavedChoiceReopensInAFreshProcessAndPlays";
  startHostSettings();
  std::string stored;
  ASSERT_TRUE(storedText("AB AudioDevice", &stored));
  SineClient client;
  AudioManager* m = client.manager;
  m->instance = 0;
  client.open(nullptr);
  const uint32_t mme = firstMme(m);
  ASSERT_NE(mme, 0u);
  ASSERT_EQ(abDevOpen(mme, true), 0);
  const int channels = portCount(mme, true);
  ASSERT_EQ(abDevOpen(mme, false), 0);
  ASSERT_GE(channels, 2);
  const std::string path = audioOutputFile(48000, channels, "S16_LE");
  ASSERT_FALSE(path.empty());
  DeleteFileA(path.c_str());

  ASSERT_EQ(client.loadSettings(), 1);
  ASSERT_GE(m->audioDevice, 0);
  const uint32_t id = static_cast<uint32_t>(m->audioDevice);
  std::string name;
  ASSERT_EQ(deviceName(id, &name), 0);
  EXPECT_EQ(name, stored);
  EXPECT_EQ(m->outputRoutes[0], 1);
  EXPECT_EQ(m->outputRoutes[1], 0);
  EXPECT_EQ(m->outputRoutes[2], -1);
  EXPECT_EQ(m->deviceSampleRate(), 48000);
  EXPECT_EQ(deviceSampleRate(id), 48000);
  EXPECT_EQ(client.clientRate.load(), 48000);
  EXPECT_EQ(m->latencyMs, 50);
  EXPECT_EQ(deviceLatency(id), 50);
  EXPECT_EQ(abDevIsRunning(id), 1);
  // Two seconds of blocks of 2400 frames (50 ms at 48 kHz), and more.
  for (int t = 0; t < 30000 && client.blocks.load() < 45; t += 10) Sleep(10);
  EXPECT_GE(client.blocks.load(), 45);
  client.close();

  // The sine went to device output 1, as routed; output 0 stayed silent.
  const std::vector<int16_t> file = readSamples<int16_t>(path);
  ASSERT_GE(file.size(), static_cast<size_t>(channels) * 96000) << path;
  std::vector<float> right;
  int16_t leftPeak = 0;
  for (size_t f = 0; f + 1 < file.size() / channels; ++f) {
    leftPeak = std::max<int16_t>(leftPeak, static_cast<int16_t>(std::abs(file[f * channels])));
    right.push_back(file[f * channels + 1] / 32768.0f);
  }
  EXPECT_EQ(leftPeak, 0);
  size_t start = 0;
  while (start < right.size() && right[start] == 0.0f) ++start;
  ASSERT_GT(right.size(), start + 48000);
  EXPECT_NEAR(signalPeakFrequency(right.data() + start, 48000, 48000.0), 440.0, 1.0);
}

TEST(SettingsPersistence, ARateTheDeviceDoesNotTakeIsReplacedByItsOwnAndSaved) {
  if (isChild()) GTEST_SKIP();
  startHostSettings();
  clearSettings();
  SineClient client;
  AudioManager* m = client.manager;
  m->instance = 0;
  client.open(nullptr);
  const uint32_t ds = firstOfKind(m, DirectSoundDevice::kDriverKind);
  ASSERT_NE(ds, 0u) << "no DirectSound device";
  std::string name;
  ASSERT_EQ(deviceName(ds, &name), 0);
  storeText("AB AudioDevice", name);
  storeInt("AB SampleRate", 12345);
  storeInt("AB Latency", 30);
  storeInt("AB OutputChannel 0", 0);
  storeInt("AB OutputChannel 1", 1);
  // A rate the device does not offer never reaches it: 44,100 Hz plays, and the answer 0 opens the
  // "Audio Setup" dialog.
  EXPECT_EQ(client.loadSettings(), 0);
  EXPECT_EQ(m->audioDevice, static_cast<int32_t>(ds));
  EXPECT_EQ(deviceSampleRate(ds), 44100);
  EXPECT_EQ(m->deviceSampleRate(), 44100);
  EXPECT_EQ(client.clientRate.load(), 44100);
  EXPECT_EQ(deviceLatency(ds), 30);
  // "Latency" 30 keeps 25 ms (the device stores the value less 5): 1102 frames, so 9 x 128.
  EXPECT_EQ(deviceBufferSize(ds), 1152);
  for (int t = 0; t < 10000 && client.blocks.load() < 10; t += 10) Sleep(10);
  EXPECT_GE(client.blocks.load(), 10);
  m->saveSettings();
  int32_t v = 0;
  ASSERT_TRUE(storedInt("AB SampleRate", &v));
  EXPECT_EQ(v, 44100);
  client.close();
  clearSettings();
}

TEST(SettingsPersistence, AccessorsOnTheMmeDevice) {
  if (isChild()) GTEST_SKIP();
  startHostSettings();
  // Accepts exactly 44100 Hz, without resampling: only that rate of the device's list is offered.
  class OnlyOneRate : public SineClient {
   public:
    bool supportsRate(float rate) override { return rate == 44100.0f; }
  } client;
  client.setResampling(false);
  client.open(nullptr);
  AudioManager* m = client.manager;
  const uint32_t id = firstMme(m);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(deviceKind(id), AB_ERR_NOT_OPEN);  // the MME device describes itself only while open
  EXPECT_EQ(deviceSampleRate(id), 44100);      // unreadable while closed: the default
  EXPECT_EQ(deviceLatency(id), 0);
  EXPECT_EQ(portCount(id, true), 0);
  ASSERT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(deviceKind(id), kMmeKind);
  const int outputs = portCount(id, true);
  EXPECT_GE(outputs, 2);
  std::string port = "stale";
  EXPECT_TRUE(portName(id, true, 0, &port));
  EXPECT_EQ(port.compare(0, 4, "MME "), 0);
  port = "stale";
  EXPECT_FALSE(portName(id, true, outputs, &port));
  EXPECT_TRUE(port.empty());
  int low = -1, high = -1;
  EXPECT_FALSE(latencyRange(id, &low, &high));  // a single 4-byte word
  EXPECT_EQ(low, -1);
  bool changeable = false;
  EXPECT_TRUE(hasLatency(id, &changeable));
  EXPECT_TRUE(changeable);
  EXPECT_FALSE(hasControlPanel(id));
  EXPECT_TRUE(hasBufferSize(id));
  std::vector<int> rates;
  EXPECT_EQ(listSampleRates(id, &rates, m), 0);
  EXPECT_EQ(rates, std::vector<int>({44100}));
  EXPECT_EQ(listSampleRates(id, &rates, nullptr), 0);
  EXPECT_GE(rates.size(), 2u);
  std::vector<AudioInDeviceEntry> inputs;
  EXPECT_EQ(listInputDevices(id, &inputs), 0);
  ASSERT_GE(inputs.size(), 1u);
  EXPECT_STREQ(inputs[0].name, "no device");
  EXPECT_EQ(m->setLatency(id, 40), 0);
  EXPECT_EQ(m->getLatencyMs(), 40);
  EXPECT_EQ(deviceLatency(id), 40);
  EXPECT_EQ(deviceBufferSize(id), 1764);
  EXPECT_EQ(setPortEnabled(id, 1, true, false), 0);
  EXPECT_EQ(setPortEnabled(id, 99, true, false), 0);  // no such port: nothing changes
  EXPECT_EQ(setPortActive(id, -7, true, false), 0);
  ASSERT_EQ(abDevOpen(id, false), 0);
  EXPECT_EQ(defaultDevice(), static_cast<int>(firstOfKind(m, DirectSoundDevice::kDriverKind)));
  client.close();
}
