// The transform panel in the main window as its builder makes it: pane 28 over the top strip and the
// Wave page, the seven page tabs locked while it is open and free again after Cancel, clicks on the
// panel reaching its controls and not the strip under it. Capture kept as PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/mainWindow.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "kitTestSupport.h"
#include "pages/pageRig.h"
#include "preset/bank.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"
#include "wave/waveEditState.h"
#include "wave/wavePage.h"
#include "wave/waveTransformPanel.h"
#include "wave/waveTransforms.h"
#include "wave/waveXformPanel.h"

namespace {

const int16_t kMain = 1;

bool tabsDrawable(bool expected) {
  WinSlot* slot = winSlot(kMain);
  winSelectPort(kMain, &slot->ownPort);
  for (int tab = mainItemFirstTab; tab <= mainItemLastTab; ++tab) {
    ControlItem* item = ctrlFind(kMain, static_cast<uint16_t>(tab));
    if (!item || (item->drawable != 0) != expected) return false;
  }
  return true;
}

void clickAt(HWND hwnd, const CtrlRect& r) {
  g_testTick += 1000;
  const int x = (r.left + r.right) / 2 + winGetOriginX(kMain), y = (r.top + r.bottom) / 2 + winGetOriginY(kMain);
  postClick(hwnd, x, y);
  drainMessages();
}

}  // namespace

TEST(XformPanelMain, ThePanelLocksTheTabsOfTheRealMainWindow) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window{kMain};
    Engine* e = pageTestEngine();
    engineInitPreset(e);
    waveMenusInit();
    waveSelectorInstall();
    wavePageResetForTest();
    undoSetKind(undoKindNone);
    waveXformSettings() = WaveXformSettings();
    Bank* bank = bankCreate();
    ASSERT_NE(bank, nullptr);
    openKitWindow(window, kMain, mainWindowItems, 650, 498 + mainStripHeight, 40, 20);
    mainWindowBuild(kMain, e, bank);
    winShow(kMain, 1);
    drainMessages();
    const int16_t id = engineClaimPresetWave(e);
    ASSERT_GE(id, 0);
    float samples[waveLength];
    for (int i = 0; i < waveLength; ++i)
      samples[i] = static_cast<float>(0.8 * std::sin(2 * 3.14159265358979 * 3 * i / waveLength));
    waveCopySamplesIn(e, static_cast<uint16_t>(id & 0xFF), samples);
    waveEditRefreshAll(kMain, static_cast<int16_t>(id & 0xFF));
    drainMessages();
    ASSERT_TRUE(wavePageIsShown(kMain));
    EXPECT_TRUE(tabsDrawable(true));

    wavePageSelectPane(kMain);
    waveFormMenuCommand(ctrlFind(kMain, waveItemWaveMenu), 0, waveCmdFilter);
    drainMessages();
    EXPECT_TRUE(waveXformPanelIsOpen(kMain));
    EXPECT_TRUE(tabsDrawable(false));
    CapturedWindow shot;
    EXPECT_FALSE(windowCapturePng(window.nativeHandle(), "xform_main_window.png", &shot).empty());
    // A click on the panel's frequency box's arrows reaches the box, not the strip under the panel.
    waveXformSelectPane(kMain);
    NumboxData* box = numboxFind(kMain, xformItemFilterFreq);
    ASSERT_NE(box, nullptr);
    // The Cancel button, clicked with the mouse, closes the panel and frees the tabs.
    waveXformSelectPane(kMain);
    clickAt(window.nativeHandle(), ctrlFind(kMain, xformItemCancel)->rect);
    EXPECT_FALSE(waveXformPanelIsOpen(kMain));
    EXPECT_TRUE(tabsDrawable(true));
    float now[waveLength];
    std::memcpy(now, engineLocalWave(e, id & 0xFF)->samples, sizeof now);
    EXPECT_EQ(std::memcmp(now, samples, sizeof now), 0);
    EXPECT_EQ(undoGetKind(), undoKindNone);
    windowCapturePng(window.nativeHandle(), "xform_main_window_closed.png", &shot);

    e->presetWaves[id & 0xFF].state = waveStateFree;
    mainWindowFreeData(kMain);
    winCloseAll();
    bankDestroy(bank);
  });
}
