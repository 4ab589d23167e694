// The speaker map heard: the real program plays note 69 through the first MME device (stereo) into
// the ALSA output file while the output set-up moves the speakers of "2 Stereo Wide" between the two
// outputs, first from the values stored before start-up, then by choices in the dialog. The file is
// read once the program has ended.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/appRegistry.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "app/programRun.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "support/signal.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

SynthAppModule g_module;

std::string g_outFile;
std::vector<std::string> g_log;
// Engine frames: note on; before and after the clicks that move speaker 1; the same for speaker 2;
// note off. A loaded machine may take long over a click: the move lands somewhere between.
long long g_marks[6] = {0, 0, 0, 0, 0, 0};
int g_state = 0;
DWORD g_started = 0;

std::string g_choose;
int answerPopup(void* menu, int, int, void*) {
  HMENU h = static_cast<HMENU>(menu);
  for (int k = 0; k < GetMenuItemCount(h); ++k) {
    char text[32] = {};
    GetMenuStringA(h, static_cast<UINT>(k), text, sizeof text, MF_BYPOSITION);
    if (g_choose == text) return static_cast<int>(GetMenuItemID(h, k));
  }
  return 0;
}

// Chooses an output in a speaker selector of the dialog with a real click.
void chooseOutput(uint16_t selector, const char* output) {
  const int16_t w = outSetupInnerId();
  winSelectPort(w, nullptr);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(w, selector, &r);
  g_choose = output;
  popupSetTrackHook(answerPopup);
  const LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
  PostMessageA(winGetFrameworkWindow(w), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(winGetFrameworkWindow(w), WM_LBUTTONUP, 0, at);
  pump();
  popupSetTrackHook(nullptr);
}

void finish(UINT_PTR id, const std::string& why) {
  g_state = 9;
  g_log.push_back(why + " after " + std::to_string(GetTickCount() - g_started) + " ms");
  KillTimer(nullptr, id);
  PostMessageA(appGetMainWindowHandle(), WM_CLOSE, 0, 0);
}

// One step of the scenario every 20 ms, each once the engine has played long enough (state 10: a
// step's clicks under way).
void CALLBACK scenario(HWND, UINT, UINT_PTR id, DWORD) {
  SynthApp* a = app();
  if (!a || !a->engine) return;
  Engine* e = a->engine;
  const long long frames = e->framesDone;
  switch (g_state) {
    case 0:
      if (frames >= 4410) {
        g_state = 1;
        g_log.push_back("audio after " + std::to_string(GetTickCount() - g_started) + " ms");
        g_marks[0] = frames;
        midiQueueNoteOn(e, 69, 100, 0);
      } else if (GetTickCount() - g_started > 15000) {
        finish(id, "no audio");
      }
      break;
    case 1:
      if (frames - g_marks[0] >= 44100) {
        g_state = 10;  // first: the clicks below pump messages, this timer's among them
        g_marks[1] = e->framesDone;
        outSetupOpen(1, e);
        chooseOutput(9, "2");
        g_marks[2] = e->framesDone;
        g_log.push_back("speaker 1 on output " + std::to_string(surroundGetChannelMap(&e->surround, 0) + 1));
        g_state = 2;
      }
      break;
    case 2:
      if (frames - g_marks[2] >= 44100) {
        g_state = 10;
        g_marks[3] = e->framesDone;
        chooseOutput(10, "2");
        g_marks[4] = e->framesDone;
        g_log.push_back("speaker 2 on output " + std::to_string(surroundGetChannelMap(&e->surround, 1) + 1));
        g_state = 3;
      }
      break;
    case 3:
      if (frames - g_marks[4] >= 44100) {
        g_state = 4;
        g_marks[5] = e->framesDone;
        PostMessageA(winGetFrameworkWindow(outSetupWindowId()), WM_CLOSE, 0, 0);
        midiQueuePushShort(&e->midi, 0x80, 69, 64);
      }
      break;
    case 4:
      if (frames - g_marks[5] >= 4410) finish(id, "done");
      break;
  }
}

std::vector<float> part(const std::vector<float>& v, size_t from, size_t to) {
  if (to > v.size()) to = v.size();
  if (from > to) from = to;
  return std::vector<float>(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to));
}

// The child: the program with the scenario; its log and the marks go to a file for the test.
int runProgram(const std::string& logPath) {
  msgBoxSetHook([](void*, int, const char*, int) { return 0; }, nullptr);
  appStartHooks()->openAudioSetup = [](SynthApp*) { g_log.push_back("audio setup"); };
  g_started = GetTickCount();
  SetTimer(nullptr, 0, 20, scenario);
  uiaSetInstance(GetModuleHandleA(nullptr));
  uiaRun();
  FILE* f = std::fopen(logPath.c_str(), "w");
  if (!f) return 1;
  for (long long mark : g_marks) std::fprintf(f, "%lld ", mark);
  std::fprintf(f, "\n");
  for (const std::string& line : g_log) std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
  return 0;
}

// The marks on the log's first line, the program's lines after them ("not run" without the marks).
void readLog(const std::vector<std::string>& lines) {
  if (lines.empty() || std::sscanf(lines[0].c_str(), "%lld %lld %lld %lld %lld %lld", &g_marks[0], &g_marks[1],
                                   &g_marks[2], &g_marks[3], &g_marks[4], &g_marks[5]) != 6)
    return;
  g_log.assign(lines.begin() + 1, lines.end());
}

TEST(OutSetupSound, TheOutputsFollowTheSpeakerMap) {
  ASSERT_FALSE(g_outFile.empty()) << "no MME device, or not run through the test harness";
  for (const std::string& line : g_log) std::printf("program: %s\n", line.c_str());
  ASSERT_EQ(g_log.back().compare(0, 5, "done "), 0);
  const auto logged = [](const char* line) { return std::find(g_log.begin(), g_log.end(), line) != g_log.end(); };
  EXPECT_TRUE(logged("speaker 1 on output 2"));
  EXPECT_TRUE(logged("speaker 2 on output 2"));
  const Stereo file = readStereo(g_outFile);
  EXPECT_TRUE(signalAllNormal(file.left.data(), file.left.size()));
  EXPECT_TRUE(signalAllNormal(file.right.data(), file.right.size()));
  // Where each move landed is read from the sound: output 2 starts sounding (speaker 1 moved), output
  // 1 falls silent for good (speaker 2 moved). The system's silent frames are left out first, so a
  // late program leaves no gap, and the file counts the engine's frames from the note's start.
  const Stereo s = withoutSilentFrames(file);
  const size_t n = s.left.size();
  const auto sounds = [](float v) { return std::fabs(v) >= 1e-3f; };
  size_t first = 0, moved1 = 0, moved2 = n;
  while (first < n && !sounds(s.left[first]) && !sounds(s.right[first])) ++first;
  while (moved1 < n && !sounds(s.right[moved1])) ++moved1;
  while (moved2 > 0 && !sounds(s.left[moved2 - 1])) --moved2;
  std::printf("note from frame %zu, output 2 from %zu, output 1 until %zu, of %zu\n", first, moved1, moved2, n);
  ASSERT_LT(first, moved1) << "output 1 sounds first, alone";
  ASSERT_LT(moved1, moved2) << "both outputs sound between the moves";
  ASSERT_LT(moved2, n) << "output 2 sounds alone after the second move";
  // Each move lands between the engine's frames before and after its clicks, give or take a device
  // buffer rendered ahead and the note's attack below the threshold: not a second early or late.
  const long long slack = 8820;
  const struct {
    const char* name;
    size_t at;
    long long before, after;
  } moves[] = {{"speaker 1 moved", moved1, g_marks[1], g_marks[2]},
               {"speaker 2 moved", moved2, g_marks[3], g_marks[4]}};
  for (const auto& m : moves) {
    const long long at = static_cast<long long>(m.at - first);
    std::printf("%s at note frame %lld, the clicks at %lld to %lld\n", m.name, at, m.before - g_marks[0],
                m.after - g_marks[0]);
    EXPECT_GE(at, m.before - g_marks[0] - slack) << m.name;
    EXPECT_LE(at, m.after - g_marks[0] + slack) << m.name;
  }
  // Each phase is measured from a tenth of a second after its start (the attack, a block that may
  // hold the change) to a fortieth before its end; the last one ends a second after its start, where
  // the engine let the note go at the earliest.
  struct Phase {
    const char* name;
    size_t from, to;
    bool leftSounds, rightSounds;
  };
  const Phase phases[] = {
      {"both speakers on output 1 (stored)", first, moved1, true, false},
      {"speaker 1 moved to output 2", moved1, moved2, true, true},
      {"both speakers on output 2", moved2, moved2 + 44100, false, true},
  };
  for (const Phase& p : phases) {
    SCOPED_TRACE(p.name);
    const size_t from = p.from + 4410, to = std::min(p.to, n) - 1102;
    ASSERT_GT(to, from + 16384);
    const std::vector<float> left = part(s.left, from, to), right = part(s.right, from, to);
    std::printf("%s: left %.5f right %.5f\n", p.name, signalRms(left), signalRms(right));
    for (const auto& side : {std::make_pair(p.leftSounds, &left), std::make_pair(p.rightSounds, &right)}) {
      if (side.first) {
        EXPECT_NEAR(signalPeakFrequency(part(*side.second, 0, 16384), 44100.0), 440.0, 1.5);
        // Sounding all through: every fortieth of a second of it.
        double quietest = 1.0;
        for (size_t k = 0; k + 1102 <= side.second->size(); k += 1102)
          quietest = std::min(quietest, signalRms(side.second->data() + k, 1102));
        EXPECT_GT(quietest, 0.01);
      } else {
        EXPECT_LT(signalRms(*side.second), 1e-4) << "an output no speaker uses is silent";
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The program itself runs in a child process of this test (the device listing above initialises
  // the audio host, which the program's own start must find untouched).
  const std::string childFlag = "--child=";
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).compare(0, childFlag.size(), childFlag) == 0)
      return runProgram(argv[i] + childFlag.size());

  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  const DWORD t0 = GetTickCount();
  g_outFile = useMmeOutput();
  std::printf("device listed in %lu ms\n", GetTickCount() - t0);
  if (!g_outFile.empty()) {
    // "2 Stereo Wide" with both speakers on output 1.
    storeInt("surroundMode", 1);
    storeInt("surroundChan0", 0);
    storeInt("surroundChan1", 0);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string logPath = std::string(temp) + "morvane_outsetup_sound.log";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    readLog(runProcess("\"" + std::string(self) + "\" " + childFlag + logPath, logPath, 60000).log);
    std::printf("program ran %lu ms\n", GetTickCount() - t0);
    DeleteFileA(logPath.c_str());
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  if (g_log.empty()) g_log.push_back("not run");
  return RUN_ALL_TESTS();
}
