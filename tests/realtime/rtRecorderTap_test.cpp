// The recorder's tap under the guard, for each of the four writer/player pairs (normal or overdub,
// mono or stereo): recording, playing, the stop at the end of the buffer (only marked), the end of
// the take and the note trigger allocate nothing, take no lock and make no system call.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "audioPath/recorder.h"
#include "rtGuard.h"
#include "rtSyscall.h"
#include "uiSeams/msgBox.h"

namespace {

struct Pair {
  int overdub, stereo;
  const char* name;
};
const Pair kPairs[] = {{0, 0, "mono"}, {0, 1, "stereo"}, {1, 0, "mono overdub"}, {1, 1, "stereo overdub"}};

// The audio side of a take: the note trigger starts it and the tap records until the writer marks
// the stop at the end of the buffer.
void recordPhase(float* out1, float* out2, int* blocks) {
  recWinStoreState(recStateWaiting);
  recOnNoteStart();
  while (recIsRecording()) {
    recTap(128, out1, out2);
    ++*blocks;
  }
}

// The tap plays the take until its end.
void playPhase(float* out1, float* out2, int* blocks) {
  while (recIsPlaying()) {
    recTap(128, out1, out2);
    ++*blocks;
  }
}

// Between the two, on the user-interface side: the take finished, playback started from the start.
void finishAndStartPlaying() {
  recServicePending();
  recSetCursorFraction(0.0);
  recStartPlaying();
}

void prepare(const Pair& p) {
  recInitFrames(1 << 16);
  recSetChannelMode(p.stereo);
  recSetOverdub(p.overdub);
  // A first take, so that an overdub has something to mix with (finished on this thread).
  recStartRecording();
  float a[128] = {}, b[128] = {};
  while (recIsRecording()) recTap(128, a, b);
  recServicePending();
  recSetCursorFraction(0.0);
}

TEST(RtRecorderTap, EveryWriterAndPlayerAllocatesNothingLocksNothing) {
  rtGuardInit();
  msgBoxCaptureBegin(msgAnswerOk);
  float out1[128], out2[128];
  for (int i = 0; i < 128; ++i) out1[i] = out2[i] = 0.25f * static_cast<float>(i % 7) - 0.7f;
  for (const Pair& p : kPairs) {
    prepare(p);
    int recorded = 0, played = 0;
    rtReset();
    rtArm();
    recordPhase(out1, out2, &recorded);
    rtDisarm();
    EXPECT_EQ(recStopIsPending(), 1) << p.name << ": the audio side only marks the stop";
    finishAndStartPlaying();
    ASSERT_EQ(recIsPlaying(), 1) << p.name;
    rtArm();
    playPhase(out1, out2, &played);
    rtDisarm();
    EXPECT_EQ(rtViolations(), 0) << p.name << "\n" << rtReport();
    EXPECT_GT(recorded, 100) << p.name;
    EXPECT_GT(played, 100) << p.name;
    const int blocks = recorded + played;
    const auto start = std::chrono::steady_clock::now();
    finishAndStartPlaying();
    int timed = 0;
    playPhase(out1, out2, &timed);
    const auto end = std::chrono::steady_clock::now();
    if (timed > 0)
      std::printf("%s: %d blocks checked; playback %.0f ns per block (sanitized build)\n", p.name, blocks,
                  std::chrono::duration<double, std::nano>(end - start).count() / timed);
  }
  recShutdown();
  msgBoxCaptureEnd();
}

TEST(RtRecorderTap, EveryWriterAndPlayerRunsWithoutSystemCalls) {
  msgBoxCaptureBegin(msgAnswerOk);
  for (const Pair& p : kPairs) {
    prepare(p);
    const void* payload = nullptr;
    const RtSyscallResult r = rtRunWithoutSyscalls(
        [&](void* out) {
          float a[128], b[128];
          for (int i = 0; i < 128; ++i) a[i] = b[i] = 0.5f;
          int blocks = 0;
          recordPhase(a, b, &blocks);
          if (!recStopIsPending()) return;
          // The finish is the user-interface side's work; it calls the system no more than the tap.
          finishAndStartPlaying();
          playPhase(a, b, &blocks);
          std::memcpy(out, &blocks, sizeof blocks);
        },
        sizeof(int), &payload);
    ASSERT_TRUE(r.childRan) << p.name << " " << r.failure;
    EXPECT_TRUE(r.finished) << p.name << ": " << rtSyscallName(r.syscallNumber) << "\n" << r.where << r.failure;
    int blocks = 0;
    if (payload) std::memcpy(&blocks, payload, sizeof blocks);
    EXPECT_GT(blocks, 100) << p.name;
  }
  recShutdown();
  msgBoxCaptureEnd();
}

}  // namespace
