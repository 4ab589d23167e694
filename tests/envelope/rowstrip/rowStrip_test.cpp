// The row-height strip with posted mouse input: a drag sets every row's height within 32..512 (also
// when the mouse leaves the window far behind), a double click restores 128 and scrolls to the top.
#include "../envHarness.h"

#include "controls/scrollbar.h"

namespace {

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

int rowHeight(EnvHarness& page, int id) {
  ControlItem* r = page.row(id);
  return r ? r->rect.bottom - r->rect.top : -1;
}

TEST(EnvRowStrip, DragSetsEveryRowsHeightWithinBounds) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    laterClock();
    page.selectPane(kPageWin);
    ControlItem* strip = page.item(envItemRowStrip);
    ASSERT_NE(strip, nullptr);
    const int x = (strip->rect.left + strip->rect.right) / 2, y = page.row(16)->rect.top + 60;
    page.drag(x, y, x, y + 200, 5);
    EXPECT_EQ(page.view()->itemHeight, 328);
    for (int id = 16; id <= 38; ++id) EXPECT_EQ(rowHeight(page, id), 328) << id;
    page.capture("envelope_rows_328.png");
    page.drag(x, y, x, y - 400, 5);
    EXPECT_EQ(page.view()->itemHeight, 32);
    for (int id = 16; id <= 38; ++id) EXPECT_EQ(rowHeight(page, id), 32) << id;
    page.capture("envelope_rows_32.png");
    // Far outside the window, both ways.
    page.drag(x, y, x + 3000, y + 9000, 3);
    EXPECT_EQ(page.view()->itemHeight, 512);
    page.drag(x, y, x - 3000, y - 9000, 3);
    EXPECT_EQ(page.view()->itemHeight, 32);
    // A scroll away from the top, then a double click: 128 and back at the top.
    page.drag(x, y, x, y + 96, 3);
    EXPECT_EQ(page.view()->itemHeight, 128);
    page.drag(x, y, x, y + 200, 3);
    envGraphScrollRows(kPageWin, 0.5f);
    ASSERT_LT(page.row(16)->rect.top, 232);
    page.doubleClick(x, y);
    EXPECT_EQ(page.view()->itemHeight, 128);
    EXPECT_EQ(rowHeight(page, 16), 128);
    EXPECT_EQ(page.row(16)->rect.top, 232);
    EXPECT_EQ(page.row(17)->rect.top, 360);
    page.capture("envelope_rows_default.png");
  });
}

}  // namespace
