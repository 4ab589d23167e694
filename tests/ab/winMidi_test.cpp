// The WinMidi driver through fake system ports: port lists and states, input into the ring with its
// time stamps, SysEx assembly, output words, and properties with sizes that do not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceManager.h"
#include "ABMmeDevice.h"
#include "ABWinMidi.h"
#include "fakeMidiSystem.h"

namespace {

struct Received {
  int32_t length;
  int32_t port;
  uint64_t time;
  int32_t type;
  std::vector<uint8_t> bytes;
  void* user1;
  void* user2;
};
std::mutex g_mutex;
std::vector<Received> g_received;

void recordNotify(const MidiRingSlot* slot, int reserved, void* user2, void* user1) {
  Received r{slot->length, slot->port, slot->time, slot->type, {}, user1, user2};
  if (slot->length > 4)
    r.bytes.assign(slot->data.pointer, slot->data.pointer + slot->length);
  else
    r.bytes.assign(slot->data.bytes, slot->data.bytes + slot->length);
  std::lock_guard<std::mutex> l(g_mutex);
  g_received.push_back(r);
}

std::vector<Received> received() {
  std::lock_guard<std::mutex> l(g_mutex);
  return g_received;
}

AudioPortEntry entry(int32_t index, bool output, bool on) {
  AudioPortEntry e;
  std::memset(&e, 0, sizeof e);
  e.index = index;
  e.isOutput = output ? 1 : 0;
  e.active = e.enabled = on ? 1 : 0;
  return e;
}

// Sets the port's state through the single-entry "PortDescription" form.
int setPort(uint32_t id, int32_t index, bool output, bool on) {
  uint8_t record[80];
  const uint32_t one = 1;
  std::memcpy(record, &one, 4);
  AudioPortEntry e = entry(index, output, on);
  std::memcpy(record + 4, &e, 76);
  return abDevSetProperty("PortDescription", id, record, 80);
}

class WinMidiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.reset(new FakeMidiSystem({"Keys In", "Pads In"}, {"Synth Out", "Thru Out", "Spare Out"}));
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    manager = abDeviceManager();
    midi = static_cast<WinMidi*>(manager->midiDevice);
    ASSERT_NE(midi, nullptr);
    id = midi->id;
    ASSERT_EQ(abSetMidiNotify(recordNotify), 0);
    ASSERT_EQ(abDevSetCallback(id, nullptr, &user2, &user1), 0);
    ASSERT_EQ(abDevOpen(id, true), 0);
    ASSERT_EQ(abDevStart(id, true), 0);
    std::lock_guard<std::mutex> l(g_mutex);
    g_received.clear();
  }
  void TearDown() override {
    abDevDestroy();
    fake.reset();
  }
  // Enables input port 0 and waits until its open notification went through.
  void openInput(int port = 0) {
    ASSERT_EQ(setPort(id, port, false, true), 0);
    fake->flush();
  }

  std::unique_ptr<FakeMidiSystem> fake;
  DeviceManager* manager = nullptr;
  WinMidi* midi = nullptr;
  uint32_t id = 0;
  int user1 = 0, user2 = 0;
};

}  // namespace

TEST_F(WinMidiTest, PortListGivesInputsFirstWithNamesAndOpenStates) {
  ASSERT_EQ(setPort(id, 1, true, true), 0);
  uint32_t size = 0, changeable = 0;
  ASSERT_EQ(abDevGetPropertyInfo("PortDescription", id, &size, &changeable), 0);
  EXPECT_EQ(size, 4u + 76u * 5u);
  EXPECT_EQ(changeable, 1u);
  std::vector<uint8_t> buffer(size + 8, 0xCC);
  ASSERT_EQ(abDevGetProperty("PortDescription", id, buffer.data(), &size), 0);
  uint32_t count;
  std::memcpy(&count, buffer.data(), 4);
  EXPECT_EQ(count, 5u);
  const char* names[5] = {"Keys In", "Pads In", "Synth Out", "Thru Out", "Spare Out"};
  for (int i = 0; i < 5; ++i) {
    AudioPortEntry e;
    std::memcpy(&e, buffer.data() + 4 + 76 * i, 76);
    EXPECT_EQ(e.index, i < 2 ? i : i - 2);
    EXPECT_EQ(e.isOutput, i < 2 ? 0 : 1);
    EXPECT_STREQ(e.name, names[i]);
    EXPECT_EQ(e.active, i == 3 ? 1 : 0) << i;
    EXPECT_EQ(e.enabled, e.active);
  }
  for (size_t i = 4 + 76 * 5; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCC);

  // The single-entry form reports the state of the output port it names.
  for (int port = 0; port < 3; ++port) {
    uint8_t record[80];
    const uint32_t one = 1;
    std::memcpy(record, &one, 4);
    AudioPortEntry e = entry(port, true, false);
    std::memcpy(record + 4, &e, 76);
    uint32_t s = 80;
    ASSERT_EQ(abDevGetProperty("PortDescription", id, record, &s), 0);
    std::memcpy(&e, record + 4, 76);
    EXPECT_EQ(e.active, port == 1 ? 1 : 0) << port;
  }
}

TEST_F(WinMidiTest, PortSettingsRefuseSizesThatDoNotFitAndSkipUnknownPorts) {
  // An output index beyond the outputs changes nothing and answers 0.
  EXPECT_EQ(setPort(id, 3, true, true), 0);
  EXPECT_EQ(setPort(id, -1, true, true), 0);
  EXPECT_EQ(setPort(id, 2, false, true), 0);
  fake->failOpenOut[2] = true;
  EXPECT_EQ(setPort(id, 2, true, true), AB_ERR_NO_DEVICE);

  std::vector<uint8_t> big(4 + 76 * 2, 0);
  const uint32_t two = 2;
  std::memcpy(big.data(), &two, 4);
  for (uint32_t size : {0u, 3u, 4u, 79u, 81u, 4u + 76u * 2 - 1, 4u + 76u * 2 + 1})
    EXPECT_EQ(abDevSetProperty("PortDescription", id, big.data(), size), AB_ERR_NOT_OPEN) << size;
  EXPECT_EQ(abDevSetProperty("PortDescription", id, nullptr, 80), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevSetProperty("PortDescription", id, big.data(), 4 + 76 * 2), 0);

  uint32_t info = 0;
  ASSERT_EQ(abDevGetPropertyInfo("PortDescription", id, &info, nullptr), 0);
  for (uint32_t size : {0u, 3u, info - 1, info + 1}) {
    std::vector<uint8_t> buffer(info + 16, 0xCC);
    uint32_t s = size;
    EXPECT_EQ(abDevGetProperty("PortDescription", id, buffer.data(), &s), AB_ERR_NOT_OPEN) << size;
    for (size_t i = 0; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCC) << size;
  }
  // A single entry naming a port that does not exist.
  uint8_t record[80];
  const uint32_t one = 1;
  std::memcpy(record, &one, 4);
  AudioPortEntry e = entry(7, false, false);
  std::memcpy(record + 4, &e, 76);
  uint32_t s = 80;
  EXPECT_EQ(abDevGetProperty("PortDescription", id, record, &s), AB_ERR_NOT_OPEN);

  // Closed, the device answers only its name.
  ASSERT_EQ(abDevOpen(id, false), 0);
  EXPECT_EQ(abDevGetPropertyInfo("PortDescription", id, &info, nullptr), AB_ERR_NOT_OPEN);
  EXPECT_EQ(setPort(id, 0, true, true), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevGetPropertyInfo("DeviceName", id, &info, nullptr), 0);
}

TEST_F(WinMidiTest, ShortMessagesEnterTheRingStampedAndTellTheHost) {
  fake->now = 1000;
  openInput(1);
  EXPECT_EQ(fake->driverMessages(1), 1);
  fake->now = 5000;
  const int32_t start = manager->ring.publishedWriteIndex();
  fake->sendShort(1, 0x00643C90, 250);         // note on, 250 ms after the open
  fake->sendShort(1, 0x000000FE, 300);         // active sensing: dropped
  fake->sendShort(1, 0x00000FE0 | 0xFE, 300);  // whatever follows the status, 0xFE is dropped
  fake->sendShort(1, 0x00007FB0, 9000);        // stamped after "now": becomes now
  fake->sendShort(1, 0x000000F8, 3999);        // a clock, at exactly now
  fake->flush();
  const std::vector<Received> got = received();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(manager->ring.publishedWriteIndex(), start + 3);
  const uint64_t times[3] = {1250000u, 5000000u, 4999000u};
  const uint8_t status[3] = {0x90, 0xB0, 0xF8};
  for (int i = 0; i < 3; ++i) {
    const MidiRingSlot& s = manager->ring.slot(start + i);
    EXPECT_EQ(s.length, 3);
    EXPECT_EQ(s.port, 1);
    EXPECT_EQ(s.type, 2);
    EXPECT_EQ(s.time, times[i]) << i;
    EXPECT_EQ(s.data.bytes[0], status[i]);
    EXPECT_EQ(s.spare[0], 0);
    EXPECT_EQ(s.spare[1], 0);
    EXPECT_EQ(got[i].time, times[i]);
    EXPECT_EQ(got[i].user1, &user1);
    EXPECT_EQ(got[i].user2, &user2);
  }
  EXPECT_EQ(manager->ring.slot(start).data.bytes[1], 0x3C);
  EXPECT_EQ(manager->ring.slot(start).data.bytes[2], 0x64);
  EXPECT_EQ(midi->lastInputTime(), 4999u);

  // Not running: nothing is written.
  ASSERT_EQ(abDevStart(id, false), 0);
  fake->sendShort(1, 0x00643C90, 10);
  fake->flush();
  EXPECT_EQ(received().size(), 3u);
  EXPECT_EQ(manager->ring.publishedWriteIndex(), start + 3);
}

TEST_F(WinMidiTest, OpeningRetriesWhileDataArrivesDuringTheOpen) {
  fake->noisyOpens = 2;
  openInput(0);
  EXPECT_EQ(fake->closeCount(0), 2);  // two noisy opens closed again
  EXPECT_TRUE(fake->isOpen(0));
  EXPECT_EQ(fake->driverMessages(0), 3);
  fake->noisyOpens = 20;
  ASSERT_EQ(setPort(id, 1, false, true), AB_ERR_NO_DEVICE);  // never quiet: the port does not open
  EXPECT_FALSE(fake->isOpen(1));
  fake->failOpenIn[1] = true;
  fake->noisyOpens = 0;
  EXPECT_EQ(setPort(id, 1, false, true), AB_ERR_NO_DEVICE);
}

TEST_F(WinMidiTest, SysExArrivesByteForByteWithoutEnteringTheRing) {
  openInput(0);
  const int32_t start = manager->ring.publishedWriteIndex();
  std::vector<std::vector<uint8_t>> messages;
  for (size_t n : {2u, 6u, 511u, 512u, 513u, 2000u, 32767u}) {
    std::vector<uint8_t> m(n);
    m[0] = 0xF0;
    for (size_t i = 1; i + 1 < n; ++i) m[i] = static_cast<uint8_t>((i * 7 + n) & 0x7F);
    m[n - 1] = 0xF7;
    messages.push_back(m);
    fake->sendSysEx(0, m);
  }
  // Too long by one: dropped; without its 0xF7 and cut by a new 0xF0: dropped; bytes outside a message: ignored.
  std::vector<uint8_t> tooLong(32768, 0x11);
  tooLong.front() = 0xF0;
  tooLong.back() = 0xF7;
  fake->sendSysEx(0, tooLong);
  fake->sendSysEx(0, {0xF0, 0x01, 0x02, 0x03});
  fake->sendSysEx(0, {0xF0, 0x7D, 0x05, 0xF7, 0x33, 0x44, 0xF7});
  fake->flush();
  messages.push_back({0xF0, 0x7D, 0x05, 0xF7});
  const std::vector<Received> got = received();
  ASSERT_EQ(got.size(), messages.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].length, static_cast<int32_t>(messages[i].size()));
    EXPECT_EQ(got[i].bytes, messages[i]) << i;
    EXPECT_EQ(got[i].port, 0);
    EXPECT_EQ(got[i].time, 0u);
    EXPECT_EQ(got[i].type, 0);
  }
  EXPECT_EQ(manager->ring.publishedWriteIndex(), start);
  // The headers go back to the system from outside the input callback, on the driver's own thread:
  // all three return, though not necessarily by the time the fake's queue is empty.
  EXPECT_TRUE(fake->waitForPendingHeaders(0, 3, 10000)) << fake->pendingHeaders(0);
  EXPECT_EQ(fake->pendingHeaders(0), 3);
  EXPECT_EQ(fake->callsInsideCallback(), 0);

  ASSERT_EQ(setPort(id, 0, false, false), 0);
  EXPECT_FALSE(fake->isOpen(0));
  EXPECT_EQ(fake->pendingHeaders(0), 0);
}

TEST_F(WinMidiTest, OutputReachesTheSystemAsThePackedWord) {
  ASSERT_EQ(setPort(id, 0, true, true), 0);
  ASSERT_EQ(setPort(id, 2, true, true), 0);
  struct Case {
    int32_t port;
    int32_t length;
    uint8_t bytes[4];
  } cases[] = {
      {0, 3, {0x91, 0x40, 0x7F, 0xAA}}, {2, 2, {0xC3, 0x05, 0xEE, 0xEE}},
      {0, 1, {0xF8, 0xEE, 0xEE, 0xEE}}, {0, 4, {0x90, 1, 2, 3}},  // not a short message: not sent
      {0, 0, {0x90, 1, 2, 3}},          {1, 3, {0x90, 1, 2, 0}},  // port not open: not sent
      {3, 3, {0x90, 1, 2, 0}},                                    // beyond the outputs
      {-1, 3, {0x90, 1, 2, 0}},                                   // negative ports are refused
      {INT32_MIN, 3, {0x90, 1, 2, 0}},
  };
  for (const Case& c : cases) {
    MidiRingSlot slot;
    std::memset(&slot, 0, sizeof slot);
    slot.port = c.port;
    slot.length = c.length;
    std::memcpy(slot.data.bytes, c.bytes, 4);
    EXPECT_EQ(abSendMidi(&slot), 0);
  }
  EXPECT_EQ(abSendMidi(nullptr), 0);
  const std::vector<FakeMidiSystem::OutWord> words = fake->outWords();
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0].port, 0);
  EXPECT_EQ(words[0].word, 0x007F4091u);
  EXPECT_EQ(words[1].port, 2);
  EXPECT_EQ(words[1].word, 0x000005C3u);
  EXPECT_EQ(words[2].word, 0x000000F8u);
}

TEST(WinMidiNames, OutputPortWhoseNameCannotBeReadIsCalledError) {
  FakeMidiSystem fake({}, {"Out"});
  fake.failNameOut[0] = true;
  WinMidi midi(nullptr);
  ASSERT_EQ(midi.open(true), 0);
  std::vector<uint8_t> buffer(80);
  uint32_t size = 80;
  ASSERT_EQ(midi.getProperty("PortDescription", buffer.data(), &size), 0);
  AudioPortEntry e;
  std::memcpy(&e, buffer.data() + 4, 76);
  EXPECT_STREQ(e.name, "Error");
  EXPECT_EQ(e.isOutput, 1);
}
