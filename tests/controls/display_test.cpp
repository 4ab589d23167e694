// Text displays and level meters on real windows, judged on captures kept as PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/levelMeter.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

// Pixels of the rectangle that differ between two captures.
int differing(const CapturedWindow& a, const CapturedWindow& b, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

}  // namespace

TEST(ControlDisplay, AShorterTextOverAPictureRepaintsThePicturesPixelsUnderTheOldText) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(22);
    openKitWindow(window, 22, 8, 160, 40);
    ctrlSetGroupMode(0, 1);
    pictureCreate(22, 1, 0, 0, 0, 0, 0, 2970, nullptr);  // striped 160 x 40
    const CtrlRgb white = {255, 255, 255};
    displaySetDefaultColors(&white, nullptr);
    ControlItem* d = displayCreate(22, 2, 10, 12, 140, "", 0, 0, 0, nullptr, nullptr);
    ctrlSetGroupMode(0, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->parentPicture, 1);
    EXPECT_GT(d->rect.bottom - d->rect.top, 8) << "the font's height";
    winShow(22, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);
    CapturedWindow bare, longText, shortText;
    ASSERT_TRUE(windowCapture(hwnd, bare));
    displaySetText(22, 2, "WWWWWWWWWWWWWWWW");
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_display_long.png", &longText).empty());
    const CtrlRect& r = d->rect;
    EXPECT_GT(differing(bare, longText, r.left + 40, r.top, r.right, r.bottom), 50) << "the long text shows";
    displaySetText(22, 2, "Short");
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_display_short.png", &shortText).empty());
    EXPECT_GT(differing(bare, shortText, r.left, r.top, r.left + 30, r.bottom), 20) << "the new text shows";
    EXPECT_EQ(differing(bare, shortText, r.left + 45, r.top, r.right, r.bottom), 0)
        << "the picture is back where only the old text was";
    EXPECT_EQ(differing(bare, shortText, 0, 0, 160, r.top), 0) << "nothing drawn above the display";
    // A longer text of other glyphs: dots sit on the base line, so the upper half of the display
    // shows the picture again where "Short" stood.
    CapturedWindow dots;
    displaySetText(22, 2, "..............................");
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_display_longer.png", &dots).empty());
    const int half = r.top + (r.bottom - r.top) / 2;
    EXPECT_EQ(differing(bare, dots, r.left, r.top, r.right, half), 0) << "the old text is gone";
    EXPECT_GT(differing(bare, dots, r.left + 60, half, r.right, r.bottom), 4) << "the dots reach further";
    winCloseAll();
  });
}

TEST(ControlDisplay, FlagOneKeepsItHiddenUntilShownAndBadTextsAreCut) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(23);
    openKitWindow(window, 23, 8, 160, 40);
    pictureCreate(23, 1, 0, 0, 0, 0, 0, 2970, nullptr);
    std::string longText(600, 'Q');
    ControlItem* d = displayCreate(23, 2, 10, 12, 140, longText.c_str(), 0, displayHidden, 0, nullptr, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(displayData(d)->length, 255);
    EXPECT_EQ(displayData(d)->text[255], 0);
    winShow(23, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);
    CapturedWindow hidden, shown;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_display_hidden.png", &hidden).empty());
    EXPECT_EQ(ctrlIsShown(23, 2), 0);
    displaySetText(23, 2, "Now you see it");
    UpdateWindow(hwnd);
    CapturedWindow stillHidden;
    ASSERT_TRUE(windowCapture(hwnd, stillHidden));
    EXPECT_EQ(differing(hidden, stillHidden, 0, 0, 160, 40), 0) << "setting the text does not show it";
    displayRedraw(23, 2, 1);
    UpdateWindow(hwnd);
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_display_shown.png", &shown).empty());
    EXPECT_EQ(ctrlIsShown(23, 2), 1);
    EXPECT_GT(differing(hidden, shown, 10, 12, 150, 30), 20);
    char small[4];
    displayGetText(23, 2, small, sizeof small);
    EXPECT_STREQ(small, "Now");
    displaySetText(23, 2, nullptr);
    EXPECT_EQ(displayData(d)->length, 0);
    // Calls on a missing item, another kind or a bad window do nothing.
    displaySetText(23, 1, "picture");
    displaySetText(40, 2, "no window");
    displayGetText(23, 9, small, sizeof small);
    winCloseAll();
  });
}

TEST(ControlMeter, LevelsRiseAtOnceFallByAFifthAndAPressDropsThem) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(24);
    openKitWindow(window, 24, 8, 60, 50);
    ControlItem* m = LevelMeter::create(24, 1, 10, 5, 1744);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->rect.right - m->rect.left, 4);
    EXPECT_EQ(m->rect.bottom - m->rect.top, 35);
    LevelMeter::setBarCount(24, 1, 6);
    EXPECT_EQ(m->rect.right - m->rect.left, 6 * 4) << "covers exactly six bars";
    for (int bad : {0, -1, 10, 6}) {
      LevelMeter::setBarCount(24, 1, bad);
      EXPECT_EQ(LevelMeter::data(24, 1)->barCount, 6) << bad;
      EXPECT_EQ(m->rect.right - m->rect.left, 24) << bad;
    }
    winShow(24, 1);
    HWND hwnd = window.nativeHandle();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float rise[9] = {1.0f, 0.5f, 0.0f, nan, -1.0f, 5.0f, 1.0f, 1.0f, 1.0f};
    LevelMeter::setLevels(24, 1, rise, 9, 1);
    LevelMeterData* d = LevelMeter::data(24, 1);
    EXPECT_FLOAT_EQ(d->levels[0], 1.0f) << "a rise shows at once";
    EXPECT_FLOAT_EQ(d->levels[1], 0.5f);
    EXPECT_FLOAT_EQ(d->levels[3], 0.0f) << "NaN counts as 0";
    EXPECT_FLOAT_EQ(d->levels[4], 0.0f);
    EXPECT_FLOAT_EQ(d->levels[5], 1.0f) << "clamped to 1";
    EXPECT_FLOAT_EQ(d->levels[6], 0.0f) << "only the six bars shown are fed";
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_meter_levels.png", &cap).empty());
    const int bottom = 5 + 35;
    EXPECT_NE(cap.at(11, bottom - 30), cap.at(15, bottom - 30)) << "bar 1 lit where bar 2 is not";
    EXPECT_EQ(cap.at(11, bottom - 4), cap.at(15, bottom - 4)) << "both lit near the bottom";
    EXPECT_EQ(cap.at(19, bottom - 4), cap.at(19, bottom - 20)) << "bar 3 unlit";
    EXPECT_EQ(cap.at(23, bottom - 4), cap.at(19, bottom - 4)) << "NaN bar drawn as 0";
    EXPECT_EQ(cap.at(31, 6), cap.at(11, 6)) << "the clamped bar shows full like bar 1";
    const float zero[6] = {0, 0, 0, 0, 0, 0};
    const float expected[] = {0.8f, 0.64f, 0.512f, 0.4096f};
    for (float e : expected) {
      LevelMeter::setLevels(24, 1, zero, 6, 1);
      EXPECT_NEAR(d->levels[0], e, 1e-6);
    }
    LevelMeter::setLevels(24, 1, rise, 6, 1);
    postClick(hwnd, 12, 20);
    for (float v : d->levels) EXPECT_EQ(v, 0.0f);
    CapturedWindow dropped;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_meter_pressed.png", &dropped).empty());
    for (int bar = 0; bar < 6; ++bar) EXPECT_EQ(dropped.at(11 + 4 * bar, bottom - 4), cap.at(19, bottom - 4)) << bar;
    LevelMeter::setLevels(24, 1, nullptr, 6, 1);
    LevelMeter::reset(24, 1, 1);
    winCloseAll();
  });
}
