// The close requests' state as the requester (MorvaneClose.exe) reads it: a close that leaves has
// saved the settings, and says so also where the main window is gone (a named section of the process
// holding the answer of that moment).
#include <windows.h>
#include <gtest/gtest.h>

#include "app/appCloseRequest.h"
#include "app/closeLeavingMark.h"
#include "app/closeRequest.h"

namespace {

// The answer left in this process's leaving mark (0: none there).
unsigned leftAnswer() { return closeLeavingMarkRead(GetCurrentProcessId()); }

unsigned stateOf(unsigned answer) { return answer & closeStateMask; }

// (Before the leaving case below, which ends the state for good.)
TEST(CloseRequest, AnswersDuringTheStartSaySoAndBeginNoClose) {
  const unsigned asked = appCloseRequestAnswer(nullptr, closeRequestAsk);
  EXPECT_TRUE(asked & closeAnswerKnown);
  EXPECT_TRUE(asked & closeStarting) << asked;
  EXPECT_EQ(stateOf(asked), closeStateIdle) << "no close under way during the start";
  EXPECT_TRUE(appCloseRequestAnswer(nullptr, closeRequestQuery) & closeStarting);
  appCloseStartDone();  // (no main window here: nothing to close)
  const unsigned started = appCloseRequestAnswer(nullptr, closeRequestQuery);
  EXPECT_FALSE(started & closeStarting) << started;
  EXPECT_EQ(stateOf(started), closeStateIdle);
}

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
