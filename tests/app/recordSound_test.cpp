// The recorder heard: the program in a child process plays through the first MME device into the
// ALSA output file; through its Record window a note of 440 Hz starts a take, the take is stopped
// after the note's release and played back. The file holds the note twice, at the same pitch and
// level.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/appRegistry.h"
#include "app/programRun.h"
#include "support/signal.h"

namespace {

TEST(RecordSound, ARecordedNotePlaysBackAtItsPitchAndLevel) {
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey);
  const std::string out = useMmeOutput();
  ASSERT_FALSE(out.empty()) << "no MME device, or not run through the test harness";

  const ChildRun run = runChild("record", 90000);
  const std::vector<std::string>& log = run.log;
  for (const std::string& line : log) std::printf("program: %s\n", line.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  EXPECT_EQ(run.exitCode, 0u);
  std::string noteOn, play, stopped, from;
  ASSERT_TRUE(hasLine(log, "note on ", &noteOn));
  EXPECT_NE(noteOn.find("window 1"), std::string::npos) << "F3 showed the Record window";
  ASSERT_TRUE(hasLine(log, "recording from the note, state 3")) << "the note started the take";
  ASSERT_TRUE(hasLine(log, "stopped length ", &stopped));
  EXPECT_NE(stopped.find("state 0"), std::string::npos);
  ASSERT_TRUE(hasLine(log, "play ", &play));
  ASSERT_TRUE(hasLine(log, "played "));
  ASSERT_TRUE(hasLine(log, "playback from ", &from));
  const size_t askedAt = play.find(" asked by ");
  ASSERT_NE(askedAt, std::string::npos);
  // In engine frames, which move only as the device plays: the click was posted at clickFrame and
  // handled by askedFrame; the first device block that began with the take playing was at fromFrame.
  // A loaded machine may handle the click late, but the frames owed in between do not change.
  const long long clickFrame = std::stoll(play), askedFrame = std::stoll(play.substr(askedAt + 10));
  const long long fromFrame = std::stoll(from);
  EXPECT_GE(fromFrame, clickFrame) << "no playback before Play";
  EXPECT_LT(fromFrame - askedFrame, 8820) << "the playback starts within two device buffers of Play";
  const long long takeFrames = std::stoll(stopped) / 2;
  EXPECT_GT(takeFrames, 66150 + 44100 - 4410) << "the take holds the note and its release";

  // The system's silent frames (where the stream ran dry on a loaded machine) are left out; the
  // program's own silence between the take's release and Play goes with them.
  const std::vector<float> left = withoutSilentFrames(readStereo(out)).left;
  size_t first = 0;
  while (first < left.size() && std::fabs(left[first]) < 1e-4f) ++first;
  ASSERT_LT(first + 4410 + 32768, left.size()) << "the note is missing from the file";
  const std::vector<float> live(left.begin() + first + 4410, left.begin() + first + 4410 + 32768);
  // The playback in the file: where the note's attack comes again, to the 16-bit step. The place is
  // found in the sound rather than counted from the engine's frames: a loaded machine may handle a
  // click late, and the file device may drop or repeat frames.
  const size_t attack = 2048;
  const auto attackAt = [&](size_t p) {
    for (size_t k = 0; k < attack; ++k)
      if (std::fabs(left[p + k] - left[first + k]) > 2.0f / 32768.0f + 1e-6f) return false;
    return true;
  };
  size_t onset = first + attack;
  while (onset + attack <= left.size() && !attackAt(onset)) ++onset;
  ASSERT_LT(onset + 25 + 4410 + 32768, left.size()) << "the playback is missing or cut short in the file";
  const std::vector<float> played(left.begin() + onset + 4410, left.begin() + onset + 4410 + 32768);
  const double liveHz = signalPeakFrequency(live, 44100.0), playedHz = signalPeakFrequency(played, 44100.0);
  const double liveRms = signalRms(live), playedRms = signalRms(played);
  std::printf("live %.2f Hz rms %.4f, played back %.2f Hz rms %.4f\n", liveHz, liveRms, playedHz, playedRms);
  EXPECT_NEAR(liveHz, 440.0, 1.0);
  EXPECT_NEAR(playedHz, 440.0, 1.0);
  EXPECT_GT(liveRms, 0.01);
  EXPECT_NEAR(playedRms / liveRms, 1.0, 0.02) << "played back at the level recorded";
  // Sample for sample the playback is the recording, within the 16-bit steps of the take. The file
  // device is not real time: on a loaded machine it may drop or repeat a stretch of frames, which
  // shifts everything after it. So the stretch is compared in 32 pieces of 1024 samples, each lined
  // up on its own within a quarter period (25 samples) either way; all but a glitched piece or two
  // must match to the 16-bit step.
  auto worstAt = [&](size_t from, long lag) {
    double worst = 0.0;
    for (size_t i = from; i < from + 1024; ++i)
      worst = std::max(worst, static_cast<double>(std::fabs(left[onset + lag + i] - left[first + i])));
    return worst;
  };
  int matching = 0;
  double worstMatching = 0.0;
  for (size_t piece = 0; piece < 32; ++piece) {
    double best = 1e9;
    for (long lag = -25; lag <= 25; ++lag) best = std::min(best, worstAt(4410 + piece * 1024, lag));
    if (best < 2.0 / 32768.0 + 1e-6) {
      ++matching;
      worstMatching = std::max(worstMatching, best);
    }
  }
  std::printf("pieces equal to the recording: %d of 32 (largest difference %.6f)\n", matching, worstMatching);
  EXPECT_GE(matching, 30) << "the playback is the recording, sample for sample";
  EXPECT_TRUE(signalAllNormal(left.data(), left.size()));
}

}  // namespace
