// The device manager and its flat interface: creation, sequential ids, unknown ids and names, the
// manager's properties with sizes that do not fit, listeners, the client, and the device accessors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDeviceManager.h"
#include "ABDirectSoundDevice.h"
#include "feedDevice.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace devicemanagertest {

namespace {

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(abDevCreate(0x10001, nullptr), 0); }
  void TearDown() override { abDevDestroy(); }
};

std::vector<uint32_t> idList(const char* property) {
  uint32_t size = 0, changeable = 7;
  EXPECT_EQ(abGetPropertyInfo(property, &size, &changeable), 0);
  EXPECT_EQ(changeable, 0u);
  std::vector<uint32_t> ids(size / 4);
  EXPECT_EQ(abGetProperty(property, ids.data(), &size), 0);
  return ids;
}

struct ListenerCall {
  std::string name;
  uint32_t id;
  void* word1;
  void* word2;
};
std::vector<ListenerCall> g_listenerCalls;
void recordListener(const char* name, uint32_t id, void* w1, void* w2) {
  g_listenerCalls.push_back({name, id, w1, w2});
}

class CountingClient : public AudioDeviceClient {
 public:
  void sampleRateDidChange(int) override {}
  void requestReset() override {}
};

struct CallbackCall {
  int frames;
  int reserved;
  void* user2;
  void* user1;
  float firstInput;
};
std::vector<CallbackCall> g_blocks;
void recordBlock(AudioBlock* b, int reserved, void* user2, void* user1) {
  g_blocks.push_back({b->frames, reserved, user2, user1, b->input.buffers[0][0]});
  for (int c = 0; c < b->output.channelCount; ++c)
    for (int f = 0; f < b->frames; ++f) b->output.buffers[c][f] = static_cast<float>(c + 1);
}

}  // namespace

TEST(DeviceLayerWithoutManager, EveryFunctionAnswersZeroAndTouchesNothing) {
  ASSERT_EQ(abDeviceManager(), nullptr);
  uint32_t size = 123, changeable = 456, id = 789;
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(abDevGetPropertyInfo("DeviceName", 1, &size, &changeable), 0);
  EXPECT_EQ(abDevGetProperty("DeviceName", 1, buffer, &size), 0);
  EXPECT_EQ(abDevSetProperty("DeviceName", 1, buffer, 4), 0);
  EXPECT_EQ(abGetPropertyInfo("AudioDeviceList", &size, &changeable), 0);
  EXPECT_EQ(abGetProperty("AudioDeviceList", buffer, &size), 0);
  EXPECT_EQ(abDevOpen(1, true), 0);
  EXPECT_EQ(abDevIsOpen(1), 0);
  EXPECT_EQ(abDevStart(1, true), 0);
  EXPECT_EQ(abDevIsRunning(1), 0);
  EXPECT_EQ(abDevSetCallback(1, recordBlock, nullptr, nullptr), 0);
  EXPECT_EQ(abSendMidi(nullptr), 0);
  EXPECT_EQ(abSetMidiNotify(nullptr), 0);
  EXPECT_EQ(abGetDefaultDevice(&id), 0);
  EXPECT_EQ(abDevSetClient(nullptr), 0);
  EXPECT_EQ(abDevDestroy(), 0);
  EXPECT_EQ(size, 123u);
  EXPECT_EQ(changeable, 456u);
  EXPECT_EQ(id, 789u);
  EXPECT_STREQ(buffer, "xxxxxxx");
  EXPECT_EQ(abDevAddTestDevice(new FeedDevice(1, 1, 44100, 16)), 0u);

  std::vector<uint32_t> list = {5, 6};
  EXPECT_EQ(listAudioDevices(&list), AB_ERR_DEVICE_QUERY);
  EXPECT_TRUE(list.empty());
  list = {5};
  EXPECT_EQ(listMidiDevices(&list), AB_ERR_DEVICE_QUERY);
  EXPECT_TRUE(list.empty());
}

TEST_F(ManagerTest, SecondCreationFailsAndKeepsTheFirstManager) {
  DeviceManager* first = abDeviceManager();
  EXPECT_EQ(abDevCreate(0x10001, nullptr), AB_ERR_MANAGER_EXISTS);
  EXPECT_EQ(abDeviceManager(), first);
}

TEST_F(ManagerTest, IdsAreSequentialFromOneInEnumerationOrder) {
  DeviceManager* m = abDeviceManager();
  ASSERT_GE(m->devices.size(), 1u);
  for (size_t i = 0; i < m->devices.size(); ++i) EXPECT_EQ(m->devices[i]->id, i + 1);
  // No ASIO driver here: the WinMidi device comes first, then the DirectSound devices (the first of
  // them is the default), then the MME devices, none of which becomes the default.
  EXPECT_EQ(m->devices[0]->kind, 1u);
  EXPECT_EQ(m->midiDevice, m->devices[0]);
  EXPECT_EQ(idList("MIDIDeviceList"), std::vector<uint32_t>({1}));
  uint32_t def = 99;
  EXPECT_EQ(abGetDefaultDevice(&def), 0);
  ASSERT_GE(m->devices.size(), 2u);
  EXPECT_EQ(def, 2u);
  EXPECT_NE(dynamic_cast<DirectSoundDevice*>(m->devices[1]), nullptr);

  const uint32_t feedA = abDevAddTestDevice(new FeedDevice(1, 2, 44100, 64, "Feed A"));
  const uint32_t feedB = abDevAddTestDevice(new FeedDevice(1, 2, 44100, 64, "Feed B"));
  EXPECT_EQ(feedA, m->devices.size() - 1);
  EXPECT_EQ(feedB, feedA + 1);
  std::vector<uint32_t> audio = idList("AudioDeviceList");
  ASSERT_GE(audio.size(), 2u);
  EXPECT_EQ(audio[audio.size() - 2], feedA);
  EXPECT_EQ(audio.back(), feedB);
  for (uint32_t id : audio) EXPECT_EQ(m->findDevice(id)->kind, 0u);
  EXPECT_EQ(m->findDevice(feedB)->ring, &m->ring);
  EXPECT_EQ(m->findDevice(feedB)->listeners, &m->listenerTable);
}

TEST_F(ManagerTest, UnknownIdsGiveNoSuchDevice) {
  for (uint32_t id : {0u, 9999u, 0xFFFFFFFFu, 0x10000u}) {
    uint32_t size = 4, changeable = 0, value = 44100;
    EXPECT_EQ(abDevGetPropertyInfo("DeviceName", id, &size, &changeable), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevGetProperty("DeviceName", id, &value, &size), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevSetProperty("SampleRate", id, &value, 4), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevOpen(id, true), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevIsOpen(id), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevStart(id, true), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevIsRunning(id), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(abDevSetCallback(id, recordBlock, nullptr, nullptr), AB_ERR_NO_DEVICE) << id;
    std::string name = "old";
    EXPECT_EQ(deviceName(id, &name), AB_ERR_NO_DEVICE) << id;
    EXPECT_EQ(name, "");
  }
}

TEST_F(ManagerTest, UnknownNamesGiveNoSuchProperty) {
  uint32_t size = 0, changeable = 0;
  char buffer[64];
  for (const char* name : {"Nope", "", "audiodevicelist", "AudioDeviceList ", static_cast<const char*>(nullptr)}) {
    size = 64;
    EXPECT_EQ(abGetPropertyInfo(name, &size, &changeable), AB_ERR_NO_PROPERTY);
    EXPECT_EQ(abGetProperty(name, buffer, &size), AB_ERR_NO_PROPERTY);
    EXPECT_EQ(abDevGetPropertyInfo(name, 1, &size, &changeable), AB_ERR_NO_PROPERTY);
    EXPECT_EQ(abDevGetProperty(name, 1, buffer, &size), AB_ERR_NO_PROPERTY);
    EXPECT_EQ(abDevSetProperty(name, 1, buffer, 4), AB_ERR_NO_PROPERTY);
  }
  // The WinMidi device has no set half for its name.
  EXPECT_EQ(abDevSetProperty("DeviceName", 1, "x", 2), AB_ERR_NO_PROPERTY);
}

// The list values with sizes 0, 3, one short, exact and one word more: whole ids only, never past the buffer.
TEST_F(ManagerTest, DeviceListsWriteWholeIdsWithinTheGivenSize) {
  for (int i = 0; i < 3; ++i) abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  const std::vector<uint32_t> all = idList("AudioDeviceList");
  const uint32_t n = static_cast<uint32_t>(all.size());
  ASSERT_GE(n, 3u);
  struct Case {
    uint32_t size;
    uint32_t ids;
  } cases[] = {{0, 0}, {3, 0}, {4 * n - 1, n - 1}, {4 * n, n}, {4 * n + 4, n}};
  for (const Case& c : cases) {
    std::vector<uint32_t> buffer(n + 2, 0xDEADBEEFu);
    uint32_t size = c.size;
    EXPECT_EQ(abGetProperty("AudioDeviceList", buffer.data(), &size), 0);
    EXPECT_EQ(size, 4 * c.ids) << c.size;
    for (uint32_t i = 0; i < n + 2; ++i) EXPECT_EQ(buffer[i], i < c.ids ? all[i] : 0xDEADBEEFu) << c.size << " " << i;
  }
}

TEST_F(ManagerTest, ActiveDeviceFollowsTheFirstOpenDevice) {
  uint32_t size = 9, changeable = 0, id = 77;
  EXPECT_EQ(abGetPropertyInfo("ActiveAudioDevice", &size, &changeable), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(changeable, 1u);
  size = 3;
  EXPECT_EQ(abGetProperty("ActiveAudioDevice", &id, &size), AB_ERR_NOT_OPEN);
  EXPECT_EQ(id, 77u);
  size = 4;
  EXPECT_EQ(abGetProperty("ActiveAudioDevice", &id, &size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(id, 0u);

  const uint32_t a = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  const uint32_t b = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  EXPECT_EQ(abDevOpen(b, true), 0);
  EXPECT_EQ(abDevIsOpen(b), 1);
  EXPECT_EQ(abDevIsOpen(a), 0);
  EXPECT_EQ(abGetPropertyInfo("ActiveAudioDevice", &size, &changeable), 0);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(abGetProperty("ActiveAudioDevice", &id, &size), 0);
  EXPECT_EQ(id, b);
  EXPECT_EQ(abDevOpen(a, true), 0);
  EXPECT_EQ(abGetProperty("ActiveAudioDevice", &id, &size), 0);
  EXPECT_EQ(id, a);

  EXPECT_EQ(abGetProperty("ActiveMIDIDevice", &id, &size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(abDevOpen(1, true), 0);
  size = 4;
  EXPECT_EQ(abGetProperty("ActiveMIDIDevice", &id, &size), 0);
  EXPECT_EQ(id, 1u);
  EXPECT_EQ(size, 4u);
}

TEST_F(ManagerTest, TestDeviceFeedsTheCallbackWithItsUserWordsInOrder) {
  FeedDevice* feed = new FeedDevice(1, 2, 48000, 512);
  const uint32_t id = abDevAddTestDevice(feed);
  int user1 = 0, user2 = 0;
  EXPECT_EQ(abDevSetCallback(id, recordBlock, &user2, &user1), 0);
  EXPECT_FALSE(feed->feed(16, nullptr, 0));  // not running
  EXPECT_EQ(abDevStart(id, true), AB_ERR_NOT_OPEN);
  EXPECT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevIsRunning(id), 1);
  g_blocks.clear();
  std::vector<float> in(441, 0.25f);
  const float* inputs[1] = {in.data()};
  for (int frames : {0, 1, 100, 441, 512}) ASSERT_TRUE(feed->feed(frames, inputs, 123456789u));
  EXPECT_FALSE(feed->feed(513, inputs, 0));
  ASSERT_EQ(g_blocks.size(), 5u);
  EXPECT_EQ(g_blocks[3].frames, 441);
  EXPECT_EQ(g_blocks[3].reserved, 0);
  EXPECT_EQ(g_blocks[3].user2, &user2);
  EXPECT_EQ(g_blocks[3].user1, &user1);
  EXPECT_EQ(g_blocks[3].firstInput, 0.25f);
  EXPECT_EQ(feed->output(1)[440], 2.0f);
  EXPECT_EQ(abDeviceManager()->ring.blockTime, 123456789u);
}

TEST_F(ManagerTest, ListenersHearSetsOpensAndStartsOfAudioDevices) {
  DeviceManager* m = abDeviceManager();
  int w1 = 0, w2 = 0;
  m->listenerTable.insert("SampleRate", new DeviceListener(recordListener, &w1, &w2));
  m->listenerTable.insert("Acquire", new DeviceListener(recordListener, &w1, &w2));
  m->listenerTable.insert("Prime", new DeviceListener(recordListener, &w1, &w2));
  g_listenerCalls.clear();
  const uint32_t id = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  int32_t rate = 48000;
  EXPECT_EQ(abDevOpen(id, true), 0);
  EXPECT_EQ(abDevSetProperty("SampleRate", id, &rate, 4), 0);
  EXPECT_EQ(abDevSetProperty("SampleRate", id, &rate, 3), AB_ERR_NOT_OPEN);  // heard all the same
  EXPECT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevSetProperty("SampleRate", 1, &rate, 4), AB_ERR_NO_PROPERTY);  // MIDI device: not heard
  ASSERT_EQ(g_listenerCalls.size(), 4u);
  EXPECT_EQ(g_listenerCalls[0].name, "Acquire");
  EXPECT_EQ(g_listenerCalls[1].name, "SampleRate");
  EXPECT_EQ(g_listenerCalls[2].name, "SampleRate");
  EXPECT_EQ(g_listenerCalls[3].name, "Prime");
  EXPECT_EQ(g_listenerCalls[3].id, id);
  EXPECT_EQ(g_listenerCalls[3].word1, &w1);
  EXPECT_EQ(g_listenerCalls[3].word2, &w2);
}

TEST_F(ManagerTest, ClientGoesToOpenAudioDevicesAndWithEveryOpen) {
  CountingClient client;
  const uint32_t open = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  const uint32_t closed = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8));
  DeviceManager* m = abDeviceManager();
  EXPECT_EQ(abDevOpen(open, true), 0);
  EXPECT_EQ(m->findDevice(open)->client, nullptr);
  EXPECT_EQ(abDevSetClient(&client), 0);
  EXPECT_EQ(m->findDevice(open)->client, &client);
  EXPECT_EQ(m->findDevice(closed)->client, nullptr);
  EXPECT_EQ(abDevOpen(closed, true), 0);
  EXPECT_EQ(m->findDevice(closed)->client, &client);
  EXPECT_EQ(abDevSetClient(nullptr), 0);
  EXPECT_EQ(m->findDevice(open)->client, nullptr);
}

TEST_F(ManagerTest, AccessorsListDevicesWithReadableNames) {
  std::vector<uint32_t> midi = {42};
  EXPECT_EQ(listMidiDevices(&midi), 0);
  EXPECT_EQ(midi, std::vector<uint32_t>({1}));
  std::string name;
  EXPECT_EQ(deviceName(1, &name), 0);
  EXPECT_EQ(name, "WinMidi");

  const uint32_t feed = abDevAddTestDevice(new FeedDevice(0, 2, 44100, 8, "A rather long feed device name"));
  std::vector<uint32_t> audio;
  EXPECT_EQ(listAudioDevices(&audio), 0);
  ASSERT_FALSE(audio.empty());
  EXPECT_EQ(audio.back(), feed);
  EXPECT_EQ(deviceName(feed, &name), 0);
  EXPECT_EQ(name, "A rather long feed device name");
  EXPECT_EQ(deviceName(1, nullptr), AB_ERR_NOT_OPEN);
  EXPECT_EQ(listAudioDevices(nullptr), AB_ERR_DEVICE_QUERY);
}

// "DeviceName" with sizes 0, 3, the length (no room for the terminator), and more.
TEST_F(ManagerTest, DeviceNameNeverWritesPastTheGivenSize) {
  uint32_t size = 0, changeable = 9;
  EXPECT_EQ(abDevGetPropertyInfo("DeviceName", 1, &size, &changeable), 0);
  EXPECT_EQ(size, 8u);  // "WinMidi" and its terminator, readable while closed
  EXPECT_EQ(changeable, 0u);
  struct Case {
    uint32_t size;
    const char* bytes;
    uint32_t sizeAfter;
  } cases[] = {{0, "", 0}, {3, "Win", 3}, {7, "WinMidi", 7}, {8, "WinMidi\0", 7}, {20, "WinMidi\0", 7}};
  for (const Case& c : cases) {
    char buffer[24];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t s = c.size;
    EXPECT_EQ(abDevGetProperty("DeviceName", 1, buffer, &s), 0);
    EXPECT_EQ(s, c.sizeAfter) << c.size;
    const size_t written = c.size >= 8 ? 8 : c.size;
    EXPECT_EQ(std::memcmp(buffer, c.bytes, written), 0) << c.size;
    for (size_t i = written; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << c.size << " at " << i;
  }
}

}  // namespace devicemanagertest
