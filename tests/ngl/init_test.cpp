// Library start-up: the version words and the fatal error of a second start.
#include <gtest/gtest.h>

#include "NGLInit.h"
#include "gpChild.h"

CHILD_SCENARIO(nglSecondInit) {
  // The test program has started the library already.
  nglInit(NGL_VERSION, NGL_BUILD);
}

CHILD_SCENARIO(nglWrongBuild) {
  nglExit();
  nglInit(NGL_VERSION, 0x60032);
}

TEST(NglInit, SecondStartIsFatal) {
  const ChildResult result = runChild("nglSecondInit");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Error ngl/src/Init_NGL:57");
}

TEST(NglInit, WrongBuildIsFatal) {
  const ChildResult result = runChild("nglWrongBuild");
  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Error ngl/src/Init_NGL:115");
}

TEST(NglInit, Version) { EXPECT_EQ(nglVersion(), 0x3000004u); }
