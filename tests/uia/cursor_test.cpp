// The framework's twelve system cursors.
#include "UIACursors.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(Cursors, TheTwelveSystemCursorsInOrder) {
  const int ids[kCursorCount] = {32512, 32515, 32649, 32513, 32648, 32646, 32643, 32645, 32642, 32644, 32516, 32514};
  EXPECT_EQ(uiaCursor(kCursorArrow), nullptr);  // nothing before loading
  ASSERT_TRUE(uiaLoadCursors());
  for (int i = 0; i < kCursorCount; ++i) {
    EXPECT_EQ(uiaCursorSystemId(i), ids[i]) << i;
    ASSERT_NE(uiaCursor(i), nullptr) << i;
    EXPECT_EQ(uiaCursor(i), LoadCursorA(nullptr, MAKEINTRESOURCEA(ids[i]))) << i;
  }
  EXPECT_EQ(uiaCursor(kCursorArrow), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(uiaCursor(kCursorHand), LoadCursorA(nullptr, IDC_HAND));
  EXPECT_EQ(uiaCursor(kCursorNotAllowed), LoadCursorA(nullptr, IDC_NO));
  EXPECT_EQ(uiaCursor(kCursorWait), LoadCursorA(nullptr, IDC_WAIT));
  EXPECT_EQ(uiaCursor(-1), nullptr);
  EXPECT_EQ(uiaCursor(kCursorCount), nullptr);

  uiaFreeCursors();
  for (int i = 0; i < kCursorCount; ++i) EXPECT_EQ(uiaCursor(i), nullptr) << i;
  // The shared system cursors are still there for everybody else.
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  ASSERT_TRUE(uiaLoadCursors());
  uiaFreeCursors();
}
