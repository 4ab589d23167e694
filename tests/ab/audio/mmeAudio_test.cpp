// Real audio through the MME device under Wine, reached through the flat device functions: a known
// signal per output reaches the ALSA output file sample for sample, and a file fed to the capture
// device reaches the block callback's inputs. The device's properties are checked on the real device.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABMmeDevice.h"
#include "GPError.h"
#include "deviceTestSupport.h"
#include "mmeDeviceTest.h"
#include "support/audioFiles.h"

namespace {

class MmeTest : public MmeDeviceTest {
 protected:
  int outputChannels() {
    const std::vector<uint8_t> b = value("StreamDescription");
    uint32_t ports = 0;
    std::memcpy(&ports, b.data(), 4);
    return static_cast<int>(ports);
  }
};

// The signal of output c at frame n: a different pseudo-random sequence per output, so that a dropped,
// repeated or swapped block or channel cannot match.
float signalAt(int c, uint32_t n) {
  uint32_t x = n * 2654435761u + static_cast<uint32_t>(c) * 40503u + 12345u;
  x ^= x >> 15;
  x *= 2246822519u;
  x ^= x >> 13;
  return (static_cast<float>(x & 0xFFFF) - 32768.0f) / 32768.0f * 0.95f;
}

struct OutputState {
  std::atomic<uint32_t> frames{0};
  std::atomic<int> blocks{0};
  std::atomic<int> badArgs{0};
};

void writeSignal(AudioBlock* block, int reserved, void* user2, void* user1) {
  OutputState* s = static_cast<OutputState*>(user2);
  if (user1 != user2 || reserved != 0 || !block->ring) s->badArgs.fetch_add(1);
  const uint32_t start = s->frames.load();
  for (int c = 0; c < block->output.channelCount; ++c)
    for (int f = 0; f < block->frames; ++f) block->output.buffers[c][f] = signalAt(c, start + static_cast<uint32_t>(f));
  s->frames.store(start + static_cast<uint32_t>(block->frames));
  s->blocks.fetch_add(1);
}

bool waitFor(const std::atomic<uint32_t>& value, uint32_t target, int timeoutMs) {
  for (int t = 0; t < timeoutMs && value.load() < target; t += 10) Sleep(10);
  return value.load() >= target;
}

}  // namespace

TEST_F(MmeTest, KnownSignalReachesTheOutputFileSampleForSample) {
  ASSERT_EQ(abDevOpen(id, true), 0);
  const uint32_t bufferFrames = 4096;
  ASSERT_EQ(setU32("BufferSize", bufferFrames), 0);
  const int rate = 44100;
  ASSERT_EQ(getU32("SampleRate"), static_cast<uint32_t>(rate));
  const int channels = outputChannels();
  ASSERT_GE(channels, 2);
  const std::string path = audioOutputFile(rate, channels, "S16_LE");
  ASSERT_FALSE(path.empty()) << "MORVANE_AUDIO_OUT is not set: run through the test harness";
  DeleteFileA(path.c_str());

  OutputState state;
  ASSERT_EQ(abDevSetCallback(id, writeSignal, &state, &state), 0);
  // A short first run leaves its last blocks in the wave headers: the second start (which truncates
  // the file) must still begin with two silent buffers.
  ASSERT_EQ(abDevStart(id, true), 0);
  EXPECT_TRUE(waitFor(state.frames, 6 * bufferFrames, 30000));
  ASSERT_EQ(abDevStart(id, false), 0);
  EXPECT_EQ(abDevIsRunning(id), 0);
  state.frames.store(0);
  ASSERT_EQ(abDevStart(id, true), 0);
  EXPECT_EQ(abDevIsRunning(id), 1);
  const uint32_t want = static_cast<uint32_t>(rate) * 3;  // three seconds
  EXPECT_TRUE(waitFor(state.frames, want + 4 * bufferFrames, 90000));
  uint32_t position = 0, size = 4;
  EXPECT_EQ(abDevGetProperty("PlayPosition", id, &position, &size), 0);
  ASSERT_EQ(abDevStart(id, false), 0);
  ASSERT_EQ(abDevOpen(id, false), 0);
  EXPECT_EQ(state.badArgs.load(), 0);
  EXPECT_TRUE(boxes().empty());

  const std::vector<int16_t> file = readSamples<int16_t>(path);
  ASSERT_GE(file.size(), static_cast<size_t>(want) * channels) << path;
  // The stream starts with the two silent headers; after that the file is the signal, interleaved.
  auto expected = [&](size_t frame, int c) {
    return static_cast<int16_t>(static_cast<int32_t>(signalAt(c, static_cast<uint32_t>(frame)) * 32767.0f));
  };
  size_t offset = SIZE_MAX;
  for (size_t p = 0; p + 16 < file.size() / channels && p < 65536; ++p) {
    bool match = true;
    for (size_t k = 0; k < 16 && match; ++k)
      for (int c = 0; c < channels && match; ++c) match = file[(p + k) * channels + c] == expected(k, c);
    if (match) {
      offset = p;
      break;
    }
  }
  ASSERT_NE(offset, SIZE_MAX) << "the signal's start is not in the file";
  // At least the two silent headers the stream starts with (stale samples from the first run would
  // show here), then the signal.
  ASSERT_GE(offset, 2u * bufferFrames);
  for (size_t k = 0; k < offset * channels; ++k) ASSERT_EQ(file[k], 0) << k;
  // When the stream runs dry (the worker late on a loaded machine, or the stream's end) the system
  // writes silence of its own, up to one of its periods at a time, wherever the data stopped. So runs
  // of silent frames may sit between signal frames; apart from them, every signal frame must follow
  // the one before, exactly: a dropped, repeated, swapped or changed frame fails. Stopping may cut the
  // last buffer short, but nothing may follow the cut except silence.
  const size_t fileFrames = file.size() / channels;
  size_t next = 0, padding = offset - 2u * bufferFrames, bad = SIZE_MAX;
  for (size_t f = offset; f < fileFrames && bad == SIZE_MAX; ++f) {
    bool isSignal = true, isSilent = true;
    for (int c = 0; c < channels; ++c) {
      isSignal = isSignal && file[f * channels + c] == expected(next, c);
      isSilent = isSilent && file[f * channels + c] == 0;
    }
    if (isSignal)
      ++next;
    else if (isSilent)
      ++padding;
    else
      bad = f;
  }
  EXPECT_EQ(bad, SIZE_MAX) << "file frame " << bad << " of " << fileFrames << " is neither signal frame " << next
                           << " nor silence";
  EXPECT_GE(next, want) << "only " << next << " signal frames reached the file";
  RecordProperty("SilentFramesAddedBySystem", static_cast<int>(padding));
}

namespace {

struct InputState {
  static const int kMaxBlocks = 400;
  std::atomic<uint32_t> blocks{0};
  int frames = 0;
  int channels = 0;
  std::vector<float> captured;  // kMaxBlocks × frames × channels, made before the stream starts
};

void captureInput(AudioBlock* block, int, void* user2, void*) {
  InputState* s = static_cast<InputState*>(user2);
  const uint32_t b = s->blocks.load();
  if (b < static_cast<uint32_t>(InputState::kMaxBlocks) && block->frames == s->frames &&
      block->input.channelCount == s->channels) {
    float* to = &s->captured[static_cast<size_t>(b) * s->frames * s->channels];
    for (int c = 0; c < s->channels; ++c)
      std::memcpy(to + static_cast<size_t>(c) * s->frames, block->input.buffers[c], sizeof(float) * s->frames);
  }
  for (int c = 0; c < block->output.channelCount; ++c)
    std::memset(block->output.buffers[c], 0, sizeof(float) * block->frames);
  s->blocks.store(b + 1);
}

}  // namespace

// The capture file holds frame numbers (low 15 bits in channel 0, the rest in channel 1): each block
// the callback sees must hold consecutive frames of the file in the right channels, exactly. With the
// input buffer half the block, the rest of each input block is silence.
TEST_F(MmeTest, CaptureFileReachesTheCallbacksInputs) {
  const std::string in = audioInputFile();
  ASSERT_FALSE(in.empty());
  ASSERT_EQ(abDevOpen(id, true), 0);
  uint32_t size = 0;
  ASSERT_EQ(abDevGetPropertyInfo("AudioInDeviceList", id, &size, nullptr), 0);
  ASSERT_GE(size, 136u) << "no capture device";
  AudioInDeviceEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.index = 0;
  ASSERT_EQ(abDevSetProperty("AudioInDevice", id, &entry, 68), 0);
  AudioInDeviceEntry active;
  size = 68;
  ASSERT_EQ(abDevGetProperty("ActiveAudioInDevice", id, &active, &size), 0);
  EXPECT_EQ(active.index, 0);
  EXPECT_EQ(std::string(active.name).compare(0, 4, "MME "), 0) << active.name;

  ASSERT_EQ(setU32("BufferSize", 1024), 0);
  ASSERT_EQ(setU32("InBufferSize", 512), 0);
  uint32_t streamSize = 0;
  ASSERT_EQ(abDevGetPropertyInfo("StreamDescription", id, &streamSize, nullptr), 0);
  std::vector<uint8_t> stream(streamSize);
  ASSERT_EQ(abDevGetProperty("StreamDescription", id, stream.data(), &streamSize), 0);
  uint32_t ports = 0;
  std::memcpy(&ports, stream.data(), 4);
  uint32_t inPortsSize = 0;
  ASSERT_EQ(abDevGetPropertyInfo("PortDescription", id, &inPortsSize, nullptr), 0);
  std::vector<uint8_t> portList(inPortsSize);
  ASSERT_EQ(abDevGetProperty("PortDescription", id, portList.data(), &inPortsSize), 0);
  int inChannels = 0;
  for (uint32_t p = 0; p < ports; ++p) {
    AudioPortEntry e;
    std::memcpy(&e, portList.data() + 4 + 76 * p, 76);
    if (!e.isOutput) ++inChannels;
  }
  ASSERT_GE(inChannels, 2);

  // The capture stream reads the file raw, in the opened format.
  const uint32_t fileFrames = 44100 * 6;
  std::vector<int16_t> pcm(static_cast<size_t>(fileFrames) * inChannels, 0);
  for (uint32_t f = 0; f < fileFrames; ++f) {
    pcm[f * inChannels] = static_cast<int16_t>(f & 0x7FFF);
    pcm[f * inChannels + 1] = static_cast<int16_t>(f >> 15);
  }
  FILE* out = std::fopen(in.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(std::fwrite(pcm.data(), 2, pcm.size(), out), pcm.size());
  std::fclose(out);

  InputState state;
  state.frames = 1024;
  state.channels = inChannels;
  state.captured.assign(static_cast<size_t>(InputState::kMaxBlocks) * 1024 * inChannels, -9.0f);
  ASSERT_EQ(abDevSetCallback(id, captureInput, &state, &state), 0);
  const std::string outPath = audioOutputFile(44100, outputChannels(), "S16_LE");
  ASSERT_EQ(abDevStart(id, true), 0);
  EXPECT_TRUE(waitFor(state.blocks, 100, 30000));
  ASSERT_EQ(abDevStart(id, false), 0);
  ASSERT_EQ(abDevOpen(id, false), 0);
  EXPECT_TRUE(boxes().empty());
  FILE* empty = std::fopen(in.c_str(), "wb");  // leave an empty capture file for the next program
  if (empty) std::fclose(empty);

  const int blocks = static_cast<int>(std::min<uint32_t>(state.blocks.load(), InputState::kMaxBlocks));
  int withData = 0, bad = 0;
  for (int b = 0; b < blocks; ++b) {
    const float* blk = &state.captured[static_cast<size_t>(b) * 1024 * inChannels];
    // Frames 512..1023 lie beyond the input buffer: always silent.
    for (int c = 0; c < inChannels; ++c)
      for (int f = 512; f < 1024; ++f)
        if (blk[c * 1024 + f] != 0.0f) ++bad;
    // Wine's capture of a file is not paced: what the device could not take while no buffer was
    // queued is lost between its 441-frame periods. Within a block the frames must still be
    // whole frames of the file, in order, never repeated, the first period contiguous.
    const float* ch0 = blk;
    const float* ch1 = blk + 1024;
    auto frameAt = [&](int f) {
      return static_cast<int64_t>(std::lround(ch0[f] * 32768.0f)) +
             (static_cast<int64_t>(std::lround(ch1[f] * 32768.0f)) << 15);
    };
    if (frameAt(0) == 0 && frameAt(1) == 0) continue;  // before the capture's first buffer
    ++withData;
    int64_t previous = -1;
    int run = 0;
    for (int f = 0; f < 512; ++f) {
      const int64_t n = frameAt(f);
      const bool exact = ch0[f] * 32768.0f == static_cast<float>(n & 0x7FFF) && ch0[f] >= 0.0f && ch1[f] >= 0.0f;
      if (!exact || n >= fileFrames || n <= previous) {
        ++bad;
        printf("block %d frame %d: %lld after %lld\n", b, f, static_cast<long long>(n),
               static_cast<long long>(previous));
        break;
      }
      if (previous < 0 || n == previous + 1)
        ++run;
      else if (run < 441)
        break;
      previous = n;
    }
    if (run < 441) {
      ++bad;
      printf("block %d: only %d contiguous frames\n", b, run);
    }
  }
  EXPECT_EQ(bad, 0);
  EXPECT_GE(withData, 10) << "of " << blocks << " blocks";
}
