// Note-curve edits without a window: copy, paste through the edit block with limiting, undo and redo
// of the curve of the last edit (whichever curve is shown by then), painting lines and the value box.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/noteCurveRuntime.h"
#include "midi/noteCurveClip.h"
#include "preset/undo.h"

namespace {

int redraws = 0;
void countRedraw(WinId) { ++redraws; }

struct ClipFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    noteCurvesInitEngine(engine);
    redraws = 0;
  }
  void TearDown() override {
    noteCurveClipForget();
    undoSetKind(undoKindNone);
    EngineFixture::TearDown();
  }
};

TEST_F(ClipFixture, NothingShownNothingDone) {
  EXPECT_FALSE(noteCurveClipCopy(1));
  noteCurveClipPaste(1);
  noteCurveEditUndoRedo(1, 0);
  EXPECT_FALSE(noteCurveSetSelectedValue(50.0));
  EXPECT_EQ(redraws, 0);
  // Attached, but no edit snapshotted yet (undo curve -1, -1): undo changes nothing.
  noteCurveClipShow(engine, 1, 1, 0, countRedraw);
  noteCurveGetTable(engine, 1, 0)[5] = 0.25f;
  noteCurveEditUndoRedo(1, 0);
  noteCurveEditUndoRedo(1, 1);
  EXPECT_FLOAT_EQ(noteCurveGetTable(engine, 1, 0)[5], 0.25f);
  EXPECT_EQ(redraws, 0);
  // A pair that does not exist is not shown.
  noteCurveClipShow(engine, 1, 2, 3, countRedraw);
  EXPECT_EQ(noteCurveClipView()->family, 1);
  EXPECT_EQ(noteCurveClipView()->slot, 0);
}

TEST_F(ClipFixture, CopyPasteUndoRedo) {
  float* amp = noteCurveGetTable(engine, 1, 0);
  amp[60] = 0.5f;
  amp[61] = 1.5f;  // out of range in the engine: a paste limits it
  noteCurveClipShow(engine, 1, 1, 0, countRedraw);
  ASSERT_TRUE(noteCurveClipCopy(1));
  EXPECT_TRUE(noteCurveClipHasCopy());

  noteCurveClipShow(engine, 1, 3, 3, countRedraw);  // the tab now shows the master filter curve
  noteCurveClipPaste(1);
  const float* master = noteCurveGetTable(engine, 3, 3);
  EXPECT_FLOAT_EQ(master[60], 0.5f);
  EXPECT_FLOAT_EQ(master[61], 1.0f);
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(undoGetKind(), undoKindNotescale);

  undoRedo(1);  // undo: flat again
  EXPECT_FLOAT_EQ(master[60], 1.0f);
  EXPECT_EQ(undoGetRedoState(), 1);
  undoRedo(1);  // redo
  EXPECT_FLOAT_EQ(master[60], 0.5f);
  EXPECT_EQ(redraws, 3);
  EXPECT_FLOAT_EQ(amp[60], 0.5f);  // the source curve is untouched
}

// Undo acts on the curve of the last edit, not on the one shown when it runs; the shown one keeps
// its values and is redrawn.
TEST_F(ClipFixture, UndoRestoresTheEditedCurveWhileAnotherIsShown) {
  noteCurveClipShow(engine, 1, 2, 1, countRedraw);
  noteCurveUndoSnapshot(1);
  float* copy = editBeginNoteCurve(engine, 2, 1);
  ASSERT_NE(copy, nullptr);
  int first = -1, last = -1;
  noteCurvePaintLine(copy, 10, 40, 0.0f, &first, &last);
  noteCurveCommitShown();
  noteCurveRedoSnapshot(1);
  const float* fm2 = noteCurveGetTable(engine, 2, 1);
  EXPECT_FLOAT_EQ(fm2[40], 0.0f);

  noteCurveClipShow(engine, 1, 3, 0, countRedraw);
  float* filter = noteCurveGetTable(engine, 3, 0);
  filter[40] = 0.75f;
  undoRedo(1);
  EXPECT_FLOAT_EQ(fm2[40], 1.0f);
  EXPECT_FLOAT_EQ(filter[40], 0.75f);
  EXPECT_EQ(redraws, 1);
  undoRedo(1);
  EXPECT_FLOAT_EQ(fm2[40], 0.0f);
  EXPECT_NEAR(fm2[25], 0.5f, 1e-5);
  EXPECT_FLOAT_EQ(filter[40], 0.75f);
}

// Lines between the previous column and the new one, both directions, short steps, far-off points.
TEST(NoteCurvePaint, LinesBetweenColumns) {
  struct Case {
    int p, n;
    float v;
    int first, last;
    float at[3];  // values at first, the middle and last
  };
  const Case cases[] = {
      {9, 10, 0.2f, 10, 10, {0.2f, 0.2f, 0.2f}},   // a press: the column alone
      {11, 10, 0.2f, 10, 10, {0.2f, 0.2f, 0.2f}},  // one column back
      {10, 40, 0.0f, 10, 40, {0.6f, 0.3f, 0.0f}},  // right: from the old value at 10
      {40, 10, 0.0f, 10, 40, {0.0f, 0.3f, 0.6f}},  // left: ends on 40's old value
      {-50, 0, 1.0f, 0, 0, {1.0f, 1.0f, 1.0f}},    // a previous column far left acts as 0
      {0, 127, 2.0f, 0, 127, {0.6f, 0.8f, 1.0f}},  // a value above 1 is limited
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.p) + " -> " + std::to_string(c.n));
    float curve[128];
    for (float& x : curve) x = 0.6f;
    int first = -1, last = -1;
    const int painted = noteCurvePaintLine(curve, c.p, c.n, c.v, &first, &last);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(last, c.last);
    EXPECT_EQ(painted, c.last - c.first + 1);
    EXPECT_NEAR(curve[c.first], c.at[0], 1e-5);
    EXPECT_NEAR(curve[(c.first + c.last + 1) / 2], c.at[1], 0.011);
    EXPECT_NEAR(curve[c.last], c.at[2], 1e-5);
    for (int n = 0; n < 128; ++n) {
      if (n < c.first || n > c.last) {
        EXPECT_FLOAT_EQ(curve[n], 0.6f) << n;
      }
      EXPECT_TRUE(curve[n] >= 0.0f && curve[n] <= 1.0f) << n;
    }
  }
  // A column outside the curve paints nothing.
  float curve[128] = {};
  EXPECT_EQ(noteCurvePaintLine(curve, 10, 128, 0.5f, nullptr, nullptr), 0);
  EXPECT_EQ(noteCurvePaintLine(curve, 10, -1, 0.5f, nullptr, nullptr), 0);
  // Heights: above the top 1.0, below the bottom 0.0.
  EXPECT_FLOAT_EQ(noteCurveValueAtY(300, 100), 1.0f);
  EXPECT_FLOAT_EQ(noteCurveValueAtY(300, -5000), 1.0f);
  EXPECT_FLOAT_EQ(noteCurveValueAtY(300, 301), 0.0f);
  EXPECT_FLOAT_EQ(noteCurveValueAtY(300, 200), 0.5f);
}

TEST_F(ClipFixture, ValueBoxStoresPercentAtTheSelectedNote) {
  noteCurveClipShow(engine, 1, 3, 2, countRedraw);
  NoteCurveView* view = noteCurveClipView();
  view->selectedNote = 64;
  const float* curve = noteCurveGetTable(engine, 3, 2);
  const struct {
    double percent;
    bool stored;
    float value;
  } cases[] = {
      {37.5, true, 0.375f}, {150.0, true, 1.0f},
      {-3.0, true, 0.0f},   {std::numeric_limits<double>::quiet_NaN(), false, 0.0f},
      {1e300, true, 1.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(noteCurveSetSelectedValue(c.percent), c.stored);
    EXPECT_FLOAT_EQ(curve[64], c.value);
  }
  EXPECT_EQ(undoGetKind(), undoKindNone) << "the value box takes no undo snapshot";
  view->selectedNote = 128;
  EXPECT_FALSE(noteCurveSetSelectedValue(10.0));
}

}  // namespace
