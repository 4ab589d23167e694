// The program as a whole, in child processes: the real Morvane.exe started with an empty settings
// store and closed by its window 1; moved to another folder; the program paths rewritten; start-up
// failures shown and survived; shut-down order; a note played through the MME device into the ALSA
// output file.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "appRegistry.h"
#include "programRun.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

// The program next to the test (tests/app) is the one of the build's source/app folder.
std::string programPath() { return selfFolder() + "..\\..\\source\\app\\Morvane.exe"; }

void clearKey(HKEY root, const char* path) { RegDeleteKeyA(root, path); }

struct ProgramRun {
  bool started = false;
  bool ended = false;
  DWORD exitCode = 99;
  double shownMs = -1;       // start to window 1 visible
  double closeToEndMs = -1;  // WM_CLOSE posted to the process gone
  bool setupShown = false;   // the "Audio Setup" dialog opened first
  double splashMs = -1;      // the start-up About box seen to window 1 taking input again
};

struct FindWindowOf {
  DWORD pid;
  HWND found;
  bool setupShown;
  bool splashShown;
};

BOOL CALLBACK findVisible(HWND window, LPARAM data) {
  FindWindowOf* f = reinterpret_cast<FindWindowOf*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  if (pid == f->pid && IsWindowVisible(window) && std::string(title) == "Audio Setup") {
    // An empty store opens the "Audio Setup" dialog before window 1 shows: the user closes it.
    f->setupShown = true;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
  }
  if (pid == f->pid && IsWindowVisible(window) && std::string(title) == "About VL Morvane 3") {
    // The start-up splash: window 1 shows beneath it, disabled until the splash closes itself.
    f->splashShown = true;
    return TRUE;
  }
  // Window 1 takes input once the splash has come and gone (it shows for a moment before the splash).
  if (pid == f->pid && f->splashShown && IsWindowVisible(window) && IsWindowEnabled(window) &&
      std::string(title) == "Morvane") {
    f->found = window;
    return FALSE;
  }
  return TRUE;
}

double msSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Starts the program, waits for its window 1, closes it like a user and waits for the process to end.
ProgramRun runAndClose(const std::string& exe) {
  ProgramRun run;
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return run;
  run.started = true;
  FindWindowOf f = {process.dwProcessId, nullptr, false, false};
  LARGE_INTEGER splashSeen = {};
  for (int i = 0; i < 4000 && !f.found; ++i) {
    const bool splashBefore = f.splashShown;
    EnumWindows(findVisible, reinterpret_cast<LPARAM>(&f));
    if (f.splashShown && !splashBefore) QueryPerformanceCounter(&splashSeen);
    if (f.found && f.splashShown) run.splashMs = msSince(splashSeen);
    if (!f.found) {
      if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) break;
    }
  }
  run.setupShown = f.setupShown;
  if (f.found) {
    run.shownMs = msSince(start);
    LARGE_INTEGER closing;
    QueryPerformanceCounter(&closing);
    PostMessageA(f.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
      run.ended = true;
      run.closeToEndMs = msSince(closing);
    }
  }
  if (!run.ended && WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) run.ended = true;
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  if (!run.ended) TerminateProcess(process.hProcess, 98);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    clearKey(HKEY_CURRENT_USER, kUserKey);
    clearKey(HKEY_LOCAL_MACHINE, kMachineKey);
  }
  void TearDown() override {
    clearKey(HKEY_CURRENT_USER, kUserKey);
    clearKey(HKEY_LOCAL_MACHINE, kMachineKey);
  }
};

TEST_F(Program, StartsWithAnEmptyStoreAndEndsWithCodeZeroWhenWindowOneCloses) {
  const ProgramRun run = runAndClose(programPath());
  ASSERT_TRUE(run.started) << programPath();
  ASSERT_GE(run.shownMs, 0.0) << "window 1 never showed";
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  std::printf("start to window 1 shown: %.0f ms; close to process end: %.0f ms\n", run.shownMs, run.closeToEndMs);
  EXPECT_TRUE(run.setupShown) << "an empty store opens the Audio Setup dialog first";
  // The About box shows over window 1 as a splash and closes itself after 4 seconds (on the first
  // form tick after them, a little after it became visible).
  std::printf("start-up splash seen to window 1 enabled: %.0f ms\n", run.splashMs);
  EXPECT_GT(run.splashMs, 3500.0);
  EXPECT_LT(run.splashMs, 6500.0);
  // The quit query of the close wrote the switches and the Main page's expanded state.
  for (const char* name : {"enablePgm", "autoBalance", "oneWindow", "brontavel 05"}) {
    DWORD value = 99;
    EXPECT_TRUE(storedInt(name, &value)) << name;
    EXPECT_EQ(value, std::string(name) == "oneWindow" ? 0u : 1u) << name;  // the defaults
  }

  char full[MAX_PATH];
  GetFullPathNameA(programPath().c_str(), MAX_PATH, full, nullptr);
  std::string folder(full);
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  std::string text;
  ASSERT_TRUE(storedText("MrDirPath", &text));
  EXPECT_EQ(_stricmp(text.c_str(), folder.c_str()), 0) << text << " vs " << folder;
  EXPECT_EQ(text.back(), '\\');
  ASSERT_TRUE(storedText("SamplesPath", &text));
  EXPECT_EQ(_stricmp(text.c_str(), (folder + "Samples\\").c_str()), 0) << text;
  ASSERT_TRUE(storedText("LibrariesPath", &text));
  EXPECT_EQ(_stricmp(text.c_str(), (folder + "Libraries\\").c_str()), 0) << text;
}

// Copies the program into `folder` (made with its parents) and answers the copy's path.
std::string copyProgramTo(const std::string& folder) {
  std::string made;
  for (size_t at = 0; at != std::string::npos;) {
    at = folder.find('\\', at + 1);
    made = folder.substr(0, at);
    CreateDirectoryA(made.c_str(), nullptr);
  }
  const std::string target = folder + "\\Morvane.exe";
  CopyFileA(programPath().c_str(), target.c_str(), FALSE);
  return target;
}

TEST_F(Program, MovedProgramRewritesThePathsAtItsNextStart) {
  storeText("MrDirPath", "C:\\old\\");
  storeText("SamplesPath", "C:\\old\\Samples\\");
  storeText("LibrariesPath", "C:\\old\\Libraries\\");
  // A second folder, and one whose program path comes close to 260 characters.
  std::string base = testTempPath("moved");
  std::string deep = base;
  while (deep.size() < 245) deep += "\\" + std::string(std::min<size_t>(40, 246 - deep.size()), 'd');
  for (const std::string& folder : {base, deep}) {
    const std::string exe = copyProgramTo(folder);
    ASSERT_EQ(GetFileAttributesA(exe.c_str()) != INVALID_FILE_ATTRIBUTES, true) << exe;
    const ProgramRun run = runAndClose(exe);
    ASSERT_TRUE(run.ended) << exe;
    EXPECT_EQ(run.exitCode, 0u);
    std::string text;
    ASSERT_TRUE(storedText("MrDirPath", &text));
    EXPECT_EQ(_stricmp(text.c_str(), (folder + "\\").c_str()), 0) << text;
    ASSERT_TRUE(storedText("SamplesPath", &text));
    EXPECT_EQ(_stricmp(text.c_str(), (folder + "\\Samples\\").substr(0, 260).c_str()), 0) << text;
    ASSERT_TRUE(storedText("LibrariesPath", &text));
    EXPECT_EQ(_stricmp(text.c_str(), (folder + "\\Libraries\\").substr(0, 260).c_str()), 0) << text;
    EXPECT_LE(text.size(), 260u);
  }
}

TEST_F(Program, MachineKeyValueIsUsedAndBadChannelsReadAsZero) {
  struct Case {
    const char* what;
    bool machine;
    DWORD type;
    DWORD value;
    int expected;
  };
  const Case cases[] = {
      {"empty store", false, 0, 0, 0},
      {"machine key only", true, REG_DWORD, 3, 3},
      {"omni", false, REG_DWORD, static_cast<DWORD>(-1), -1},
      {"99", false, REG_DWORD, 99, 0},
      {"-7", false, REG_DWORD, static_cast<DWORD>(-7), 0},
      {"a text", false, REG_SZ, 0x35, 0},  // "5" stored as a text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearKey(HKEY_CURRENT_USER, kUserKey);
    clearKey(HKEY_LOCAL_MACHINE, kMachineKey);
    if (c.type == REG_DWORD)
      storeValue(c.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, c.machine ? kMachineKey : kUserKey, "midiChan_01",
                 REG_DWORD, &c.value, 4);
    if (c.type == REG_SZ) storeValue(HKEY_CURRENT_USER, kUserKey, "midiChan_01", REG_SZ, "5", 2);
    const ChildRun run = runChild("close");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    std::string channel;
    ASSERT_TRUE(hasLine(run.log, "channel ", &channel));
    EXPECT_EQ(std::stoi(channel), c.expected);
    EXPECT_TRUE(hasLine(run.log, "kit users 0"));
  }
}

// Each failed step shows its message and says which step failed in one line on the error output
// (written before the box, which nobody may answer): run.sh shows that line.
TEST_F(Program, StartUpFailuresShowTheirMessageSayTheirStepAndEndCleanly) {
  struct Case {
    const char* scenario;
    const char* box;
    const char* line;
  };
  const Case cases[] = {{"fail-engine", "box Morvane memory error, 58841",
                         "Morvane could not start: its sound engine could not be made (memory error 58841)."},
                        {"fail-bank", "box Morvane memory error, 58842",
                         "Morvane could not start: its bank could not be made (memory error 58842)."},
                        {"fail-chunk", "box Morvane memory error, 58843",
                         "Morvane could not start: its chunk buffer could not be made (memory error 58843)."},
                        // No usable display: window 1 is destroyed while it is being made.
                        {"fail-window", "box Morvane cannot start: its main window could not be created. Error 58844",
                         "Morvane could not start: its main window could not be created (error 58844)."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    const ChildRun run = runChild(c.scenario, 30000);
    ASSERT_TRUE(run.ended) << "the program did not end";
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> boxes;
    for (const std::string& line : run.log)
      if (line.compare(0, 4, "box ") == 0) boxes.push_back(line);
    EXPECT_EQ(boxes, std::vector<std::string>{c.box});
    EXPECT_EQ(run.errors, std::vector<std::string>{c.line});
    // The loop never ran (the watcher never saw window 1) and everything made was released.
    EXPECT_FALSE(hasLine(run.log, "shown "));
    EXPECT_TRUE(hasLine(run.log, "kit users 0"));
    EXPECT_TRUE(hasLine(run.log, "end "));
  }
  // A fatal error of the libraries during the start ends the process at once with status 1: its line
  // names the place its box shows.
  const ChildRun fatal = runChild("fail-fatal", 30000);
  ASSERT_TRUE(fatal.ended);
  EXPECT_EQ(fatal.exitCode, 1u);
  EXPECT_TRUE(hasLine(fatal.log, "fatal box Error engine.cpp:7"));
  EXPECT_EQ(fatal.errors,
            std::vector<std::string>{"Morvane could not start: a fatal error ended it (Error engine.cpp:7)."});
}

TEST_F(Program, TheAutoBalanceFlagIsWrittenOnceMoreAtExit) {
  const ChildRun run = runChild("exit-write");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(hasLine(run.log, "audio setup"));
  DWORD value = 99;
  ASSERT_TRUE(storedInt("autoBalance", &value));
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(storedInt("enablePgm", &value)) << "no quit query ran";
}

TEST_F(Program, DevicesCloseBeforeTheEngineGoes) {
  const ChildRun run = runChild("order");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(hasLine(run.log, "devices close, engine alive"));
  EXPECT_FALSE(hasLine(run.log, "devices close, engine gone"));
}

// Stored host settings out of range never reach the device: the program starts with the defaults and
// opens the "Audio Setup" dialog as for a missing device; a number stored as a text counts as missing.
TEST_F(Program, HostSettingsOutOfRangeOpenTheAudioSetupAndATextCountsAsMissing) {
  struct Case {
    const char* what;
    DWORD rate;
    const char* rateText;  // stored as a text instead
    bool setup;
  };
  const Case cases[] = {
      {"57 Hz", 57, nullptr, true}, {"2147483647 Hz", 2147483647u, nullptr, true}, {"the text 9", 0, "9", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearKey(HKEY_CURRENT_USER, kUserKey);
    const std::string out = useMmeOutput();
    ASSERT_FALSE(out.empty()) << "no MME device, or not run through the test harness";
    if (c.rateText)
      storeText("AB SampleRate", c.rateText);
    else
      storeInt("AB SampleRate", c.rate);
    const ChildRun run = runChild("close");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(hasLine(run.log, "shown "));
    EXPECT_EQ(hasLine(run.log, "audio setup"), c.setup);
  }
}

TEST_F(Program, NoteSixtyNineFromTheInterfaceSoundsAt440HzThroughTheDevice) {
  const std::string out = useMmeOutput();
  ASSERT_FALSE(out.empty()) << "no MME device, or not run through the test harness";

  const ChildRun run = runChild("audio");
  for (const std::string& line : run.log) std::printf("program: %s\n", line.c_str());
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_FALSE(hasLine(run.log, "no audio")) << "the device never played";
  ASSERT_TRUE(hasLine(run.log, "note off "));

  const std::vector<float> left = readLeft(out);
  ASSERT_GT(left.size(), 44100u * 2) << out;
  size_t first = 0;
  while (first < left.size() && std::fabs(left[first]) < 1e-4f) ++first;
  ASSERT_LT(first + 44100, left.size()) << "no note in the output";
  // A second of the held note, from a tenth of a second after its start.
  const std::vector<float> held(left.begin() + first + 4410, left.begin() + first + 4410 + 32768);
  EXPECT_NEAR(signalPeakFrequency(held, 44100.0), 440.0, 1.0);
  const double heldRms = signalRms(held);
  EXPECT_GT(heldRms, 0.01);
  // After the release the note decays: the end of the file is far quieter than the held note.
  ASSERT_GT(left.size(), 4410u);
  const std::vector<float> tail(left.end() - 4410, left.end());
  EXPECT_LT(signalRms(tail), heldRms * 0.1);
  EXPECT_TRUE(signalAllNormal(left.data(), left.size()));
}

// The Main page of the running program by posted clicks: Hold on and the key of note 69 sound A at
// 440 Hz; the wheel pulled fully up raises it by the bend range; Hold off ends it.
TEST_F(Program, ClickedKeySoundsAt440HzAndTheWheelRaisesItByTheBendRange) {
  const std::string out = useMmeOutput();
  ASSERT_FALSE(out.empty()) << "no MME device, or not run through the test harness";

  const ChildRun run = runChild("keys");
  for (const std::string& line : run.log) std::printf("program: %s\n", line.c_str());
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_FALSE(hasLine(run.log, "no audio")) << "the device never played";
  std::string wheel, off;
  ASSERT_TRUE(hasLine(run.log, "key clicked "));
  ASSERT_TRUE(hasLine(run.log, "wheel up ", &wheel));
  ASSERT_TRUE(hasLine(run.log, "note off ", &off));
  EXPECT_TRUE(hasLine(run.log, "keyboard shown 1"));
  EXPECT_NE(off.find(" bend 128"), std::string::npos) << "the engine read a full bend: " << off;
  const size_t range = wheel.find("bend range ");
  ASSERT_NE(range, std::string::npos);
  const int bendRange = std::stoi(wheel.substr(range + 11));

  // The note held a second and a half once the engine had it, then the wheel: where the pull landed
  // is read from the sound (the system's silent frames left out), as a loaded machine may handle the
  // posted input late: the first stretch after the held note where A loses half its level.
  const Stereo file = readStereo(out);
  const std::vector<float> left = withoutSilentFrames(file).left;
  size_t first = 0;
  while (first < left.size() && std::fabs(left[first]) < 1e-4f) ++first;
  ASSERT_LT(first + 4410 + 32768, left.size()) << "no note in the output";
  const std::vector<float> held(left.begin() + first + 4410, left.begin() + first + 4410 + 32768);
  EXPECT_GT(signalRms(held), 0.01);
  const double heldA = signalToneAmplitude(held.data(), held.size(), 44100.0, 440.0);
  size_t pulled = first + 4410 + 32768;
  while (pulled + 2048 <= left.size() && signalToneAmplitude(left.data() + pulled, 2048, 44100.0, 440.0) > heldA / 2)
    pulled += 512;
  ASSERT_LT(pulled + 22050 + 32768, left.size()) << "no bend in the output, or too short";
  // Half a second after the pull the bend has glided to its target.
  const std::vector<float> bent(left.begin() + pulled + 22050, left.begin() + pulled + 22050 + 32768);
  const double expected = 440.0 * std::pow(2.0, bendRange / 12.0);
  const double heldHz = signalPeakFrequency(held, 44100.0), bentHz = signalPeakFrequency(bent, 44100.0);
  std::printf("held %.2f Hz, pulled at frame %zu of the note, bent by %d semitones %.2f Hz\n", heldHz, pulled - first,
              bendRange, bentHz);
  EXPECT_NEAR(bentHz, expected, 1.0);
  EXPECT_NEAR(heldHz, 440.0, 1.0);
  EXPECT_GT(signalRms(bent), 0.01);
  // Hold off let the note go: the end of the file is far quieter.
  const std::vector<float> tail(file.left.end() - 4410, file.left.end());
  EXPECT_LT(signalRms(tail), signalRms(held) * 0.1);
  EXPECT_TRUE(signalAllNormal(file.left.data(), file.left.size()));
}

}  // namespace
