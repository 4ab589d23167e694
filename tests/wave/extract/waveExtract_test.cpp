// "Extract from WAV..." with WAV files the test writes itself and the open dialog answered through its
// seam: what a good file gives (compared with the conversion computed here), the refused formats and
// broken files with their messages, a cancelled dialog, and that a failure leaves the wave alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../waveRig.h"
#include "preset/chunk.h"
#include "preset/sample.h"
#include "support/tempDir.h"
#include "uiaTestSupport.h"

using namespace waverig;

namespace {

std::string g_answer;  // the path the dialog answers; empty: cancelled
int g_dialogs = 0;

int answerDialog(void*, char* path, char* title) {
  ++g_dialogs;
  if (g_answer.empty()) return 0;
  std::snprintf(path, 260, "%s", g_answer.c_str());
  std::snprintf(title, 260, "%s", "test.wav");
  return 1;
}

void put16(std::vector<std::uint8_t>& b, int v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}
void putId(std::vector<std::uint8_t>& b, const char* id) { b.insert(b.end(), id, id + 4); }

struct Chunk {
  const char* id;
  std::vector<std::uint8_t> data;
  std::int64_t declared = -1;  // the size the header gives (-1: the data's own)
  bool padded = true;          // an odd-sized chunk followed by its pad byte
};

std::vector<std::uint8_t> fmt(int tag, int channels, int bits, bool extension = false) {
  std::vector<std::uint8_t> b;
  put16(b, tag);
  put16(b, channels);
  put32(b, 44100);
  put32(b, 44100u * channels * bits / 8);
  put16(b, channels * bits / 8);
  put16(b, bits);
  if (extension) put16(b, 0);
  return b;
}

std::vector<std::uint8_t> pcm(const std::vector<int>& samples) {
  std::vector<std::uint8_t> b;
  for (int s : samples) put16(b, s);
  return b;
}

std::vector<std::uint8_t> riff(const std::vector<Chunk>& chunks, const char* magic = "RIFF") {
  std::vector<std::uint8_t> body;
  putId(body, "WAVE");
  for (const Chunk& c : chunks) {
    putId(body, c.id);
    put32(body, static_cast<std::uint32_t>(c.declared >= 0 ? c.declared : std::int64_t(c.data.size())));
    body.insert(body.end(), c.data.begin(), c.data.end());
    if (c.data.size() % 2 && c.padded) body.push_back(0);
  }
  std::vector<std::uint8_t> file;
  putId(file, magic);
  put32(file, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = testTempDir() + "wave_extract_" + name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// The wave the extraction must give for these frames (the first channel's values), computed here.
std::vector<float> expectedWave(const std::vector<int>& firstChannel) {
  const std::size_t n = firstChannel.size() < 1024 ? firstChannel.size() : 1024;
  std::vector<float> f(1025, 0.0f), out(1024);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = firstChannel[i] / 32767.0;
    f[i] = static_cast<float>(x < -0.99 ? -0.99 : x > 0.99 ? 0.99 : x);
  }
  for (int j = 0; j < 1024; ++j) {
    if (n == 1024) {
      out[j] = f[j];
      continue;
    }
    const double p = j * (n / 1024.0);
    const int k = static_cast<int>(p);
    out[j] = static_cast<float>(f[k] + (p - k) * (f[k + 1] - f[k]));
  }
  double sum = 0;
  for (float v : out) sum += v;
  const float m = static_cast<float>(sum * (-1.0 / 1024));
  float peak = 0;
  for (float& v : out) {
    v += m;
    peak = std::fmax(peak, std::fabs(v));
  }
  if (peak > 0)
    for (float& v : out) v = v * (0.995f / peak) + 1e-24f;
  return out;
}

std::vector<int> ramp(int count, int seed) {
  std::vector<int> s(count);
  for (int i = 0; i < count; ++i)
    s[i] = static_cast<int>(20000 * std::sin(0.013 * (i + seed)) + 9000 * std::sin(0.21 * i));
  if (count > 3) {
    s[1] = -32768;
    s[2] = 16384;
    s[3] = 32767;
  }
  return s;
}

// The frames the sample loader reads from the file; -1 when it refuses it.
int sampleLoaderFrames(const std::string& path) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  if (!fileOpen(&file, fileAccessRead)) return -1;
  SampleInfo info{};
  info.channels = 1;
  const std::int32_t code = sampleReadWave(&file, &info);
  fileClose(&file);
  std::free(info.data);
  return code == sampleOk ? info.length : -1;
}

struct ExtractHarness : WaveHarness {
  ExtractHarness() {
    waveSetOpenFileRoutine(answerDialog);
    edit(sine(0.5));
    msgBoxCaptureBegin(0);
  }
  ~ExtractHarness() { waveSetOpenFileRoutine(nullptr); }
  // Runs the menu command with the dialog answering `path`; returns the messages shown.
  std::vector<std::string> extract(const std::string& path) {
    g_answer = path;
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(0);
    waveFormMenuCommand(item(waveItemWaveMenu), 0, waveCmdExtract);
    drainMessages();
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < msgBoxCaptureCount(); ++k) texts.push_back(msgBoxCaptureText(k));
    return texts;
  }
};

}  // namespace

// Good files: the converted first channel, stretched when short, DC-free and normalised.
TEST(WaveExtract, GoodFilesGiveTheirFirstChannelConverted) {
  runInApplication([&](RecordingApplication&) {
    ExtractHarness page;
    const std::vector<int> mono2000 = ramp(2000, 0), mono500 = ramp(500, 7), mono300 = ramp(300, 3);
    std::vector<int> stereo, left;
    for (int i = 0; i < 1100; ++i) {
      const int l = static_cast<int>(15000 * std::sin(0.02 * i)), r = (i * 37) % 20000 - 10000;
      stereo.push_back(l);
      stereo.push_back(r);
      left.push_back(l);
    }
    std::vector<int> cutStereo(stereo.begin(), stereo.begin() + 500);  // 250 frames in 1000 bytes
    std::vector<int> cutLeft(left.begin(), left.begin() + 250);
    std::vector<std::uint8_t> listData = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    const struct {
      const char* name;
      std::vector<std::uint8_t> file;
      std::vector<int> frames;  // the first channel's frames the file really holds
    } cases[] = {
        {"mono 4000 bytes", riff({{"fmt ", fmt(1, 1, 16)}, {"data", pcm(mono2000)}}), mono2000},
        {"mono 1000 bytes, stretched", riff({{"fmt ", fmt(1, 1, 16, true)}, {"data", pcm(mono500)}}), mono500},
        {"stereo, left channel", riff({{"fmt ", fmt(1, 2, 16)}, {"data", pcm(stereo)}}), left},
        {"LIST before fmt", riff({{"LIST", listData}, {"fmt ", fmt(1, 1, 16)}, {"data", pcm(mono2000)}}), mono2000},
        {"data before fmt", riff({{"data", pcm(mono500)}, {"fmt ", fmt(1, 1, 16)}}), mono500},
        {"data size beyond the file", riff({{"fmt ", fmt(1, 1, 16)}, {"data", pcm(mono300), 4000}}), mono300},
        {"truncated stereo", riff({{"fmt ", fmt(1, 2, 16)}, {"data", pcm(cutStereo), 4096}}), cutLeft},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      page.setCurrent(sine(0.5));
      const std::vector<std::string> texts = page.extract(writeFile("good.wav", c.file));
      EXPECT_TRUE(texts.empty()) << (texts.empty() ? "" : texts[0]);
      const std::vector<float> got = page.current();
      EXPECT_LT(maxDiff(got, expectedWave(c.frames)), 2e-6);
      EXPECT_TRUE(allFinite(got));
      EXPECT_EQ(undoGetKind(), undoKindWaveform);
    }
    // An empty data chunk gives silence, without normalisation or guard.
    page.setCurrent(sine(0.5));
    page.extract(writeFile("empty.wav", riff({{"fmt ", fmt(1, 1, 16)}, {"data", {}}})));
    EXPECT_EQ(page.current(), std::vector<float>(waveLength, 0.0f));
    // Undo gives back the wave before the extraction.
    undoRedo(kPageWin);
    EXPECT_LT(maxDiff(page.current(), sine(0.5)), 1e-6);
  });
}

// An odd-sized chunk is passed by the rule the sample loader follows: with its pad byte, or without it
// (the next chunk's id then stands right after the odd chunk), before the format chunk or between it
// and the data; both readers read the 2000 frames of the padded file.
TEST(WaveExtract, AnOddChunkIsPassedAsTheSampleLoaderPassesIt) {
  runInApplication([&](RecordingApplication&) {
    ExtractHarness page;
    const std::vector<int> mono2000 = ramp(2000, 0);
    const std::vector<std::uint8_t> odd = {'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 3, 0, 0, 0, 'a', 'b', 'c'};
    Chunk padless{"LIST", odd};
    padless.padded = false;
    const struct {
      const char* name;
      std::vector<std::uint8_t> file;
    } cases[] = {
        {"between fmt and data, padded", riff({{"fmt ", fmt(1, 1, 16)}, {"LIST", odd}, {"data", pcm(mono2000)}})},
        {"between fmt and data, no pad", riff({{"fmt ", fmt(1, 1, 16)}, padless, {"data", pcm(mono2000)}})},
        {"before fmt, padded", riff({{"LIST", odd}, {"fmt ", fmt(1, 1, 16)}, {"data", pcm(mono2000)}})},
        {"before fmt, no pad", riff({padless, {"fmt ", fmt(1, 1, 16)}, {"data", pcm(mono2000)}})},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      const std::string path = writeFile("odd.wav", c.file);
      EXPECT_EQ(sampleLoaderFrames(path), 2000);
      page.setCurrent(sine(0.5));
      const std::vector<std::string> texts = page.extract(path);
      EXPECT_TRUE(texts.empty()) << (texts.empty() ? "" : texts[0]);
      EXPECT_LT(maxDiff(page.current(), expectedWave(mono2000)), 2e-6);
    }
  });
}

// Refused and broken files: the message of the failing check, and the wave as it was; a cancelled
// dialog shows nothing.
TEST(WaveExtract, BadFilesAreRefusedWithTheirMessageAndChangeNothing) {
  runInApplication([&](RecordingApplication&) {
    ExtractHarness page;
    const std::string unsupported = "Extract from WAV failed. This is an unsupported audio format.";
    std::vector<std::uint8_t> eightBit(3000, 0x80);
    std::vector<std::uint8_t> wide(6000, 0x11);
    std::vector<std::uint8_t> rifx = riff({{"fmt ", fmt(1, 1, 16)}, {"data", pcm(ramp(600, 1))}}, "RIFX");
    const struct {
      const char* name;
      std::vector<std::uint8_t> file;
      std::string message;
    } cases[] = {
        {"8-bit", riff({{"fmt ", fmt(1, 1, 8)}, {"data", eightBit}}), unsupported},
        {"3 channels", riff({{"fmt ", fmt(1, 3, 16)}, {"data", pcm(ramp(900, 2))}}), unsupported},
        {"24-bit", riff({{"fmt ", fmt(1, 1, 24)}, {"data", wide}}), unsupported},
        {"32-bit float", riff({{"fmt ", fmt(3, 1, 32)}, {"data", wide}}), unsupported},
        {"no data chunk", riff({{"fmt ", fmt(1, 1, 16)}, {"junk", pcm(ramp(100, 4))}}),
         "Extract from WAV failed. File error 18339."},
        {"RIFX", rifx, "Extract from WAV failed. File error 18335."},
        {"no fmt chunk", riff({{"data", pcm(ramp(100, 5))}}), "Extract from WAV failed. File error 18336."},
        {"short fmt chunk", riff({{"fmt ", std::vector<std::uint8_t>(10, 1)}, {"data", pcm(ramp(100, 6))}}),
         "Extract from WAV failed. File error 18337."},
    };
    const std::vector<float> before = page.current();
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      const std::vector<std::string> texts = page.extract(writeFile("bad.wav", c.file));
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_EQ(texts[0], c.message);
      EXPECT_EQ(page.current(), before);
    }
    std::vector<std::string> texts = page.extract(testTempDir() + "wave_extract_missing_file.wav");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "File error 18334, The WAV file failed to open");
    EXPECT_EQ(page.current(), before);
    // The undo the command took stays pending and undoes to the same wave.
    EXPECT_EQ(undoGetKind(), undoKindWaveform);
    undoRedo(kPageWin);
    EXPECT_LT(maxDiff(page.current(), before), 1e-7);
    const int dialogs = g_dialogs;
    texts = page.extract("");
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(g_dialogs, dialogs + 1);
    EXPECT_LT(maxDiff(page.current(), before), 1e-7);
  });
}
