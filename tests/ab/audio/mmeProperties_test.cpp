// The MME device's properties on the real (Wine) device: the closed device, defaults and the channel
// probe, latencies and buffer sizes, the input device, port and stream descriptions, and sizes that do
// not fit (0, 3, one off): the table's codes and nothing written past the buffer.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABMmeDevice.h"
#include "GPError.h"
#include "deviceTestSupport.h"
#include "mmeDeviceTest.h"

namespace {

class MmeProperties : public MmeDeviceTest {
 protected:
  AudioPortEntry port(int32_t index, bool output, int expect = 0) {
    uint8_t record[80];
    fillPortRecord(record, index, output, 9, 9);
    uint32_t size = 80;
    EXPECT_EQ(abDevGetProperty("PortDescription", id, record, &size), expect);
    AudioPortEntry e;
    std::memcpy(&e, record + 4, 76);
    return e;
  }
  int setPorts(const char* name, int32_t index, bool output, uint8_t active, uint8_t enabled) {
    return setPortRecord(name, id, index, output, active, enabled);
  }
};

const char* const kNames[] = {"PortDescription",   "StreamDescription", "EnableAudioPort",     "ActiveAudioPort",
                              "SampleRateList",    "SampleRate",        "BufferSize",          "InBufferSize",
                              "AudioInDeviceList", "AudioInDevice",     "ActiveAudioInDevice", "Latency",
                              "SetInLatency",      "PlayPosition",      "DeviceDescription"};

}  // namespace

// Closed, every property but the name answers AB_ERR_NOT_OPEN where the name has that half,
// AB_ERR_NO_PROPERTY where not.
TEST_F(MmeProperties, ClosedDeviceAnswersOnlyItsName) {
  uint8_t buffer[2048];
  for (const char* name : kNames) {
    for (int op = 0; op < 3; ++op) {
      std::memset(buffer, 0xCC, sizeof buffer);
      uint32_t size = 4, changeable = 0;
      int r = op == 0   ? abDevGetPropertyInfo(name, id, &size, &changeable)
              : op == 1 ? abDevGetProperty(name, id, buffer, &size)
                        : abDevSetProperty(name, id, buffer, 4);
      EXPECT_TRUE(r == AB_ERR_NOT_OPEN || r == AB_ERR_NO_PROPERTY) << name << " op " << op << ": " << r;
      if (op == 1) {
        EXPECT_EQ(size, 4u) << name;
        for (uint8_t b : buffer) ASSERT_EQ(b, 0xCC) << name;
      }
    }
  }
  uint32_t size = 0;
  EXPECT_EQ(abDevGetPropertyInfo("SampleRate", id, &size, nullptr), AB_ERR_NO_PROPERTY);  // no information half
  EXPECT_EQ(abDevSetProperty("SampleRateList", id, buffer, 4), AB_ERR_NO_PROPERTY);       // no set half
  EXPECT_EQ(abDevGetPropertyInfo("DeviceName", id, &size, nullptr), 0);
  std::string name;
  EXPECT_EQ(deviceName(id, &name), 0);
  EXPECT_EQ(name.compare(0, 4, "MME "), 0);
  EXPECT_EQ(abDevStart(id, true), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevOpen(id, false), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevIsRunning(id), 0);
}

TEST_F(MmeProperties, OpenDeviceHasItsDefaultsAndProbedFormats) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(abDevOpen(id, true), 0);  // already open
  EXPECT_EQ(getU32("SampleRate"), 44100u);
  EXPECT_EQ(getU32("BufferSize"), 4096u);
  EXPECT_EQ(getU32("InBufferSize"), 4096u);
  EXPECT_EQ(getU32("Latency"), 4096u * 1000u / 44100u);

  const std::vector<uint8_t> rates = value("SampleRateList");
  uint32_t count = 0;
  std::memcpy(&count, rates.data(), 4);
  ASSERT_GE(count, 1u);
  ASSERT_LE(count, 10u);
  EXPECT_EQ(rates.size(), 8u + 4u * count);
  bool has44100 = false;
  for (uint32_t i = 0; i < count; ++i) {
    int32_t r;
    std::memcpy(&r, rates.data() + 4 + 4 * i, 4);
    has44100 = has44100 || r == 44100;
  }
  EXPECT_TRUE(has44100);

  // Without an input device only output ports exist; the first two are active and enabled; a device
  // that takes every count up to 16 would report 2.
  const std::vector<uint8_t> ports = value("PortDescription");
  uint32_t n = 0;
  std::memcpy(&n, ports.data(), 4);
  ASSERT_GE(n, 2u);
  EXPECT_LT(n, 16u);
  std::string deviceNameText;
  deviceName(id, &deviceNameText);
  for (uint32_t i = 0; i < n; ++i) {
    AudioPortEntry e;
    std::memcpy(&e, ports.data() + 4 + 76 * i, 76);
    EXPECT_EQ(e.index, static_cast<int32_t>(i));
    EXPECT_EQ(e.isOutput, 1);
    EXPECT_EQ(e.active, i < 2 ? 1 : 0);
    EXPECT_EQ(e.enabled, i < 2 ? 1 : 0);
    EXPECT_EQ(std::string(e.name), deviceNameText + " " + std::to_string(i + 1));
  }
  uint32_t description[2] = {7, 7}, size = 8;
  EXPECT_EQ(abDevGetProperty("DeviceDescription", id, description, &size), 0);
  EXPECT_EQ(description[0], 0u);
  EXPECT_EQ(description[1], 2u);
  size = 7;
  EXPECT_EQ(abDevGetProperty("DeviceDescription", id, description, &size), AB_ERR_NOT_OPEN);
  uint32_t position = 5;
  size = 4;
  EXPECT_EQ(abDevGetProperty("PlayPosition", id, &position, &size), AB_ERR_NOT_OPEN);  // not running
}

TEST_F(MmeProperties, LatenciesAndBufferSizesSetTheBufferFrames) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  struct Case {
    const char* name;
    uint32_t value;
    const char* readName;
    uint32_t frames;
  } cases[] = {
      {"Latency", 10, "BufferSize", 441},           {"Latency", 0, "BufferSize", 44},
      {"Latency", 0x80000000u, "BufferSize", 44},    // negative milliseconds count as 1
      {"Latency", 100000000, "BufferSize", 262144},  // bounded
      {"BufferSize", 0, "BufferSize", 1},           {"BufferSize", 0xFFFFFFFFu, "BufferSize", 262144},
      {"BufferSize", 512, "BufferSize", 512},       {"SetInLatency", 10, "InBufferSize", 441},
      {"InBufferSize", 0, "InBufferSize", 1},       {"InBufferSize", 1000, "InBufferSize", 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(setU32(c.name, c.value), 0) << c.name << " " << c.value;
    EXPECT_EQ(getU32(c.readName), c.frames) << c.name << " " << c.value;
    EXPECT_TRUE(abDevIsOpen(id));
  }
  EXPECT_EQ(setU32("Latency", 10), 0);
  EXPECT_EQ(getU32("Latency"), 10u);
  EXPECT_EQ(setU32("SetInLatency", 10), 0);
  EXPECT_EQ(getU32("SetInLatency"), 10u);

  // The rate: 0 and -1 are refused; another rate changes the latency's frames to milliseconds.
  EXPECT_EQ(setU32("SampleRate", 0), AB_ERR_NOT_OPEN);
  EXPECT_EQ(setU32("SampleRate", 0xFFFFFFFFu), AB_ERR_NOT_OPEN);
  EXPECT_EQ(getU32("SampleRate"), 44100u);
  EXPECT_EQ(setU32("SampleRate", 48000), 0);
  EXPECT_EQ(getU32("SampleRate"), 48000u);
  EXPECT_EQ(getU32("Latency"), 441u * 1000u / 48000u);
}

// 4-byte values with sizes 0, 3 and 5: refused, nothing written, nothing changed.
TEST_F(MmeProperties, FixedSizeValuesRefuseOtherSizes) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  for (const char* name : {"SampleRate", "BufferSize", "InBufferSize", "Latency", "SetInLatency"}) {
    const uint32_t before = getU32(name);
    for (uint32_t size : {0u, 3u, 5u}) {
      uint8_t buffer[8];
      std::memset(buffer, 0xCC, sizeof buffer);
      uint32_t s = size;
      EXPECT_EQ(abDevGetProperty(name, id, buffer, &s), AB_ERR_NOT_OPEN) << name << size;
      for (uint8_t b : buffer) EXPECT_EQ(b, 0xCC) << name << size;
      const uint32_t v = 1234;
      EXPECT_EQ(abDevSetProperty(name, id, &v, size), AB_ERR_NOT_OPEN) << name << size;
    }
    EXPECT_EQ(abDevSetProperty(name, id, nullptr, 4), AB_ERR_NOT_OPEN) << name;
    EXPECT_EQ(getU32(name), before) << name;
  }
  // Variable-size values: the exact size only (one off either way refused), nothing written.
  for (const char* name : {"PortDescription", "StreamDescription", "SampleRateList"}) {
    uint32_t info = 0;
    ASSERT_EQ(abDevGetPropertyInfo(name, id, &info, nullptr), 0);
    for (uint32_t size : {0u, 3u, info - 1, info + 1}) {
      std::vector<uint8_t> buffer(info + 16, 0xCC);
      uint32_t s = size;
      EXPECT_EQ(abDevGetProperty(name, id, buffer.data(), &s), AB_ERR_NOT_OPEN) << name << " " << size;
      for (uint8_t b : buffer) ASSERT_EQ(b, 0xCC) << name << " " << size;
    }
  }
  // The input device list needs at least its size; less gives size 0.
  uint32_t info = 0;
  ASSERT_EQ(abDevGetPropertyInfo("AudioInDeviceList", id, &info, nullptr), 0);
  std::vector<uint8_t> buffer(info + 16, 0xCC);
  uint32_t s = info - 1;
  EXPECT_EQ(abDevGetProperty("AudioInDeviceList", id, buffer.data(), &s), AB_ERR_NOT_OPEN);
  EXPECT_EQ(s, 0u);
  for (uint8_t b : buffer) ASSERT_EQ(b, 0xCC);
  s = info + 16;
  EXPECT_EQ(abDevGetProperty("AudioInDeviceList", id, buffer.data(), &s), 0);
  EXPECT_EQ(s, info);
  AudioInDeviceEntry first;
  std::memcpy(&first, buffer.data(), 68);
  EXPECT_EQ(first.index, -1);
  EXPECT_STREQ(first.name, "no device");
  for (size_t i = info; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCC);
  // The active input device with less than an entry: 0 and nothing written.
  s = 67;
  std::fill(buffer.begin(), buffer.end(), 0xCC);
  EXPECT_EQ(abDevGetProperty("ActiveAudioInDevice", id, buffer.data(), &s), 0);
  for (uint8_t b : buffer) ASSERT_EQ(b, 0xCC);
}

TEST_F(MmeProperties, ChoosingNoOrAnUnknownInputDeviceLeavesNone) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  struct Case {
    int32_t index;
    uint32_t size;
    int result;
  } cases[] = {{999, 68, AB_ERR_DEVICE_QUERY},
               {-1, 68, AB_ERR_DEVICE_QUERY},
               {INT32_MIN, 68, AB_ERR_DEVICE_QUERY},
               {0, 67, AB_OK},
               {0, 69, AB_OK},
               {0, 0, AB_OK}};
  for (const Case& c : cases) {
    AudioInDeviceEntry e;
    std::memset(&e, 0, sizeof e);
    e.index = c.index;
    EXPECT_EQ(abDevSetProperty("AudioInDevice", id, &e, c.size), c.result) << c.index << " " << c.size;
    AudioInDeviceEntry active;
    std::memset(&active, 0x55, sizeof active);
    uint32_t s = 68;
    EXPECT_EQ(abDevGetProperty("ActiveAudioInDevice", id, &active, &s), 0);
    EXPECT_EQ(active.index, -1);
    EXPECT_STREQ(active.name, "no device");
    EXPECT_TRUE(abDevIsOpen(id));
  }
}

TEST_F(MmeProperties, PortSwitchesShapeTheStreamDescription) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  AudioPortEntry e = port(1, true);
  EXPECT_EQ(e.active, 1);
  EXPECT_EQ(e.enabled, 1);
  port(99, true, AB_ERR_NOT_OPEN);
  port(0, false, AB_ERR_NOT_OPEN);  // no input ports without an input device
  port(-1, true, AB_ERR_NOT_OPEN);

  // Output 1 off through "PortDescription"; output 0 disabled through "EnableAudioPort" (active stays).
  EXPECT_EQ(setPorts("PortDescription", 1, true, 0, 0), 0);
  EXPECT_EQ(setPorts("PortDescription", 42, true, 1, 1), 0);  // skipped
  e = port(1, true);
  EXPECT_EQ(e.active, 0);
  EXPECT_EQ(e.enabled, 0);
  std::vector<uint8_t> stream = value("StreamDescription");
  uint32_t words[5];
  std::memcpy(words, stream.data(), 12);
  EXPECT_EQ(words[1], 4096u);
  EXPECT_EQ(words[2], 44100u);
  EXPECT_EQ(stream[12], 1);  // output
  std::memcpy(words, stream.data() + 16, 8);
  EXPECT_EQ(words[0], 0u);                                                   // channel 0 of the listed outputs
  EXPECT_EQ(words[1], 0u);                                                   // port 0
  for (size_t i = 28; i < stream.size(); ++i) EXPECT_EQ(stream[i], 0) << i;  // nothing else listed

  EXPECT_EQ(setPorts("EnableAudioPort", 0, true, 0, 0), 0);
  e = port(0, true);
  EXPECT_EQ(e.active, 1);
  EXPECT_EQ(e.enabled, 0);
  EXPECT_EQ(setPorts("ActiveAudioPort", 0, true, 0, 1), 0);  // accepted, changes nothing
  e = port(0, true);
  EXPECT_EQ(e.active, 1);
  uint32_t size = 77, changeable = 77;
  EXPECT_EQ(abDevGetPropertyInfo("EnableAudioPort", id, &size, &changeable), 0);
  EXPECT_EQ(size, 77u);
  EXPECT_EQ(changeable, 77u);

  // Record lists: at least 80 bytes and exactly 4 + 76 × count.
  std::vector<uint8_t> two(4 + 76 * 2, 0);
  const uint32_t count = 2;
  std::memcpy(two.data(), &count, 4);
  for (const char* name : {"PortDescription", "EnableAudioPort"}) {
    for (uint32_t s : {0u, 3u, 4u, 79u, 80u, 81u, 4u + 76u * 2 - 1, 4u + 76u * 2 + 1})
      EXPECT_EQ(abDevSetProperty(name, id, two.data(), s), AB_ERR_NOT_OPEN) << name << " " << s;
    EXPECT_EQ(abDevSetProperty(name, id, two.data(), 4 + 76 * 2), 0) << name;
  }
  // The other-count form of the get only reports itself.
  std::vector<uint8_t> other(4 + 76 * 3, 0);
  const uint32_t three = 3;
  std::memcpy(other.data(), &three, 4);
  size = static_cast<uint32_t>(other.size());
  uint32_t info = 0;
  ASSERT_EQ(abDevGetPropertyInfo("PortDescription", id, &info, nullptr), 0);
  if (info != size) {
    EXPECT_EQ(abDevGetProperty("PortDescription", id, other.data(), &size), 0);
  }
}

TEST_F(MmeProperties, StartAndStopFollowTheLifeCycle) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(abDevStart(id, false), 0);  // not running: nothing to do
  ASSERT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevIsRunning(id), 1);
  uint32_t position = 0xDEADBEEFu, size = 4;
  EXPECT_EQ(abDevGetProperty("PlayPosition", id, &position, &size), 0);
  EXPECT_LE(position, 4096u * 2);
  // A format change while running passes through stop, close, open and start.
  EXPECT_EQ(setU32("BufferSize", 2048), 0);
  EXPECT_EQ(abDevIsRunning(id), 1);
  EXPECT_EQ(getU32("BufferSize"), 2048u);
  EXPECT_EQ(abDevOpen(id, false), 0);  // closing stops
  EXPECT_EQ(abDevIsRunning(id), 0);
  EXPECT_EQ(abDevIsOpen(id), 0);
  EXPECT_TRUE(boxes().empty());
}

// An output the system refuses to open: the worker is stopped again, the device does not run, and the
// user sees the system's reason.
TEST_F(MmeProperties, RefusedOutputShowsTheSystemsReason) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  ASSERT_EQ(setU32("SampleRate", 1), 0);
  const int r = abDevStart(id, true);
  if (r == 0) GTEST_SKIP() << "this system opens a 1 Hz stream";
  EXPECT_EQ(r, AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevIsRunning(id), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].compare(0, 35, "Could not open MME output device !\n"), 0) << boxes()[0];
  EXPECT_GT(boxes()[0].size(), 35u);
  ASSERT_EQ(setU32("SampleRate", 44100), 0);
  EXPECT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevIsRunning(id), 1);
}
