// Routes and MIDI ports through the real dialog: a route chosen on the Routing page is written at OK
// and the device's output file shows the sound following it; a MIDI port switched on is open after
// OK and its messages reach the client; clients with no or too many outputs and stored routes to
// ports the device lacks.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ABAudioManager.h"
#include "ABAudioSetupDialog.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "ABSoundCardPage.h"
#include "deviceTestSupport.h"
#include "fakeMidiSystem.h"
#include "hostSettings.h"
#include "setupTestSupport.h"
#include "support/audioFiles.h"
#include "support/signal.h"
#include "support/stereoFile.h"

namespace {

const int32_t kRoutingList = 1, kMidiInputs = 1, kMidiOutputs = 2;

}  // namespace

// Output 0 (440 Hz) moves from device port 0 to port 1, which output 1 (1000 Hz) held: output 1 is
// left unconnected, so the file has silence on channel 0 and the 440 Hz sine alone on channel 1.
TEST(RoutesAndPorts, ARouteChosenInTheDialogIsSavedAndTheSoundFollowsIt) {
  Host host(2, 2);
  const uint32_t mme = storeAndPlayMme(host, 0, 1);
  ASSERT_NE(mme, 0u);
  const int channels = portCount(mme, true);
  ASSERT_GE(channels, 2);
  const std::string path = audioOutputFile(44100, channels, "S16_LE");
  std::string row0, row1;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    driver.clickWidget(tabsOf, 103);
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(listRows(d->routingPage.get(), kRoutingList), 2);
      EXPECT_EQ(cellText(d->routingPage.get(), kRoutingList, 0, 0), "Out 1");
    });
    driver.clickCell(routingOf, kRoutingList, 0, 1);
    driver.capture("ab-setup-route-menu.png");
    ASSERT_TRUE(driver.chooseMenuItem(routingOf, "2: ", true));
    driver.onDialogThread([&](AudioSetupDialog* d) {
      row0 = cellText(d->routingPage.get(), kRoutingList, 0, 1);
      row1 = cellText(d->routingPage.get(), kRoutingList, 1, 1);
    });
    driver.capture("ab-setup-route-chosen.png");
    DeleteFileA(path.c_str());  // the device writes a new file when it restarts at OK
    driver.clickWidget(buttonsOf, 1);
    driver.waitUntilClosed();
  });
  EXPECT_EQ(row0.compare(0, 4, " 2: "), 0) << row0;
  EXPECT_EQ(row1, " - not connected -");
  int32_t v = 99;
  EXPECT_TRUE(storedInt("AB OutputChannel 0", &v));
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(storedInt("AB OutputChannel 1", &v));
  EXPECT_EQ(v, -1);
  EXPECT_EQ(host.client.manager->outputRoutes[0], 1);
  EXPECT_EQ(abDevIsRunning(mme), 1);

  // The sound judged by what the file holds: the silent frames that the system pads the stream with
  // when the device runs dry on a busy machine are left out, so the sine is whole again.
  Stereo file, sounding;
  for (int t = 0; t < 30000; t += 20) {
    const std::vector<int16_t> samples = readSamples<int16_t>(path);
    file = Stereo();
    for (size_t f = 0; f < samples.size() / channels; ++f) {
      file.left.push_back(samples[f * channels] / 32768.0f);
      file.right.push_back(samples[f * channels + 1] / 32768.0f);
    }
    sounding = withoutSilentFrames(file);
    if (sounding.right.size() > 44100) break;
    Sleep(20);
  }
  ASSERT_GT(sounding.right.size(), 44100u) << path;
  float leftPeak = 0.0f;
  for (float s : file.left) leftPeak = std::max(leftPeak, std::fabs(s));
  EXPECT_EQ(leftPeak, 0.0f);
  EXPECT_NEAR(signalPeakFrequency(sounding.right.data(), 44100, 44100.0), 440.0, 1.0);
}

// A click on column 0 of a MIDI port row does nothing, one on column 1 switches the port on; after OK
// the port is open and its messages reach the client.
TEST(RoutesAndPorts, AMidiPortSwitchedOnIsOpenAfterOkAndItsMessagesArrive) {
  FakeMidiSystem fake({"Fake In A", "Fake In B"}, {"Fake Out"});
  Host host(2, 2);
  std::string before, afterColumn0, afterColumn1, outputs;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    driver.clickWidget(tabsOf, 104);
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(listRows(d->midiPage.get(), kMidiInputs), 2);
      EXPECT_EQ(cellText(d->midiPage.get(), kMidiInputs, 1, 0), "Fake In B");
      before = cellText(d->midiPage.get(), kMidiInputs, 1, 1);
      outputs = cellText(d->midiPage.get(), kMidiOutputs, 0, 0);
    });
    driver.clickCell(midiOf, kMidiInputs, 1, 0);
    driver.onDialogThread([&](AudioSetupDialog* d) { afterColumn0 = cellText(d->midiPage.get(), kMidiInputs, 1, 1); });
    driver.clickCell(midiOf, kMidiInputs, 1, 1);
    driver.onDialogThread([&](AudioSetupDialog* d) { afterColumn1 = cellText(d->midiPage.get(), kMidiInputs, 1, 1); });
    driver.capture("ab-setup-midi-on.png");
    EXPECT_FALSE(fake.isOpen(1));  // only at OK
    driver.clickWidget(buttonsOf, 1);
    driver.waitUntilClosed();
  });
  EXPECT_EQ(before, "off");
  EXPECT_EQ(afterColumn0, "off");
  EXPECT_EQ(afterColumn1, "on");
  EXPECT_EQ(outputs, "Fake Out");
  EXPECT_EQ(host.client.manager->midiInPorts[1], 1);
  EXPECT_TRUE(fake.isOpen(1));
  EXPECT_FALSE(fake.isOpen(0));
  fake.sendShort(1, 0x00403C90, 100);  // note on, key 60, velocity 64
  fake.flush();
  for (int t = 0; t < 5000 && host.client.shortMessages.load() == 0; t += 5) Sleep(5);
  EXPECT_EQ(host.client.shortMessages.load(), 1);
  EXPECT_EQ(host.client.lastMessage.load(), 0x403C90u);
}

// Clients with no outputs and with 33 (one more than the route table), and stored routes to a port
// the device lacks: the pages show what they can, OK saves 32 routes and keeps the stray one.
TEST(RoutesAndPorts, ClientsWithNoOrTooManyOutputsAndStrayStoredRoutes) {
  {
    Host host(2, 0);
    runDialog(host.client, true, [&](DialogDriver& driver) {
      driver.clickWidget(tabsOf, 103);
      driver.onDialogThread([&](AudioSetupDialog* d) { EXPECT_EQ(listRows(d->routingPage.get(), kRoutingList), 0); });
      driver.capture("ab-setup-no-outputs.png");
      driver.clickWidget(buttonsOf, 1);
      driver.waitUntilClosed();
    });
  }
  {
    Host host(2, 33);
    SetupTestDevice* wide = new SetupTestDevice("Wide", 12, 40, 40);
    const uint32_t wideId = host.add(wide);
    runDialog(host.client, true, [&](DialogDriver& driver) {
      driver.clickWidget(soundCardOf, 24);
      ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Jack"));
      driver.clickWidget(tabsOf, 103);
      driver.onDialogThread([&](AudioSetupDialog* d) {
        EXPECT_EQ(setupDevice, static_cast<int32_t>(wideId));
        EXPECT_EQ(listRows(d->routingPage.get(), kRoutingList), 32);
        EXPECT_EQ(cellText(d->routingPage.get(), kRoutingList, 31, 1), " 32: Wide out 32");
      });
      driver.capture("ab-setup-33-outputs.png");
      driver.clickWidget(buttonsOf, 1);
      driver.waitUntilClosed();
    });
    int32_t v = 0;
    EXPECT_TRUE(storedInt("AB OutputChannel 31", &v));
    EXPECT_EQ(v, 31);
    EXPECT_FALSE(storedInt("AB OutputChannel 32", &v));
  }
  {
    Host host(2, 2);
    const uint32_t mme = storeAndPlayMme(host, 7, 1);  // the device has no port 8
    ASSERT_NE(mme, 0u);
    std::string row0;
    runDialog(host.client, true, [&](DialogDriver& driver) {
      driver.clickWidget(tabsOf, 103);
      driver.onDialogThread([&](AudioSetupDialog* d) { row0 = cellText(d->routingPage.get(), kRoutingList, 0, 1); });
      driver.clickWidget(buttonsOf, 1);
      driver.waitUntilClosed();
    });
    EXPECT_EQ(row0, " - not connected -");
    int32_t v = 0;
    EXPECT_TRUE(storedInt("AB OutputChannel 0", &v));
    EXPECT_EQ(v, 7);  // kept until the user changes it
  }
}

// Choosing an Interface opens and closes every device of the kind: here every MME device.
TEST(RoutesAndPorts, ChoosingTheMmeInterfaceOpensEachDeviceInTurn) {
  Host host(2, 2);
  SetupTestDevice* start = new SetupTestDevice("Start", 12, 2, 2);
  host.add(start);
  int mmeDevices = 0;
  for (uint32_t id : host.client.manager->audioDevices) {
    std::string name;
    if (deviceName(id, &name) == 0 && name.compare(0, 4, "MME ") == 0) ++mmeDevices;
  }
  double ms = 0;
  runDialog(host.client, true, [&](DialogDriver& driver) {
    driver.clickWidget(soundCardOf, 24);
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "Jack"));
    driver.clickWidget(soundCardOf, 24);
    const DWORD t0 = GetTickCount();
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    ASSERT_TRUE(driver.chooseMenuItem(soundCardOf, "MultiMedia"));
    QueryPerformanceCounter(&b);
    (void)t0;
    ms = double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart);
    driver.onDialogThread([&](AudioSetupDialog* d) {
      EXPECT_EQ(labelText(d->soundCardPage.get(), 8), "MultiMedia");
      EXPECT_EQ(labelText(d->soundCardPage.get(), 6).compare(0, 4, "MME "), 0);
    });
  });
  EXPECT_GE(mmeDevices, 1);
  std::printf("[ figures  ] choosing MultiMedia (%d MME devices opened and closed in turn): %.1f ms\n", mmeDevices, ms);
}
