// The runnable program: gp, uia and ab started in order, a sine played through MME while the message
// loop runs, the main window closed, the device layer and the libraries ended in reverse, exit code 0,
// and the sine in the ALSA output file.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/audioFiles.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

std::string programPath() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self);
  return path.substr(0, path.find_last_of("\\/") + 1) + "morvane_sineapp.exe";
}

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Program, PlaysThroughTheHostWhileTheLoopRunsAndEndsCleanly) {
  const std::string out = audioOutputFile(44100, 2, "S16_LE");
  ASSERT_FALSE(out.empty()) << "run through the test harness";
  DeleteFileA(out.c_str());
  const std::string log = testTempPath("program.log");
  std::string commandLine = "\"" + programPath() + "\" --seconds=1.5 --log=\"" + log + "\"";

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(
      CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      << programPath();
  const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 98);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the program did not end";
  EXPECT_EQ(code, 0u);

  // Libraries start in order, audio plays, the window's close ends the loop, and everything ends
  // in reverse order.
  const std::vector<std::string> expected = {
      "gp started", "uia started", "ab started", "playing", "capture saved", "window destroyed", "device layer closed",
      "ab ended",   "uia ended",   "gp ended",   "end"};
  std::vector<std::string> lines = readLines(log);
  std::vector<std::string> steps;
  for (const std::string& line : lines)
    if (line.compare(0, 7, "frames ") != 0) steps.push_back(line);
  EXPECT_EQ(steps, expected);

  // The output file holds the sine: 440 Hz at half scale on both channels.
  FILE* f = std::fopen(out.c_str(), "rb");
  ASSERT_NE(f, nullptr) << out;
  std::vector<float> left, right;
  short pair[2];
  while (std::fread(pair, sizeof(short), 2, f) == 2) {
    left.push_back(pair[0] / 32768.0f);
    right.push_back(pair[1] / 32768.0f);
  }
  std::fclose(f);
  ASSERT_GE(left.size(), 44100u) << "less than a second of audio";
  size_t first = 0;
  while (first < left.size() && left[first] == 0.0f) ++first;
  ASSERT_LT(first + 44100, left.size());
  const std::vector<float> second(left.begin() + first, left.begin() + first + 44100);
  EXPECT_NEAR(signalPeakFrequency(second, 44100.0), 440.0, 1.0);
  EXPECT_NEAR(signalPeak(second.data(), second.size()), 0.5, 0.01);
  EXPECT_EQ(std::vector<float>(right.begin() + first, right.begin() + first + 44100), second);
}

}  // namespace
