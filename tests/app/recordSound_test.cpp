// The recorder heard: the program in a child process plays through the first MME device into the
// ALSA output file; through its Record window a note of 440 Hz starts a take, the take is stopped
// after the note's release and played back. The file holds the note twice, at the same pitch and
// level.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABDeviceAccessors.h"
#include "GPInit.h"
#include "app/appRegistry.h"
#include "support/audioFiles.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

std::string selfFolder() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

void storeValue(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}
void storeInt(const char* name, DWORD value) { storeValue(name, REG_DWORD, &value, 4); }
void storeText(const char* name, const std::string& text) {
  storeValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The name of the first MME output device, as the host lists it.
std::string mmeDeviceName() {
  struct Lister : AudioHostClient {
    void process(float**, float**, int, int, int) override {}
    bool supportsRate(float) override { return true; }
    void inputName(int, std::string*) override {}
    void outputName(int, std::string*) override {}
    int inputCount() override { return 0; }
    int outputCount() override { return 2; }
    void setSampleRate(float) override {}
  };
  const bool gpWasUp = gpIsInitialised();
  if (!gpWasUp) gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x60031);
  std::string found;
  {
    Lister lister;
    lister.open(nullptr);
    for (uint32_t d : lister.manager->audioDevices) {
      std::string name;
      if (deviceName(d, &name) == 0 && name.compare(0, 4, "MME ") == 0) {
        found = name;
        break;
      }
    }
  }
  abExit();
  if (!gpWasUp) gpExit();
  return found;
}

std::vector<std::string> runChild(const std::string& scenario, DWORD* exitCode) {
  const std::string log = testTempPath("appchild-" + scenario + ".log");
  DeleteFileA(log.c_str());
  std::string commandLine =
      "\"" + selfFolder() + "morvane_appchild.exe\" --scenario=" + scenario + " --log=\"" + log + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  *exitCode = 99;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 90000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 98);
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  std::vector<std::string> lines;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool find(const std::vector<std::string>& lines, const std::string& prefix, std::string* rest = nullptr) {
  for (const std::string& line : lines)
    if (line.compare(0, prefix.size(), prefix) == 0) {
      if (rest) *rest = line.substr(prefix.size());
      return true;
    }
  return false;
}

std::vector<float> readLeft(const std::string& path) {
  std::vector<float> left;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return left;
  short pair[2];
  while (std::fread(pair, sizeof(short), 2, f) == 2) left.push_back(pair[0] / 32768.0f);
  std::fclose(f);
  return left;
}

TEST(RecordSound, ARecordedNotePlaysBackAtItsPitchAndLevel) {
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey);
  const std::string device = mmeDeviceName();
  ASSERT_FALSE(device.empty()) << "no MME device, or not run through the test harness";
  storeText("AB AudioDevice", device);
  storeInt("AB SampleRate", 44100);
  storeInt("AB Latency", 100);  // the ALSA file device under Wine does not keep up with 10 ms buffers
  storeInt("AB OutputChannel 0", 0);
  storeInt("AB OutputChannel 1", 1);
  const std::string out = audioOutputFile(44100, 2, "S16_LE");
  ASSERT_FALSE(out.empty());
  DeleteFileA(out.c_str());

  DWORD exitCode = 99;
  const std::vector<std::string> log = runChild("record", &exitCode);
  for (const std::string& line : log) std::printf("program: %s\n", line.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  EXPECT_EQ(exitCode, 0u);
  std::string noteOn, play, stopped;
  ASSERT_TRUE(find(log, "note on ", &noteOn));
  EXPECT_NE(noteOn.find("window 1"), std::string::npos) << "F3 showed the Record window";
  ASSERT_TRUE(find(log, "recording from the note, state 3")) << "the note started the take";
  ASSERT_TRUE(find(log, "stopped length ", &stopped));
  EXPECT_NE(stopped.find("state 0"), std::string::npos);
  ASSERT_TRUE(find(log, "play ", &play));
  ASSERT_TRUE(find(log, "played "));
  const long long noteFrame = std::stoll(noteOn), playFrame = std::stoll(play);
  const long long takeFrames = std::stoll(stopped) / 2;
  EXPECT_GT(takeFrames, 66150 + 44100 - 4410) << "the take holds the note and its release";

  const std::vector<float> left = readLeft(out);
  size_t first = 0;
  while (first < left.size() && std::fabs(left[first]) < 1e-4f) ++first;
  // The file follows the engine frame for frame; the take starts with the note.
  const size_t playAt = first + static_cast<size_t>(playFrame - noteFrame);
  ASSERT_LT(playAt + 4410 + 32768 + 8820, left.size()) << "the playback is missing from the file";
  const std::vector<float> live(left.begin() + first + 4410, left.begin() + first + 4410 + 32768);
  // The playback starts within a device buffer of the Play click: find its onset after the silence.
  size_t onset = playAt;
  while (onset < left.size() && std::fabs(left[onset]) < 1e-4f) ++onset;
  ASSERT_LT(onset - playAt, 8820u) << "the playback starts within two device buffers of Play";
  const std::vector<float> played(left.begin() + onset + 4410, left.begin() + onset + 4410 + 32768);
  const double liveHz = signalPeakFrequency(live, 44100.0), playedHz = signalPeakFrequency(played, 44100.0);
  const double liveRms = signalRms(live), playedRms = signalRms(played);
  std::printf("live %.2f Hz rms %.4f, played back %.2f Hz rms %.4f\n", liveHz, liveRms, playedHz, playedRms);
  EXPECT_NEAR(liveHz, 440.0, 1.0);
  EXPECT_NEAR(playedHz, 440.0, 1.0);
  EXPECT_GT(liveRms, 0.01);
  EXPECT_NEAR(playedRms / liveRms, 1.0, 0.02) << "played back at the level recorded";
  // Sample for sample the playback is the recording, within the 16-bit steps of the take.
  double worst = 0.0;
  for (size_t i = 4410; i < 4410 + 32768; ++i)
    worst = std::max(worst, static_cast<double>(std::fabs(left[onset + i] - left[first + i])));
  std::printf("largest difference between live and played back: %.6f\n", worst);
  EXPECT_LT(worst, 2.0 / 32768.0 + 1e-6);
  EXPECT_TRUE(signalAllNormal(left.data(), left.size()));
}

}  // namespace
