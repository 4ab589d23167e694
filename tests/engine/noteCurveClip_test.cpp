// Note-scale clipboard and undo: copy, paste through the edit block with limiting, and undo/redo by
// the Edit menu's undo dispatch.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/noteCurveClip.h"
#include "engine/noteCurveRuntime.h"
#include "preset/undo.h"

namespace {

int redraws = 0;
void countRedraw(int) { ++redraws; }

struct ClipFixture : EngineFixture {
  void SetUp() override {
    EngineFixture::SetUp();
    noteCurvesInitEngine(engine);
    redraws = 0;
  }
  void TearDown() override {
    noteCurveClipForget();
    EngineFixture::TearDown();
  }
};

TEST_F(ClipFixture, NothingShownNothingDone) {
  EXPECT_FALSE(noteCurveClipCopy(1));
  noteCurveClipPaste(1);
  noteCurveEditUndoRedo(1, 0);
  EXPECT_EQ(redraws, 0);
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

}  // namespace
