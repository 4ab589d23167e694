// The module, the application object and the run sequence: the test application run as a real
// program, the process-wide module and entry in child processes, attaching and detaching in process.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "GPBinaryStream.h"
#include "GPInit.h"
#include "gpChild.h"
#include "support/tempDir.h"
#include "uiaTestSupport.h"

namespace {

struct AppRun {
  bool started = false;
  DWORD exitCode = 999;
  std::vector<std::string> lines;
  size_t count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }
  bool has(const std::string& line) const { return count(line) > 0; }
  // Position of a line, or -1.
  int at(const std::string& line) const {
    auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : int(found - lines.begin());
  }
};

// Starts the test application with a scenario and waits for it.
AppRun runTestApp(const std::string& scenario) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string exe(self);
  exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "uia_testapp.exe";
  const std::string log = testTempPath("testapp-" + scenario + ".log");
  std::string commandLine = "\"" + exe + "\" --scenario=" + scenario + " --log=\"" + log + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  AppRun run;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return run;
  run.started = true;
  if (WaitForSingleObject(process.hProcess, 20000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 98);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::ifstream in(log);
  for (std::string text; std::getline(in, text);) run.lines.push_back(text);
  return run;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  return all;
}

}  // namespace

TEST(UiaRunSequence, RefusedCloseKeepsTheLoopAllowedCloseEndsItAndExitRunsOnce) {
  const AppRun run = runTestApp("close");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u);
  const std::string all = joined(run.lines);
  // The first close is refused through 10002: the window stays and the loop goes on to the next tick.
  EXPECT_GE(run.at("close 1"), 0) << all;
  EXPECT_LT(run.at("close 1"), run.at("may quit 0")) << all;
  EXPECT_LT(run.at("may quit 0"), run.at("window alive 1")) << all;
  EXPECT_LT(run.at("window alive 1"), run.at("close 2")) << all;
  // The second is allowed: the window goes, the loop ends and the exits run once with init's true.
  EXPECT_LT(run.at("close 2"), run.at("may quit 1")) << all;
  EXPECT_LT(run.at("may quit 1"), run.at("window destroyed")) << all;
  EXPECT_LT(run.at("window destroyed"), run.at("module exit 1")) << all;
  EXPECT_EQ(run.count("app exit 1"), 1u) << all;
  EXPECT_EQ(run.count("app exit 0"), 0u) << all;
  EXPECT_EQ(run.count("module exit 1"), 1u) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

TEST(UiaRunSequence, WindowClassIsNamedAfterTheInstance) {
  const AppRun run = runTestApp("close");
  std::string instanceLine, classLine;
  for (const auto& l : run.lines) {
    if (l.rfind("instance ", 0) == 0) instanceLine = l.substr(9);
    if (l.rfind("class ", 0) == 0) classLine = l.substr(6);
  }
  ASSERT_FALSE(instanceLine.empty()) << joined(run.lines);
  const unsigned long long instance = std::stoull(instanceLine, nullptr, 16);
  char expected[64];
  std::snprintf(expected, sizeof expected, "VLNormalWindow%08X", static_cast<unsigned>(instance & 0xFFFFFFFFu));
  EXPECT_EQ(classLine, expected);
  EXPECT_EQ(classLine.size(), std::string("VLNormalWindow").size() + 8);
}

TEST(UiaRunSequence, ExitCommandAsksTheApplicationAndQuitsWhenAllowed) {
  const AppRun run = runTestApp("quitcmd");
  const std::string all = joined(run.lines);
  EXPECT_LT(run.at("may quit 0"), run.at("may quit 1")) << all;
  EXPECT_LT(run.at("may quit 1"), run.at("window destroyed")) << all;
  EXPECT_EQ(run.count("app exit 1"), 1u) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

TEST(UiaRunSequence, AllocationFailureInExitIsReported) {
  const AppRun run = runTestApp("nomemexit");
  const std::string all = joined(run.lines);
  EXPECT_LT(run.at("module exit 1"), run.at("box Out of memory:|Cannot shut down application!|")) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
  EXPECT_EQ(run.exitCode, 0u);
}

TEST(UiaRunSequence, TheTestApplicationPaintsItsMainWindow) {
  const AppRun run = runTestApp("paint");
  const std::string all = joined(run.lines);
  EXPECT_TRUE(run.has("capture saved")) << all;
  // The four colour bands of its picture (0xFF2060A0, 0xFFE0C040, 0xFF40A060, 0xFFC04040).
  for (const char* pixel : {"pixel 2060A0", "pixel E0C040", "pixel 40A060", "pixel C04040"})
    EXPECT_TRUE(run.has(pixel)) << pixel << "\n" << all;
  EXPECT_EQ(run.count("app exit 1"), 1u) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

TEST(UiaRunSequence, FailedInitRunsNoLoopAndExitGetsFalseOnce) {
  const AppRun run = runTestApp("initfalse");
  const std::string all = joined(run.lines);
  EXPECT_TRUE(run.has("app init")) << all;
  EXPECT_FALSE(run.has("class VLNormalWindow")) << all;
  // The application's exit runs at once with false, and not again when the module detaches it.
  EXPECT_EQ(run.count("app exit 0"), 1u) << all;
  EXPECT_EQ(run.count("app exit 1"), 0u) << all;
  EXPECT_LT(run.at("app exit 0"), run.at("module exit 0")) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

TEST(UiaRunSequence, AllocationFailureInInitIsReportedAndExitStillRuns) {
  const AppRun run = runTestApp("nomem");
  const std::string all = joined(run.lines);
  EXPECT_TRUE(run.has("box Out of memory:|Cannot initialize application!|")) << all;
  // The start's failure is told first (the box may wait for an answer nobody gives).
  EXPECT_GE(run.at("start failure it ran out of memory"), 0) << all;
  EXPECT_LT(run.at("start failure it ran out of memory"), run.at("box Out of memory:|Cannot initialize application!|"))
      << all;
  EXPECT_FALSE(run.has("app init")) << all;
  EXPECT_LT(run.at("box Out of memory:|Cannot initialize application!|"), run.at("module exit 0")) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

TEST(UiaRunSequence, AnApplicationThatCannotBeAttachedIsToldAsAStartFailure) {
  const AppRun run = runTestApp("attachnull");
  const std::string all = joined(run.lines);
  EXPECT_EQ(run.count("start failure its application could not be made"), 1u) << all;
  EXPECT_TRUE(run.has("module exit 0")) << all;
  EXPECT_EQ(run.lines.back(), "end") << all;
}

// ---- the process-wide module and the entry, in fresh processes ----

CHILD_SCENARIO(uiaNoModule) {
  childNote(std::string("module ") + (uiaModule() ? "set" : "null"));
  childNote(std::string("entry0 ") + (VLUIAEntry(0, 0) ? "set" : "null"));
  // The entry is the program's export, found by name.
  typedef UiaModule* (*Entry)(uint32_t, int32_t);
  Entry exported =
      reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "VLUIAEntry")));
  childNote(std::string("exported ") + (exported == &VLUIAEntry ? "1" : "0"));
  childNote(std::string("application ") + (uiaApplication() ? "set" : "null"));
  uiaRun();  // shows nothing, runs nothing
  childNote("run returned");
}

namespace {
class IdleModule : public UiaModule {
 public:
  bool init() override { return false; }
  void exit(bool) override {}
};
}  // namespace

CHILD_SCENARIO(uiaTwoModules) {
  IdleModule first;
  IdleModule second;
  childNote(std::string("module first ") + (uiaModule() == &first ? "1" : "0"));
  childNote(std::string("entry0 ") + (VLUIAEntry(0, 0) == &first ? "first" : "other"));
  childNote(std::string("entry-5 ") + (VLUIAEntry(7, -5) == &first ? "first" : "other"));
  childNote(std::string("entry1 ") + (VLUIAEntry(0, 1) ? "set" : "null"));
  childNote(std::string("application ") + (uiaApplication() ? "set" : "null"));
}

TEST(UiaModuleEntry, WithoutAModuleNothingRunsAndTheEntryAnswersNull) {
  const ChildResult r = runChild("uiaNoModule");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(r.notes, (std::vector<std::string>{"module null", "entry0 null", "exported 1", "application null",
                                               "run returned", "returned"}));
}

TEST(UiaModuleEntry, TheFirstModuleIsTheProcessModuleAndTheEntryAnswersItForIdsUpToZero) {
  const ChildResult r = runChild("uiaTwoModules");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.notes, (std::vector<std::string>{"module first 1", "entry0 first", "entry-5 first", "entry1 null",
                                               "application null", "returned"}));
}

// ---- the version handshake ----

CHILD_SCENARIO(uiaInitGood) {
  gpInit(GP_VERSION, GP_BUILD);
  childNote(std::string("init ") + (uiaInit(UIA_VERSION, UIA_BUILD) ? "1" : "0"));
  WNDCLASSA frameless;
  childNote(
      std::string("class ") +
      (GetClassInfoA(GetModuleHandleA(nullptr), uiaWindowClassName(UIA_CLASS_FRAMELESS), &frameless) ? "1" : "0"));
  uiaExit();
  WNDCLASSA info;
  childNote(std::string("after exit ") +
            (GetClassInfoA(GetModuleHandleA(nullptr), uiaWindowClassName(UIA_CLASS_NORMAL), &info) ? "1" : "0"));
}
CHILD_SCENARIO(uiaInitBuildLow50) {
  gpInit(GP_VERSION, GP_BUILD);
  uiaInit(UIA_VERSION, 0x60032);
}
CHILD_SCENARIO(uiaInitBuildHigh7) {
  gpInit(GP_VERSION, GP_BUILD);
  uiaInit(UIA_VERSION, 0x70031);
}
CHILD_SCENARIO(uiaInitWrongVersion) {
  gpInit(GP_VERSION, GP_BUILD);
  uiaInit(0x2010004, UIA_BUILD);
}

TEST(UiaInit, TheRightWordsStartTheLibraryAndExitUnregistersTheClasses) {
  const ChildResult r = runChild("uiaInitGood");
  EXPECT_EQ(r.notes, (std::vector<std::string>{"init 1", "class 1", "after exit 0", "returned"}));
  EXPECT_TRUE(r.boxes.empty());
}

TEST(UiaInit, AWrongVersionOrBuildHalfIsFatalNamingTheSource) {
  for (const char* scenario : {"uiaInitBuildLow50", "uiaInitBuildHigh7", "uiaInitWrongVersion"}) {
    SCOPED_TRACE(scenario);
    const ChildResult r = runChild(scenario);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 1u);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text.rfind("Error uia/src/Init_UIA.cpp:", 0), 0u) << r.boxes[0].text;
    EXPECT_TRUE(std::find(r.notes.begin(), r.notes.end(), "returned") == r.notes.end());
  }
}

// ---- attaching and detaching ----

namespace {

class CountingApplication : public UiaApplication {
 public:
  explicit CountingApplication(bool initAnswer) : initAnswer_(initAnswer) {}
  bool init() override {
    ++inits;
    return initAnswer_;
  }
  void exit(bool initResult) override {
    exits.push_back(initResult);
    UiaApplication::exit(initResult);
  }
  int inits = 0;
  std::vector<bool> exits;

 private:
  bool initAnswer_;
};

class PlainModule : public UiaModule {
 public:
  bool init() override { return true; }
  void exit(bool) override {}
};

}  // namespace

TEST(UiaModuleAttach, ASecondApplicationIsRefusedAndDetachRunsExitOnce) {
  startLibraries();
  PlainModule module;
  CountingApplication first(true), second(true);
  EXPECT_TRUE(module.attachApplication(&first));
  EXPECT_EQ(first.module(), &module);
  EXPECT_FALSE(module.attachApplication(&second));
  EXPECT_EQ(second.inits, 0);
  EXPECT_EQ(module.detachApplication(), &first);
  EXPECT_EQ(first.module(), nullptr);
  EXPECT_EQ(first.exits.size(), 1u);
  EXPECT_EQ(module.detachApplication(), nullptr);
  EXPECT_EQ(first.exits.size(), 1u);
}

TEST(UiaModuleAttach, AFailedInitGetsExitAtOnceAndNotAgainOnDetach) {
  startLibraries();
  PlainModule module;
  CountingApplication application(false);
  EXPECT_FALSE(module.attachApplication(&application));
  ASSERT_EQ(application.exits, std::vector<bool>{false});
  // It stays attached until the module's exit detaches it.
  EXPECT_EQ(module.attachedApplication(), &application);
  EXPECT_EQ(module.detachApplication(), &application);
  EXPECT_EQ(application.exits, std::vector<bool>{false});
}

TEST(UiaApplicationObject, NameIsNeverNullAndTickIsForty) {
  UiaApplication application;
  EXPECT_STREQ(application.name(), "");
  application.setName("Synth");
  EXPECT_STREQ(application.name(), "Synth");
  application.setName(nullptr);
  ASSERT_NE(application.name(), nullptr);
  EXPECT_STREQ(application.name(), "");
  EXPECT_EQ(application.tick(), 40);
  application.setTick(0);
  EXPECT_EQ(application.tick(), 40);
}

TEST(UiaApplicationObject, ApplicationIsOnlyThereWhileTheModuleRuns) {
  startLibraries();
  EXPECT_EQ(uiaApplication(), nullptr);
  UiaApplication* seen = nullptr;
  runInApplication([&](RecordingApplication& application) { seen = uiaApplication(); });
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(uiaApplication(), nullptr);
}

TEST(UiaModuleServices, ResourcesOfTheExecutableAndDocumentsWithoutText) {
  startLibraries();
  UiaModule* module = uiaModule();
  ASSERT_NE(module, nullptr);
  // testResources.rc: resource 7 of the type "UIATEST" holds "ABCD".
  for (uint32_t order : {1u, 0u}) {
    ResourceReader* reader = module->uiaLoadResource(7, "UIATEST", order);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->byteOrder(), int(order));
    char start[5] = {};
    EXPECT_EQ(reader->readBytes(start, 4), 4);
    EXPECT_STREQ(start, "ABCD");
    delete reader;
  }
  EXPECT_EQ(module->uiaLoadResource(7, "OTHER", 1), nullptr);
  EXPECT_EQ(module->uiaLoadResource(4711, "FRM", 1), nullptr);
  EXPECT_FALSE(module->uiaOpenDocument(nullptr));
  EXPECT_FALSE(module->uiaOpenDocument(""));
}
