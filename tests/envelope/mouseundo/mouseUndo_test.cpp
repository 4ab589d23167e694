// Mouse edits of the graph rows through posted input: every kind of edit is one undo step of its own
// (Undo gives back exactly the envelope before it, Redo the one after, whatever undo was pending),
// a release ends the gesture its press began, a run delete leaves four breakpoints, and a breakpoint
// paste leaves the hold point where it was.
#include "../envToolsRig.h"

#include <functional>
#include <vector>

#include "envelope/envClipboard.h"
#include "envelope/envUndo.h"
#include "pages/clipKinds.h"
#include "preset/undo.h"

namespace {

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

CtrlPoint centre(const GraphHit& h) {
  return CtrlPoint{static_cast<int16_t>((h.top + h.bottom) / 2), static_cast<int16_t>((h.left + h.right) / 2)};
}

CtrlPoint markerOf(EnvHarness& page, int id, int bp) {
  EnvelopeGraphRecord* r = page.record(id);
  for (int k = 0; r && k < r->pointCount; ++k)
    if (r->pointHits[k].valid && r->pointHits[k].breakpoint == bp) return centre(r->pointHits[k]);
  ADD_FAILURE() << "no marker for breakpoint " << bp;
  return CtrlPoint{0, 0};
}

CtrlPoint handleOf(EnvHarness& page, int id, int bp) {
  EnvelopeGraphRecord* r = page.record(id);
  for (int k = 0; r && k < r->handleCount; ++k)
    if (r->handleHits[k].valid && r->handleHits[k].breakpoint == bp) return centre(r->handleHits[k]);
  ADD_FAILURE() << "no handle for breakpoint " << bp;
  return CtrlPoint{0, 0};
}

// Slot 0: six breakpoints, hold on 3; slot 1: a second envelope the earlier undo belongs to.
void sixPoints(Engine* e) {
  shapeSlot(envSlot(e, 0), 0.0f, {{0.4, 1.0f}, {0.4, 0.8f}, {0.4, 0.3f}, {0.4, 0.6f}, {0.4, 0.4f}, {0.4, 0.0f}}, 3);
  shapeSlot(envSlot(e, 1), 0.0f, {{0.5, 1.0f}, {0.5, 0.5f}, {0.5, 0.0f}}, 1);
}

std::vector<EnvelopeSlot> allSlots(EnvHarness& page) {
  std::vector<EnvelopeSlot> out;
  for (int s = 0; s < envSlotCount; ++s) out.push_back(*page.slot(s));
  return out;
}

// The slots that differ from `want` (as the user sees them).
std::vector<int> differing(EnvHarness& page, const std::vector<EnvelopeSlot>& want) {
  std::vector<int> out;
  for (int s = 0; s < envSlotCount; ++s)
    if (!envSameSlot(*page.slot(s), want[s])) out.push_back(s);
  return out;
}

// An undoable edit of another envelope made before the mouse edit: Undo must not reach back to it.
void earlierEditOfSlot1(EnvHarness& page) {
  const int row = envSelectSlot(page, 1);
  ASSERT_GT(row, 0);
  envUndoSnapshot(kPageWin);
  page.slot(1)->breakpoints[1].level = 0.25f;
  envGraphRedrawAll(kPageWin);
  drainMessages();
}

TEST(EnvMouseUndo, EveryMouseEditIsOneUndoStep) {
  struct Case {
    const char* name;
    std::function<void(EnvHarness&)> edit;
  };
  const Case cases[] = {
      {"add (double click between markers)",
       [](EnvHarness& p) {
         const CtrlPoint a = markerOf(p, 16, 1), b = markerOf(p, 16, 2);
         p.doubleClick((a.x + b.x) / 2, p.row(16)->rect.bottom - 20);
       }},
      {"delete (double click on a marker)",
       [](EnvHarness& p) {
         const CtrlPoint m = markerOf(p, 16, 2);
         p.doubleClick(m.x, m.y);
       }},
      {"point drag",
       [](EnvHarness& p) {
         const CtrlPoint m = markerOf(p, 16, 2);
         p.drag(m.x, m.y, m.x + 12, m.y - 30, 4);
       }},
      {"start point drag",
       [](EnvHarness& p) {
         const CtrlPoint m = centre(p.record(16)->startMark);
         p.drag(m.x, m.y, m.x, m.y - 40, 4);
       }},
      {"slope drag",
       [](EnvHarness& p) {
         const CtrlPoint h = handleOf(p, 16, 2);
         p.drag(h.x, h.y, h.x, h.y - 20, 4);
       }},
      {"sustain marker drag",
       [](EnvHarness& p) {
         const GraphHit& s = p.record(16)->sustainMark;
         const CtrlPoint to = markerOf(p, 16, 1);
         p.drag((s.left + s.right) / 2, (s.top + s.bottom) / 2, to.x, to.y, 6);
       }},
  };
  for (const Case& c : cases) {
    runInApplication([&](RecordingApplication&) {
      EnvHarness page(sixPoints);
      laterClock();
      earlierEditOfSlot1(page);
      const std::vector<EnvelopeSlot> before = allSlots(page);
      c.edit(page);
      const std::vector<EnvelopeSlot> after = allSlots(page);
      ASSERT_EQ(differing(page, before), std::vector<int>{0}) << c.name << ": the edit changes envelope 0 only";
      undoRedo(kPageWin);
      EXPECT_EQ(differing(page, before), std::vector<int>{}) << c.name << ": Undo gives back the envelope before";
      undoRedo(kPageWin);
      EXPECT_EQ(differing(page, after), std::vector<int>{}) << c.name << ": Redo the envelope after";
    });
  }
}

// In a surround-pan pair an edit writes both halves: Undo gives both back.
TEST(EnvMouseUndo, PairEditsUndoBothHalves) {
  runInApplication([&](RecordingApplication&) {
    int16_t a = -1;
    EnvHarness page([&](Engine* e) {
      sixPoints(e);
      a = envCreate(e, 0, envDestSurroundPan);
    });
    laterClock();
    ASSERT_GE(a, 3);
    const int16_t b = envFindPartner(page.engine(), a);
    ASSERT_GT(b, a);
    const int row = envSelectSlot(page, a);
    ASSERT_GT(row, 0);
    envGraphLayoutRows(page.row(16), 64, 16);
    drainMessages();
    earlierEditOfSlot1(page);
    EnvelopeGraphRecord* r = page.record(row);
    ASSERT_NE(r->xyHits, nullptr);
    ASSERT_TRUE(r->xyHits[0].valid);
    const std::vector<EnvelopeSlot> before = allSlots(page);
    const CtrlPoint p = centre(r->xyHits[0]);
    page.drag(p.x, p.y, p.x + 8, p.y - 8, 4);
    const std::vector<EnvelopeSlot> after = allSlots(page);
    ASSERT_EQ(differing(page, before), (std::vector<int>{a, b}));
    undoRedo(kPageWin);
    EXPECT_EQ(differing(page, before), std::vector<int>{});
    undoRedo(kPageWin);
    EXPECT_EQ(differing(page, after), std::vector<int>{});
  });
}

// The release of a slope drag ends that drag wherever it lands: the pressed breakpoint stays the
// selection and the fields show its slope.
TEST(EnvMouseUndo, SlopeDragReleaseEndsTheDrag) {
  struct Case {
    const char* name;
    int releaseOnBp;  // -1: an empty place of the row
  };
  const Case cases[] = {{"empty place", -1}, {"another marker", 4}};
  for (const Case& c : cases) {
    runInApplication([&](RecordingApplication&) {
      EnvHarness page(sixPoints);
      laterClock();
      const CtrlPoint h = handleOf(page, 16, 2);
      CtrlPoint to = {static_cast<int16_t>(h.y - 20), h.x};
      if (c.releaseOnBp >= 0) to = markerOf(page, 16, c.releaseOnBp);
      const float start = page.slot(0)->breakpoints[2].slope;
      page.drag(h.x, h.y, to.x, to.y, 4);
      const float slope = page.slot(0)->breakpoints[2].slope;
      EXPECT_NE(slope, start) << c.name;
      EXPECT_EQ(page.view()->bpSelFirst, 2) << c.name;
      EXPECT_EQ(page.view()->bpSelLast, 2) << c.name;
      page.selectPane(kPageWin);
      EXPECT_NEAR(page.boxValue(envItemBpSlope), slope, 1e-3) << c.name;
      EXPECT_EQ(page.view()->redrawPending, 1) << c.name;
      // Moving on with the button up edits nothing more.
      postMove(page.hwnd(), to.x + 5, to.y + 30, false);
      drainMessages();
      EXPECT_EQ(page.slot(0)->breakpoints[2].slope, slope) << c.name;
      if (c.releaseOnBp < 0) page.capture("envelope_slope_released.png");
    });
  }
}

// A band over a run, then a double click on one of its markers: at least four breakpoints stay.
TEST(EnvMouseUndo, RunDeleteLeavesFourBreakpoints) {
  struct Case {
    int points, first, last;  // breakpoints of the envelope, the run banded
    int lastAfter;
  };
  const Case cases[] = {
      {6, 1, 4, 3},  // 4 asked, 2 deleted
      {6, 2, 5, 3},  // a run reaching the last keeps it
      {7, 1, 3, 3},  // 3 asked, 3 deleted
  };
  for (const Case& c : cases) {
    runInApplication([&](RecordingApplication&) {
      EnvHarness page([&](Engine* e) {
        EnvelopeSlot* s = envSlot(e, 0);
        shapeSlot(s, 0.0f, {{0.4, 1.0f}, {0.4, 0.8f}, {0.4, 0.3f}}, 1);
        for (int k = 3; k < c.points; ++k) s->breakpoints[k] = s->breakpoints[1];
        s->lastIndex = static_cast<int16_t>(c.points - 1);
      });
      laterClock();
      const CtrlPoint f = markerOf(page, 16, c.first), l = markerOf(page, 16, c.last);
      const int y = page.row(16)->rect.top + 8;
      page.drag(f.x - 6, y, l.x + 2, y, 4);
      ASSERT_EQ(page.view()->bpSelFirst, c.first);
      ASSERT_EQ(page.view()->bpSelLast, c.last);
      const CtrlPoint m = markerOf(page, 16, c.first + 1);
      page.doubleClick(m.x, m.y);
      EXPECT_EQ(page.slot(0)->lastIndex, c.lastAfter) << c.points << " " << c.first << ".." << c.last;
      EXPECT_EQ(msgBoxCaptureCount(), 0u);
    });
  }
}

// Breakpoints 2..4 copied and pasted onto breakpoint 1: the hold point moves with the breakpoints
// after the paste point and stays put before it.
TEST(EnvMouseUndo, BreakpointPasteKeepsTheHoldPoint) {
  struct Case {
    int sustain, sustainAfter;
  };
  const Case cases[] = {{0, 0}, {3, 5}};
  for (const Case& c : cases) {
    runInApplication([&](RecordingApplication&) {
      EnvHarness page([&](Engine* e) {
        shapeSlot(envSlot(e, 0), 0.0f, {{0.4, 1.0f}, {0.4, 0.8f}, {0.4, 0.3f}, {0.4, 0.6f}, {0.4, 0.0f}}, c.sustain);
      });
      laterClock();
      const CtrlPoint f = markerOf(page, 16, 2), l = markerOf(page, 16, 4);
      const int y = page.row(16)->rect.top + 8;
      page.drag(f.x - 6, y, l.x + 2, y, 4);
      ASSERT_EQ(page.view()->bpSelFirst, 2);
      ASSERT_EQ(page.view()->bpSelLast, 4);
      clipCopy(kPageWin);
      ASSERT_EQ(clipGetPasteKind(), clipKindBreakpoints);
      const CtrlPoint one = markerOf(page, 16, 1);
      page.click(one.x, one.y);
      ASSERT_EQ(page.view()->bpSelFirst, 1);
      clipPaste(kPageWin);
      EXPECT_EQ(page.slot(0)->lastIndex, 6);
      EXPECT_EQ(page.slot(0)->sustainIndex, c.sustainAfter) << c.sustain;
      EXPECT_EQ(page.slot(0)->releaseIndex, c.sustainAfter) << c.sustain;
      EXPECT_EQ(page.slot(0)->loopStart, 0);
    });
  }
}

}  // namespace
