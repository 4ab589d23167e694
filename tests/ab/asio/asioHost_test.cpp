// The ASIO device under the whole host, through COM: the application's client, reached through the
// audio manager's block callback and routes, plays a sine into the fake driver, and the driver's
// 16-bit buffers hold trunc(32767 × sine) sample for sample.
#include "hostRig.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <string>

#include "ABAsioDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDeviceErrors.h"
#include "ABDeviceManager.h"
#include "asioRegistration.h"
#include "asioScenarios.h"
#include "fakeAsioDriver.h"

namespace {

float toneAt(int c, long long n) {
  const float v = static_cast<float>(0.4 * std::sin(6.283185307179586 * 440.0 * n / 44100.0)) + 0.1f;
  return c ? -v : v;
}

class ToneClient : public PassClient {
 public:
  ToneClient() : PassClient(2, 2) { readMidi = false; }
  void process(float** in, float** out, int nIn, int nOut, int frames) override {
    float** outs = mapOutputs(out, nOut);
    for (int c = 0; c < 2; ++c)
      if (outs[c])
        for (int f = 0; f < frames; ++f) outs[c][f] = toneAt(c, position + f);
    position += frames;
    done.store(position);
  }
  long long position = 0;
  std::atomic<long long> done{0};
};

}  // namespace

TEST_F(HostTest, ClientSineThroughTheHostReachesTheAsioDriverSampleExact) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\asio");
  const std::string server = exeDir() + "\\fakeasio.dll";
  setText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kFakeAsioClsidText + "\\InprocServer32", nullptr, server);
  listDriver("Fake ASIO", kFakeAsioClsidText, nullptr);
  HMODULE module = LoadLibraryA(server.c_str());
  ASSERT_NE(module, nullptr);
  typedef FakeAsioState* (*StateFn)();
  FakeAsioState* fake = reinterpret_cast<StateFn>(reinterpret_cast<void*>(GetProcAddress(module, "fakeAsioState")))();
  fakeAsioReset(fake);

  ToneClient client;
  ASSERT_TRUE(client.open(nullptr));
  AudioManager* m = client.manager;
  uint32_t id = 0;
  for (uint32_t d : m->audioDevices) {
    std::string name;
    if (deviceName(d, &name) == 0 && name == "Fake ASIO") id = d;
  }
  ASSERT_NE(id, 0u);
  ASSERT_EQ(abDevOpen(id, true), 0);
  std::vector<uint8_t> outs = portRecords(true, {0, 1}, true, true);
  ASSERT_EQ(abDevSetProperty("EnableAudioPort", id, outs.data(), static_cast<uint32_t>(outs.size())), 0);
  ASSERT_EQ(abDevSetCallback(id, abAudioCallback, m, m), 0);
  m->audioDevice = static_cast<int32_t>(id);
  for (int c = 0; c < 2; ++c) m->outputRoutes[c] = c;
  m->setSampleRate(id, 44100);
  ASSERT_EQ(abDevStart(id, true), 0);
  EXPECT_TRUE(waitFor([&] { return fake->record.capturedFrames.load() >= FakeAsioRecord::kCaptureFrames; }));
  abDevStart(id, false);
  client.close();

  // The host may begin with silent blocks: find the tone's first frame, then compare every sample.
  const int16_t* cap[2] = {reinterpret_cast<const int16_t*>(fake->record.capture[0]),
                           reinterpret_cast<const int16_t*>(fake->record.capture[1])};
  const int total = fake->record.capturedFrames.load();
  int first = 0;
  while (first < total && cap[0][first] == 0) ++first;
  ASSERT_LT(first, 1024) << "no tone in the driver's buffers";
  const int frames = total - first;
  ASSERT_GE(frames, 2048);
  int mismatches = 0;
  for (int n = 0; n < frames && mismatches < 5; ++n)
    for (int c = 0; c < 2; ++c) {
      const int16_t want = static_cast<int16_t>(toneAt(c, n) * 32767.0f);
      if (cap[c][first + n] != want) {
        ++mismatches;
        ADD_FAILURE() << "channel " << c << " frame " << n << ": " << cap[c][first + n] << " != " << want;
      }
    }
  EXPECT_EQ(fake->record.violations.load(), 0);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\asio");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kFakeAsioClsidText).c_str());
}
