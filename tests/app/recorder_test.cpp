// The recorder driven as the program drives it: the tap runs on a stand-in audio thread (a thread of
// its own running 128-frame blocks), the options and the transport on the test's thread. Natively the
// buffer is process memory under the address sanitizer; under Wine it is the real page-file mapping,
// so a writer or player that reached a released take would fault.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "audioPath/recorder.h"
#include "engine/recorderHook.h"
#include "uiSeams/msgBox.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Runs `blocks` taps on a thread of their own, each with outputs made by `fill` (block index, out1,
// out2) and looked at by `seen` afterwards.
void onAudioThread(int blocks, int frames, const std::function<void(int, float*, float*)>& fill,
                   const std::function<void(int, const float*, const float*)>& seen = nullptr) {
  std::thread audio([&] {
    float out1[128], out2[128];
    for (int b = 0; b < blocks; ++b) {
      fill(b, out1, out2);
      recTap(frames, out1, out2);
      if (seen) seen(b, out1, out2);
    }
  });
  audio.join();
}

void constant(float l, float r, float* out1, float* out2) {
  for (int i = 0; i < 128; ++i) {
    out1[i] = l;
    out2[i] = r;
  }
}

// Records `samples` stereo samples (whole frames) of value pattern f(sample index) from the cursor.
void recordStereo(int samples, const std::function<float(int)>& f) {
  recStartRecording();
  ASSERT_TRUE(recIsRecording());
  const int frames = samples / 2;
  int done = 0;
  std::thread audio([&] {
    float out1[128], out2[128];
    while (done < frames) {
      const int n = frames - done < 128 ? frames - done : 128;
      const int base = recGetCursor() + done * 2;
      for (int i = 0; i < n; ++i) {
        out1[i] = f(base + 2 * i);
        out2[i] = f(base + 2 * i + 1);
      }
      recTap(n, out1, out2);
      done += n;
    }
  });
  audio.join();
  recStopRecording();
}

std::vector<std::int16_t> takeCopy() {
  const std::int16_t* t = recGetTake();
  return std::vector<std::int16_t>(t, t + recGetLength());
}

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    msgBoxCaptureBegin(msgAnswerOk);
    recInitFrames(20000);
  }
  void TearDown() override {
    recSetMapSeam(nullptr, nullptr);
    recShutdown();
    msgBoxCaptureEnd();
  }
};

// ---- start-up and the buffer

TEST_F(Recorder, StartsStereoNormalWithUndoAndAnEmptyTake) {
  recInitFrames(recDefaultFrames);
  EXPECT_EQ(recGetCapacity(), 15876000);
  EXPECT_EQ(recGetSize(), 15876000);
  EXPECT_EQ(recGetChannelCount(), 2);
  EXPECT_EQ(recGetOverdub(), 0);
  EXPECT_EQ(recGetUndo(), 1);
  EXPECT_EQ(recHasAnyTake(), 0);
  EXPECT_FLOAT_EQ(recGetLiveGain(), 0.5f);
  EXPECT_FLOAT_EQ(recGetTakeGain(), 0.5f);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
}

// "record time" as stored: nothing, zero or negative (also a DWORD above 2^31 read as a negative
// number) gives a short usable take; a huge value is held to the largest buffer.
TEST_F(Recorder, HostileRecordTimesGiveAUsableBuffer) {
  struct Case {
    std::int64_t stored;
    std::int32_t frames;
  } cases[] = {{0, 44100},
               {-1, 44100},
               {static_cast<std::int32_t>(0x80000005u), 44100},
               {static_cast<std::int64_t>(1) << 32, recMaxFrames},
               {0x7FFFFFFF, recMaxFrames},
               {1, 1}};
  for (const Case& c : cases) {
    recInitFrames(c.stored);
    EXPECT_EQ(recGetSize(), c.frames) << c.stored;
    EXPECT_EQ(recGetCapacity(), c.frames) << c.stored;
    EXPECT_NE(recGetTake(), nullptr) << c.stored;
  }
  // The smallest one still refuses to record beyond itself.
  recStartRecording();
  onAudioThread(1, 128, [](int, float* a, float* b) { constant(0.5f, 0.5f, a, b); });
  EXPECT_EQ(recIsRecording(), 0);
  recServicePending();
  EXPECT_EQ(recGetLength(), 0);
}

// ---- the stop at capacity, the conversions, the mono mix, even cursors

TEST_F(Recorder, WriterStopsBeforeTheBlockThatWouldReachTheCapacity) {
  struct Case {
    std::int32_t frames;
    std::int32_t take;
  } cases[] = {{recDefaultFrames, 15875840}, {1024, 768}};
  for (const Case& c : cases) {
    recInitFrames(c.frames);
    recStartRecording();
    const int blocks = c.frames / 128 + 2;
    onAudioThread(blocks, 128, [](int, float* a, float* b) { constant(0.25f, -0.25f, a, b); });
    EXPECT_EQ(recIsRecording(), 0) << c.frames;
    EXPECT_EQ(recStopIsPending(), 1) << "the audio thread only marks the stop";
    EXPECT_EQ(recWinState(), recStateIdle);
    EXPECT_EQ(recRefreshMarked(), 1);
    EXPECT_EQ(recServicePending(), 1);
    EXPECT_EQ(recGetLength(), c.take) << c.frames;
    EXPECT_EQ(recGetLength() / 2, c.take / 2) << "whole frames";
    EXPECT_EQ(recGetTake()[0], 8191);
    EXPECT_EQ(recGetTake()[1], c.take > 2048 ? -8191 : -8183) << "output 2; inside the fade when the take is short";
  }
}

TEST_F(Recorder, SamplesAreClampedScaledAndTruncatedAndMonoMixesTheTwoOutputs) {
  struct Case {
    float out1, out2;
    int mode;
    std::int16_t first, second;
  } cases[] = {
      {1.5f, -1.5f, 1, 32767, -32767},
      {0.99999f, -0.00001f, 1, 32766, 0},
      {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1, 0, 32767},
      {1.0f, 0.0f, 0, 16383, 16383},
      {-1.0f, -0.5f, 0, -24575, -24575},
  };
  for (const Case& c : cases) {
    recInitFrames(20000);
    recSetChannelMode(c.mode);
    recStartRecording();
    onAudioThread(8, 128, [&](int, float* a, float* b) { constant(c.out1, c.out2, a, b); });
    recStopRecording();
    ASSERT_EQ(recGetLength(), c.mode ? 2048 : 1024);
    // The fade-out covers the second half: the first samples are as written.
    EXPECT_EQ(recGetTake()[0], c.first) << c.out1 << " " << c.out2;
    if (c.mode) {
      EXPECT_EQ(recGetTake()[1], c.second) << c.out1 << " " << c.out2;
    }
  }
}

TEST_F(Recorder, CursorFractionsGiveEvenCursorsWithinTheTake) {
  recInitFrames(1000);
  recSetChannelMode(0);  // mono: one sample per frame, so the take can be odd
  recStartRecording();
  onAudioThread(2, 128, [](int, float* a, float* b) { constant(0.1f, 0.1f, a, b); });
  onAudioThread(1, 45, [](int, float* a, float* b) { constant(0.1f, 0.1f, a, b); });
  recStopRecording();
  ASSERT_EQ(recGetLength(), 301);
  struct Case {
    double f;
    std::int32_t cursor;
  } cases[] = {{0.5, 302}, {0.2, 200}, {0.0, 0}, {-3.0, 0}, {7.0, 302}, {0.1234, 124}};
  for (const Case& c : cases) {
    recSetCursorFraction(c.f);
    EXPECT_EQ(recGetCursor(), c.cursor) << c.f;
  }
  recSetCursorFraction(0.2);
  EXPECT_DOUBLE_EQ(recGetCursorFraction(), 0.2);
  recClear();
  recSetCursorFraction(0.5);
  EXPECT_EQ(recGetCursor(), 0) << "no take, no room for the cursor";
}

// ---- punch-in, fade, undo and redo

TEST_F(Recorder, PunchInKeepsTheOldTakeAroundItFadesOutAndUndoesByteForByte) {
  auto oldPattern = [](int i) { return 0.3f * std::sin(i * 0.01f); };
  recordStereo(10000, oldPattern);
  ASSERT_EQ(recGetLength(), 10000);
  const std::vector<std::int16_t> oldTake = takeCopy();

  recSetCursorFraction(2000.0 / recGetCapacity());
  ASSERT_EQ(recGetCursor(), 2000);
  recordStereo(4000, [](int) { return 0.5f; });
  ASSERT_EQ(recGetLength(), 10000);
  const std::vector<std::int16_t> newTake = takeCopy();
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(newTake[i], oldTake[i]) << i;
  for (int i = 6000; i < 10000; ++i) ASSERT_EQ(newTake[i], oldTake[i]) << i;
  for (int i = 2000; i < 4976; ++i) ASSERT_EQ(newTake[i], 16383) << i;
  // The fade: 1024 samples before the record position, from gain 1 down by 1/1024 per sample.
  for (int i = 4976; i < 6000; ++i) {
    const float g = 1.0f - static_cast<float>(i - 4976) / 1024.0f;
    ASSERT_EQ(newTake[i], static_cast<std::int16_t>(16383 * g)) << i;
  }
  EXPECT_EQ(newTake[5999], static_cast<std::int16_t>(16383 * (1.0f / 1024.0f)));

  recUndoSwap();
  EXPECT_EQ(takeCopy(), oldTake) << "undo brings back the old take unchanged";
  recUndoSwap();
  EXPECT_EQ(takeCopy(), newTake) << "redo returns to the new one";
}

TEST_F(Recorder, AShortRecordingFadesFromTheFirstSampleWithoutReachingZero) {
  recordStereo(300, [](int) { return 1.0f; });
  ASSERT_EQ(recGetLength(), 300);
  const std::int16_t* t = recGetTake();
  EXPECT_EQ(t[0], 32767);
  for (int i = 0; i < 300; ++i)
    ASSERT_EQ(t[i], static_cast<std::int16_t>(32767 * (1.0f - static_cast<float>(i) / 1024.0f))) << i;
  EXPECT_GT(t[299], 20000);
}

TEST_F(Recorder, ClearingCanBeUndoneAndNoUndoKeepsOneTake) {
  recordStereo(2000, [](int) { return 0.25f; });
  const std::vector<std::int16_t> take = takeCopy();
  recClear();
  EXPECT_EQ(recHasTake(), 0);
  EXPECT_EQ(recHasAnyTake(), 1);
  recUndoSwap();
  EXPECT_EQ(takeCopy(), take);

  recSetUndo(0);
  EXPECT_EQ(recGetCapacity(), 40000) << "the whole buffer for one take";
  EXPECT_EQ(recHasAnyTake(), 0);
  recordStereo(2000, [](int) { return 0.25f; });
  recUndoSwap();
  EXPECT_EQ(recGetLength(), 2000) << "no undo without the option";
  EXPECT_EQ(recGetOtherTake(), nullptr);
}

// ---- overdub

TEST_F(Recorder, OverdubMixesBothGainsAndCarriesTheTakeGainOutsideThePunch) {
  recordStereo(8000, [](int i) { return (i & 1) ? -0.4f : 0.4f; });
  const std::vector<std::int16_t> oldTake = takeCopy();
  struct Case {
    int undo;
  } cases[] = {{1}, {0}};
  for (const Case& c : cases) {
    if (!c.undo) {
      recSetUndo(0);
      recordStereo(8000, [](int i) { return (i & 1) ? -0.4f : 0.4f; });
      ASSERT_EQ(takeCopy(), oldTake);
    }
    recSetOverdub(1);
    recSetLiveGain(0.5f);
    recSetTakeGain(0.25f);
    recSetCursorFraction(2000.0 / recGetCapacity());
    recStartRecording();
    ASSERT_TRUE(recIsPlaying()) << "the old take is heard while overdubbing";
    std::vector<float> heard;
    onAudioThread(
        8, 128, [](int, float* a, float* b) { constant(0.6f, 0.6f, a, b); },
        [&](int, const float* a, const float*) { heard.insert(heard.end(), a, a + 128); });
    recStopRecording();
    recStopPlaying();
    const std::vector<std::int16_t> take = takeCopy();
    ASSERT_EQ(take.size(), 8000u);
    const int end = 2000 + 8 * 256;
    for (int i = 2000; i < end; ++i) {
      const float expected = 0.6f * 0.5f + oldTake[i] * (1.0f / 32767.0f) * 0.25f;
      ASSERT_EQ(take[i], recToSample(expected)) << i << " undo " << c.undo;
    }
    for (int i = 0; i < 2000; ++i)
      ASSERT_EQ(take[i], static_cast<std::int16_t>(oldTake[i] * 0.25f)) << i << " undo " << c.undo;
    for (int i = end; i < 8000; ++i)
      ASSERT_EQ(take[i], static_cast<std::int16_t>(oldTake[i] * 0.25f)) << i << " undo " << c.undo;
    // What was heard while recording is what was written (output 1: the even samples).
    for (int f = 0; f < 8 * 128; ++f) ASSERT_FLOAT_EQ(heard[f], recToFloat(take[2000 + 2 * f])) << f;
    recSetOverdub(0);
  }
}

TEST_F(Recorder, OverdubPlaybackMixesLiveAndTakeWithTheirGains) {
  recordStereo(4000, [](int) { return 0.5f; });
  recSetOverdub(1);
  recSetLiveGain(0.25f);
  recSetTakeGain(0.5f);
  recStartPlaying();
  std::vector<float> heard;
  onAudioThread(
      1, 128, [](int, float* a, float* b) { constant(0.8f, 0.8f, a, b); },
      [&](int, const float* a, const float*) { heard.assign(a, a + 128); });
  EXPECT_NEAR(heard[0], 0.8f * 0.25f + recToFloat(16383) * 0.5f, 1e-6f);
}

TEST_F(Recorder, GainsEnterClampedToTheUnitRange) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    float in, stored;
  } cases[] = {{-1.0f, 0.0f}, {0.0f, 0.0f}, {0.3f, 0.3f}, {1.0f, 1.0f}, {2.0f, 1.0f}, {nan, 0.0f}, {inf, 1.0f}};
  for (const Case& c : cases) {
    recSetLiveGain(c.in);
    recSetTakeGain(c.in);
    EXPECT_EQ(recGetLiveGain(), c.stored) << c.in;
    EXPECT_EQ(recGetTakeGain(), c.stored) << c.in;
  }
}

// ---- playback

TEST_F(Recorder, PlaybackAddsTheTakeAndStopsAtItsEnd) {
  recordStereo(1024, [](int i) { return (i & 1) ? -0.25f : 0.25f; });
  const std::vector<std::int16_t> take = takeCopy();
  recWinStoreState(recStatePlaying);
  recStartPlaying();
  std::vector<float> left;
  onAudioThread(
      6, 128, [](int, float* a, float* b) { constant(0.1f, 0.1f, a, b); },
      [&](int, const float* a, const float*) { left.insert(left.end(), a, a + 128); });
  // 1024 samples are 512 frames: four blocks would reach the end exactly, so three are played.
  EXPECT_EQ(recIsPlaying(), 0);
  EXPECT_EQ(recWinState(), recStateIdle);
  for (int f = 0; f < 3 * 128; ++f) ASSERT_FLOAT_EQ(left[f], 0.1f + recToFloat(take[2 * f])) << f;
  for (int f = 3 * 128; f < 6 * 128; ++f) ASSERT_FLOAT_EQ(left[f], 0.1f) << f;
}

TEST_F(Recorder, AnEmptyTakesPlaybackStopsAtTheFirstBlock) {
  recWinStoreState(recStatePlaying);
  recMarkRefresh(0);
  recStartPlaying();
  ASSERT_EQ(recIsPlaying(), 1);
  std::vector<float> left;
  onAudioThread(
      1, 128, [](int, float* a, float* b) { constant(0.3f, 0.3f, a, b); },
      [&](int, const float* a, const float*) { left.assign(a, a + 128); });
  EXPECT_EQ(recIsPlaying(), 0);
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(recRefreshMarked(), 1);
  for (float v : left) ASSERT_EQ(v, 0.3f);
}

// ---- the note trigger

TEST_F(Recorder, ANoteStartsAWaitingRecordingOnTheAudioThreadOnly) {
  recWinStoreState(recStateArmed);
  std::thread([] { recStartOnNote(); }).join();
  EXPECT_EQ(recIsRecording(), 0) << "armed waits for Play, not for a note";
  recWinStoreState(recStateWaiting);
  std::thread([] { recStartOnNote(); }).join();
  EXPECT_EQ(recWinState(), recStateRecording);
  EXPECT_EQ(recIsRecording(), 1);
  recStopRecording();
  recShutdown();
  recWinStoreState(recStateWaiting);
  recStartOnNote();
  EXPECT_EQ(recWinState(), recStateWaiting) << "without a recorder the sound core's call does nothing";
}

// ---- robustness

// A failed buffer shows the memory message; the recorder then refuses to record or play, and the tap
// leaves the outputs alone. A later size that can be made works again.
TEST_F(Recorder, AFailedBufferShowsTheMessageAndRefusesEverything) {
  recordStereo(2000, [](int) { return 0.25f; });
  recSetMapSeam([](std::uint32_t, void**) -> void* { return nullptr; }, nullptr);
  EXPECT_EQ(recSetBufferSize(30000), 0);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0),
               "Memory error! Morvane's audio recorder could not allocate the requested buffer size. Please try a "
               "smaller buffer size.");
  EXPECT_EQ(msgBoxCaptureStyle(0), 0);
  EXPECT_EQ(recGetCapacity(), 0);
  EXPECT_EQ(recHasAnyTake(), 0);
  recSetUndo(1);
  recStartRecording();
  recStartPlaying();
  EXPECT_EQ(recIsRecording(), 0);
  EXPECT_EQ(recIsPlaying(), 0);
  recWinStoreState(recStateWaiting);
  std::thread([] { recStartOnNote(); }).join();
  EXPECT_EQ(recIsRecording(), 0);
  EXPECT_EQ(recWinState(), recStateIdle) << "a take that cannot start leaves the window idle";
  recClear();
  recUndoSwap();
  recSetCursorFraction(0.5);
  EXPECT_EQ(recGetCursorFraction(), 0.0);
  std::vector<float> left;
  onAudioThread(
      2, 128, [](int, float* a, float* b) { constant(0.3f, 0.3f, a, b); },
      [&](int, const float* a, const float*) { left.assign(a, a + 128); });
  for (float v : left) ASSERT_EQ(v, 0.3f);
  recSetMapSeam(nullptr, nullptr);
  EXPECT_EQ(recSetBufferSize(30000), 1) << "the same size is tried again after a failure";
  recSetUndo(1);
  EXPECT_EQ(recGetCapacity(), 30000);
}

// Every buffer made is released once, by the routine that belongs to the one that made it, whether the
// routines change in between or not.
std::atomic<int> g_liveBuffers{0};
void* countingMap(std::uint32_t bytes, void** handle) {
  void* view = recMapPlatform(bytes, handle);
  if (view) g_liveBuffers.fetch_add(1);
  return view;
}
void countingUnmap(void* view, void* handle) {
  g_liveBuffers.fetch_sub(1);
  recUnmapPlatform(view, handle);
}

TEST_F(Recorder, EveryBufferIsReleasedOnceByItsOwnRoutine) {
  recShutdown();
  recSetMapSeam(countingMap, countingUnmap);
  recInitFrames(5000);
  const std::int64_t sizes[] = {8000, 8000, 3000, 40000};
  for (std::int64_t frames : sizes) {
    EXPECT_EQ(recSetBufferSize(frames), 1);
    EXPECT_EQ(g_liveBuffers.load(), 1) << frames;
  }
  recSetMapSeam(nullptr, nullptr);  // the next buffer is the platform's; this one still goes through ours
  EXPECT_EQ(recSetBufferSize(6000), 1);
  EXPECT_EQ(g_liveBuffers.load(), 0);
  recSetMapSeam(countingMap, countingUnmap);
  EXPECT_EQ(recSetBufferSize(7000), 1);
  EXPECT_EQ(g_liveBuffers.load(), 1);
  recShutdown();
  EXPECT_EQ(g_liveBuffers.load(), 0);
}

// While an audio thread records, plays and sends notes without pause, the other thread changes the
// buffer size, the undo option and the channel mode and restarts the transport. Every change lets
// the tap go idle first: natively the sanitizer, under Wine the unmapped view, would catch a writer
// or player in released memory.
TEST_F(Recorder, ChangingTheTakeUnderARunningAudioThreadNeverTouchesReleasedMemory) {
  std::atomic<bool> quit{false};
  std::atomic<long> blocks{0};
  std::thread audio([&] {
    float out1[128], out2[128];
    while (!quit.load()) {
      constant(0.2f, -0.2f, out1, out2);
      recOnNoteStart();
      recTap(128, out1, out2);
      for (int i = 0; i < 128; ++i)
        if (!std::isfinite(out1[i]) || !std::isfinite(out2[i])) std::abort();
      blocks.fetch_add(1);
    }
  });
  const std::int64_t sizes[] = {4096, 300000, 1024, 70000, 2048};
  for (int round = 0; round < 300; ++round) {
    recSetOverdub(round & 1);
    recStartRecording();
    recWinStoreState(recStateWaiting);
    const long seen = blocks.load();
    while (blocks.load() < seen + 3) std::this_thread::yield();
    recStartPlaying();
    switch (round % 3) {
      case 0: recSetBufferSize(sizes[(round / 3) % 5]); break;
      case 1: recSetUndo(round & 2 ? 1 : 0); break;
      default: recSetChannelMode((round / 3) & 1); break;
    }
    EXPECT_GT(recGetCapacity(), 0);
    EXPECT_LE(recGetLength(), recGetCapacity());
    recServicePending();
  }
  quit.store(true);
  audio.join();
  EXPECT_GT(blocks.load(), 60);
}

// The end of the buffer reached in a punch-in near its end: the audio thread only marks the stop, and
// the copy of the old take around it (tens of MB at the default size) runs on the other thread.
TEST_F(Recorder, APunchInStoppedAtTheEndOfTheBufferIsFinishedOffTheAudioThread) {
  recInitFrames(recDefaultFrames);
  recStartRecording();
  onAudioThread(recDefaultFrames / 128 + 1, 128, [](int b, float* a, float* c) {
    for (int i = 0; i < 128; ++i) a[i] = c[i] = 0.001f * static_cast<float>((b + i) % 500) - 0.25f;
  });
  recServicePending();
  ASSERT_EQ(recGetLength(), 15875840);
  const std::int32_t cursor = 15875840 - 4096;
  recSetCursorFraction(static_cast<double>(cursor) / recGetCapacity());
  ASSERT_EQ(recGetCursor(), cursor);
  recStartRecording();
  double longestTapMs = 0.0;
  std::thread audio([&] {
    float a[128], b[128];
    constant(0.5f, 0.5f, a, b);
    while (recIsRecording()) {
      const auto start = std::chrono::steady_clock::now();
      recTap(128, a, b);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (ms > longestTapMs) longestTapMs = ms;
    }
  });
  audio.join();
  ASSERT_EQ(recStopIsPending(), 1);
  // The tap only marked the stop: the old take before the cursor is not in the new take yet.
  EXPECT_NE(std::memcmp(recGetTake(), recGetOtherTake(), sizeof(std::int16_t) * cursor), 0)
      << "no copy on the audio thread";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(recServicePending(), 1);
  const double finishMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("punch-in stopped at the end of the default buffer: longest tap %.3f ms, finish %.2f ms\n", longestTapMs,
              finishMs);
  EXPECT_EQ(std::memcmp(recGetTake(), recGetOtherTake(), sizeof(std::int16_t) * cursor), 0)
      << "the old take before the punch-in";
  EXPECT_EQ(recGetTake()[cursor], 16383);
}

#ifdef _WIN32
// A second copy of the program, or anything else holding a section of the old shared name, never
// meets this process's take: the buffer is a section of its own.
TEST_F(Recorder, TheTakeIsPrivateToTheProcess) {
  recShutdown();
  const DWORD bytes = 4 * 4096;
  HANDLE foreign =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, "MorvAudioOutputPaddlingPool");
  ASSERT_NE(foreign, nullptr);
  auto* other = static_cast<std::int16_t*>(MapViewOfFile(foreign, FILE_MAP_WRITE, 0, 0, bytes));
  ASSERT_NE(other, nullptr);
  for (DWORD i = 0; i < bytes / 2; ++i) other[i] = 1234;

  recInitFrames(4096);
  ASSERT_NE(recGetTake(), nullptr);
  EXPECT_EQ(recGetTake()[0], 0) << "a fresh take, not the other section's";
  recordStereo(2000, [](int) { return -0.5f; });
  for (DWORD i = 0; i < bytes / 2; ++i) ASSERT_EQ(other[i], 1234) << i;
  UnmapViewOfFile(other);
  CloseHandle(foreign);
  // And this process publishes no section of that name for another to open.
  HANDLE open = OpenFileMappingA(FILE_MAP_READ, FALSE, "MorvAudioOutputPaddlingPool");
  EXPECT_EQ(open, nullptr);
  if (open) CloseHandle(open);
}

// The other process of the test below: records a take of +0.5, says so, waits while the first
// process records its own, and checks that its take is still its own (the exit code tells).
TEST_F(Recorder, SecondProcessKeepsItsTake) {
  const char* name = std::getenv("MORVANE_REC_SECOND");
  if (!name) GTEST_SKIP() << "runs only as the second process of TwoProcessesNeverShareATake";
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(name) + "-ready").c_str());
  HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, (std::string(name) + "-done").c_str());
  ASSERT_NE(ready, nullptr);
  ASSERT_NE(done, nullptr);
  recInitFrames(4096);
  recordStereo(2000, [](int) { return 0.5f; });
  SetEvent(ready);
  ASSERT_EQ(WaitForSingleObject(done, 20000), WAIT_OBJECT_0);
  for (int i = 0; i < 976; ++i) ASSERT_EQ(recGetTake()[i], 16383) << i;
  CloseHandle(ready);
  CloseHandle(done);
}

TEST_F(Recorder, TwoProcessesNeverShareATake) {
  const std::string name = "MorvRecTest-" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str());
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, (name + "-done").c_str());
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = std::string("\"") + self + "\" --gtest_filter=Recorder.SecondProcessKeepsItsTake";
  SetEnvironmentVariableA("MORVANE_REC_SECOND", name.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA("MORVANE_REC_SECOND", nullptr);
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0) << "the second process recorded its take";
  recInitFrames(4096);
  EXPECT_EQ(recGetTake()[0], 0) << "a fresh take of our own";
  recordStereo(2000, [](int) { return -0.25f; });
  SetEvent(done);
  DWORD code = 99;
  WaitForSingleObject(process.hProcess, 20000);
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u) << "the second process found its take changed";
  for (int i = 0; i < 976; ++i) ASSERT_EQ(recGetTake()[i], -8191) << i;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(ready);
  CloseHandle(done);
}
#endif

}  // namespace
