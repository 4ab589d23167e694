// The column of rows: laying them out for a row height around an anchor row, the row scrollbar's
// thumb for the number of selected rows, scrolling them, the time scrollbar's span, the selection
// stepping and the view accessors; the cursor over a row's marks.
#include "../envHarness.h"

#include "controls/customItem.h"
#include "controls/scrollbar.h"

namespace {

double thumbOf(EnvHarness& page, uint16_t id) {
  ControlItem* it = page.item(id);
  return it ? static_cast<ScrollbarData*>(it->k.kindData)->lineStep : -1.0;
}

TEST(EnvRows, LayoutKeepsTheAnchorRowAndRefusesHeightsOutOfRange) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    const int top0 = winGetOriginY(kPageWin) + envGraphAreaOffset;
    const CtrlRect before = page.row(16)->rect;
    envGraphLayoutRows(page.row(16), 31, 16);
    envGraphLayoutRows(page.row(16), 513, 16);
    EXPECT_EQ(page.row(16)->rect.top, before.top);
    EXPECT_EQ(page.row(16)->rect.bottom, before.bottom);

    ctrlSetVerticalSpan(kPageWin, 20, top0 + 150, 128);
    envGraphLayoutRows(page.row(16), 100, 20);
    EXPECT_EQ(page.row(16)->rect.top, top0 - 250);
    EXPECT_EQ(page.row(20)->rect.top, top0 + 150);
    EXPECT_EQ(page.row(20)->rect.bottom - page.row(20)->rect.top, 100);
    EXPECT_FALSE(page.shown(16)) << "scrolled above the graph area";

    ctrlSetVerticalSpan(kPageWin, 16, top0 + 50, 100);
    envGraphLayoutRows(page.row(16), 100, 16);
    EXPECT_EQ(page.row(16)->rect.top, top0) << "never below the graph top";
    EXPECT_TRUE(page.shown(16));
    EXPECT_FALSE(page.shown(19)) << "a row without an envelope stays hidden";
  });
}

TEST(EnvRows, RowScrollbarAndScrollingFollowTheSelectedRows) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) { envCreate(e, 0, envDestOscPitch); });
    const int top0 = winGetOriginY(kPageWin) + envGraphAreaOffset;
    envListOnFilter(page.item(envItemFilter), 0, envFilterChannel2);
    EXPECT_DOUBLE_EQ(thumbOf(page, envItemRowScroll), 1.0) << "one row: the thumb fills the bar";
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    EXPECT_DOUBLE_EQ(thumbOf(page, envItemRowScroll), 1.0 / 32) << "four rows";
    envPageOnScroll(page.item(envItemRowScroll), partThumb, 1.0);
    drainMessages();
    EXPECT_EQ(page.row(16)->rect.top, top0 - 384) << "the last row scrolled to the top";
    EXPECT_EQ(page.row(19)->rect.top, top0);
    EXPECT_FALSE(page.shown(18));
    EXPECT_TRUE(page.shown(19));
    page.capture("envelope_rows_scrolled.png");
    envPageOnScroll(page.item(envItemRowScroll), partThumb, 0.0);
    EXPECT_EQ(page.row(16)->rect.top, top0);
    EXPECT_TRUE(page.shown(16));
  });
}

TEST(EnvRows, TimeScrollbarSpansThirtySecondsOrTheLongestEnvelope) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    EnvelopeView* v = page.view();
    EXPECT_DOUBLE_EQ(v->scrollSpan, 30.0);
    EXPECT_NEAR(thumbOf(page, envItemTimeScroll), 4.0 / (128 * 30.0), 1e-12);
    envPageOnScroll(page.item(envItemTimeScroll), partThumb, 0.5);
    EXPECT_DOUBLE_EQ(v->timeOffset, 15.0);
    EXPECT_FALSE(page.record(16)->startMark.valid);
    EXPECT_EQ(page.record(16)->pointCount, 0);
    envPageOnScroll(page.item(envItemTimeScroll), partThumb, 0.0);
    EXPECT_TRUE(page.record(16)->startMark.valid);

    page.slot(1)->inUse = 1;
    page.slot(1)->breakpoints[2].time = 60.0 * 44100;
    envPageUpdateScrollSpan(kPageWin);
    EXPECT_NEAR(v->scrollSpan, envSlotTotalSeconds(page.slot(1)), 1e-9);
    envViewSetScrollSpan(kPageWin, 0.5);
    EXPECT_NEAR(v->scrollSpan, envSlotTotalSeconds(page.slot(1)), 1e-9) << "below 1.0 is ignored";
  });
}

TEST(EnvRows, SelectionSteppingAndAccessors) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    EXPECT_EQ(envViewGetSelectedOwner(kPageWin), -1);
    EXPECT_EQ(envViewGetSelectedDestKind(kPageWin), -1);
    int16_t i = -2;
    EXPECT_EQ(envBpSelNext(kPageWin, &i), -2) << "no selection";
    envGraphExtendBpSelection(kPageWin, 4);
    envGraphExtendBpSelection(kPageWin, 3);
    envGraphExtendBpSelection(kPageWin, 5);
    std::vector<int> got;
    i = -2;
    for (int n = 0; n < 4; ++n) got.push_back(envBpSelNext(kPageWin, &i));
    EXPECT_EQ(got, (std::vector<int>{3, 4, 5, -2}));
    envGraphSelectItem(kPageWin, 18);
    EXPECT_EQ(envViewGetSelectedOwner(kPageWin), 2);
    EXPECT_EQ(envViewGetSelectedDestKind(kPageWin), 1);
    EXPECT_EQ(envGraphSelectedSlotIndex(kPageWin), 2);
    envGraphSelectItem(kPageWin, 0);
    EXPECT_EQ(envGraphSelectedSlotIndex(kPageWin), -1);
    EXPECT_EQ(page.view()->selectedItem, -2);
    page.view()->gridBeats = 0.25;
    EXPECT_DOUBLE_EQ(envGridStepSamples(page.engine(), kPageWin), 5512.5);
  });
}

TEST(EnvRows, CursorOverTheSustainFlagAndLoopBracket) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      EnvelopeSlot* s = engineGetEnvelopeSlot(e, 0);
      shapeSlot(s, 0.0f, {{0.2, 1.0f}, {0.3, 0.6f}, {0.4, 0.8f}, {0.5, 0.0f}}, 2);
      s->mode = envModeLoop;
      s->loopStart = 1;
    });
    ControlItem* row = page.row(16);
    EnvelopeGraphRecord* r = page.record(16);
    ASSERT_TRUE(r->sustainMark.valid);
    ASSERT_TRUE(r->loopMark.valid);
    auto hover = [&](const GraphHit& h) {
      row->cursorId = 77;
      customSendHover(row, (h.left + h.right) / 2, (h.top + h.bottom) / 2);
      return row->cursorId;
    };
    EXPECT_EQ(hover(r->sustainMark), static_cast<uint32_t>(envCursorSustain));
    EXPECT_EQ(hover(r->loopMark), static_cast<uint32_t>(envCursorLoop));
    EXPECT_EQ(hover(r->pointHits[0]), 77u) << "unchanged over a marker";
    EXPECT_EQ(hover(r->handleHits[0]), 77u);
    GraphHit empty = {1, 0, row->rect.right - 20, row->rect.top + 10, row->rect.right - 20, row->rect.top + 10};
    EXPECT_EQ(hover(empty), 0u);
    EXPECT_LT(r->loopStartX, r->sustainX);
    page.capture("envelope_loop.png");
  });
}

}  // namespace
