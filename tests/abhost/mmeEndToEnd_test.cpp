// Real audio under Wine, end to end: a client reached through `open` and the flat device functions
// writes a known signal (different per output) through the MME device; the ALSA output file holds
// trunc(32767 x signal), interleaved, sample for sample after the leading silence, for seconds (only
// silence the system adds where the stream ran dry may sit between frames). A file fed to the capture
// device reaches the client's inputs.
#include "hostRig.h"

#include "ABDeviceAccessors.h"
#include "ABMmeDevice.h"
#include "support/audioFiles.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>

namespace {

const double kTwoPi = 6.283185307179586;

// Output c at client frame n: an offset tone per channel, never 0, so the first frame is found.
float signalAt(int c, long long n) {
  if (c == 0) return static_cast<float>(0.3 + 0.2 * std::sin(kTwoPi * 440.0 * n / 44100.0));
  // A slow ramp: no stretch of the second channel repeats within the run.
  return static_cast<float>(-0.6 + 0.1 * std::sin(kTwoPi * 1000.0 * n / 44100.0 + 1.0) + 0.2 * (n % 400000) / 400000.0);
}

// The capture file's sample for channel c at frame n (16-bit).
int16_t inputAt(int c, long long n) {
  const int v = static_cast<int>((n * 37) % 20000) - 10000;
  return static_cast<int16_t>(c == 0 ? v : -v / 2);
}

class SignalClient : public PassClient {
 public:
  SignalClient() : PassClient(2, 2) { readMidi = false; }
  void process(float** in, float** out, int nIn, int nOut, int frames) override {
    float** ins = mapInputs(in, nIn);
    float** outs = mapOutputs(out, nOut);
    for (int c = 0; c < 2; ++c)
      if (outs[c])
        for (int f = 0; f < frames; ++f) outs[c][f] = signalAt(c, position + f);
    for (int f = 0; f < frames && recorded.size() < recorded.capacity(); ++f) {
      recorded.push_back(ins[0] ? ins[0][f] : -9.0f);
      recorded1.push_back(ins[1] ? ins[1][f] : -9.0f);
    }
    position += frames;
    done.store(position);
  }
  long long position = 0;
  std::atomic<long long> done{0};
  std::vector<float> recorded, recorded1;
};

TEST_F(HostTest, MmeOutputFileAndCaptureInput) {
  const int rate = 44100;
  const std::string outPath = audioOutputFile(rate, 2, "S16_LE");
  const std::string inPath = audioInputFile();
  ASSERT_FALSE(outPath.empty()) << "run through the test harness";
  DeleteFileA(outPath.c_str());
  // The capture file: 6 s of a known stereo pattern.
  {
    FILE* f = std::fopen(inPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> pcm;
    for (long long n = 0; n < 6 * rate; ++n) {
      pcm.push_back(inputAt(0, n));
      pcm.push_back(inputAt(1, n));
    }
    std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), f);
    std::fclose(f);
  }

  SignalClient client;
  client.recorded.reserve(3 * rate);
  client.recorded1.reserve(3 * rate);
  ASSERT_TRUE(client.open(nullptr));
  AudioManager* m = client.manager;
  uint32_t id = 0;
  for (uint32_t d : m->audioDevices) {
    std::string name;
    if (deviceName(d, &name) == 0 && name.compare(0, 4, "MME ") == 0) id = d;
  }
  ASSERT_NE(id, 0u) << "no MME device";
  ASSERT_EQ(abDevOpen(id, true), 0);
  // Capture from the system's first input device.
  AudioInDeviceEntry entry = {};
  entry.index = 0;
  ASSERT_EQ(abDevSetProperty("AudioInDevice", id, &entry, sizeof entry), 0);
  ASSERT_EQ(abDevSetCallback(id, abAudioCallback, m, m), 0);
  m->audioDevice = static_cast<int32_t>(id);
  for (int c = 0; c < 2; ++c) m->outputRoutes[c] = m->inputRoutes[c] = c;
  m->setSampleRate(id, rate);
  ASSERT_TRUE(m->enabled);
  ASSERT_EQ(abDevStart(id, true), 0);
  const long long wanted = 9LL * rate / 2;
  for (int i = 0; i < 1500 && client.done.load() < wanted; ++i) Sleep(10);
  abDevStart(id, false);
  client.close();
  ASSERT_GE(client.position, wanted);

  // Output: the leading silence, then every sample of both channels for at least 3 s.
  FILE* f = std::fopen(outPath.c_str(), "rb");
  ASSERT_NE(f, nullptr) << outPath;
  std::vector<int16_t> file;
  int16_t pair[2];
  while (std::fread(pair, sizeof(int16_t), 2, f) == 2) file.insert(file.end(), pair, pair + 2);
  std::fclose(f);
  size_t first = 0;
  while (first < file.size() / 2 && file[2 * first] == 0 && file[2 * first + 1] == 0) ++first;
  // Where the stream ran dry (a late worker on a loaded machine, the stop) the system writes silence
  // of its own; the signal's first channel is never 0, so such frames are told apart. Every other frame
  // must be the next signal frame, to the end of the file: nothing dropped, repeated or changed.
  size_t n = 0, padding = 0;
  for (size_t p = first; p < file.size() / 2; ++p) {
    const int16_t e0 = static_cast<int16_t>(static_cast<int>(signalAt(0, static_cast<long long>(n)) * 32767.0f));
    const int16_t e1 = static_cast<int16_t>(static_cast<int>(signalAt(1, static_cast<long long>(n)) * 32767.0f));
    if (file[2 * p] == e0 && file[2 * p + 1] == e1)
      ++n;
    else if (file[2 * p] == 0 && file[2 * p + 1] == 0)
      ++padding;
    else
      FAIL() << "file frame " << p << " is neither signal frame " << n << " nor silence (offset " << first << ")";
  }
  std::printf("output: %zu signal frames after %zu silent ones, %zu silent frames added\n", n, first, padding);
  // The device's last buffers are cut off by the stop.
  EXPECT_GE(n, static_cast<size_t>(3 * rate));
  EXPECT_GE(static_cast<long long>(n), client.position - 3 * 4096);

  // Input: the file's pattern arrives on both inputs in order: frames that continue the pattern
  // from the frame before them (both channels) make up runs of at least a device block, over more
  // than a second in all. (Wine's capture runs several times faster than its playback, and the driver
  // takes one input buffer per output buffer, so the recording skips between runs here.)
  std::vector<long long> where(20000, -1);  // pattern value + 10000 -> its frame in one period
  for (long long n = 0; n < 20000; ++n) where[inputAt(0, n) + 10000] = n;
  auto patternIndex = [&](long v) { return v >= -10000 && v < 10000 ? where[v + 10000] : -1LL; };
  long long continued = 0, run = 0, longest = 0;
  for (size_t i = 1; i < client.recorded.size(); ++i) {
    const long a0 = std::lround(client.recorded[i - 1] * 32768.0f);
    const long b0 = std::lround(client.recorded[i] * 32768.0f);
    const long long k = patternIndex(a0);
    const bool next = a0 != 0 && k >= 0 && inputAt(0, k + 1) == b0 &&
                      std::lround(client.recorded1[i] * 32768.0f) == inputAt(1, k + 1) &&
                      std::lround(client.recorded1[i - 1] * 32768.0f) == inputAt(1, k);
    if (next) {
      ++continued;
      longest = std::max(longest, ++run);
    } else {
      run = 0;
    }
  }
  std::printf("capture: %lld of %zu frames continue the pattern, longest run %lld\n", continued, client.recorded.size(),
              longest);
  // Where the pattern breaks depends on the system: it drops whole capture periods (10 ms, 441 frames)
  // while the driver is busy with the output, and each block takes the next input buffer there is.
  // So at most one break per period and one per block; anything more (a part of a buffer converted,
  // frames or channels mixed up) breaks the pattern far more often.
  const long long frames = static_cast<long long>(client.recorded.size());
  EXPECT_GE(frames, 3LL * rate);
  EXPECT_GE(continued, frames - (frames / 441 + frames / 4096 + 2));
  EXPECT_GE(longest, 441);
}

}  // namespace
