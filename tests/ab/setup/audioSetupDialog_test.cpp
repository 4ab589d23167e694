// The "Audio Setup" dialog as the program opens it (abOpenAudioSetup), modal on the main thread and
// driven from an automation thread: clicks posted to its inner window at the widgets' coordinates,
// captures of the inner window kept as PNG, and what the choices do to the manager, the devices, the
// stored settings and the sound.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ABAudioManager.h"
#include "ABAudioSetupDialog.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "ABSoundCardPage.h"
#include "NGLFormWindow.h"
#include "NGLItemMenu.h"
#include "NGLSelector.h"
#include "NGLSwitch.h"
#include "hostSettings.h"
#include "setupTestSupport.h"
#include "support/audioFiles.h"
#include "support/signal.h"
#include "uiaTestSupport.h"

namespace {

// SoundCard page widgets.
const int32_t kKindLabel = 8, kKindButton = 24, kDeviceLabel = 6, kDeviceButton = 14, kRateLabel = 22, kRateButton = 23,
              kPanelButton = 103, kInputCaption = 9, kInputLabel = 10, kInputButton = 15, kOutLatencyCaption = 18,
              kLatencyOut = 2, kOutLatencyLabel = 19, kLatencyIn = 3;

}  // namespace

TEST(AudioSetupDialog, OpensTitledWithTabsAndTheFirstPageAndSwitchesPages) {
  Host host(2, 2);
  char title[64] = "";
  SIZE inner = {};
  runDialog(host.client, true, [&](DialogDriver& driver) {
    GetWindowTextA(driver.dialog(), title, sizeof title);
    RECT r;
    GetClientRect(driver.inner(), &r);
    inner = SIZE{r.right, r.bottom};
    CapturedWindow shot;
    EXPECT_FALSE(driver.capture("ab-setup-soundcard.png", &shot).empty());
    EXPECT_EQ(shot.width, 400);
    EXPECT_EQ(shot.height, 32 + 205 + 40);
    driver.onDialogThread([](AudioSetupDialog* d) {
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(switchState(d->tabForm.get(), 100), 1u);
      EXPECT_EQ(switchState(d->tabForm.get(), 103), 0u);
      EXPECT_EQ(switchState(d->tabForm.get(), 104), 0u);
      EXPECT_EQ(d->currentPage, d->soundCardPage.get());
      EXPECT_TRUE(d->soundCardPage->isActive());
      EXPECT_FALSE(d->routingPage->isActive());
      // Stacked: tabs, page, buttons.
      FormWindow* w = d->formWindow();
      EXPECT_EQ(w->child(uint32_t(w->indexOf(d->soundCardPage.get()))).rect.y1, 32);
      EXPECT_EQ(w->child(uint32_t(w->indexOf(d->buttonForm.get()))).rect.y1, 237);
    });
    driver.clickWidget(tabsOf, 103);
    driver.onDialogThread([](AudioSetupDialog* d) {
      EXPECT_EQ(d->currentPage, d->routingPage.get());
      EXPECT_TRUE(d->routingPage->isActive());
      EXPECT_FALSE(d->soundCardPage->isActive());
      EXPECT_EQ(switchState(d->tabForm.get(), 103), 1u);
      EXPECT_EQ(switchState(d->tabForm.get(), 100), 0u);
    });
    driver.capture("ab-setup-routing.png");
    // A second click keeps the page.
    driver.clickWidget(tabsOf, 103);
    driver.onDialogThread([](AudioSetupDialog* d) {
      EXPECT_EQ(d->currentPage, d->routingPage.get());
      EXPECT_EQ(switchState(d->tabForm.get(), 103), 1u);
    });
    driver.clickWidget(tabsOf, 104);
    driver.onDialogThread([](AudioSetupDialog* d) {
      EXPECT_EQ(d->currentPage, d->midiPage.get());
      EXPECT_TRUE(d->midiPage->isActive());
      EXPECT_EQ(switchState(d->tabForm.get(), 104), 1u);
    });
    driver.capture("ab-setup-midi.png");
    driver.clickWidget(tabsOf, 100);
    driver.onDialogThread([](AudioSetupDialog* d) { EXPECT_EQ(d->currentPage, d->soundCardPage.get()); });
    driver.clickWidget(buttonsOf, 2);
    EXPECT_TRUE(driver.waitUntilClosed());
  });
  EXPECT_STREQ(title, "Audio Setup");
  EXPECT_EQ(inner.cx, 400);
  EXPECT_EQ(inner.cy, 277);
}

TEST(AudioSetupDialog, WithoutTabsTheBarIsHidden) {
  Host host(2, 2);
  SIZE inner = {};
  runDialog(host.client, false, [&](DialogDriver& driver) {
    RECT r;
    GetClientRect(driver.inner(), &r);
    inner = SIZE{r.right, r.bottom};
    driver.capture("ab-setup-no-tabs.png");
    driver.onDialogThread([](AudioSetupDialog* d) {
      EXPECT_FALSE(d->tabForm->isActive());
      EXPECT_EQ(d->currentPage, d->soundCardPage.get());
      FormWindow* w = d->formWindow();
      EXPECT_EQ(w->child(uint32_t(w->indexOf(d->soundCardPage.get()))).rect.y1, 0);
    });
  });
  EXPECT_EQ(inner.cx, 400);
  EXPECT_EQ(inner.cy, 205 + 40);
}

TEST(AudioSetupDialog, InterfaceMenuListsEachEnabledKindOnceAndAChoiceOpensItsDevices) {
  Host host(2, 2);
  SetupTestDevice* jackA = new SetupTestDevice("Jack A", 12, 2, 2);
  SetupTestDevice* core = new SetupTestDevice("Core", 5, 2, 2);
  SetupTestDevice* jackB = new SetupTestDevice("Jack B", 12, 2, 4);
  const uint32_t idA = host.add(jackA);
  host.add(core);
  const uint32_t idB = host.add(jackB);
  host.client.driverKinds[5] = false;  // "CoreAudio" withheld
  std::vector<std::string> names;
  double chooseMs = 0;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    driver.clickWidget(soundCardOf, kKindButton);
    driver.onDialogThread([&](AudioSetupDialog* d) { names = openMenuNames(d); });
    driver.capture("ab-setup-interface-menu.png");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Jack"));
    chooseMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(setupDevice, static_cast<int32_t>(idB));
      EXPECT_EQ(labelText(d->soundCardPage.get(), kDeviceLabel), "Jack B");
      EXPECT_EQ(labelText(d->soundCardPage.get(), kKindLabel), "Jack");
      EXPECT_EQ(d->routingPage->device, static_cast<int32_t>(idB));  // told of the device
    });
    // Both were opened in turn; the first is closed again, the last stays open (not started).
    EXPECT_EQ(jackA->opens.load(), 1);
    EXPECT_FALSE(jackA->opened.load());
    EXPECT_TRUE(jackB->opened.load());
    EXPECT_FALSE(jackB->running.load());
    // The device menu lists the devices of the kind.
    driver.clickWidget(soundCardOf, kDeviceButton);
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(openMenuNames(d), (std::vector<std::string>{"Jack A", "Jack B"}));
    });
    driver.capture("ab-setup-device-menu.png");
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Jack A"));
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(setupDevice, static_cast<int32_t>(idA));
      EXPECT_EQ(labelText(d->soundCardPage.get(), kDeviceLabel), "Jack A");
    });
    // The kind already current changes nothing.
    driver.clickWidget(soundCardOf, kKindButton);
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Jack"));
    EXPECT_EQ(jackA->opens.load(), 2);
    EXPECT_EQ(jackB->opens.load(), 1);
  });
  ASSERT_FALSE(names.empty());
  for (const std::string& n : names) EXPECT_EQ(std::count(names.begin(), names.end(), n), 1) << n;
  EXPECT_EQ(std::count(names.begin(), names.end(), "CoreAudio"), 0);
  EXPECT_EQ(names.back(), "Jack");  // the test devices come after the enumerated ones
  // The enumerated kinds in the order their first devices come in the list.
  int firstMmeAt = -1, firstDsAt = -1, at = 0;
  for (uint32_t id : host.client.manager->audioDevices) {
    std::string name;
    deviceName(id, &name);
    if (firstMmeAt < 0 && name.compare(0, 4, "MME ") == 0) firstMmeAt = at;
    if (firstDsAt < 0 && name.compare(0, 3, "DS ") == 0) firstDsAt = at;
    ++at;
  }
  const auto mmeName = std::find(names.begin(), names.end(), "MultiMedia");
  const auto dsName = std::find(names.begin(), names.end(), "DirectSound");
  ASSERT_NE(mmeName, names.end());
  ASSERT_NE(dsName, names.end());
  EXPECT_EQ(firstMmeAt < firstDsAt, mmeName < dsName);
  std::printf("[ figures  ] choosing an Interface of 2 devices: %.1f ms\n", chooseMs);
}
