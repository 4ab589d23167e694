// The time ruler's spacing rule and the zoom drag's arithmetic, and the row strip's and scrollbar's.
#include <gtest/gtest.h>

#include <cmath>

#include "envelope/envRowMath.h"
#include "envelope/envRulerMath.h"

namespace {

TEST(EnvRulerMath, SpacingRule) {
  struct Row {
    double base, spacing;
  };
  // Zoom 128: a tick a second; 10: four seconds (the most units per tick); 22050: n = 256.
  const Row rows[] = {{128.0, 128.0}, {10.0, 40.0}, {22050.0, 22050.0 / 256.0}, {64.0, 64.0}, {63.0, 126.0},
                      {129.0, 64.5},  {20.0, 80.0}, {1e9, 1e9 / 8192.0}};
  for (const Row& r : rows) EXPECT_NEAR(envRulerTickSpacing(r.base), r.spacing, 1e-9) << r.base;
  EXPECT_EQ(envRulerDecimals(128.0), 2);
  EXPECT_EQ(envRulerDecimals(512.0), 3);
  EXPECT_EQ(envRulerDecimals(1024.0), 4);
  EXPECT_EQ(envRulerDecimals(22050.0), 5);
  // Offset 0: no tick at x = 0, the first at one spacing.
  EXPECT_NEAR(envRulerFirstTick(128.0, 0.0, 128.0), 128.0, 1e-9);
  EXPECT_NEAR(envRulerFirstTick(128.0, 0.25, 128.0), 96.0, 1e-9);
  // Minor ticks: 3 pixels at 128, none at 64.
  EXPECT_NEAR(19 - 1 - envRulerMinorTop(128.0, 19), 3.0, 1e-9);
  EXPECT_GE(envRulerMinorTop(64.0, 19), 19.0);
}

TEST(EnvRulerMath, ZoomDrag) {
  EnvZoomDrag d;
  envZoomDragBegin(&d, 400, 128.0);
  // At the anchor the zoom holds still.
  EXPECT_FALSE(envZoomDragStep(&d, 400));
  EXPECT_EQ(d.working, 128.0);
  // Right zooms in, by a factor that grows with the distance and stops at 1.2.
  ASSERT_TRUE(envZoomDragStep(&d, 500));
  EXPECT_NEAR(d.working, 128.0 * 1.038, 1e-9);
  envZoomDragStep(&d, 10400);
  EXPECT_NEAR(d.factor, 1.2, 1e-12);
  // A drag of 10,000 px held for many ticks stops at 22050 and the anchor follows the mouse.
  for (int i = 0; i < 200; ++i) envZoomDragStep(&d, 10400);
  EXPECT_EQ(d.working, envZoomMax);
  EXPECT_EQ(d.anchorX, 10400.0);
  // ...so a move back left zooms out at once.
  envZoomDragStep(&d, 10300);
  EXPECT_LT(d.working, envZoomMax);
  for (int i = 0; i < 400; ++i) envZoomDragStep(&d, -9600);
  EXPECT_EQ(d.working, envZoomMin);
  // The offset keeps the time under the press point: 2.0 s under x 400 (graphX0 167).
  d.anchorTime = 2.0;
  d.working = 256.0;
  double offset = -1;
  ASSERT_TRUE(envZoomDragOffset(d, 167, &offset));
  EXPECT_NEAR(offset + (400 - 167) / 256.0, 2.0, 1e-12);
  // Within 8 px of the left edge the offset stays.
  envZoomDragBegin(&d, 170, 128.0);
  EXPECT_FALSE(envZoomDragOffset(d, 167, &offset));
}

TEST(EnvRowMath, HeightsAndScroll) {
  EXPECT_EQ(envRowHeightForDrag(128, 200), 328);
  EXPECT_EQ(envRowHeightForDrag(128, -200), 32);
  EXPECT_EQ(envRowHeightForDrag(128, 100000), 512);
  EXPECT_EQ(envRowHeightForDrag(128, -100000), 32);
  EXPECT_EQ(envRowScrollOffset(1.0, 4, 128), 384.0);
  EXPECT_EQ(envRowScrollOffset(-3.0, 4, 128), 0.0);
  EXPECT_EQ(envRowScrollOffset(std::nan(""), 4, 128), 0.0);
  double p = 0, s = 0;
  envRowScrollThumb(1, &p, &s);
  EXPECT_EQ(p, 1.0);
  envRowScrollThumb(4, &p, &s);
  EXPECT_EQ(p, 1.0 / 32.0);
  EXPECT_EQ(s, 8.0);
}

}  // namespace
