// Closes asked for while the program starts, in child processes: the real program (morvane_appchild
// with its scenarios) asked to close during its start or just before a dialog takes window 1, and the
// real Morvane.exe closed by the real MorvaneClose.exe, run.sh's requester, during its start.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/closeRequest.h"
#include "appRegistry.h"
#include "programRun.h"
#include "support/tempDir.h"

namespace {

// The program and run.sh's close requester, next to the test (tests/app) in the build's source/app.
std::string morvanePath() { return selfFolder() + "..\\..\\source\\app\\Morvane.exe"; }
std::string closerPath() { return selfFolder() + "..\\..\\source\\app\\MorvaneClose.exe"; }

// Every case starts with an empty settings store.
class CloseDuringStart : public ::testing::Test {
 protected:
  void SetUp() override { clearStore(); }
  void TearDown() override { clearStore(); }
  static void clearStore() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey);
  }
};

// The number a child noted in hexadecimal after `prefix` (~0 when it noted none).
unsigned notedHex(const std::vector<std::string>& log, const std::string& prefix) {
  std::string rest;
  return hasLine(log, prefix, &rest) ? static_cast<unsigned>(std::stoul(rest, nullptr, 16)) : ~0u;
}

// A close asked for while the program starts (window 1 made, taking input, before the start-up splash
// takes it: where run.sh's Ctrl+C may land) begins nothing until the start is done; the requester then
// asks again and it closes as the close box does. One asked for just before a dialog takes window 1
// leaves no close under way, so the requester asks again once the dialog has gone. Either way the quit
// query runs (it writes the switches) and the program ends by itself.
TEST_F(CloseDuringStart, ACloseAskedDuringTheStartOrJustBeforeADialogStillCloses) {
  for (const char* scenario : {"close-starting", "close-dialog"}) {
    SCOPED_TRACE(scenario);
    clearStore();
    const ChildRun run = runChild(scenario);
    for (const std::string& line : run.log) std::printf("program: %s\n", line.c_str());
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    std::string left;
    EXPECT_FALSE(hasLine(run.log, "no close", &left)) << "the close never came:" << left;
    DWORD value = 99;
    EXPECT_TRUE(storedInt("enablePgm", &value)) << "no quit query ran";
    EXPECT_TRUE(hasLine(run.log, "kit users 0"));
    if (std::string(scenario) == "close-starting") {
      // Answered as a start's: no close under way yet.
      const unsigned answer = notedHex(run.log, "answer during start ");
      EXPECT_EQ(answer & (closeAnswerKnown | closeStarting), unsigned{closeAnswerKnown | closeStarting}) << answer;
      EXPECT_EQ(answer & closeStateMask, unsigned{closeStateIdle}) << answer;
    } else {
      const unsigned answer = notedHex(run.log, "dialog ended, answer ");
      EXPECT_EQ(answer & closeStateMask, unsigned{closeStateIdle}) << "the requester must ask again: " << answer;
      EXPECT_EQ(answer & closeStarting, 0u) << answer;
    }
  }
}

// run.sh's Ctrl+C right after Morvane was launched: MorvaneClose finds it starting (an empty store
// holds its start in the Audio Setup dialog), says so once, closes the start's dialogs (Audio Setup,
// the splash) as their close boxes do without telling them as questions, and Morvane closes as its
// close box does once its start is done.
TEST_F(CloseDuringStart, MorvaneCloseDuringTheStartSaysSoOnceAndClosesOnceTheStartIsDone) {
  std::string commandLine = "\"" + morvanePath() + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(
      CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  const ChildRun closer = runProcess("\"" + closerPath() + "\"", testTempPath("closer-starting.log"), 50000);
  const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  if (!ended) TerminateProcess(process.hProcess, 98);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (const std::string& line : closer.output) std::printf("MorvaneClose: %s\n", line.c_str());
  ASSERT_TRUE(closer.ended);
  EXPECT_EQ(closer.exitCode, 0u) << "0: Morvane has ended";
  EXPECT_EQ(closer.output, std::vector<std::string>{"Morvane is still starting: it closes as its close box does "
                                                    "once its start is done."});
  ASSERT_TRUE(ended);
  EXPECT_EQ(exitCode, 0u);
  DWORD value = 99;
  EXPECT_TRUE(storedInt("enablePgm", &value)) << "no quit query ran";
}

}  // namespace
