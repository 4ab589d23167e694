// The time ruler on the page with posted mouse input: its ticks at three zooms (from captures), a
// zoom drag that keeps the time under the press point while the idle tick keeps zooming, a double
// click back to zoom 128 at time 0, a drag 10,000 pixels each way; and the redraw rate of a zoom drag
// over 23 rows on a page 1,536 pixels wide.
#include "../envHarness.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "envelope/envRuler.h"
#include "envelope/envRulerMath.h"
#include "preset/presetHeader.h"
#include "support/threadTime.h"

namespace {

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

bool whiteish(std::uint32_t c) { return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) > 200; }

TEST(EnvRulerWindow, TicksFollowTheSpacingRuleAtThreeZooms) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    laterClock();
    page.selectPane(kPageWin);
    ControlItem* ruler = page.item(envItemRuler);
    ASSERT_NE(ruler, nullptr);
    EXPECT_EQ(ruler->rect.right, page.row(16)->rect.right + 5) << "the ruler ends 17 px before the page's edge";
    for (double zoom : {128.0, 10.0, 22050.0}) {
      SCOPED_TRACE(zoom);
      envViewSetTimeOffset(kPageWin, 0.0);
      envViewSetZoom(kPageWin, zoom);
      CapturedWindow shot = page.capture("envelope_ruler_zoom_" + std::to_string(static_cast<int>(zoom)) + ".png");
      page.selectPane(kPageWin);
      const CtrlRect r = page.item(envItemRuler)->rect;
      const double s = envRulerTickSpacing(zoom);
      const int y = r.bottom - 2;  // every major tick crosses this line
      int ticks = 0;
      for (double x = s; x < r.right - r.left - 1; x += s) {
        const int px = r.left + static_cast<int>(x);
        EXPECT_TRUE(whiteish(shot.at(px, y))) << "tick at " << px;
        // Something of the label above it, where a whole label fits (labels are at most 48 px wide).
        int label = 0;
        for (int yy = r.top + 2; yy < r.bottom - 6; ++yy)
          for (int xx = px - 12; xx <= px + 12; ++xx) label += whiteish(shot.at(xx, yy)) ? 1 : 0;
        if (x + 24 <= r.right - r.left) {
          EXPECT_GT(label, 5) << "label at " << px;
        }
        ++ticks;
      }
      // No label is cut at the ruler's ends: its last and first columns hold no text.
      int cut = 0;
      for (int yy = r.top + 2; yy < r.bottom - 6; ++yy)
        for (int xx : {r.left, r.left + 1, r.right - 2, r.right - 1}) cut += whiteish(shot.at(xx, yy)) ? 1 : 0;
      EXPECT_EQ(cut, 0);
      EXPECT_GE(ticks, 3);
      EXPECT_FALSE(whiteish(shot.at(r.left, y))) << "no tick at x = 0";
      // Between two major ticks nothing reaches the major ticks' height except a minor tick.
      int tall = 0;
      for (int x = r.left + 3; x < r.left + static_cast<int>(s) - 3; ++x)
        tall += whiteish(shot.at(x, r.bottom - 5)) ? 1 : 0;
      EXPECT_LE(tall, 1);
    }
  });
}

TEST(EnvRulerWindow, GridOnCountsBeats) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;  // the default header: 88200 samples holding 4 beats, one beat 0.5 s
    laterClock();
    page.selectPane(kPageWin);
    ControlItem* grid = page.item(envItemGrid);
    page.click((grid->rect.left + grid->rect.right) / 2, (grid->rect.top + grid->rect.bottom) / 2);
    ASSERT_EQ(page.view()->gridOn, 1);
    page.selectPane(kPageWin);
    EXPECT_TRUE(page.shown(envItemGridStep));
    CapturedWindow shot = page.capture("envelope_ruler_beats.png");
    page.selectPane(kPageWin);
    const CtrlRect r = page.item(envItemRuler)->rect;
    for (int k = 1; k * 64 < r.right - r.left - 1; ++k)
      EXPECT_TRUE(whiteish(shot.at(r.left + 64 * k, r.bottom - 2))) << "beat " << k;
    // The minor ticks halfway between.
    EXPECT_TRUE(whiteish(shot.at(r.left + 96, r.bottom - 2)));
    // A header of 0 beats: the seconds stand in, nothing breaks.
    engineGetPatchHeader(page.engine())->beats = 0.0f;
    envRulerRedraw(kPageWin);
    shot = page.capture("envelope_ruler_no_beats.png");
    EXPECT_TRUE(whiteish(shot.at(r.left + 128, r.bottom - 2)));
  });
}

TEST(EnvRulerWindow, ZoomDragKeepsThePressTimeAndIdleTicksKeepZooming) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    laterClock();
    EnvelopeView* v = page.view();
    envViewSetTimeOffset(kPageWin, 0.5);
    page.selectPane(kPageWin);
    const CtrlRect r = page.item(envItemRuler)->rect;
    const int x0 = 420, y0 = (r.top + r.bottom) / 2;
    const double t0 = envGraphXToSeconds(kPageWin, v->graphX0, x0);
    g_testTick += 1000;
    postPress(page.hwnd(), x0, y0);
    drainMessages();
    postMove(page.hwnd(), x0 + 150, y0, true);
    drainMessages();
    EXPECT_EQ(v->dragging, 1);
    const double afterMove = v->pixelsPerSecond;
    EXPECT_GT(afterMove, 128.0);
    for (int i = 0; i < 5; ++i) envPageIdleUpdate(kPageWin);  // held still: still zooming
    EXPECT_GT(v->pixelsPerSecond, afterMove * 1.2);
    EXPECT_NEAR(envGraphXToSeconds(kPageWin, v->graphX0, x0), t0, 2.0 / v->pixelsPerSecond);
    CapturedWindow shot = page.capture("envelope_ruler_zoomed.png");
    postRelease(page.hwnd(), x0 + 150, y0);
    drainMessages();
    EXPECT_EQ(v->dragging, 0);
    const double held = v->pixelsPerSecond;
    envPageIdleUpdate(kPageWin);
    EXPECT_EQ(v->pixelsPerSecond, held) << "released: the idle tick leaves the zoom";
    // A double click: zoom 128 at time 0.
    page.doubleClick(x0, y0);
    EXPECT_EQ(v->pixelsPerSecond, 128.0);
    EXPECT_EQ(v->timeOffset, 0.0);
    EXPECT_EQ(v->dragging, 0);
    // Dragged 10,000 px right and held: the zoom stops at 22050; then 10,000 px left: at 10.
    g_testTick += 1000;
    postPress(page.hwnd(), x0, y0);
    drainMessages();
    postMove(page.hwnd(), x0 + 10000, y0, true);
    drainMessages();
    for (int i = 0; i < 80; ++i) envPageIdleUpdate(kPageWin);
    EXPECT_EQ(v->pixelsPerSecond, envZoomMax);
    postMove(page.hwnd(), x0 - 10000, y0, true);
    drainMessages();
    for (int i = 0; i < 120; ++i) envPageIdleUpdate(kPageWin);
    EXPECT_EQ(v->pixelsPerSecond, envZoomMin);
    EXPECT_GE(v->timeOffset, 0.0);
    EXPECT_TRUE(std::isfinite(v->timeOffset));
    postRelease(page.hwnd(), x0 - 10000, y0);
    drainMessages();
    EXPECT_EQ(v->dragging, 0);
  });
}

TEST(EnvRulerWindow, ZoomDragRedrawRateOnAWidePageWith23Rows) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      for (int k = 0; k < 20; ++k) envCreate(e, static_cast<int16_t>(k % 3), envDestOscPitch);
    });
    laterClock();
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    envPageSetWidth(kPageWin, 1536);
    envPageSetHeight(kPageWin, 1024);
    winSetSize(kPageWin, 1536, 1024);
    drainMessages();
    envPageLayout(kPageWin);
    envPageRefresh(kPageWin);
    drainMessages();
    int rows = 0;
    for (int id = 16; id <= 38; ++id) rows += page.record(id) && page.record(id)->slotIndex >= 0 ? 1 : 0;
    EXPECT_EQ(rows, 23);
    envViewSetZoom(kPageWin, 10.0);
    page.selectPane(kPageWin);
    const CtrlRect r = page.item(envItemRuler)->rect;
    const int x0 = 400, y0 = (r.top + r.bottom) / 2;
    g_testTick += 1000;
    postPress(page.hwnd(), x0, y0);
    drainMessages();
    postMove(page.hwnd(), x0 + 600, y0, true);  // factor 1.2 per tick
    drainMessages();
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    int applied = 0;
    double last = page.view()->pixelsPerSecond;
    for (int i = 0; i < 30; ++i) {
      envPageIdleUpdate(kPageWin);
      if (page.view()->pixelsPerSecond != last) ++applied;
      last = page.view()->pixelsPerSecond;
    }
    const double ms = msSince(t0);
    const double cpuMs = threadCpuMs() - cpu0;
    postRelease(page.hwnd(), x0 + 600, y0);
    drainMessages();
    EXPECT_EQ(applied, 30);
    std::printf("[figure] zoom drag at 1536 px with 23 rows: %.1f ms per redraw, %.0f redraws per second\n",
                ms / applied, 1000.0 * applied / ms);
    page.capture("envelope_ruler_wide_23_rows.png");
    EXPECT_LT(cpuMs / applied, 50.0) << "a redraw fits in the 50 ms idle tick";
  });
}

}  // namespace
