// Drawing from the bitmap cache, masks, pictures with their children and frame strips, checked on
// captures of real windows (kept as PNG).
#include <gtest/gtest.h>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

int g_pictureClicks;
void countPictureClick(ControlItem*) { ++g_pictureClicks; }
}  // namespace

TEST(ControlDraw, AMaskedButtonShowsItsPixelsOnlyWhereTheMaskIsDark) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(20);
    openKitWindow(window, 20, 8, 60, 40);
    ASSERT_NE(pictureCreate(20, 1, 0, 0, 0, 0, 0, 2900, nullptr), nullptr);             // red 60 x 40
    ASSERT_NE(buttonPlace(20, 2, 5, 5, 0, 2910, nullptr, 1, 0, 1, nullptr), nullptr);   // rounded mask
    ASSERT_NE(buttonPlace(20, 3, 35, 5, 0, 2950, nullptr, 1, 0, 1, nullptr), nullptr);  // no mask
    winShow(20, 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "controls_masked_button.png", &cap).empty());
    ASSERT_EQ(cap.width, 60);
    EXPECT_EQ(cap.at(15, 15), kBlue) << "centre of the masked button";
    EXPECT_EQ(cap.at(5, 5), kRed) << "rounded-off corner shows the picture below";
    EXPECT_EQ(cap.at(24, 24), kRed);
    EXPECT_EQ(cap.at(5, 15), kBlue) << "middle of the left edge is inside the rounding";
    EXPECT_EQ(cap.at(35, 5), kBlue) << "without a mask the corner is the button's";
    EXPECT_EQ(cap.at(54, 24), kBlue);
    EXPECT_EQ(cap.at(58, 38), kRed);
    winCloseAll();
  });
}

TEST(ControlDraw, AMaskButtonIsHitOnADarkMaskPixelOnly) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(21);
    openKitWindow(window, 21, 8, 60, 40);
    buttonPlace(21, 2, 5, 5, 0, 2910, nullptr, 1, 0, 1, nullptr);
    winShow(21, 1);
    HWND hwnd = window.nativeHandle();
    postPress(hwnd, 6, 6);  // mask pixel (1, 1): light
    EXPECT_EQ(buttonIsPressed(21, 2), 0);
    postRelease(hwnd, 6, 6);
    postPress(hwnd, 15, 15);  // dark
    EXPECT_EQ(buttonIsPressed(21, 2), 1);
    postRelease(hwnd, 15, 15);
    EXPECT_EQ(buttonIsPressed(21, 2), 0);
    winCloseAll();
  });
}

TEST(ControlDraw, TheCacheKeepsABitmapUntilItsLastRelease) {
  KitFixtureScope kit;
  bitmapAcquire(2910);
  bitmapAcquire(2910);
  bitmapRelease(2910);
  EXPECT_NE(bitmapGetHandle(2910), nullptr);
  bitmapRelease(2910);
  EXPECT_EQ(bitmapGetHandle(2910), nullptr);
  bitmapRelease(2910);  // one release too many does nothing
  EXPECT_EQ(bitmapHoldCount(2910), 0);
  for (int32_t bad : {0, 998, 2999, 3000, -1, 100000}) {
    bitmapAcquire(bad);
    EXPECT_EQ(bitmapGetHandle(bad), nullptr) << bad;
  }
  CtrlRect r = {1, 2, 3, 4};
  bitmapGetSize(998, &r);
  EXPECT_EQ(r.right, 0);
}

TEST(ControlDraw, FontFindWithoutADeviceContextGivesNoFont) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(22, 4, 0, nullptr), 1);
  EXPECT_EQ(fontFind(22, 1, 9), -1);
  EXPECT_EQ(fontFind(22, 2, 9), -1);
}

TEST(ControlGroups, ReshowingAPanelRestoresExactlyTheChildrenShownBefore) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(23, 300, 0, nullptr), 1);
  ctrlSetGroupMode(0, 1);
  ASSERT_NE(pictureCreate(23, 1, 0, 0, 100, 100, pictureFill, 0, countPictureClick), nullptr);
  for (uint16_t id = 2; id <= 5; ++id) buttonPlace(23, id, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr);
  ctrlSetGroupMode(0, 0);
  EXPECT_EQ(pictureChildCount(23, 1), 4);
  ctrlShow(23, 3, 0);
  pictureShowChild(23, 1, 5, 0);
  ctrlShow(23, 1, 0);
  for (uint16_t id = 2; id <= 5; ++id) EXPECT_EQ(ctrlIsVisible(23, id), 0) << id;
  ctrlShow(23, 1, 1);
  EXPECT_EQ(ctrlIsVisible(23, 2), 1);
  EXPECT_EQ(ctrlIsVisible(23, 3), 0);
  EXPECT_EQ(ctrlIsVisible(23, 4), 1);
  EXPECT_EQ(ctrlIsVisible(23, 5), 0);
}

TEST(ControlGroups, ThePictureTakesAtMost256Children) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(24, 300, 0, nullptr), 1);
  ASSERT_NE(pictureCreate(24, 1, 0, 0, 10, 10, pictureFill, 0, nullptr), nullptr);
  for (uint16_t id = 2; id <= 258; ++id) {
    winAddRectItem(24, id, 0, 0, 1, 1, nullptr);
    pictureAddChild(24, 1, id);
  }
  EXPECT_EQ(pictureChildCount(24, 1), 256);
  EXPECT_EQ(ctrlFind(24, 258)->parentPicture, 0) << "the 257th child was refused";
  EXPECT_EQ(ctrlFind(24, 257)->parentPicture, 1);
}

TEST(ControlGroups, AFrameStripShowsItsBaseForAMissingFrame) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(25);
    openKitWindow(window, 25, 8, 30, 20);
    ASSERT_NE(framePictureCreate(25, 1, 0, 0, 0, 2960, 4, nullptr), nullptr);
    ASSERT_NE(framePictureCreate(25, 2, 15, 0, 0, 2960, 3, nullptr), nullptr);
    winShow(25, 1);
    framePictureSetFrame(25, 1, 2);  // 2962 is missing
    framePictureSetFrame(25, 2, 1);
    framePictureSetFrame(25, 2, 3);  // equal to the frame count: ignored
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "controls_frame_strip.png", &cap).empty());
    EXPECT_EQ(cap.at(5, 5), 0xFFFF00u) << "the base bitmap stands in for frame 2";
    EXPECT_EQ(cap.at(20, 5), 0x00FFFFu) << "frame 1";
    // The stand-ins hold the base themselves: closing one strip leaves the other drawable.
    EXPECT_EQ(bitmapHoldCount(2960), 4);
    winCloseAll();
    EXPECT_EQ(bitmapHoldCount(2960), 0);
    EXPECT_EQ(bitmapHoldCount(2961), 0);
  });
}

TEST(ControlGroups, BadPictureInputsDoNothing) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(26, 8, 0, nullptr), 1);
  ControlItem* strip = framePictureCreate(26, 1, 0, 0, 0, 2960, 0, nullptr);  // 0 frames
  ASSERT_NE(strip, nullptr);
  framePictureSetFrame(26, 1, 0);
  framePictureSetFrame(26, 1, 1);
  EXPECT_EQ(static_cast<FramePictureData*>(strip->k.kindData)->frameCount, 1);
  ControlItem* none = framePictureCreate(26, 2, 0, 0, 0, 2999, 3, nullptr);  // unknown bitmap
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->k.kindData, nullptr);
  framePictureSetFrame(26, 2, 1);
  ControlItem* pic = pictureCreate(26, 3, 4, 5, 30, 40, 0, 2999, nullptr);  // unknown bitmap
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->rect.right, 30) << "the given rectangle stands";
  pictureSetFillColor(26, 1, 1, 2, 3);  // another kind
  winCloseAll();
}
