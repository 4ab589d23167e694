// File types of the dialogs: registering adds the two groups and two types of one batch, and
// unregistering removes exactly what the batch added.
#include <gtest/gtest.h>

#include <cstdio>

#include "preset/fileTypes.h"

#ifdef _WIN32
#include <algorithm>
#include <string>
#include <vector>

#include "GPFileTypes.h"
#endif

namespace {

TEST(FileTypes, ClearResetsTheRegistrationGlobals) {
  EXPECT_EQ(fileTypesClear(), -1);
  const FileTypesState* s = fileTypesState();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s->token[i], -1);
  EXPECT_EQ(s->bankGroup, nullptr);
  EXPECT_EQ(s->bankType, nullptr);
  EXPECT_EQ(s->aiffGroup, nullptr);
  EXPECT_EQ(s->aiffType, nullptr);
}

#ifdef _WIN32
TEST(FileTypes, RegisterAddsTheTwoGroupsAndTypesAndUnregisterRemovesThem) {
  ASSERT_TRUE(gpBuildFileTypes());
  const int types = FileTypeRegistry::typeCount();
  const int groups = FileTypeRegistry::groupCount();
  fileTypesClear();
  fileTypesRegister();
  const FileTypesState* s = fileTypesState();
  EXPECT_FALSE(FileTypeRegistry::isOpen());  // the batch was closed
  EXPECT_EQ(s->token[1], types);
  EXPECT_EQ(s->token[2], groups);
  ASSERT_NE(s->bankGroup, nullptr);
  ASSERT_NE(s->aiffGroup, nullptr);
  ASSERT_NE(s->bankType, nullptr);
  ASSERT_NE(s->aiffType, nullptr);
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 2);
  auto* bank = static_cast<FileTypeEntry*>(s->bankType);
  auto* aiff = static_cast<FileTypeEntry*>(s->aiffType);
  auto* bankGroup = static_cast<FileTypeGroup*>(s->bankGroup);
  auto* aiffGroup = static_cast<FileTypeGroup*>(s->aiffGroup);
  EXPECT_EQ(bank->singular(), "Morvane file");
  EXPECT_EQ(bank->extensions(), std::vector<std::string>{"glo"});
  EXPECT_EQ(aiff->singular(), "AIFF file");
  EXPECT_EQ(aiff->extensions(), std::vector<std::string>{"aif"});
  EXPECT_EQ(bankGroup->singular(), "Morvane file");
  EXPECT_EQ(aiffGroup->singular(), "AIFF file");
  // The two named groups are among the registry's groups, after the ones that were there.
  std::vector<FileTypeGroup*> added;
  for (int i = groups; i < FileTypeRegistry::groupCount(); ++i) added.push_back(FileTypeRegistry::groupAt(i));
  EXPECT_NE(std::find(added.begin(), added.end(), bankGroup), added.end());
  EXPECT_NE(std::find(added.begin(), added.end(), aiffGroup), added.end());
  EXPECT_EQ(FileTypeRegistry::typeAt(types), bank);
  EXPECT_EQ(FileTypeRegistry::typeAt(types + 1), aiff);
  fileTypesUnregister();
  EXPECT_EQ(FileTypeRegistry::typeCount(), types);
  EXPECT_EQ(FileTypeRegistry::groupCount(), groups);
  EXPECT_EQ(fileTypesState()->bankType, nullptr);
}
#endif

}  // namespace

// ---- The wave chooser menus
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"
#include "uiSeams/popupMenu.h"

namespace {

struct SelectorLog {
  std::vector<std::string> calls;
} gLog;
Engine* gEngine = nullptr;

Engine* engineOf(WinId window) { return window == 1 ? gEngine : nullptr; }
bool isSelector(WinId, std::uint16_t item) { return item == 7; }
void currentText(WinId, std::uint16_t, char* out, int capacity) { std::snprintf(out, capacity, "Sine"); }
void menuClear(WinId, std::uint16_t) { gLog.calls.push_back("clear"); }
void menuAppend(WinId, std::uint16_t, int id, bool enabled, const char* text, int) {
  gLog.calls.push_back("append " + std::to_string(id) + (enabled ? " on " : " off ") + text);
}
void menuRename(WinId, std::uint16_t, int id, const char*, std::int16_t popup) {
  gLog.calls.push_back("popup " + std::to_string(id) +
                       (popup == waveMenuPresetHandle()    ? " preset"
                        : popup == waveMenuFactoryHandle() ? " factory"
                                                           : " ?"));
}

std::vector<std::string> popupTexts(std::int16_t popup) {
  std::vector<std::string> t;
  for (int i = 0; i < popupItemCount(popup); ++i) {
    char text[64];
    popupItemText(popup, i, text, sizeof text);
    t.push_back(std::to_string(popupItemId(popup, i)) + (popupItemEnabled(popup, i) ? " " : " (off) ") + text);
  }
  return t;
}

class WaveMenuTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    gEngine = engine;
    gLog.calls.clear();
    const WaveSelectorRoutines routines = {engineOf, isSelector, currentText, menuClear, menuAppend, menuRename};
    waveMenusSetSelectorRoutines(&routines);
    waveMenusInit();
    waveMenusSetup(1, 7, true);
  }
  void TearDown() override {
    waveMenusSetup(1, 7, false);
    waveMenusSetSelectorRoutines(nullptr);
    waveMenusClearFlag();
    EngineFixture::TearDown();  // the configuration's defaults put the global waves back too
  }
};

TEST_F(WaveMenuTest, UserBranchShowsNewAndTheSeparatorThenThePresetWaves) {
  EXPECT_EQ(popupTexts(waveMenuPresetHandle()), (std::vector<std::string>{"1 New...", "2 (off) -"}));
  EXPECT_EQ(gLog.calls, (std::vector<std::string>{"clear", "append 1 on Sine", "append 2 on User",
                                                  "append 3 on Factory", "popup 2 preset", "popup 3 factory"}));
  for (int k = 0; k < 8; ++k) ASSERT_GE(engineClaimPresetWave(engine), 0);
  waveMenusFill(1, 7);
  std::vector<std::string> texts = popupTexts(waveMenuPresetHandle());
  ASSERT_EQ(texts.size(), 10u);
  EXPECT_EQ(texts[0], "1 (off) New...");
  EXPECT_EQ(texts[2], "3 preset 1");
  EXPECT_EQ(texts[9], "10 preset 8");
  EXPECT_EQ(waveMenuItemToWave(5, waveMenuPresetHandle()), 0x7F02);
  EXPECT_EQ(waveMenuItemToWave(3, waveMenuPresetHandle()), 0x7F00);
}

TEST_F(WaveMenuTest, FactoryListsOnlyStateOneWavesWithConsecutiveItems) {
  waveGlobal(3)->state = 2;
  waveMenusFill(1, 7);
  const std::int16_t factory = waveMenuFactoryHandle();
  EXPECT_EQ(waveMenuFactoryItemCount(), 40);  // 41 built-in waves, one taken out
  EXPECT_EQ(popupItemCount(factory), 40);
  EXPECT_EQ(waveMenuItemToWave(3, factory), 2);
  EXPECT_EQ(waveMenuItemToWave(4, factory), 4);  // wave 3 is skipped: items stay consecutive
  EXPECT_EQ(waveMenuItemToWave(40, factory), 40);
  EXPECT_EQ(waveMenuFactoryItemOf(3), 0);
  EXPECT_EQ(waveMenuFactoryItemOf(4), 4);
  char text[64];
  popupItemText(factory, 3, text, sizeof text);
  EXPECT_STREQ(text, waveGlobal(4)->name);
  EXPECT_EQ(waveMenuItemToWave(65, factory), 0);
  EXPECT_EQ(waveMenuItemToWave(0, factory), 0);
  EXPECT_EQ(waveMenuItemToWave(3, 0), 0);
  EXPECT_EQ(waveMenuItemToWave(3, 250), 0);
}

TEST_F(WaveMenuTest, ASelectorOfAnotherKindOrAWindowWithoutEngineChangesNothing) {
  gLog.calls.clear();
  waveMenusFill(1, 8);
  waveMenusFill(2, 7);
  EXPECT_TRUE(gLog.calls.empty());
}

}  // namespace
