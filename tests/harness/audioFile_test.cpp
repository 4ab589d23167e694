// Audio under Wine reaches the ALSA file device that the test environment points at, sample for sample.
#include <windows.h>
#include <mmsystem.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/audioFiles.h"
#include "support/signal.h"

TEST(AudioFile, WaveOutReachesTheFileDevice) {
  const int rate = 44100, frames = rate / 2;
  const std::string path = audioOutputFile(rate, 2, "S16_LE");
  ASSERT_FALSE(path.empty()) << "MORVANE_AUDIO_OUT is not set: run through the test harness";
  DeleteFileA(path.c_str());

  WAVEFORMATEX fmt = {};
  fmt.wFormatTag = WAVE_FORMAT_PCM;
  fmt.nChannels = 2;
  fmt.nSamplesPerSec = rate;
  fmt.wBitsPerSample = 16;
  fmt.nBlockAlign = 4;
  fmt.nAvgBytesPerSec = rate * 4;
  HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &fmt, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT),
            MMSYSERR_NOERROR);
  std::vector<short> pcm(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i)
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<short>(16384.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate));
  WAVEHDR hdr = {};
  hdr.lpData = reinterpret_cast<LPSTR>(pcm.data());
  hdr.dwBufferLength = static_cast<DWORD>(pcm.size() * sizeof(short));
  ASSERT_EQ(waveOutPrepareHeader(out, &hdr, sizeof hdr), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &hdr, sizeof hdr), MMSYSERR_NOERROR);
  for (int i = 0; i < 200 && !(hdr.dwFlags & WHDR_DONE); ++i) WaitForSingleObject(done, 50);
  EXPECT_TRUE(hdr.dwFlags & WHDR_DONE);
  waveOutUnprepareHeader(out, &hdr, sizeof hdr);
  waveOutClose(out);
  CloseHandle(done);

  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr) << path;
  std::vector<short> back(pcm.size());
  size_t got = std::fread(back.data(), sizeof(short), back.size(), f);
  std::fclose(f);
  ASSERT_EQ(got, back.size());
  EXPECT_EQ(back, pcm);  // passed through bit for bit
  std::vector<float> left(frames);
  for (int i = 0; i < frames; ++i) left[i] = back[2 * i] / 32768.0f;
  EXPECT_NEAR(signalPeakFrequency(left, rate), 440.0, 0.5);
}
