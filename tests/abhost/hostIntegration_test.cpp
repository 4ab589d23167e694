// The host as the application uses it: `open` creates the device layer with the WinMidi device on
// fake system ports and the block callback reaches a test device fed by the test (the test thread is
// the audio thread). MIDI from the fake ports arrives at the stated offsets, SysEx and short messages
// reach the client's notifications, MIDI output reaches the port as the packed word, and the
// application's own set-up (6 in, 8 out, rates up to 48,100 Hz, block mode 128 with multiples,
// resampling, guard 95, clipping) runs on a 96 kHz device.
#include "hostRig.h"

#include "ABDeviceManager.h"
#include "ABMmeDevice.h"
#include "deviceTestSupport.h"
#include "fakeMidiSystem.h"
#include "feedDevice.h"
#include "support/signal.h"

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

// Switches a port of the MIDI device through the single-entry "PortDescription" form.
int setMidiPort(uint32_t id, int32_t index, bool output, bool on) {
  return setPortRecord("PortDescription", id, index, output, on ? 1 : 0, on ? 1 : 0);
}

class NotifiedClient : public PassClient {
 public:
  NotifiedClient(int ins, int outs) : PassClient(ins, outs) {}
  void shortMidi(MidiEventRecord* e) override {
    std::lock_guard<std::mutex> l(mutex);
    shorts.push_back(e->data.bytes[0] | e->data.bytes[1] << 8 | e->data.bytes[2] << 16);
  }
  void sysEx(MidiEventRecord* e) override {
    std::lock_guard<std::mutex> l(mutex);
    sysExes.emplace_back(e->data.sysEx, e->data.sysEx + e->length);
  }
  std::mutex mutex;
  std::vector<uint32_t> shorts;
  std::vector<std::vector<uint8_t>> sysExes;
};

class HostIntegration : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    fake.reset(new FakeMidiSystem({"Keys In"}, {"Synth Out"}));
    fake->now = 1000;
  }
  void TearDown() override {
    client.reset();
    fake.reset();
    HostTest::TearDown();
  }
  // Opens the host with a feed device of the given shape as its audio device.
  FeedDevice* openWith(int ins, int outs, int rate, int maxFrames) {
    client.reset(new NotifiedClient(ins, outs));
    // Only the process's first manager opens the MIDI device; this program makes many in turn.
    client->manager->instance = 0;
    EXPECT_TRUE(client->open(nullptr));
    m = client->manager;
    EXPECT_GE(m->midiDevice, 1);
    FeedDevice* device = new FeedDevice(ins, outs, rate, maxFrames);
    deviceId = abDevAddTestDevice(device);
    EXPECT_NE(deviceId, 0u);
    EXPECT_EQ(abDevOpen(deviceId, true), 0);
    EXPECT_EQ(abDevSetCallback(deviceId, abAudioCallback, m, m), 0);
    m->audioDevice = static_cast<int32_t>(deviceId);
    for (int c = 0; c < AB_MAX_CHANNELS; ++c) {
      m->inputRoutes[c] = c < ins ? c : -1;
      m->outputRoutes[c] = c < outs ? c : -1;
    }
    m->setSampleRate(deviceId, rate);
    EXPECT_EQ(abDevStart(deviceId, true), 0);
    return device;
  }
  std::unique_ptr<FakeMidiSystem> fake;
  std::unique_ptr<NotifiedClient> client;
  AudioManager* m = nullptr;
  uint32_t deviceId = 0;
};

TEST_F(HostIntegration, MidiFromTheFakePortsAtTheirOffsets) {
  FeedDevice* device = openWith(2, 2, 44100, 441);
  const uint32_t midiId = static_cast<uint32_t>(m->midiDevice);
  ASSERT_EQ(setMidiPort(midiId, 0, false, true), 0);
  fake->flush();
  fake->now = 100000;
  // The port opened at 1000 ms: a stamp s arrives as 1000 + s ms. The block starts at 1050 ms and
  // lasts 10 ms (441 frames at 44.1 kHz).
  const int stamps[] = {20, 50, 51, 53, 57, 59, 60};
  for (int i = 0; i < 7; ++i)
    fake->sendShort(0, 0x00640090u | static_cast<DWORD>(i + 1) << 8, static_cast<DWORD>(stamps[i]));
  fake->sendShort(0, 0xFE, 55);  // active sensing never enters the ring
  fake->flush();
  device->feed(441, nullptr, 1060000);
  ASSERT_EQ(client->events.size(), 6u);
  EXPECT_EQ(client->events[0].data1, 1);
  EXPECT_EQ(client->events[0].offset, 0);  // before the block's start: at once
  for (int i = 1; i < 6; ++i) {
    EXPECT_EQ(client->events[i].data1, i + 1);
    EXPECT_EQ(client->events[i].offset, static_cast<int>(44100 * 0.001 * (stamps[i] - 50))) << i;
  }
  device->feed(441, nullptr, 1070000);  // the one at the block time comes with the next block
  ASSERT_EQ(client->events.size(), 7u);
  EXPECT_EQ(client->events[6].data1, 7);
  EXPECT_EQ(client->events[6].offset, 0);
  // A future stamp becomes "now"; later events still flow.
  fake->now = 1075;
  fake->sendShort(0, 0x00640890u, 500);
  fake->flush();
  device->feed(441, nullptr, 1080000);
  ASSERT_EQ(client->events.size(), 8u);
  EXPECT_EQ(client->events[7].data1, 8);
  EXPECT_EQ(client->events[7].offset, static_cast<int>(44100 * 0.001 * 5));

  // The notifications: every short message (no active sensing), and SysEx byte for byte.
  std::vector<uint8_t> sysEx = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  fake->sendSysEx(0, sysEx);
  std::vector<uint8_t> huge(40000, 0x11);
  huge.front() = 0xF0;
  huge.back() = 0xF7;
  fake->sendSysEx(0, huge);  // over 32,767 bytes: dropped
  fake->flush();
  {
    std::lock_guard<std::mutex> l(client->mutex);
    EXPECT_EQ(client->shorts.size(), 8u);
    for (uint32_t w : client->shorts) EXPECT_NE(w & 0xFF, 0xFEu);
    ASSERT_EQ(client->sysExes.size(), 1u);
    EXPECT_EQ(client->sysExes[0], sysEx);
  }
  // Muted: nothing reaches the notifications.
  client->setMuted(true);
  fake->sendShort(0, 0x00640990u, 80);
  fake->flush();
  {
    std::lock_guard<std::mutex> l(client->mutex);
    EXPECT_EQ(client->shorts.size(), 8u);
  }
  client->setMuted(false);
}

TEST_F(HostIntegration, MidiOutputReachesThePortAsThePackedWord) {
  openWith(2, 2, 44100, 441);
  const uint32_t midiId = static_cast<uint32_t>(m->midiDevice);
  ASSERT_EQ(setMidiPort(midiId, 0, true, true), 0);
  m->midiOutPorts[0] = 1;
  auto send = [&](int port, uint8_t s, uint8_t d1, uint8_t d2, int length = 4) {
    MidiEventRecord e = {};
    e.size = sizeof e;
    e.length = length;
    e.port = port;
    e.data.bytes[0] = s;
    e.data.bytes[1] = d1;
    e.data.bytes[2] = d2;
    m->sendMidiOut(&e);
  };
  send(0, 0x90, 60, 100);
  send(0, 0xC3, 5, 99);    // two bytes: the third is not sent
  send(0, 0xF8, 1, 2);     // one byte
  send(0, 0xF0, 1, 2);     // not a short message: not sent
  send(0, 0x90, 1, 2, 6);  // longer than 4 bytes: not sent
  send(-1, 0x90, 1, 2);    // negative port: refused
  send(1, 0x90, 1, 2);     // port switched off
  send(40, 0x90, 1, 2);    // no such port
  fake->flush();
  std::vector<FakeMidiSystem::OutWord> words = fake->outWords();
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0].word, 0x00643C90u);
  EXPECT_EQ(words[1].word, 0x000005C3u);
  EXPECT_EQ(words[2].word, 0x000000F8u);
}

// The application's set-up on a 96 kHz device: the client runs at 48 kHz in whole 128-frame blocks
// (or multiples), a tone passes both converters at its level, an over-range input is clipped, and
// every note reaches nextMidiEvent once.
TEST_F(HostIntegration, ApplicationSetUpOnA96kDevice) {
  FeedDevice* device = openWith(6, 8, 96000, 4096);
  client->setBlockMode(true, 128, true);
  client->setResampling(true);
  client->setOverloadGuard(true, 95);
  client->setClipOutput(true);
  EXPECT_EQ(m->clientRate, 48000);
  EXPECT_EQ(client->rates.back(), 48000.0f);
  const uint32_t midiId = static_cast<uint32_t>(m->midiDevice);
  ASSERT_EQ(setMidiPort(midiId, 0, false, true), 0);
  fake->flush();
  fake->now = 1000000;
  std::vector<std::vector<float>> in(6, std::vector<float>(4096));
  std::vector<const float*> inPtr;
  for (auto& v : in) inPtr.push_back(v.data());
  std::vector<float> out0, out5;
  const int sizes[] = {441, 100, 4096, 1, 2000, 128, 333};
  long long pos = 0;
  uint64_t timeUs = 2000000;
  int notes = 0;
  for (int round = 0; round < 30; ++round) {
    for (int n : sizes) {
      for (int f = 0; f < n; ++f) {
        in[0][f] = static_cast<float>(0.5 * std::sin(6.283185307179586 * 1000.0 * (pos + f) / 96000.0));
        in[5][f] = 1.5f;
      }
      const uint64_t blockUs = static_cast<uint64_t>(n) * 1000000u / 96000u;
      fake->sendShort(0, 0x00400090u | static_cast<DWORD>(notes++ & 0x7F) << 8,
                      static_cast<DWORD>((timeUs - 1000000) / 1000));  // at the block's start
      fake->flush();
      device->feed(n, inPtr.data(), timeUs + blockUs);
      out0.insert(out0.end(), device->output(0), device->output(0) + n);
      out5.insert(out5.end(), device->output(5), device->output(5) + n);
      pos += n;
      timeUs += blockUs + 1000;
    }
  }
  for (int frames : client->calls) ASSERT_EQ(frames % 128, 0);
  EXPECT_NEAR(signalToneAmplitude(out0.data() + 20000, out0.size() - 20000, 96000.0, 1000.0), 0.5, 0.03);
  float peak = 0;
  for (size_t i = 20000; i < out5.size(); ++i) peak = std::max(peak, std::fabs(out5[i]));
  EXPECT_EQ(peak, 1.0f);
  // Every note once and in order (the last blocks' notes may still wait in the queue).
  ASSERT_GT(client->events.size(), static_cast<size_t>(notes - 10));
  for (size_t i = 0; i < client->events.size(); ++i) EXPECT_EQ(client->events[i].data1, i & 0x7F) << i;
}

// A device that reports a new rate reaches the host through the manager's device client; a second
// manager uses the open device layer without a MIDI device and leaves it standing when it closes.
TEST_F(HostIntegration, RateReportAndSecondManager) {
  FeedDevice* device = openWith(2, 2, 48000, 512);
  ASSERT_NE(device->client, nullptr);
  device->client->sampleRateDidChange(96000);
  EXPECT_EQ(m->deviceRate, 96000);
  EXPECT_EQ(m->clientRate, 48000);
  EXPECT_EQ(m->midiClock.rate, 96000.0);
  device->feed(100, nullptr, 5000000);
  EXPECT_EQ(client->calls.back(), 50);

  {
    PassClient second(1, 1);
    second.manager->instance = 1;
    EXPECT_TRUE(second.open(nullptr));
    EXPECT_EQ(second.manager->midiDevice, -1);
    EXPECT_FALSE(second.manager->audioDevices.empty());
  }
  EXPECT_NE(abDeviceManager(), nullptr);  // still the first manager's
  EXPECT_EQ(abDevIsRunning(deviceId), 1);
  const size_t calls = client->calls.size();
  device->feed(100, nullptr, 5100000);
  EXPECT_EQ(client->calls.size(), calls + 1);  // the host still runs
}

}  // namespace
