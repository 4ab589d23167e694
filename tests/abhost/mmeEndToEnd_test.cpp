// Real audio under Wine, end to end: a client reached through `open` and the flat device functions
// writes a known signal (different per output) through the MME device; the ALSA output file holds
// trunc(32767 x signal), interleaved, sample for sample after the leading silence, for seconds (only
// silence the system adds where the stream ran dry may sit between frames). A file fed to the capture
// device reaches the client's inputs in order, whole but for what the system lost or never filled.
#include "hostRig.h"

#include "ABDeviceAccessors.h"
#include "ABMmeDevice.h"
#include "streamJudge.h"
#include "support/audioFiles.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>

namespace {

// The capture file's length: the capture reads ahead of the playback (up to 7 s of the file while the
// test records 3 s, on a loaded machine).
const int kInputSeconds = 30;
const double kTwoPi = 6.283185307179586;

// Output c at client frame n: an offset tone per channel, never 0, so the first frame is found.
float signalAt(int c, long long n) {
  if (c == 0) return static_cast<float>(0.3 + 0.2 * std::sin(kTwoPi * 440.0 * n / 44100.0));
  // A slow ramp: no stretch of the second channel repeats within the run.
  return static_cast<float>(-0.6 + 0.1 * std::sin(kTwoPi * 1000.0 * n / 44100.0 + 1.0) + 0.2 * (n % 400000) / 400000.0);
}

// A recorded input sample as the 16-bit sample it came from (out of range: the nearest end).
int16_t pcm16(float x) {
  const long v = std::lround(x * 32768.0f);
  return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
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
    if (blockFrames == 0) blockFrames = frames;
    if (frames != blockFrames) blockFrames = -1;
    position += frames;
    done.store(position);
  }
  long long position = 0;
  int blockFrames = 0;  // every call's length (-1: they differed)
  std::atomic<long long> done{0};
  std::vector<float> recorded, recorded1;
};

TEST_F(HostTest, MmeOutputFileAndCaptureInput) {
  const int rate = 44100;
  const std::string outPath = audioOutputFile(rate, 2, "S16_LE");
  const std::string inPath = audioInputFile();
  ASSERT_FALSE(outPath.empty()) << "run through the test harness";
  DeleteFileA(outPath.c_str());
  // The capture file: frames that carry their own number, longer than the capture can read in the test.
  const long long inFrames = kInputSeconds * rate;
  {
    FILE* f = std::fopen(inPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> pcm(2 * inFrames);
    for (long long n = 0; n < inFrames; ++n) counterFrame(n, &pcm[2 * n]);
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
  // Where the stream ran dry (a late worker on a loaded machine, the stop) the system writes silence
  // of its own; the signal's first channel is never 0, so such frames are told apart. Every other frame
  // must be the next signal frame, to the end of the file: nothing dropped, repeated or changed.
  const StreamVerdict out = judgeStream(
      file.data(), static_cast<long long>(file.size() / 2), StreamRules(), [](const int16_t* frame, long long due) {
        for (int c = 0; c < 2; ++c)
          if (frame[c] != static_cast<int16_t>(static_cast<int>(signalAt(c, due) * 32767.0f))) return -1LL;
        return due;
      });
  EXPECT_EQ(out.fault, "") << "output file";
  const size_t n = static_cast<size_t>(out.signal);
  std::printf("output: %zu signal frames after %lld silent ones, %lld silent frames added\n", n, out.leadingSilence,
              out.silence);
  // The device's last buffers are cut off by the stop.
  EXPECT_GE(n, static_cast<size_t>(3 * rate));
  EXPECT_GE(static_cast<long long>(n), client.position - 3 * 4096);

  // Input: the capture file's frames arrive on both inputs, each naming its place in the file. Silence
  // (a buffer the capture had not filled in time) only counts; every other frame is a frame of the file,
  // later in it than the one before: nothing garbled, mixed, repeated or out of order. Inside one of the
  // driver's buffers the file goes on frame by frame but for whole capture periods (10 ms) the system
  // lost; where a buffer starts it may go on further: Wine's capture runs ahead of its playback here, and
  // when two recorded buffers wait the driver takes one and gives both back. A second of the file at least
  // must arrive.
  ASSERT_GT(client.blockFrames, 0) << "the device's blocks differ in length";
  std::vector<int16_t> recorded(2 * client.recorded.size());
  for (size_t i = 0; i < client.recorded.size(); ++i) {
    recorded[2 * i] = pcm16(client.recorded[i]);
    recorded[2 * i + 1] = pcm16(client.recorded1[i]);
  }
  StreamRules rules;
  rules.blockFrames = client.blockFrames;
  rules.periodFrames = rate / 100;
  rules.skipAtBlocks = true;
  const StreamVerdict in = judgeStream(recorded.data(), static_cast<long long>(client.recorded.size()), rules,
                                       [](const int16_t* frame, long long) { return counterFrameNumber(frame); });
  std::printf(
      "capture: %lld signal frames (file frames %lld..%lld), %lld silent (%lld leading), %lld lost in "
      "buffers, %lld skipped where buffers start\n",
      in.signal, in.first, in.last, in.silence + in.leadingSilence, in.leadingSilence, in.lostInBlocks,
      in.skippedAtBlocks);
  EXPECT_EQ(in.fault, "") << "capture";
  const long long frames = static_cast<long long>(client.recorded.size());
  EXPECT_GE(frames, 3LL * rate);
  EXPECT_GE(in.signal, rate);
  EXPECT_LT(in.last, inFrames - rate) << "the capture read near the file's end: make the file longer";
}

}  // namespace
