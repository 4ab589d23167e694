// The control kit's user count: the first user initialises the kit, the last one out (or a forced
// release) closes every window slot.
#include <gtest/gtest.h>

#include "controls/ctrlKit.h"
#include "controls/winSlots.h"

namespace {

TEST(KitUse, AcquiredTwiceInitialisesOnceAndAForcedReleaseClosesEverySlot) {
  ASSERT_EQ(ctrlKitUserCount(), 0);
  ctrlKitAcquire();
  ASSERT_EQ(winOpen(5, 4, 4, nullptr), 1);
  ASSERT_EQ(winOpen(9, 4, 4, nullptr), 1);
  ctrlKitAcquire();  // a second initialisation would have emptied the window table
  EXPECT_EQ(ctrlKitUserCount(), 2);
  EXPECT_NE(winSlot(5), nullptr);
  ctrlKitRelease(false);
  EXPECT_EQ(ctrlKitUserCount(), 1);
  EXPECT_NE(winSlot(5), nullptr);
  ctrlKitAcquire();
  ctrlKitRelease(true);
  EXPECT_EQ(ctrlKitUserCount(), 0);
  EXPECT_EQ(winSlot(5), nullptr);
  EXPECT_EQ(winSlot(9), nullptr);
  ctrlKitRelease(false);  // nothing to release: stays at 0
  ctrlKitRelease(true);
  EXPECT_EQ(ctrlKitUserCount(), 0);
}

}  // namespace
