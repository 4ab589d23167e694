// The close requests' state as the requester (MorvaneClose.exe) reads it: a close that leaves has
// saved the settings, and says so also where the main window is gone (a named section of the process
// holding the answer of that moment).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/appCloseRequest.h"
#include "app/closeRequest.h"

namespace {

// The answer left in the section (0: none there).
unsigned leftAnswer() {
  char name[64];
  std::snprintf(name, sizeof name, closeLeavingFormat, static_cast<unsigned long>(GetCurrentProcessId()));
  HANDLE mark = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
  if (!mark) return 0;
  unsigned answer = ~0u;
  if (const auto* left = static_cast<const unsigned*>(MapViewOfFile(mark, FILE_MAP_READ, 0, 0, sizeof(unsigned)))) {
    answer = *left;
    UnmapViewOfFile(left);
  }
  CloseHandle(mark);
  return answer;
}

unsigned stateOf(unsigned answer) { return answer & closeStateMask; }

TEST(CloseRequest, ALeavingCloseIsMarkedForTheRequesterOnlyOnceItLeaves) {
  const unsigned idle = appCloseRequestAnswer(nullptr, closeRequestQuery);
  EXPECT_TRUE(idle & closeAnswerKnown);
  EXPECT_EQ(stateOf(idle), closeStateIdle);
  appCloseQueryEnded(false);  // a quit query refused (Cancel): no mark
  EXPECT_EQ(leftAnswer(), 0u);
  appCloseQueryEnded(true);  // the settings saved, the program leaves
  EXPECT_EQ(stateOf(appCloseRequestAnswer(nullptr, closeRequestQuery)), closeStateLeaving);
  const unsigned left = leftAnswer();
  EXPECT_TRUE(left & closeAnswerKnown) << left;
  EXPECT_EQ(stateOf(left), closeStateLeaving);
  EXPECT_EQ(left & (closeLosesBank | closeLosesNewBank | closeLosesEdits), 0u);  // (no program: nothing to lose)
}

}  // namespace
