// The property accessors against the test device, which knows only "DeviceName" and "SampleRate":
// what each answers for a property the device lacks, and for unknown ids.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "feedDevice.h"

namespace {

class AccessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    id = abDevAddTestDevice(new FeedDevice(1, 2, 0, 64, "Feed Accessors"));
    ASSERT_NE(id, 0u);
  }
  void TearDown() override { abDevDestroy(); }
  uint32_t id = 0;
};

}  // namespace

TEST_F(AccessorTest, ADeviceWithoutThePropertiesGivesTheDefaults) {
  EXPECT_EQ(deviceSampleRate(id), 44100);  // its rate reads as 0
  const int32_t rate = 32000;
  ASSERT_EQ(abDevSetProperty("SampleRate", id, &rate, 4), 0);
  EXPECT_EQ(deviceSampleRate(id), 32000);
  EXPECT_EQ(deviceKind(id), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(portCount(id, true), 0);
  std::string name = "stale";
  EXPECT_FALSE(portName(id, true, 0, &name));
  EXPECT_TRUE(name.empty());
  int low = 5, high = 6;
  EXPECT_FALSE(latencyRange(id, &low, &high));
  EXPECT_FALSE(inputLatencyRange(id, &low, &high));
  EXPECT_EQ(low, 5);
  EXPECT_EQ(deviceLatency(id), 0);
  EXPECT_EQ(deviceInputLatency(id), 0);
  EXPECT_EQ(deviceBufferSize(id), 0);
  bool changeable = true;
  EXPECT_FALSE(hasLatency(id, &changeable));
  EXPECT_FALSE(hasInputLatency(id, &changeable));
  EXPECT_FALSE(hasBufferSize(id));
  EXPECT_FALSE(hasControlPanel(id));
  EXPECT_FALSE(controlPanelSet(id));
  std::vector<int> rates = {1};
  EXPECT_EQ(listSampleRates(id, &rates, nullptr), AB_ERR_NO_PROPERTY);
  EXPECT_TRUE(rates.empty());
  std::vector<AudioInDeviceEntry> inputs(2);
  EXPECT_EQ(listInputDevices(id, &inputs), AB_ERR_NO_PROPERTY);
  EXPECT_TRUE(inputs.empty());
  AudioInDeviceEntry entry = {7, "x"};
  EXPECT_EQ(activeInputDevice(id, &entry), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(entry.index, 7);
  EXPECT_EQ(selectInputDevice(id, &entry), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(setPortEnabled(id, 0, true, true), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(setPortActive(id, 0, true, true), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(setPortDescription(id, 0, true, true, true), AB_ERR_NO_PROPERTY);
  EXPECT_EQ(setInputLatency(id, 10), AB_ERR_NO_PROPERTY);
}

TEST_F(AccessorTest, UnknownIdsAndNullArguments) {
  const uint32_t none = 0xFFFF;
  EXPECT_EQ(deviceKind(none), AB_ERR_NO_DEVICE);
  EXPECT_EQ(deviceSampleRate(none), 44100);
  EXPECT_EQ(portCount(none, false), 0);
  EXPECT_FALSE(portName(id, true, 0, nullptr));
  EXPECT_EQ(listSampleRates(id, nullptr, nullptr), AB_ERR_BAD_VALUE);
  EXPECT_EQ(listInputDevices(id, nullptr), AB_ERR_BAD_VALUE);
  EXPECT_EQ(activeInputDevice(id, nullptr), AB_ERR_BAD_VALUE);
  EXPECT_EQ(selectInputDevice(id, nullptr), AB_ERR_BAD_VALUE);
}
