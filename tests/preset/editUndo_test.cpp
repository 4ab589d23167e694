// One level of undo: kinds, the undo/redo toggle, the handlers and the Edit menu's item.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preset/undo.h"
#include "uiSeams/appMenu.h"

namespace {

std::vector<std::pair<int, int>> gCalls;  // (window, redo state) given to the patch handler

void patchHandler(WinId window, std::uint8_t redo) { gCalls.push_back({window, redo}); }

std::string menuText() { return appMenuRecordedText(appMenuEdit, 0); }

struct UndoFixture : ::testing::Test {
  void SetUp() override {
    gCalls.clear();
    undoSetHandler(undoKindPatch, patchHandler);
    undoSetKind(undoKindNone);
  }
  void TearDown() override { undoSetHandler(undoKindPatch, nullptr); }
};

TEST_F(UndoFixture, PatchUndoAndRedoAlternateWithTheMenuText) {
  EXPECT_EQ(menuText(), "Undo");
  EXPECT_FALSE(appMenuRecordedEnabled(appMenuEdit, 0));
  undoSetKind(6);  // not a kind: nothing changes
  EXPECT_EQ(undoGetKind(), undoKindNone);
  undoSetKind(undoKindPatch);
  EXPECT_EQ(menuText(), "Undo Patch Edit");
  EXPECT_TRUE(appMenuRecordedEnabled(appMenuEdit, 0));
  undoRedo(1);
  EXPECT_EQ(menuText(), "Redo Patch Edit");
  undoRedo(1);
  EXPECT_EQ(menuText(), "Undo Patch Edit");
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gCalls[0], std::make_pair(1, 0));
  EXPECT_EQ(gCalls[1], std::make_pair(1, 1));
  char text[32];
  EXPECT_TRUE(undoGetMenuText(text, sizeof text));
  EXPECT_STREQ(text, "Undo Patch Edit");
}

TEST_F(UndoFixture, MenuTextsByKindAndAvailability) {
  const struct {
    std::uint16_t kind;
    const char* undo;
    const char* redo;
  } cases[] = {{undoKindEnvelope, "Undo Envelope Edit", "Redo Envelope Edit"},
               {undoKindWaveform, "Undo Waveform Edit", "Redo Waveform Edit"},
               {undoKindNotescale, "Undo Notescale Edit", "Redo Notescale Edit"},
               {undoKindPatch, "Undo Patch Edit", "Redo Patch Edit"}};
  for (auto c : cases) {
    undoSetKind(c.kind);
    EXPECT_EQ(menuText(), c.undo);
    undoRedo(0);  // no handler installed for most kinds: just toggles
    EXPECT_EQ(menuText(), c.redo);
    undoSetKind(c.kind);  // a new edit resets to undo
    EXPECT_EQ(menuText(), c.undo);
  }
  undoSetEnabled(0);
  EXPECT_FALSE(appMenuRecordedEnabled(appMenuEdit, 0));
  EXPECT_EQ(menuText(), "Undo Patch Edit");  // the text stays
  char text[32];
  EXPECT_FALSE(undoGetMenuText(text, sizeof text));
  EXPECT_STREQ(text, "Undo");
  // Kind 0: undoRedo does nothing.
  undoSetKind(undoKindNone);
  undoRedo(0);
  EXPECT_EQ(undoGetRedoState(), 0);
}

}  // namespace
