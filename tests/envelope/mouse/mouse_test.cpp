// Breakpoint, marker and band drags of a graph row with real (posted) mouse messages: a selected run
// dragged right, the grid's snap and Alt, the sustain mark dropped on the last breakpoint, a band
// over some of the markers.
#include "../envHarness.h"

#include <cmath>

#include "controls/pictureButton.h"
#include "envelope/envFieldEdits.h"
#include "envelope/envFields.h"

namespace {

const double kSr = 44100.0;

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

void fiveBreakpoints(Engine* e) {
  shapeSlot(envSlot(e, 0), 0.0f, {{0.5, 1.0f}, {0.5, 0.8f}, {0.5, 0.6f}, {0.5, 0.4f}, {0.5, 0.0f}}, 3);
}

CtrlPoint centreOf(EnvHarness& page, int id, int bp) {
  EnvelopeGraphRecord* r = page.record(id);
  for (int k = 0; r && k < r->pointCount; ++k)
    if (r->pointHits[k].valid && r->pointHits[k].breakpoint == bp) {
      CtrlPoint p;
      p.x = static_cast<int16_t>((r->pointHits[k].left + r->pointHits[k].right) / 2);
      p.y = static_cast<int16_t>((r->pointHits[k].top + r->pointHits[k].bottom) / 2);
      return p;
    }
  ADD_FAILURE() << "no marker for breakpoint " << bp;
  return CtrlPoint{0, 0};
}

void holdAlt(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_MENU] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

TEST(EnvMouse, RunDraggedRightLengthensOnlyItsFirstBreakpoint) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    Engine* e = page.engine();
    page.click(centreOf(page, 16, 1).x, centreOf(page, 16, 1).y);
    envGraphExtendBpSelection(kPageWin, 2);
    ASSERT_EQ(page.view()->bpSelFirst, 1);
    ASSERT_EQ(page.view()->bpSelLast, 2);
    const CtrlPoint p = centreOf(page, 16, 1);
    page.drag(p.x, p.y, p.x + 10, p.y, 5);
    EXPECT_NEAR(envGetBpTime(e, 0, 1), 0.5 * kSr + 10 * kSr / 128.0, 1e-6);
    EXPECT_NEAR(envGetBpTime(e, 0, 2), 0.5 * kSr, 1e-6);
    EXPECT_NEAR(envFieldAbsSeconds(e, 0, 3), 2.0, 1e-9) << "button 83 released: breakpoint 3 stays";
    EXPECT_NEAR(envGetBpLevel(e, 0, 1), 0.8, 1e-6) << "a level drag needs vertical motion";
    page.selectPane(kPageWin);
    EXPECT_NEAR(page.boxValue(envItemBpSegTime), envGetBpTime(e, 0, 1) / kSr, 1e-4);
    page.capture("envelope_mouse_run_drag.png");
  });
}

TEST(EnvMouse, GridSnapsAndAltDoesNot) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    Engine* e = page.engine();
    page.selectPane(kPageWin);
    ControlItem* grid = page.item(envItemGrid);
    page.click((grid->rect.left + grid->rect.right) / 2, (grid->rect.top + grid->rect.bottom) / 2);
    ASSERT_EQ(page.view()->gridOn, 1);
    const CtrlPoint p = centreOf(page, 16, 1);
    page.click(p.x, p.y);
    page.drag(p.x, p.y, p.x + 13, p.y, 3);  // 0.1 s right of 1.0 s: snaps back to 1.0
    EXPECT_NEAR(envFieldAbsSeconds(e, 0, 1), 1.0, 1e-9);
    const CtrlPoint q = centreOf(page, 16, 1);
    page.drag(q.x, q.y, q.x + 21, q.y, 3);  // 1.164 s: snaps to 1.25
    EXPECT_NEAR(envFieldAbsSeconds(e, 0, 1), 1.25, 1e-9);
    // Dragged left onto breakpoint 0's grid line: never below the 10-sample floor.
    const CtrlPoint r = centreOf(page, 16, 1);
    page.drag(r.x, r.y, r.x - 200, r.y, 3);
    EXPECT_GE(envGetBpTime(e, 0, 1), 10.0);
    // With Alt held the drag does not snap.
    const CtrlPoint s = centreOf(page, 16, 1);
    const double before = envGetBpTime(e, 0, 1);
    holdAlt(true);
    page.drag(s.x, s.y, s.x + 13, s.y, 3);
    holdAlt(false);
    EXPECT_NEAR(envGetBpTime(e, 0, 1), before + 13 * kSr / 128.0, 1e-6);
    page.capture("envelope_mouse_grid.png");
  });
}

TEST(EnvMouse, SustainMarkOnTheLastBreakpointStaysPut) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    EnvelopeGraphRecord* r = page.record(16);
    ASSERT_TRUE(r->sustainMark.valid);
    const int sx = (r->sustainMark.left + r->sustainMark.right) / 2,
              sy = (r->sustainMark.top + r->sustainMark.bottom) / 2;
    const CtrlPoint last = centreOf(page, 16, 4);
    page.drag(sx, sy, last.x, last.y, 6);
    EXPECT_EQ(page.slot(0)->sustainIndex, 3);
    // Onto breakpoint 2 it moves, and the loop-timing index follows.
    r = page.record(16);
    const int tx = (r->sustainMark.left + r->sustainMark.right) / 2,
              ty = (r->sustainMark.top + r->sustainMark.bottom) / 2;
    const CtrlPoint two = centreOf(page, 16, 2);
    page.drag(tx, ty, two.x, two.y, 6);

    EXPECT_EQ(page.slot(0)->sustainIndex, 2);
    EXPECT_EQ(page.slot(0)->releaseIndex, 2);
  });
}

TEST(EnvMouse, BandSelectsExactlyTheMarkersInside) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    const CtrlPoint b1 = centreOf(page, 16, 1), b3 = centreOf(page, 16, 3);
    const int y = page.row(16)->rect.top + 60;  // an empty place of the row
    page.drag(b1.x - 8, y, b3.x + 1, y, 4);
    EXPECT_EQ(page.view()->bpSelFirst, 1);
    EXPECT_EQ(page.view()->bpSelLast, 3);
    page.selectPane(kPageWin);
    EXPECT_TRUE(page.shown(envItemBpSection));
    // Right to left over breakpoint 2 only.
    const CtrlPoint b2 = centreOf(page, 16, 2);
    page.drag(b2.x + 20, y, b2.x - 10, y, 4);
    EXPECT_EQ(page.view()->bpSelFirst, 2);
    EXPECT_EQ(page.view()->bpSelLast, 2);
    page.capture("envelope_mouse_band.png");
  });
}

}  // namespace
