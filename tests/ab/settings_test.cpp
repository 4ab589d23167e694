// The host's settings against the registry of the Wine prefix, with the test device: value names per
// manager, what loadSettings makes of missing and hostile values, and the reset a device asks for from
// its own thread, carried over two ticks of the framework's timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ABAudioManager.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "feedDevice.h"
#include "hostSettings.h"
#include "uia.h"

namespace {

// A test device that records what is done to it.
class LoggingDevice : public FeedDevice {
 public:
  LoggingDevice() : FeedDevice(2, 2, 48000, 512, "Feed Device Logging 1") {}
  int open(bool on) override {
    log += on ? "open " : "close ";
    return FeedDevice::open(on);
  }
  int start(bool on) override {
    log += on ? "start " : "stop ";
    return FeedDevice::start(on);
  }
  std::string log;
};

std::function<void(UiaApplication&)> g_body;

class SettingsModule : public UiaModule {
 public:
  bool init() override {
    UiaApplication* application = new UiaApplication;
    if (!attachApplication(application)) return false;
    if (g_body) g_body(*application);
    return false;  // no message loop
  }
  void exit(bool) override { deleteApplication(); }
};

// Runs body with an application attached and the module running (so framework timers exist).
void inApplication(const std::function<void(UiaApplication&)>& body) {
  static SettingsModule* module = nullptr;
  if (!module) {
    module = new SettingsModule;
    uiaSetInstance(GetModuleHandleA(nullptr));
    startHostSettings();
    uiaInit(UIA_VERSION, UIA_BUILD);
  }
  g_body = body;
  uiaRun();
  g_body = nullptr;
}

bool pumpUntil(const std::function<bool()>& done, int ms) {
  const DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < static_cast<DWORD>(ms)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return done();
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startHostSettings();
    clearSettings();
    client = new SineClient;
    client->manager->instance = 0;
    client->open(nullptr);
    device = new LoggingDevice;
    deviceId = abDevAddTestDevice(device);
    ASSERT_NE(deviceId, 0u);
    listAudioDevices(&client->manager->audioDevices);
  }
  void TearDown() override {
    delete client;  // closes the device layer
    clearSettings();
  }
  AudioManager* manager() { return client->manager; }
  // The stored settings of a device that plays, with a few values changed.
  void storeGood() {
    storeText("AB AudioDevice", "Feed Device Logging 1");
    storeInt("AB SampleRate", 48000);
    storeInt("AB Latency", 20);
    storeInt("AB OutputChannel 0", 1);
    storeInt("AB OutputChannel 1", 0);
  }
  SineClient* client = nullptr;
  LoggingDevice* device = nullptr;
  uint32_t deviceId = 0;
};

}  // namespace

TEST_F(SettingsTest, ValueNamesCarryTheInstanceOfLaterManagers) {
  EXPECT_EQ(manager()->settingName("SampleRate"), "AB SampleRate");
  EXPECT_EQ(manager()->settingName("OutputChannel 7"), "AB OutputChannel 7");
  manager()->instance = 3;
  EXPECT_EQ(manager()->settingName("SampleRate"), "AB 3 SampleRate");
  manager()->instance = 0;
}

TEST_F(SettingsTest, StoredDeviceOpensWithItsRoutesAndRateAndPlays) {
  storeGood();
  ASSERT_EQ(client->loadSettings(), 1);
  EXPECT_EQ(manager()->audioDevice, static_cast<int32_t>(deviceId));
  EXPECT_EQ(device->log, "open start ");
  EXPECT_EQ(manager()->outputRoutes[0], 1);
  EXPECT_EQ(manager()->outputRoutes[1], 0);
  EXPECT_EQ(manager()->outputRoutes[2], -1);
  EXPECT_EQ(manager()->deviceSampleRate(), 48000);
  EXPECT_EQ(client->clientRate.load(), 48000);
  EXPECT_EQ(manager()->latencyMs, 20);
  // It plays: the sine reaches device output 1 (client output 0 is routed there).
  ASSERT_TRUE(device->feed(256, nullptr, 0));
  EXPECT_GT(client->blocks.load(), 0);
  float peak0 = 0, peak1 = 0;
  for (int f = 0; f < 256; ++f) {
    peak0 = std::max(peak0, std::abs(device->output(0)[f]));
    peak1 = std::max(peak1, std::abs(device->output(1)[f]));
  }
  EXPECT_EQ(peak0, 0.0f);
  EXPECT_GT(peak1, 0.4f);

  // Saved back as read.
  clearSettings();
  manager()->saveSettings();
  std::string text;
  int32_t v = 0;
  ASSERT_TRUE(storedText("AB AudioDevice", &text));
  EXPECT_EQ(text, "Feed Device Logging 1");
  ASSERT_TRUE(storedInt("AB SampleRate", &v));
  EXPECT_EQ(v, 48000);
  ASSERT_TRUE(storedInt("AB Latency", &v));
  EXPECT_EQ(v, 20);
  ASSERT_TRUE(storedInt("AB OutputChannel 0", &v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(storedInt("AB InputChannel 31", &v));
  EXPECT_EQ(v, -1);
  ASSERT_TRUE(storedInt("AB MidiInPort 31", &v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(storedInt("AB InputLatency", &v));
  EXPECT_EQ(v, 0);  // the test device has no input latency
  ASSERT_TRUE(storedText("AB AudioInputDevice", &text));
  EXPECT_EQ(text, "");
}

TEST_F(SettingsTest, MissingOrUnknownDeviceAnswersZero) {
  struct Case {
    const char* stored;  // null: no value at all
  } cases[] = {{nullptr}, {""}, {"Nothing Of That Name"}, {"Feed"}};
  for (const Case& c : cases) {
    clearSettings();
    if (c.stored) storeText("AB AudioDevice", c.stored);
    storeInt("AB SampleRate", 48000);
    EXPECT_EQ(client->loadSettings(), 0) << (c.stored ? c.stored : "(none)");
    EXPECT_EQ(manager()->audioDevice, -1);
    EXPECT_EQ(device->log, "");
  }
  // A 300-character name cannot be read: as if none were stored.
  clearSettings();
  storeText("AB AudioDevice", "Feed Device Logging 1" + std::string(281, 'x'));
  EXPECT_EQ(client->loadSettings(), 0);
  // The name is compared on its first 20 characters.
  clearSettings();
  storeText("AB AudioDevice", "Feed Device Logging 2");
  EXPECT_EQ(client->loadSettings(), 1);
  EXPECT_EQ(manager()->audioDevice, static_cast<int32_t>(deviceId));
}

// Values out of their ranges never reach the device: the default is used, and the answer 0 opens the
// "Audio Setup" dialog as for a missing device while the device plays with the defaults. A value of
// another type (a text where a number belongs) counts as missing.
TEST_F(SettingsTest, HostileValuesGiveDefaultsAndRefusedOnesAnswerZero) {
  struct Case {
    const char* name;
    int32_t value;
    int answer;  // of loadSettings
    std::function<void(AudioManager*)> check;
    const char* text = nullptr;  // stored as a text instead of the number
  } cases[] = {
      {"AB SampleRate", 0, 1, [](AudioManager* m) { EXPECT_EQ(m->deviceSampleRate(), 48000); }},
      {"AB SampleRate", -1, 1, [](AudioManager* m) { EXPECT_EQ(m->deviceSampleRate(), 48000); }},
      {"AB SampleRate", 57, 0, [](AudioManager* m) { EXPECT_EQ(m->deviceSampleRate(), 44100); }},
      {"AB SampleRate", 2147483647, 0, [](AudioManager* m) { EXPECT_EQ(m->deviceSampleRate(), 44100); }},
      {"AB SampleRate", 0, 1, [](AudioManager* m) { EXPECT_EQ(m->deviceSampleRate(), 44100); }, "9"},
      {"AB Latency", 0, 0, [](AudioManager* m) { EXPECT_EQ(m->latencyMs, 10); }},
      {"AB Latency", 1000000, 0, [](AudioManager* m) { EXPECT_EQ(m->latencyMs, 10); }},
      {"AB Latency", 10000, 1, [](AudioManager* m) { EXPECT_EQ(m->latencyMs, 10000); }},
      {"AB Latency", 0, 1, [](AudioManager* m) { EXPECT_EQ(m->latencyMs, 10); }, "20"},
      {"AB OutputChannel 0", 99, 0, [](AudioManager* m) { EXPECT_EQ(m->outputRoutes[0], -1); }},
      {"AB OutputChannel 0", -7, 0, [](AudioManager* m) { EXPECT_EQ(m->outputRoutes[0], -1); }},
      {"AB OutputChannel 0", 31, 1, [](AudioManager* m) { EXPECT_EQ(m->outputRoutes[0], 31); }},
      // The text counts as missing: no output is routed, so the first outputs are.
      {"AB OutputChannel 0", 0, 1, [](AudioManager* m) { EXPECT_EQ(m->outputRoutes[0], 0); }, "1"},
      {"AB InputChannel 5", 32, 0, [](AudioManager* m) { EXPECT_EQ(m->inputRoutes[5], -1); }},
      {"AB MidiInPort 3", 7, 1, [](AudioManager* m) { EXPECT_EQ(m->midiInPorts[3], 1); }},
  };
  for (const Case& c : cases) {
    clearSettings();
    storeText("AB AudioDevice", "Feed Device Logging 1");
    const int32_t own = 48000;  // the device's own rate before the settings are read
    ASSERT_EQ(abDevSetProperty("SampleRate", deviceId, &own, 4), 0);
    if (c.text)
      storeText(c.name, c.text);
    else
      storeInt(c.name, c.value);
    SCOPED_TRACE(std::string(c.name) + " " + (c.text ? std::string("text ") + c.text : std::to_string(c.value)));
    EXPECT_EQ(client->loadSettings(), c.answer);
    EXPECT_EQ(manager()->audioDevice, static_cast<int32_t>(deviceId));
    c.check(manager());
    EXPECT_EQ(abDevIsRunning(deviceId), 1);
  }
  // A rate that was ignored is saved as the device's own.
  clearSettings();
  storeText("AB AudioDevice", "Feed Device Logging 1");
  storeInt("AB SampleRate", -1);
  const int32_t own = 48000;
  ASSERT_EQ(abDevSetProperty("SampleRate", deviceId, &own, 4), 0);
  ASSERT_EQ(client->loadSettings(), 1);
  manager()->saveSettings();
  int32_t v = 0;
  ASSERT_TRUE(storedInt("AB SampleRate", &v));
  EXPECT_EQ(v, 48000);
}

// Stored output routes that route nothing (missing, texts where numbers belong, or all "not routed")
// would leave the device silent without a word: the client's first two outputs play on the device's
// first two, and are saved so. Routes that name an output stay as stored.
TEST_F(SettingsTest, OutputRoutesThatRouteNothingFallBackToTheFirstOutputs) {
  struct Case {
    const char* what;
    std::function<void()> store;
    int32_t left, right;  // outputRoutes[0] and [1] after reading
  } cases[] = {
      {"missing", [] {}, 0, 1},
      {"texts",
       [] {
         storeText("AB OutputChannel 0", "0");
         storeText("AB OutputChannel 1", "1");
       },
       0, 1},
      {"all not routed",
       [] {
         for (int n = 0; n < 32; ++n) storeInt(("AB OutputChannel " + std::to_string(n)).c_str(), -1);
       },
       0, 1},
      {"only the right one", [] { storeInt("AB OutputChannel 1", 1); }, -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearSettings();
    storeText("AB AudioDevice", "Feed Device Logging 1");
    storeInt("AB SampleRate", 48000);
    c.store();
    EXPECT_EQ(client->loadSettings(), 1);
    EXPECT_EQ(manager()->outputRoutes[0], c.left);
    EXPECT_EQ(manager()->outputRoutes[1], c.right);
    for (int n = 2; n < 32; ++n) EXPECT_EQ(manager()->outputRoutes[n], -1) << n;
    // What the device plays: the client's sine (its output 0) on the output that output is routed to.
    ASSERT_TRUE(device->feed(256, nullptr, 0));
    for (int port = 0; port < 2; ++port) {
      float peak = 0;
      for (int f = 0; f < 256; ++f) peak = std::max(peak, std::abs(device->output(port)[f]));
      EXPECT_EQ(peak > 0.4f, c.left == port) << "output " << port;
    }
    clearSettings();
    manager()->saveSettings();
    int32_t v = 99;
    ASSERT_TRUE(storedInt("AB OutputChannel 0", &v));
    EXPECT_EQ(v, c.left);
  }
}

TEST_F(SettingsTest, ASecondManagerUsesItsInstanceInTheNamesAndNoMidiDevice) {
  EXPECT_NE(manager()->midiDevice, -1);  // the first manager runs the MIDI device
  SineClient second;
  second.manager->instance = 1;
  second.open(nullptr);
  EXPECT_EQ(second.manager->midiDevice, -1);
  ASSERT_TRUE(second.manager->switchDevice(deviceId, true));
  second.manager->outputRoutes[0] = 0;
  second.manager->saveSettings();
  std::string text;
  int32_t v = 0;
  EXPECT_TRUE(storedText("AB 1 AudioDevice", &text));
  EXPECT_EQ(text, "Feed Device Logging 1");
  EXPECT_TRUE(storedInt("AB 1 OutputChannel 0", &v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(storedText("AB AudioDevice", &text));
  // It finds its own values, not the first manager's.
  storeText("AB AudioDevice", "Nothing Of That Name");
  listAudioDevices(&second.manager->audioDevices);
  EXPECT_EQ(second.manager->loadSettings(), 1);
  second.close();
}

TEST_F(SettingsTest, AResetRequestedFromTheDeviceThreadRunsOverTwoTicks) {
  inApplication([&](UiaApplication& application) {
    storeGood();
    ASSERT_EQ(client->loadSettings(), 1);
    ASSERT_EQ(device->log, "open start ");
    AudioRateTimer* timer = manager()->rateTimer.get();
    ASSERT_NE(timer, nullptr);
    ASSERT_EQ(device->client, timer);
    clearSettings();  // the first tick saves them again

    // Ten requests in a burst from the device's own thread.
    std::thread driver([&] {
      for (int i = 0; i < 10; ++i) device->client->requestReset();
    });
    driver.join();
    EXPECT_TRUE(timer->resetPending());
    EXPECT_EQ(timer->timerId, nullptr);  // nothing touched the timer list on that thread
    ASSERT_TRUE(pumpUntil([&] { return timer->timerId != nullptr; }, 3000));
    EXPECT_EQ(device->log, "open start ");

    // Tick 1: saved and stopped.
    application.runTimers();
    EXPECT_EQ(device->log, "open start stop ");
    EXPECT_EQ(abDevIsOpen(deviceId), 1);
    std::string text;
    EXPECT_TRUE(storedText("AB AudioDevice", &text));
    EXPECT_EQ(text, "Feed Device Logging 1");
    // Tick 2: closed, opened again from the stored settings and playing.
    application.runTimers();
    EXPECT_EQ(device->log, "open start stop close open start ");
    EXPECT_EQ(abDevIsRunning(deviceId), 1);
    EXPECT_EQ(manager()->outputRoutes[0], 1);
    EXPECT_EQ(manager()->audioDevice, static_cast<int32_t>(deviceId));
    EXPECT_EQ(timer->timerId, nullptr);
    EXPECT_EQ(application.firstTimer(), nullptr);
    EXPECT_FALSE(timer->resetPending());

    // One reset for the burst: nothing further arrives.
    pumpUntil([] { return false; }, 150);
    application.runTimers();
    application.runTimers();
    EXPECT_EQ(device->log, "open start stop close open start ");

    // A later request is a new reset.
    device->client->requestReset();
    ASSERT_TRUE(pumpUntil([&] { return timer->timerId != nullptr; }, 3000));
    application.runTimers();
    application.runTimers();
    EXPECT_EQ(device->log, "open start stop close open start stop close open start ");
  });
}

TEST_F(SettingsTest, AResetRequestWithoutTheFrameworkIsDropped) {
  storeGood();
  ASSERT_EQ(client->loadSettings(), 1);
  AudioRateTimer* timer = manager()->rateTimer.get();
  timer->requestReset();
  pumpUntil([] { return false; }, 50);  // the posted request arrives: no application, no timer
  EXPECT_EQ(timer->timerId, nullptr);
  EXPECT_FALSE(timer->resetPending());
  EXPECT_EQ(device->log, "open start ");
}
