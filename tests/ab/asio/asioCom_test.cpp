// The ASIO driver through real COM: the fake driver's server file registered under HKCR and listed
// under HKLM "software\asio", enumerated by the device manager and driven through the device layer.
// This program owns the "asio_registry" lock: it rewrites the whole ASIO list while it runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ABAsioDevice.h"
#include "ABAsioDriverList.h"
#include "ABDevice.h"
#include "ABDeviceErrors.h"
#include "ABDeviceManager.h"
#include "asioRegistration.h"
#include "asioScenarios.h"
#include "fakeAsioDriver.h"

namespace {

const char kMissingClsid[] = "{6D3A1F52-8C47-4E0B-9A61-2F5B7C0D4E13}";
const char kUnregisteredClsid[] = "{6D3A1F52-8C47-4E0B-9A61-2F5B7C0D4E14}";
const char kLongDescription[] = "Fake ASIO with a description that runs well past thirty-one characters";

void clearRegistration() {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\asio");
  for (const char* c : {kFakeAsioClsidText, kBrokenAsioClsidText, kMissingClsid})
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + c).c_str());
}

std::string deviceName(uint32_t id) {
  char name[256] = {0};
  uint32_t size = sizeof name;
  abDevGetProperty("DeviceName", id, name, &size);
  return name;
}

class AsioCom : public testing::Test {
 protected:
  void SetUp() override {
    clearRegistration();
    const std::string server = exeDir() + "\\fakeasio.dll";
    registerServer(kFakeAsioClsidText, server);
    registerServer(kBrokenAsioClsidText, server);  // the file exists but does not serve this class
    registerServer(kMissingClsid, exeDir() + "\\no-such-driver.dll");
    listDriver("Fake ASIO", kFakeAsioClsidText, "Fake ASIO");
    listDriver("Long", kFakeAsioClsidText, kLongDescription);
    listDriver("Broken", kBrokenAsioClsidText, nullptr);
    listDriver("Missing File", kMissingClsid, "Missing File");
    listDriver("Unregistered", kUnregisteredClsid, "Unregistered");
    m_module = LoadLibraryA(server.c_str());
    ASSERT_NE(m_module, nullptr);
    typedef FakeAsioState* (*StateFn)();
    StateFn fn = reinterpret_cast<StateFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "fakeAsioState")));
    ASSERT_NE(fn, nullptr);
    fake = fn();
    fakeAsioReset(fake);
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
  }
  void TearDown() override {
    abDevDestroy();
    if (fake) {
      EXPECT_EQ(fake->record.liveObjects.load(), 0);
    }
    clearRegistration();
    // The server stays loaded (it never agrees to unload); the state lives on between tests.
  }

  // The id of the ASIO device with this name, or 0.
  uint32_t idOf(const std::string& name) {
    for (AudioMidiDevice* d : abDeviceManager()->devices)
      if (dynamic_cast<AsioDevice*>(d) && deviceName(d->id) == name) return d->id;
    return 0;
  }
  AsioDevice* device(const std::string& name) {
    return dynamic_cast<AsioDevice*>(abDeviceManager()->findDevice(idOf(name)));
  }

  HMODULE m_module = nullptr;
  FakeAsioState* fake = nullptr;
};

}  // namespace

TEST_F(AsioCom, ListsDriversWhoseServerFileExists) {
  std::vector<std::string> names;
  uint32_t firstAsio = 0;
  for (AudioMidiDevice* d : abDeviceManager()->devices)
    if (dynamic_cast<AsioDevice*>(d)) {
      names.push_back(deviceName(d->id));
      if (!firstAsio) firstAsio = d->id;
    }
  std::sort(names.begin(), names.end());
  // The long description is cut to 28 characters and "...".
  const std::string cut = std::string(kLongDescription, 28) + "...";
  EXPECT_EQ(names, (std::vector<std::string>{"Broken", "Fake ASIO", cut}));
  uint32_t def = 0;
  abGetDefaultDevice(&def);
  EXPECT_EQ(def, firstAsio) << "the first ASIO device is the default";
  EXPECT_EQ(abDeviceManager()->devices[0]->id, firstAsio) << "ASIO devices come first";
}

TEST_F(AsioCom, SineReachesTheDriverSampleExactForEachIntegerAndFloatType) {
  AsioDevice* d = device("Fake ASIO");
  ASSERT_NE(d, nullptr);
  for (int32_t type : {ASIO_INT16_LE, ASIO_INT24_LE, ASIO_INT32_LE, ASIO_FLOAT32_LE}) {
    fakeAsioReset(fake);
    checkSineReachesDriver(d, fake, type);
  }
}

TEST_F(AsioCom, StereoPairRule) { checkStereoPair(device("Fake ASIO"), fake); }

TEST_F(AsioCom, EnableAudioPortActsAtTheNextSwitchWithoutARestart) {
  checkEnableAtNextSwitch(device("Fake ASIO"), fake);
}

TEST_F(AsioCom, ControlPanelOfARunningDeviceLeavesItRunning) {
  checkControlPanelKeepsRunning(device("Fake ASIO"), fake);
}

TEST_F(AsioCom, AThousandStartStopCyclesAgainstASlowCallback) { checkStartStopCycles(device("Fake ASIO"), fake, 1000); }

TEST_F(AsioCom, AFailingLoadRestoresThePreviousDriver) {
  const uint32_t good = idOf("Fake ASIO"), broken = idOf("Broken");
  ASSERT_NE(good, 0u);
  ASSERT_NE(broken, 0u);
  ASSERT_EQ(abDevOpen(good, true), AB_OK);
  AsioDriverList* list = abDeviceManager()->asioDrivers;
  const int loaded = list->currentIndex();
  ASSERT_GE(loaded, 0);
  // Creating the broken entry's class fails: any failing COM result means "unavailable".
  EXPECT_EQ(abDevOpen(broken, true), ASIO_ERR_NOT_PRESENT);
  EXPECT_EQ(abDevIsOpen(broken), 0);
  EXPECT_EQ(list->currentIndex(), loaded);
  EXPECT_NE(AsioDriverList::driver(), nullptr);
  EXPECT_EQ(fake->record.liveObjects.load(), 1);
  EXPECT_EQ(abDevOpen(good, false), AB_OK);
}

TEST_F(AsioCom, PropertiesThroughTheDeviceLayer) {
  const uint32_t id = idOf("Fake ASIO");
  uint32_t size = 0, changeable = 0;
  uint8_t buffer[64];
  // Closed: a name, and codes for the rest.
  EXPECT_EQ(abDevGetPropertyInfo("DeviceName", id, &size, &changeable), AB_OK);
  EXPECT_EQ(size, 10u);
  size = 4;
  EXPECT_EQ(abDevGetProperty("BufferSize", id, buffer, &size), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevSetProperty("SampleRate", id, buffer, 4), AB_ERR_NOT_OPEN);
  ASSERT_EQ(abDevOpen(id, true), AB_OK);
  int32_t frames = 0;
  size = 4;
  EXPECT_EQ(abDevGetProperty("BufferSize", id, &frames, &size), AB_OK);
  EXPECT_EQ(frames, 64);
  size = 3;
  EXPECT_EQ(abDevGetProperty("BufferSize", id, &frames, &size), AB_ERR_NOT_OPEN);
  uint32_t description[2] = {0, 0};
  size = 8;
  EXPECT_EQ(abDevGetProperty("DeviceDescription", id, description, &size), AB_OK);
  EXPECT_EQ(description[1], 1u);
  EXPECT_EQ(abDevOpen(id, false), AB_OK);
}
