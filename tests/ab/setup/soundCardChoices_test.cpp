// The SoundCard page's choices through the real dialog: the rate that the device then plays at (its
// ALSA output file says so), OK against the three ways of dismissing it, the driver's panel button,
// a client without inputs, a latency outside the device's range, and devices and clients that ask
// too much or too little.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ABAudioManager.h"
#include "ABAudioSetupDialog.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "ABSoundCardPage.h"
#include "NGLSelector.h"
#include "asioRegistration.h"
#include "deviceTestSupport.h"
#include "fakeAsioDriver.h"
#include "hostSettings.h"
#include "setupTestSupport.h"
#include "support/audioFiles.h"
#include "support/signal.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace soundcardchoicestest {

namespace {

const int32_t kKindButton = 24, kDeviceLabel = 6, kDeviceButton = 14, kRateLabel = 22, kRateButton = 23,
              kPanelButton = 103, kInputCaption = 9, kInputLabel = 10, kInputButton = 15, kOutLatencyCaption = 18,
              kLatencyOut = 2, kOutLatencyLabel = 19, kLatencyIn = 3, kInLatencyLabel = 25;

// Chooses a device through the Interface menu and then the device menu.
void chooseDevice(DialogDriver& driver, const char* kind, const char* device) {
  driver.clickWidget(soundCardOf, kKindButton);
  ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, kind)) << kind;
  driver.clickWidget(soundCardOf, kDeviceButton);
  ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, device)) << device;
}

}  // namespace

TEST(SoundCardChoices, Rate48000ShowsInTheLabelAndTheDevicePlaysAtItAfterOk) {
  Host host(2, 2);
  const uint32_t mme = storeAndPlayMme(host, 0, 1);
  ASSERT_NE(mme, 0u);
  const int channels = portCount(mme, true);
  ASSERT_GE(channels, 2);
  const std::string path = audioOutputFile(48000, channels, "S16_LE");
  ASSERT_FALSE(path.empty());
  DeleteFileA(path.c_str());
  std::string before, after;
  std::vector<std::string> rates;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    driver.onDialogThread([&](AudioSetupDialog* d) { before = labelText(d->soundCardPage.get(), kRateLabel); });
    driver.clickWidget(soundCardOf, kRateButton);
    driver.onDialogThread([&](AudioSetupDialog* d) { rates = openMenuNames(d); });
    driver.capture("ab-setup-rate-menu.png");
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "48000"));
    driver.onDialogThread([&](AudioSetupDialog* d) { after = labelText(d->soundCardPage.get(), kRateLabel); });
    driver.capture("ab-setup-rate-48000.png");
    driver.clickWidget(buttonsOf, 1);
    EXPECT_TRUE(driver.waitUntilClosed());
  });
  EXPECT_EQ(before, "44100");  // "%d" once the page has refreshed
  EXPECT_NE(std::find(rates.begin(), rates.end(), "48000"), rates.end());
  EXPECT_EQ(after, "48000");
  AudioManager* m = host.client.manager;
  EXPECT_EQ(m->audioDevice, static_cast<int32_t>(mme));
  EXPECT_EQ(abDevIsRunning(mme), 1);
  EXPECT_EQ(deviceSampleRate(mme), 48000);
  int32_t stored = 0;
  EXPECT_TRUE(storedInt("AB SampleRate", &stored));
  EXPECT_EQ(stored, 48000);
  // A second of sound at 48 kHz in the device's output file (after the silence of the restart):
  // the 440 Hz sine on channel 0.
  std::vector<float> left;
  size_t start = 0;
  for (int t = 0; t < 30000; t += 20) {
    const std::vector<int16_t> file = readSamples<int16_t>(path);
    left.clear();
    for (size_t f = 0; f < file.size() / channels; ++f) left.push_back(file[f * channels] / 32768.0f);
    start = 0;
    while (start < left.size() && left[start] == 0.0f) ++start;
    if (left.size() > start + 48000) break;
    Sleep(20);
  }
  ASSERT_GT(left.size(), start + 48000) << path;
  EXPECT_NEAR(signalPeakFrequency(left.data() + start, 48000, 48000.0), 440.0, 1.0);
}

// Cancel, Esc and the close box after another device was chosen: nothing is written and the stored
// device plays again.
TEST(SoundCardChoices, DismissingWritesNothingAndReopensTheStoredDevice) {
  struct Case {
    const char* how;
    std::function<void(DialogDriver&)> end;
  };
  const Case cases[] = {
      {"Cancel",
       [](DialogDriver& d) {
         d.clickWidget(buttonsOf, 2);
         d.waitUntilClosed();
       }},
      {"Esc", [](DialogDriver& d) { d.pressEscape(); }},
      {"close box", [](DialogDriver& d) { d.pressCloseBox(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    Host host(2, 2);
    SetupTestDevice* other = new SetupTestDevice("Other", 12, 2, 2);
    const uint32_t otherId = host.add(other);
    const uint32_t mme = storeAndPlayMme(host, 0, 1);
    ASSERT_NE(mme, 0u);
    const std::map<std::string, std::string> stored = storedValues();
    ASSERT_FALSE(stored.empty());
    bool closed = false;
    runDialog(host.client, true, [&](DialogDriver& driver) {
      chooseDevice(driver, "Jack", "Other");
      driver.onDialogThread([&](AudioSetupDialog*) { EXPECT_EQ(setupDevice, static_cast<int32_t>(otherId)); });
      EXPECT_TRUE(other->opened.load());
      c.end(driver);
      closed = !IsWindow(driver.dialog());
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(storedValues(), stored);
    EXPECT_EQ(host.client.manager->audioDevice, static_cast<int32_t>(mme));
    EXPECT_EQ(abDevIsRunning(mme), 1);
    EXPECT_FALSE(other->opened.load());
  }
}

TEST(SoundCardChoices, OkSavesTheChosenDevice) {
  Host host(2, 2);
  SetupTestDevice* other = new SetupTestDevice("Other", 12, 2, 2);
  const uint32_t otherId = host.add(other);
  ASSERT_NE(storeAndPlayMme(host, 0, 1), 0u);
  runDialog(host.client, true, [&](DialogDriver& driver) {
    chooseDevice(driver, "Jack", "Other");
    driver.clickWidget(buttonsOf, 1);
    driver.waitUntilClosed();
  });
  std::string name;
  EXPECT_TRUE(storedText("AB AudioDevice", &name));
  EXPECT_EQ(name, "Other");
  EXPECT_EQ(host.client.manager->audioDevice, static_cast<int32_t>(otherId));
  EXPECT_TRUE(other->running.load());
}

TEST(SoundCardChoices, TheConfigButtonShowsOnlyForADeviceWithAControlPanel) {
  Host host(2, 2);
  SetupTestDevice* plain = new SetupTestDevice("Plain", 12, 2, 2);
  SetupTestDevice* panel = new SetupTestDevice("Panel", 12, 2, 2);
  panel->hasControlPanel = true;
  host.add(plain);
  host.add(panel);
  bool plainShows = true, panelShows = false;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    chooseDevice(driver, "Jack", "Plain");
    driver.onDialogThread(
        [&](AudioSetupDialog* d) { plainShows = widgetVisible(d->soundCardPage.get(), kPanelButton); });
    chooseDevice(driver, "Jack", "Panel");
    driver.onDialogThread(
        [&](AudioSetupDialog* d) { panelShows = widgetVisible(d->soundCardPage.get(), kPanelButton); });
    driver.capture("ab-setup-config-button.png");
    driver.clickWidget(soundCardOf, kPanelButton);
    driver.onDialogThread(
        [&](AudioSetupDialog* d) { EXPECT_EQ(switchState(d->soundCardPage.get(), kPanelButton), 0u); });
  });
  EXPECT_FALSE(plainShows);
  EXPECT_TRUE(panelShows);
  EXPECT_EQ(panel->panels.load(), 1);
}

// The fake ASIO driver through COM: its device has a control panel, the MME device none.
TEST(SoundCardChoices, TheConfigButtonFollowsTheAsioDriversPanel) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\asio");
  const std::string server = exeDir() + "\\fakeasio.dll";
  registerServer(kFakeAsioClsidText, server);
  listDriver("Fake ASIO", kFakeAsioClsidText, "Fake ASIO");
  listDriver("Fake ASIO 2", kFakeAsioClsidText, "Fake ASIO 2");
  listDriver("Fake ASIO 3", kFakeAsioClsidText, "Fake ASIO 3");
  HMODULE module = LoadLibraryA(server.c_str());
  ASSERT_NE(module, nullptr);
  typedef FakeAsioState* (*StateFn)();
  FakeAsioState* fake = reinterpret_cast<StateFn>(reinterpret_cast<void*>(GetProcAddress(module, "fakeAsioState")))();
  ASSERT_NE(fake, nullptr);
  fakeAsioReset(fake);
  {
    Host host(2, 2);
    bool asioShows = false, mmeShows = true;
    std::string kind, chosen;
    double ms = 0;
    runDialog(host.client, true, [&](DialogDriver& driver) {
      // The default device is the first ASIO one: another kind first, then ASIO again, whose
      // choice loads each of the three drivers in turn; the last stays chosen.
      driver.clickWidget(soundCardOf, 24);
      ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "MultiMedia"));
      driver.clickWidget(soundCardOf, 24);
      LARGE_INTEGER f, a, b;
      QueryPerformanceFrequency(&f);
      QueryPerformanceCounter(&a);
      ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "ASIO"));
      QueryPerformanceCounter(&b);
      ms = double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart);
      driver.onDialogThread([&](AudioSetupDialog* d) { chosen = labelText(d->soundCardPage.get(), kDeviceLabel); });
      driver.clickWidget(soundCardOf, kDeviceButton);
      ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Fake ASIO"));
      driver.onDialogThread([&](AudioSetupDialog* d) {
        asioShows = widgetVisible(d->soundCardPage.get(), kPanelButton);
        kind = labelText(d->soundCardPage.get(), 8);
      });
      driver.capture("ab-setup-asio.png");
      driver.clickWidget(soundCardOf, kPanelButton);
      chooseDevice(driver, "MultiMedia", "MME Out: default");
      driver.onDialogThread(
          [&](AudioSetupDialog* d) { mmeShows = widgetVisible(d->soundCardPage.get(), kPanelButton); });
    });
    EXPECT_EQ(kind, "ASIO");
    // The last ASIO device of the list stays chosen.
    std::string last;
    int asioDevices = 0;
    for (uint32_t id : host.client.manager->audioDevices) {
      std::string name;
      if (deviceName(id, &name) == 0 && name.compare(0, 9, "Fake ASIO") == 0) {
        last = name;
        ++asioDevices;
      }
    }
    EXPECT_EQ(asioDevices, 3);
    EXPECT_EQ(chosen, last);
    std::printf("[ figures  ] choosing ASIO (3 fake drivers loaded and released in turn): %.1f ms\n", ms);
    EXPECT_TRUE(asioShows);
    EXPECT_FALSE(mmeShows);
    EXPECT_EQ(fake->record.controlPanels.load(), 1);
  }
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\asio");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kFakeAsioClsidText).c_str());
}

TEST(SoundCardChoices, AClientWithoutInputsHidesTheInputRowsAndMovesTheLatencyRowOnce) {
  Host host(0, 2);
  SetupTestDevice* a = new SetupTestDevice("With Inputs A", 12, 2, 2);
  a->inputDevices = {"Mic"};
  a->activeInput = 0;
  a->hasInputLatencyProperty = true;
  SetupTestDevice* b = new SetupTestDevice("With Inputs B", 12, 2, 2);
  b->inputDevices = {"Line"};
  host.add(a);
  host.add(b);
  std::vector<int32_t> tops;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    auto look = [&](AudioSetupDialog* d) {
      Form* p = d->soundCardPage.get();
      for (int32_t id : {kInputCaption, kInputLabel, kInputButton, kLatencyIn, kInLatencyLabel}) {
        EXPECT_FALSE(widgetVisible(p, id)) << id;
        EXPECT_FALSE(p->findWidget(id)->isEnabled()) << id;
      }
      tops.push_back(p->findWidget(kOutLatencyCaption)->rect().y1);
      EXPECT_EQ(p->findWidget(kLatencyOut)->rect().y1, tops.back());
      EXPECT_EQ(p->findWidget(kOutLatencyLabel)->rect().y1, tops.back());
    };
    driver.onDialogThread(look);
    chooseDevice(driver, "Jack", "With Inputs A");
    driver.onDialogThread(look);
    chooseDevice(driver, "Jack", "With Inputs B");
    driver.onDialogThread(look);
    driver.capture("ab-setup-no-inputs.png");
  });
  ASSERT_EQ(tops.size(), 3u);
  for (int32_t top : tops) EXPECT_EQ(top, 99);  // the input device row's top
}

// A device whose latency range starts above the host's latency: the page clamps its value into the
// range once, and the selector, the label and the device then agree.
TEST(SoundCardChoices, ALatencyOutsideTheDevicesRangeIsClampedOnceAndAppliedAsShown) {
  Host host(2, 2);
  SetupTestDevice* ranged = new SetupTestDevice("Ranged", 12, 2, 2);
  ranged->latencyRanged = true;
  ranged->latencyLow = 20;
  ranged->latencyHigh = 200;
  ranged->latency = 50;
  ranged->inputDevices = {"Mic"};
  ranged->activeInput = 0;
  ranged->hasInputLatencyProperty = true;
  host.add(ranged);
  host.client.manager->latencyMs = 10;
  float selectorValue = -1.0f;
  std::string shown;
  int32_t managerLatency = -1;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    chooseDevice(driver, "Jack", "Ranged");
    // A change of the input latency applies both latencies.
    driver.clickWidget(soundCardOf, kLatencyIn);
    driver.onDialogThread([&](AudioSetupDialog* d) {
      Selector* s = dynamic_cast<Selector*>(d->soundCardPage->findWidget(kLatencyOut));
      selectorValue = s ? s->currentValue() : -2.0f;
      shown = labelText(d->soundCardPage.get(), kOutLatencyLabel);
      managerLatency = setupManager->latencyMs;
    });
    driver.capture("ab-setup-latency-clamped.png");
  });
  EXPECT_EQ(ranged->latency, 20);
  EXPECT_FLOAT_EQ(selectorValue, 20.0f);
  EXPECT_EQ(shown, "20 ms");
  EXPECT_EQ(managerLatency, 20);
}

// Devices with no ports, 40 ports, a port name of 64 characters without a terminator, or one that
// fails to open: each can be chosen and shown; the failing one is named but not opened, and the
// routing page is not told of it.
TEST(SoundCardChoices, DevicesThatAskTooMuchOrTooLittleCanBeChosen) {
  Host host(2, 2);
  SetupTestDevice* none = new SetupTestDevice("No Ports", 12, 0, 0);
  SetupTestDevice* many = new SetupTestDevice("Forty Ports", 12, 40, 40);
  SetupTestDevice* longName = new SetupTestDevice("Long Name", 12, 2, 2);
  longName->outputNames[1] = std::string(64, 'L');
  SetupTestDevice* failing = new SetupTestDevice("Failing", 12, 2, 2);
  failing->failOpen = true;
  host.add(none);
  const uint32_t manyId = host.add(many);
  host.add(longName);
  const uint32_t failingId = host.add(failing);
  runDialog(host.client, true, [&](DialogDriver& driver) {
    for (const char* name : {"No Ports", "Forty Ports", "Long Name"}) {
      chooseDevice(driver, "Jack", name);
      driver.onDialogThread(
          [&](AudioSetupDialog* d) { EXPECT_EQ(labelText(d->soundCardPage.get(), kDeviceLabel), name); });
      driver.clickWidget(tabsOf, 103);
      driver.capture(std::string("ab-setup-routing-") + name + ".png");
      driver.clickWidget(tabsOf, 100);
    }
    chooseDevice(driver, "Jack", "Forty Ports");
    chooseDevice(driver, "Jack", "Failing");
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(setupDevice, static_cast<int32_t>(failingId));
      EXPECT_EQ(labelText(d->soundCardPage.get(), kDeviceLabel), "Failing");
      EXPECT_EQ(d->routingPage->device, static_cast<int32_t>(manyId));  // not told of the failure
    });
    EXPECT_FALSE(failing->opened.load());
    driver.capture("ab-setup-failing-device.png");
  });
  EXPECT_FALSE(failing->opened.load());
}

// The MME device keeps a latency of whole frames: from another interface to MultiMedia, and after a
// click on the slider at a value the device cannot make exactly, the thumb, the label and the stored
// "AB Latency" say the same number of milliseconds.
TEST(SoundCardChoices, TheLatencyThumbLabelAndStoredValueAgree) {
  Host host(2, 2);
  const uint32_t mme = storeAndPlayMme(host, 0, 1);
  ASSERT_NE(mme, 0u);
  SetupTestDevice* other = new SetupTestDevice("Other", 12, 2, 2);
  other->latency = 10;
  host.add(other);
  host.client.manager->latencyMs = 10;
  auto thumbAndLabel = [](AudioSetupDialog* d, int* thumb, std::string* label) {
    Selector* s = dynamic_cast<Selector*>(d->soundCardPage->findWidget(kLatencyOut));
    *thumb = s ? static_cast<int>(s->currentValue()) : -1;
    *label = labelText(d->soundCardPage.get(), kOutLatencyLabel);
  };
  int thumbAfterSwitch = -1, thumbAfterClick = -1;
  std::string labelAfterSwitch, labelAfterClick;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    chooseDevice(driver, "Jack", "Other");
    driver.clickWidget(soundCardOf, kKindButton);
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "MultiMedia"));
    driver.onDialogThread([&](AudioSetupDialog* d) { thumbAndLabel(d, &thumbAfterSwitch, &labelAfterSwitch); });
    driver.capture("ab-setup-latency-multimedia.png");
    // A click a quarter along the slider (about 101 ms of 0..400: no whole number of frames).
    POINT at = {-1, -1};
    driver.onDialogThread([&](AudioSetupDialog* d) {
      Form* f = soundCardOf(d);
      Widget* w = f ? f->findWidget(kLatencyOut) : nullptr;
      if (!w) return;
      RegionRect r = w->rect();
      d->formWindow()->childRectToContainer(f, r);
      at.x = r.x1 + static_cast<LONG>((r.x2 - r.x1) * 0.2537);
      at.y = (r.y1 + r.y2) / 2;
    });
    ASSERT_GE(at.x, 0);
    driver.click(at);
    driver.onDialogThread([&](AudioSetupDialog* d) { thumbAndLabel(d, &thumbAfterClick, &labelAfterClick); });
    driver.capture("ab-setup-latency-clicked.png");
    driver.clickWidget(buttonsOf, 1);
    EXPECT_TRUE(driver.waitUntilClosed());
  });
  EXPECT_EQ(labelAfterSwitch, std::to_string(thumbAfterSwitch) + " ms") << "after the switch to MultiMedia";
  EXPECT_EQ(labelAfterClick, std::to_string(thumbAfterClick) + " ms") << "after the click";
  EXPECT_GT(thumbAfterClick, 50) << "the click moved the thumb";
  int32_t stored = -1;
  EXPECT_TRUE(storedInt("AB Latency", &stored));
  EXPECT_EQ(stored, thumbAfterClick);
  std::printf("latency: %s after the switch, %s after the click, %d stored\n", labelAfterSwitch.c_str(),
              labelAfterClick.c_str(), stored);
}

}  // namespace soundcardchoicestest

namespace soundcardchoicestest {

// A latency that one interface cannot make is cut for that interface alone: MultiMedia at 100 ms,
// then DirectSound (whose range ends at 97 ms at 44100 Hz), then MultiMedia again shows, runs and
// stores the 100 ms that were set.
TEST(SoundCardChoices, ALatencyCutByOneInterfaceComesBackOnTheNext) {
  Host host(2, 2);
  const uint32_t mme = storeAndPlayMme(host, 0, 1);
  ASSERT_NE(mme, 0u);
  host.client.manager->setLatency(mme, 100);
  SetupTestDevice* sound = new SetupTestDevice("Ranged Sound", 3, 2, 2);
  sound->latencyRanged = true;
  sound->latencyLow = 7;
  sound->latencyHigh = 97;
  sound->latency = 35;
  host.add(sound);
  struct Seen {
    const char* interfaceName;
    int thumb = -1;
    std::string label;
    int32_t kept = -1;  // the manager's latency, the one saved
  } seen[] = {{"MultiMedia (at the start)", -1, "", -1}, {"DirectSound", -1, "", -1}, {"MultiMedia", -1, "", -1}};
  runDialog(host.client, true, [&](DialogDriver& driver) {
    for (Seen& s : seen) {
      if (&s != &seen[0]) {
        driver.clickWidget(soundCardOf, kKindButton);
        ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, s.interfaceName)) << s.interfaceName;
      }
      driver.onDialogThread([&](AudioSetupDialog* d) {
        Selector* selector = dynamic_cast<Selector*>(d->soundCardPage->findWidget(kLatencyOut));
        s.thumb = selector ? static_cast<int>(selector->currentValue()) : -2;
        s.label = labelText(d->soundCardPage.get(), kOutLatencyLabel);
        s.kept = setupManager->latencyMs;
      });
      driver.capture(std::string("ab-setup-latency-round-trip-") + std::to_string(&s - seen) + ".png");
    }
    driver.clickWidget(buttonsOf, 1);
    EXPECT_TRUE(driver.waitUntilClosed());
  });
  const struct {
    int thumb;
    const char* label;
  } expected[] = {{100, "100 ms"}, {97, "97 ms"}, {100, "100 ms"}};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(seen[k].interfaceName);
    EXPECT_EQ(seen[k].thumb, expected[k].thumb);
    EXPECT_EQ(seen[k].label, expected[k].label);
    EXPECT_EQ(seen[k].kept, 100) << "the latency set stays the one kept";
  }
  EXPECT_EQ(sound->latency, 97) << "DirectSound ran at the end of its range";
  int32_t stored = -1;
  EXPECT_TRUE(storedInt("AB Latency", &stored));
  EXPECT_EQ(stored, 100);
}

}  // namespace soundcardchoicestest
